// SPDX-License-Identifier: MIT
// UniqueEdgesInventory: the distinct edges of a model's surface meshes, each named by the
// unordered pair of unique vertices at its ends, with the polygon edges and the distinct polygons
// that lie on it.
#pragma once

#include <absl/container/flat_hash_map.h>
#include <absl/types/span.h>
#include <ostrel/basic/common.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/mesh/element_references.h>

#include <array>
#include <cstdint>
#include <iterator>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

namespace veyra::detail {

/// Every unique edge gets an index 0, 1, 2... in order of first insertion, so iterating the
/// indices in increasing order is iterating the edges in insertion order. For each unique edge
/// the inventory keeps:
///   - the polygon edges lying on it, as (surface id, PolygonEdge), in insertion order;
///   - the distinct polygons incident to it, as canonical vertex cycles (see
///     ostrel/model/canonical_cycle.h), each listed once, in insertion order.
///
/// Storage is flat. Each unique edge is found from its smaller unique vertex: every unique vertex
/// chains the edges it starts, and a vertex that starts many edges (the apex of a large fan)
/// moves them to a hash map, so a lookup or an insertion costs a few steps whatever the mesh.
/// Meshes number neighbouring vertices and polygons close to each other, so the chains touch
/// memory that was used moments before, where a hash map would jump at random. The per-edge
/// lists are chains threaded through shared entry arrays, and the cycles live in one value pool:
/// adding an entry allocates nothing beyond the amortized growth of those arrays. Memory grows
/// with the largest unique vertex met. Adding a distinct polygon compares it with the polygons
/// already listed on the edge. Not thread-safe for writing.
class UniqueEdgesInventory {
 public:
  /// One polygon edge on a unique edge.
  struct SurfaceEdge {
    uuid surface;
    PolygonEdge edge;

    friend bool operator==(const SurfaceEdge&, const SurfaceEdge&) = default;
  };

  /// The entries of one per-edge chain, in insertion order. Re-iterable; valid until the
  /// inventory changes.
  template <typename Owner, typename Value>
  class ChainRange {
   public:
    class Iterator {
     public:
      using iterator_category = std::forward_iterator_tag;
      using value_type = Value;
      using difference_type = std::ptrdiff_t;
      using reference = Value;
      using pointer = void;

      Iterator() = default;
      Iterator(const Owner* owner, index_t entry) : owner_(owner), entry_(entry) {}

      Value operator*() const { return owner_->chain_value(std::type_identity<Value>{}, entry_); }
      Iterator& operator++() {
        entry_ = owner_->chain_next(std::type_identity<Value>{}, entry_);
        return *this;
      }
      Iterator operator++(int) {
        auto copy = *this;
        ++*this;
        return copy;
      }
      friend bool operator==(const Iterator& lhs, const Iterator& rhs) {
        return lhs.entry_ == rhs.entry_;
      }

     private:
      const Owner* owner_{nullptr};
      index_t entry_{NO_ID};
    };

    ChainRange(const Owner* owner, index_t first, index_t size)
        : owner_(owner), first_(first), size_(size) {}

    Iterator begin() const { return {owner_, first_}; }
    Iterator end() const { return {owner_, NO_ID}; }
    index_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Value front() const { return *begin(); }

   private:
    const Owner* owner_;
    index_t first_;
    index_t size_;
  };

  using SurfaceEdgeRange = ChainRange<UniqueEdgesInventory, SurfaceEdge>;
  using PolygonRange = ChainRange<UniqueEdgesInventory, absl::Span<const index_t>>;

  index_t nb_edges() const { return static_cast<index_t>(edges_.size()); }
  bool empty() const { return edges_.empty(); }

  /// Room for `nb_edges` unique edges and `nb_surface_edges` polygon edges, over unique vertices
  /// below `nb_unique_vertices`.
  void reserve(index_t nb_edges, index_t nb_surface_edges, index_t nb_unique_vertices = 0);
  /// Forgets everything.
  void clear();

