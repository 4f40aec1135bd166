// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_map.h>
#include <model/common/library.h>
#include <model/element_meshes/brep_from_solid_elements_builder.h>
#include <model/element_meshes/element_mapping_maintenance.h>
#include <model/element_meshes/remove_adjacencies_on_facets.h>
#include <model/operations/blocks_from_surfaces.h>
#include <ostrel/basic/logger.h>
#include <ostrel/basic/parallel.h>
#include <ostrel/mesh/mesh_factory.h>
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/repair_polygon_orientations.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/build_model_boundaries.h>
#include <ostrel/model/split_along_block_mesh_borders.h>
#include <ostrel/model/split_along_surface_mesh_borders.h>
#include <veyra_common/modifier/brep_geometric_modifier.h>

#include <memory>
#include <string_view>
#include <vector>

#include "solid_block_meshes.h"
#include "sorted_id_union.h"
#include "tetrahedral_block_mesh_repairs.h"

namespace veyra::detail {
namespace {

using Base = WireframeBuilderFromOneMesh<BRep, SolidMesh<3>>;

void log_counts(std::string_view operation, const BRep& brep) {
  Logger::log_debug("[BRepFromSolidElementsBuilder::", operation, "] ", brep.nb_corners(),
                    " corners, ", brep.nb_lines(), " lines, ", brep.nb_surfaces(), " surfaces, ",
                    brep.nb_blocks(), " blocks");
}

// The polygon mesh the surfaces are grown from: one polygon per surface facet.
struct SurfacePolygons {
  std::unique_ptr<SurfaceMesh<3>> mesh;
  absl::flat_hash_map<index_t, index_t> solid_vertices;
  std::vector<index_t> facets;
};

}  // namespace

class BRepFromSolidElementsBuilder::Impl {
 public:
  Impl(BRep& brep, SolidMesh<3>& solid)
      : brep_(brep),
        builder_(brep),
        solid_(solid),
        surface_impl_(
            MeshFactory::default_impl(solid.type_name() == TetrahedralSolid<3>::type_name_static()
                                          ? TriangulatedSurface<3>::type_name_static()
                                          : PolygonalSurface<3>::type_name_static())),
        solid_default_impl_(MeshFactory::default_impl(solid.type_name())),
        nb_input_vertices_(solid.nb_vertices()) {}

  BRep& brep() { return brep_; }
  BRepBuilder& builder() { return builder_; }
  SolidMesh<3>& solid() { return solid_; }
  std::vector<index_t>& surface_facets() { return surface_facets_; }
  std::vector<index_t>& surface_facet_counts() { return surface_facet_counts_; }
  index_t surface_facet_count(index_t edge) const { return surface_facet_counts_[edge]; }
  index_t nb_input_vertices() const { return nb_input_vertices_; }

  bool is_tetrahedral() const {
    return solid_default_impl_ ==
           MeshFactory::default_impl(TetrahedralSolid<3>::type_name_static());
  }

  // The facets without neighbour join the surface facets: the skin of the solid always
  // belongs to some surface when blocks get meshes.
  void add_border_facets() {
    const auto& solid = solid_;
    const auto& facets = solid.facets();
    const auto nb_polyhedra = solid.nb_polyhedra();
    const auto chunks = parallel_map_chunks(
        nb_polyhedra, parallel_chunk_size(nb_polyhedra), [&](index_t begin, index_t end) {
          std::vector<index_t> border;
          for (index_t polyhedron = begin; polyhedron < end; ++polyhedron) {
            for (local_index_t local = 0; local < solid.nb_polyhedron_facets(polyhedron); ++local) {
              const PolyhedronFacet polyhedron_facet{polyhedron, local};
              if (!solid.is_polyhedron_facet_on_border(polyhedron_facet)) continue;
              border.push_back(
                  facets.facet_from_vertices(solid.polyhedron_facet_vertices(polyhedron_facet))
                      .value());
            }
          }
          return border;
        });
    std::vector<index_t> border;
    for (const auto& chunk : chunks) border.insert(border.end(), chunk.begin(), chunk.end());
    merge_ids(surface_facets_, border, facets.nb_facets(), "BRepFromSolidElementsBuilder",
              "Border facet", "facets");
  }

