// SPDX-License-Identifier: MIT
// is_point_inside_closed_surface: whether a point lies inside a closed surface, by the parity of
// ray crossings.
#pragma once

#include <array>

#include <absl/types/span.h>

#include <ostrel/geometry/aabb_tree.h>
#include <ostrel/geometry/point.h>
#include <ostrel/geometry/vector.h>

namespace veyra {

template <index_t D>
class SurfaceMesh;

/// Casts rays from the point along 8 fixed directions that are not axis-aligned; polygons are
/// fans of triangles from their vertex 0 (degenerate triangles are skipped). The first ray whose
/// hits are all clean (no hit within global_epsilon of a triangle's edge or vertex, no
/// near-parallel hit triangle, no two hits within global_epsilon along the ray) decides: an odd
/// number of hits means inside. `tree` is create_aabb_tree(surface).
/// \throw OstrelGeometryException (internal) "[is_point_inside_closed_surface] Point is on the
/// surface" when the point is within global_epsilon of a polygon, and "...Cannot determine the
/// point position with confidence" when every ray is ambiguous.
bool is_point_inside_closed_surface(const Point<3>& point, const SurfaceMesh<3>& surface,
                                    const AABBTree<3>& tree);

/// A surface and its tree, one piece of a closed boundary made of several surfaces.
struct SurfaceWithTree {
  const SurfaceMesh<3>& surface;
  const AABBTree<3>& tree;
};

/// The same test over the union of several surfaces (a block bounded by many surfaces): the
/// distance check and every ray look at the polygons of all of them. Throws as above.
bool is_point_inside_closed_surfaces(const Point<3>& point,
                                     absl::Span<const SurfaceWithTree> surfaces);

/// The 8 unit ray directions, in the order they are tried.
const std::array<Vector<3>, 8>& inside_test_ray_directions();

}  // namespace veyra
