// SPDX-License-Identifier: MIT
// WireframeBuilderFromOneMesh<Model, Mesh>: the common base of the builders that turn ONE mesh
// (a 2D surface mesh into a Section, a solid into a BRep) into a model, from lists of the mesh's
// vertices that are corners and of its edges that are line edges.
#pragma once

#include <absl/container/flat_hash_map.h>
#include <absl/types/span.h>
#include <model/common/mappings.h>
#include <model/wireframe/corners_lines_builder.h>
#include <ostrel/geometry/point.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/section.h>
#include <veyra_common/modifier/brep_geometric_modifier.h>
#include <veyra_common/modifier/section_geometric_modifier.h>

#include <array>
#include <memory>
#include <type_traits>
#include <vector>

namespace veyra::detail {

/// Builds the corners, lines and surfaces of a model from one input mesh. Instantiated for
/// <Section, SurfaceMesh<2>> and <BRep, SolidMesh<3>>.
///
/// The model's unique vertex i is input-mesh vertex i, for every input vertex: the constructor
/// creates them, and every component mesh vertex the builder makes is tied to the unique vertex of
/// the input vertex it stands for. A derived builder:
///   1. declares corners and line edges (add_corner_vertices, add_line_edges; any number of
///      times, kept sorted and without duplicates);
///   2. runs the base's steps (build_wireframe_step, build_corners_step, build_lines_step): a
///      declared corner becomes a model corner, and lines run along the declared line edges;
///   3. calls update_corner_line_mappings();
///   4. calls build_surfaces() or build_surfaces_without_split() once, with a polygon mesh whose
///      adjacencies are cut along the line edges: each group of polygons still connected becomes
///      one surface;
///   5. reads mappings(): input vertex -> corner, input edge -> line edges, caller's polygon key
///      -> surface polygons.
/// The model and the input mesh must outlive the builder. Not copyable.
template <typename Model, typename Mesh>
class WireframeBuilderFromOneMesh : public CornersLinesBuilder<Model> {
  static_assert((std::is_same_v<Model, Section> && std::is_same_v<Mesh, SurfaceMesh<2>>) ||
                    (std::is_same_v<Model, BRep> && std::is_same_v<Mesh, SolidMesh<3>>),
                "a Section is built from a SurfaceMesh<2>, a BRep from a SolidMesh<3>");

 public:
  static constexpr index_t dimension = Model::dim;
  /// SectionGeometricModifier or BRepGeometricModifier.
  using Modifier =
      std::conditional_t<dimension == 2, SectionGeometricModifier, BRepGeometricModifier>;
  using SplitInfo =
      std::conditional_t<dimension == 2, SectionGeometricModifier::SectionSplitPolygonEdgeInfo,
                         BRepGeometricModifier::BRepSplitPolygonEdgeInfo>;

  /// One single-edge line that build_surfaces() split at its middle.
  struct SplitEdge {
    /// Unique vertices of the ends of the line's only edge, taken before the split.
    std::array<index_t, 2> unique_vertices;
    /// The split position: the barycenter of that edge.
    Point<dimension> point;
    /// What the modifier reported for the split.
    SplitInfo split_info;
  };

  ~WireframeBuilderFromOneMesh() override;

  /// Registers one wireframe corner per declared corner vertex (ascending), then one wireframe
  /// edge per declared line edge (ascending), so that wireframe edge j is line edge j of the list.
  void build_wireframe_step() override;
  /// True for a declared corner vertex, or for a wireframe vertex with other than two edges.
  bool is_corner(index_t wireframe_vertex) const override;

  /// A copy of the element mapping: corners keyed by input vertex, lines by input edge (id in the
  /// input mesh's edge table), surfaces by the keys given to build_surfaces().
  IndexToModelMeshElementsMapping mappings() const;

 protected:
  /// Creates one unique vertex per vertex of `mesh` in `model`, which must have none.
  /// \throw VeyraConversionModelException (input, null data) "[WireframeBuilderFromOneMesh] The
  /// model must be empty, it has <n> unique vertices", or "[WireframeBuilderFromOneMesh] Vertex
  /// <v> of the input mesh is not at a finite position: [<point>]" for a NaN or infinite
  /// coordinate, or "[WireframeBuilderFromOneMesh] <Polygon|Polyhedron> <p> of the input mesh
  /// repeats vertex <v>".
  WireframeBuilderFromOneMesh(Model& model, const Mesh& mesh);

  /// Adds input vertex ids to the corner list (sorted union).
  /// \throw VeyraConversionModelException (input, null data) "[WireframeBuilderFromOneMesh::
  /// add_corner_vertices] Corner vertex <id> is out of range (the mesh has <n> vertices)" for an id
  /// at or beyond the vertex count; the list is then unchanged.
  void add_corner_vertices(absl::Span<const index_t> vertices);
  /// Strictly ascending.
  const std::vector<index_t>& corner_vertices() const;
  /// Adds ids of the input mesh's edge table to the line-edge list (sorted union).
  /// \throw VeyraConversionModelException (input, null data) "[WireframeBuilderFromOneMesh::
  /// add_line_edges] Line edge <id> is out of range (the mesh has <n> edges)" likewise.
  void add_line_edges(absl::Span<const index_t> edges);
  /// Strictly ascending.
  const std::vector<index_t>& line_edges() const;

  /// Records every built corner (input vertex -> (corner, 0)) and every line edge (input edge ->
  /// (line, edge index in the line's mesh)) in the element mapping.
  void update_corner_line_mappings();

  /// Creates one surface per group of `polygon_mesh` polygons connected through adjacency, with
  /// the implementation of `polygon_mesh`: same points, polygons in group order, every vertex
  /// tied to the unique vertex polygon_vertex_to_mesh_vertex.at(vertex), adjacencies recomputed
  /// inside the surface. Polygon i is recorded under polygon_elements[i]. A corner at an inner
  /// vertex of a surface becomes internal to it; a line with polygon border edges of the group on
  /// one side becomes a boundary of the surface, one with both sides in the group an internal
  /// line.
  /// \throw VeyraConversionModelException (internal, data: the edge's barycenter) when a border
  /// edge of a group is no wireframe edge.
  /// \throw std::out_of_range when a polygon-mesh vertex has no entry in the vertex map.
  void build_surfaces_without_split(
      const SurfaceMesh<dimension>& polygon_mesh,
      const absl::flat_hash_map<index_t, index_t>& polygon_vertex_to_mesh_vertex,
      absl::Span<const index_t> polygon_elements);
  /// build_surfaces_without_split(), then splits at its middle, through `modifier`, every line
  /// made of one edge that some surface embeds and whose ends are on no other line. Returns the
  /// splits in line order; the derived builder applies them to its own data and later calls the
  /// modifier's clean().
  std::vector<SplitEdge> build_surfaces(
      const SurfaceMesh<dimension>& polygon_mesh,
      const absl::flat_hash_map<index_t, index_t>& polygon_vertex_to_mesh_vertex,
      absl::Span<const index_t> polygon_elements, Modifier& modifier);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

extern template class WireframeBuilderFromOneMesh<Section, SurfaceMesh<2>>;
extern template class WireframeBuilderFromOneMesh<BRep, SolidMesh<3>>;

}  // namespace veyra::detail
