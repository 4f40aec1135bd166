// SPDX-License-Identifier: MIT
// propagated_polygon_normals: one unit normal per polygon of a 3D surface mesh, where degenerate
// polygons borrow the normal of a neighbour so that they form no crease of their own.
#pragma once

#include <ostrel/geometry/vector.h>
#include <ostrel/mesh/surface_mesh.h>

#include <optional>
#include <vector>

namespace veyra::internal {

/// The normal of every polygon, by polygon index:
///   1. the mesh's own polygon_normal (none for a degenerate polygon), computed in parallel
///      chunks;
///   2. then, in polygon order, a polygon still without normal takes the normal of its first
///      adjacent polygon (edge order) that has one, and passes it on to every polygon without
///      normal reachable from it through adjacent polygons without normal (last in, first out).
/// A patch of degenerate polygons that touches no polygon with a normal keeps none.
std::vector<std::optional<Vector<3>>> propagated_polygon_normals(const SurfaceMesh<3>& mesh);

}  // namespace veyra::internal
