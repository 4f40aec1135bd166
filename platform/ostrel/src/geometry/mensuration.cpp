// SPDX-License-Identifier: MIT
#include <ostrel/geometry/degeneration.h>
#include <ostrel/geometry/mensuration.h>

#include <cmath>

namespace veyra {

double tetrahedron_signed_volume(const Tetrahedron& tetrahedron) {
  const auto& v = tetrahedron.vertices;
  return Vector<3>{v[0], v[1]}.cross(Vector<3>{v[0], v[2]}).dot(Vector<3>{v[0], v[3]}) / 6.;
}

double tetrahedron_volume(const Tetrahedron& tetrahedron) {
  return std::fabs(tetrahedron_signed_volume(tetrahedron));
}

double triangle_signed_area(const Triangle<2>& triangle) {
  const auto& v = triangle.vertices;
  return dot_perpendicular(Vector<2>{v[0], v[1]}, Vector<2>{v[0], v[2]}) / 2.;
}

template <index_t D>
double triangle_area(const Triangle<D>& triangle) {
  if constexpr (D == 2) {
    return std::fabs(triangle_signed_area(triangle));
  } else {
    const auto& v = triangle.vertices;
    return Vector<3>{v[0], v[1]}.cross(Vector<3>{v[0], v[2]}).length() / 2.;
  }
}

template double triangle_area(const Triangle<2>&);
template double triangle_area(const Triangle<3>&);

std::optional<Vector<3>> triangle_normal(const Triangle<3>& triangle) {
  return polygon_normal(triangle.vertices);
}

std::optional<Vector<3>> polygon_normal(absl::Span<const Point<3>> vertices) {
  if (is_polygon_degenerate(vertices)) return std::nullopt;
  Vector<3> sum;
  for (std::size_t k = 1; k + 1 < vertices.size(); ++k) {
    sum = sum + Vector<3>{vertices[0], vertices[k]}.cross(Vector<3>{vertices[0], vertices[k + 1]});
  }
  // A non-degenerate triangle has |sum| = base x height > global_epsilon2, so this threshold
  // only rejects polygons whose loops cancel out. The division is written by hand because
  // normalize() refuses lengths up to global_epsilon, which small valid polygons have.
  const double length = sum.length();
  if (!(length > global_epsilon2)) return std::nullopt;
  return sum * (1. / length);
}

}  // namespace veyra
