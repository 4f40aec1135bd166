// SPDX-License-Identifier: MIT
#include <model/wireframe/corners_lines_builder.h>

#include <any>
#include <array>
#include <stdexcept>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>
#include <gtest/gtest.h>

#include <ostrel/mesh/point_set_builder.h>
#include <model/common/library.h>

namespace veyra {
namespace {

template <index_t D>
Point<D> at(double x, double y) {
  if constexpr (D == 2) {
    return Point<2>{{x, y}};
  } else {
    return Point<3>{{x, y, 1.}};
  }
}

// Support mesh vertex id s sits at (s, s * s): distinct places for distinct ids.
template <index_t D>
Point<D> place(index_t support) {
  return at<D>(support, static_cast<double>(support) * support);
}

// Fills the wireframe with the given edges (pairs of support mesh vertex ids) and makes corners
// of the listed support ids. Corners to declare, edges to declare and corners that is_corner
// declares by itself stand for components the model holds already.
template <typename Model>
class TestBuilder : public detail::CornersLinesBuilder<Model> {
  using Base = detail::CornersLinesBuilder<Model>;
  static constexpr index_t D = Model::dim;

 public:
  explicit TestBuilder(Model& model) : Base(model) {}

  std::vector<std::array<index_t, 2>> edges;
  absl::flat_hash_set<index_t> corners;
  absl::flat_hash_map<index_t, uuid> declared_corners;
  // support pair -> (line, index in the line's mesh)
  std::vector<std::pair<std::array<index_t, 2>, std::pair<uuid, index_t>>> declared_edges;
  absl::flat_hash_map<index_t, uuid> corners_declared_by_is_corner;
  mutable std::vector<index_t> asked;

  using Base::declare_corner;
  using Base::find_or_create_corner;
  using Base::find_or_create_edge;
  using Base::find_or_create_vertex;
  using Base::remove_line_edges;
  using Base::undeclare_corner;

 private:
  void build_wireframe_step() override {
    for (const auto& edge : edges) {
      this->find_or_create_edge(edge, {place<D>(edge[0]), place<D>(edge[1])});
    }
    for (const auto& [support, corner] : declared_corners) {
      this->declare_corner(*this->wireframe_vertex_id(support), corner);
    }
    for (const auto& [pair, line_edge] : declared_edges) {
      this->declare_line_edge(*this->wireframe_edge_id(pair), line_edge.first, line_edge.second);
    }
  }

