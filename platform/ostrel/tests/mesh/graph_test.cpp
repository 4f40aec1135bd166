// SPDX-License-Identifier: MIT
#include <ostrel/mesh/graph.h>

#include <gtest/gtest.h>

#include <ostrel/mesh/graph_builder.h>
#include <ostrel/mesh/graph_identifier.h>

namespace veyra {
namespace {

TEST(Graph, BuildsEdgesAndGroupsVerticesByIncreasingSmallestMember) {
  auto graph = Graph::create();
  auto builder = GraphBuilder::create(*graph);
  EXPECT_EQ(builder->create_vertices(7), 0);
  builder->create_edge(5, 1);
  builder->create_edge(3, 6);
  builder->create_edge(1, 6);
  builder->create_edge(4, 0);
  EXPECT_EQ(graph->nb_edges(), 4);
  EXPECT_EQ(graph->edge_from_vertices(6, 3), 1);
  EXPECT_EQ(graph->edges_around_vertex(6).size(), 2);
  EXPECT_TRUE(graph->is_vertex_isolated(2));

  GraphIdentifier identifier{*graph};
  EXPECT_EQ(identifier.identified_connected_vertices(),
            (std::vector<std::vector<index_t>>{{0, 4}, {1, 3, 5, 6}, {2}}));
  EXPECT_EQ(identifier.identify_vertices(), 3);
  EXPECT_EQ(identifier.identifier(3), 1);
  EXPECT_EQ(identifier.identifier(2), 2);

  const auto clone = graph->clone();
  EXPECT_EQ(clone->type_name().get(), "Graph");
  EXPECT_EQ(clone->nb_edges(), 4);
  builder->delete_isolated_vertices();
  EXPECT_EQ(graph->nb_vertices(), 6);
  EXPECT_EQ(graph->edge_vertices(1), (std::array<index_t, 2>{2, 5}));
  EXPECT_EQ(clone->nb_vertices(), 7);
}

TEST(Graph, AnEmptyGraphHasNoGroup) {
  auto graph = Graph::create();
  GraphIdentifier identifier{*graph};
  EXPECT_EQ(identifier.identify_vertices(), 0);
  EXPECT_TRUE(identifier.identified_connected_vertices().empty());
}

}  // namespace
}  // namespace veyra