  // Counts the surface facets around each edge; an edge of one surface facet (a free border) or
  // of three or more (where surfaces meet) is a line edge.
  std::vector<index_t> count_surface_facets() {
    const auto& solid = solid_;
    const auto& edges = solid.edges();
    const auto& facets = solid.facets();
    for (const auto facet : surface_facets_) {
      const auto vertices = facets.facet_vertices(facet);
      for (std::size_t k = 0; k < vertices.size(); ++k) {
        const auto edge =
            edges.edge_from_vertices({vertices[k], vertices[(k + 1) % vertices.size()]}).value();
        ++surface_facet_counts_[edge];
      }
    }
    std::vector<index_t> line_edges;
    for (index_t edge = 0; edge < surface_facet_counts_.size(); ++edge) {
      const auto count = surface_facet_counts_[edge];
      if (count == 1 || count >= 3) line_edges.push_back(edge);
    }
    return line_edges;
  }

  // One polygon per surface facet, over one vertex per solid vertex they use, oriented
  // consistently, with no adjacency across the wireframe's line edges: each group of polygons
  // still connected is then one surface.
  SurfacePolygons build_surface_polygons(const BRepFromSolidElementsBuilder& self) const {
    const auto& solid = solid_;
    const auto& facets = solid.facets();
    SurfacePolygons polygons;
    polygons.mesh = SurfaceMesh<3>::create(surface_impl_);
    auto& mesh = *polygons.mesh;
    auto builder = SurfaceMeshBuilder<3>::create(mesh);
    polygons.facets.reserve(surface_facets_.size());
    builder->reserve_polygons(static_cast<index_t>(surface_facets_.size()));
    std::vector<index_t> surface_vertex_of(solid.nb_vertices(), NO_ID);
    absl::InlinedVector<index_t, 4> polygon;
    for (const auto facet : surface_facets_) {
      polygon.clear();
      for (const auto vertex : facets.facet_vertices(facet)) {
        auto& surface_vertex = surface_vertex_of[vertex];
        if (surface_vertex == NO_ID) {
          surface_vertex = builder->create_point(solid.point(vertex));
          polygons.solid_vertices.emplace(surface_vertex, vertex);
        }
        polygon.push_back(surface_vertex);
      }
      builder->create_polygon(polygon);
      polygons.facets.push_back(facet);
    }
    builder->compute_polygon_adjacencies();
    repair_polygon_orientations(mesh, *builder);
    for (index_t p = 0; p < mesh.nb_polygons(); ++p) {
      for (local_index_t local = 0; local < mesh.nb_polygon_edges(p); ++local) {
        const PolygonEdge edge{p, local};
        if (!mesh.polygon_adjacent(edge)) continue;
        const auto vertices = mesh.polygon_edge_vertices(edge);
        if (self.wireframe_edge_id({polygons.solid_vertices.at(vertices[0]),
                                    polygons.solid_vertices.at(vertices[1])})) {
          builder->unset_polygon_adjacent(edge);
        }
      }
    }
    return polygons;
  }

