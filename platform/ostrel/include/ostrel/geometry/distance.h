// SPDX-License-Identifier: MIT
// Euclidean distances between points, segments, lines and triangles, with the closest points
// where callers need them (nearest-element searches).
#pragma once

#include <ostrel/geometry/basic_objects.h>

#include <tuple>

namespace veyra {

/// The point of the segment closest to `point` (p0 for a zero-length segment).
template <index_t D>
Point<D> point_segment_projection(const Point<D>& point, const Segment<D>& segment);

/// Distance from `point` to the segment.
template <index_t D>
double point_segment_distance(const Point<D>& point, const Segment<D>& segment);

/// Distance from `point` to the infinite line through the segment (to p0 when the segment has
/// zero length).
template <index_t D>
double point_line_distance(const Point<D>& point, const Segment<D>& line);

/// Distance from `point` to the triangle (its interior included) and the triangle point that
/// realizes it. In 2D a point inside the triangle is at distance 0 from itself. A triangle
/// without area (collinear or coincident vertices) is measured through its three edges.
template <index_t D>
std::tuple<double, Point<D>> point_triangle_distance(const Point<D>& point,
                                                     const Triangle<D>& triangle);

/// Shortest distance between two segments (0 when they cross or touch).
template <index_t D>
double segment_segment_distance(const Segment<D>& segment0, const Segment<D>& segment1);

}  // namespace veyra
