// SPDX-License-Identifier: MIT
// BRepBlockBuilder: creates blocks from their relationships.
#pragma once

#include <vector>

#include <absl/types/span.h>

#include <ostrel/basic/uuid.h>

#include <model/common/mappings.h>

namespace veyra {

class BRep;
class BRepBuilder;

namespace detail {

/// Holds the model and its builder by reference; owns nothing.
class BRepBlockBuilder {
 public:
  BRepBlockBuilder(const BRep& model, BRepBuilder& builder) : model_(model), builder_(builder) {}
  BRepBlockBuilder(const BRepBlockBuilder&) = delete;
  BRepBlockBuilder& operator=(const BRepBlockBuilder&) = delete;

  /// One new block per record, in order: boundary relationships from its boundary surfaces,
  /// then internal ones from its internal surfaces, lines and corners. No mesh, no name.
  /// Returns the new ids in record order.
  std::vector<uuid> build_blocks(absl::Span<const BlockRelationships> relationships);

 private:
  const BRep& model_;
  BRepBuilder& builder_;
};

}  // namespace detail

}  // namespace veyra