  /// The index of the unique edge joining the two unique vertices (either order); empty when
  /// the inventory has no such edge.
  std::optional<index_t> edge_index(const std::array<index_t, 2>& unique_vertices) const;
  /// The index of the unique edge joining the two unique vertices, inserted with the next index
  /// when absent; `second` is true when it was inserted.
  std::pair<index_t, bool> find_or_insert_edge(const std::array<index_t, 2>& unique_vertices);
  /// The two unique vertices of the edge, the smaller first.
  const std::array<index_t, 2>& edge_unique_vertices(index_t edge) const { return edges_[edge]; }

  /// Appends a polygon edge of `surface` to the unique edge's list.
  void add_surface_edge(index_t edge, const uuid& surface, const PolygonEdge& polygon_edge);
  /// The polygon edges on the unique edge, in insertion order.
  SurfaceEdgeRange surface_edges(index_t edge) const;
  index_t nb_surface_edges(index_t edge) const { return surface_chains_[edge].size; }

  /// Stores a canonical vertex cycle once, for add_distinct_polygon; returns its id.
  index_t add_polygon_cycle(absl::Span<const index_t> canonical_cycle);
  /// Lists the stored cycle on the unique edge unless an equal cycle (same length, same entries)
  /// is listed already; returns true when it was listed.
  bool add_distinct_polygon(index_t edge, index_t cycle);
  /// The distinct polygons incident to the unique edge, as canonical cycles.
  PolygonRange distinct_polygons(index_t edge) const;
  index_t nb_distinct_polygons(index_t edge) const { return polygon_chains_[edge].size; }

 private:
  template <typename, typename>
  friend class ChainRange;

  struct Chain {
    index_t first{NO_ID};
    index_t last{NO_ID};
    index_t size{0};
  };
  struct SurfaceEdgeEntry {
    index_t surface;
    PolygonEdge edge;
    index_t next;
  };
  struct PolygonEntry {
    index_t cycle;
    index_t next;
  };

  static std::uint64_t key(index_t low, index_t high) {
    return (static_cast<std::uint64_t>(low) << 32) | high;
  }
  std::optional<index_t> find(index_t low, index_t high) const;
  void index_edge(index_t low, index_t high, index_t edge);
  index_t surface_slot(const uuid& surface);
  absl::Span<const index_t> cycle(index_t id) const {
    return absl::MakeConstSpan(cycle_values_)
        .subspan(cycle_offsets_[id], cycle_offsets_[id + 1] - cycle_offsets_[id]);
  }

  // Chain walking for ChainRange, chosen by the value type.
  SurfaceEdge chain_value(std::type_identity<SurfaceEdge>, index_t entry) const {
    const auto& stored = surface_entries_[entry];
    return {surfaces_[stored.surface], stored.edge};
  }
  index_t chain_next(std::type_identity<SurfaceEdge>, index_t entry) const {
    return surface_entries_[entry].next;
  }
  absl::Span<const index_t> chain_value(std::type_identity<absl::Span<const index_t>>,
                                        index_t entry) const {
    return cycle(polygon_entries_[entry].cycle);
  }
  index_t chain_next(std::type_identity<absl::Span<const index_t>>, index_t entry) const {
    return polygon_entries_[entry].next;
  }

  std::vector<std::array<index_t, 2>> edges_;
  // Per unique vertex: the last edge it starts (NO_ID for none, `overflowed` when its edges
  // moved to overflow_) and how many it chains; per edge: the previous edge of the same chain.
  static constexpr index_t overflowed = NO_ID - 1;
  static constexpr std::uint8_t max_chain_size = 16;
  std::vector<index_t> chain_head_;
  std::vector<std::uint8_t> chain_size_;
  std::vector<index_t> chain_next_;
  absl::flat_hash_map<std::uint64_t, index_t> overflow_;

  std::vector<uuid> surfaces_;
  absl::flat_hash_map<uuid, index_t> surface_slots_;
  std::vector<Chain> surface_chains_;
  std::vector<SurfaceEdgeEntry> surface_entries_;

  std::vector<index_t> cycle_offsets_{0};
  std::vector<index_t> cycle_values_;
  std::vector<Chain> polygon_chains_;
  std::vector<PolygonEntry> polygon_entries_;
};

}  // namespace veyra::detail
