// SPDX-License-Identifier: MIT
#include <ostrel/geometry/basic_objects.h>
#include <ostrel/geometry/mensuration.h>
#include <ostrel/mesh/mesh_factory.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/solid_mesh.h>

#include "solid_mesh_impl.h"

namespace veyra {
namespace {

/// An edge as one integer, (smaller << 32) | larger, so that comparisons are single
/// instructions.
using EdgeKey = std::uint64_t;

EdgeKey edge_key(index_t vertex0, index_t vertex1) {
  const auto [smaller, larger] = std::minmax(vertex0, vertex1);
  return (EdgeKey{smaller} << 32) | larger;
}

/// Calls emit(key) for each distinct facet edge of the polyhedron, in first appearance order
/// (facets in local order, facet edges in order).
template <typename Storage, typename Emit>
void for_each_distinct_edge(const Storage& storage, index_t polyhedron, Emit&& emit) {
  absl::InlinedVector<EdgeKey, 16> seen;
  const auto corner = storage.first_corner(polyhedron);
  for (auto slot = storage.first_facet(polyhedron); slot < storage.end_facet(polyhedron); ++slot) {
    const auto locals = storage.facet_locals(slot);
    for (std::size_t k = 0; k < locals.size(); ++k) {
      const auto key = edge_key(storage.vertices[corner + locals[k]],
                                storage.vertices[corner + locals[(k + 1) % locals.size()]]);
      if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
      seen.push_back(key);
      emit(key);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// SolidEdges

template <index_t D>
SolidEdges<D>::SolidEdges(const SolidMesh<D>& mesh) : impl_{std::make_unique<Impl>(mesh)} {}

template <index_t D>
SolidEdges<D>::~SolidEdges() = default;

template <index_t D>
index_t SolidEdges<D>::nb_edges() const {
  return impl_->nb_edges();
}

template <index_t D>
std::array<index_t, 2> SolidEdges<D>::edge_vertices(index_t edge) const {
  OSTREL_ASSERT(edge < impl_->nb_edges(), "[SolidEdges::edge_vertices] edge out of range");
  return impl_->vertices[edge];
}

template <index_t D>
std::optional<index_t> SolidEdges<D>::edge_from_vertices(
    const std::array<index_t, 2>& vertices) const {
  return impl_->find(vertices[0], vertices[1]);
}

template <index_t D>
bool SolidEdges<D>::is_edge_isolated(index_t edge) const {
  const auto vertex0 = impl_->vertices[edge][0];
  const auto vertex1 = impl_->vertices[edge][1];
  const auto& storage = internal::MeshAccess::impl<SolidMesh<D>>(impl_->mesh);
  bool used = false;
  storage.for_each_corner(vertex0, [&](index_t corner) {
    used = storage.has_facet_edge(storage.polyhedron_of_corner(corner), vertex0, vertex1);
    return used;
  });
  return !used;
}

template <index_t D>
AttributeManager& SolidEdges<D>::edge_attribute_manager() const {
  return impl_->attributes;
}

// ---------------------------------------------------------------------------------------------
// SolidFacets

template <index_t D>
SolidFacets<D>::SolidFacets(const SolidMesh<D>& mesh) : impl_{std::make_unique<Impl>(mesh)} {}

template <index_t D>
SolidFacets<D>::~SolidFacets() = default;

template <index_t D>
index_t SolidFacets<D>::nb_facets() const {
  return impl_->nb_facets();
}

template <index_t D>
PolyhedronFacetVertices SolidFacets<D>::facet_vertices(index_t facet) const {
  OSTREL_ASSERT(facet < impl_->nb_facets(), "[SolidFacets::facet_vertices] facet out of range");
  const auto vertices = impl_->facet_vertices(facet);
  return PolyhedronFacetVertices(vertices.begin(), vertices.end());
}

template <index_t D>
std::optional<index_t> SolidFacets<D>::facet_from_vertices(
    absl::Span<const index_t> vertices) const {
  return impl_->find(vertices);
}

template <index_t D>
bool SolidFacets<D>::is_facet_isolated(index_t facet) const {
  return !impl_->mesh.polyhedron_facet_from_vertices(impl_->facet_vertices(facet)).has_value();
}

template <index_t D>
AttributeManager& SolidFacets<D>::facet_attribute_manager() const {
  return impl_->attributes;
}

// ---------------------------------------------------------------------------------------------
// SolidMesh

template <index_t D>
SolidMesh<D>::SolidMesh() : impl_{std::make_unique<Impl>()} {}

template <index_t D>
SolidMesh<D>::~SolidMesh() = default;

template <index_t D>
std::unique_ptr<SolidMesh<D>> SolidMesh<D>::create() {
  return MeshFactory::create_mesh<SolidMesh>(
      MeshFactory::default_impl(PolyhedralSolid<D>::type_name_static()));
}

template <index_t D>
std::unique_ptr<SolidMesh<D>> SolidMesh<D>::create(const MeshImpl& impl) {
  return MeshFactory::create_mesh<SolidMesh>(impl);
}

template <index_t D>
std::unique_ptr<SolidMesh<D>> SolidMesh<D>::clone() const {
  auto clone = create(this->impl_name());
  clone->copy_solid_mesh(*this);
  return clone;
}

template <index_t D>
void SolidMesh<D>::copy_solid_mesh(const SolidMesh& other) {
  // The kind (tetrahedra_only) stays that of this mesh: a conversion adapts the layout after.
  this->copy_geometric_mesh(other);
  auto& mine = *impl_;
  const auto& theirs = *other.impl_;
  mine.vertex_offsets = theirs.vertex_offsets;
  mine.facet_offsets = theirs.facet_offsets;
  mine.facet_local_offsets = theirs.facet_local_offsets;
  mine.facet_local_vertices = theirs.facet_local_vertices;
  mine.vertices = theirs.vertices;
  mine.adjacents = theirs.adjacents;
  mine.next_corner = theirs.next_corner;
  mine.last_corner = theirs.last_corner;
  mine.polyhedron_attributes.copy(theirs.polyhedron_attributes);
  mine.edges.reset();
  if (theirs.edges) {
    mine.edges = std::make_unique<SolidEdges<D>>(*this);
    mine.edge_table()->copy(*theirs.edge_table());
  }
  mine.facets.reset();
  if (theirs.facets) {
    mine.facets = std::make_unique<SolidFacets<D>>(*this);
    mine.facet_table()->copy(*theirs.facet_table());
  }
}

template <index_t D>
index_t SolidMesh<D>::nb_polyhedra() const {
  return impl_->nb_polyhedra();
}

template <index_t D>
local_index_t SolidMesh<D>::nb_polyhedron_vertices(index_t polyhedron) const {
  OSTREL_ASSERT(polyhedron < nb_polyhedra(),
                "[SolidMesh::nb_polyhedron_vertices] polyhedron out of range");
  return impl_->nb_polyhedron_vertices(polyhedron);
}

template <index_t D>
local_index_t SolidMesh<D>::nb_polyhedron_facets(index_t polyhedron) const {
  OSTREL_ASSERT(polyhedron < nb_polyhedra(),
                "[SolidMesh::nb_polyhedron_facets] polyhedron out of range");
  return impl_->nb_polyhedron_facets(polyhedron);
}

template <index_t D>
local_index_t SolidMesh<D>::nb_polyhedron_facet_vertices(
    const PolyhedronFacet& polyhedron_facet) const {
  OSTREL_ASSERT(
      polyhedron_facet.polyhedron_id < nb_polyhedra() &&
          polyhedron_facet.facet_id < impl_->nb_polyhedron_facets(polyhedron_facet.polyhedron_id),
      "[SolidMesh::nb_polyhedron_facet_vertices] facet out of range");
  return static_cast<local_index_t>(
      impl_->facet_locals(impl_->facet_slot(polyhedron_facet)).size());
}

template <index_t D>
index_t SolidMesh<D>::polyhedron_vertex(const PolyhedronVertex& polyhedron_vertex) const {
  OSTREL_ASSERT(polyhedron_vertex.polyhedron_id < nb_polyhedra() &&
                    polyhedron_vertex.vertex_id <
                        impl_->nb_polyhedron_vertices(polyhedron_vertex.polyhedron_id),
                "[SolidMesh::polyhedron_vertex] corner out of range");
  return impl_->vertices[impl_->first_corner(polyhedron_vertex.polyhedron_id) +
                         polyhedron_vertex.vertex_id];
}

template <index_t D>
PolyhedronVertices SolidMesh<D>::polyhedron_vertices(index_t polyhedron) const {
  OSTREL_ASSERT(polyhedron < nb_polyhedra(),
                "[SolidMesh::polyhedron_vertices] polyhedron out of range");
  const auto begin = impl_->vertices.begin() + impl_->first_corner(polyhedron);
  const auto end = impl_->vertices.begin() + impl_->end_corner(polyhedron);
  return PolyhedronVertices(begin, end);
}

template <index_t D>
PolyhedronVertex SolidMesh<D>::polyhedron_facet_vertex_id(
    const PolyhedronFacetVertex& facet_vertex) const {
  const auto& facet = facet_vertex.polyhedron_facet;
  OSTREL_ASSERT(facet.polyhedron_id < nb_polyhedra() &&
                    facet.facet_id < impl_->nb_polyhedron_facets(facet.polyhedron_id) &&
                    facet_vertex.vertex_id < impl_->facet_locals(impl_->facet_slot(facet)).size(),
                "[SolidMesh::polyhedron_facet_vertex_id] facet vertex out of range");
  return {facet.polyhedron_id,
          impl_->facet_locals(impl_->facet_slot(facet))[facet_vertex.vertex_id]};
}

template <index_t D>
index_t SolidMesh<D>::polyhedron_facet_vertex(const PolyhedronFacetVertex& facet_vertex) const {
  return polyhedron_vertex(polyhedron_facet_vertex_id(facet_vertex));
}

template <index_t D>
PolyhedronFacetVertices SolidMesh<D>::polyhedron_facet_vertices(
    const PolyhedronFacet& polyhedron_facet) const {
  OSTREL_ASSERT(
      polyhedron_facet.polyhedron_id < nb_polyhedra() &&
          polyhedron_facet.facet_id < impl_->nb_polyhedron_facets(polyhedron_facet.polyhedron_id),
      "[SolidMesh::polyhedron_facet_vertices] facet out of range");
  PolyhedronFacetVertices result;
  const auto corner = impl_->first_corner(polyhedron_facet.polyhedron_id);
  for (const auto local : impl_->facet_locals(impl_->facet_slot(polyhedron_facet))) {
    result.push_back(impl_->vertices[corner + local]);
  }
  return result;
}

template <index_t D>
std::optional<local_index_t> SolidMesh<D>::vertex_in_polyhedron(index_t polyhedron,
                                                                index_t vertex) const {
  OSTREL_ASSERT(polyhedron < nb_polyhedra(),
                "[SolidMesh::vertex_in_polyhedron] polyhedron out of range");
  const auto begin = impl_->first_corner(polyhedron);
  for (auto corner = begin; corner < impl_->end_corner(polyhedron); ++corner) {
    if (impl_->vertices[corner] == vertex) return static_cast<local_index_t>(corner - begin);
  }
  return std::nullopt;
}

template <index_t D>
std::optional<index_t> SolidMesh<D>::polyhedron_adjacent(
    const PolyhedronFacet& polyhedron_facet) const {
  OSTREL_ASSERT(
      polyhedron_facet.polyhedron_id < nb_polyhedra() &&
          polyhedron_facet.facet_id < impl_->nb_polyhedron_facets(polyhedron_facet.polyhedron_id),
      "[SolidMesh::polyhedron_adjacent] facet out of range");
  const auto adjacent = impl_->adjacents[impl_->facet_slot(polyhedron_facet)];
  if (adjacent == NO_ID) return std::nullopt;
  return adjacent;
}

template <index_t D>
std::optional<PolyhedronFacet> SolidMesh<D>::polyhedron_adjacent_facet(
    const PolyhedronFacet& polyhedron_facet) const {
  const auto adjacent = polyhedron_adjacent(polyhedron_facet);
  if (!adjacent) return std::nullopt;
  const auto sorted = impl_->sorted_slot_vertices(polyhedron_facet.polyhedron_id,
                                                  impl_->facet_slot(polyhedron_facet));
  const auto facet = impl_->facet_with_vertices(*adjacent, sorted);
  if (!facet) return std::nullopt;
  return PolyhedronFacet{*adjacent, *facet};
}

template <index_t D>
bool SolidMesh<D>::is_polyhedron_facet_on_border(const PolyhedronFacet& polyhedron_facet) const {
  return !polyhedron_adjacent(polyhedron_facet).has_value();
}

template <index_t D>
std::vector<PolyhedronFacet> SolidMesh<D>::polyhedron_facets_on_border(index_t polyhedron) const {
  std::vector<PolyhedronFacet> border;
  for (local_index_t facet = 0; facet < nb_polyhedron_facets(polyhedron); ++facet) {
    if (is_polyhedron_facet_on_border({polyhedron, facet})) border.emplace_back(polyhedron, facet);
  }
  return border;
}

template <index_t D>
std::optional<PolyhedronVertex> SolidMesh<D>::polyhedron_around_vertex(index_t vertex) const {
  OSTREL_ASSERT(vertex < this->nb_vertices(),
                "[SolidMesh::polyhedron_around_vertex] vertex out of range");
  const auto last = impl_->last_corner[vertex];
  if (last == NO_ID) return std::nullopt;
  return impl_->corner_reference(impl_->next_corner[last]);
}

template <index_t D>
PolyhedraAroundVertex SolidMesh<D>::polyhedra_around_vertex(index_t vertex) const {
  PolyhedraAroundVertex around;
  const auto seed = polyhedron_around_vertex(vertex);
  if (!seed) return around;
  around.push_back(*seed);
  const auto& storage = *impl_;
  // `around` doubles as the queue of the breadth-first walk.
  for (std::size_t next = 0; next < around.size(); ++next) {
    const auto polyhedron = around[next].polyhedron_id;
    const auto corner = storage.first_corner(polyhedron);
    for (auto slot = storage.first_facet(polyhedron); slot < storage.end_facet(polyhedron);
         ++slot) {
      const auto adjacent = storage.adjacents[slot];
      if (adjacent == NO_ID) continue;
      const auto locals = storage.facet_locals(slot);
      const auto has_vertex = std::any_of(locals.begin(), locals.end(), [&](local_index_t local) {
        return storage.vertices[corner + local] == vertex;
      });
      if (!has_vertex) continue;
      const auto listed = std::any_of(around.begin(), around.end(), [adjacent](const auto& entry) {
        return entry.polyhedron_id == adjacent;
      });
      if (listed) continue;
      if (const auto local = vertex_in_polyhedron(adjacent, vertex)) {
        around.emplace_back(adjacent, *local);
      }
    }
  }
  return around;
}

template <index_t D>
bool SolidMesh<D>::is_vertex_isolated(index_t vertex) const {
  return impl_->last_corner[vertex] == NO_ID;
}

template <index_t D>
std::optional<PolyhedronFacet> SolidMesh<D>::polyhedron_facet_from_vertices(
    absl::Span<const index_t> vertices) const {
  if (vertices.empty()) return std::nullopt;
  const auto sorted = internal::sorted_vertices(vertices);
  if (sorted.back() >= this->nb_vertices()) return std::nullopt;
  std::optional<PolyhedronFacet> found;
  auto previous = NO_ID;
  // Corners come in polyhedron order, so the first match is in the smallest polyhedron.
  impl_->for_each_corner(sorted.front(), [&](index_t corner) {
    const auto polyhedron = impl_->polyhedron_of_corner(corner);
    if (polyhedron == previous) return false;
    previous = polyhedron;
    if (const auto facet = impl_->facet_with_vertices(polyhedron, sorted)) {
      found = PolyhedronFacet{polyhedron, *facet};
      return true;
    }
    return false;
  });
  return found;
}

template <index_t D>
std::vector<index_t> SolidMesh<D>::polyhedra_around_edge(
    const std::array<index_t, 2>& vertices) const {
  std::vector<index_t> polyhedra;
  const auto vertex0 = vertices[0];
  const auto vertex1 = vertices[1];
  if (vertex0 >= this->nb_vertices() || vertex1 >= this->nb_vertices()) return polyhedra;
  impl_->for_each_corner(vertex0, [&](index_t corner) {
    const auto polyhedron = impl_->polyhedron_of_corner(corner);
    if (!polyhedra.empty() && polyhedra.back() == polyhedron) return;
    if (impl_->has_facet_edge(polyhedron, vertex0, vertex1)) polyhedra.push_back(polyhedron);
  });
  return polyhedra;
}

template <index_t D>
Point<D> SolidMesh<D>::polyhedron_barycenter(index_t polyhedron) const {
  return facet_barycenter(polyhedron_vertices(polyhedron));
}

template <index_t D>
double SolidMesh<D>::polyhedron_volume(index_t polyhedron) const {
  const auto& storage = *impl_;
  const auto corner = storage.first_corner(polyhedron);
  const auto point = [&](local_index_t local) -> const Point<D>& {
    return this->point(storage.vertices[corner + local]);
  };
  if (storage.tetrahedra_only) {
    return tetrahedron_signed_volume({point(0), point(1), point(2), point(3)});
  }
  // Sum of the tetrahedra from the barycenter to a fan of each facet: each is positive when
  // its facet faces away from the barycenter.
  const auto center = polyhedron_barycenter(polyhedron);
  double volume = 0;
  for (auto slot = storage.first_facet(polyhedron); slot < storage.end_facet(polyhedron); ++slot) {
    const auto locals = storage.facet_locals(slot);
    for (std::size_t k = 1; k + 1 < locals.size(); ++k) {
      volume += tetrahedron_signed_volume(
          {center, point(locals[0]), point(locals[k]), point(locals[k + 1])});
    }
  }
  return volume;
}

template <index_t D>
Point<D> SolidMesh<D>::facet_barycenter(absl::Span<const index_t> vertices) const {
  Point<D> sum;
  if (vertices.empty()) return sum;
  for (const auto vertex : vertices) sum += this->point(vertex);
  return sum * (1. / static_cast<double>(vertices.size()));
}

template <index_t D>
Point<D> SolidMesh<D>::polyhedron_facet_barycenter(const PolyhedronFacet& polyhedron_facet) const {
  return facet_barycenter(polyhedron_facet_vertices(polyhedron_facet));
}

template <index_t D>
bool SolidMesh<D>::are_edges_enabled() const {
  return impl_->edges != nullptr;
}

template <index_t D>
void SolidMesh<D>::enable_edges() {
  if (impl_->edges) return;
  impl_->edges = std::make_unique<SolidEdges<D>>(*this);
  auto& table = *impl_->edge_table();
  const auto& storage = *impl_;
  const auto nb_polyhedra = storage.nb_polyhedra();
  // Occurrences: the distinct edges of each polyhedron in first-appearance order, so that the
  // first occurrence of a pair in this order is its first appearance in the mesh.
  std::vector<index_t> offsets(std::size_t{nb_polyhedra} + 1, 0);
  parallel_for_range(nb_polyhedra, 4096, [&](index_t begin, index_t end) {
    for (auto polyhedron = begin; polyhedron < end; ++polyhedron) {
      index_t count = 0;
      for_each_distinct_edge(storage, polyhedron, [&count](EdgeKey) { ++count; });
      offsets[polyhedron + 1] = count;
    }
  });
  std::partial_sum(offsets.begin(), offsets.end(), offsets.begin());
  std::vector<EdgeKey> occurrences(offsets.back());
  parallel_for_range(nb_polyhedra, 4096, [&](index_t begin, index_t end) {
    for (auto polyhedron = begin; polyhedron < end; ++polyhedron) {
      auto next = offsets[polyhedron];
      for_each_distinct_edge(storage, polyhedron, [&](EdgeKey key) { occurrences[next++] = key; });
    }
  });
  std::vector<index_t>().swap(offsets);
  const auto nb_occurrences = static_cast<index_t>(occurrences.size());
  // Bucket of a smaller vertex: (larger vertex << 32 | occurrence) of its occurrences. Sorted,
  // each pair starts with its first occurrence.
  internal::Buckets<std::uint64_t> buckets{
      nb_occurrences, this->nb_vertices(),
      [&occurrences](index_t i) { return static_cast<index_t>(occurrences[i] >> 32); },
      [&occurrences](index_t i) { return (occurrences[i] << 32) | i; }};
  std::vector<unsigned char> is_first(nb_occurrences, 0);
  parallel_for_range(this->nb_vertices(), 1024, [&](index_t begin, index_t end) {
    for (auto vertex = begin; vertex < end; ++vertex) {
      const auto pairs = buckets.bucket(vertex);
      std::sort(pairs.begin(), pairs.end());
      for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (i == 0 || (pairs[i] >> 32) != (pairs[i - 1] >> 32)) {
          is_first[static_cast<index_t>(pairs[i])] = 1;
        }
      }
    }
  });
  std::vector<std::uint64_t>().swap(buckets.sorted);
  table.vertices.reserve(nb_occurrences / 4);
  for (index_t occurrence = 0; occurrence < nb_occurrences; ++occurrence) {
    if (is_first[occurrence] == 0) continue;
    const auto key = occurrences[occurrence];
    table.vertices.push_back({static_cast<index_t>(key >> 32), static_cast<index_t>(key)});
  }
  table.attributes.resize(table.nb_edges());
  table.rebuild_lists(this->nb_vertices());
}

template <index_t D>
void SolidMesh<D>::disable_edges() {
  impl_->edges.reset();
}

template <index_t D>
const SolidEdges<D>& SolidMesh<D>::edges() const {
  OSTREL_EXCEPTION(OstrelMeshException, impl_->edges != nullptr,
                   "[SolidMesh::edges] Edges are not enabled");
  return *impl_->edges;
}

template <index_t D>
bool SolidMesh<D>::are_facets_enabled() const {
  return impl_->facets != nullptr;
}

template <index_t D>
void SolidMesh<D>::enable_facets() {
  if (impl_->facets) return;
  impl_->facets = std::make_unique<SolidFacets<D>>(*this);
  auto& table = *impl_->facet_table();
  const auto& storage = *impl_;
  // Each slot learns the first slot of its vertex set; slots that are their own first one
  // create the entries, in slot order, which is first-appearance order.
  std::vector<index_t> first_slot(storage.nb_facet_slots());
  storage.for_each_facet_group([&first_slot](absl::Span<const index_t> slots) {
    for (const auto slot : slots) first_slot[slot] = slots.front();
  });
  std::size_t nb_entries = 0;
  for (index_t slot = 0; slot < first_slot.size(); ++slot) {
    if (first_slot[slot] == slot) ++nb_entries;
  }
  table.offsets.reserve(nb_entries + 1);
  table.vertices.reserve(storage.four_facets_each() ? 3 * nb_entries : nb_entries);
  for (index_t polyhedron = 0; polyhedron < storage.nb_polyhedra(); ++polyhedron) {
    for (auto slot = storage.first_facet(polyhedron); slot < storage.end_facet(polyhedron);
         ++slot) {
      if (first_slot[slot] == slot) table.append(storage.slot_vertices(polyhedron, slot));
    }
  }
  table.attributes.resize(table.nb_facets());
  table.rebuild_lists(this->nb_vertices());
}

template <index_t D>
void SolidMesh<D>::disable_facets() {
  impl_->facets.reset();
}

template <index_t D>
const SolidFacets<D>& SolidMesh<D>::facets() const {
  OSTREL_EXCEPTION(OstrelMeshException, impl_->facets != nullptr,
                   "[SolidMesh::facets] Facets are not enabled");
  return *impl_->facets;
}

template <index_t D>
AttributeManager& SolidMesh<D>::polyhedron_attribute_manager() const {
  return impl_->polyhedron_attributes;
}

template <index_t D>
void SolidMesh<D>::resize_vertex_storage(index_t nb_vertices) {
  GeometricMesh<D>::resize_vertex_storage(nb_vertices);
  impl_->last_corner.resize(nb_vertices, NO_ID);
  if (auto* table = impl_->edge_table()) table->first_edge.resize(nb_vertices, NO_ID);
  if (auto* table = impl_->facet_table()) table->first_facet.resize(nb_vertices, NO_ID);
}

template <index_t D>
void SolidMesh<D>::renumber_vertex_storage(absl::Span<const index_t> old2new, index_t nb_vertices) {
  GeometricMesh<D>::renumber_vertex_storage(old2new, nb_vertices);
  for (auto& vertex : impl_->vertices) vertex = old2new[vertex];
  impl_->rebuild_incidences(nb_vertices);
  impl_->release_spare_capacity();
  if (auto* table = impl_->edge_table()) table->renumber_vertices(old2new, nb_vertices);
  if (auto* table = impl_->facet_table()) table->renumber_vertices(old2new, nb_vertices);
}

template class SolidEdges<3>;
template class SolidFacets<3>;
template class SolidMesh<3>;

}  // namespace veyra
