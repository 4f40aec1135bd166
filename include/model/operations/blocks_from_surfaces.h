// SPDX-License-Identifier: MIT
// Blocks from surfaces: every closed region of space bounded by the surfaces of a BRep, with its
// boundary surfaces and the surfaces, lines and corners that float inside it.
#pragma once

#include <memory>
#include <vector>

#include <absl/types/span.h>

#include <ostrel/basic/uuid.h>

#include <model/common/mappings.h>

namespace veyra {

class BRep;
class BRepBuilder;

namespace detail {

/// Finds the regions of a BRep from its surfaces, for one computation.
/// 1. Regions: each side of each surface belongs to one region; walking around every line of a
///    surface in radial order reaches the sides that face the same region. The unbounded outside
///    of a group of surfaces is a region too, and both sides of an open surface fall into one.
/// 2. Regions whose signed volume is not positive (outsides, open or two-sided arrangements) are
///    dropped; the others are the candidate blocks.
/// 3. Each candidate gets its boundary surfaces (one side on it) and internal surfaces (both
///    sides on it), one merged mesh of its boundary surfaces with its AABB tree, then the
///    surfaces floating in it and the outer surfaces of the shells nested in it (in the smallest
///    containing candidate), tested by point inside its boundary.
/// 4. Candidates without boundary surface are dropped; free lines and corners go to the first
///    candidate that contains them.
/// The model's surfaces must meet along lines.
class BRepBlocksFinder {
 public:
  explicit BRepBlocksFinder(const BRep& model);
  ~BRepBlocksFinder();
  BRepBlocksFinder(const BRepBlocksFinder&) = delete;
  BRepBlocksFinder& operator=(const BRepBlocksFinder&) = delete;

  /// One record per block found, in the order their regions were found. Call once.
  /// \throw VeyraConversionModelException (internal) "[BRepBlocksBuilder::remove_inverted_blocks]
  /// No inverted Block found" when no region is inverted (a model without surfaces has none);
  /// "[surface_has_point_in_block] ..." or "[line_has_point_in_block] ..." when no polygon or
  /// edge of a surface or line can be placed (data: its vertex 0).
  std::vector<BlockRelationships> determine_blocks();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace detail

/// The blocks a BRep's surfaces bound, without changing the model (see BRepBlocksFinder). Logs
/// "[BRepBlocksFinder::determine_blocks] No Block were determined" (info) and returns an empty
/// list when every region is inverted.
std::vector<BlockRelationships> determine_blocks(const BRep& model);

/// Builds the blocks of a model that has surfaces and no block. Otherwise logs "[build_blocks]
/// Cannot build BRep blocks without surface or with existing blocks" (warn) and changes nothing.
void build_blocks(const BRep& model, BRepBuilder& builder);

/// Creates one block per record, with its boundary and internal relationships, no mesh and no
/// name; returns the new block ids in record order.
std::vector<uuid> build_blocks(const BRep& model, BRepBuilder& builder,
                               absl::Span<const BlockRelationships> relationships);

}  // namespace veyra
