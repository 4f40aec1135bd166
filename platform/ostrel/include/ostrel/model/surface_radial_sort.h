// SPDX-License-Identifier: MIT
// surface_radial_sort: the surfaces around a line of a BRep in angular order, each with its two
// sides, so that consecutive sides bound the same angular sector around the line.
#pragma once

#include <ostrel/basic/common.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/mesh/element_references.h>
#include <ostrel/model/line.h>

#include <vector>

namespace veyra {

class BRep;

/// One side of a surface polygon along a line. Side false (0) is the front, the side the polygon
/// normal points to (right-hand rule on the vertex order); side true (1) is the back.
struct SidedSurface {
  SidedSurface(uuid id, PolygonEdge polygon_edge, bool side)
      : id(id), polygon_edge(polygon_edge), side(side) {}

  /// Compares the surface id and the side only.
  bool operator==(const SidedSurface& other) const { return id == other.id && side == other.side; }

  uuid id;
  PolygonEdge polygon_edge;
  bool side{false};
};

class SortedSurfaces {
 public:
  /// Number of entries (two per wing).
  index_t nb_surfaces() const { return static_cast<index_t>(surfaces.size()); }
  /// Every position holding the same (id, side), ascending. A surface crossing the line has two
  /// wings, so each of its sides occurs twice.
  std::vector<index_t> find(const SidedSurface& surface) const;
  /// The position that bounds the same angular sector as `position`, across that sector: with
  /// k wings, next(2i + 1) = 2((i + 1) mod k) and next(2i) = 2((i - 1 + k) mod k) + 1. The two
  /// sides of a lone wing are each other's next.
  index_t next(index_t position) const;

  /// Radial order around the line, two entries per wing: position 2i is the side of sorted wing
  /// i facing decreasing angles, 2i + 1 the side facing increasing angles.
  std::vector<SidedSurface> surfaces;
};

/// Sorts the surface polygons around edge 0 of the line. Let (u0, u1) be the unique vertices of
/// that edge, P0 and P1 its points and d the unit vector from P0 to P1.
/// - Wings: each polygon edge of surface_component_mesh_edges(model, {u0, u1}), in that map's
///   order (found through unique vertices, not relations). No wing, or an empty line mesh,
///   gives an empty result.
/// - Angles (two wings or more): r is the component orthogonal to d of the wing's polygon
///   barycenter minus P0 (or, when that is within global_epsilon of zero, of the polygon vertex
///   farthest from the axis); the angle is atan2((r0 x r) . d, r0 . r) in [0, 2 pi), r0 being
///   the first wing's. Wings are sorted by angle; ties keep wing order.
/// - A wing whose polygon edge runs from the vertex on u0 to the vertex on u1 has its front
///   facing increasing angles (counterclockwise about d); otherwise its back does.
/// \throw OstrelGeometryException (internal) "[surface_radial_sort] Cannot sort degenerate
/// polygon around line" when two or more wings meet a degenerate axis or a wing polygon lying on
/// the axis.
SortedSurfaces surface_radial_sort(const BRep& model, const Line<3>& line);

}  // namespace veyra
