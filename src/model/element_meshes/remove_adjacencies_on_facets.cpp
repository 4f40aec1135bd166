// SPDX-License-Identifier: MIT
#include <model/element_meshes/remove_adjacencies_on_facets.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/solid_mesh_builder.h>

#include <algorithm>

namespace veyra::internal {
namespace {

bool same_vertex_set(PolyhedronFacetVertices lhs, PolyhedronFacetVertices rhs) {
  if (lhs.size() != rhs.size()) return false;
  std::sort(lhs.begin(), lhs.end());
  std::sort(rhs.begin(), rhs.end());
  return lhs == rhs;
}

}  // namespace

// The polyhedra holding a listed facet are found from the facet itself (they all hold its first
// edge), so the cost follows the given facets rather than the size of the solid. Every
// polyhedron facet on the facet's vertices is examined, which cuts the same adjacencies as a scan
// of all polyhedron facets would, even where a caller's mesh repeats a facet.
void remove_adjacencies_on_facets(SolidMesh<3>& solid, absl::Span<const index_t> facets) {
  if (facets.empty()) return;
  auto builder = SolidMeshBuilder<3>::create(solid);
  const auto& table = solid.facets();
  for (const auto facet : facets) {
    const auto vertices = table.facet_vertices(facet);
    for (const auto polyhedron : solid.polyhedra_around_edge({vertices[0], vertices[1]})) {
      for (local_index_t local = 0; local < solid.nb_polyhedron_facets(polyhedron); ++local) {
        const PolyhedronFacet polyhedron_facet{polyhedron, local};
        if (!solid.polyhedron_adjacent(polyhedron_facet)) continue;
        if (!same_vertex_set(solid.polyhedron_facet_vertices(polyhedron_facet), vertices)) {
          continue;
        }
        const auto adjacent_facet = solid.polyhedron_adjacent_facet(polyhedron_facet);
        builder->unset_polyhedron_adjacent(polyhedron_facet);
        if (adjacent_facet) builder->unset_polyhedron_adjacent(*adjacent_facet);
      }
    }
  }
}

}  // namespace veyra::internal
