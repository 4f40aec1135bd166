// SPDX-License-Identifier: MIT
#include <ostrel/geometry/degeneration.h>
#include <ostrel/geometry/distance.h>
#include <ostrel/geometry/mensuration.h>
#include <ostrel/geometry/orientation.h>

namespace veyra {
namespace {

Side sign_of(double value) {
  return value > 0. ? Side::positive : Side::negative;
}

}  // namespace

Side point_side_to_line(const Point<2>& point, const Segment<2>& line) {
  if (is_segment_degenerate(line)) return Side::zero;
  if (point_line_distance(point, line) <= global_epsilon) return Side::zero;
  return sign_of(dot_perpendicular(line.direction(), Vector<2>{line.p0, point}));
}

Side triangle_orientation(const Triangle<2>& triangle) {
  if (is_triangle_degenerate(triangle)) return Side::zero;
  return sign_of(triangle_signed_area(triangle));
}

Side point_side_to_plane(const Point<3>& point, const Triangle<3>& triangle) {
  const auto normal = triangle_normal(triangle);
  if (!normal) return Side::zero;
  const double height = normal->dot(Vector<3>{triangle.vertices[0], point});
  if (std::fabs(height) <= global_epsilon) return Side::zero;
  return sign_of(height);
}

}  // namespace veyra
