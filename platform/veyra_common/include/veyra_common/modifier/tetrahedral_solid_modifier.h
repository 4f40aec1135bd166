// SPDX-License-Identifier: MIT
// TetrahedralSolidModifier: inserts points on the edges and facets of a tetrahedral solid, keeping
// it conformal. Each split appends exactly one vertex and reports its new tetrahedra, facet table
// entries and edge table entries with their parents. Replaced tetrahedra stay, inactive, until
// clean(), which deletes them but keeps every edge and facet table id.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include <ostrel/geometry/point.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/tetrahedral_solid_builder.h>

namespace veyra {

class TetrahedralSolidModifier {
 public:
  struct SplitInfo {
    index_t new_vertex{NO_ID};
    /// (new tetrahedron, the tetrahedron it replaces), in creation order.
    std::vector<std::pair<index_t, index_t>> polyhedra;
    /// (new facet table entry, the entry it lies in or NO_ID when it cuts through a tetrahedron).
    std::vector<std::pair<index_t, index_t>> facets;
    /// (new edge table entry, the entry it lies on or NO_ID).
    std::vector<std::pair<index_t, index_t>> edges;
  };

  /// Old-to-new indices. Vertices: the identity. Polyhedra: compacted, NO_ID for the replaced
  /// ones. Edges and facets: ids are kept; an entry no remaining tetrahedron uses is NO_ID (it
  /// stays in the table, isolated), every other entry maps to itself.
  struct CleanInfo {
    std::vector<index_t> vertices;
    std::vector<index_t> edges;
    std::vector<index_t> facets;
    std::vector<index_t> polyhedra;
  };

  /// Enables the solid's edge and facet tables when they are not.
  TetrahedralSolidModifier(TetrahedralSolid<3>& solid, TetrahedralSolidBuilder<3>& builder);
  ~TetrahedralSolidModifier();
  TetrahedralSolidModifier(const TetrahedralSolidModifier&) = delete;
  TetrahedralSolidModifier& operator=(const TetrahedralSolidModifier&) = delete;

  /// Appends a vertex at `point` and splits every active tetrahedron holding the two vertices of
  /// edge table entry `edge` in two: first the copy with the larger vertex replaced by the new
  /// one, then the copy with the smaller one replaced. The entry may be unused by now.
  /// \throw OstrelMeshException (input) for an edge out of range or a point that is not finite.
  SplitInfo split_edge(index_t edge, const Point<3>& point);
  /// Appends a vertex at `point` and splits every active tetrahedron holding the three vertices
  /// of facet table entry `facet` in three, the copies replacing the facet's vertices in turn.
  /// \throw OstrelMeshException (input) for a facet out of range or not triangular, or a point
  /// that is not finite.
  SplitInfo split_facet(index_t facet, const Point<3>& point);
  /// False only for the tetrahedra replaced since the last clean.
  bool is_polyhedron_active(index_t polyhedron) const;
  /// Deletes the replaced tetrahedra; never deletes a vertex or a table entry.
  CleanInfo clean();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