  bool is_corner(index_t wireframe_vertex) const override {
    asked.push_back(wireframe_vertex);
    const auto support = this->support_mesh_vertex_id(wireframe_vertex);
    if (const auto found = corners_declared_by_is_corner.find(support);
        found != corners_declared_by_is_corner.end()) {
      this->declare_corner(wireframe_vertex, found->second);
      return true;
    }
    return corners.contains(support);
  }
};

template <typename Model>
void create_unique_vertices(Model& model, index_t nb) {
  typename Model::Builder{model}.create_unique_vertices(nb);
}

template <typename Model>
std::vector<index_t> line_unique_vertices(const Model& model, const uuid& line) {
  std::vector<index_t> result;
  const auto tied = model.component_unique_vertices(line);
  for (index_t v = 0; v < model.line(line).mesh().nb_vertices(); ++v) result.push_back(tied[v]);
  return result;
}

template <typename Model>
std::vector<std::array<index_t, 2>> line_edges(const Model& model, const uuid& line) {
  std::vector<std::array<index_t, 2>> result;
  const auto& mesh = model.line(line).mesh();
  for (index_t e = 0; e < mesh.nb_edges(); ++e) result.push_back(mesh.edge_vertices(e));
  return result;
}

template <typename Model>
std::vector<uuid> line_boundaries(const Model& model, const uuid& line) {
  std::vector<uuid> result;
  for (const auto& corner : model.boundaries(model.line(line))) result.push_back(corner.id());
  return result;
}

template <typename Model>
class CornersLinesBuilderTest : public ::testing::Test {
 protected:
  static constexpr index_t D = Model::dim;
  void SetUp() override { VeyraConversionModelLibrary::initialize(); }
  Model model;
};

using ModelTypes = ::testing::Types<Section, BRep>;
TYPED_TEST_SUITE(CornersLinesBuilderTest, ModelTypes);

TYPED_TEST(CornersLinesBuilderTest, ChainBetweenTwoCornersGivesOneLine) {
  constexpr auto D = TypeParam::dim;
  auto& model = this->model;
  create_unique_vertices(model, 3);
  TestBuilder<TypeParam> builder{model};
  // Registered from c to a: wireframe vertex 0 is support 2, vertex 2 is support 0.
  builder.edges = {{2, 1}, {1, 0}};
  builder.corners = {0, 2};
  builder.build();

  ASSERT_EQ(model.nb_corners(), 2u);
  ASSERT_EQ(model.nb_lines(), 1u);
  const auto first_corner = *builder.corner_uuid(0);
  const auto last_corner = *builder.corner_uuid(2);
  EXPECT_FALSE(builder.corner_uuid(1));
  EXPECT_EQ(model.corner(first_corner).mesh().point(0), place<D>(2));
  EXPECT_EQ(model.unique_vertex({model.corner(first_corner).component_id(), 0}), 2u);
  EXPECT_EQ(model.unique_vertex({model.corner(last_corner).component_id(), 0}), 0u);

  const auto line = model.lines().begin()->id();
  EXPECT_EQ(line_unique_vertices(model, line), (std::vector<index_t>{2, 1, 0}));
  EXPECT_EQ(model.line(line).mesh().point(1), place<D>(1));
  EXPECT_EQ(line_edges(model, line), (std::vector<std::array<index_t, 2>>{{0, 1}, {1, 2}}));
  EXPECT_EQ(line_boundaries(model, line), (std::vector<uuid>{first_corner, last_corner}));
  for (index_t w = 0; w < 3; ++w) EXPECT_EQ(builder.line_vertex_id(w, line), w);
  for (index_t e = 0; e < 2; ++e) {
    EXPECT_EQ(builder.line_uuid(e), line);
    EXPECT_EQ(builder.line_edge_id(e), e);
  }
  // Only the vertices without corner were asked about, each once.
  EXPECT_EQ(builder.asked, (std::vector<index_t>{0, 1, 2}));
}

TYPED_TEST(CornersLinesBuilderTest, TriangleWithoutCornerGivesClosedLine) {
  auto& model = this->model;
  create_unique_vertices(model, 3);
  TestBuilder<TypeParam> builder{model};
  builder.edges = {{0, 1}, {1, 2}, {2, 0}};
  builder.build();

  EXPECT_EQ(model.nb_corners(), 0u);
  ASSERT_EQ(model.nb_lines(), 1u);
  const auto line = model.lines().begin()->id();
  EXPECT_EQ(line_unique_vertices(model, line), (std::vector<index_t>{0, 1, 2}));
  EXPECT_EQ(line_edges(model, line),
            (std::vector<std::array<index_t, 2>>{{0, 1}, {1, 2}, {2, 0}}));
  EXPECT_TRUE(line_boundaries(model, line).empty());
  EXPECT_EQ(builder.line_vertex_id(0, line), 0u);
}

TYPED_TEST(CornersLinesBuilderTest, TriangleWithOneCornerGivesLineFromCornerBackToIt) {
  constexpr auto D = TypeParam::dim;
  auto& model = this->model;
  create_unique_vertices(model, 3);
  TestBuilder<TypeParam> builder{model};
  builder.edges = {{0, 1}, {1, 2}, {2, 0}};
  builder.corners = {1};
  builder.build();

  ASSERT_EQ(model.nb_corners(), 1u);
  ASSERT_EQ(model.nb_lines(), 1u);
  const auto corner = *builder.corner_uuid(1);
  const auto line = model.lines().begin()->id();
  const auto& mesh = model.line(line).mesh();
  ASSERT_EQ(mesh.nb_vertices(), 4u);
  EXPECT_EQ(mesh.point(0), place<D>(1));
  EXPECT_EQ(mesh.point(3), place<D>(1));
  EXPECT_EQ(line_unique_vertices(model, line), (std::vector<index_t>{1, 0, 2, 1}));
  EXPECT_EQ(line_edges(model, line),
            (std::vector<std::array<index_t, 2>>{{0, 1}, {1, 2}, {2, 3}}));
  EXPECT_EQ(line_boundaries(model, line), (std::vector<uuid>{corner}));
  // The corner's entry for the line is the last of its two line vertices.
  EXPECT_EQ(builder.line_vertex_id(1, line), 3u);
}

TYPED_TEST(CornersLinesBuilderTest, EveryCornerEdgeStartsItsOwnLine) {
  auto& model = this->model;
  create_unique_vertices(model, 5);
  TestBuilder<TypeParam> builder{model};
  // A star: centre 0 with three branches ending at corners, one of them two edges long.
  builder.edges = {{0, 1}, {0, 2}, {0, 3}, {3, 4}};
  builder.corners = {0, 1, 2, 4};
  builder.build();

  ASSERT_EQ(model.nb_lines(), 3u);
  std::vector<std::vector<index_t>> lines;
  for (const auto& line : model.lines()) lines.push_back(line_unique_vertices(model, line.id()));
  EXPECT_EQ(lines, (std::vector<std::vector<index_t>>{{0, 1}, {0, 2}, {0, 3, 4}}));
}

TYPED_TEST(CornersLinesBuilderTest, DeclaredCornersAndLineEdgesAreLeftAlone) {
  auto& model = this->model;
  create_unique_vertices(model, 4);
  typename TypeParam::Builder model_builder{model};
  const auto existing_corner = model_builder.add_corner();
  const auto corner_from_is_corner = model_builder.add_corner();
  const auto existing_line = model_builder.add_line();

  TestBuilder<TypeParam> builder{model};
  builder.edges = {{0, 1}, {1, 2}, {2, 3}};
  builder.corners = {0, 1, 2, 3};
  builder.declared_corners = {{0, existing_corner}};
  builder.corners_declared_by_is_corner = {{3, corner_from_is_corner}};
  builder.declared_edges = {{{0, 1}, {existing_line, 4}}};
  builder.build();

  // New corners at supports 1 and 2 only; one new line 1-2-... up to the corner at 3.
  EXPECT_EQ(model.nb_corners(), 4u);
  EXPECT_EQ(builder.corner_uuid(0), existing_corner);
  EXPECT_EQ(builder.corner_uuid(3), corner_from_is_corner);
  EXPECT_EQ(builder.asked, (std::vector<index_t>{1, 2, 3}));
  ASSERT_EQ(model.nb_lines(), 3u);
  EXPECT_EQ(builder.line_uuid(0), existing_line);
  EXPECT_EQ(builder.line_edge_id(0), 4u);
  EXPECT_EQ(model.line(existing_line).mesh().nb_vertices(), 0u);
  EXPECT_EQ(model.nb_boundaries(model.line(existing_line)), 0u);

  std::vector<std::vector<index_t>> new_lines;
  for (const auto& line : model.lines()) {
    if (line.id() == existing_line) continue;
    new_lines.push_back(line_unique_vertices(model, line.id()));
  }
  EXPECT_EQ(new_lines, (std::vector<std::vector<index_t>>{{1, 2}, {2, 3}}));
}

TYPED_TEST(CornersLinesBuilderTest, QueriesOnFreshWireframe) {
  auto& model = this->model;
  TestBuilder<TypeParam> builder{model};
  constexpr auto D = TypeParam::dim;
  const auto [edge, created] = builder.find_or_create_edge({7, 3}, {place<D>(7), place<D>(3)});
  ASSERT_TRUE(created);
  EXPECT_EQ(edge, 0u);
  EXPECT_EQ(builder.wireframe_vertex_id(7), 0u);
  EXPECT_EQ(builder.wireframe_vertex_id(3), 1u);
  EXPECT_FALSE(builder.wireframe_vertex_id(4));
  EXPECT_EQ(builder.support_mesh_vertex_id(1), 3u);
  EXPECT_EQ(builder.wireframe().edge_vertices(0), (std::array<index_t, 2>{0, 1}));

  // Either order finds the edge; the points of an existing edge are not looked at.
  const auto again = builder.find_or_create_edge({3, 7}, {place<D>(100), place<D>(200)});
  EXPECT_EQ(again, (std::pair<index_t, bool>{0, false}));
  EXPECT_EQ(builder.wireframe_edge_id({3, 7}), 0u);
  EXPECT_FALSE(builder.wireframe_edge_id({3, 4}));

  // No line yet is the sentinel itself; no corner is an empty value.
  EXPECT_EQ(builder.line_uuid(0), sentinel_uuid);
  EXPECT_EQ(builder.line_edge_id(0), NO_ID);
  EXPECT_FALSE(builder.corner_uuid(0));
  const uuid corner;
  builder.declare_corner(0, corner);
  EXPECT_EQ(builder.corner_uuid(0), corner);
  builder.undeclare_corner(0);
  EXPECT_FALSE(builder.corner_uuid(0));
  EXPECT_THROW(builder.line_vertex_id(0, corner), std::out_of_range);
}

TYPED_TEST(CornersLinesBuilderTest, FindOrCreateCornerCreatesOnce) {
  constexpr auto D = TypeParam::dim;
  auto& model = this->model;
  create_unique_vertices(model, 6);
  TestBuilder<TypeParam> builder{model};
  EXPECT_EQ(builder.find_or_create_corner(5, place<D>(5)), (std::pair<index_t, bool>{0, true}));
  EXPECT_EQ(builder.find_or_create_corner(5, place<D>(5)), (std::pair<index_t, bool>{0, false}));
  ASSERT_EQ(model.nb_corners(), 1u);
  const auto& corner = *model.corners().begin();
  EXPECT_EQ(builder.corner_uuid(0), corner.id());
  EXPECT_EQ(model.unique_vertex({corner.component_id(), 0}), 5u);
  builder.add_corner(0);
  EXPECT_EQ(model.nb_corners(), 1u);
}

TYPED_TEST(CornersLinesBuilderTest, RemoveLineEdgesRenumbersTheRest) {
  auto& model = this->model;
  create_unique_vertices(model, 4);
  TestBuilder<TypeParam> builder{model};
  builder.edges = {{0, 1}, {1, 2}, {2, 3}};
  builder.corners = {0, 2, 3};
  builder.build();
  ASSERT_EQ(model.nb_lines(), 2u);
  const auto first_line = builder.line_uuid(0);
  const auto second_line = builder.line_uuid(2);

  builder.remove_line_edges(first_line);
  EXPECT_EQ(builder.wireframe().nb_edges(), 1u);
  EXPECT_EQ(builder.wireframe().nb_vertices(), 4u);
  EXPECT_FALSE(builder.wireframe_edge_id({0, 1}));
  EXPECT_FALSE(builder.wireframe_edge_id({2, 1}));
  EXPECT_EQ(builder.wireframe_edge_id({3, 2}), 0u);
  EXPECT_EQ(builder.line_uuid(0), second_line);
  EXPECT_EQ(builder.line_edge_id(0), 0u);
  // Vertex records stay.
  EXPECT_TRUE(builder.corner_uuid(0));
  EXPECT_EQ(builder.line_vertex_id(1, first_line), 1u);

  // A freed pair can be registered again; it takes the next edge index.
  constexpr auto D = TypeParam::dim;
  EXPECT_EQ(builder.find_or_create_edge({1, 0}, {place<D>(1), place<D>(0)}),
            (std::pair<index_t, bool>{1, true}));
}

class CornersLinesBuilderFailures : public ::testing::Test {
 protected:
  void SetUp() override { VeyraConversionModelLibrary::initialize(); }
  BRep model;
};

TEST_F(CornersLinesBuilderFailures, DifferentLocationForOneSupportVertex) {
  TestBuilder<BRep> builder{model};
  const Point<3> registered{{1., 2., 3.}};
  ASSERT_EQ(builder.find_or_create_vertex(5, registered), (std::pair<index_t, bool>{0, true}));
  // Within the framework tolerance the vertex is found again.
  EXPECT_EQ(builder.find_or_create_vertex(5, Point<3>{{1., 2., 3. + 5e-7}}),
            (std::pair<index_t, bool>{0, false}));

  const Point<3> moved{{1., 2., 3.5}};
  try {
    builder.find_or_create_vertex(5, moved);
    FAIL() << "nothing thrown";
  } catch (const VeyraConversionModelException& exception) {
    EXPECT_STREQ(exception.what(),
                 "[CornersLinesBuilder::find_or_create_vertex] Different location between given "
                 "point and already created vertex, given 1 2 3.5, but registered 1 2 3 on "
                 "wireframe vertex id 0 corresponding to unique_vertex 5");
    EXPECT_EQ(exception.type(), OstrelException::TYPE::internal);
    ASSERT_EQ(exception.data().type(), typeid(Point<3>));
    EXPECT_EQ(std::any_cast<Point<3>>(exception.data()), moved);
  }
  EXPECT_EQ(builder.wireframe().nb_vertices(), 1u);
  EXPECT_EQ(builder.wireframe().point(0), registered);

  // An edge whose second end mismatches is not created.
  EXPECT_THROW(builder.find_or_create_edge({6, 5}, {Point<3>{}, moved}),
               VeyraConversionModelException);
  EXPECT_EQ(builder.wireframe().nb_edges(), 0u);
  EXPECT_FALSE(builder.wireframe_edge_id({5, 6}));
}

TEST_F(CornersLinesBuilderFailures, TooFewUniqueVertices) {
  create_unique_vertices(model, 2);
  TestBuilder<BRep> builder{model};
  builder.edges = {{0, 1}, {1, 2}};
  try {
    builder.build();
    FAIL() << "nothing thrown";
  } catch (const VeyraConversionModelException& exception) {
    EXPECT_STREQ(exception.what(),
                 "[CornersLinesBuilder::build_corners] Model VertexIdentifier not initialized");
    EXPECT_EQ(exception.type(), OstrelException::TYPE::internal);
    EXPECT_EQ(exception.data().type(), typeid(std::nullptr_t));
  }
  EXPECT_EQ(model.nb_corners(), 0u);
}

TEST_F(CornersLinesBuilderFailures, WalkStuckOnDanglingEnd) {
  create_unique_vertices(model, 3);
  TestBuilder<BRep> builder{model};
  // is_corner misses both free ends of the chain.
  builder.edges = {{0, 1}, {1, 2}};
  try {
    builder.build();
    FAIL() << "nothing thrown";
  } catch (const VeyraConversionModelException& exception) {
    EXPECT_STREQ(exception.what(),
                 "[CornersLinesBuilder::build_lines] Line walk stopped on wireframe vertex 2 "
                 "(unique vertex 2): it is no corner and has no free edge left");
    EXPECT_EQ(exception.type(), OstrelException::TYPE::internal);
    ASSERT_EQ(exception.data().type(), typeid(Point<3>));
    EXPECT_EQ(std::any_cast<Point<3>>(exception.data()), place<3>(2));
  }
}

}  // namespace
}  // namespace veyra
