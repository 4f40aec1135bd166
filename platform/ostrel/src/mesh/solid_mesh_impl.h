// SPDX-License-Identifier: MIT
// Storage behind SolidMesh<D>, SolidEdges<D> and SolidFacets<D>, shared by the solid builders
// and the solid algorithms of the mesh layer. Not installed.
//
// Polyhedra: the vertices of polyhedron p are vertices[first_corner(p) .. end_corner(p)), a
// "corner" being an index into that array; its facets are the slots first_facet(p) ..
// end_facet(p) of `adjacents`. A polyhedral solid keeps both offsets and, per facet slot, the
// facet's positions in its polyhedron (facet_locals); a tetrahedral solid has 4 corners and 4
// facet slots per polyhedron and the fixed tetrahedron facets, so it stores no offsets at all.
//
// Vertex incidence: the corners of each vertex form a circular singly linked list through
// next_corner, sorted by corner; last_corner[v] is the largest corner of v (NO_ID when isolated)
// and next_corner[last_corner[v]] the smallest, i.e. the seed. Appending a polyhedron appends
// its corners at the back of each list in O(1), without any per-vertex allocation.
//
// Tables: edges are listed per smaller vertex and facets per smallest vertex (first_* per
// vertex, next_* per entry), so lookups cost the few entries of one vertex, and no hashing is
// needed. Enabling a table on a large mesh groups the facets (or edges) with a counting sort
// by smallest vertex and small sorts per vertex instead of one lookup per facet.
#pragma once

#include <absl/container/inlined_vector.h>
#include <absl/types/span.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/parallel.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/solid_mesh.h>

#include <algorithm>
#include <array>
#include <memory>
#include <numeric>
#include <optional>
#include <tuple>
#include <type_traits>
#include <vector>

#include "mesh_access.h"

namespace veyra {
namespace internal {

/// Facet k of a tetrahedron is opposite local vertex k; these orders face outwards when the
/// tetrahedron's signed volume is positive.
inline constexpr std::array<std::array<local_index_t, 3>, 4> tetrahedron_facets{
    {{1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}}};

/// A few mesh vertices (of a facet, say) without heap allocation in the usual cases.
using VertexList = absl::InlinedVector<index_t, 8>;

inline VertexList sorted_vertices(absl::Span<const index_t> vertices) {
  VertexList sorted(vertices.begin(), vertices.end());
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

/// Items 0..nb_items-1 bucketed by key(item) < nb_keys with a counting sort: bucket k holds
/// payload(item) for its items, in item order, at sorted[offsets[k] .. offsets[k + 1]). Both
/// functions are read in item order, so the passes over the items are sequential.
template <typename Payload>
struct Buckets {
  template <typename Key, typename MakePayload>
  Buckets(index_t nb_items, index_t nb_keys, Key&& key, MakePayload&& payload)
      : offsets(std::size_t{nb_keys} + 1, 0) {
    for (index_t item = 0; item < nb_items; ++item) ++offsets[key(item) + 1];
    std::partial_sum(offsets.begin(), offsets.end(), offsets.begin());
    auto next = offsets;
    sorted.resize(nb_items);
    for (index_t item = 0; item < nb_items; ++item) sorted[next[key(item)]++] = payload(item);
  }

  /// Distinct buckets may be changed from distinct threads.
  absl::Span<Payload> bucket(index_t key) {
    return absl::MakeSpan(sorted.data() + offsets[key], offsets[key + 1] - offsets[key]);
  }

  std::vector<index_t> offsets;
  std::vector<Payload> sorted;
};

/// A facet slot as the bucketing of facets sees it: its second and third smallest vertices
/// (the smallest is the bucket), its number of vertices and the slot.
struct FacetEntry {
  index_t second;
  index_t third;
  index_t size;
  index_t slot;

  bool same_key(const FacetEntry& other) const {
    return second == other.second && third == other.third && size == other.size;
  }
  friend bool operator<(const FacetEntry& a, const FacetEntry& b) {
    if (a.size != b.size) return a.size < b.size;
    if (a.second != b.second) return a.second < b.second;
    if (a.third != b.third) return a.third < b.third;
    return a.slot < b.slot;
  }
};

}  // namespace internal

template <index_t D>
class SolidEdges<D>::Impl {
 public:
  explicit Impl(const SolidMesh<D>& solid) : mesh(solid) {}

