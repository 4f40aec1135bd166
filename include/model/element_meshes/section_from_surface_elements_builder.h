// SPDX-License-Identifier: MIT
// SectionFromSurfaceElementsBuilder and convert_surface_elements_into_section: a Section from ONE
// 2D surface mesh whose vertices are declared corners and whose edges are declared line edges.
#pragma once

#include <absl/types/span.h>
#include <model/common/mappings.h>
#include <model/element_meshes/wireframe_builder_from_one_mesh.h>
#include <ostrel/basic/generic_mapping.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/model/section.h>

#include <memory>
#include <tuple>
#include <utility>

namespace veyra {
namespace detail {

/// Builds a Section from a surface mesh: the declared corners, lines along the declared line
/// edges and along the mesh border, and one surface per region of polygons bounded by those
/// lines. Corners also appear where line edges meet in other than two (the default corner rule).
/// A declared line made of one inner edge whose ends touch no other line is split at its middle,
/// which needs a mesh made of triangles.
///
/// The mesh is changed: its edge table is enabled, and polygon adjacencies are unset across the
/// declared line edges. The section must be empty; it and the mesh must outlive the builder.
class SectionFromSurfaceElementsBuilder
    : public WireframeBuilderFromOneMesh<Section, SurfaceMesh<2>> {
 public:
  /// `corner_vertices` are mesh vertex ids, `line_edges` ids in mesh.edges() (enabled here when
  /// they are not).
  SectionFromSurfaceElementsBuilder(Section& section, SurfaceMesh<2>& mesh,
                                    absl::Span<const index_t> corner_vertices,
                                    absl::Span<const index_t> line_edges);
  ~SectionFromSurfaceElementsBuilder() override;

  /// Builds the whole section; call once. Returns the mesh vertex -> unique vertex of the
  /// finished section mapping (vertices no polygon uses have no entry), and the element mapping:
  /// mesh vertex -> corner, mesh edge -> line edges (both halves of a split edge), polygon ->
  /// surface polygons (both halves of a polygon cut by a split).
  /// \throw VeyraConversionModelException (internal) "[border_edges] ...",
  /// "[split_single_edge_lines] ..." or from the wireframe steps; std::bad_optional_access when a
  /// single-edge line must be split and the mesh is not made of triangles.
  std::pair<GenericMapping<index_t>, IndexToModelMeshElementsMapping>
  build_section_with_surface_mesh();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace detail

/// A new Section from the mesh with its vertex and element mappings; see
/// SectionFromSurfaceElementsBuilder. The mesh keeps its enabled edges and the adjacencies cut
/// along the declared line edges.
std::tuple<Section, GenericMapping<index_t>, IndexToModelMeshElementsMapping>
convert_surface_elements_into_section(SurfaceMesh<2>& mesh,
                                      absl::Span<const index_t> corner_vertices,
                                      absl::Span<const index_t> line_edges);

}  // namespace veyra
