// SPDX-License-Identifier: MIT
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>

namespace veyra {

BRep::BRep() = default;
BRep::BRep(BRep&& other) noexcept = default;
BRep& BRep::operator=(BRep&& other) noexcept = default;
BRep::~BRep() = default;

BRepBuilder::BRepBuilder(BRep& brep) : BasicModelBuilder<3>(brep, "BRepBuilder") {}

void BRepBuilder::add_surface_in_model_boundary(const Surface<3>& surface,
                                                const ModelBoundary<3>& boundary) {
  add_relation("add_surface_in_model_boundary", surface.component_id(), boundary.component_id(),
               RelationType::item);
}

}  // namespace veyra
