// SPDX-License-Identifier: MIT
// restore_edge_table for surfaces. The table is first enabled the usual way, numbered by first
// appearance: a saved table that was never edited is exactly that, and is accepted after one
// comparison. Any other table is rebuilt entry by entry, then checked to cover every polygon edge.
#include <ostrel/mesh/io/mesh_table_restore.h>

#include <algorithm>

#include "../mesh_access.h"
#include "../surface_mesh_impl.h"

namespace veyra {
namespace {

template <typename Table>
bool same_pairs(const Table& table, absl::Span<const std::array<index_t, 2>> edges) {
  return table.vertices.size() == edges.size() &&
         std::equal(edges.begin(), edges.end(), table.vertices.begin());
}

/// Fills an empty table with the pairs in order; false when a pair repeats or names a vertex
/// the mesh does not have (a corrupted file), before the table is indexed with it.
template <typename Table>
bool add_pairs(Table& table, absl::Span<const std::array<index_t, 2>> edges, index_t nb_vertices) {
  for (const auto& edge : edges) {
    if (edge[0] >= nb_vertices || edge[1] >= nb_vertices) return false;
    const auto nb_before = table.nb_edges();
    if (table.find_or_add(edge[0], edge[1]) != nb_before) return false;
  }
  return true;
}

}  // namespace

template <index_t D>
bool restore_edge_table(SurfaceMesh<D>& mesh, absl::Span<const std::array<index_t, 2>> edges) {
  mesh.disable_edges();
  mesh.enable_edges();
  auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(mesh);
  if (same_pairs(*storage.edge_table_impl(), edges)) return true;
  mesh.disable_edges();
  storage.edges = std::make_unique<SurfaceEdges<D>>(mesh);
  auto& table = *storage.edge_table_impl();
  table.first_edge.assign(mesh.nb_vertices(), NO_ID);
  bool valid = add_pairs(table, edges, mesh.nb_vertices());
  for (index_t polygon = 0; valid && polygon < storage.nb_polygons(); ++polygon) {
    const auto begin = storage.offsets[polygon];
    const auto end = storage.offsets[polygon + 1];
    for (auto corner = begin; valid && corner < end; ++corner) {
      const auto next = corner + 1 == end ? begin : corner + 1;
      valid = table.find(storage.vertices[corner], storage.vertices[next]).has_value();
    }
  }
  if (!valid) mesh.disable_edges();
  return valid;
}

template bool restore_edge_table(SurfaceMesh<2>&, absl::Span<const std::array<index_t, 2>>);
template bool restore_edge_table(SurfaceMesh<3>&, absl::Span<const std::array<index_t, 2>>);

}  // namespace veyra
