// SPDX-License-Identifier: MIT
// SolidMesh<D>: polyhedra over vertices with positions, with per-facet adjacency, vertex
// incidences, geometric measures and optional edge and facet tables. The polyhedral and
// tetrahedral solids are its two kinds (3D only); SolidMesh<3>::create() makes a polyhedral solid.
//
// Storage is flat: polyhedron vertices live in one array indexed by corner (polyhedron offset +
// local vertex), facet adjacencies in one array indexed by facet slot (polyhedron facet offset +
// local facet), and each vertex keeps the sorted list of corners that use it, so queries around a
// vertex cost its valence. Const queries never write, so concurrent reads are safe.
#pragma once

#include <absl/types/span.h>
#include <ostrel/mesh/element_references.h>
#include <ostrel/mesh/geometric_mesh.h>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace veyra {

template <index_t D>
class SolidEdges;
template <index_t D>
class SolidFacets;

template <index_t D>
class SolidMesh : public GeometricMesh<D> {
 public:
  ~SolidMesh() override;

  /// A PolyhedralSolid<D> of the default implementation.
  static std::unique_ptr<SolidMesh> create();
  static std::unique_ptr<SolidMesh> create(const MeshImpl& impl);
  /// Same implementation, vertices, polyhedra, adjacencies, incidence orders, enabled edge and
  /// facet tables with their ids, attributes and name; a fresh id.
  std::unique_ptr<SolidMesh> clone() const;

  index_t nb_polyhedra() const;
  local_index_t nb_polyhedron_vertices(index_t polyhedron) const;
  local_index_t nb_polyhedron_facets(index_t polyhedron) const;
  local_index_t nb_polyhedron_facet_vertices(const PolyhedronFacet& polyhedron_facet) const;
  index_t polyhedron_vertex(const PolyhedronVertex& polyhedron_vertex) const;
  PolyhedronVertices polyhedron_vertices(index_t polyhedron) const;
  /// Mesh vertex at a position of a facet's local order.
  index_t polyhedron_facet_vertex(const PolyhedronFacetVertex& facet_vertex) const;
  /// The same position as a corner of the polyhedron.
  PolyhedronVertex polyhedron_facet_vertex_id(const PolyhedronFacetVertex& facet_vertex) const;
  /// Mesh vertices of the facet, in the facet's local order.
  PolyhedronFacetVertices polyhedron_facet_vertices(const PolyhedronFacet& polyhedron_facet) const;
  /// First position of the vertex in the polyhedron.
  std::optional<local_index_t> vertex_in_polyhedron(index_t polyhedron, index_t vertex) const;

  std::optional<index_t> polyhedron_adjacent(const PolyhedronFacet& polyhedron_facet) const;
  /// Facet of the adjacent polyhedron with the same vertex set (its first such facet).
  std::optional<PolyhedronFacet> polyhedron_adjacent_facet(
      const PolyhedronFacet& polyhedron_facet) const;
  /// No adjacent polyhedron.
  bool is_polyhedron_facet_on_border(const PolyhedronFacet& polyhedron_facet) const;
  /// Border facets of the polyhedron, in local order.
  std::vector<PolyhedronFacet> polyhedron_facets_on_border(index_t polyhedron) const;

  /// The vertex's smallest (polyhedron, local vertex) corner; empty for an isolated vertex.
  std::optional<PolyhedronVertex> polyhedron_around_vertex(index_t vertex) const;
  /// Breadth-first walk from the seed corner through the adjacencies of the facets that contain
  /// the vertex: the seed first, then each polyhedron once, at its first position of the vertex.
  /// Corners the walk cannot reach (another fan of a non-manifold vertex) are not listed.
  PolyhedraAroundVertex polyhedra_around_vertex(index_t vertex) const;
  bool is_vertex_isolated(index_t vertex) const final;

  /// The facet with the same vertex set (given in any order) in the polyhedron of smallest
  /// index (its first such facet).
  std::optional<PolyhedronFacet> polyhedron_facet_from_vertices(
      absl::Span<const index_t> vertices) const;
  /// Polyhedra with a facet edge joining the two vertices, ascending.
  std::vector<index_t> polyhedra_around_edge(const std::array<index_t, 2>& vertices) const;

  Point<D> polyhedron_barycenter(index_t polyhedron) const;
  /// Signed volume through the facets, positive when they face outwards; for a tetrahedron,
  /// the signed volume of its four vertices in order.
  double polyhedron_volume(index_t polyhedron) const;
  /// Mean of the vertices' points.
  Point<D> facet_barycenter(absl::Span<const index_t> vertices) const;
  Point<D> polyhedron_facet_barycenter(const PolyhedronFacet& polyhedron_facet) const;

  bool are_edges_enabled() const;
  /// Builds the edge table (ids by first appearance: polyhedra in order, facets in local order,
  /// facet edges in order); builders keep it up to date afterwards. No-op when enabled.
  void enable_edges();
  void disable_edges();
  /// \throw OstrelMeshException (internal) when edges are not enabled.
  const SolidEdges<D>& edges() const;

  bool are_facets_enabled() const;
  /// Builds the facet table (ids by first appearance: polyhedra in order, facets in local
  /// order); builders keep it up to date afterwards. No-op when enabled.
  void enable_facets();
  void disable_facets();
  /// \throw OstrelMeshException (internal) when facets are not enabled.
  const SolidFacets<D>& facets() const;

  AttributeManager& polyhedron_attribute_manager() const;

 protected:
  SolidMesh();

  void copy_solid_mesh(const SolidMesh& other);

  void resize_vertex_storage(index_t nb_vertices) override;
  void renumber_vertex_storage(absl::Span<const index_t> old2new, index_t nb_vertices) override;

 private:
  friend struct internal::MeshAccess;

  class Impl;
  std::unique_ptr<Impl> impl_;
};

using SolidMesh3D = SolidMesh<3>;

}  // namespace veyra
