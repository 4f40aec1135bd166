// SPDX-License-Identifier: MIT
#include <ostrel/mesh/convert_solid_mesh.h>

#include <algorithm>
#include <bit>

#include "solid_mesh_impl.h"

namespace veyra {
namespace {

/// For each polyhedron, its facet (local index) opposite local vertex k, k = 0..3; empty when
/// some polyhedron is not a tetrahedron.
template <typename Storage>
std::optional<std::vector<std::array<local_index_t, 4>>> tetrahedron_facets_by_opposite_vertex(
    const Storage& storage) {
  std::vector<std::array<local_index_t, 4>> facets(storage.nb_polyhedra());
  for (index_t polyhedron = 0; polyhedron < storage.nb_polyhedra(); ++polyhedron) {
    if (storage.nb_polyhedron_vertices(polyhedron) != 4 ||
        storage.nb_polyhedron_facets(polyhedron) != 4) {
      return std::nullopt;
    }
    auto& by_opposite = facets[polyhedron];
    by_opposite.fill(NO_LID);
    for (local_index_t facet = 0; facet < 4; ++facet) {
      const auto locals = storage.facet_locals(storage.first_facet(polyhedron) + facet);
      if (locals.size() != 3) return std::nullopt;
      // Positions are below 4 (checked at creation); three distinct ones leave one out.
      unsigned used = 0;
      for (const auto local : locals) used |= 1u << local;
      if (std::popcount(used) != 3) return std::nullopt;
      const auto opposite = static_cast<local_index_t>(std::countr_zero(~used & 0b1111u));
      if (by_opposite[opposite] != NO_LID) return std::nullopt;
      by_opposite[opposite] = facet;
    }
  }
  return facets;
}

}  // namespace

std::optional<std::unique_ptr<TetrahedralSolid<3>>> convert_solid_mesh_into_tetrahedral_solid(
    const SolidMesh<3>& mesh) {
  const auto& from = internal::MeshAccess::impl<SolidMesh<3>>(mesh);
  const auto facets = tetrahedron_facets_by_opposite_vertex(from);
  if (!facets) return std::nullopt;
  auto tetrahedral = TetrahedralSolid<3>::create();
  internal::MeshAccess::copy_solid_mesh<SolidMesh<3>>(*tetrahedral, mesh);
  auto& to = internal::MeshAccess::impl<SolidMesh<3>>(*tetrahedral);
  // The copy took the polyhedral layout; keep only what a tetrahedral solid stores, with the
  // adjacency of facet k taken from the facet opposite vertex k.
  to.vertex_offsets = {0};
  to.facet_offsets = {0};
  to.facet_local_offsets = {0};
  to.facet_local_vertices.clear();
  to.adjacents.assign(4 * std::size_t{from.nb_polyhedra()}, NO_ID);
  for (index_t polyhedron = 0; polyhedron < from.nb_polyhedra(); ++polyhedron) {
    for (local_index_t k = 0; k < 4; ++k) {
      to.adjacents[4 * polyhedron + k] =
          from.adjacents[from.first_facet(polyhedron) + (*facets)[polyhedron][k]];
    }
  }
  return tetrahedral;
}

std::unique_ptr<PolyhedralSolid<3>> convert_solid_mesh_into_polyhedral_solid(
    const SolidMesh<3>& mesh) {
  auto polyhedral = PolyhedralSolid<3>::create();
  internal::MeshAccess::copy_solid_mesh<SolidMesh<3>>(*polyhedral, mesh);
  const auto& from = internal::MeshAccess::impl<SolidMesh<3>>(mesh);
  if (!from.tetrahedra_only) return polyhedral;
  // A tetrahedral solid stores no offsets: write out its fixed layout, facet k keeping its
  // adjacency slot.
  auto& to = internal::MeshAccess::impl<SolidMesh<3>>(*polyhedral);
  const auto nb_polyhedra = from.nb_polyhedra();
  to.vertex_offsets.resize(std::size_t{nb_polyhedra} + 1);
  to.facet_offsets.resize(std::size_t{nb_polyhedra} + 1);
  for (index_t polyhedron = 0; polyhedron <= nb_polyhedra; ++polyhedron) {
    to.vertex_offsets[polyhedron] = 4 * polyhedron;
    to.facet_offsets[polyhedron] = 4 * polyhedron;
  }
  const auto nb_slots = 4 * std::size_t{nb_polyhedra};
  to.facet_local_offsets.resize(nb_slots + 1);
  to.facet_local_vertices.resize(3 * nb_slots);
  for (std::size_t slot = 0; slot < nb_slots; ++slot) {
    to.facet_local_offsets[slot] = static_cast<index_t>(3 * slot);
    const auto& locals = internal::tetrahedron_facets[slot % 4];
    std::copy(locals.begin(), locals.end(), to.facet_local_vertices.begin() + 3 * slot);
  }
  to.facet_local_offsets[nb_slots] = static_cast<index_t>(3 * nb_slots);
  return polyhedral;
}

}  // namespace veyra
