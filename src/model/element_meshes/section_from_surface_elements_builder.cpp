// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>
#include <model/common/library.h>
#include <model/element_meshes/element_mapping_maintenance.h>
#include <model/element_meshes/section_from_surface_elements_builder.h>
#include <ostrel/mesh/convert_surface_mesh.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/triangulated_surface_builder.h>
#include <ostrel/model/build_model_boundaries.h>
#include <ostrel/model/section_builder.h>
#include <ostrel/model/split_along_surface_mesh_borders.h>
#include <veyra_common/modifier/section_geometric_modifier.h>
#include <veyra_common/modifier/triangulated_surface_modifier.h>

#include <cstdint>
#include <numeric>
#include <vector>

namespace veyra::detail {
namespace {

using Base = WireframeBuilderFromOneMesh<Section, SurfaceMesh<2>>;

// The mesh edges on the border of the mesh, polygon by polygon.
std::vector<index_t> border_edges(const SurfaceMesh<2>& mesh) {
  const auto& edges = mesh.edges();
  std::vector<index_t> border;
  for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
    for (local_index_t local = 0; local < mesh.nb_polygon_edges(polygon); ++local) {
      const PolygonEdge polygon_edge{polygon, local};
      if (!mesh.is_edge_on_border(polygon_edge)) continue;
      const auto vertices = mesh.polygon_edge_vertices(polygon_edge);
      const auto edge = edges.edge_from_vertices(vertices);
      if (!edge) {
        throw_model_exception_at(
            mesh.point(vertices[0]), OstrelException::TYPE::internal,
            "[border_edges] Should have found an edge from surface polygon edge vertices.");
      }
      border.push_back(*edge);
    }
  }
  return border;
}

// Unsets, on both sides, every polygon adjacency across one of the given mesh edges. The polygon
// edges on an edge's two vertices are found from the edge itself, so the cost follows the number
// of given edges rather than the size of the mesh; every adjacent pair across the edge joins the
// same two vertices, so the result is that of a scan of all polygon edges.
void remove_adjacencies_on_edges(SurfaceMesh<2>& mesh, absl::Span<const index_t> edges) {
  if (edges.empty()) return;
  auto builder = SurfaceMeshBuilder<2>::create(mesh);
  const auto& table = mesh.edges();
  for (const auto edge : edges) {
    const auto vertices = table.edge_vertices(edge);
    for (const auto& polygon_edge : mesh.polygons_from_edge_vertices(vertices)) {
      const auto adjacent = mesh.polygon_adjacent_edge(polygon_edge);
      if (!adjacent) continue;
      builder->unset_polygon_adjacent(polygon_edge);
      builder->unset_polygon_adjacent(*adjacent);
    }
  }
}

std::uint64_t ordered_pair_key(const std::array<index_t, 2>& vertices) {
  return (static_cast<std::uint64_t>(vertices[0]) << 32) | vertices[1];
}

// Splits the triangulated copy of the input like the section's single-edge lines were split, and
// records each split in the element mapping: the input edge under the split line edge maps to
// both halves, and the input polygons next to it to both halves of their surface polygons. The
// copy shares the input's vertex numbering, so unique vertex ids are copy vertex ids.
void split_single_edge_lines(TriangulatedSurface<2>& copy, IndexToModelMeshElementsMapping& mapping,
                             absl::Span<const Base::SplitEdge> split_edges,
                             const Section& section) {
  auto builder = TriangulatedSurfaceBuilder<2>::create(copy);
  TriangulatedSurfaceModifier<2> modifier{copy, *builder};
  absl::flat_hash_set<std::uint64_t> handled;
  for (const auto& split : split_edges) {
    const auto& vertices = split.unique_vertices;
    if (handled.contains(ordered_pair_key(vertices))) continue;
    const auto polygon_edge = copy.polygon_edge_from_vertices(vertices[0], vertices[1]);
    if (!polygon_edge) {
      throw_model_exception_at(copy.point(vertices[0]), OstrelException::TYPE::internal,
                               "[split_single_edge_lines] Should have found a polygon edge from "
                               "split edge unique vertices.");
    }
    const auto input_edge = copy.edges().edge_from_vertices(vertices).value();
    modifier.split_edge(*polygon_edge, split.point);
    handled.insert(ordered_pair_key(vertices));
    handled.insert(ordered_pair_key({vertices[1], vertices[0]}));
    internal::record_edge_split(mapping, input_edge, split.split_info, section);
  }
}

}  // namespace

