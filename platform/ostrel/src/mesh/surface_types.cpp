// SPDX-License-Identifier: MIT
// The two kinds of surface mesh, their default implementations and their builders.
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/polygonal_surface_builder.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/mesh/triangulated_surface_builder.h>

#include <ostrel/basic/str_cat.h>
#include <ostrel/mesh/mesh_builder_factory.h>
#include <ostrel/mesh/mesh_factory.h>

#include "surface_mesh_impl.h"

namespace veyra {

template <index_t D>
std::unique_ptr<PolygonalSurface<D>> PolygonalSurface<D>::create() {
  return MeshFactory::create_mesh<PolygonalSurface>(
      MeshFactory::default_impl(type_name_static()));
}

template <index_t D>
std::unique_ptr<PolygonalSurface<D>> PolygonalSurface<D>::create(const MeshImpl& impl) {
  return MeshFactory::create_mesh<PolygonalSurface>(impl);
}

template <index_t D>
MeshType PolygonalSurface<D>::type_name_static() {
  return MeshType{str_cat("PolygonalSurface", D, "D")};
}

template <index_t D>
std::unique_ptr<PolygonalSurface<D>> PolygonalSurface<D>::clone() const {
  auto clone = create(this->impl_name());
  clone->copy_surface_mesh(*this);
  return clone;
}

template <index_t D>
MeshImpl OstrelPolygonalSurface<D>::impl_name_static() {
  return MeshImpl{str_cat("OstrelPolygonalSurface", D, "D")};
}

template <index_t D>
TriangulatedSurface<D>::TriangulatedSurface() {
  internal::MeshAccess::impl<SurfaceMesh<D>>(*this).triangles_only = true;
}

template <index_t D>
std::unique_ptr<TriangulatedSurface<D>> TriangulatedSurface<D>::create() {
  return MeshFactory::create_mesh<TriangulatedSurface>(
      MeshFactory::default_impl(type_name_static()));
}

template <index_t D>
std::unique_ptr<TriangulatedSurface<D>> TriangulatedSurface<D>::create(const MeshImpl& impl) {
  return MeshFactory::create_mesh<TriangulatedSurface>(impl);
}

template <index_t D>
MeshType TriangulatedSurface<D>::type_name_static() {
  return MeshType{str_cat("TriangulatedSurface", D, "D")};
}

template <index_t D>
std::unique_ptr<TriangulatedSurface<D>> TriangulatedSurface<D>::clone() const {
  auto clone = create(this->impl_name());
  clone->copy_surface_mesh(*this);
  return clone;
}

template <index_t D>
MeshImpl OstrelTriangulatedSurface<D>::impl_name_static() {
  return MeshImpl{str_cat("OstrelTriangulatedSurface", D, "D")};
}

template <index_t D>
PolygonalSurfaceBuilder<D>::PolygonalSurfaceBuilder(PolygonalSurface<D>& mesh)
    : SurfaceMeshBuilder<D>(mesh) {}

template <index_t D>
std::unique_ptr<PolygonalSurfaceBuilder<D>> PolygonalSurfaceBuilder<D>::create(
    PolygonalSurface<D>& mesh) {
  return MeshBuilderFactory::create<PolygonalSurfaceBuilder>(mesh);
}

template <index_t D>
TriangulatedSurfaceBuilder<D>::TriangulatedSurfaceBuilder(TriangulatedSurface<D>& mesh)
    : SurfaceMeshBuilder<D>(mesh) {}

template <index_t D>
std::unique_ptr<TriangulatedSurfaceBuilder<D>> TriangulatedSurfaceBuilder<D>::create(
    TriangulatedSurface<D>& mesh) {
  return MeshBuilderFactory::create<TriangulatedSurfaceBuilder>(mesh);
}

template class PolygonalSurface<2>;
template class PolygonalSurface<3>;
template class OstrelPolygonalSurface<2>;
template class OstrelPolygonalSurface<3>;
template class TriangulatedSurface<2>;
template class TriangulatedSurface<3>;
template class OstrelTriangulatedSurface<2>;
template class OstrelTriangulatedSurface<3>;
template class PolygonalSurfaceBuilder<2>;
template class PolygonalSurfaceBuilder<3>;
template class TriangulatedSurfaceBuilder<2>;
template class TriangulatedSurfaceBuilder<3>;

}  // namespace veyra
