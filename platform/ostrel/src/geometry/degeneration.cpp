// SPDX-License-Identifier: MIT
#include <ostrel/geometry/degeneration.h>
#include <ostrel/geometry/distance.h>

namespace veyra {

template <index_t D>
bool is_segment_degenerate(const Segment<D>& segment) {
  return point_point_distance2(segment.p0, segment.p1) <= global_epsilon2;
}

template <index_t D>
bool is_polygon_degenerate(absl::Span<const Point<D>> vertices) {
  if (vertices.size() < 3) return true;
  // The farthest-apart pair spans the line a flat polygon lies along: any other pair could be
  // short and give a badly conditioned line.
  std::size_t first = 0;
  std::size_t second = 1;
  double largest2 = -1.;
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    for (std::size_t j = i + 1; j < vertices.size(); ++j) {
      const double distance2 = point_point_distance2(vertices[i], vertices[j]);
      if (distance2 > largest2) {
        largest2 = distance2;
        first = i;
        second = j;
      }
    }
  }
  if (largest2 <= global_epsilon2) return true;
  const Segment<D> line{vertices[first], vertices[second]};
  for (const auto& vertex : vertices) {
    if (point_line_distance(vertex, line) > global_epsilon) return false;
  }
  return true;
}

template <index_t D>
bool is_triangle_degenerate(const Triangle<D>& triangle) {
  return is_polygon_degenerate<D>(triangle.vertices);
}

bool is_tetrahedron_degenerate(const Tetrahedron& tetrahedron) {
  const auto& v = tetrahedron.vertices;
  for (local_index_t f = 0; f < 4; ++f) {
    const auto& facet = Tetrahedron::facet_vertices[f];
    const Triangle<3> triangle{v[facet[0]], v[facet[1]], v[facet[2]]};
    if (is_triangle_degenerate(triangle)) return true;
    const auto normal = Vector<3>{triangle.vertices[0], triangle.vertices[1]}.cross(
        Vector<3>{triangle.vertices[0], triangle.vertices[2]});
    const double height =
        std::fabs(normal.dot(Vector<3>{triangle.vertices[0], v[f]})) / normal.length();
    if (height <= global_epsilon) return true;
  }
  return false;
}

template bool is_segment_degenerate(const Segment<2>&);
template bool is_segment_degenerate(const Segment<3>&);
template bool is_polygon_degenerate(absl::Span<const Point<2>>);
template bool is_polygon_degenerate(absl::Span<const Point<3>>);
template bool is_triangle_degenerate(const Triangle<2>&);
template bool is_triangle_degenerate(const Triangle<3>&);

}  // namespace veyra
