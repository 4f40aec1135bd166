// SPDX-License-Identifier: MIT
#include <ostrel/mesh/graph.h>
#include <ostrel/mesh/graph_builder.h>

#include <ostrel/mesh/mesh_builder_factory.h>
#include <ostrel/mesh/mesh_factory.h>

#include "edge_storage.h"
#include "mesh_access.h"

namespace veyra {

class Graph::Impl {
 public:
  internal::EdgeStorage edges{"GraphBuilder"};
};

Graph::Graph() : impl_{std::make_unique<Impl>()} {}
Graph::~Graph() = default;

std::unique_ptr<Graph> Graph::create() {
  return MeshFactory::create_mesh<Graph>(MeshFactory::default_impl(type_name_static()));
}

std::unique_ptr<Graph> Graph::create(const MeshImpl& impl) {
  return MeshFactory::create_mesh<Graph>(impl);
}

MeshType Graph::type_name_static() { return MeshType{"Graph"}; }

std::unique_ptr<Graph> Graph::clone() const {
  auto clone = create(impl_name());
  clone->copy_vertex_set(*this);
  clone->impl_->edges.copy(impl_->edges);
  return clone;
}

index_t Graph::nb_edges() const { return impl_->edges.nb_edges(); }

index_t Graph::edge_vertex(const EdgeVertex& edge_vertex) const {
  return impl_->edges.edge_vertex(edge_vertex);
}

std::array<index_t, 2> Graph::edge_vertices(index_t edge) const {
  return impl_->edges.edge_vertices(edge);
}

const EdgesAroundVertex& Graph::edges_around_vertex(index_t vertex) const {
  return impl_->edges.edges_around_vertex(vertex);
}

std::optional<index_t> Graph::edge_from_vertices(index_t vertex0, index_t vertex1) const {
  return impl_->edges.edge_from_vertices(vertex0, vertex1);
}

bool Graph::is_vertex_isolated(index_t vertex) const {
  return impl_->edges.is_vertex_isolated(vertex);
}

AttributeManager& Graph::edge_attribute_manager() const {
  return impl_->edges.edge_attribute_manager();
}

void Graph::resize_vertex_storage(index_t nb_vertices) {
  VertexSet::resize_vertex_storage(nb_vertices);
  impl_->edges.resize_vertices(nb_vertices);
}

void Graph::renumber_vertex_storage(absl::Span<const index_t> old2new, index_t nb_vertices) {
  VertexSet::renumber_vertex_storage(old2new, nb_vertices);
  impl_->edges.renumber_vertices(old2new, nb_vertices);
}

MeshImpl OstrelGraph::impl_name_static() { return MeshImpl{"OstrelGraph"}; }

GraphBuilder::GraphBuilder(Graph& mesh) : VertexSetBuilder(mesh), graph_(mesh) {}

std::unique_ptr<GraphBuilder> GraphBuilder::create(Graph& mesh) {
  return MeshBuilderFactory::create<GraphBuilder>(mesh);
}

index_t GraphBuilder::create_edge() {
  return internal::MeshAccess::impl<Graph>(graph_).edges.create_edge();
}

index_t GraphBuilder::create_edge(index_t vertex0, index_t vertex1) {
  return internal::MeshAccess::impl<Graph>(graph_).edges.create_edge(vertex0, vertex1,
                                                                     graph_.nb_vertices());
}

void GraphBuilder::set_edge_vertex(const EdgeVertex& edge_vertex, index_t vertex) {
  internal::MeshAccess::impl<Graph>(graph_).edges.set_edge_vertex(edge_vertex, vertex,
                                                                  graph_.nb_vertices());
}

std::vector<index_t> GraphBuilder::delete_edges(const std::vector<bool>& to_delete) {
  return internal::MeshAccess::impl<Graph>(graph_).edges.delete_edges(to_delete);
}

std::vector<index_t> GraphBuilder::delete_isolated_vertices() {
  return delete_vertices_of_mesh(
      internal::MeshAccess::impl<Graph>(graph_).edges.isolated_vertices());
}

}  // namespace veyra