 private:
  BRep& brep_;
  BRepBuilder builder_;
  SolidMesh<3>& solid_;
  std::vector<index_t> surface_facets_;
  std::vector<index_t> surface_facet_counts_;
  // Triangulated surfaces for a tetrahedral solid, polygonal ones otherwise.
  MeshImpl surface_impl_;
  // The default implementation of the solid's type: tells whether the solid is tetrahedral.
  MeshImpl solid_default_impl_;
  index_t nb_input_vertices_;
};

BRepFromSolidElementsBuilder::BRepFromSolidElementsBuilder(
    BRep& brep, SolidMesh<3>& solid, absl::Span<const index_t> corner_vertices,
    absl::Span<const index_t> line_edges, absl::Span<const index_t> surface_facets)
    : Base(brep, solid), impl_{std::make_unique<Impl>(brep, solid)} {
  add_corner_vertices(corner_vertices);
  solid.enable_edges();
  add_line_edges(line_edges);
  solid.enable_facets();
  merge_ids(impl_->surface_facets(), surface_facets, solid.facets().nb_facets(),
            "BRepFromSolidElementsBuilder", "Surface facet", "facets");
  impl_->surface_facet_counts().assign(solid.edges().nb_edges(), 0);
}

BRepFromSolidElementsBuilder::~BRepFromSolidElementsBuilder() = default;

bool BRepFromSolidElementsBuilder::is_corner(index_t wireframe_vertex) const {
  const auto& corners = corner_vertices();
  if (std::binary_search(corners.begin(), corners.end(),
                         support_mesh_vertex_id(wireframe_vertex))) {
    return true;
  }
  const auto& wireframe = this->wireframe();
  const auto& around = wireframe.edges_around_vertex(wireframe_vertex);
  if (around.size() != 2) return true;
  // A line also ends where the number of surfaces along it changes.
  const auto& edges = impl_->solid().edges();
  std::array<index_t, 2> counts{};
  for (std::size_t k = 0; k < 2; ++k) {
    const auto& end = around[k];
    const auto edge =
        edges.edge_from_vertices({support_mesh_vertex_id(wireframe.edge_vertex(end)),
                                  support_mesh_vertex_id(wireframe.edge_vertex(end.opposite()))});
    if (!edge) {
      throw_model_exception_at(wireframe.point(wireframe_vertex), OstrelException::TYPE::internal,
                               "[BRepFromSolidElementsBuilder::Impl::is_corner] Should have found "
                               "an edge in the solid from the vertices of the wireframe edge.");
    }
    counts[k] = impl_->surface_facet_count(*edge);
  }
  return counts[0] != counts[1];
}

void BRepFromSolidElementsBuilder::build_corners_and_lines() {
  add_line_edges(impl_->count_surface_facets());
  build_wireframe_step();
  build_corners_step();
  build_lines_step();
  update_corner_line_mappings();
}

std::pair<GenericMapping<index_t>, IndexToModelMeshElementsMapping>
BRepFromSolidElementsBuilder::build_brep_without_block_mesh() {
  auto& brep = impl_->brep();
  auto& builder = impl_->builder();
  Logger::log_trace("[BRepFromSolidElementsBuilder::build_brep_without_block_mesh] ",
                    impl_->solid().nb_polyhedra(), " polyhedra, ", impl_->surface_facets().size(),
                    " surface facets");
  internal::remove_adjacencies_on_facets(impl_->solid(), impl_->surface_facets());
  build_corners_and_lines();
  const auto polygons = impl_->build_surface_polygons(*this);
  BRepGeometricModifier modifier{brep, builder};
  const auto split_edges =
      build_surfaces(*polygons.mesh, polygons.solid_vertices, polygons.facets, modifier);
  const auto nb_input_vertices = impl_->nb_input_vertices();
  const auto finish = [&brep, &builder] {
    SplitAlongSurfaceMeshBorders<BRep>{brep, builder}.split_all_surfaces();
    build_blocks(brep, builder);
    build_model_boundaries(brep, builder);
    return builder.delete_isolated_vertices();
  };
  if (split_edges.empty()) {
    const auto isolated_renumbering = finish();
    log_counts("build_brep_without_block_mesh", brep);
    return {internal::input_vertex_mapping(isolated_renumbering, nb_input_vertices), mappings()};
  }

  auto mapping = mappings();
  const auto& edges = impl_->solid().edges();
  for (const auto& split : split_edges) {
    const auto edge = edges.edge_from_vertices(split.unique_vertices).value();
    internal::record_edge_split(mapping, edge, split.split_info, brep);
  }
  const auto clean = modifier.clean();
  internal::apply_clean(mapping, clean);
  const auto isolated_renumbering = finish();
  log_counts("build_brep_without_block_mesh", brep);
  // Clean deletes no unique vertex, so its renumbering is composed with the deletion of the
  // isolated ones entry by entry.
  std::vector<index_t> final_unique_vertices;
  final_unique_vertices.reserve(clean.unique_vertices.size());
  for (const auto unique_vertex : clean.unique_vertices) {
    if (unique_vertex != NO_ID)
      final_unique_vertices.push_back(isolated_renumbering[unique_vertex]);
  }
  return {internal::input_vertex_mapping(final_unique_vertices, nb_input_vertices),
          std::move(mapping)};
}

std::pair<GenericMapping<index_t>, IndexToBRepMeshElementsMapping>
BRepFromSolidElementsBuilder::build_brep_with_block_mesh() {
  auto& brep = impl_->brep();
  auto& builder = impl_->builder();
  auto& solid = impl_->solid();
  // The block meshes copy the polyhedra as they are: an inverted one would make every block
  // that holds it invalid, so it is reported before anything is built.
  for (index_t polyhedron = 0; polyhedron < solid.nb_polyhedra(); ++polyhedron) {
    const auto volume = solid.polyhedron_volume(polyhedron);
    if (volume < 0.) {
      throw VeyraConversionModelException{
          nullptr, OstrelException::TYPE::input,
          "[BRepFromSolidElementsBuilder::build_brep_with_block_mesh] Polyhedron ", polyhedron,
          " of the input solid is inverted (volume ", volume, ")"};
    }
  }
  impl_->add_border_facets();
  Logger::log_trace("[BRepFromSolidElementsBuilder::build_brep_with_block_mesh] ",
                    solid.nb_polyhedra(), " polyhedra, ", impl_->surface_facets().size(),
                    " surface facets with the border");
  build_corners_and_lines();
  const auto polygons = impl_->build_surface_polygons(*this);
  if (impl_->is_tetrahedral()) {
    BRepGeometricModifier modifier{brep, builder};
    const auto split_edges =
        build_surfaces(*polygons.mesh, polygons.solid_vertices, polygons.facets, modifier);
    auto result = internal::repair_tetrahedral_block_meshes(
        brep, builder, solid,
        {impl_->surface_facets(), line_edges(), impl_->surface_facet_counts(),
         impl_->nb_input_vertices()},
        mappings(), split_edges, modifier);
    log_counts("build_brep_with_block_mesh", brep);
    return result;
  }

  build_surfaces_without_split(*polygons.mesh, polygons.solid_vertices, polygons.facets);
  Logger::log_warn(
      "[build_brep_with_block_mesh], we can only assure the validity of the result if the solid "
      "is a tetrahedral solid");
  internal::remove_adjacencies_on_facets(solid, impl_->surface_facets());
  const auto blocks = internal::build_blocks_from_connected_polyhedra(solid, brep, builder);
  SplitAlongBlockMeshBorders{brep, builder}.split_all_blocks();
  SplitAlongSurfaceMeshBorders<BRep>{brep, builder}.split_all_surfaces();
  const auto isolated_renumbering = internal::relate_blocks_and_finish(brep, builder);

  IndexToBRepMeshElementsMapping mapping;
  static_cast<IndexToModelMeshElementsMapping&>(mapping) = mappings();
  mapping.blocks.reserve(solid.nb_polyhedra());
  for (index_t block = 0; block < blocks.blocks.size(); ++block) {
    const auto& polyhedra = blocks.polyhedra[block];
    for (index_t polyhedron = 0; polyhedron < polyhedra.size(); ++polyhedron) {
      mapping.blocks.map(polyhedra[polyhedron], {blocks.blocks[block], polyhedron});
    }
  }
  log_counts("build_brep_with_block_mesh", brep);
  return {internal::input_vertex_mapping(isolated_renumbering, impl_->nb_input_vertices()),
          std::move(mapping)};
}

}  // namespace veyra::detail

namespace veyra {

std::tuple<BRep, GenericMapping<index_t>, IndexToBRepMeshElementsMapping>
convert_solid_elements_into_brep(SolidMesh<3>& solid, absl::Span<const index_t> corner_vertices,
                                 absl::Span<const index_t> line_edges,
                                 absl::Span<const index_t> surface_facets) {
  BRep brep;
  std::pair<GenericMapping<index_t>, IndexToBRepMeshElementsMapping> mappings;
  {
    detail::BRepFromSolidElementsBuilder builder{brep, solid, corner_vertices, line_edges,
                                                 surface_facets};
    mappings = builder.build_brep_with_block_mesh();
  }
  return {std::move(brep), std::move(mappings.first), std::move(mappings.second)};
}

}  // namespace veyra
