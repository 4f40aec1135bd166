// SPDX-License-Identifier: MIT
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>

#include <utility>

#include <ostrel/basic/ostrel_exception.h>

namespace veyra {

BRep::BRep() = default;
BRep::BRep(BRep&& other) noexcept = default;
BRep& BRep::operator=(BRep&& other) noexcept = default;
BRep::~BRep() = default;

BRepBuilder::BRepBuilder(BRep& brep)
    : BasicModelBuilder<3>(brep, "BRepBuilder"),
      BlocksBuilder<3>(brep, "BRepBuilder"),
      BlockCollectionsBuilder<3>(brep, "BRepBuilder"),
      brep_(brep) {}

uuid BRepBuilder::add_block() {
  const uuid id;
  add_block(id);
  return id;
}
uuid BRepBuilder::add_block(const MeshImpl& impl) {
  const uuid id;
  add_block(id, impl);
  return id;
}
void BRepBuilder::add_block(const uuid& id) {
  check_free_id(id, "add_block");
  register_component(create_block(id).component_id(), true);
}
void BRepBuilder::add_block(const uuid& id, const MeshImpl& impl) {
  check_free_id(id, "add_block");
  register_component(create_block(id, impl).component_id(), true);
}

uuid BRepBuilder::add_block_collection() {
  const uuid id;
  add_block_collection(id);
  return id;
}
void BRepBuilder::add_block_collection(const uuid& id) {
  check_free_id(id, "add_block_collection");
  register_component(create_block_collection(id).component_id(), false);
}

void BRepBuilder::remove_block(const Block<3>& block) {
  const auto component = modifiable_block(block.id(), "remove_block").component_id();
  unregister_component(component);
  delete_block(component.id());
}

void BRepBuilder::remove_block_collection(const BlockCollection<3>& collection) {
  const auto component = collection.component_id();
  check_component(component, "remove_block_collection");
  unregister_component(component);
  delete_block_collection(component.id());
}

void BRepBuilder::update_block_mesh(const Block<3>& block, std::unique_ptr<SolidMesh<3>> mesh) {
  OSTREL_INPUT_CHECK(OstrelModelException, mesh != nullptr,
                     "[BRepBuilder::update_block_mesh] No mesh given");
  const auto id = block.id();
  set_block_mesh(id, std::move(mesh));
  unset_component_ties(id);
}

void BRepBuilder::add_surface_block_boundary_relationship(const Surface<3>& surface,
                                                          const Block<3>& block) {
  add_relation("add_surface_block_boundary_relationship", surface.component_id(),
               block.component_id(), RelationType::boundary);
}
void BRepBuilder::add_corner_block_internal_relationship(const Corner<3>& corner,
                                                         const Block<3>& block) {
  add_relation("add_corner_block_internal_relationship", corner.component_id(),
               block.component_id(), RelationType::internal);
}
void BRepBuilder::add_line_block_internal_relationship(const Line<3>& line, const Block<3>& block) {
  add_relation("add_line_block_internal_relationship", line.component_id(), block.component_id(),
               RelationType::internal);
}
void BRepBuilder::add_surface_block_internal_relationship(const Surface<3>& surface,
                                                          const Block<3>& block) {
  add_relation("add_surface_block_internal_relationship", surface.component_id(),
               block.component_id(), RelationType::internal);
}
void BRepBuilder::add_block_in_block_collection(const Block<3>& block,
                                                const BlockCollection<3>& collection) {
  add_relation("add_block_in_block_collection", block.component_id(), collection.component_id(),
               RelationType::item);
}
void BRepBuilder::add_surface_in_model_boundary(const Surface<3>& surface,
                                                const ModelBoundary<3>& boundary) {
  add_relation("add_surface_in_model_boundary", surface.component_id(), boundary.component_id(),
               RelationType::item);
}

index_t BRepBuilder::nb_mesh_vertices(const ComponentID& component) const {
  if (component.type() == Block<3>::component_type_static() && brep_.has_block(component.id())) {
    return brep_.block(component.id()).mesh().nb_vertices();
  }
  return BasicModelBuilder<3>::nb_mesh_vertices(component);
}

}  // namespace veyra
