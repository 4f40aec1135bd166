// SPDX-License-Identifier: MIT
#include <ostrel/mesh/edged_curve.h>

#include <gtest/gtest.h>

#include <ostrel/mesh/edged_curve_builder.h>

namespace veyra {
namespace {

std::vector<EdgeVertex> around(const EdgedCurve<3>& curve, index_t vertex) {
  const auto& ends = curve.edges_around_vertex(vertex);
  return {ends.begin(), ends.end()};
}

TEST(EdgedCurve, EdgesAroundVertexFollowAttachmentOrder) {
  auto curve = EdgedCurve<3>::create();
  auto builder = EdgedCurveBuilder<3>::create(*curve);
  builder->create_vertices(4);
  builder->create_edge(1, 0);  // e0
  builder->create_edge(0, 2);  // e1
  builder->create_edge(3, 0);  // e2
  builder->create_edge(2, 2);  // e3, a self-loop
  EXPECT_EQ(around(*curve, 0), (std::vector<EdgeVertex>{{0, 1}, {1, 0}, {2, 1}}));
  EXPECT_EQ(around(*curve, 2), (std::vector<EdgeVertex>{{1, 1}, {3, 0}, {3, 1}}));

  // Moving an end takes it out of its old list and appends it to the new one.
  builder->set_edge_vertex({1, 0}, 3);
  EXPECT_EQ(around(*curve, 0), (std::vector<EdgeVertex>{{0, 1}, {2, 1}}));
  EXPECT_EQ(around(*curve, 3), (std::vector<EdgeVertex>{{2, 0}, {1, 0}}));
  builder->set_edge_vertex({0, 1}, 0);  // same vertex: moves to the back
  EXPECT_EQ(around(*curve, 0), (std::vector<EdgeVertex>{{2, 1}, {0, 1}}));

  // An edge created without ends joins lists only through set_edge_vertex.
  const auto loose = builder->create_edge();
  EXPECT_EQ(curve->edge_vertices(loose), (std::array<index_t, 2>{NO_ID, NO_ID}));
  builder->set_edge_vertex({loose, 1}, 0);
  EXPECT_EQ(around(*curve, 0), (std::vector<EdgeVertex>{{2, 1}, {0, 1}, {4, 1}}));

  // Deleting renumbers in place and keeps the order of the others.
  const auto old2new = builder->delete_edges({true, false, false, false, false});
  EXPECT_EQ(old2new, (std::vector<index_t>{NO_ID, 0, 1, 2, 3}));
  EXPECT_EQ(around(*curve, 0), (std::vector<EdgeVertex>{{1, 1}, {3, 1}}));
  EXPECT_EQ(around(*curve, 1), (std::vector<EdgeVertex>{}));
  EXPECT_EQ(around(*curve, 2), (std::vector<EdgeVertex>{{0, 1}, {2, 0}, {2, 1}}));
  EXPECT_EQ(curve->edge_vertices(2), (std::array<index_t, 2>{2, 2}));

  // The clone answers in the same orders.
  const auto clone = curve->clone();
  for (index_t vertex = 0; vertex < 4; ++vertex) {
    EXPECT_EQ(around(*clone, vertex), around(*curve, vertex));
  }
}

TEST(EdgedCurve, FindsTheSmallestEdgeJoiningTwoVertices) {
  auto curve = EdgedCurve<2>::create();
  auto builder = EdgedCurveBuilder<2>::create(*curve);
  builder->create_vertices(3);
  builder->create_edge(0, 1);
  builder->create_edge(2, 1);
  builder->create_edge(1, 0);
  builder->create_edge(1, 1);
  EXPECT_EQ(curve->edge_from_vertices(1, 0), 0);
  EXPECT_EQ(curve->edge_from_vertices(1, 2), 1);
  EXPECT_EQ(curve->edge_from_vertices(1, 1), 3);
  EXPECT_EQ(curve->edge_from_vertices(0, 2), std::nullopt);
  builder->delete_edges({true, false, false, false});
  EXPECT_EQ(curve->edge_from_vertices(0, 1), 1);
}

TEST(EdgedCurve, DeletesIsolatedVerticesAndMeasuresEdges) {
  auto curve = EdgedCurve<3>::create();
  auto builder = EdgedCurveBuilder<3>::create(*curve);
  builder->create_point(Point<3>{{9., 9., 9.}});
  builder->create_point(Point<3>{{0., 0., 0.}});
  builder->create_point(Point<3>{{5., 5., 5.}});
  builder->create_point(Point<3>{{3., 4., 0.}});
  builder->create_point(Point<3>{{3., 4., 1e-6}});
  builder->create_edge(1, 3);
  builder->create_edge(3, 4);
  EXPECT_TRUE(curve->is_vertex_isolated(0));
  EXPECT_FALSE(curve->is_vertex_isolated(3));

  EXPECT_EQ(builder->delete_isolated_vertices(),
            (std::vector<index_t>{NO_ID, 0, NO_ID, 1, 2}));
  EXPECT_EQ(curve->edge_vertices(0), (std::array<index_t, 2>{0, 1}));
  EXPECT_EQ(curve->edge_vertices(1), (std::array<index_t, 2>{1, 2}));
  EXPECT_EQ(around(*curve, 1), (std::vector<EdgeVertex>{{0, 1}, {1, 0}}));
  EXPECT_DOUBLE_EQ(curve->edge_length(0), 5.);
  EXPECT_EQ(curve->edge_barycenter(0), (Point<3>{{1.5, 2., 0.}}));
  EXPECT_FALSE(curve->is_edge_degenerated(0));
  EXPECT_TRUE(curve->is_edge_degenerated(1));
}

TEST(EdgedCurve, RejectsEndsAndVerticesOutOfRange) {
  auto curve = EdgedCurve<3>::create();
  auto builder = EdgedCurveBuilder<3>::create(*curve);
  builder->create_vertices(2);
  builder->create_edge(0, 1);
  try {
    builder->create_edge(0, 2);
    FAIL() << "no exception";
  } catch (const OstrelMeshException& error) {
    EXPECT_EQ(error.type(), OstrelException::TYPE::input);
    EXPECT_EQ(std::string{error.what()},
              "[EdgedCurveBuilder::create_edge] Vertex 2 out of range (2 vertices)");
  }
  EXPECT_THROW(builder->set_edge_vertex({1, 0}, 0), OstrelMeshException);
  EXPECT_THROW(builder->set_edge_vertex({0, 2}, 0), OstrelMeshException);
  EXPECT_THROW(builder->delete_edges({}), OstrelMeshException);
  EXPECT_EQ(curve->nb_edges(), 1);
}

}  // namespace
}  // namespace veyra
