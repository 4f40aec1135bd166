// SPDX-License-Identifier: MIT
#include <absl/container/inlined_vector.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/repair_non_manifold_vertices.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/mesh/surface_mesh_builder.h>

#include <algorithm>
#include <vector>

#include "connected_groups.h"
#include "surface_mesh_impl.h"

namespace veyra {
namespace {

/// Gives each fan of `vertex` but the first its own new vertex and records it in `new_vertices`.
/// `corners` is scratch space, reused from one vertex to the next.
template <index_t D>
void split_vertex_fans(const SurfaceMesh<D>& mesh, SurfaceMeshBuilder<D>& builder, index_t vertex,
                       absl::InlinedVector<index_t, 16>& corners,
                       GenericMapping<index_t>& new_vertices) {
  const auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(mesh);
  corners.clear();
  storage.for_each_corner(vertex, [&corners](index_t corner) { corners.push_back(corner); });
  if (corners.size() < 2) return;
  // Corners come sorted, so a corner's position is found by binary search.
  const auto position = [&corners](index_t corner) {
    const auto found = std::lower_bound(corners.begin(), corners.end(), corner);
    return static_cast<index_t>(found - corners.begin());
  };
  internal::ConnectedGroups fans{static_cast<index_t>(corners.size())};
  for (index_t i = 0; i < corners.size(); ++i) {
    const auto [polygon, local] = storage.corner_reference(corners[i]);
    const auto size = storage.size(polygon);
    const PolygonEdge edges_at_vertex[] = {
        {polygon, local}, {polygon, static_cast<local_index_t>((local + size - 1) % size)}};
    for (const auto& edge : edges_at_vertex) {
      const auto entry = mesh.polygon_adjacent_edge(edge);
      if (!entry) continue;
      const auto entry_start = storage.corner(entry->polygon_id, entry->edge_id);
      const auto other = storage.vertices[entry_start] == vertex
                             ? entry_start
                             : storage.next_corner_in_polygon(entry_start, entry->polygon_id);
      if (storage.vertices[other] != vertex) continue;
      fans.unite(i, position(other));
    }
  }
  const auto fan_of_corner = fans.number_groups();
  const auto nb_fans = *std::max_element(fan_of_corner.begin(), fan_of_corner.end()) + 1;
  if (nb_fans == 1) return;
  std::vector<PolygonVertex> references;
  references.reserve(corners.size());
  for (const auto corner : corners) references.push_back(storage.corner_reference(corner));
  for (index_t fan = 1; fan < nb_fans; ++fan) {
    const auto copy = builder.create_point(mesh.point(vertex));
    mesh.vertex_attribute_manager().assign_attribute_value(vertex, copy);
    new_vertices.map(vertex, copy);
    for (index_t i = 0; i < references.size(); ++i) {
      if (fan_of_corner[i] == fan) builder.set_polygon_vertex(references[i], copy);
    }
  }
}

}  // namespace

template <index_t D>
GenericMapping<index_t> repair_non_manifold_vertices(const SurfaceMesh<D>& mesh,
                                                     SurfaceMeshBuilder<D>& builder) {
  GenericMapping<index_t> new_vertices;
  absl::InlinedVector<index_t, 16> corners;
  const auto nb_vertices = mesh.nb_vertices();
  for (index_t vertex = 0; vertex < nb_vertices; ++vertex) {
    split_vertex_fans(mesh, builder, vertex, corners, new_vertices);
  }
  return new_vertices;
}

template <index_t D>
GenericMapping<index_t> repair_non_manifold_vertices(const SurfaceMesh<D>& mesh,
                                                     SurfaceMeshBuilder<D>& builder,
                                                     absl::Span<const index_t> vertices) {
  std::vector<index_t> sorted(vertices.begin(), vertices.end());
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  OSTREL_INPUT_CHECK(OstrelMeshException, sorted.empty() || sorted.back() < mesh.nb_vertices(),
                     "[repair_non_manifold_vertices] Vertex ", sorted.empty() ? 0 : sorted.back(),
                     " is out of range");
  GenericMapping<index_t> new_vertices;
  absl::InlinedVector<index_t, 16> corners;
  for (const auto vertex : sorted) split_vertex_fans(mesh, builder, vertex, corners, new_vertices);
  return new_vertices;
}

template GenericMapping<index_t> repair_non_manifold_vertices(const SurfaceMesh<2>&,
                                                              SurfaceMeshBuilder<2>&);
template GenericMapping<index_t> repair_non_manifold_vertices(const SurfaceMesh<3>&,
                                                              SurfaceMeshBuilder<3>&);
template GenericMapping<index_t> repair_non_manifold_vertices(const SurfaceMesh<2>&,
                                                              SurfaceMeshBuilder<2>&,
                                                              absl::Span<const index_t>);
template GenericMapping<index_t> repair_non_manifold_vertices(const SurfaceMesh<3>&,
                                                              SurfaceMeshBuilder<3>&,
                                                              absl::Span<const index_t>);

}  // namespace veyra
