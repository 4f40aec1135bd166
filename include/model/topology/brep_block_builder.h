// SPDX-License-Identifier: MIT
// BRepBlockBuilder: creates blocks from their relationships and replaces old blocks by new ones,
// carrying names, collections, active flags and solid meshes over.
#pragma once

#include <vector>

#include <absl/types/span.h>

#include <ostrel/basic/generic_mapping.h>

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

  /// Builds the candidates and replaces their old blocks: `old_to_new` relates each old block to
  /// the indices of the candidates made from it, and every candidate has at least one old block.
  /// A new block made from an inactive old block is inactive. Carries the metadata and meshes
  /// over, removes the old blocks and records the changes in `mappings`: its "Block" component
  /// mapping is replaced, block mesh vertices and polyhedra are added.
  /// \throw VeyraConversionModelException (internal) "[BRepBlockBuilder::replace_blocks] Wrong
  /// mapping sizes" when the candidates with an old block are not exactly the candidates given.
  void replace_blocks(BRepMappings& mappings, absl::Span<const BlockRelationships> relationships,
                      const GenericMapping<uuid, index_t>& old_to_new);

  /// For each new block (a target of `old_to_new`, in model order): the collections of its old
  /// blocks, their distinct names joined with "_", and active only when all its old blocks are.
  void transfer_block_metadata(const GenericMapping<uuid>& old_to_new);

  /// Gives each new block the mesh of its old blocks and records every old mesh vertex and
  /// polyhedron in the block mesh mappings of `mappings`:
  /// - several old blocks making one new block: their meshes merged, one vertex per unique
  ///   vertex and one polyhedron per vertex cycle;
  /// - one old block making several: each new block keeps the connected parts of the old mesh,
  ///   cut along the surfaces the new blocks share, that lie inside it; vertices on the cut go
  ///   to every side;
  /// - an old mesh without polyhedra: the new blocks get its attribute definitions only.
  /// \throw VeyraConversionModelException (internal) "[BRepBlockBuilder::transfer_block_meshes]
  /// Mapping configuration not managed." when an old block with polyhedra has one new block that
  /// has no other old block.
  void transfer_block_meshes(BRepMappings& mappings, const GenericMapping<uuid>& old_to_new);

 private:
  const BRep& model_;
  BRepBuilder& builder_;
};

}  // namespace detail

}  // namespace veyra
