// SPDX-License-Identifier: MIT
// SurfaceMeshBuilder<D>: creates, changes and deletes the polygons of a surface mesh, keeping its
// vertex incidences, polygon attributes and enabled edge table up to date.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include <absl/types/span.h>

#include <ostrel/mesh/geometric_mesh.h>
#include <ostrel/mesh/surface_mesh.h>

namespace veyra {

template <index_t D>
class SurfaceMeshBuilder : public GeometricMeshBuilder<D> {
 public:
  /// The builder registered for the mesh's implementation.
  static std::unique_ptr<SurfaceMeshBuilder> create(SurfaceMesh<D>& mesh);

  /// Appends a polygon without adjacency; returns its index.
  /// \throw OstrelMeshException (input) for a vertex out of range or fewer than 3 vertices
  /// (more than 254, or other than 3 in a triangulated surface).
  index_t create_polygon(absl::Span<const index_t> vertices);
  /// Reserves room for polygons and their corners (3 per polygon when nb_corners is 0).
  void reserve_polygons(index_t nb_polygons, index_t nb_corners = 0);
  /// Replaces one corner's vertex; adjacencies stay.
  void set_polygon_vertex(const PolygonVertex& polygon_vertex, index_t vertex);
  /// Writes only this polygon edge's slot (the neighbour's side is left as it is), so distinct
  /// polygons may be set from several threads.
  void set_polygon_adjacent(const PolygonEdge& polygon_edge, index_t adjacent);
  void unset_polygon_adjacent(const PolygonEdge& polygon_edge);
  /// Recomputes every adjacency: two polygon edges of two different polygons that are the only
  /// users of a pair of distinct vertices are linked both ways, whatever their orientations.
  /// Every other polygon edge gets none.
  void compute_polygon_adjacencies();
  /// The same rule for the pairs used by the given polygons, updating both sides.
  void compute_polygon_adjacencies(absl::Span<const index_t> polygons);
  /// Removes the flagged polygons and their attribute values; survivors keep their order,
  /// adjacencies to removed polygons are unset and the others renumbered. Vertices stay.
  /// Returns old-to-new.
  std::vector<index_t> delete_polygons(const std::vector<bool>& to_delete);
  /// Removes the vertices no polygon uses (and the edge table entries on them); old-to-new.
  std::vector<index_t> delete_isolated_vertices();
  /// Compacts the edge table, dropping entries no polygon edge uses; old-to-new (empty when
  /// edges are not enabled).
  std::vector<index_t> delete_isolated_edges();
  /// Kept for compatibility: every corner is always known to its vertex, so this only checks
  /// its arguments.
  void associate_polygon_vertex_to_vertex(const PolygonVertex& polygon_vertex, index_t vertex);
  /// (v0, v1, ..., vn-1) becomes (v0, vn-1, ..., v1); new edge j takes the adjacency of old edge
  /// n - 1 - j. Ids, attributes and edge table stay.
  void reverse_polygon(index_t polygon);

 protected:
  explicit SurfaceMeshBuilder(SurfaceMesh<D>& mesh);

 private:
  SurfaceMesh<D>& surface_;
};

using SurfaceMeshBuilder2D = SurfaceMeshBuilder<2>;
using SurfaceMeshBuilder3D = SurfaceMeshBuilder<3>;

}  // namespace veyra
