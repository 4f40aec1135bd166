// SPDX-License-Identifier: MIT
// BRep: a 3D boundary representation made of corners, lines, surfaces and blocks, with model
// boundaries, collections, relationships and unique vertices. Movable, not copyable.
#pragma once

#include <ostrel/model/basic_model.h>

namespace veyra {

class BRepBuilder;

class BRep final : public BasicModel<3> {
 public:
  using Builder = BRepBuilder;

  BRep();
  BRep(BRep&& other) noexcept;
  BRep& operator=(BRep&& other) noexcept;
  ~BRep() override;

  /// Surfaces of the model boundary.
  ComponentRelationRange<Surface<3>> model_boundary_items(const ModelBoundary<3>& boundary) const {
    return {items(boundary.id()), this->surface_store()};
  }
  index_t nb_model_boundary_items(const ModelBoundary<3>& boundary) const {
    return model_boundary_items(boundary).size();
  }
};

}  // namespace veyra
