// SPDX-License-Identifier: MIT
// restore_edge_table and restore_facet_table for solids.
#include <ostrel/mesh/io/mesh_table_restore.h>

#include "../solid_mesh_impl.h"

namespace veyra {

bool restore_edge_table(SolidMesh<3>& mesh, absl::Span<const std::array<index_t, 2>> edges) {
  mesh.disable_edges();
  auto& storage = internal::MeshAccess::impl<SolidMesh<3>>(mesh);
  storage.edges = std::make_unique<SolidEdges<3>>(mesh);
  auto& table = *storage.edge_table();
  table.first_edge.assign(mesh.nb_vertices(), NO_ID);
  bool valid = true;
  for (const auto& [vertex0, vertex1] : edges) {
    valid = vertex0 < mesh.nb_vertices() && vertex1 < mesh.nb_vertices() && vertex0 != vertex1 &&
            !table.find(vertex0, vertex1);
    if (!valid) break;
    table.find_or_add(vertex0, vertex1);
  }
  for (index_t polyhedron = 0; valid && polyhedron < storage.nb_polyhedra(); ++polyhedron) {
    const auto corner = storage.first_corner(polyhedron);
    for (auto slot = storage.first_facet(polyhedron); valid && slot < storage.end_facet(polyhedron);
         ++slot) {
      const auto locals = storage.facet_locals(slot);
      for (std::size_t k = 0; valid && k < locals.size(); ++k) {
        valid = table
                    .find(storage.vertices[corner + locals[k]],
                          storage.vertices[corner + locals[(k + 1) % locals.size()]])
                    .has_value();
      }
    }
  }
  if (!valid) mesh.disable_edges();
  return valid;
}

bool restore_facet_table(SolidMesh<3>& mesh, absl::Span<const index_t> offsets,
                         absl::Span<const index_t> vertices) {
  mesh.disable_facets();
  if (offsets.empty() || offsets.front() != 0 || offsets.back() != vertices.size()) return false;
  auto& storage = internal::MeshAccess::impl<SolidMesh<3>>(mesh);
  storage.facets = std::make_unique<SolidFacets<3>>(mesh);
  auto& table = *storage.facet_table();
  table.first_facet.assign(mesh.nb_vertices(), NO_ID);
  bool valid = true;
  for (std::size_t facet = 0; valid && facet + 1 < offsets.size(); ++facet) {
    valid = offsets[facet] + 3 <= offsets[facet + 1] && offsets[facet + 1] <= vertices.size();
    if (!valid) break;
    const auto facet_vertices =
        vertices.subspan(offsets[facet], offsets[facet + 1] - offsets[facet]);
    valid = std::all_of(facet_vertices.begin(), facet_vertices.end(),
                        [&mesh](index_t vertex) { return vertex < mesh.nb_vertices(); }) &&
            !table.find(facet_vertices);
    if (valid) table.find_or_add(facet_vertices);
  }
  for (index_t polyhedron = 0; valid && polyhedron < storage.nb_polyhedra(); ++polyhedron) {
    for (auto slot = storage.first_facet(polyhedron); valid && slot < storage.end_facet(polyhedron);
         ++slot) {
      valid = table.find(storage.slot_vertices(polyhedron, slot)).has_value();
    }
  }
  if (!valid) mesh.disable_facets();
  return valid;
}

}  // namespace veyra
