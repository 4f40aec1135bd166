// SPDX-License-Identifier: MIT
// Conversions between the surface kinds: a triangulated copy of a surface made of triangles
// only, and a polygonal copy of any surface, both keeping every numbering.
#pragma once

#include <memory>
#include <optional>

#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/triangulated_surface.h>

namespace veyra {

/// A TriangulatedSurface<D> (default implementation) with the same vertices, polygons,
/// adjacencies, vertex incidence orders, enabled edge table with its ids, attributes and name;
/// empty when some polygon is not a triangle.
template <index_t D>
std::optional<std::unique_ptr<TriangulatedSurface<D>>>
convert_surface_mesh_into_triangulated_surface(const SurfaceMesh<D>& mesh);

/// A PolygonalSurface<D> (default implementation) with the same vertices, polygons,
/// adjacencies, vertex incidence orders, enabled edge table with its ids, attributes and name.
/// Every surface converts.
template <index_t D>
std::unique_ptr<PolygonalSurface<D>> convert_surface_mesh_into_polygonal_surface(
    const SurfaceMesh<D>& mesh);

}  // namespace veyra
