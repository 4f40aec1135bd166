// SPDX-License-Identifier: MIT
// Degeneracy tests of segments, triangles, polygons and tetrahedra, all with the absolute
// tolerance global_epsilon and "<=".
#pragma once

#include <absl/types/span.h>
#include <ostrel/geometry/basic_objects.h>

namespace veyra {

/// The segment is at most global_epsilon long.
template <index_t D>
bool is_segment_degenerate(const Segment<D>& segment);

/// Every vertex lies within global_epsilon of the straight line through the two vertices that
/// are farthest apart (first such pair in vertex order); all vertices coincident included. An
/// empty list, one vertex or two vertices are degenerate.
template <index_t D>
bool is_polygon_degenerate(absl::Span<const Point<D>> vertices);

/// is_polygon_degenerate of the three vertices.
template <index_t D>
bool is_triangle_degenerate(const Triangle<D>& triangle);

/// One facet (three vertices) is a degenerate triangle, or one vertex lies within
/// global_epsilon of the plane of the other three.
bool is_tetrahedron_degenerate(const Tetrahedron& tetrahedron);

}  // namespace veyra
