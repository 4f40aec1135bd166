// SPDX-License-Identifier: MIT
#include <ostrel/geometry/distance.h>
#include <ostrel/geometry/mensuration.h>
#include <ostrel/geometry/ray_triangle_intersection.h>

#include <algorithm>
#include <cmath>

namespace veyra {
namespace {

// Distance from the part of the ray that can reach the triangle to the triangle, for a ray that
// runs (nearly) along the triangle's plane. The ray is cut just past the triangle's farthest
// vertex along it; the cut segment is compared with both its ends and each edge. When the
// segment crosses the triangle it also passes within its slope times its length of an end or an
// edge, so the result is exact up to ray_parallel_tolerance times that length.
double near_parallel_distance(const Ray<3>& ray, const Triangle<3>& triangle) {
  double reach = -std::numeric_limits<double>::infinity();
  for (const auto& vertex : triangle.vertices) {
    reach = std::max(reach, Vector<3>{ray.origin, vertex}.dot(ray.direction));
  }
  if (reach < -global_epsilon) return std::numeric_limits<double>::infinity();
  const Segment<3> cut{ray.origin, ray.point_at(std::max(reach, 0.) + global_epsilon)};
  double distance = std::min(std::get<0>(point_triangle_distance(cut.p0, triangle)),
                             std::get<0>(point_triangle_distance(cut.p1, triangle)));
  const auto& v = triangle.vertices;
  for (local_index_t e = 0; e < 3; ++e) {
    distance = std::min(distance, segment_segment_distance(cut, Segment<3>{v[e], v[(e + 1) % 3]}));
  }
  return distance;
}

}  // namespace

RayTriangleIntersection ray_triangle_intersection(const Ray<3>& ray, const Triangle<3>& triangle) {
  RayTriangleIntersection result;
  result.point = ray.origin;
  const auto normal = triangle_normal(triangle);
  if (!normal) {
    result.status = RayTriangleStatus::degenerate;
    return result;
  }
  const auto& v = triangle.vertices;
  const double origin_height = normal->dot(Vector<3>{v[0], ray.origin});
  if (std::fabs(origin_height) <= global_epsilon &&
      std::get<0>(point_triangle_distance(ray.origin, triangle)) <= global_epsilon) {
    result.status = RayTriangleStatus::near_origin;
    return result;
  }

  const double cosine = normal->dot(ray.direction);
  if (std::fabs(cosine) <= ray_parallel_tolerance) {
    result.status = near_parallel_distance(ray, triangle) <= global_epsilon
                        ? RayTriangleStatus::near_parallel
                        : RayTriangleStatus::none;
    return result;
  }

  const double t = -origin_height / cosine;
  if (t < 0.) {
    result.status = RayTriangleStatus::none;
    return result;
  }
  const auto hit = ray.point_at(t);

  // Signed distances from the hit to each edge's line, inside the plane, positive towards the
  // interior. Every edge of a non-degenerate triangle is longer than global_epsilon.
  double closest_edge = std::numeric_limits<double>::infinity();
  for (local_index_t e = 0; e < 3; ++e) {
    const Vector<3> edge{v[e], v[(e + 1) % 3]};
    const double inside = edge.cross(Vector<3>{v[e], hit}).dot(*normal) / edge.length();
    closest_edge = std::min(closest_edge, inside);
  }
  if (closest_edge > global_epsilon) {
    result.status = RayTriangleStatus::crossing;
  } else if (closest_edge < -global_epsilon) {
    // Farther than global_epsilon outside one edge's line, hence from the whole triangle.
    result.status = RayTriangleStatus::none;
  } else if (closest_edge >= 0. ||
             std::get<0>(point_triangle_distance(hit, triangle)) <= global_epsilon) {
    // Inside, within global_epsilon of an edge; or outside but within global_epsilon of the
    // triangle (outside several edge lines near a vertex needs the true distance).
    result.status = RayTriangleStatus::near_boundary;
  } else {
    result.status = RayTriangleStatus::none;
  }
  if (result.status == RayTriangleStatus::crossing ||
      result.status == RayTriangleStatus::near_boundary) {
    result.distance = t;
    result.point = hit;
  }
  return result;
}

}  // namespace veyra
