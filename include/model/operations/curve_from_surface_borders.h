// SPDX-License-Identifier: MIT
// curve_from_surface_borders: the border of a surface mesh as an edged curve, one curve edge per
// polygon edge without neighbouring polygon.
#pragma once

#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/surface_mesh.h>

#include <memory>

namespace veyra {

/// A new curve (default implementation, points only) with one edge per polygon edge that has no
/// adjacent polygon, from its vertex 0 to its vertex 1 (the polygon's orientation), polygons and
/// edges in ascending order. Only the vertices of those edges remain, each with the point of the
/// surface vertex it comes from. Edges are not merged: an edge joining two polygons whose
/// adjacency is unset gives two curve edges. A closed surface or a surface without polygon gives
/// an empty curve.
template <index_t D>
std::unique_ptr<EdgedCurve<D>> curve_from_surface_borders(const SurfaceMesh<D>& surface);

}  // namespace veyra