  index_t nb_edges() const { return static_cast<index_t>(vertices.size()); }

  std::optional<index_t> find(index_t vertex0, index_t vertex1) const {
    const auto [smaller, larger] = std::minmax(vertex0, vertex1);
    if (smaller >= first_edge.size()) return std::nullopt;
    for (auto edge = first_edge[smaller]; edge != NO_ID; edge = next_edge[edge]) {
      if (vertices[edge][1] == larger) return edge;
    }
    return std::nullopt;
  }

  index_t find_or_add(index_t vertex0, index_t vertex1) {
    if (const auto edge = find(vertex0, vertex1)) return *edge;
    const auto [smaller, larger] = std::minmax(vertex0, vertex1);
    const auto edge = nb_edges();
    vertices.push_back({smaller, larger});
    next_edge.push_back(first_edge[smaller]);
    first_edge[smaller] = edge;
    attributes.resize(edge + 1);
    return edge;
  }

  void rebuild_lists(index_t nb_vertices) {
    first_edge.assign(nb_vertices, NO_ID);
    next_edge.resize(vertices.size());
    for (auto edge = nb_edges(); edge-- > 0;) {
      const auto smaller = vertices[edge][0];
      next_edge[edge] = first_edge[smaller];
      first_edge[smaller] = edge;
    }
  }

  /// Removes the flagged entries (and their attribute values); returns old-to-new.
  std::vector<index_t> remove(const std::vector<bool>& to_delete) {
    auto old2new = attributes.delete_elements(to_delete);
    const auto nb_kept = attributes.nb_elements();
    if (nb_kept == vertices.size()) return old2new;
    for (std::size_t old = 0; old < old2new.size(); ++old) {
      if (old2new[old] != NO_ID) vertices[old2new[old]] = vertices[old];
    }
    vertices.resize(nb_kept);
    rebuild_lists(static_cast<index_t>(first_edge.size()));
    return old2new;
  }

  /// Entries on removed vertices go; the others keep their order.
  void renumber_vertices(absl::Span<const index_t> old2new, index_t nb_vertices) {
    std::vector<bool> on_removed_vertex(vertices.size(), false);
    bool any_removed = false;
    for (index_t edge = 0; edge < vertices.size(); ++edge) {
      auto& ends = vertices[edge];
      ends = {old2new[ends[0]], old2new[ends[1]]};
      if (ends[0] == NO_ID || ends[1] == NO_ID) {
        on_removed_vertex[edge] = true;
        any_removed = true;
      }
    }
    first_edge.resize(nb_vertices);
    if (any_removed) {
      remove(on_removed_vertex);
    } else {
      rebuild_lists(nb_vertices);
    }
  }

  void copy(const Impl& other) {
    vertices = other.vertices;
    next_edge = other.next_edge;
    first_edge = other.first_edge;
    attributes.copy(other.attributes);
  }

  const SolidMesh<D>& mesh;
  /// (smaller, larger) vertex of each edge.
  std::vector<std::array<index_t, 2>> vertices;
  /// Lists of the edges whose smaller vertex is v: first_edge[v], then next_edge[...].
  std::vector<index_t> next_edge;
  std::vector<index_t> first_edge;
  mutable AttributeManager attributes;
};

template <index_t D>
class SolidFacets<D>::Impl {
 public:
  explicit Impl(const SolidMesh<D>& solid) : mesh(solid) {}

