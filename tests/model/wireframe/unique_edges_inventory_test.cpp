// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <model/wireframe/unique_edges_inventory.h>

#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace veyra {
namespace {

using detail::UniqueEdgesInventory;

std::vector<UniqueEdgesInventory::SurfaceEdge> surface_edges(const UniqueEdgesInventory& inventory,
                                                             index_t edge) {
  const auto range = inventory.surface_edges(edge);
  return {range.begin(), range.end()};
}

std::vector<std::vector<index_t>> polygons(const UniqueEdgesInventory& inventory, index_t edge) {
  std::vector<std::vector<index_t>> result;
  for (const auto cycle : inventory.distinct_polygons(edge))
    result.emplace_back(cycle.begin(), cycle.end());
  return result;
}

TEST(UniqueEdgesInventory, EdgesIndexedByFirstInsertionWhateverTheOrderOfTheirEnds) {
  UniqueEdgesInventory inventory;
  EXPECT_TRUE(inventory.empty());
  EXPECT_EQ(inventory.find_or_insert_edge({7, 3}), (std::pair<index_t, bool>{0, true}));
  EXPECT_EQ(inventory.find_or_insert_edge({1, 2}), (std::pair<index_t, bool>{1, true}));
  EXPECT_EQ(inventory.find_or_insert_edge({3, 7}), (std::pair<index_t, bool>{0, false}));
  EXPECT_EQ(inventory.nb_edges(), 2u);
  EXPECT_EQ(inventory.edge_unique_vertices(0), (std::array<index_t, 2>{3, 7}));
  EXPECT_EQ(inventory.edge_index({2, 1}), std::optional<index_t>{1});
  EXPECT_FALSE(inventory.edge_index({1, 3}));
  inventory.clear();
  EXPECT_TRUE(inventory.empty());
  EXPECT_FALSE(inventory.edge_index({3, 7}));
  EXPECT_EQ(inventory.find_or_insert_edge({1, 2}), (std::pair<index_t, bool>{0, true}));
}

// The apex of a large fan starts more edges than a vertex chains; untied ends (NO_ID) have no
// vertex to chain under. Every edge must still be found once, from either end.
TEST(UniqueEdgesInventory, FanApexAndUntiedEnds) {
  UniqueEdgesInventory inventory;
  inventory.reserve(0, 0, 4);
  constexpr index_t nb_spokes = 50;
  std::vector<std::array<index_t, 2>> expected;
  for (index_t spoke = 1; spoke <= nb_spokes; ++spoke) {
    expected.push_back({0, spoke});
    if (spoke > 1) expected.push_back({spoke - 1, spoke});
  }
  expected.push_back({NO_ID, NO_ID});
  expected.push_back({7, NO_ID});
  for (index_t edge = 0; edge < expected.size(); ++edge) {
    const auto& [low, high] = expected[edge];
    EXPECT_EQ(inventory.find_or_insert_edge({high, low}), (std::pair<index_t, bool>{edge, true}));
  }
  ASSERT_EQ(inventory.nb_edges(), expected.size());
  for (index_t edge = 0; edge < expected.size(); ++edge) {
    const auto& [low, high] = expected[edge];
    EXPECT_EQ(inventory.edge_unique_vertices(edge), expected[edge]);
    EXPECT_EQ(inventory.edge_index({low, high}), std::optional<index_t>{edge});
    EXPECT_EQ(inventory.find_or_insert_edge({low, high}), (std::pair<index_t, bool>{edge, false}));
  }
  EXPECT_FALSE(inventory.edge_index({0, nb_spokes + 1}));
  EXPECT_FALSE(inventory.edge_index({1, 3}));
  EXPECT_FALSE(inventory.edge_index({8, NO_ID}));
  EXPECT_FALSE(inventory.edge_index({1000, 1001}));
  inventory.clear();
  EXPECT_FALSE(inventory.edge_index({0, 1}));
  EXPECT_EQ(inventory.find_or_insert_edge({0, 30}), (std::pair<index_t, bool>{0, true}));
  EXPECT_EQ(inventory.find_or_insert_edge({0, 31}), (std::pair<index_t, bool>{1, true}));
  EXPECT_EQ(inventory.edge_index({30, 0}), std::optional<index_t>{0});
}

TEST(UniqueEdgesInventory, ListsKeepInsertionOrderPerEdge) {
  UniqueEdgesInventory inventory;
  const auto surface_a = uuid{};
  const auto surface_b = uuid{};
  const auto e0 = inventory.find_or_insert_edge({0, 1}).first;
  const auto e1 = inventory.find_or_insert_edge({1, 2}).first;
  // Entries of the two edges interleave in the shared storage.
  inventory.add_surface_edge(e0, surface_a, {0, 0});
  inventory.add_surface_edge(e1, surface_a, {0, 1});
  inventory.add_surface_edge(e0, surface_b, {4, 2});
  inventory.add_surface_edge(e0, surface_a, {3, 1});
  EXPECT_EQ(surface_edges(inventory, e0),
            (std::vector<UniqueEdgesInventory::SurfaceEdge>{
                {surface_a, {0, 0}}, {surface_b, {4, 2}}, {surface_a, {3, 1}}}));
  EXPECT_EQ(surface_edges(inventory, e1),
            (std::vector<UniqueEdgesInventory::SurfaceEdge>{{surface_a, {0, 1}}}));
  EXPECT_EQ(inventory.nb_surface_edges(e0), 3u);
  EXPECT_EQ(inventory.surface_edges(e0).front().surface, surface_a);

  // The same cycle stored twice, and a cycle with the same entries but another length.
  const std::vector<index_t> triangle{0, 1, 2};
  const std::vector<index_t> quad{0, 1, 2, 2};
  const auto first = inventory.add_polygon_cycle(triangle);
  const auto copy = inventory.add_polygon_cycle(triangle);
  const auto longer = inventory.add_polygon_cycle(quad);
  EXPECT_TRUE(inventory.add_distinct_polygon(e0, first));
  EXPECT_FALSE(inventory.add_distinct_polygon(e0, copy));
  EXPECT_TRUE(inventory.add_distinct_polygon(e0, longer));
  EXPECT_TRUE(inventory.add_distinct_polygon(e1, copy));
  EXPECT_EQ(inventory.nb_distinct_polygons(e0), 2u);
  EXPECT_EQ(polygons(inventory, e0), (std::vector<std::vector<index_t>>{triangle, quad}));
  EXPECT_EQ(polygons(inventory, e1), (std::vector<std::vector<index_t>>{triangle}));
}

}  // namespace
}  // namespace veyra
