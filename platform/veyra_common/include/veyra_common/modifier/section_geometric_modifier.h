// SPDX-License-Identifier: MIT
// SectionGeometricModifier: inserts points on the edges of a Section, in every line and surface
// mesh that holds the split edge, keeping the model valid (every new mesh vertex tied to the new
// unique vertex) and the meshes conformal. Replaced elements stay, inactive, until clean() removes
// them and reports the renumberings.
#pragma once

#include <memory>
#include <vector>

#include <ostrel/basic/linked_hash_map.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/geometry/point.h>
#include <ostrel/mesh/element_references.h>
#include <ostrel/model/section.h>
#include <ostrel/model/section_builder.h>

#include <veyra_common/modifier/split_records.h>

namespace veyra {

class SectionGeometricModifier {
 public:
  using LineEdgeSplit = veyra::LineEdgeSplit;
  using PolygonSplit = veyra::PolygonSplit;
  using ComponentRenumbering = veyra::ComponentRenumbering;

  /// What one split did, components in model order and splits in element order.
  struct SectionSplitPolygonEdgeInfo {
    /// The new point's unique vertex.
    index_t unique_vertex{NO_ID};
    linked_hash_map<uuid, std::vector<LineEdgeSplit>> lines;
    linked_hash_map<uuid, std::vector<PolygonSplit>> surfaces;
  };

  struct SectionCleanInfo {
    /// Old-to-new over the unique vertices at clean time: clean() deletes none, so the identity.
    std::vector<index_t> unique_vertices;
    /// Only the components that had replaced elements, in model order.
    linked_hash_map<uuid, ComponentRenumbering> lines;
    linked_hash_map<uuid, ComponentRenumbering> surfaces;
  };

  SectionGeometricModifier(Section& model, SectionBuilder& builder);
  ~SectionGeometricModifier();
  SectionGeometricModifier(const SectionGeometricModifier&) = delete;
  SectionGeometricModifier& operator=(const SectionGeometricModifier&) = delete;

  /// Creates one unique vertex at `point` and splits every active line edge and polygon edge
  /// whose ends are tied to the unique vertices of the line edge, with one new mesh vertex per
  /// component and mesh vertex pair.
  /// \throw OstrelModelException (input) for a line of another model, an edge out of range, an
  /// end without unique vertex or a point that is not finite.
  SectionSplitPolygonEdgeInfo split_edge(const Line<2>& line, index_t edge, const Point<2>& point);
  /// The same for the unique vertices of a polygon edge (its polygon may already be replaced).
  SectionSplitPolygonEdgeInfo split_edge(const Surface<2>& surface, const PolygonEdge& edge,
                                         const Point<2>& point);
  /// False only for the polygons replaced since the last clean.
  bool is_triangle_active(const Surface<2>& surface, index_t polygon) const;
  /// Deletes the replaced elements, then the edge table entries left unused; never deletes a
  /// mesh vertex or a unique vertex.
  SectionCleanInfo clean();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
