// SPDX-License-Identifier: MIT
// The two kinds of solid mesh, their default implementations and their builders.
#include <ostrel/basic/str_cat.h>
#include <ostrel/mesh/mesh_builder_factory.h>
#include <ostrel/mesh/mesh_factory.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/polyhedral_solid_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/tetrahedral_solid_builder.h>

#include "solid_mesh_impl.h"

namespace veyra {

template <index_t D>
std::unique_ptr<PolyhedralSolid<D>> PolyhedralSolid<D>::create() {
  return MeshFactory::create_mesh<PolyhedralSolid>(MeshFactory::default_impl(type_name_static()));
}

template <index_t D>
std::unique_ptr<PolyhedralSolid<D>> PolyhedralSolid<D>::create(const MeshImpl& impl) {
  return MeshFactory::create_mesh<PolyhedralSolid>(impl);
}

template <index_t D>
MeshType PolyhedralSolid<D>::type_name_static() {
  return MeshType{str_cat("PolyhedralSolid", D, "D")};
}

template <index_t D>
std::unique_ptr<PolyhedralSolid<D>> PolyhedralSolid<D>::clone() const {
  auto clone = create(this->impl_name());
  clone->copy_solid_mesh(*this);
  return clone;
}

template <index_t D>
MeshImpl OstrelPolyhedralSolid<D>::impl_name_static() {
  return MeshImpl{str_cat("OstrelPolyhedralSolid", D, "D")};
}

template <index_t D>
TetrahedralSolid<D>::TetrahedralSolid() {
  internal::MeshAccess::impl<SolidMesh<D>>(*this).tetrahedra_only = true;
}

template <index_t D>
std::unique_ptr<TetrahedralSolid<D>> TetrahedralSolid<D>::create() {
  return MeshFactory::create_mesh<TetrahedralSolid>(MeshFactory::default_impl(type_name_static()));
}

template <index_t D>
std::unique_ptr<TetrahedralSolid<D>> TetrahedralSolid<D>::create(const MeshImpl& impl) {
  return MeshFactory::create_mesh<TetrahedralSolid>(impl);
}

template <index_t D>
MeshType TetrahedralSolid<D>::type_name_static() {
  return MeshType{str_cat("TetrahedralSolid", D, "D")};
}

template <index_t D>
std::unique_ptr<TetrahedralSolid<D>> TetrahedralSolid<D>::clone() const {
  auto clone = create(this->impl_name());
  clone->copy_solid_mesh(*this);
  return clone;
}

template <index_t D>
MeshImpl OstrelTetrahedralSolid<D>::impl_name_static() {
  return MeshImpl{str_cat("OstrelTetrahedralSolid", D, "D")};
}

template <index_t D>
PolyhedralSolidBuilder<D>::PolyhedralSolidBuilder(PolyhedralSolid<D>& mesh)
    : SolidMeshBuilder<D>(mesh) {}

template <index_t D>
std::unique_ptr<PolyhedralSolidBuilder<D>> PolyhedralSolidBuilder<D>::create(
    PolyhedralSolid<D>& mesh) {
  return MeshBuilderFactory::create<PolyhedralSolidBuilder>(mesh);
}

template <index_t D>
TetrahedralSolidBuilder<D>::TetrahedralSolidBuilder(TetrahedralSolid<D>& mesh)
    : SolidMeshBuilder<D>(mesh) {}

template <index_t D>
std::unique_ptr<TetrahedralSolidBuilder<D>> TetrahedralSolidBuilder<D>::create(
    TetrahedralSolid<D>& mesh) {
  return MeshBuilderFactory::create<TetrahedralSolidBuilder>(mesh);
}

template class PolyhedralSolid<3>;
template class OstrelPolyhedralSolid<3>;
template class TetrahedralSolid<3>;
template class OstrelTetrahedralSolid<3>;
template class PolyhedralSolidBuilder<3>;
template class TetrahedralSolidBuilder<3>;

}  // namespace veyra
