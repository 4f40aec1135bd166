// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_map.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/point_set.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/convert_brep_into_solid.h>

#include <algorithm>
#include <vector>

namespace veyra {
namespace {

index_t unique_vertex_of(absl::Span<const index_t> unique_vertices, index_t vertex) {
  return vertex < unique_vertices.size() ? unique_vertices[vertex] : NO_ID;
}

bool all_blocks_tetrahedral(const BRep& brep) {
  if (brep.nb_blocks() == 0) return false;
  for (const auto& block : brep.blocks()) {
    if (block.mesh().type_name() != TetrahedralSolid<3>::type_name_static()) return false;
  }
  return true;
}

/// Solid vertex i at the point of the first tie of unique vertex i.
void create_vertices(const BRep& brep, SolidMeshBuilder<3>& builder) {
  absl::flat_hash_map<uuid, const GeometricMesh<3>*> meshes;
  for (const auto& corner : brep.corners()) meshes.emplace(corner.id(), &corner.mesh());
  for (const auto& line : brep.lines()) meshes.emplace(line.id(), &line.mesh());
  for (const auto& surface : brep.surfaces()) meshes.emplace(surface.id(), &surface.mesh());
  for (const auto& block : brep.blocks()) meshes.emplace(block.id(), &block.mesh());
  const auto nb_unique_vertices = brep.nb_unique_vertices();
  builder.reserve_vertices(nb_unique_vertices);
  for (index_t unique_vertex = 0; unique_vertex < nb_unique_vertices; ++unique_vertex) {
    const auto ties = brep.component_mesh_vertices(unique_vertex);
    if (ties.empty()) {
      builder.create_point(Point<3>{});
      continue;
    }
    const auto first = ties.front();
    builder.create_point(meshes.at(first.component_id.id())->point(first.vertex));
  }
}

/// Appends the block's polyhedra (the first one becoming solid polyhedron `first_polyhedron`)
/// with translated vertices and the same local facets, and copies their adjacencies.
void copy_block(const BRep& brep, const Block<3>& block, SolidMeshBuilder<3>& builder,
                index_t first_polyhedron, bool tetrahedral) {
  const auto& mesh = block.mesh();
  const auto unique_vertices = brep.component_unique_vertices(block.id());
  absl::InlinedVector<index_t, 8> vertices;
  std::vector<std::vector<local_index_t>> facets;
  for (index_t polyhedron = 0; polyhedron < mesh.nb_polyhedra(); ++polyhedron) {
    vertices.clear();
    for (const auto vertex : mesh.polyhedron_vertices(polyhedron)) {
      const auto unique_vertex = unique_vertex_of(unique_vertices, vertex);
      OSTREL_INPUT_CHECK(OstrelModelException, unique_vertex != NO_ID,
                         "[convert_brep_into_solid] Vertex ", vertex, " of ",
                         block.component_id().string(), " has no unique vertex");
      vertices.push_back(unique_vertex);
    }
    if (tetrahedral) {
      // A tetrahedral block and the solid share the fixed tetrahedron facets.
      builder.create_polyhedron(vertices, {});
      continue;
    }
    const auto nb_facets = mesh.nb_polyhedron_facets(polyhedron);
    facets.resize(nb_facets);
    for (local_index_t facet = 0; facet < nb_facets; ++facet) {
      const PolyhedronFacet polyhedron_facet{polyhedron, facet};
      auto& locals = facets[facet];
      locals.clear();
      const auto nb_facet_vertices = mesh.nb_polyhedron_facet_vertices(polyhedron_facet);
      for (local_index_t k = 0; k < nb_facet_vertices; ++k) {
        locals.push_back(mesh.polyhedron_facet_vertex_id({polyhedron_facet, k}).vertex_id);
      }
    }
    builder.create_polyhedron(vertices, facets);
  }
  for (index_t polyhedron = 0; polyhedron < mesh.nb_polyhedra(); ++polyhedron) {
    const auto nb_facets = mesh.nb_polyhedron_facets(polyhedron);
    for (local_index_t facet = 0; facet < nb_facets; ++facet) {
      if (const auto adjacent = mesh.polyhedron_adjacent({polyhedron, facet})) {
        builder.set_polyhedron_adjacent({first_polyhedron + polyhedron, facet},
                                        first_polyhedron + *adjacent);
      }
    }
  }
}

void map_corners(const BRep& brep, ModelToMeshMappings& mappings) {
  for (const auto& corner : brep.corners()) {
    if (corner.mesh().nb_vertices() == 0) continue;
    const auto unique_vertex = brep.unique_vertex({corner.component_id(), 0});
    if (unique_vertex != NO_ID) mappings.corner_mapping.map({corner.id(), 0}, unique_vertex);
  }
}

void map_lines(const BRep& brep, const SolidEdges<3>& edges, ModelToMeshMappings& mappings) {
  for (const auto& line : brep.lines()) {
    const auto& mesh = line.mesh();
    const auto unique_vertices = brep.component_unique_vertices(line.id());
    for (index_t edge = 0; edge < mesh.nb_edges(); ++edge) {
      const auto vertices = mesh.edge_vertices(edge);
      const std::array<index_t, 2> pair{unique_vertex_of(unique_vertices, vertices[0]),
                                        unique_vertex_of(unique_vertices, vertices[1])};
      if (pair[0] == NO_ID || pair[1] == NO_ID) continue;
      if (const auto solid_edge = edges.edge_from_vertices(pair)) {
        mappings.line_mapping.map({line.id(), edge}, *solid_edge);
      }
    }
  }
}

void map_surfaces(const BRep& brep, const SolidFacets<3>& facets, ModelToMeshMappings& mappings) {
  absl::InlinedVector<index_t, 4> cycle;
  for (const auto& surface : brep.surfaces()) {
    const auto& mesh = surface.mesh();
    const auto unique_vertices = brep.component_unique_vertices(surface.id());
    for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
      cycle.clear();
      for (const auto vertex : mesh.polygon_vertices(polygon)) {
        cycle.push_back(unique_vertex_of(unique_vertices, vertex));
      }
      if (std::find(cycle.begin(), cycle.end(), NO_ID) != cycle.end()) continue;
      if (const auto solid_facet = facets.facet_from_vertices(cycle)) {
        mappings.surface_mapping.map({surface.id(), polygon}, *solid_facet);
      }
    }
  }
}

}  // namespace