  index_t nb_facets() const { return static_cast<index_t>(offsets.size() - 1); }
  absl::Span<const index_t> facet_vertices(index_t facet) const {
    return absl::MakeConstSpan(vertices.data() + offsets[facet],
                               offsets[facet + 1] - offsets[facet]);
  }

  /// `sorted` holds the vertex set, ascending.
  std::optional<index_t> find_sorted(absl::Span<const index_t> sorted) const {
    if (sorted.empty() || sorted.front() >= first_facet.size()) return std::nullopt;
    if (sorted.size() == 3) return find_sorted_triangle(sorted);
    for (auto facet = first_facet[sorted.front()]; facet != NO_ID; facet = next_facet[facet]) {
      const auto candidate = facet_vertices(facet);
      if (candidate.size() != sorted.size()) continue;
      const auto candidate_sorted = internal::sorted_vertices(candidate);
      if (std::equal(candidate_sorted.begin(), candidate_sorted.end(), sorted.begin())) {
        return facet;
      }
    }
    return std::nullopt;
  }

  /// The usual case of find_sorted, compared in registers: every entry of the list has
  /// sorted[0] as its smallest vertex, so only the two others are compared.
  std::optional<index_t> find_sorted_triangle(absl::Span<const index_t> sorted) const {
    for (auto facet = first_facet[sorted[0]]; facet != NO_ID; facet = next_facet[facet]) {
      const auto begin = offsets[facet];
      if (offsets[facet + 1] - begin != 3) continue;
      auto v0 = vertices[begin];
      auto v1 = vertices[begin + 1];
      auto v2 = vertices[begin + 2];
      if (v0 > v1) std::swap(v0, v1);
      if (v1 > v2) std::swap(v1, v2);
      if (v0 > v1) std::swap(v0, v1);
      if (v1 == sorted[1] && v2 == sorted[2]) return facet;
    }
    return std::nullopt;
  }

  std::optional<index_t> find(absl::Span<const index_t> facet_vertices) const {
    return find_sorted(internal::sorted_vertices(facet_vertices));
  }

  /// Appends the facet (kept in the given order) unless its vertex set is present.
  index_t find_or_add(absl::Span<const index_t> facet_vertices) {
    const auto sorted = internal::sorted_vertices(facet_vertices);
    if (const auto facet = find_sorted(sorted)) return *facet;
    const auto facet = nb_facets();
    append(facet_vertices);
    next_facet.push_back(first_facet[sorted.front()]);
    first_facet[sorted.front()] = facet;
    attributes.resize(facet + 1);
    return facet;
  }

  /// Appends the entry without touching the lists or the attributes.
  void append(absl::Span<const index_t> facet_vertices) {
    vertices.insert(vertices.end(), facet_vertices.begin(), facet_vertices.end());
    offsets.push_back(static_cast<index_t>(vertices.size()));
  }

  void rebuild_lists(index_t nb_vertices) {
    first_facet.assign(nb_vertices, NO_ID);
    next_facet.resize(nb_facets());
    for (auto facet = nb_facets(); facet-- > 0;) {
      const auto entry = facet_vertices(facet);
      const auto smallest = *std::min_element(entry.begin(), entry.end());
      next_facet[facet] = first_facet[smallest];
      first_facet[smallest] = facet;
    }
  }

  /// Removes the flagged entries (and their attribute values); returns old-to-new.
  std::vector<index_t> remove(const std::vector<bool>& to_delete) {
    auto old2new = attributes.delete_elements(to_delete);
    if (attributes.nb_elements() == nb_facets()) return old2new;
    index_t kept = 0;
    index_t kept_vertex = 0;
    for (index_t facet = 0; facet < to_delete.size(); ++facet) {
      if (to_delete[facet]) continue;
      const auto begin = offsets[facet];
      const auto end = offsets[facet + 1];
      offsets[kept++] = kept_vertex;
      for (auto i = begin; i < end; ++i) vertices[kept_vertex++] = vertices[i];
    }
    offsets[kept] = kept_vertex;
    offsets.resize(kept + 1);
    vertices.resize(kept_vertex);
    rebuild_lists(static_cast<index_t>(first_facet.size()));
    return old2new;
  }

