// SPDX-License-Identifier: MIT
// Barycentric coordinates that never throw: of a point on a segment, a triangle (2D or 3D) and a
// tetrahedron, with fallbacks to a lower shape when the shape is degenerate.
#pragma once

#include <ostrel/geometry/basic_objects.h>

#include <array>

namespace veyra {

/// Coordinates (w0, w1) of the projection of `point` on the segment's line, summing to 1 and
/// possibly negative outside the segment. A segment of length at most global_epsilon gives
/// (0.5, 0.5).
template <index_t D>
std::array<double, 2> safe_segment_barycentric_coordinates(const Point<D>& point,
                                                           const Segment<D>& segment);

/// Coordinates of the projection of `point` on the triangle's plane (the point itself in 2D),
/// summing to 1 and negative outside the triangle. A degenerate triangle falls back to the
/// segment coordinates on its longest edge (first longest among v0v1, v1v2, v2v0), the third
/// vertex getting 0.
template <index_t D>
std::array<double, 3> safe_triangle_barycentric_coordinates(const Point<D>& point,
                                                            const Triangle<D>& triangle);

/// Coordinates of `point` in the tetrahedron, summing to 1 and negative outside it. A degenerate
/// tetrahedron falls back to the triangle coordinates on its largest facet (first largest in
/// Tetrahedron::facet_vertices order), the opposite vertex getting 0.
std::array<double, 4> safe_tetrahedron_barycentric_coordinates(const Point<3>& point,
                                                               const Tetrahedron& tetrahedron);

}  // namespace veyra
