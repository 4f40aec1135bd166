// SPDX-License-Identifier: MIT
// EdgeStorage: the edges of a curve or a graph, each vertex's edge ends in attachment order, and
// the edge attributes. Shared by EdgedCurve<D> and Graph. Not installed.
#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include <absl/types/span.h>

#include <ostrel/basic/attribute_manager.h>
#include <ostrel/mesh/element_references.h>

namespace veyra::internal {

class EdgeStorage {
 public:
  /// `owner` names the builder in error messages.
  explicit EdgeStorage(std::string_view owner) : owner_(owner) {}

  index_t nb_edges() const { return static_cast<index_t>(edges_.size()); }
  index_t edge_vertex(const EdgeVertex& edge_vertex) const {
    OSTREL_ASSERT(edge_vertex.edge_id < edges_.size() && edge_vertex.vertex_id < 2,
                  "[edge_vertex] edge vertex out of range");
    return edges_[edge_vertex.edge_id][edge_vertex.vertex_id];
  }
  const std::array<index_t, 2>& edge_vertices(index_t edge) const {
    OSTREL_ASSERT(edge < edges_.size(), "[edge_vertices] edge out of range");
    return edges_[edge];
  }
  const EdgesAroundVertex& edges_around_vertex(index_t vertex) const {
    OSTREL_ASSERT(vertex < around_.size(), "[edges_around_vertex] vertex out of range");
    return around_[vertex];
  }
  /// The smallest edge joining the two vertices, in either direction.
  std::optional<index_t> edge_from_vertices(index_t vertex0, index_t vertex1) const;
  bool is_vertex_isolated(index_t vertex) const { return around_[vertex].empty(); }
  AttributeManager& edge_attribute_manager() const { return edge_attributes_; }

  void resize_vertices(index_t nb_vertices) { around_.resize(nb_vertices); }
  /// Renumbers the edge ends after a vertex deletion; ends on removed vertices become NO_ID.
  void renumber_vertices(absl::Span<const index_t> old2new, index_t nb_vertices);

  /// Appends an edge whose ends are both NO_ID.
  index_t create_edge();
  /// Appends edge (v0, v1): (e, 0) joins v0's list, then (e, 1) joins v1's.
  index_t create_edge(index_t vertex0, index_t vertex1, index_t nb_vertices);
  /// Moves one end: it leaves its old vertex's list and is appended to the new one's.
  void set_edge_vertex(const EdgeVertex& edge_vertex, index_t vertex, index_t nb_vertices);
  /// Removes the flagged edges; lists drop their ends and renumber the others in place.
  std::vector<index_t> delete_edges(const std::vector<bool>& to_delete);
  /// Flags of the vertices no edge uses.
  std::vector<bool> isolated_vertices() const;

  void copy(const EdgeStorage& other);

 private:
  void check_vertex(index_t vertex, index_t nb_vertices, std::string_view function) const;

  std::string_view owner_;
  std::vector<std::array<index_t, 2>> edges_;
  std::vector<EdgesAroundVertex> around_;
  mutable AttributeManager edge_attributes_;
};

}  // namespace veyra::internal
