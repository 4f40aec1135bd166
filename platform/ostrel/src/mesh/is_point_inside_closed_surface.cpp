// SPDX-License-Identifier: MIT
#include <ostrel/mesh/is_point_inside_closed_surface.h>
#include <ostrel/mesh/mesh_aabb_tree.h>

#include <algorithm>
#include <array>
#include <vector>

#include <ostrel/geometry/distance.h>
#include <ostrel/geometry/ray_triangle_intersection.h>
#include <ostrel/mesh/surface_mesh.h>

namespace veyra {
namespace {

template <typename Visitor>
void for_each_fan_triangle(const SurfaceMesh<3>& surface, index_t polygon, Visitor&& visitor) {
  const auto vertices = surface.polygon_vertices(polygon);
  const auto& origin = surface.point(vertices[0]);
  for (std::size_t k = 1; k + 1 < vertices.size(); ++k) {
    visitor(Triangle<3>{origin, surface.point(vertices[k]), surface.point(vertices[k + 1])});
  }
}

/// Number of crossings along the ray, or nothing when a contact is ambiguous.
std::optional<index_t> count_crossings(const Ray<3>& ray,
                                       absl::Span<const SurfaceWithTree> surfaces) {
  std::vector<double> distances;
  bool ambiguous = false;
  for (const auto& entry : surfaces) {
    const auto& surface = entry.surface;
    const auto& tree = entry.tree;
    tree.compute_ray_element_bbox_intersections(ray, [&](index_t polygon) {
      for_each_fan_triangle(surface, polygon, [&](const Triangle<3>& triangle) {
        if (ambiguous) return;
        const auto hit = ray_triangle_intersection(ray, triangle);
        if (hit.is_ambiguous()) {
          ambiguous = true;
        } else if (hit.status == RayTriangleStatus::crossing) {
          distances.push_back(hit.distance);
        }
      });
      return ambiguous;
    });
    if (ambiguous) return std::nullopt;
  }
  std::sort(distances.begin(), distances.end());
  for (std::size_t i = 1; i < distances.size(); ++i) {
    if (distances[i] - distances[i - 1] <= global_epsilon) return std::nullopt;
  }
  return static_cast<index_t>(distances.size());
}

}  // namespace

template <index_t D>
AABBTree<D> create_aabb_tree(const SurfaceMesh<D>& mesh) {
  std::vector<BoundingBox<D>> boxes(mesh.nb_polygons());
  for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
    for (const auto vertex : mesh.polygon_vertices(polygon)) {
      boxes[polygon].add_point(mesh.point(vertex));
    }
  }
  return AABBTree<D>{boxes};
}

template AABBTree<2> create_aabb_tree(const SurfaceMesh<2>&);
template AABBTree<3> create_aabb_tree(const SurfaceMesh<3>&);

const std::array<Vector<3>, 8>& inside_test_ray_directions() {
  // Away from the axes and from each other, so that the grid-aligned configurations of typical
  // meshes (a ray along a face, through an edge) rarely repeat on two of them.
  static const std::array<Vector<3>, 8> directions{
      Vector<3>{{0.8473, 0.3129, 0.4291}}.normalize(),
      Vector<3>{{-0.2713, 0.9021, 0.3357}}.normalize(),
      Vector<3>{{0.3761, -0.2143, 0.9013}}.normalize(),
      Vector<3>{{-0.8219, -0.4377, 0.3641}}.normalize(),
      Vector<3>{{0.1931, -0.8867, -0.4201}}.normalize(),
      Vector<3>{{-0.2311, 0.4723, -0.8507}}.normalize(),
      Vector<3>{{0.6113, 0.5887, -0.5297}}.normalize(),
      Vector<3>{{-0.5701, -0.6299, -0.5273}}.normalize()};
  return directions;
}

bool is_point_inside_closed_surfaces(const Point<3>& point,
                                     absl::Span<const SurfaceWithTree> surfaces) {
  // Only polygons whose box comes within global_epsilon of the point can be that close, so a
  // box query replaces a nearest-element search (which cannot prune from the centre of a
  // sphere, where every polygon is about as far).
  BoundingBox<3> near_point{point, point};
  near_point.extend(global_epsilon);
  bool on_surface = false;
  for (const auto& entry : surfaces) {
    const auto& surface = entry.surface;
    const auto& tree = entry.tree;
    tree.compute_bbox_element_bbox_intersections(near_point, [&](index_t polygon) {
      for_each_fan_triangle(surface, polygon, [&](const Triangle<3>& triangle) {
        on_surface = on_surface || std::get<0>(point_triangle_distance(point, triangle)) <=
                                       global_epsilon;
      });
      return on_surface;
    });
    if (on_surface) break;
  }
  OSTREL_EXCEPTION(OstrelGeometryException, !on_surface,
                   "[is_point_inside_closed_surface] Point is on the surface");
  for (const auto& direction : inside_test_ray_directions()) {
    if (const auto crossings = count_crossings(Ray<3>{point, direction}, surfaces)) {
      return *crossings % 2 == 1;
    }
  }
  throw OstrelGeometryException{
      nullptr, OstrelException::TYPE::internal,
      "[is_point_inside_closed_surface] Cannot determine the point position with confidence"};
}

bool is_point_inside_closed_surface(const Point<3>& point, const SurfaceMesh<3>& surface,
                                    const AABBTree<3>& tree) {
  const SurfaceWithTree pieces[] = {{surface, tree}};
  return is_point_inside_closed_surfaces(point, pieces);
}

}  // namespace veyra
