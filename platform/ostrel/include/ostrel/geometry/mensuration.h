// SPDX-License-Identifier: MIT
// Measures of simple shapes: segment lengths, triangle areas and normals, the signed volume of
// a tetrahedron and the normal of a polygon given by its vertices.
#pragma once

#include <absl/types/span.h>
#include <ostrel/geometry/basic_objects.h>

#include <optional>

namespace veyra {

/// ((v1 - v0) x (v2 - v0)) . (v3 - v0) / 6: positive when v3 lies on the side that the
/// right-hand normal of (v0, v1, v2) points to. Never throws; a flat tetrahedron gives about 0.
double tetrahedron_signed_volume(const Tetrahedron& tetrahedron);

/// Absolute value of tetrahedron_signed_volume.
double tetrahedron_volume(const Tetrahedron& tetrahedron);

/// Area of the triangle (never negative).
template <index_t D>
double triangle_area(const Triangle<D>& triangle);

/// Area of a 2D triangle, positive when its vertices turn counter-clockwise.
double triangle_signed_area(const Triangle<2>& triangle);

/// Unit normal of the triangle by the right-hand rule on its vertex order; absent when the
/// triangle is degenerate (see is_triangle_degenerate). Small but valid triangles have a normal.
std::optional<Vector<3>> triangle_normal(const Triangle<3>& triangle);

/// Unit normal of a polygon by the right-hand rule on its vertex order: the direction of the
/// sum over k of (v_k - v_0) x (v_{k+1} - v_0). Absent when the polygon is degenerate (see
/// is_polygon_degenerate) or when that sum vanishes (a figure-eight whose two loops cancel).
std::optional<Vector<3>> polygon_normal(absl::Span<const Point<3>> vertices);

}  // namespace veyra
