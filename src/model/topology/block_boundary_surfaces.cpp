// SPDX-License-Identifier: MIT
#include <model/topology/block_boundary_surfaces.h>

#include <utility>

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>

#include <ostrel/mesh/mesh_factory.h>
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/repair_polygon_orientations.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/canonical_cycle.h>
#include <ostrel/model/component_mesh_polygons.h>

namespace veyra {
namespace detail {

BlockBoundaryMesh block_boundary_surface_mesh(const BRep& model, const Block<3>& block) {
  const auto& solid = block.mesh();
  const bool tetrahedral = solid.type_name() == TetrahedralSolid<3>::type_name_static();
  BlockBoundaryMesh result;
  result.mesh = SurfaceMesh<3>::create(MeshFactory::default_impl(
      tetrahedral ? TriangulatedSurface<3>::type_name_static()
                  : PolygonalSurface<3>::type_name_static()));
  auto builder = SurfaceMeshBuilder<3>::create(*result.mesh);
  const auto ties = model.component_unique_vertices(block.id());
  // Surface vertex of each unique vertex met; a block vertex without unique vertex gets a
  // surface vertex of its own.
  absl::flat_hash_map<index_t, index_t> tied_vertices;
  absl::flat_hash_map<index_t, index_t> untied_vertices;
  const auto surface_vertex = [&](index_t vertex) {
    const auto unique_vertex = vertex < ties.size() ? ties[vertex] : NO_ID;
    auto& table = unique_vertex == NO_ID ? untied_vertices : tied_vertices;
    const auto [found, inserted] =
        table.try_emplace(unique_vertex == NO_ID ? vertex : unique_vertex, NO_ID);
    if (inserted) {
      found->second = builder->create_point(solid.point(vertex));
      result.unique_vertices.push_back(unique_vertex);
    }
    return found->second;
  };
  absl::flat_hash_set<PolygonVertices> cycles;
  PolygonVertices polygon;
  for (index_t p = 0; p < solid.nb_polyhedra(); ++p) {
    // Every facet, so that prisms, pyramids and hexahedra are covered as well as tetrahedra.
    for (local_index_t f = 0; f < solid.nb_polyhedron_facets(p); ++f) {
      const PolyhedronFacet facet{p, f};
      if (!solid.is_polyhedron_facet_on_border(facet)) continue;
      if (!component_mesh_polygons(model, block, facet).surface_polygons.empty()) continue;
      polygon.clear();
      for (const auto vertex : solid.polyhedron_facet_vertices(facet)) {
        polygon.push_back(surface_vertex(vertex));
      }
      if (!cycles.insert(canonical_cycle(polygon)).second) continue;
      builder->create_polygon(polygon);
    }
  }
  builder->compute_polygon_adjacencies();
  repair_polygon_orientations(*result.mesh, *builder);
  return result;
}

}  // namespace detail

namespace internal {

void add_block_boundaries_as_surfaces_in_model(const BRep& model, BRepBuilder& builder) {
  std::vector<const Block<3>*> blocks;
  for (const auto& block : model.blocks()) blocks.push_back(&block);
  for (const auto* block : blocks) {
    auto boundary = detail::block_boundary_surface_mesh(model, *block);
    const auto id = builder.add_surface();
    const auto& surface = model.surface(id);
    builder.update_surface_mesh(surface, std::move(boundary.mesh));
    for (index_t vertex = 0; vertex < boundary.unique_vertices.size(); ++vertex) {
      if (boundary.unique_vertices[vertex] == NO_ID) continue;
      builder.set_unique_vertex({surface.component_id(), vertex}, boundary.unique_vertices[vertex]);
    }
  }
}

}  // namespace internal
}  // namespace veyra