  /// Entries on removed vertices go; the others keep their order.
  void renumber_vertices(absl::Span<const index_t> old2new, index_t nb_vertices) {
    for (auto& vertex : vertices) vertex = old2new[vertex];
    std::vector<bool> on_removed_vertex(nb_facets(), false);
    bool any_removed = false;
    for (index_t facet = 0; facet < nb_facets(); ++facet) {
      const auto entry = facet_vertices(facet);
      if (std::find(entry.begin(), entry.end(), NO_ID) != entry.end()) {
        on_removed_vertex[facet] = true;
        any_removed = true;
      }
    }
    first_facet.resize(nb_vertices);
    if (any_removed) {
      remove(on_removed_vertex);
    } else {
      rebuild_lists(nb_vertices);
    }
  }

  void copy(const Impl& other) {
    offsets = other.offsets;
    vertices = other.vertices;
    next_facet = other.next_facet;
    first_facet = other.first_facet;
    attributes.copy(other.attributes);
  }

  const SolidMesh<D>& mesh;
  /// The vertices of facet f are vertices[offsets[f] .. offsets[f + 1]).
  std::vector<index_t> offsets{0};
  std::vector<index_t> vertices;
  /// Lists of the facets whose smallest vertex is v: first_facet[v], then next_facet[...].
  std::vector<index_t> next_facet;
  std::vector<index_t> first_facet;
  mutable AttributeManager attributes;
};

template <index_t D>
class SolidMesh<D>::Impl {
 public:
  index_t nb_vertices() const { return static_cast<index_t>(last_corner.size()); }
  index_t nb_polyhedra() const {
    return tetrahedra_only ? static_cast<index_t>(vertices.size() / 4)
                           : static_cast<index_t>(vertex_offsets.size() - 1);
  }
  index_t nb_corners() const { return static_cast<index_t>(vertices.size()); }
  index_t nb_facet_slots() const { return static_cast<index_t>(adjacents.size()); }

  index_t first_corner(index_t polyhedron) const {
    return tetrahedra_only ? 4 * polyhedron : vertex_offsets[polyhedron];
  }
  index_t end_corner(index_t polyhedron) const {
    return tetrahedra_only ? 4 * polyhedron + 4 : vertex_offsets[polyhedron + 1];
  }
  local_index_t nb_polyhedron_vertices(index_t polyhedron) const {
    return static_cast<local_index_t>(end_corner(polyhedron) - first_corner(polyhedron));
  }
  index_t first_facet(index_t polyhedron) const {
    return tetrahedra_only ? 4 * polyhedron : facet_offsets[polyhedron];
  }
  index_t end_facet(index_t polyhedron) const {
    return tetrahedra_only ? 4 * polyhedron + 4 : facet_offsets[polyhedron + 1];
  }
  local_index_t nb_polyhedron_facets(index_t polyhedron) const {
    return static_cast<local_index_t>(end_facet(polyhedron) - first_facet(polyhedron));
  }
  index_t facet_slot(const PolyhedronFacet& facet) const {
    return first_facet(facet.polyhedron_id) + facet.facet_id;
  }

