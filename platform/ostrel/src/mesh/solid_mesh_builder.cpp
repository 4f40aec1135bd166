// SPDX-License-Identifier: MIT
#include <ostrel/mesh/mesh_builder_factory.h>
#include <ostrel/mesh/solid_mesh_builder.h>

#include "solid_mesh_impl.h"

namespace veyra {
namespace {

template <typename Storage>
void check_polyhedron_facet(const Storage& storage, const PolyhedronFacet& polyhedron_facet,
                            std::string_view function) {
  const auto polyhedron = polyhedron_facet.polyhedron_id;
  OSTREL_INPUT_CHECK(OstrelMeshException,
                     polyhedron < storage.nb_polyhedra() &&
                         polyhedron_facet.facet_id < storage.nb_polyhedron_facets(polyhedron),
                     "[SolidMeshBuilder::", function, "] Polyhedron facet ",
                     polyhedron_facet.string(), " out of range");
}

/// Checks the arguments of create_polyhedron for a polyhedral solid.
void check_polyhedron_shape(absl::Span<const index_t> vertices,
                            absl::Span<const std::vector<local_index_t>> facets) {
  constexpr std::size_t max_size = NO_LID - 1;
  OSTREL_INPUT_CHECK(OstrelMeshException, vertices.size() >= 4 && vertices.size() <= max_size,
                     "[SolidMeshBuilder::create_polyhedron] A polyhedron needs 4 to ", max_size,
                     " vertices, ", vertices.size(), " given");
  OSTREL_INPUT_CHECK(OstrelMeshException, facets.size() >= 4 && facets.size() <= max_size,
                     "[SolidMeshBuilder::create_polyhedron] A polyhedron needs 4 to ", max_size,
                     " facets, ", facets.size(), " given");
  for (std::size_t facet = 0; facet < facets.size(); ++facet) {
    OSTREL_INPUT_CHECK(OstrelMeshException,
                       facets[facet].size() >= 3 && facets[facet].size() <= max_size,
                       "[SolidMeshBuilder::create_polyhedron] Facet ", facet, " needs 3 to ",
                       max_size, " vertices, ", facets[facet].size(), " given");
    for (const auto local : facets[facet]) {
      OSTREL_INPUT_CHECK(OstrelMeshException, local < vertices.size(),
                         "[SolidMeshBuilder::create_polyhedron] Facet ", facet, " uses position ",
                         static_cast<int>(local), " of a polyhedron of ", vertices.size(),
                         " vertices");
    }
  }
}

}  // namespace

template <index_t D>
SolidMeshBuilder<D>::SolidMeshBuilder(SolidMesh<D>& mesh)
    : GeometricMeshBuilder<D>(mesh), solid_(mesh) {}

template <index_t D>
std::unique_ptr<SolidMeshBuilder<D>> SolidMeshBuilder<D>::create(SolidMesh<D>& mesh) {
  return MeshBuilderFactory::create<SolidMeshBuilder>(mesh);
}

template <index_t D>
index_t SolidMeshBuilder<D>::create_polyhedron(
    absl::Span<const index_t> vertices, absl::Span<const std::vector<local_index_t>> facets) {
  auto& storage = internal::MeshAccess::impl<SolidMesh<D>>(solid_);
  if (storage.tetrahedra_only) {
    OSTREL_INPUT_CHECK(OstrelMeshException, vertices.size() == 4,
                       "[TetrahedralSolidBuilder::create_polyhedron] A tetrahedron needs 4 "
                       "vertices, ",
                       vertices.size(), " given");
  } else {
    check_polyhedron_shape(vertices, facets);
  }
  const auto nb_vertices = solid_.nb_vertices();
  for (const auto vertex : vertices) {
    OSTREL_INPUT_CHECK(OstrelMeshException, vertex < nb_vertices,
                       "[SolidMeshBuilder::create_polyhedron] Vertex ", vertex, " out of range (",
                       nb_vertices, " vertices)");
  }
  const auto polyhedron = storage.nb_polyhedra();
  const auto first = storage.nb_corners();
  storage.vertices.insert(storage.vertices.end(), vertices.begin(), vertices.end());
  storage.next_corner.resize(storage.vertices.size());
  if (storage.tetrahedra_only) {
    storage.adjacents.resize(storage.adjacents.size() + 4, NO_ID);
  } else {
    storage.vertex_offsets.push_back(storage.nb_corners());
    for (const auto& facet : facets) {
      storage.facet_local_vertices.insert(storage.facet_local_vertices.end(), facet.begin(),
                                          facet.end());
      storage.facet_local_offsets.push_back(
          static_cast<index_t>(storage.facet_local_vertices.size()));
    }
    storage.adjacents.resize(storage.adjacents.size() + facets.size(), NO_ID);
    storage.facet_offsets.push_back(storage.nb_facet_slots());
  }
  for (auto corner = first; corner < storage.nb_corners(); ++corner) storage.link_corner(corner);
  storage.polyhedron_attributes.resize(polyhedron + 1);
  storage.add_to_tables(polyhedron);
  return polyhedron;
}

template <index_t D>
void SolidMeshBuilder<D>::reserve_polyhedra(index_t nb_polyhedra, index_t nb_corners,
                                            index_t nb_facets) {
  auto& storage = internal::MeshAccess::impl<SolidMesh<D>>(solid_);
  const std::size_t corners = nb_corners == 0 ? 4 * std::size_t{nb_polyhedra} : nb_corners;
  const std::size_t slots = nb_facets == 0 ? 4 * std::size_t{nb_polyhedra} : nb_facets;
  storage.vertices.reserve(corners);
  storage.next_corner.reserve(corners);
  storage.adjacents.reserve(slots);
  if (!storage.tetrahedra_only) {
    storage.vertex_offsets.reserve(std::size_t{nb_polyhedra} + 1);
    storage.facet_offsets.reserve(std::size_t{nb_polyhedra} + 1);
    storage.facet_local_offsets.reserve(slots + 1);
    storage.facet_local_vertices.reserve(3 * slots);
  }
  storage.polyhedron_attributes.reserve(nb_polyhedra);
}

template <index_t D>
void SolidMeshBuilder<D>::set_polyhedron_vertex(const PolyhedronVertex& polyhedron_vertex,
                                                index_t vertex) {
  auto& storage = internal::MeshAccess::impl<SolidMesh<D>>(solid_);
  const auto polyhedron = polyhedron_vertex.polyhedron_id;
  OSTREL_INPUT_CHECK(OstrelMeshException,
                     polyhedron < storage.nb_polyhedra() &&
                         polyhedron_vertex.vertex_id < storage.nb_polyhedron_vertices(polyhedron),
                     "[SolidMeshBuilder::set_polyhedron_vertex] Polyhedron vertex ",
                     polyhedron_vertex.string(), " out of range");
  OSTREL_INPUT_CHECK(OstrelMeshException, vertex < solid_.nb_vertices(),
                     "[SolidMeshBuilder::set_polyhedron_vertex] Vertex ", vertex, " out of range (",
                     solid_.nb_vertices(), " vertices)");
  const auto corner = storage.first_corner(polyhedron) + polyhedron_vertex.vertex_id;
  if (storage.vertices[corner] == vertex) return;
  storage.unlink_corner(corner);
  storage.vertices[corner] = vertex;
  storage.link_corner(corner);
  storage.add_to_tables(polyhedron);
}

template <index_t D>
void SolidMeshBuilder<D>::set_polyhedron_adjacent(const PolyhedronFacet& polyhedron_facet,
                                                  index_t adjacent) {
  auto& storage = internal::MeshAccess::impl<SolidMesh<D>>(solid_);
  check_polyhedron_facet(storage, polyhedron_facet, "set_polyhedron_adjacent");
  OSTREL_INPUT_CHECK(OstrelMeshException, adjacent < storage.nb_polyhedra(),
                     "[SolidMeshBuilder::set_polyhedron_adjacent] Adjacent polyhedron ", adjacent,
                     " out of range (", storage.nb_polyhedra(), " polyhedra)");
  storage.adjacents[storage.facet_slot(polyhedron_facet)] = adjacent;
}

template <index_t D>
void SolidMeshBuilder<D>::unset_polyhedron_adjacent(const PolyhedronFacet& polyhedron_facet) {
  auto& storage = internal::MeshAccess::impl<SolidMesh<D>>(solid_);
  check_polyhedron_facet(storage, polyhedron_facet, "unset_polyhedron_adjacent");
  storage.adjacents[storage.facet_slot(polyhedron_facet)] = NO_ID;
}

template <index_t D>
void SolidMeshBuilder<D>::compute_polyhedron_adjacencies() {
  auto& storage = internal::MeshAccess::impl<SolidMesh<D>>(solid_);
  // Each group writes only its own slots, so groups are handled concurrently and the result
  // does not depend on the thread count.
  storage.for_each_facet_group([&storage](absl::Span<const index_t> slots) {
    if (slots.size() == 2) {
      const auto polyhedron0 = storage.polyhedron_of_facet(slots[0]);
      const auto polyhedron1 = storage.polyhedron_of_facet(slots[1]);
      if (polyhedron0 != polyhedron1) {
        storage.adjacents[slots[0]] = polyhedron1;
        storage.adjacents[slots[1]] = polyhedron0;
        return;
      }
    }
    for (const auto slot : slots) storage.adjacents[slot] = NO_ID;
  });
}

template <index_t D>
std::vector<index_t> SolidMeshBuilder<D>::delete_polyhedra(const std::vector<bool>& to_delete) {
  auto& storage = internal::MeshAccess::impl<SolidMesh<D>>(solid_);
  const auto nb_polyhedra = storage.nb_polyhedra();
  OSTREL_INPUT_CHECK(OstrelMeshException, to_delete.size() == nb_polyhedra,
                     "[SolidMeshBuilder::delete_polyhedra] ", to_delete.size(), " flags given for ",
                     nb_polyhedra, " polyhedra");
  auto old2new = storage.polyhedron_attributes.delete_elements(to_delete);
  if (storage.polyhedron_attributes.nb_elements() == nb_polyhedra) return old2new;
  // Survivors move down in order; every read position is at or after its write position.
  index_t kept_polyhedron = 0;
  index_t kept_corner = 0;
  index_t kept_slot = 0;
  index_t kept_local = 0;
  for (index_t polyhedron = 0; polyhedron < nb_polyhedra; ++polyhedron) {
    if (to_delete[polyhedron]) continue;
    const auto first_corner = storage.first_corner(polyhedron);
    const auto end_corner = storage.end_corner(polyhedron);
    const auto first_slot = storage.first_facet(polyhedron);
    const auto end_slot = storage.end_facet(polyhedron);
    if (!storage.tetrahedra_only) {
      storage.vertex_offsets[kept_polyhedron] = kept_corner;
      storage.facet_offsets[kept_polyhedron] = kept_slot;
    }
    for (auto corner = first_corner; corner < end_corner; ++corner) {
      storage.vertices[kept_corner++] = storage.vertices[corner];
    }
    for (auto slot = first_slot; slot < end_slot; ++slot) {
      if (!storage.tetrahedra_only) {
        const auto begin = storage.facet_local_offsets[slot];
        const auto end = storage.facet_local_offsets[slot + 1];
        storage.facet_local_offsets[kept_slot] = kept_local;
        for (auto i = begin; i < end; ++i) {
          storage.facet_local_vertices[kept_local++] = storage.facet_local_vertices[i];
        }
      }
      const auto adjacent = storage.adjacents[slot];
      storage.adjacents[kept_slot++] = adjacent == NO_ID ? NO_ID : old2new[adjacent];
    }
    ++kept_polyhedron;
  }
  storage.vertices.resize(kept_corner);
  storage.adjacents.resize(kept_slot);
  if (!storage.tetrahedra_only) {
    storage.vertex_offsets[kept_polyhedron] = kept_corner;
    storage.vertex_offsets.resize(kept_polyhedron + 1);
    storage.facet_offsets[kept_polyhedron] = kept_slot;
    storage.facet_offsets.resize(kept_polyhedron + 1);
    storage.facet_local_offsets[kept_slot] = kept_local;
    storage.facet_local_offsets.resize(kept_slot + 1);
    storage.facet_local_vertices.resize(kept_local);
  }
  storage.rebuild_incidences(solid_.nb_vertices());
  storage.release_spare_capacity();
  return old2new;
}

template <index_t D>
std::vector<index_t> SolidMeshBuilder<D>::delete_isolated_vertices() {
  const auto& storage = internal::MeshAccess::impl<SolidMesh<D>>(solid_);
  std::vector<bool> isolated(solid_.nb_vertices());
  for (index_t vertex = 0; vertex < isolated.size(); ++vertex) {
    isolated[vertex] = storage.last_corner[vertex] == NO_ID;
  }
  return this->delete_vertices_of_mesh(isolated);
}

template <index_t D>
std::vector<index_t> SolidMeshBuilder<D>::delete_isolated_edges() {
  auto& storage = internal::MeshAccess::impl<SolidMesh<D>>(solid_);
  auto* table = storage.edge_table();
  if (table == nullptr) return {};
  std::vector<bool> unused(table->nb_edges(), true);
  for (index_t polyhedron = 0; polyhedron < storage.nb_polyhedra(); ++polyhedron) {
    const auto corner = storage.first_corner(polyhedron);
    for (auto slot = storage.first_facet(polyhedron); slot < storage.end_facet(polyhedron);
         ++slot) {
      const auto locals = storage.facet_locals(slot);
      for (std::size_t k = 0; k < locals.size(); ++k) {
        const auto edge = table->find(storage.vertices[corner + locals[k]],
                                      storage.vertices[corner + locals[(k + 1) % locals.size()]]);
        if (edge) unused[*edge] = false;
      }
    }
  }
  return table->remove(unused);
}

template <index_t D>
std::vector<index_t> SolidMeshBuilder<D>::delete_isolated_facets() {
  auto& storage = internal::MeshAccess::impl<SolidMesh<D>>(solid_);
  auto* table = storage.facet_table();
  if (table == nullptr) return {};
  std::vector<bool> unused(table->nb_facets(), true);
  for (index_t polyhedron = 0; polyhedron < storage.nb_polyhedra(); ++polyhedron) {
    for (auto slot = storage.first_facet(polyhedron); slot < storage.end_facet(polyhedron);
         ++slot) {
      if (const auto facet = table->find(storage.slot_vertices(polyhedron, slot))) {
        unused[*facet] = false;
      }
    }
  }
  return table->remove(unused);
}

template <index_t D>
void SolidMeshBuilder<D>::associate_polyhedron_vertex_to_vertex(
    const PolyhedronVertex& polyhedron_vertex, index_t vertex) {
  const auto& storage = internal::MeshAccess::impl<SolidMesh<D>>(solid_);
  OSTREL_INPUT_CHECK(OstrelMeshException,
                     polyhedron_vertex.polyhedron_id < storage.nb_polyhedra() &&
                         polyhedron_vertex.vertex_id <
                             storage.nb_polyhedron_vertices(polyhedron_vertex.polyhedron_id) &&
                         vertex < solid_.nb_vertices(),
                     "[SolidMeshBuilder::associate_polyhedron_vertex_to_vertex] Polyhedron vertex ",
                     polyhedron_vertex.string(), " or vertex ", vertex, " out of range");
}

template class SolidMeshBuilder<3>;

}  // namespace veyra