std::tuple<std::unique_ptr<SolidMesh<3>>, ModelToMeshMappings> convert_brep_into_solid(
    const BRep& brep) {
  const bool tetrahedral = all_blocks_tetrahedral(brep);
  std::unique_ptr<SolidMesh<3>> solid;
  if (tetrahedral) {
    solid = TetrahedralSolid<3>::create();
  } else {
    solid = PolyhedralSolid<3>::create();
  }
  auto builder = SolidMeshBuilder<3>::create(*solid);
  create_vertices(brep, *builder);

  index_t nb_polyhedra = 0;
  index_t nb_corners = 0;
  index_t nb_facets = 0;
  for (const auto& block : brep.blocks()) {
    const auto& mesh = block.mesh();
    nb_polyhedra += mesh.nb_polyhedra();
    if (tetrahedral) continue;
    for (index_t polyhedron = 0; polyhedron < mesh.nb_polyhedra(); ++polyhedron) {
      nb_corners += mesh.nb_polyhedron_vertices(polyhedron);
      nb_facets += mesh.nb_polyhedron_facets(polyhedron);
    }
  }
  builder->reserve_polyhedra(nb_polyhedra, nb_corners, nb_facets);

  ModelToMeshMappings mappings;
  mappings.block_mapping.reserve(nb_polyhedra);
  index_t first_polyhedron = 0;
  for (const auto& block : brep.blocks()) {
    copy_block(brep, block, *builder, first_polyhedron, tetrahedral);
    const auto nb_block_polyhedra = block.mesh().nb_polyhedra();
    for (index_t polyhedron = 0; polyhedron < nb_block_polyhedra; ++polyhedron) {
      mappings.block_mapping.map({block.id(), polyhedron}, first_polyhedron + polyhedron);
    }
    first_polyhedron += nb_block_polyhedra;
  }
  solid->enable_edges();
  solid->enable_facets();

  map_corners(brep, mappings);
  map_lines(brep, solid->edges(), mappings);
  map_surfaces(brep, solid->facets(), mappings);
  const auto nb_unique_vertices = brep.nb_unique_vertices();
  mappings.unique_vertex_mapping.reserve(nb_unique_vertices);
  for (index_t unique_vertex = 0; unique_vertex < nb_unique_vertices; ++unique_vertex) {
    mappings.unique_vertex_mapping.map(unique_vertex, unique_vertex);
  }
  return {std::move(solid), std::move(mappings)};
}

}  // namespace veyra
