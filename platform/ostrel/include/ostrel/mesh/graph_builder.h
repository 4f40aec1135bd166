// SPDX-License-Identifier: MIT
// GraphBuilder: creates and deletes the vertices and edges of a Graph, keeping each vertex's edge
// ends in attachment order.
#pragma once

#include <memory>
#include <vector>

#include <ostrel/mesh/graph.h>
#include <ostrel/mesh/vertex_set_builder.h>

namespace veyra {

class GraphBuilder : public VertexSetBuilder {
 public:
  explicit GraphBuilder(Graph& mesh);

  static std::unique_ptr<GraphBuilder> create(Graph& mesh);

  /// An edge whose ends are both NO_ID; set them with set_edge_vertex.
  index_t create_edge();
  /// \throw OstrelMeshException (input) when a vertex does not exist.
  index_t create_edge(index_t vertex0, index_t vertex1);
  /// \throw OstrelMeshException (input) when the end or the vertex does not exist.
  void set_edge_vertex(const EdgeVertex& edge_vertex, index_t vertex);
  /// Removes the flagged edges and their attribute values; returns old-to-new. Vertices stay.
  std::vector<index_t> delete_edges(const std::vector<bool>& to_delete);
  /// Removes the vertices no edge uses; returns old-to-new.
  std::vector<index_t> delete_isolated_vertices();

 private:
  Graph& graph_;
};

}  // namespace veyra
