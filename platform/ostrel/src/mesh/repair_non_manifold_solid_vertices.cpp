// SPDX-License-Identifier: MIT
// repair_non_manifold_vertices for solids.
#include <absl/container/inlined_vector.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/repair_non_manifold_vertices.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/solid_mesh_builder.h>

#include <algorithm>
#include <vector>

#include "connected_groups.h"
#include "solid_mesh_impl.h"

namespace veyra {
namespace {

/// Gives each fan of `vertex` but the first its own new vertex and records it in `new_vertices`.
/// `corners` is scratch space, reused from one vertex to the next.
void split_vertex_fans(const SolidMesh<3>& mesh, SolidMeshBuilder<3>& builder, index_t vertex,
                       absl::InlinedVector<index_t, 32>& corners,
                       GenericMapping<index_t>& new_vertices) {
  const auto& storage = internal::MeshAccess::impl<SolidMesh<3>>(mesh);
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
    const auto polyhedron = storage.polyhedron_of_corner(corners[i]);
    const auto local = static_cast<local_index_t>(corners[i] - storage.first_corner(polyhedron));
    const auto begin = storage.first_facet(polyhedron);
    for (auto slot = begin; slot < storage.end_facet(polyhedron); ++slot) {
      const auto locals = storage.facet_locals(slot);
      if (std::find(locals.begin(), locals.end(), local) == locals.end()) continue;
      const auto adjacent = storage.adjacents[slot];
      if (adjacent == NO_ID) continue;
      // The neighbour shares this facet, so it holds the vertex too: its corner at the vertex
      // is found among its own corners, without looking the matching facet up.
      for (auto other = storage.first_corner(adjacent); other < storage.end_corner(adjacent);
           ++other) {
        if (storage.vertices[other] == vertex) fans.unite(i, position(other));
      }
    }
  }
  const auto fan_of_corner = fans.number_groups();
  const auto nb_fans = *std::max_element(fan_of_corner.begin(), fan_of_corner.end()) + 1;
  if (nb_fans == 1) return;
  std::vector<PolyhedronVertex> references;
  references.reserve(corners.size());
  for (const auto corner : corners) references.push_back(storage.corner_reference(corner));
  for (index_t fan = 1; fan < nb_fans; ++fan) {
    const auto copy = builder.create_point(mesh.point(vertex));
    mesh.vertex_attribute_manager().assign_attribute_value(vertex, copy);
    new_vertices.map(vertex, copy);
    for (index_t i = 0; i < references.size(); ++i) {
      if (fan_of_corner[i] == fan) builder.set_polyhedron_vertex(references[i], copy);
    }
  }
}

}  // namespace

GenericMapping<index_t> repair_non_manifold_vertices(const SolidMesh<3>& mesh,
                                                     SolidMeshBuilder<3>& builder) {
  GenericMapping<index_t> new_vertices;
  absl::InlinedVector<index_t, 32> corners;
  const auto nb_vertices = mesh.nb_vertices();
  for (index_t vertex = 0; vertex < nb_vertices; ++vertex) {
    split_vertex_fans(mesh, builder, vertex, corners, new_vertices);
  }
  return new_vertices;
}

GenericMapping<index_t> repair_non_manifold_vertices(const SolidMesh<3>& mesh,
                                                     SolidMeshBuilder<3>& builder,
                                                     absl::Span<const index_t> vertices) {
  std::vector<index_t> sorted(vertices.begin(), vertices.end());
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  OSTREL_INPUT_CHECK(OstrelMeshException, sorted.empty() || sorted.back() < mesh.nb_vertices(),
                     "[repair_non_manifold_vertices] Vertex ", sorted.empty() ? 0 : sorted.back(),
                     " is out of range");
  GenericMapping<index_t> new_vertices;
  absl::InlinedVector<index_t, 32> corners;
  for (const auto vertex : sorted) split_vertex_fans(mesh, builder, vertex, corners, new_vertices);
  return new_vertices;
}

}  // namespace veyra