  /// Positions in its polyhedron of the vertices of a facet slot, in the facet's order.
  absl::Span<const local_index_t> facet_locals(index_t slot) const {
    if (tetrahedra_only) return internal::tetrahedron_facets[slot % 4];
    return absl::MakeConstSpan(facet_local_vertices.data() + facet_local_offsets[slot],
                               facet_local_offsets[slot + 1] - facet_local_offsets[slot]);
  }
  /// Mesh vertices of a facet slot of `polyhedron`, in the facet's order.
  internal::VertexList slot_vertices(index_t polyhedron, index_t slot) const {
    internal::VertexList result;
    const auto corner = first_corner(polyhedron);
    for (const auto local : facet_locals(slot)) result.push_back(vertices[corner + local]);
    return result;
  }
  internal::VertexList sorted_slot_vertices(index_t polyhedron, index_t slot) const {
    auto result = slot_vertices(polyhedron, slot);
    std::sort(result.begin(), result.end());
    return result;
  }

  /// Every polyhedron has at least 4 corners and 4 facets, so these counts mean 4 of each
  /// everywhere.
  bool four_corners_each() const { return vertices.size() == 4 * std::size_t{nb_polyhedra()}; }
  bool four_facets_each() const { return adjacents.size() == 4 * std::size_t{nb_polyhedra()}; }

  index_t polyhedron_of_corner(index_t corner) const {
    if (tetrahedra_only || four_corners_each()) return corner / 4;
    const auto found = std::upper_bound(vertex_offsets.begin(), vertex_offsets.end(), corner);
    return static_cast<index_t>(found - vertex_offsets.begin() - 1);
  }
  index_t polyhedron_of_facet(index_t slot) const {
    if (tetrahedra_only || four_facets_each()) return slot / 4;
    const auto found = std::upper_bound(facet_offsets.begin(), facet_offsets.end(), slot);
    return static_cast<index_t>(found - facet_offsets.begin() - 1);
  }
  PolyhedronVertex corner_reference(index_t corner) const {
    const auto polyhedron = polyhedron_of_corner(corner);
    return {polyhedron, static_cast<local_index_t>(corner - first_corner(polyhedron))};
  }

  /// Calls action(corner) for each corner of the vertex, ascending; action may return true to
  /// stop.
  template <typename Action>
  void for_each_corner(index_t vertex, Action&& action) const {
    const auto last = last_corner[vertex];
    if (last == NO_ID) return;
    auto corner = last;
    do {
      corner = next_corner[corner];
      if constexpr (std::is_same_v<decltype(action(corner)), bool>) {
        if (action(corner)) return;
      } else {
        action(corner);
      }
    } while (corner != last);
  }

  /// Adds the corner to its vertex's list, keeping it sorted.
  void link_corner(index_t corner) {
    auto& last = last_corner[vertices[corner]];
    if (last == NO_ID) {
      next_corner[corner] = corner;
      last = corner;
      return;
    }
    auto previous = last;
    if (corner < last) {
      // Find the corner after which it fits; the list ascends from next_corner[last].
      while (next_corner[previous] < corner) previous = next_corner[previous];
    }
    next_corner[corner] = next_corner[previous];
    next_corner[previous] = corner;
    if (corner > last) last = corner;
  }

  /// Removes the corner from its vertex's list.
  void unlink_corner(index_t corner) {
    auto previous = corner;
    while (next_corner[previous] != corner) previous = next_corner[previous];
    auto& last = last_corner[vertices[corner]];
    if (previous == corner) {
      last = NO_ID;
      return;
    }
    next_corner[previous] = next_corner[corner];
    if (last == corner) last = previous;
  }

  /// Relinks every corner from scratch (after a bulk change of the polyhedron arrays).
  /// Gives back the room of the corner, facet and vertex arrays when a deletion left them less
  /// than half full: a copy of a large mesh cut down to a small part (a block split into pieces)
  /// would otherwise keep the size of the whole.
  void release_spare_capacity() {
    const auto release = [](auto& values) {
      if (values.capacity() > 2 * values.size()) values.shrink_to_fit();
    };
    release(vertex_offsets);
    release(facet_offsets);
    release(facet_local_offsets);
    release(facet_local_vertices);
    release(vertices);
    release(adjacents);
    release(next_corner);
    release(last_corner);
  }

