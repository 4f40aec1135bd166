// SPDX-License-Identifier: MIT
#include <ostrel/mesh/graph_identifier.h>

#include <ostrel/mesh/graph.h>

#include "connected_groups.h"

namespace veyra::detail {

class GraphIdentifier::Impl {
 public:
  explicit Impl(const Graph& graph) : graph(graph) {}

  index_t identify() {
    return groups.identify(graph.nb_vertices(), [this](auto&& unite) {
      for (index_t edge = 0; edge < graph.nb_edges(); ++edge) {
        const auto [vertex0, vertex1] = graph.edge_vertices(edge);
        if (vertex0 != NO_ID && vertex1 != NO_ID) unite(vertex0, vertex1);
      }
    });
  }

  const Graph& graph;
  internal::IdentifiedGroups groups;
};

GraphIdentifier::GraphIdentifier(const Graph& graph) : impl_{std::make_unique<Impl>(graph)} {}
GraphIdentifier::~GraphIdentifier() = default;

index_t GraphIdentifier::identify_vertices() { return impl_->identify(); }

std::vector<std::vector<index_t>> GraphIdentifier::identified_connected_vertices() const {
  if (!impl_->groups.identified()) impl_->identify();
  return impl_->groups.members();
}

index_t GraphIdentifier::identifier(index_t vertex) const {
  return impl_->groups.identifier(vertex);
}

}  // namespace veyra::detail
