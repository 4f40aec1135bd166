// SPDX-License-Identifier: MIT
#include <model/wireframe/unique_edges_inventory.h>

#include <algorithm>

namespace veyra::detail {

void UniqueEdgesInventory::reserve(index_t nb_edges, index_t nb_surface_edges,
                                   index_t nb_unique_vertices) {
  edges_.reserve(nb_edges);
  chain_next_.reserve(nb_edges);
  if (chain_head_.size() < nb_unique_vertices) {
    chain_head_.resize(nb_unique_vertices, NO_ID);
    chain_size_.resize(nb_unique_vertices, 0);
  }
  surface_chains_.reserve(nb_edges);
  polygon_chains_.reserve(nb_edges);
  surface_entries_.reserve(nb_surface_edges);
  polygon_entries_.reserve(nb_surface_edges);
}

void UniqueEdgesInventory::clear() {
  edges_.clear();
  std::fill(chain_head_.begin(), chain_head_.end(), NO_ID);
  std::fill(chain_size_.begin(), chain_size_.end(), 0);
  chain_next_.clear();
  overflow_.clear();
  surfaces_.clear();
  surface_slots_.clear();
  surface_chains_.clear();
  surface_entries_.clear();
  cycle_offsets_.assign(1, 0);
  cycle_values_.clear();
  polygon_chains_.clear();
  polygon_entries_.clear();
}

std::optional<index_t> UniqueEdgesInventory::find(index_t low, index_t high) const {
  const auto head = low < chain_head_.size() ? chain_head_[low] : overflowed;
  if (head == overflowed) {
    const auto found = overflow_.find(key(low, high));
    if (found == overflow_.end()) return std::nullopt;
    return found->second;
  }
  for (auto edge = head; edge != NO_ID; edge = chain_next_[edge]) {
    if (edges_[edge][1] == high) return edge;
  }
  return std::nullopt;
}

void UniqueEdgesInventory::index_edge(index_t low, index_t high, index_t edge) {
  chain_next_.push_back(NO_ID);
  // The pair of two untied ends has no vertex to chain under.
  if (low == NO_ID) {
    overflow_.emplace(key(low, high), edge);
    return;
  }
  if (low >= chain_head_.size()) {
    const auto size = std::max<std::size_t>(low + std::size_t{1}, 2 * chain_head_.size());
    chain_head_.resize(size, NO_ID);
    chain_size_.resize(size, 0);
  }
  auto& head = chain_head_[low];
  if (head != overflowed && chain_size_[low] == max_chain_size) {
    for (auto chained = head; chained != NO_ID; chained = chain_next_[chained]) {
      overflow_.emplace(key(low, edges_[chained][1]), chained);
    }
    head = overflowed;
  }
  if (head == overflowed) {
    overflow_.emplace(key(low, high), edge);
    return;
  }
  chain_next_[edge] = head;
  head = edge;
  ++chain_size_[low];
}

std::optional<index_t> UniqueEdgesInventory::edge_index(
    const std::array<index_t, 2>& unique_vertices) const {
  const auto [low, high] = std::minmax(unique_vertices[0], unique_vertices[1]);
  return find(low, high);
}

std::pair<index_t, bool> UniqueEdgesInventory::find_or_insert_edge(
    const std::array<index_t, 2>& unique_vertices) {
  const auto [low, high] = std::minmax(unique_vertices[0], unique_vertices[1]);
  if (const auto found = find(low, high)) return {*found, false};
  const auto edge = nb_edges();
  edges_.push_back({low, high});
  index_edge(low, high, edge);
  surface_chains_.emplace_back();
  polygon_chains_.emplace_back();
  return {edge, true};
}

index_t UniqueEdgesInventory::surface_slot(const uuid& surface) {
  // Entries come surface after surface: the last slot is almost always the one asked for.
  if (!surfaces_.empty() && surfaces_.back() == surface) {
    return static_cast<index_t>(surfaces_.size() - 1);
  }
  const auto [entry, inserted] =
      surface_slots_.try_emplace(surface, static_cast<index_t>(surfaces_.size()));
  if (inserted) surfaces_.push_back(surface);
  return entry->second;
}

void UniqueEdgesInventory::add_surface_edge(index_t edge, const uuid& surface,
                                            const PolygonEdge& polygon_edge) {
  const auto entry = static_cast<index_t>(surface_entries_.size());
  surface_entries_.push_back({surface_slot(surface), polygon_edge, NO_ID});
  auto& chain = surface_chains_[edge];
  if (chain.size == 0) {
    chain.first = entry;
  } else {
    surface_entries_[chain.last].next = entry;
  }
  chain.last = entry;
  ++chain.size;
}

UniqueEdgesInventory::SurfaceEdgeRange UniqueEdgesInventory::surface_edges(index_t edge) const {
  const auto& chain = surface_chains_[edge];
  return {this, chain.first, chain.size};
}

index_t UniqueEdgesInventory::add_polygon_cycle(absl::Span<const index_t> canonical_cycle) {
  const auto id = static_cast<index_t>(cycle_offsets_.size() - 1);
  cycle_values_.insert(cycle_values_.end(), canonical_cycle.begin(), canonical_cycle.end());
  cycle_offsets_.push_back(static_cast<index_t>(cycle_values_.size()));
  return id;
}

bool UniqueEdgesInventory::add_distinct_polygon(index_t edge, index_t cycle_id) {
  auto& chain = polygon_chains_[edge];
  const auto added = cycle(cycle_id);
  for (auto entry = chain.first; entry != NO_ID; entry = polygon_entries_[entry].next) {
    const auto listed = cycle(polygon_entries_[entry].cycle);
    if (std::equal(listed.begin(), listed.end(), added.begin(), added.end())) return false;
  }
  const auto entry = static_cast<index_t>(polygon_entries_.size());
  polygon_entries_.push_back({cycle_id, NO_ID});
  if (chain.size == 0) {
    chain.first = entry;
  } else {
    polygon_entries_[chain.last].next = entry;
  }
  chain.last = entry;
  ++chain.size;
  return true;
}

UniqueEdgesInventory::PolygonRange UniqueEdgesInventory::distinct_polygons(index_t edge) const {
  const auto& chain = polygon_chains_[edge];
  return {this, chain.first, chain.size};
}

}  // namespace veyra::detail
