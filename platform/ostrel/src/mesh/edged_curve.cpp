// SPDX-License-Identifier: MIT
#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/edged_curve_builder.h>

#include <ostrel/basic/str_cat.h>
#include <ostrel/geometry/epsilon.h>
#include <ostrel/mesh/mesh_builder_factory.h>
#include <ostrel/mesh/mesh_factory.h>

#include "edge_storage.h"
#include "mesh_access.h"

namespace veyra {

template <index_t D>
class EdgedCurve<D>::Impl {
 public:
  internal::EdgeStorage edges{"EdgedCurveBuilder"};
};

template <index_t D>
EdgedCurve<D>::EdgedCurve() : impl_{std::make_unique<Impl>()} {}

template <index_t D>
EdgedCurve<D>::~EdgedCurve() = default;

template <index_t D>
std::unique_ptr<EdgedCurve<D>> EdgedCurve<D>::create() {
  return MeshFactory::create_mesh<EdgedCurve>(MeshFactory::default_impl(type_name_static()));
}

template <index_t D>
std::unique_ptr<EdgedCurve<D>> EdgedCurve<D>::create(const MeshImpl& impl) {
  return MeshFactory::create_mesh<EdgedCurve>(impl);
}

template <index_t D>
MeshType EdgedCurve<D>::type_name_static() {
  return MeshType{str_cat("EdgedCurve", D, "D")};
}

template <index_t D>
std::unique_ptr<EdgedCurve<D>> EdgedCurve<D>::clone() const {
  auto clone = create(this->impl_name());
  clone->copy_geometric_mesh(*this);
  clone->impl_->edges.copy(impl_->edges);
  return clone;
}

template <index_t D>
index_t EdgedCurve<D>::nb_edges() const {
  return impl_->edges.nb_edges();
}

template <index_t D>
index_t EdgedCurve<D>::edge_vertex(const EdgeVertex& edge_vertex) const {
  return impl_->edges.edge_vertex(edge_vertex);
}

template <index_t D>
std::array<index_t, 2> EdgedCurve<D>::edge_vertices(index_t edge) const {
  return impl_->edges.edge_vertices(edge);
}

template <index_t D>
const EdgesAroundVertex& EdgedCurve<D>::edges_around_vertex(index_t vertex) const {
  return impl_->edges.edges_around_vertex(vertex);
}

template <index_t D>
std::optional<index_t> EdgedCurve<D>::edge_from_vertices(index_t vertex0, index_t vertex1) const {
  return impl_->edges.edge_from_vertices(vertex0, vertex1);
}

template <index_t D>
bool EdgedCurve<D>::is_vertex_isolated(index_t vertex) const {
  return impl_->edges.is_vertex_isolated(vertex);
}

template <index_t D>
Point<D> EdgedCurve<D>::edge_barycenter(index_t edge) const {
  const auto& [vertex0, vertex1] = impl_->edges.edge_vertices(edge);
  return (this->point(vertex0) + this->point(vertex1)) * 0.5;
}

template <index_t D>
double EdgedCurve<D>::edge_length(index_t edge) const {
  const auto& [vertex0, vertex1] = impl_->edges.edge_vertices(edge);
  return point_point_distance(this->point(vertex0), this->point(vertex1));
}

template <index_t D>
bool EdgedCurve<D>::is_edge_degenerated(index_t edge) const {
  return edge_length(edge) <= global_epsilon;
}

template <index_t D>
AttributeManager& EdgedCurve<D>::edge_attribute_manager() const {
  return impl_->edges.edge_attribute_manager();
}

template <index_t D>
void EdgedCurve<D>::resize_vertex_storage(index_t nb_vertices) {
  GeometricMesh<D>::resize_vertex_storage(nb_vertices);
  impl_->edges.resize_vertices(nb_vertices);
}

template <index_t D>
void EdgedCurve<D>::renumber_vertex_storage(absl::Span<const index_t> old2new,
                                            index_t nb_vertices) {
  GeometricMesh<D>::renumber_vertex_storage(old2new, nb_vertices);
  impl_->edges.renumber_vertices(old2new, nb_vertices);
}

template <index_t D>
MeshImpl OstrelEdgedCurve<D>::impl_name_static() {
  return MeshImpl{str_cat("OstrelEdgedCurve", D, "D")};
}

template <index_t D>
EdgedCurveBuilder<D>::EdgedCurveBuilder(EdgedCurve<D>& mesh)
    : GeometricMeshBuilder<D>(mesh), curve_(mesh) {}

template <index_t D>
std::unique_ptr<EdgedCurveBuilder<D>> EdgedCurveBuilder<D>::create(EdgedCurve<D>& mesh) {
  return MeshBuilderFactory::create<EdgedCurveBuilder>(mesh);
}

template <index_t D>
index_t EdgedCurveBuilder<D>::create_edge() {
  return internal::MeshAccess::impl<EdgedCurve<D>>(curve_).edges.create_edge();
}

template <index_t D>
index_t EdgedCurveBuilder<D>::create_edge(index_t vertex0, index_t vertex1) {
  return internal::MeshAccess::impl<EdgedCurve<D>>(curve_).edges.create_edge(
      vertex0, vertex1, curve_.nb_vertices());
}

template <index_t D>
void EdgedCurveBuilder<D>::set_edge_vertex(const EdgeVertex& edge_vertex, index_t vertex) {
  internal::MeshAccess::impl<EdgedCurve<D>>(curve_).edges.set_edge_vertex(edge_vertex, vertex,
                                                                         curve_.nb_vertices());
}

template <index_t D>
std::vector<index_t> EdgedCurveBuilder<D>::delete_edges(const std::vector<bool>& to_delete) {
  return internal::MeshAccess::impl<EdgedCurve<D>>(curve_).edges.delete_edges(to_delete);
}

template <index_t D>
std::vector<index_t> EdgedCurveBuilder<D>::delete_isolated_vertices() {
  return this->delete_vertices_of_mesh(
      internal::MeshAccess::impl<EdgedCurve<D>>(curve_).edges.isolated_vertices());
}

template class EdgedCurve<2>;
template class EdgedCurve<3>;
template class OstrelEdgedCurve<2>;
template class OstrelEdgedCurve<3>;
template class EdgedCurveBuilder<2>;
template class EdgedCurveBuilder<3>;

}  // namespace veyra
