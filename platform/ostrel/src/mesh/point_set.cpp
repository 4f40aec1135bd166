// SPDX-License-Identifier: MIT
#include <ostrel/mesh/point_set.h>
#include <ostrel/mesh/point_set_builder.h>

#include <ostrel/basic/str_cat.h>
#include <ostrel/mesh/mesh_builder_factory.h>
#include <ostrel/mesh/mesh_factory.h>

namespace veyra {

template <index_t D>
std::unique_ptr<PointSet<D>> PointSet<D>::create() {
  return MeshFactory::create_mesh<PointSet>(MeshFactory::default_impl(type_name_static()));
}

template <index_t D>
std::unique_ptr<PointSet<D>> PointSet<D>::create(const MeshImpl& impl) {
  return MeshFactory::create_mesh<PointSet>(impl);
}

template <index_t D>
MeshType PointSet<D>::type_name_static() {
  return MeshType{str_cat("PointSet", D, "D")};
}

template <index_t D>
std::unique_ptr<PointSet<D>> PointSet<D>::clone() const {
  auto clone = create(this->impl_name());
  clone->copy_geometric_mesh(*this);
  return clone;
}

template <index_t D>
bool PointSet<D>::is_vertex_isolated(index_t /*vertex*/) const {
  return true;
}

template <index_t D>
MeshImpl OstrelPointSet<D>::impl_name_static() {
  return MeshImpl{str_cat("OstrelPointSet", D, "D")};
}

template <index_t D>
PointSetBuilder<D>::PointSetBuilder(PointSet<D>& mesh) : GeometricMeshBuilder<D>(mesh) {}

template <index_t D>
std::unique_ptr<PointSetBuilder<D>> PointSetBuilder<D>::create(PointSet<D>& mesh) {
  return MeshBuilderFactory::create<PointSetBuilder>(mesh);
}

template <index_t D>
std::vector<index_t> PointSetBuilder<D>::delete_vertices(const std::vector<bool>& to_delete) {
  return this->delete_vertices_of_mesh(to_delete);
}

template class PointSet<2>;
template class PointSet<3>;
template class OstrelPointSet<2>;
template class OstrelPointSet<3>;
template class PointSetBuilder<2>;
template class PointSetBuilder<3>;

}  // namespace veyra