class SectionFromSurfaceElementsBuilder::Impl {
 public:
  Impl(Section& section, SurfaceMesh<2>& mesh)
      : section_(section), builder_(section), mesh_(mesh) {}

  Section& section() { return section_; }
  SectionBuilder& builder() { return builder_; }
  SurfaceMesh<2>& mesh() { return mesh_; }

 private:
  Section& section_;
  SectionBuilder builder_;
  SurfaceMesh<2>& mesh_;
};

SectionFromSurfaceElementsBuilder::SectionFromSurfaceElementsBuilder(
    Section& section, SurfaceMesh<2>& mesh, absl::Span<const index_t> corner_vertices,
    absl::Span<const index_t> line_edges)
    : Base(section, mesh), impl_{std::make_unique<Impl>(section, mesh)} {
  mesh.enable_edges();
  add_corner_vertices(corner_vertices);
  add_line_edges(line_edges);
}

SectionFromSurfaceElementsBuilder::~SectionFromSurfaceElementsBuilder() = default;

std::pair<GenericMapping<index_t>, IndexToModelMeshElementsMapping>
SectionFromSurfaceElementsBuilder::build_section_with_surface_mesh() {
  auto& mesh = impl_->mesh();
  auto& section = impl_->section();
  auto& builder = impl_->builder();
  const auto nb_input_vertices = mesh.nb_vertices();

  const auto border = border_edges(mesh);
  // Only the declared lines have adjacencies to cut: border edges have none.
  remove_adjacencies_on_edges(mesh, line_edges());
  add_line_edges(border);
  build_wireframe_step();
  build_corners_step();
  build_lines_step();
  update_corner_line_mappings();

  // The input mesh is its own polygon mesh: vertex i stands for unique vertex i, polygon i is
  // recorded under key i.
  absl::flat_hash_map<index_t, index_t> identity_vertices;
  identity_vertices.reserve(nb_input_vertices);
  for (index_t vertex = 0; vertex < nb_input_vertices; ++vertex) {
    identity_vertices.emplace(vertex, vertex);
  }
  std::vector<index_t> identity_polygons(mesh.nb_polygons());
  std::iota(identity_polygons.begin(), identity_polygons.end(), index_t{0});
  SectionGeometricModifier modifier{section, builder};
  const auto split_edges = build_surfaces(mesh, identity_vertices, identity_polygons, modifier);
  build_model_boundaries(section, builder);

  if (split_edges.empty()) {
    const auto renumbering = builder.delete_isolated_vertices();
    return {internal::vertex_mapping_from_renumbering(renumbering), mappings()};
  }

  auto mapping = mappings();
  {
    auto copy = convert_surface_mesh_into_triangulated_surface(mesh).value();
    split_single_edge_lines(*copy, mapping, split_edges, section);
  }
  const auto isolated_renumbering = builder.delete_isolated_vertices();
  const auto clean_info = modifier.clean();
  internal::apply_clean(mapping, clean_info);
  SplitAlongSurfaceMeshBorders<Section>{section, builder}.split_all_surfaces();

  // Every input vertex goes through the deletion of isolated unique vertices, then through
  // clean's renumbering; positions beyond the input vertices are split vertices, which no input
  // vertex stands for.
  std::vector<index_t> final_unique_vertices(nb_input_vertices, NO_ID);
  for (index_t vertex = 0; vertex < nb_input_vertices; ++vertex) {
    const auto kept = isolated_renumbering[vertex];
    if (kept != NO_ID) final_unique_vertices[vertex] = clean_info.unique_vertices[kept];
  }
  return {internal::vertex_mapping_from_renumbering(final_unique_vertices), std::move(mapping)};
}

}  // namespace veyra::detail

namespace veyra {

std::tuple<Section, GenericMapping<index_t>, IndexToModelMeshElementsMapping>
convert_surface_elements_into_section(SurfaceMesh<2>& mesh,
                                      absl::Span<const index_t> corner_vertices,
                                      absl::Span<const index_t> line_edges) {
  Section section;
  std::pair<GenericMapping<index_t>, IndexToModelMeshElementsMapping> mappings;
  {
    detail::SectionFromSurfaceElementsBuilder builder{section, mesh, corner_vertices, line_edges};
    mappings = builder.build_section_with_surface_mesh();
  }
  return {std::move(section), std::move(mappings.first), std::move(mappings.second)};
}

}  // namespace veyra
