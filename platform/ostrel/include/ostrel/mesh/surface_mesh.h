// SPDX-License-Identifier: MIT
// SurfaceMesh<D>: polygons over vertices with positions, with per-edge adjacency, vertex fans,
// geometric measures and an optional edge table. The polygonal and triangulated surfaces are
// its two kinds; SurfaceMesh<D>::create() makes a polygonal surface.
//
// Storage is flat: polygon vertices and adjacencies live in arrays indexed by corner (polygon
// offset + local index), and each vertex keeps the list of corners that use it, so fans, borders
// and edge lookups cost the valence of a vertex. Const queries never write.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include <absl/types/span.h>

#include <ostrel/geometry/vector.h>
#include <ostrel/mesh/element_references.h>
#include <ostrel/mesh/geometric_mesh.h>

namespace veyra {

template <index_t D>
class SurfaceEdges;

template <index_t D>
class SurfaceMesh : public GeometricMesh<D> {
 public:
  ~SurfaceMesh() override;

  /// A PolygonalSurface<D> of the default implementation.
  static std::unique_ptr<SurfaceMesh> create();
  static std::unique_ptr<SurfaceMesh> create(const MeshImpl& impl);
  /// Same implementation, vertices, polygons, adjacencies, incidence orders, enabled edges with
  /// their ids, attributes and name; a fresh id.
  std::unique_ptr<SurfaceMesh> clone() const;

  index_t nb_polygons() const;
  /// Also the number of polygon edges.
  local_index_t nb_polygon_vertices(index_t polygon) const;
  local_index_t nb_polygon_edges(index_t polygon) const { return nb_polygon_vertices(polygon); }
  index_t polygon_vertex(const PolygonVertex& polygon_vertex) const;
  PolygonVertices polygon_vertices(index_t polygon) const;
  /// First position of the vertex in the polygon.
  std::optional<local_index_t> vertex_in_polygon(index_t polygon, index_t vertex) const;
  /// End 0: vertex k of the polygon, end 1: vertex k + 1.
  index_t polygon_edge_vertex(const PolygonEdge& polygon_edge, local_index_t end) const;
  std::array<index_t, 2> polygon_edge_vertices(const PolygonEdge& polygon_edge) const;
  PolygonEdge next_polygon_edge(const PolygonEdge& polygon_edge) const;
  PolygonEdge previous_polygon_edge(const PolygonEdge& polygon_edge) const;
  PolygonVertex next_polygon_vertex(const PolygonVertex& polygon_vertex) const;
  PolygonVertex previous_polygon_vertex(const PolygonVertex& polygon_vertex) const;

  std::optional<index_t> polygon_adjacent(const PolygonEdge& polygon_edge) const;
  /// Edge of the adjacent polygon joining the same two vertices (its first such edge).
  std::optional<PolygonEdge> polygon_adjacent_edge(const PolygonEdge& polygon_edge) const;
  /// No adjacent polygon.
  bool is_edge_on_border(const PolygonEdge& polygon_edge) const;
  /// Border edges of the polygon, in edge order.
  std::vector<PolygonEdge> polygon_edges_on_border(index_t polygon) const;

  /// The vertex's smallest (polygon, local vertex) corner; empty for an isolated vertex.
  std::optional<PolygonVertex> polygon_around_vertex(index_t vertex) const;
  /// The fan of the seed corner, walked through adjacency without relying on the neighbours'
  /// orientation: the seed, then the corners reached leaving the seed across its previous edge,
  /// then (when that walk did not come back to the seed) the corners reached leaving it across
  /// its next edge. Each neighbour is entered across one of its edges at the vertex and left
  /// across its other edge at the vertex. A walk stops at an edge without adjacency, at a
  /// neighbour without the vertex, or at a corner already listed.
  PolygonsAroundVertex polygons_around_vertex(index_t vertex) const;
  /// Some polygon edge at the vertex, over all its corners, has no adjacent polygon. False for an
  /// isolated vertex.
  bool is_vertex_on_border(index_t vertex) const;
  bool is_vertex_isolated(index_t vertex) const final;

  /// The edge going from `from` to `to` in the polygon of smallest index.
  std::optional<PolygonEdge> polygon_edge_from_vertices(index_t from, index_t to) const;
  /// Every polygon edge joining the two vertices in either direction, by polygon then edge.
  /// \throw OstrelMeshException (input) unless exactly two vertices are given.
  std::vector<PolygonEdge> polygons_from_edge_vertices(
      absl::Span<const index_t> two_vertices) const;

  Point<D> polygon_barycenter(index_t polygon) const;
  Point<D> polygon_edge_barycenter(const PolygonEdge& polygon_edge) const;
  /// Area enclosed by the polygon: half the norm of the sum of the fan cross products.
  double polygon_area(index_t polygon) const;
  /// Every vertex lies within global_epsilon of the line through the two farthest-apart ones.
  bool is_polygon_degenerated(index_t polygon) const;
  /// Unit Newell normal (right-hand rule); empty for degenerate polygons.
  std::optional<Vector<3>> polygon_normal(index_t polygon) const
    requires(D == 3);

  bool are_edges_enabled() const;
  /// Builds the edge table (ids by first appearance: polygons in order, edges in local order);
  /// builders keep it up to date afterwards. No-op when enabled.
  void enable_edges();
  void disable_edges();
  /// \throw OstrelMeshException (internal) when edges are not enabled.
  const SurfaceEdges<D>& edges() const;

  AttributeManager& polygon_attribute_manager() const;

 protected:
  SurfaceMesh();

  void copy_surface_mesh(const SurfaceMesh& other);

  void resize_vertex_storage(index_t nb_vertices) override;
  void renumber_vertex_storage(absl::Span<const index_t> old2new, index_t nb_vertices) override;

 private:
  friend struct internal::MeshAccess;

  class Impl;
  std::unique_ptr<Impl> impl_;
};

using SurfaceMesh2D = SurfaceMesh<2>;
using SurfaceMesh3D = SurfaceMesh<3>;

}  // namespace veyra
