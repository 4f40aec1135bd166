// SPDX-License-Identifier: MIT
// BRep: a 3D boundary representation made of corners, lines, surfaces and blocks, with model
// boundaries, collections, relationships and unique vertices. Movable, not copyable.
#pragma once

#include <ostrel/model/basic_model.h>
#include <ostrel/model/blocks.h>
#include <ostrel/model/collections.h>

namespace veyra {

class BRepBuilder;

class BRep final : public BasicModel<3>, public Blocks<3>, public BlockCollections<3> {
 public:
  using Builder = BRepBuilder;

  BRep();
  BRep(BRep&& other) noexcept;
  BRep& operator=(BRep&& other) noexcept;
  ~BRep() override;

  using BasicModel<3>::boundaries;
  using BasicModel<3>::embedding_surfaces;
  using BasicModel<3>::incidences;
  using BasicModel<3>::internal_corners;
  using BasicModel<3>::internal_lines;
  using BasicModel<3>::is_boundary;
  using BasicModel<3>::is_internal;
  using BasicModel<3>::nb_boundaries;
  using BasicModel<3>::nb_incidences;
  using BasicModel<3>::nb_internal_corners;
  using BasicModel<3>::nb_internal_lines;

  /// Surfaces bounding the block.
  ComponentRelationRange<Surface<3>> boundaries(const Block<3>& block) const {
    return {boundaries(block.id()), this->surface_store()};
  }
  index_t nb_boundaries(const Block<3>& block) const { return boundaries(block).size(); }
  /// Blocks the surface bounds.
  ComponentRelationRange<Block<3>> incidences(const Surface<3>& surface) const {
    return {incidences(surface.id()), this->block_store()};
  }
  index_t nb_incidences(const Surface<3>& surface) const { return incidences(surface).size(); }

  ComponentRelationRange<Corner<3>> internal_corners(const Block<3>& block) const {
    return {internals(block.id()), this->corner_store()};
  }
  index_t nb_internal_corners(const Block<3>& block) const {
    return internal_corners(block).size();
  }
  ComponentRelationRange<Line<3>> internal_lines(const Block<3>& block) const {
    return {internals(block.id()), this->line_store()};
  }
  index_t nb_internal_lines(const Block<3>& block) const { return internal_lines(block).size(); }
  ComponentRelationRange<Surface<3>> internal_surfaces(const Block<3>& block) const {
    return {internals(block.id()), this->surface_store()};
  }
  index_t nb_internal_surfaces(const Block<3>& block) const {
    return internal_surfaces(block).size();
  }

  ComponentRelationRange<Block<3>> embedding_blocks(const Corner<3>& corner) const {
    return {embeddings(corner.id()), this->block_store()};
  }
  index_t nb_embedding_blocks(const Corner<3>& corner) const {
    return embedding_blocks(corner).size();
  }
  ComponentRelationRange<Block<3>> embedding_blocks(const Line<3>& line) const {
    return {embeddings(line.id()), this->block_store()};
  }
  index_t nb_embedding_blocks(const Line<3>& line) const { return embedding_blocks(line).size(); }
  ComponentRelationRange<Block<3>> embedding_blocks(const Surface<3>& surface) const {
    return {embeddings(surface.id()), this->block_store()};
  }
  index_t nb_embedding_blocks(const Surface<3>& surface) const {
    return embedding_blocks(surface).size();
  }

  ComponentRelationRange<Block<3>> block_collection_items(
      const BlockCollection<3>& collection) const {
    return {items(collection.id()), this->block_store()};
  }
  index_t nb_block_collection_items(const BlockCollection<3>& collection) const {
    return block_collection_items(collection).size();
  }
  /// Surfaces of the model boundary.
  ComponentRelationRange<Surface<3>> model_boundary_items(const ModelBoundary<3>& boundary) const {
    return {items(boundary.id()), this->surface_store()};
  }
  index_t nb_model_boundary_items(const ModelBoundary<3>& boundary) const {
    return model_boundary_items(boundary).size();
  }

  bool is_boundary(const Surface<3>& surface, const Block<3>& block) const {
    return is_boundary(surface.id(), block.id());
  }
  bool is_internal(const Corner<3>& corner, const Block<3>& block) const {
    return is_internal(corner.id(), block.id());
  }
  bool is_internal(const Line<3>& line, const Block<3>& block) const {
    return is_internal(line.id(), block.id());
  }
  bool is_internal(const Surface<3>& surface, const Block<3>& block) const {
    return is_internal(surface.id(), block.id());
  }
};

}  // namespace veyra
