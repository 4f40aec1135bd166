// SPDX-License-Identifier: MIT
// BRepFromSolidElementsBuilder and convert_solid_elements_into_brep: a BRep from ONE solid mesh
// whose vertices are declared corners, whose edges are declared line edges and whose facets are
// declared surface facets, with or without block meshes.
#pragma once

#include <absl/types/span.h>
#include <model/common/mappings.h>
#include <model/element_meshes/wireframe_builder_from_one_mesh.h>
#include <ostrel/basic/generic_mapping.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/model/brep.h>

#include <memory>
#include <tuple>
#include <utility>

namespace veyra {
namespace detail {

/// Builds a BRep from a solid mesh and three lists of its elements: vertices that are corners,
/// edges (ids in solid.edges()) that are line edges and facets (ids in solid.facets()) that are
/// surface facets.
///
/// The lines are completed from the surface facets: an edge of exactly one surface facet (a free
/// surface border) or of three or more (where surfaces meet) is a line edge. A line vertex is a
/// corner when it is declared, when other than two line edges meet there, or when the number of
/// surface facets changes from one of its line edges to the other. Each group of surface facets
/// connected across edges that are no line edges becomes one surface.
///
/// Blocks come either from the surfaces alone, without mesh (build_brep_without_block_mesh), or
/// from the polyhedra cut apart along the surface facets, one block per connected set, whose mesh
/// copies those polyhedra (build_brep_with_block_mesh). In the latter case the outer skin of the
/// solid is always a surface, and a tetrahedral solid is repaired on a copy so that the block
/// meshes stay conformal with the surfaces (see build_brep_with_block_mesh).
///
/// The solid is changed: its edge and facet tables are enabled and, except for a tetrahedral
/// solid built with block meshes, its polyhedron adjacencies are unset across the surface
/// facets. The BRep must be empty; it and the solid must outlive the builder. Call one build
/// operation, once. Not copyable.
class BRepFromSolidElementsBuilder : public WireframeBuilderFromOneMesh<BRep, SolidMesh<3>> {
 public:
  /// The lists may hold duplicates and come in any order. Every id must name an element of the
  /// solid (vertex, edge of solid.edges(), facet of solid.facets(); the tables are enabled here).
  /// \throw VeyraConversionModelException (input, null data) for an id beyond its count: see
  /// add_corner_vertices and add_line_edges; "[BRepFromSolidElementsBuilder] Surface facet <id>
  /// is out of range (the mesh has <n> facets)"; and the base's errors for a model that is not
  /// empty, a vertex that is not at a finite position or a polyhedron that repeats a vertex.
  BRepFromSolidElementsBuilder(BRep& brep, SolidMesh<3>& solid,
                               absl::Span<const index_t> corner_vertices,
                               absl::Span<const index_t> line_edges,
                               absl::Span<const index_t> surface_facets);
  ~BRepFromSolidElementsBuilder() override;

  /// Corners, lines and surfaces from the lists (only the given facets are surface facets), then
  /// blocks without mesh bounded by the surfaces, and the model boundary. Returns the solid
  /// vertex -> unique vertex mapping (vertices of no component have no entry) and the element
  /// mapping: solid vertex -> corner, solid edge -> line edges, solid facet -> surface polygons.
  std::pair<GenericMapping<index_t>, IndexToModelMeshElementsMapping>
  build_brep_without_block_mesh();

  /// Corners, lines and surfaces from the lists plus the border facets of the solid, then one
  /// block per set of polyhedra connected across facets that are no surface facets, whose mesh
  /// copies them, with its relationships; a corner is added where two surfaces touch at an inner
  /// vertex of both, and the model boundary is built. The element mapping also maps each solid
  /// polyhedron to the block polyhedra that cover it.
  ///
  /// On a tetrahedral solid (its implementation is the default TetrahedralSolid3D one) the
  /// block meshes come from a tetrahedral copy of the solid, which is split like the surfaces:
  /// at the middle of single-edge lines inside a surface, at the barycenter of a surface triangle
  /// whose three edges are free surface borders, and at the middle of a surface edge joining two
  /// points of a free border of its surface across the surface. Other solids are used as they
  /// are, with a warning that the result may not be valid.
  /// \throw VeyraConversionModelException (input, null data) "[BRepFromSolidElementsBuilder::
  /// build_brep_with_block_mesh] Polyhedron <p> of the input solid is inverted (volume <v>)" for
  /// the first polyhedron of negative volume, before anything is built.
  std::pair<GenericMapping<index_t>, IndexToBRepMeshElementsMapping> build_brep_with_block_mesh();

  /// A declared corner vertex, a wireframe vertex with other than two line edges, or one whose
  /// two line edges are edges of different numbers of surface facets.
  /// \throw VeyraConversionModelException (internal, data: the vertex's point) when a line edge
  /// has no solid edge between its ends.
  bool is_corner(index_t wireframe_vertex) const override;

 private:
  // The line edges completed from the surface facet counts, the wireframe, corners and lines,
  // and their element mapping.
  void build_corners_and_lines();

  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace detail

/// A new BRep with block meshes from the solid and the three lists, with its vertex and element
/// mappings; see BRepFromSolidElementsBuilder::build_brep_with_block_mesh.
std::tuple<BRep, GenericMapping<index_t>, IndexToBRepMeshElementsMapping>
convert_solid_elements_into_brep(SolidMesh<3>& solid, absl::Span<const index_t> corner_vertices,
                                 absl::Span<const index_t> line_edges,
                                 absl::Span<const index_t> surface_facets);

}  // namespace veyra