  void rebuild_incidences(index_t nb_vertices) {
    last_corner.assign(nb_vertices, NO_ID);
    next_corner.resize(vertices.size());
    for (index_t corner = 0; corner < vertices.size(); ++corner) {
      auto& last = last_corner[vertices[corner]];
      if (last == NO_ID) {
        next_corner[corner] = corner;
      } else {
        next_corner[corner] = next_corner[last];
        next_corner[last] = corner;
      }
      last = corner;
    }
  }

  /// First local facet of `polyhedron` whose vertex set is `sorted` (ascending).
  std::optional<local_index_t> facet_with_vertices(index_t polyhedron,
                                                   absl::Span<const index_t> sorted) const {
    const auto begin = first_facet(polyhedron);
    for (auto slot = begin; slot < end_facet(polyhedron); ++slot) {
      if (facet_locals(slot).size() != sorted.size()) continue;
      const auto candidate = sorted_slot_vertices(polyhedron, slot);
      if (std::equal(candidate.begin(), candidate.end(), sorted.begin(), sorted.end())) {
        return static_cast<local_index_t>(slot - begin);
      }
    }
    return std::nullopt;
  }

  /// Some facet of the polyhedron has an edge joining the two vertices.
  bool has_facet_edge(index_t polyhedron, index_t vertex0, index_t vertex1) const {
    const auto corner = first_corner(polyhedron);
    for (auto slot = first_facet(polyhedron); slot < end_facet(polyhedron); ++slot) {
      const auto locals = facet_locals(slot);
      for (std::size_t k = 0; k < locals.size(); ++k) {
        const auto start = vertices[corner + locals[k]];
        const auto end = vertices[corner + locals[(k + 1) % locals.size()]];
        if ((start == vertex0 && end == vertex1) || (start == vertex1 && end == vertex0)) {
          return true;
        }
      }
    }
    return false;
  }

  /// Groups the facet slots by vertex set and calls on_group(slots) once per group, slots
  /// ascending. Calls run concurrently on distinct groups, and every slot is in exactly one
  /// group.
  template <typename OnGroup>
  void for_each_facet_group(OnGroup&& on_group) const {
    // Facets of polyhedra in order: sequential reads of the polyhedron arrays.
    std::vector<index_t> smallest(nb_facet_slots());
    std::vector<internal::FacetEntry> entries(nb_facet_slots());
    parallel_for_range(nb_polyhedra(), 4096, [&](index_t begin, index_t end) {
      for (auto polyhedron = begin; polyhedron < end; ++polyhedron) {
        const auto corner = first_corner(polyhedron);
        for (auto slot = first_facet(polyhedron); slot < end_facet(polyhedron); ++slot) {
          const auto locals = facet_locals(slot);
          std::array<index_t, 3> first;
          if (locals.size() == 3) {
            first = {vertices[corner + locals[0]], vertices[corner + locals[1]],
                     vertices[corner + locals[2]]};
            if (first[0] > first[1]) std::swap(first[0], first[1]);
            if (first[1] > first[2]) std::swap(first[1], first[2]);
            if (first[0] > first[1]) std::swap(first[0], first[1]);
          } else {
            const auto sorted = sorted_slot_vertices(polyhedron, slot);
            first = {sorted[0], sorted[1], sorted[2]};
          }
          smallest[slot] = first[0];
          entries[slot] = {first[1], first[2], static_cast<index_t>(locals.size()), slot};
        }
      }
    });
    internal::Buckets<internal::FacetEntry> buckets{
        nb_facet_slots(), nb_vertices(), [&smallest](index_t slot) { return smallest[slot]; },
        [&entries](index_t slot) { return entries[slot]; }};
    std::vector<index_t>().swap(smallest);
    std::vector<internal::FacetEntry>().swap(entries);

    parallel_for_range(nb_vertices(), 1024, [&](index_t begin, index_t end) {
      absl::InlinedVector<index_t, 4> group;
      for (auto vertex = begin; vertex < end; ++vertex) {
        const auto bucket = buckets.bucket(vertex);
        std::sort(bucket.begin(), bucket.end());
        for (std::size_t run = 0; run < bucket.size();) {
          auto run_end = run + 1;
          while (run_end < bucket.size() && bucket[run_end].same_key(bucket[run])) ++run_end;
          const auto members = bucket.subspan(run, run_end - run);
          if (members.front().size <= 3) {
            group.clear();
            for (const auto& member : members) group.push_back(member.slot);
            on_group(absl::MakeConstSpan(group));
          } else {
            split_run(members, group, on_group);
          }
          run = run_end;
        }
      }
    });
  }

