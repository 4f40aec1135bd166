// SPDX-License-Identifier: MIT
// Ray casting against one triangle, with a verdict that says whether the contact is clean or
// too close to call. Point-in-closed-surface tests count clean crossings along a ray and give up
// the ray as soon as one contact is ambiguous.
#pragma once

#include <ostrel/geometry/basic_objects.h>

#include <cstdint>

namespace veyra {

/// A ray is near-parallel to a triangle when the sine of the angle between the ray direction and
/// the triangle's plane (|unit normal . direction|) is at most this value.
inline constexpr double ray_parallel_tolerance = 1e-9;

/// How a ray meets one triangle; the checks run in this order and the first that applies wins.
enum struct RayTriangleStatus : std::uint8_t {
  /// The triangle is degenerate (is_triangle_degenerate): it has no plane, callers skip it.
  degenerate,
  /// The ray's origin lies within global_epsilon of the triangle. Ambiguous.
  near_origin,
  /// The direction is near-parallel to the triangle (ray_parallel_tolerance) and the ray comes
  /// within global_epsilon of the triangle. Ambiguous.
  near_parallel,
  /// The ray meets the triangle's plane at a point within global_epsilon of an edge or a vertex,
  /// just inside the triangle or just outside it. Ambiguous.
  near_boundary,
  /// The ray crosses the triangle's interior farther than global_epsilon from every edge.
  crossing,
  /// No contact: the triangle is behind the origin, or the ray passes farther than
  /// global_epsilon from it.
  none
};

struct RayTriangleIntersection {
  /// True for near_origin, near_parallel and near_boundary: the contact cannot be counted
  /// reliably, and a parity count along this ray must not be trusted.
  bool is_ambiguous() const {
    return status == RayTriangleStatus::near_origin || status == RayTriangleStatus::near_parallel ||
           status == RayTriangleStatus::near_boundary;
  }

  RayTriangleStatus status{RayTriangleStatus::none};
  /// For crossing and near_boundary: the distance along the ray from the origin to the point
  /// where the ray meets the triangle's plane (>= 0). 0 for the other statuses.
  double distance{0.};
  /// For crossing and near_boundary: origin + distance * direction. The origin otherwise.
  Point<3> point;
};

/// Casts `ray` against `triangle` (its interior and boundary) and classifies the contact, so
/// that ray-parity counting never silently miscounts a grazing hit:
/// - degenerate triangles are reported as such and carry no plane;
/// - near_origin: the origin itself is within global_epsilon of the triangle;
/// - near_parallel: |normal . direction| <= ray_parallel_tolerance and the ray passes within
///   global_epsilon of the triangle (the ray is taken up to the triangle's farthest extent along
///   it; the test is exact up to ray_parallel_tolerance times that extent);
/// - otherwise the ray meets the plane at distance t (a plane behind the origin gives none), and
///   the meeting point is compared with each edge's line inside the plane: farther than
///   global_epsilon inside every edge is a crossing, within global_epsilon of the triangle's
///   boundary (either side) is near_boundary, anything else is none.
/// Candidates come from AABBTree<3>::compute_ray_element_bbox_intersections, which grows the
/// boxes by global_epsilon so that near misses are still tested here.
///
/// Parity counting along one ray, as a point-in-closed-surface test does it:
/// \code
///   std::vector<double> hits;
///   bool is_ambiguous = false;
///   tree.compute_ray_element_bbox_intersections(ray, [&](index_t triangle) {
///     const auto result = ray_triangle_intersection(ray, triangle_of(triangle));
///     if (result.is_ambiguous()) return is_ambiguous = true;  // stop: try another ray
///     if (result.status == RayTriangleStatus::crossing) hits.push_back(result.distance);
///     return false;
///   });
///   // Also ambiguous: two hits within global_epsilon of each other along the ray (sort the
///   // distances and compare neighbours). Otherwise an odd hit count means inside.
/// \endcode
RayTriangleIntersection ray_triangle_intersection(const Ray<3>& ray, const Triangle<3>& triangle);

}  // namespace veyra
