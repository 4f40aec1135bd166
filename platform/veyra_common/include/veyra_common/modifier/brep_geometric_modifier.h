// SPDX-License-Identifier: MIT
// BRepGeometricModifier: inserts points on the edges and inside the triangles of a BRep, in every
// line, surface and tetrahedral block mesh that holds the split element, keeping the model valid
// (every new mesh vertex tied to the new unique vertex) and the meshes conformal. Replaced elements
// stay, inactive, until clean() removes them and reports the renumberings.
#pragma once

#include <memory>
#include <vector>

#include <ostrel/basic/linked_hash_map.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/geometry/point.h>
#include <ostrel/mesh/element_references.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>

#include <veyra_common/modifier/split_records.h>

namespace veyra {

class BRepGeometricModifier {
 public:
  using LineEdgeSplit = veyra::LineEdgeSplit;
  using PolygonSplit = veyra::PolygonSplit;
  using PolyhedronSplit = veyra::PolyhedronSplit;
  using ComponentRenumbering = veyra::ComponentRenumbering;

  /// What one split did, components in model order and splits in element order.
  struct BRepSplitPolygonEdgeInfo {
    /// The new point's unique vertex.
    index_t unique_vertex{NO_ID};
    linked_hash_map<uuid, std::vector<LineEdgeSplit>> lines;
    linked_hash_map<uuid, std::vector<PolygonSplit>> surfaces;
    /// Tetrahedral block meshes only.
    linked_hash_map<uuid, std::vector<PolyhedronSplit>> blocks;
  };
  /// Its `lines` are always empty.
  using BRepSplitTriangleInfo = BRepSplitPolygonEdgeInfo;

  struct BRepCleanInfo {
    /// Old-to-new over the unique vertices at clean time: clean() deletes none, so the identity.
    std::vector<index_t> unique_vertices;
    /// Only the components that had replaced elements, in model order.
    linked_hash_map<uuid, ComponentRenumbering> lines;
    linked_hash_map<uuid, ComponentRenumbering> surfaces;
    linked_hash_map<uuid, ComponentRenumbering> blocks;
  };

  BRepGeometricModifier(BRep& model, BRepBuilder& builder);
  ~BRepGeometricModifier();
  BRepGeometricModifier(const BRepGeometricModifier&) = delete;
  BRepGeometricModifier& operator=(const BRepGeometricModifier&) = delete;

  /// Creates one unique vertex at `point` and splits every active line edge, polygon edge and
  /// tetrahedral block edge whose ends are tied to the unique vertices of the line edge, with
  /// one new mesh vertex per component and mesh vertex pair. A non-tetrahedral block mesh holding
  /// the edge is left as it is, with a warning.
  /// \throw OstrelModelException (input) for a line of another model, an edge out of range, an
  /// end without unique vertex or a point that is not finite.
  BRepSplitPolygonEdgeInfo split_edge(const Line<3>& line, index_t edge, const Point<3>& point);
  /// The same for the unique vertices of a polygon edge (its polygon may already be replaced).
  BRepSplitPolygonEdgeInfo split_edge(const Surface<3>& surface, const PolygonEdge& edge,
                                      const Point<3>& point);
  /// Creates one unique vertex at `point` and splits every active triangle, in any surface, and
  /// every facet of the active tetrahedra of tetrahedral blocks, whose vertices are tied to the
  /// unique vertices of the triangle: triangles into three around the point, tetrahedra into
  /// three on each side of the facet.
  /// \throw OstrelModelException (input) as split_edge, or when the polygon is not a triangle.
  BRepSplitTriangleInfo split_triangle(const Surface<3>& surface, index_t triangle,
                                       const Point<3>& point);
  /// False only for the polygons replaced since the last clean.
  bool is_triangle_active(const Surface<3>& surface, index_t polygon) const;
  /// Deletes the replaced elements, then the edge and facet table entries left unused; never
  /// deletes a mesh vertex or a unique vertex.
  BRepCleanInfo clean();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
