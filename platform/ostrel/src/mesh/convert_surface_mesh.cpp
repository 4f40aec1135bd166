// SPDX-License-Identifier: MIT
#include <ostrel/mesh/convert_surface_mesh.h>

#include "surface_mesh_impl.h"

namespace veyra {

template <index_t D>
std::optional<std::unique_ptr<TriangulatedSurface<D>>>
convert_surface_mesh_into_triangulated_surface(const SurfaceMesh<D>& mesh) {
  if (!internal::MeshAccess::impl<SurfaceMesh<D>>(mesh).all_triangles()) return std::nullopt;
  auto triangulated = TriangulatedSurface<D>::create();
  internal::MeshAccess::copy_surface_mesh<SurfaceMesh<D>>(*triangulated, mesh);
  return triangulated;
}

template <index_t D>
std::unique_ptr<PolygonalSurface<D>> convert_surface_mesh_into_polygonal_surface(
    const SurfaceMesh<D>& mesh) {
  auto polygonal = PolygonalSurface<D>::create();
  internal::MeshAccess::copy_surface_mesh<SurfaceMesh<D>>(*polygonal, mesh);
  return polygonal;
}

template std::optional<std::unique_ptr<TriangulatedSurface<2>>>
convert_surface_mesh_into_triangulated_surface(const SurfaceMesh<2>&);
template std::optional<std::unique_ptr<TriangulatedSurface<3>>>
convert_surface_mesh_into_triangulated_surface(const SurfaceMesh<3>&);
template std::unique_ptr<PolygonalSurface<2>> convert_surface_mesh_into_polygonal_surface(
    const SurfaceMesh<2>&);
template std::unique_ptr<PolygonalSurface<3>> convert_surface_mesh_into_polygonal_surface(
    const SurfaceMesh<3>&);

}  // namespace veyra
