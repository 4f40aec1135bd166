// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <model/common/library.h>
#include <model/operations/curve_from_surface_borders.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <veyra_testing/mesh_generators.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace veyra {
namespace {

class CurveFromSurfaceBorders : public ::testing::Test {
 protected:
  void SetUp() override { VeyraConversionModelLibrary::initialize(); }
};

// A 2D polygonal surface over the points, with the polygons given, adjacencies computed unless
// told otherwise.
std::unique_ptr<SurfaceMesh<2>> make_surface(const std::vector<std::array<double, 2>>& points,
                                             const std::vector<std::vector<index_t>>& polygons,
                                             bool with_adjacencies = true) {
  auto surface = SurfaceMesh<2>::create();
  auto builder = SurfaceMeshBuilder<2>::create(*surface);
  for (const auto& point : points) builder->create_point(Point<2>{point});
  for (const auto& polygon : polygons) builder->create_polygon(polygon);
  if (with_adjacencies) builder->compute_polygon_adjacencies();
  return surface;
}

// Curve edges as pairs of points, in edge order.
template <index_t D>
std::vector<std::array<Point<D>, 2>> edge_points(const EdgedCurve<D>& curve) {
  std::vector<std::array<Point<D>, 2>> edges;
  for (index_t edge = 0; edge < curve.nb_edges(); ++edge) {
    const auto vertices = curve.edge_vertices(edge);
    edges.push_back({curve.point(vertices[0]), curve.point(vertices[1])});
  }
  return edges;
}

Point<2> p2(double x, double y) {
  return Point<2>{{x, y}};
}

TEST_F(CurveFromSurfaceBorders, SingleTriangleFollowsItsOrientationAndDropsUnusedVertices) {
  // Vertex 0 is used by no polygon.
  const auto surface = make_surface({{9, 9}, {0, 0}, {1, 0}, {0, 1}}, {{1, 2, 3}});
  const auto curve = curve_from_surface_borders(*surface);
  EXPECT_EQ(curve->nb_vertices(), 3);
  const std::vector<std::array<Point<2>, 2>> expected{
      {p2(0, 0), p2(1, 0)}, {p2(1, 0), p2(0, 1)}, {p2(0, 1), p2(0, 0)}};
  EXPECT_EQ(edge_points(*curve), expected);
}

TEST_F(CurveFromSurfaceBorders, ClosedSurfaceAndSurfaceWithoutPolygonGiveEmptyCurves) {
  const auto cube = testing::make_cube_surface(2);
  const auto closed = curve_from_surface_borders(*cube);
  EXPECT_EQ(closed->nb_edges(), 0);
  EXPECT_EQ(closed->nb_vertices(), 0);

  const auto points_only = make_surface({{0, 0}, {1, 0}}, {});
  const auto empty = curve_from_surface_borders(*points_only);
  EXPECT_EQ(empty->nb_edges(), 0);
  EXPECT_EQ(empty->nb_vertices(), 0);
}

TEST_F(CurveFromSurfaceBorders, HoleGivesASecondLoop) {
  // A 3 x 3 grid of unit squares without its middle one.
  std::vector<std::array<double, 2>> points;
  for (int y = 0; y <= 3; ++y) {
    for (int x = 0; x <= 3; ++x) points.push_back({double(x), double(y)});
  }
  std::vector<std::vector<index_t>> squares;
  for (index_t y = 0; y < 3; ++y) {
    for (index_t x = 0; x < 3; ++x) {
      if (x == 1 && y == 1) continue;
      const auto v = y * 4 + x;
      squares.push_back({v, v + 1, v + 5, v + 4});
    }
  }
  const auto surface = make_surface(points, squares);
  const auto curve = curve_from_surface_borders(*surface);
  EXPECT_EQ(curve->nb_vertices(), 16);
  ASSERT_EQ(curve->nb_edges(), 16);

  // Walk each loop from an unvisited edge: every vertex has exactly two edges, and the loops
  // have 12 (outer) and 4 (hole) edges.
  std::vector<bool> visited(curve->nb_edges(), false);
  std::vector<index_t> loop_sizes;
  for (index_t start = 0; start < curve->nb_edges(); ++start) {
    if (visited[start]) continue;
    index_t size = 0;
    auto edge = start;
    while (!visited[edge]) {
      visited[edge] = true;
      ++size;
      const auto next_vertex = curve->edge_vertex({edge, 1});
      const auto& around = curve->edges_around_vertex(next_vertex);
      ASSERT_EQ(around.size(), 2);
      edge = around[0].edge_id == edge ? around[1].edge_id : around[0].edge_id;
    }
    loop_sizes.push_back(size);
  }
  std::sort(loop_sizes.begin(), loop_sizes.end());
  EXPECT_EQ(loop_sizes, (std::vector<index_t>{4, 12}));
}

TEST_F(CurveFromSurfaceBorders, EdgeWithoutAdjacencyGivesOneCurveEdgePerPolygon) {
  const auto surface =
      make_surface({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{0, 1, 2}, {0, 2, 3}}, false);
  const auto curve = curve_from_surface_borders(*surface);
  const std::vector<std::array<Point<2>, 2>> expected{{p2(0, 0), p2(1, 0)}, {p2(1, 0), p2(1, 1)},
                                                      {p2(1, 1), p2(0, 0)}, {p2(0, 0), p2(1, 1)},
                                                      {p2(1, 1), p2(0, 1)}, {p2(0, 1), p2(0, 0)}};
  EXPECT_EQ(edge_points(*curve), expected);
  EXPECT_EQ(curve->nb_vertices(), 4);
}

TEST_F(CurveFromSurfaceBorders, OpenSurfaceIn3D) {
  // One cube face, 2 x 2 cells: its border is 8 edges.
  const auto grid =
      testing::make_grid_surface(2, Point<3>{{0, 0, 0}}, Point<3>{{1, 0, 0}}, Point<3>{{0, 1, 0}});
  const auto curve = curve_from_surface_borders(*grid);
  EXPECT_EQ(curve->nb_edges(), 8);
  EXPECT_EQ(curve->nb_vertices(), 8);
  for (index_t vertex = 0; vertex < curve->nb_vertices(); ++vertex) {
    const auto& point = curve->point(vertex);
    const bool on_border =
        point.value(0) == 0 || point.value(0) == 1 || point.value(1) == 0 || point.value(1) == 1;
    EXPECT_TRUE(on_border) << point.string();
  }
}

}  // namespace
}  // namespace veyra
