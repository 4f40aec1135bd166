// SPDX-License-Identifier: MIT
#include <ostrel/mesh/io/mesh_table_restore.h>

#include "../mesh_access.h"
#include "../surface_mesh_impl.h"

namespace veyra {

template <index_t D>
bool restore_edge_table(SurfaceMesh<D>& mesh, absl::Span<const std::array<index_t, 2>> edges) {
  mesh.disable_edges();
  auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(mesh);
  storage.edges = std::make_unique<SurfaceEdges<D>>(mesh);
  auto& table = *storage.edge_table_impl();
  table.first_edge.assign(mesh.nb_vertices(), NO_ID);
  bool valid = true;
  for (const auto& edge : edges) {
    if (table.find(edge[0], edge[1])) {
      valid = false;
      break;
    }
    table.find_or_add(edge[0], edge[1]);
  }
  for (index_t polygon = 0; valid && polygon < storage.nb_polygons(); ++polygon) {
    const auto begin = storage.offsets[polygon];
    const auto end = storage.offsets[polygon + 1];
    for (auto corner = begin; corner < end; ++corner) {
      const auto next = corner + 1 == end ? begin : corner + 1;
      if (!table.find(storage.vertices[corner], storage.vertices[next])) {
        valid = false;
        break;
      }
    }
  }
  if (!valid) mesh.disable_edges();
  return valid;
}

template bool restore_edge_table(SurfaceMesh<2>&, absl::Span<const std::array<index_t, 2>>);
template bool restore_edge_table(SurfaceMesh<3>&, absl::Span<const std::array<index_t, 2>>);

}  // namespace veyra
