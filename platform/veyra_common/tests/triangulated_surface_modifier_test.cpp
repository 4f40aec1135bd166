// SPDX-License-Identifier: MIT
#include <veyra_common/modifier/triangulated_surface_modifier.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <ostrel/mesh/surface_edges.h>
#include <veyra_testing/mesh_generators.h>

#include "mesh_checks.h"

namespace veyra {
namespace {

using Pairs = std::vector<std::pair<index_t, index_t>>;
using Ids = std::vector<index_t>;

TEST(TriangulatedSurfaceModifier, SplitsTheTriangleAndItsNeighbour) {
  // Cell (i, j) holds triangles 2 (2 j + i) and 2 (2 j + i) + 1 joined by their diagonal; the
  // diagonal 0 -> 4 of cell (0, 0) is edge 0 of triangle 1.
  auto grid = testing::make_grid_2d(2, 2);
  auto builder = TriangulatedSurfaceBuilder<2>::create(*grid);
  TriangulatedSurfaceModifier<2> modifier{*grid, *builder};
  const auto diagonal = *grid->polygon_edge_from_vertices(0, 4);
  const auto old_edge = *grid->edges().edge_from_vertices({0, 4});
  const auto nb_edges = grid->edges().nb_edges();

  const auto info = modifier.split_edge(diagonal, Point<2>{{0.5, 0.5}});

  EXPECT_EQ(info.new_vertex, 9u);
  EXPECT_EQ(info.polygons, (Pairs{{8, 0}, {9, 0}, {10, 1}, {11, 1}}));
  EXPECT_EQ(info.edges, (Pairs{{nb_edges, old_edge}, {nb_edges + 1, NO_ID},
                               {nb_edges + 2, old_edge}, {nb_edges + 3, NO_ID}}));
  EXPECT_FALSE(modifier.is_triangle_active(0));
  EXPECT_FALSE(modifier.is_triangle_active(1));
  EXPECT_TRUE(modifier.is_triangle_active(2));
  test::expect_conformal_surface(*grid, [&](index_t p) { return modifier.is_triangle_active(p); });

  // A border edge has no neighbour: one triangle in two.
  const auto border = *grid->polygon_edge_from_vertices(1, 2);
  const auto border_edge = *grid->edges().edge_from_vertices({1, 2});
  const auto on_border = modifier.split_edge(border, Point<2>{{1.5, 0.}});
  EXPECT_EQ(on_border.polygons, (Pairs{{12, 2}, {13, 2}}));

  try {
    modifier.split_edge(diagonal, Point<2>{{0.25, 0.25}});
    ADD_FAILURE() << "a replaced triangle was split";
  } catch (const OstrelMeshException& error) {
    EXPECT_EQ(error.type(), OstrelException::TYPE::input);
    EXPECT_EQ(std::string{error.what()},
              "[TriangulatedSurfaceModifier::split_edge] Triangle 1 was replaced by an earlier "
              "split");
  }
  EXPECT_EQ(grid->nb_vertices(), 11u);

  const auto clean = modifier.clean();
  EXPECT_EQ(clean.polygons,
            (Ids{NO_ID, NO_ID, NO_ID, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(clean.vertices, (Ids{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  // The edge table drops the two split edges and compacts the others.
  ASSERT_EQ(clean.edges.size(), nb_edges + 4 + 3);
  Ids expected_edges;
  index_t next = 0;
  for (index_t e = 0; e < clean.edges.size(); ++e) {
    const bool split = e == old_edge || e == border_edge;
    expected_edges.push_back(split ? NO_ID : next++);
  }
  EXPECT_EQ(clean.edges, expected_edges);
  EXPECT_EQ(grid->nb_polygons(), 11u);
  EXPECT_FALSE(grid->edges().edge_from_vertices({0, 4}));
  test::expect_conformal_surface(*grid);
}

}  // namespace
}  // namespace veyra
