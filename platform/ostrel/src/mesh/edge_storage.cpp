// SPDX-License-Identifier: MIT
#include "edge_storage.h"

#include <algorithm>

#include <ostrel/basic/ostrel_exception.h>

namespace veyra::internal {

std::optional<index_t> EdgeStorage::edge_from_vertices(index_t vertex0, index_t vertex1) const {
  if (vertex0 >= around_.size()) return std::nullopt;
  std::optional<index_t> smallest;
  for (const auto& end : around_[vertex0]) {
    if (edge_vertex(end.opposite()) != vertex1) continue;
    if (!smallest || end.edge_id < *smallest) smallest = end.edge_id;
  }
  return smallest;
}

void EdgeStorage::renumber_vertices(absl::Span<const index_t> old2new, index_t nb_vertices) {
  for (auto& ends : edges_) {
    for (auto& vertex : ends) {
      if (vertex != NO_ID) vertex = old2new[vertex];
    }
  }
  for (std::size_t old = 0; old < old2new.size(); ++old) {
    if (old2new[old] != NO_ID && old2new[old] != old) {
      around_[old2new[old]] = std::move(around_[old]);
    }
  }
  around_.resize(nb_vertices);
}

void EdgeStorage::check_vertex(index_t vertex, index_t nb_vertices,
                               std::string_view function) const {
  OSTREL_INPUT_CHECK(OstrelMeshException, vertex < nb_vertices, "[", owner_, "::", function,
                     "] Vertex ", vertex, " out of range (", nb_vertices, " vertices)");
}

index_t EdgeStorage::create_edge() {
  const auto edge = nb_edges();
  edges_.push_back({NO_ID, NO_ID});
  edge_attributes_.resize(edge + 1);
  return edge;
}

index_t EdgeStorage::create_edge(index_t vertex0, index_t vertex1, index_t nb_vertices) {
  check_vertex(vertex0, nb_vertices, "create_edge");
  check_vertex(vertex1, nb_vertices, "create_edge");
  const auto edge = nb_edges();
  edges_.push_back({vertex0, vertex1});
  around_[vertex0].emplace_back(edge, 0);
  around_[vertex1].emplace_back(edge, 1);
  edge_attributes_.resize(edge + 1);
  return edge;
}

void EdgeStorage::set_edge_vertex(const EdgeVertex& edge_vertex, index_t vertex,
                                  index_t nb_vertices) {
  OSTREL_INPUT_CHECK(OstrelMeshException,
                     edge_vertex.edge_id < nb_edges() && edge_vertex.vertex_id < 2, "[", owner_,
                     "::set_edge_vertex] Edge end ", edge_vertex.string(), " out of range (",
                     nb_edges(), " edges)");
  check_vertex(vertex, nb_vertices, "set_edge_vertex");
  auto& end = edges_[edge_vertex.edge_id][edge_vertex.vertex_id];
  if (end != NO_ID) {
    auto& old_list = around_[end];
    const auto found = std::find(old_list.begin(), old_list.end(), edge_vertex);
    if (found != old_list.end()) old_list.erase(found);
  }
  end = vertex;
  around_[vertex].push_back(edge_vertex);
}

std::vector<index_t> EdgeStorage::delete_edges(const std::vector<bool>& to_delete) {
  OSTREL_INPUT_CHECK(OstrelMeshException, to_delete.size() == nb_edges(), "[", owner_,
                     "::delete_edges] ", to_delete.size(), " flags given for ", nb_edges(),
                     " edges");
  auto old2new = edge_attributes_.delete_elements(to_delete);
  const auto nb_kept = edge_attributes_.nb_elements();
  if (nb_kept == to_delete.size()) return old2new;
  for (std::size_t old = 0; old < old2new.size(); ++old) {
    if (old2new[old] != NO_ID) edges_[old2new[old]] = edges_[old];
  }
  edges_.resize(nb_kept);
  for (auto& ends : around_) {
    std::size_t kept = 0;
    for (const auto& end : ends) {
      const auto edge = old2new[end.edge_id];
      if (edge != NO_ID) ends[kept++] = EdgeVertex{edge, end.vertex_id};
    }
    ends.resize(kept);
  }
  return old2new;
}

std::vector<bool> EdgeStorage::isolated_vertices() const {
  std::vector<bool> isolated(around_.size());
  for (std::size_t vertex = 0; vertex < around_.size(); ++vertex) {
    isolated[vertex] = around_[vertex].empty();
  }
  return isolated;
}

void EdgeStorage::copy(const EdgeStorage& other) {
  edges_ = other.edges_;
  around_ = other.around_;
  edge_attributes_.copy(other.edge_attributes_);
}

}  // namespace veyra::internal
