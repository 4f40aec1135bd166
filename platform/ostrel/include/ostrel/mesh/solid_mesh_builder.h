// SPDX-License-Identifier: MIT
// SolidMeshBuilder<D>: creates, changes and deletes the polyhedra of a solid mesh, keeping its
// vertex incidences, polyhedron attributes and enabled edge and facet tables up to date.
#pragma once

#include <absl/types/span.h>
#include <ostrel/mesh/geometric_mesh.h>
#include <ostrel/mesh/solid_mesh.h>

#include <memory>
#include <vector>

namespace veyra {

template <index_t D>
class SolidMeshBuilder : public GeometricMeshBuilder<D> {
 public:
  /// The builder registered for the mesh's implementation.
  static std::unique_ptr<SolidMeshBuilder> create(SolidMesh<D>& mesh);

  /// Appends a polyhedron without adjacency; returns its index. `facets` lists each facet as
  /// positions in `vertices`. A tetrahedral solid takes exactly 4 vertices and ignores the
  /// facets (its facets are fixed).
  /// \throw OstrelMeshException (input) for a vertex out of range, fewer than 4 vertices or
  /// facets, a facet with fewer than 3 positions or a position out of range (more than 254 of
  /// anything; other than 4 vertices in a tetrahedral solid).
  index_t create_polyhedron(absl::Span<const index_t> vertices,
                            absl::Span<const std::vector<local_index_t>> facets);
  /// Reserves room for polyhedra, their corners and their facets (4 corners and 4 triangular
  /// facets per polyhedron for the counts left at 0).
  void reserve_polyhedra(index_t nb_polyhedra, index_t nb_corners = 0, index_t nb_facets = 0);
  /// Replaces one corner's vertex; adjacencies stay.
  void set_polyhedron_vertex(const PolyhedronVertex& polyhedron_vertex, index_t vertex);
  /// Writes only this facet's slot (the neighbour's side is left as it is), so distinct
  /// polyhedra may be set from several threads.
  void set_polyhedron_adjacent(const PolyhedronFacet& polyhedron_facet, index_t adjacent);
  void unset_polyhedron_adjacent(const PolyhedronFacet& polyhedron_facet);
  /// Recomputes every adjacency: two facets of two different polyhedra that are the only
  /// facets with their vertex set are linked both ways, whatever their orientations. Every
  /// other facet gets none.
  void compute_polyhedron_adjacencies();
  /// Removes the flagged polyhedra and their attribute values; survivors keep their order,
  /// adjacencies to removed polyhedra are unset and the others renumbered. Vertices and table
  /// entries stay. Returns old-to-new.
  std::vector<index_t> delete_polyhedra(const std::vector<bool>& to_delete);
  /// Removes the vertices no polyhedron uses (and the table entries on them); old-to-new.
  std::vector<index_t> delete_isolated_vertices();
  /// Compacts the edge table, dropping entries no facet edge uses; old-to-new (empty when edges
  /// are not enabled).
  std::vector<index_t> delete_isolated_edges();
  /// Compacts the facet table, dropping entries no polyhedron facet uses; old-to-new (empty
  /// when facets are not enabled).
  std::vector<index_t> delete_isolated_facets();
  /// Kept for compatibility: every corner is always known to its vertex, so this only checks
  /// its arguments.
  void associate_polyhedron_vertex_to_vertex(const PolyhedronVertex& polyhedron_vertex,
                                             index_t vertex);

 protected:
  explicit SolidMeshBuilder(SolidMesh<D>& mesh);

 private:
  SolidMesh<D>& solid_;
};

using SolidMeshBuilder3D = SolidMeshBuilder<3>;

}  // namespace veyra
