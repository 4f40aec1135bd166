// SPDX-License-Identifier: MIT
// Graph: vertices without positions joined by edges, and OstrelGraph, its default implementation.
// Each vertex lists its edge ends in the order they were attached to it.
#pragma once

#include <array>
#include <memory>
#include <optional>

#include <ostrel/mesh/element_references.h>
#include <ostrel/mesh/vertex_set.h>

namespace veyra {

class Graph : public VertexSet {
 public:
  ~Graph() override;

  static std::unique_ptr<Graph> create();
  static std::unique_ptr<Graph> create(const MeshImpl& impl);
  /// "Graph".
  static MeshType type_name_static();
  MeshType type_name() const final { return type_name_static(); }
  /// Same implementation, vertices, edges, incidence orders, attributes and name; a fresh id.
  std::unique_ptr<Graph> clone() const;

  index_t nb_edges() const;
  index_t edge_vertex(const EdgeVertex& edge_vertex) const;
  std::array<index_t, 2> edge_vertices(index_t edge) const;
  /// Edge ends at the vertex in attachment order (as for EdgedCurve).
  const EdgesAroundVertex& edges_around_vertex(index_t vertex) const;
  /// The smallest edge joining the two vertices, in either direction.
  std::optional<index_t> edge_from_vertices(index_t vertex0, index_t vertex1) const;
  bool is_vertex_isolated(index_t vertex) const final;

  AttributeManager& edge_attribute_manager() const;

 protected:
  Graph();

  void resize_vertex_storage(index_t nb_vertices) override;
  void renumber_vertex_storage(absl::Span<const index_t> old2new, index_t nb_vertices) override;

 private:
  friend struct internal::MeshAccess;

  class Impl;
  std::unique_ptr<Impl> impl_;
};

class OstrelGraph final : public Graph {
 public:
  static MeshImpl impl_name_static();
  MeshImpl impl_name() const override { return impl_name_static(); }
};

}  // namespace veyra
