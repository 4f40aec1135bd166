// SPDX-License-Identifier: MIT
#include <ostrel/model/basic_model_builder.h>

#include <utility>

#include <ostrel/basic/ostrel_exception.h>

namespace veyra {

template <index_t D>
BasicModelBuilder<D>::BasicModelBuilder(BasicModel<D>& model, std::string_view builder_name)
    : CornersBuilder<D>(model, builder_name),
      LinesBuilder<D>(model, builder_name),
      SurfacesBuilder<D>(model, builder_name),
      ModelBoundariesBuilder<D>(model, builder_name),
      CornerCollectionsBuilder<D>(model, builder_name),
      LineCollectionsBuilder<D>(model, builder_name),
      SurfaceCollectionsBuilder<D>(model, builder_name),
      IdentifierBuilder(model),
      model_(model),
      builder_name_(builder_name),
      relationships_(model),
      vertices_(model) {}

template <index_t D>
BasicModelBuilder<D>::~BasicModelBuilder() = default;

template <index_t D>
void BasicModelBuilder<D>::check_free_id(const uuid& id, std::string_view function) const {
  OSTREL_INPUT_CHECK(OstrelModelException, !relationships_.is_registered(id), "[", builder_name_,
                     "::", function, "] Component id already used: ", id.string());
}

template <index_t D>
void BasicModelBuilder<D>::register_component(const ComponentID& component, bool has_mesh) {
  relationships_.register_component(component);
  if (has_mesh) vertices_.register_component(component);
}

template <index_t D>
void BasicModelBuilder<D>::unregister_component(const ComponentID& component) {
  relationships_.unregister_component(component.id());
  vertices_.unregister_component(component.id());
}

template <index_t D>
void BasicModelBuilder<D>::unset_component_ties(const uuid& component) {
  vertices_.unset_component_unique_vertices(component);
}

template <index_t D>
void BasicModelBuilder<D>::check_component(const ComponentID& component,
                                           std::string_view function) const {
  // Every component and collection is registered in the relationships with its type.
  OSTREL_INPUT_CHECK(OstrelModelException, relationships_.is_registered(component), "[",
                     builder_name_, "::", function, "] Unknown component: ", component.string());
}

template <index_t D>
index_t BasicModelBuilder<D>::nb_mesh_vertices(const ComponentID& component) const {
  const auto& type = component.type();
  const auto& id = component.id();
  if (type == Corner<D>::component_type_static() && model_.has_corner(id)) {
    return model_.corner(id).mesh().nb_vertices();
  }
  if (type == Line<D>::component_type_static() && model_.has_line(id)) {
    return model_.line(id).mesh().nb_vertices();
  }
  if (type == Surface<D>::component_type_static() && model_.has_surface(id)) {
    return model_.surface(id).mesh().nb_vertices();
  }
  return NO_ID;
}

// Adding components: each kind checks the id, stores the component, then registers it.

template <index_t D>
uuid BasicModelBuilder<D>::add_corner() {
  const uuid id;
  add_corner(id);
  return id;
}
template <index_t D>
uuid BasicModelBuilder<D>::add_corner(const MeshImpl& impl) {
  const uuid id;
  add_corner(id, impl);
  return id;
}
template <index_t D>
void BasicModelBuilder<D>::add_corner(const uuid& id) {
  check_free_id(id, "add_corner");
  register_component(this->create_corner(id).component_id(), true);
}
template <index_t D>
void BasicModelBuilder<D>::add_corner(const uuid& id, const MeshImpl& impl) {
  check_free_id(id, "add_corner");
  register_component(this->create_corner(id, impl).component_id(), true);
}

template <index_t D>
uuid BasicModelBuilder<D>::add_line() {
  const uuid id;
  add_line(id);
  return id;
}
template <index_t D>
uuid BasicModelBuilder<D>::add_line(const MeshImpl& impl) {
  const uuid id;
  add_line(id, impl);
  return id;
}
template <index_t D>
void BasicModelBuilder<D>::add_line(const uuid& id) {
  check_free_id(id, "add_line");
  register_component(this->create_line(id).component_id(), true);
}
template <index_t D>
void BasicModelBuilder<D>::add_line(const uuid& id, const MeshImpl& impl) {
  check_free_id(id, "add_line");
  register_component(this->create_line(id, impl).component_id(), true);
}

template <index_t D>
uuid BasicModelBuilder<D>::add_surface() {
  const uuid id;
  add_surface(id);
  return id;
}
template <index_t D>
uuid BasicModelBuilder<D>::add_surface(const MeshImpl& impl) {
  const uuid id;
  add_surface(id, impl);
  return id;
}
template <index_t D>
void BasicModelBuilder<D>::add_surface(const uuid& id) {
  check_free_id(id, "add_surface");
  register_component(this->create_surface(id).component_id(), true);
}
template <index_t D>
void BasicModelBuilder<D>::add_surface(const uuid& id, const MeshImpl& impl) {
  check_free_id(id, "add_surface");
  register_component(this->create_surface(id, impl).component_id(), true);
}

template <index_t D>
uuid BasicModelBuilder<D>::add_model_boundary() {
  const uuid id;
  add_model_boundary(id);
  return id;
}
template <index_t D>
void BasicModelBuilder<D>::add_model_boundary(const uuid& id) {
  check_free_id(id, "add_model_boundary");
  register_component(this->create_model_boundary(id).component_id(), false);
}

template <index_t D>
uuid BasicModelBuilder<D>::add_corner_collection() {
  const uuid id;
  add_corner_collection(id);
  return id;
}
template <index_t D>
void BasicModelBuilder<D>::add_corner_collection(const uuid& id) {
  check_free_id(id, "add_corner_collection");
  register_component(this->create_corner_collection(id).component_id(), false);
}
template <index_t D>
uuid BasicModelBuilder<D>::add_line_collection() {
  const uuid id;
  add_line_collection(id);
  return id;
}
template <index_t D>
void BasicModelBuilder<D>::add_line_collection(const uuid& id) {
  check_free_id(id, "add_line_collection");
  register_component(this->create_line_collection(id).component_id(), false);
}
template <index_t D>
uuid BasicModelBuilder<D>::add_surface_collection() {
  const uuid id;
  add_surface_collection(id);
  return id;
}
template <index_t D>
void BasicModelBuilder<D>::add_surface_collection(const uuid& id) {
  check_free_id(id, "add_surface_collection");
  register_component(this->create_surface_collection(id).component_id(), false);
}

// Removal: the caller's reference may point into the table, so the id is copied first and the
// component is deleted last.

template <index_t D>
void BasicModelBuilder<D>::remove_corner(const Corner<D>& corner) {
  const auto component = this->modifiable_corner(corner.id(), "remove_corner").component_id();
  unregister_component(component);
  this->delete_corner(component.id());
}
template <index_t D>
void BasicModelBuilder<D>::remove_line(const Line<D>& line) {
  const auto component = this->modifiable_line(line.id(), "remove_line").component_id();
  unregister_component(component);
  this->delete_line(component.id());
}
template <index_t D>
void BasicModelBuilder<D>::remove_surface(const Surface<D>& surface) {
  const auto component = this->modifiable_surface(surface.id(), "remove_surface").component_id();
  unregister_component(component);
  this->delete_surface(component.id());
}
template <index_t D>
void BasicModelBuilder<D>::remove_model_boundary(const ModelBoundary<D>& boundary) {
  const auto component = boundary.component_id();
  check_component(component, "remove_model_boundary");
  unregister_component(component);
  this->delete_model_boundary(component.id());
}
template <index_t D>
void BasicModelBuilder<D>::remove_corner_collection(const CornerCollection<D>& collection) {
  const auto component = collection.component_id();
  check_component(component, "remove_corner_collection");
  unregister_component(component);
  this->delete_corner_collection(component.id());
}
template <index_t D>
void BasicModelBuilder<D>::remove_line_collection(const LineCollection<D>& collection) {
  const auto component = collection.component_id();
  check_component(component, "remove_line_collection");
  unregister_component(component);
  this->delete_line_collection(component.id());
}
template <index_t D>
void BasicModelBuilder<D>::remove_surface_collection(const SurfaceCollection<D>& collection) {
  const auto component = collection.component_id();
  check_component(component, "remove_surface_collection");
  unregister_component(component);
  this->delete_surface_collection(component.id());
}

// Mesh replacement.

template <index_t D>
void BasicModelBuilder<D>::update_corner_mesh(const Corner<D>& corner,
                                              std::unique_ptr<PointSet<D>> mesh) {
  OSTREL_INPUT_CHECK(OstrelModelException, mesh != nullptr, "[", builder_name_,
                     "::update_corner_mesh] No mesh given");
  const auto id = corner.id();
  this->set_corner_mesh(id, std::move(mesh));
  unset_component_ties(id);
}
template <index_t D>
void BasicModelBuilder<D>::update_line_mesh(const Line<D>& line,
                                            std::unique_ptr<EdgedCurve<D>> mesh) {
  OSTREL_INPUT_CHECK(OstrelModelException, mesh != nullptr, "[", builder_name_,
                     "::update_line_mesh] No mesh given");
  const auto id = line.id();
  this->set_line_mesh(id, std::move(mesh));
  unset_component_ties(id);
}
template <index_t D>
void BasicModelBuilder<D>::update_surface_mesh(const Surface<D>& surface,
                                               std::unique_ptr<SurfaceMesh<D>> mesh) {
  OSTREL_INPUT_CHECK(OstrelModelException, mesh != nullptr, "[", builder_name_,
                     "::update_surface_mesh] No mesh given");
  const auto id = surface.id();
  this->set_surface_mesh(id, std::move(mesh));
  unset_component_ties(id);
}

// Relations.

template <index_t D>
void BasicModelBuilder<D>::add_relation(std::string_view function, const ComponentID& from,
                                        const ComponentID& to, RelationType type) {
  check_component(from, function);
  check_component(to, function);
  OSTREL_INPUT_CHECK(OstrelModelException, from.id() != to.id(), "[", builder_name_, "::", function,
                     "] A component cannot be related to itself: ", from.string());
  switch (type) {
    case RelationType::boundary:
      relationships_.add_boundary_relation(from, to);
      return;
    case RelationType::internal:
      relationships_.add_internal_relation(from, to);
      return;
    case RelationType::item:
      relationships_.add_item_in_collection(from, to);
      return;
  }
}

template <index_t D>
void BasicModelBuilder<D>::add_corner_line_boundary_relationship(const Corner<D>& corner,
                                                                 const Line<D>& line) {
  add_relation("add_corner_line_boundary_relationship", corner.component_id(), line.component_id(),
               RelationType::boundary);
}
template <index_t D>
void BasicModelBuilder<D>::add_line_surface_boundary_relationship(const Line<D>& line,
                                                                  const Surface<D>& surface) {
  add_relation("add_line_surface_boundary_relationship", line.component_id(),
               surface.component_id(), RelationType::boundary);
}
template <index_t D>
void BasicModelBuilder<D>::add_corner_surface_internal_relationship(const Corner<D>& corner,
                                                                    const Surface<D>& surface) {
  add_relation("add_corner_surface_internal_relationship", corner.component_id(),
               surface.component_id(), RelationType::internal);
}
template <index_t D>
void BasicModelBuilder<D>::add_line_surface_internal_relationship(const Line<D>& line,
                                                                  const Surface<D>& surface) {
  add_relation("add_line_surface_internal_relationship", line.component_id(),
               surface.component_id(), RelationType::internal);
}
template <index_t D>
void BasicModelBuilder<D>::add_corner_in_corner_collection(const Corner<D>& corner,
                                                           const CornerCollection<D>& collection) {
  add_relation("add_corner_in_corner_collection", corner.component_id(), collection.component_id(),
               RelationType::item);
}
template <index_t D>
void BasicModelBuilder<D>::add_line_in_line_collection(const Line<D>& line,
                                                       const LineCollection<D>& collection) {
  add_relation("add_line_in_line_collection", line.component_id(), collection.component_id(),
               RelationType::item);
}
template <index_t D>
void BasicModelBuilder<D>::add_surface_in_surface_collection(
    const Surface<D>& surface, const SurfaceCollection<D>& collection) {
  add_relation("add_surface_in_surface_collection", surface.component_id(),
               collection.component_id(), RelationType::item);
}

template <index_t D>
void BasicModelBuilder<D>::add_boundary_relation(const ComponentID& boundary,
                                                 const ComponentID& incidence) {
  add_relation("add_boundary_relation", boundary, incidence, RelationType::boundary);
}
template <index_t D>
void BasicModelBuilder<D>::add_internal_relation(const ComponentID& internal,
                                                 const ComponentID& embedding) {
  add_relation("add_internal_relation", internal, embedding, RelationType::internal);
}
template <index_t D>
void BasicModelBuilder<D>::add_item_in_collection(const ComponentID& item,
                                                  const ComponentID& collection) {
  add_relation("add_item_in_collection", item, collection, RelationType::item);
}
template <index_t D>
void BasicModelBuilder<D>::remove_relation(const uuid& id1, const uuid& id2) {
  relationships_.remove_relation(id1, id2);
}

// Unique vertices.

template <index_t D>
index_t BasicModelBuilder<D>::create_unique_vertex() {
  return vertices_.create_unique_vertex();
}
template <index_t D>
index_t BasicModelBuilder<D>::create_unique_vertices(index_t nb) {
  return vertices_.create_unique_vertices(nb);
}

template <index_t D>
void BasicModelBuilder<D>::set_unique_vertex(const ComponentMeshVertex& component_vertex,
                                             index_t unique_vertex) {
  const auto& component = component_vertex.component_id;
  const auto nb_vertices = nb_mesh_vertices(component);
  OSTREL_INPUT_CHECK(OstrelModelException, nb_vertices != NO_ID, "[", builder_name_,
                     "::set_unique_vertex] Unknown component: ", component.string());
  OSTREL_INPUT_CHECK(OstrelModelException, component_vertex.vertex < nb_vertices, "[",
                     builder_name_, "::set_unique_vertex] Vertex ", component_vertex.vertex,
                     " out of range in ", component.string(), " (", nb_vertices, " vertices)");
  OSTREL_INPUT_CHECK(OstrelModelException, unique_vertex < model_.nb_unique_vertices(), "[",
                     builder_name_, "::set_unique_vertex] Unique vertex ", unique_vertex,
                     " out of range (", model_.nb_unique_vertices(), " unique vertices)");
  vertices_.set_unique_vertex(component_vertex, unique_vertex);
}
template <index_t D>
void BasicModelBuilder<D>::unset_unique_vertex(const ComponentMeshVertex& component_vertex,
                                               index_t unique_vertex) {
  check_component(component_vertex.component_id, "unset_unique_vertex");
  vertices_.unset_unique_vertex(component_vertex, unique_vertex);
}
template <index_t D>
void BasicModelBuilder<D>::update_unique_vertices(const ComponentID& component,
                                                  absl::Span<const index_t> old2new) {
  check_component(component, "update_unique_vertices");
  OSTREL_INPUT_CHECK(OstrelModelException, model_.is_component_registered(component.id()), "[",
                     builder_name_, "::update_unique_vertices] ", component.string(),
                     " has no mesh");
  vertices_.update_unique_vertices(component, old2new);
}
template <index_t D>
std::vector<index_t> BasicModelBuilder<D>::delete_isolated_vertices() {
  return vertices_.delete_isolated_vertices();
}

template class BasicModelBuilder<2>;
template class BasicModelBuilder<3>;

}  // namespace veyra
