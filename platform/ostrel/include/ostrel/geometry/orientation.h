// SPDX-License-Identifier: MIT
// Orientation predicates with the global_epsilon tolerance: side of a 2D point with respect to a
// line, orientation of a 2D triangle, side of a 3D point with respect to a triangle's plane.
#pragma once

#include <ostrel/geometry/basic_objects.h>

#include <cstdint>

namespace veyra {

enum struct Side : std::int8_t { negative = -1, zero = 0, positive = 1 };

/// positive when `point` lies left of the directed line p0 -> p1 (counter-clockwise turn),
/// negative on its right, zero within global_epsilon of the line or when the segment is
/// degenerate.
Side point_side_to_line(const Point<2>& point, const Segment<2>& line);

/// positive for counter-clockwise vertices, negative for clockwise ones, zero when the triangle
/// is degenerate.
Side triangle_orientation(const Triangle<2>& triangle);

/// positive on the side the triangle's right-hand normal points to, negative on the other side,
/// zero within global_epsilon of the plane or when the triangle is degenerate.
Side point_side_to_plane(const Point<3>& point, const Triangle<3>& triangle);

}  // namespace veyra