  /// Splits facets sharing their three smallest vertices and their size into groups of equal
  /// vertex sets, each group in slot order.
  template <typename OnGroup>
  void split_run(absl::Span<const internal::FacetEntry> members,
                 absl::InlinedVector<index_t, 4>& group, OnGroup& on_group) const {
    std::vector<internal::VertexList> sets;
    sets.reserve(members.size());
    for (const auto& member : members) {
      sets.push_back(sorted_slot_vertices(polyhedron_of_facet(member.slot), member.slot));
    }
    std::vector<bool> done(members.size(), false);
    for (std::size_t leader = 0; leader < members.size(); ++leader) {
      if (done[leader]) continue;
      group.clear();
      for (auto member = leader; member < members.size(); ++member) {
        if (done[member] || sets[member] != sets[leader]) continue;
        done[member] = true;
        group.push_back(members[member].slot);
      }
      on_group(absl::MakeConstSpan(group));
    }
  }

  typename SolidEdges<D>::Impl* edge_table() const {
    return edges ? &internal::MeshAccess::impl<SolidEdges<D>>(*edges) : nullptr;
  }
  typename SolidFacets<D>::Impl* facet_table() const {
    return facets ? &internal::MeshAccess::impl<SolidFacets<D>>(*facets) : nullptr;
  }

  /// Adds the missing table entries of the polyhedron's facets and facet edges, in order.
  void add_to_tables(index_t polyhedron) {
    auto* facet_entries = facet_table();
    auto* edge_entries = edge_table();
    if (facet_entries == nullptr && edge_entries == nullptr) return;
    for (auto slot = first_facet(polyhedron); slot < end_facet(polyhedron); ++slot) {
      const auto facet = slot_vertices(polyhedron, slot);
      if (facet_entries != nullptr) facet_entries->find_or_add(facet);
      if (edge_entries == nullptr) continue;
      for (std::size_t k = 0; k < facet.size(); ++k) {
        edge_entries->find_or_add(facet[k], facet[(k + 1) % facet.size()]);
      }
    }
  }

  bool tetrahedra_only{false};
  /// Polyhedral solids only: corners of p are [vertex_offsets[p], vertex_offsets[p + 1]).
  std::vector<index_t> vertex_offsets{0};
  /// Polyhedral solids only: facet slots of p are [facet_offsets[p], facet_offsets[p + 1]).
  std::vector<index_t> facet_offsets{0};
  /// Polyhedral solids only: positions of the vertices of facet slot s are
  /// facet_local_vertices[facet_local_offsets[s] .. facet_local_offsets[s + 1]).
  std::vector<index_t> facet_local_offsets{0};
  std::vector<local_index_t> facet_local_vertices;
  /// Mesh vertex of each corner.
  std::vector<index_t> vertices;
  /// Adjacent polyhedron across each facet slot, NO_ID when none.
  std::vector<index_t> adjacents;
  std::vector<index_t> next_corner;
  std::vector<index_t> last_corner;
  mutable AttributeManager polyhedron_attributes;
  std::unique_ptr<SolidEdges<D>> edges;
  std::unique_ptr<SolidFacets<D>> facets;
};

}  // namespace veyra
