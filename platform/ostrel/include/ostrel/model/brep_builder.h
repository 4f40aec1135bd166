// SPDX-License-Identifier: MIT
// BRepBuilder: the only way to change a BRep (components, meshes, names, flags, relations, model
// boundary membership and unique vertices).
#pragma once

#include <ostrel/model/basic_model_builder.h>
#include <ostrel/model/brep.h>

namespace veyra {

class BRepBuilder final : public BasicModelBuilder<3> {
 public:
  explicit BRepBuilder(BRep& brep);

  /// Makes the surface an item of the model boundary.
  void add_surface_in_model_boundary(const Surface<3>& surface, const ModelBoundary<3>& boundary);
};

}  // namespace veyra
