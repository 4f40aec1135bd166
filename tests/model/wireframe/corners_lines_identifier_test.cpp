// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_map.h>
#include <gtest/gtest.h>
#include <model/common/library.h>
#include <model/wireframe/corners_lines_identifier.h>
#include <ostrel/basic/attribute.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>

#include <algorithm>
#include <any>
#include <array>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace veyra {
namespace {

// Unique vertex u sits at (u, u * u): distinct places for distinct unique vertices.
template <index_t D>
Point<D> place(index_t unique_vertex) {
  std::array<double, D> values{};
  values[0] = unique_vertex;
  values[1] = static_cast<double>(unique_vertex) * unique_vertex;
  return Point<D>{values};
}

// Small models built through unique vertices: every component mesh vertex is created at the
// place of its unique vertex and tied to it.
template <typename Model>
class ModelMaker {
  static constexpr index_t D = Model::dim;

 public:
  explicit ModelMaker(Model& model) : model_(model), builder_(model) {
    builder_.create_unique_vertices(20);
  }

  uuid corner(index_t unique_vertex) {
    const auto id = builder_.add_corner();
    auto mesh = builder_.corner_mesh_builder(id);
    mesh->create_point(place<D>(unique_vertex));
    builder_.set_unique_vertex({{Corner<D>::component_type_static(), id}, 0}, unique_vertex);
    return id;
  }

  /// Mesh vertex i on unique vertex unique_vertices[i], edges between mesh vertices.
  uuid line(const std::vector<index_t>& unique_vertices,
            const std::vector<std::array<index_t, 2>>& edges) {
    const auto id = builder_.add_line();
    auto mesh = builder_.line_mesh_builder(id);
    for (const auto unique_vertex : unique_vertices) {
      const auto vertex = mesh->create_point(place<D>(unique_vertex));
      builder_.set_unique_vertex({{Line<D>::component_type_static(), id}, vertex}, unique_vertex);
    }
    for (const auto& edge : edges) mesh->create_edge(edge[0], edge[1]);
    return id;
  }

  /// An open chain, one mesh vertex per entry.
  uuid chain(const std::vector<index_t>& unique_vertices) {
    std::vector<std::array<index_t, 2>> edges;
    for (index_t i = 0; i + 1 < unique_vertices.size(); ++i) edges.push_back({i, i + 1});
    return line(unique_vertices, edges);
  }

  /// A closed loop, as many edges as vertices.
  uuid loop(const std::vector<index_t>& unique_vertices) {
    std::vector<std::array<index_t, 2>> edges;
    const auto nb = static_cast<index_t>(unique_vertices.size());
    for (index_t i = 0; i < nb; ++i) edges.push_back({i, (i + 1) % nb});
    return line(unique_vertices, edges);
  }

  /// Polygons given by unique vertices; one mesh vertex per distinct unique vertex, in order of
  /// appearance; adjacencies computed.
  uuid surface(const std::vector<std::vector<index_t>>& polygons) {
    const auto id = builder_.add_surface();
    auto mesh = builder_.surface_mesh_builder(id);
    absl::flat_hash_map<index_t, index_t> vertex_of;
    for (const auto& polygon : polygons) {
      std::vector<index_t> vertices;
      for (const auto unique_vertex : polygon) {
        const auto [entry, created] =
            vertex_of.try_emplace(unique_vertex, static_cast<index_t>(vertex_of.size()));
        if (created) {
          mesh->create_point(place<D>(unique_vertex));
          builder_.set_unique_vertex({{Surface<D>::component_type_static(), id}, entry->second},
                                     unique_vertex);
        }
        vertices.push_back(entry->second);
      }
      mesh->create_polygon(vertices);
    }
    mesh->compute_polygon_adjacencies();
    return id;
  }

  typename Model::Builder& builder() { return builder_; }

 private:
  Model& model_;
  typename Model::Builder builder_;
};

template <typename Model>
class TestIdentifier : public detail::CornersLinesIdentifier<Model> {
  using Base = detail::CornersLinesIdentifier<Model>;

 public:
  using Base::Base;
  using Base::mappings;
  using Base::should_be_corner;
  using Base::unique_edges_inventory;
};

template <typename Model>
std::vector<uuid> corner_ids(const Model& model) {
  std::vector<uuid> ids;
  for (const auto& corner : model.corners()) ids.push_back(corner.id());
  return ids;
}

template <typename Model>
std::vector<uuid> line_ids(const Model& model) {
  std::vector<uuid> ids;
  for (const auto& line : model.lines()) ids.push_back(line.id());
  return ids;
}

// The unique vertex of every mesh vertex of the component.
template <typename Model>
std::vector<index_t> unique_vertices(const Model& model, const uuid& component) {
  const auto tied = model.component_unique_vertices(component);
  return {tied.begin(), tied.end()};
}

// The edges of the line as pairs of mesh vertices.
template <typename Model>
std::vector<std::array<index_t, 2>> edges(const Model& model, const uuid& line) {
  const auto& mesh = model.line(line).mesh();
  std::vector<std::array<index_t, 2>> result;
  for (index_t edge = 0; edge < mesh.nb_edges(); ++edge) result.push_back(mesh.edge_vertices(edge));
  return result;
}

template <typename Model>
std::vector<uuid> boundary_ids(const Model& model, const uuid& line) {
  std::vector<uuid> ids;
  for (const auto& corner : model.boundaries(model.line(line))) ids.push_back(corner.id());
  return ids;
}

// The line of the model whose mesh vertices lie on exactly these unique vertices, in order.
template <typename Model>
uuid line_on(const Model& model, const std::vector<index_t>& on) {
  std::optional<uuid> found;
  for (const auto& line : model.lines()) {
    if (unique_vertices(model, line.id()) != on) continue;
    EXPECT_FALSE(found) << "two lines on the same unique vertices";
    found = line.id();
  }
  EXPECT_TRUE(found) << "no line on the given unique vertices";
  return found.value_or(uuid{});
}

template <typename Model>
uuid corner_on(const Model& model, index_t unique_vertex) {
  std::optional<uuid> found;
  for (const auto& corner : model.corners()) {
    if (model.unique_vertex({corner.component_id(), 0}) != unique_vertex) continue;
    EXPECT_FALSE(found) << "two corners on unique vertex " << unique_vertex;
    found = corner.id();
  }
  EXPECT_TRUE(found) << "no corner on unique vertex " << unique_vertex;
  return found.value_or(uuid{});
}

template <typename T>
std::set<std::pair<T, T>> pairs(const GenericMapping<T>& mapping) {
  std::set<std::pair<T, T>> result;
  for (const auto& [in, outs] : mapping.in2out_map()) {
    for (const auto& out : outs) result.emplace(in, out);
  }
  return result;
}

using VertexPairs = std::set<std::pair<MeshVertex, MeshVertex>>;
using ElementPairs = std::set<std::pair<MeshElement, MeshElement>>;
using IdPairs = std::set<std::pair<uuid, uuid>>;

// Every mapping of the record, so that a test states all of them and an unexpected entry fails.
template <typename Model>
struct RecordedMappings {
  explicit RecordedMappings(const ModelMappings<Model>& mappings)
      : corners(pairs(mappings.component_mappings.at(Corner<Model::dim>::component_type_static()))),
        lines(pairs(mappings.component_mappings.at(Line<Model::dim>::component_type_static()))),
        corner_vertices(pairs(mappings.mesh_vertices.corners)),
        corner_elements(pairs(mappings.mesh_elements.corners)),
        line_vertices(pairs(mappings.mesh_vertices.lines)),
        line_elements(pairs(mappings.mesh_elements.lines)) {
    EXPECT_TRUE(mappings.mesh_vertices.surfaces.empty());
    EXPECT_TRUE(mappings.mesh_elements.surfaces.empty());
  }

  IdPairs corners;
  IdPairs lines;
  VertexPairs corner_vertices;
  ElementPairs corner_elements;
  VertexPairs line_vertices;
  ElementPairs line_elements;
};

template <typename Model>
class CornersLinesIdentifierTest : public ::testing::Test {
 protected:
  void SetUp() override { VeyraConversionModelLibrary::initialize(); }

  // Runs the whole pass with every component the model has now as the old ones.
  void identify(TestIdentifier<Model>& identifier) {
    old_corners = corner_ids(model);
    old_lines = line_ids(model);
    identifier.build_unique_edges_inventory();
    identifier.identify_corners_and_lines(old_corners, old_lines);
  }

  // The wireframe edge between two unique vertices belongs to `line`.
  void expect_wireframe_edge(const TestIdentifier<Model>& identifier, index_t unique_vertex0,
                             index_t unique_vertex1, const uuid& line) {
    const auto edge = identifier.wireframe_edge_id({unique_vertex0, unique_vertex1});
    ASSERT_TRUE(edge) << unique_vertex0 << " " << unique_vertex1;
    EXPECT_EQ(identifier.line_uuid(*edge), line) << unique_vertex0 << " " << unique_vertex1;
  }

  Model model;
  ModelMaker<Model> maker{model};
  std::vector<uuid> old_corners;
  std::vector<uuid> old_lines;
};

using ModelTypes = ::testing::Types<Section, BRep>;
TYPED_TEST_SUITE(CornersLinesIdentifierTest, ModelTypes);

TYPED_TEST(CornersLinesIdentifierTest, InventoryListsEveryUniqueEdgeOnceWithDistinctPolygons) {
  auto& maker = this->maker;
  const auto s1 = maker.surface({{0, 1, 2}, {2, 1, 3}});
  // The same triangle as s1's first, from another start and reversed.
  const auto s2 = maker.surface({{1, 0, 2}});
  TestIdentifier<TypeParam> identifier{this->model, true};
  identifier.build_unique_edges_inventory();
  const auto& inventory = identifier.unique_edges_inventory();
  ASSERT_EQ(inventory.nb_edges(), 5u);
  const std::vector<std::array<index_t, 2>> expected_edges{{0, 1}, {1, 2}, {0, 2}, {1, 3}, {2, 3}};
  for (index_t edge = 0; edge < 5; ++edge) {
    EXPECT_EQ(inventory.edge_unique_vertices(edge), expected_edges[edge]);
  }
  using Entries = std::vector<detail::UniqueEdgesInventory::SurfaceEdge>;
  const auto entries = [&inventory](index_t edge) {
    const auto range = inventory.surface_edges(edge);
    return Entries{range.begin(), range.end()};
  };
  EXPECT_EQ(entries(0), (Entries{{s1, {0, 0}}, {s2, {0, 0}}}));
  EXPECT_EQ(entries(1), (Entries{{s1, {0, 1}}, {s1, {1, 0}}, {s2, {0, 2}}}));
  EXPECT_EQ(entries(3), (Entries{{s1, {1, 1}}}));
  // Edge 1-2 has triangles 0 1 2 (twice) and 1 2 3.
  EXPECT_EQ(inventory.nb_distinct_polygons(0), 1u);
  EXPECT_EQ(inventory.nb_distinct_polygons(1), 2u);
  std::vector<std::vector<index_t>> cycles;
  for (const auto cycle : inventory.distinct_polygons(1))
    cycles.emplace_back(cycle.begin(), cycle.end());
  EXPECT_EQ(cycles, (std::vector<std::vector<index_t>>{{0, 1, 2}, {1, 2, 3}}));

  // Rebuilding replaces the inventory.
  this->maker.builder().remove_surface(this->model.surface(s2));
  identifier.build_unique_edges_inventory();
  EXPECT_EQ(inventory.nb_edges(), 5u);
  EXPECT_EQ(entries(0), (Entries{{s1, {0, 0}}}));
}

// A line 0-1-2 between two surfaces that both touch each of its edges once. The vertex in the
// middle is no corner; it becomes one when a third surface closes a fan around it on edge 1-2
// only (the fan adds no wireframe edge at the vertex, so only the surface counts differ).
TYPED_TEST(CornersLinesIdentifierTest, CornerCriterionWithTwoAndThreeSurfaces) {
  for (const bool third_surface : {false, true}) {
    SCOPED_TRACE(third_surface);
    TypeParam model;
    ModelMaker<TypeParam> maker{model};
    maker.chain({0, 1, 2});
    maker.surface({{0, 1, 3}, {1, 2, 3}});
    maker.surface({{0, 4, 1}, {1, 4, 2}});
    if (third_surface) maker.surface({{1, 2, 5}, {1, 5, 6}, {1, 6, 2}});
    TestIdentifier<TypeParam> identifier{model, true};
    identifier.build_unique_edges_inventory();
    identifier.build();
    const auto middle = identifier.wireframe_vertex_id(1);
    ASSERT_TRUE(middle);
    EXPECT_EQ(identifier.wireframe().edges_around_vertex(*middle).size(), 2u);
    EXPECT_EQ(identifier.should_be_corner(*middle), third_surface);
    // The line's free ends have one wireframe edge each.
    EXPECT_TRUE(identifier.should_be_corner(*identifier.wireframe_vertex_id(0)));
    EXPECT_TRUE(identifier.should_be_corner(*identifier.wireframe_vertex_id(2)));

    // The whole pass splits the line at the new corner, and only then.
    TypeParam fresh;
    ModelMaker<TypeParam> fresh_maker{fresh};
    const auto fresh_line = fresh_maker.chain({0, 1, 2});
    fresh_maker.surface({{0, 1, 3}, {1, 2, 3}});
    fresh_maker.surface({{0, 4, 1}, {1, 4, 2}});
    if (third_surface) fresh_maker.surface({{1, 2, 5}, {1, 5, 6}, {1, 6, 2}});
    TestIdentifier<TypeParam> pass{fresh, true};
    pass.build_unique_edges_inventory();
    pass.identify_corners_and_lines({}, line_ids(fresh));
    EXPECT_EQ(fresh.has_line(fresh_line), !third_surface);
    if (third_surface) {
      const auto first = line_on(fresh, {0, 1});
      const auto second = line_on(fresh, {1, 2});
      EXPECT_EQ(boundary_ids(fresh, first),
                (std::vector<uuid>{corner_on(fresh, 0), corner_on(fresh, 1)}));
      EXPECT_EQ(boundary_ids(fresh, second),
                (std::vector<uuid>{corner_on(fresh, 1), corner_on(fresh, 2)}));
      const RecordedMappings<TypeParam> recorded{pass.mappings()};
      // The border of the fan is a line made during the pass from the new corner on 2 back to
      // it; such a line has no free end and is replaced like any line through two corner
      // vertices. Only the old line's entries matter here.
      const auto& line_mapping =
          pass.mappings().component_mappings.at(Line<TypeParam::dim>::component_type_static());
      ASSERT_TRUE(line_mapping.has_mapping_input(fresh_line));
      const auto& targets = line_mapping.in2out(fresh_line);
      EXPECT_EQ(std::vector<uuid>(targets.begin(), targets.end()),
                (std::vector<uuid>{first, second}));
      EXPECT_EQ(recorded.line_vertices, (VertexPairs{{{fresh_line, 0}, {first, 0}},
                                                     {{fresh_line, 1}, {first, 1}},
                                                     {{fresh_line, 1}, {second, 0}},
                                                     {{fresh_line, 2}, {second, 1}}}));
      EXPECT_EQ(recorded.line_elements,
                (ElementPairs{{{fresh_line, 0}, {first, 0}}, {{fresh_line, 1}, {second, 0}}}));
    }
  }
}

// Two triangles sharing edge 0-1, one on each side. The shared edge carries a line only when
// the two surfaces do not belong to the same collections.
TYPED_TEST(CornersLinesIdentifierTest, FeatureEdgesFollowCollections) {
  struct Case {
    std::vector<index_t> collections_of_first;
    std::vector<index_t> collections_of_second;
    bool feature;
  };
  const std::vector<Case> cases{{{}, {}, false},         {{0}, {}, true},  {{0}, {0}, false},
                                {{0, 1}, {1, 0}, false}, {{0}, {1}, true}, {{0, 1}, {0}, true}};
  for (const auto& [collections_of_first, collections_of_second, feature] : cases) {
    SCOPED_TRACE(feature);
    TypeParam model;
    ModelMaker<TypeParam> maker{model};
    const std::array<uuid, 2> surfaces{maker.surface({{0, 1, 2}}), maker.surface({{1, 0, 3}})};
    const std::array<uuid, 2> collections{maker.builder().add_surface_collection(),
                                          maker.builder().add_surface_collection()};
    const auto add = [&](index_t surface, const std::vector<index_t>& to) {
      for (const auto collection : to) {
        maker.builder().add_surface_in_surface_collection(
            model.surface(surfaces[surface]), model.surface_collection(collections[collection]));
      }
    };
    add(0, collections_of_first);
    add(1, collections_of_second);
    TestIdentifier<TypeParam> identifier{model, true};
    identifier.build_unique_edges_inventory();
    identifier.build();
    EXPECT_EQ(identifier.wireframe_edge_id({0, 1}).has_value(), feature);
    // Edges of a single polygon are always feature edges.
    EXPECT_TRUE(identifier.wireframe_edge_id({0, 2}));
    EXPECT_TRUE(identifier.wireframe_edge_id({3, 1}));
    // The border turns from one surface to the other at 0 and 1: corners there, and one line on
    // each side, plus the shared edge when it is a feature.
    EXPECT_EQ(model.nb_corners(), 2u);
    EXPECT_EQ(model.nb_lines(), feature ? 3u : 2u);
  }
}

// Two free lines 0-1 and 1-2 that no surface touches.
TYPED_TEST(CornersLinesIdentifierTest, FreeLinesInMergingMode) {
  auto& model = this->model;
  const auto first = this->maker.chain({0, 1});
  const auto second = this->maker.chain({1, 2});
  TestIdentifier<TypeParam> identifier{model, true};
  this->identify(identifier);

  ASSERT_EQ(model.nb_lines(), 1u);
  const auto merged = line_on(model, {0, 1, 2});
  EXPECT_EQ(edges(model, merged), (std::vector<std::array<index_t, 2>>{{0, 1}, {1, 2}}));
  EXPECT_EQ(model.nb_corners(), 2u);
  EXPECT_EQ(boundary_ids(model, merged),
            (std::vector<uuid>{corner_on(model, 0), corner_on(model, 2)}));
  this->expect_wireframe_edge(identifier, 0, 1, merged);
  this->expect_wireframe_edge(identifier, 1, 2, merged);

  const RecordedMappings<TypeParam> recorded{identifier.mappings()};
  EXPECT_EQ(recorded.lines, (IdPairs{{first, merged}, {second, merged}}));
  EXPECT_EQ(recorded.line_vertices, (VertexPairs{{{first, 0}, {merged, 0}},
                                                 {{first, 1}, {merged, 1}},
                                                 {{second, 0}, {merged, 1}},
                                                 {{second, 1}, {merged, 2}}}));
  EXPECT_EQ(recorded.line_elements,
            (ElementPairs{{{first, 0}, {merged, 0}}, {{second, 0}, {merged, 1}}}));
  EXPECT_TRUE(recorded.corners.empty());
  EXPECT_TRUE(recorded.corner_vertices.empty());
  EXPECT_TRUE(recorded.corner_elements.empty());
}

// The same lines, with a surface whose closed fan around unique vertex 1 has that vertex inside:
// the surface adds no wireframe edge there, but its vertex makes the meeting point a corner.
TYPED_TEST(CornersLinesIdentifierTest, FreeLinesMeetingOnASurfaceVertex) {
  auto& model = this->model;
  const auto first = this->maker.chain({0, 1});
  const auto second = this->maker.chain({1, 2});
  this->maker.surface({{1, 3, 4}, {1, 4, 5}, {1, 5, 3}});
  TestIdentifier<TypeParam> identifier{model, true};
  this->identify(identifier);

  EXPECT_TRUE(model.has_line(first));
  EXPECT_TRUE(model.has_line(second));
  EXPECT_EQ(boundary_ids(model, first),
            (std::vector<uuid>{corner_on(model, 0), corner_on(model, 1)}));
  EXPECT_EQ(boundary_ids(model, second),
            (std::vector<uuid>{corner_on(model, 1), corner_on(model, 2)}));
  const RecordedMappings<TypeParam> recorded{identifier.mappings()};
  EXPECT_TRUE(recorded.lines.empty());
  EXPECT_TRUE(recorded.line_vertices.empty());
  EXPECT_TRUE(recorded.line_elements.empty());
}

TYPED_TEST(CornersLinesIdentifierTest, FreeLineEndsGetCornersOutsideMergingMode) {
  auto& model = this->model;
  const auto first = this->maker.chain({0, 1});
  const auto second = this->maker.chain({1, 2});
  TestIdentifier<TypeParam> identifier{model, false};
  this->identify(identifier);

  EXPECT_EQ(line_ids(model), (std::vector<uuid>{first, second}));
  EXPECT_EQ(model.nb_corners(), 3u);
  EXPECT_EQ(boundary_ids(model, first),
            (std::vector<uuid>{corner_on(model, 0), corner_on(model, 1)}));
  EXPECT_EQ(boundary_ids(model, second),
            (std::vector<uuid>{corner_on(model, 1), corner_on(model, 2)}));
  const RecordedMappings<TypeParam> recorded{identifier.mappings()};
  EXPECT_TRUE(recorded.lines.empty());
  EXPECT_TRUE(recorded.line_vertices.empty());
  EXPECT_TRUE(recorded.line_elements.empty());
}

TYPED_TEST(CornersLinesIdentifierTest, OnlyOneVertexCorners) {
  constexpr auto D = TypeParam::dim;
  for (const index_t nb_points : {2u, 0u}) {
    SCOPED_TRACE(nb_points);
    TypeParam model;
    ModelMaker<TypeParam> maker{model};
    maker.corner(0);
    const auto corner = maker.builder().add_corner();
    auto mesh = maker.builder().corner_mesh_builder(corner);
    for (index_t point = 0; point < nb_points; ++point) mesh->create_point(place<D>(point + 3));
    TestIdentifier<TypeParam> identifier{model, true};
    try {
      identifier.identify_corners_and_lines(corner_ids(model), {});
      FAIL() << "nothing thrown";
    } catch (const VeyraConversionModelException& exception) {
      EXPECT_STREQ(exception.what(),
                   "[ModelBuilderFromUniqueVertices::add_corner_to_wireframe] Manage only one "
                   "vertex corners");
      EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
      if (nb_points == 0) {
        EXPECT_EQ(exception.data().type(), typeid(std::nullptr_t));
      } else {
        ASSERT_EQ(exception.data().type(), typeid(Point<D>));
        EXPECT_EQ(std::any_cast<Point<D>>(exception.data()), place<D>(3));
      }
    }
  }
}

TYPED_TEST(CornersLinesIdentifierTest, CornersOnOneUniqueVertexAreMerged) {
  auto& model = this->model;
  auto& builder = this->maker.builder();
  const auto first = this->maker.corner(0);
  const auto second = this->maker.corner(0);
  const auto other = this->maker.corner(2);
  builder.set_corner_name(first, "a");
  builder.set_corner_name(second, "b");
  const auto line = this->maker.chain({0, 1, 2});
  builder.add_corner_line_boundary_relationship(model.corner(second), model.line(line));
  const auto collection = builder.add_corner_collection();
  builder.add_corner_in_corner_collection(model.corner(first), model.corner_collection(collection));
  // A vertex value on the second corner reaches the merged corner.
  model.corner(second)
      .mesh()
      .vertex_attribute_manager()
      .template find_or_create_attribute<VariableAttribute, double>("weight", 0.)
      ->set_value(0, 2.5);
  TestIdentifier<TypeParam> identifier{model, false};
  this->identify(identifier);

  ASSERT_EQ(model.nb_corners(), 2u);
  EXPECT_FALSE(model.has_corner(first));
  EXPECT_FALSE(model.has_corner(second));
  const auto merged = corner_on(model, 0);
  EXPECT_EQ(model.corner(merged).name(), std::optional<std::string_view>{"a_b"});
  EXPECT_EQ(model.corner(merged).mesh().point(0), place<TypeParam::dim>(0));
  EXPECT_TRUE(model.is_item(merged, collection));
  EXPECT_EQ(model.corner(merged)
                .mesh()
                .vertex_attribute_manager()
                .template find_attribute<double>("weight")
                ->value(0),
            2.5);
  EXPECT_EQ(identifier.corner_uuid(*identifier.wireframe_vertex_id(0)), merged);
  // The line is bounded by the merged corner, and by the corner at its other end.
  ASSERT_TRUE(model.has_line(line));
  EXPECT_EQ(boundary_ids(model, line), (std::vector<uuid>{merged, other}));

  const RecordedMappings<TypeParam> recorded{identifier.mappings()};
  EXPECT_EQ(recorded.corners, (IdPairs{{first, merged}, {second, merged}}));
  EXPECT_EQ(recorded.corner_vertices,
            (VertexPairs{{{first, 0}, {merged, 0}}, {{second, 0}, {merged, 0}}}));
  EXPECT_EQ(recorded.corner_elements,
            (ElementPairs{{{first, 0}, {merged, 0}}, {{second, 0}, {merged, 0}}}));
  EXPECT_TRUE(recorded.lines.empty());
  EXPECT_TRUE(recorded.line_vertices.empty());
  EXPECT_TRUE(recorded.line_elements.empty());
}

TYPED_TEST(CornersLinesIdentifierTest, ClosedLineWithOneCornerIsOpened) {
  auto& model = this->model;
  const auto line = this->maker.loop({0, 1, 2});
  const auto corner = this->maker.corner(0);
  TestIdentifier<TypeParam> identifier{model, true};
  this->identify(identifier);

  ASSERT_EQ(line_ids(model), std::vector<uuid>{line});
  EXPECT_EQ(unique_vertices(model, line), (std::vector<index_t>{0, 1, 2, 0}));
  EXPECT_EQ(edges(model, line), (std::vector<std::array<index_t, 2>>{{0, 1}, {1, 2}, {2, 3}}));
  EXPECT_EQ(model.line(line).mesh().point(3), place<TypeParam::dim>(0));
  EXPECT_EQ(boundary_ids(model, line), std::vector<uuid>{corner});
  const RecordedMappings<TypeParam> recorded{identifier.mappings()};
  EXPECT_TRUE(recorded.lines.empty());
  EXPECT_TRUE(recorded.line_vertices.empty());
  EXPECT_TRUE(recorded.line_elements.empty());
}

TYPED_TEST(CornersLinesIdentifierTest, ClosedLineWithTwoCornersIsSplitInTwo) {
  auto& model = this->model;
  const auto line = this->maker.loop({0, 1, 2, 3});
  const auto corner0 = this->maker.corner(0);
  const auto corner2 = this->maker.corner(2);
  this->maker.builder().set_line_name(line, "loop");
  TestIdentifier<TypeParam> identifier{model, true};
  this->identify(identifier);

  ASSERT_EQ(model.nb_lines(), 2u);
  const auto first = line_on(model, {0, 1, 2});
  const auto second = line_on(model, {0, 3, 2});
  for (const auto& split : {first, second}) {
    EXPECT_EQ(edges(model, split), (std::vector<std::array<index_t, 2>>{{0, 1}, {1, 2}}));
    EXPECT_EQ(boundary_ids(model, split), (std::vector<uuid>{corner0, corner2}));
    EXPECT_EQ(model.line(split).name(), std::optional<std::string_view>{"loop"});
  }
  this->expect_wireframe_edge(identifier, 1, 2, first);
  this->expect_wireframe_edge(identifier, 3, 0, second);

  const RecordedMappings<TypeParam> recorded{identifier.mappings()};
  EXPECT_EQ(recorded.lines, (IdPairs{{line, first}, {line, second}}));
  EXPECT_EQ(recorded.line_vertices, (VertexPairs{{{line, 0}, {first, 0}},
                                                 {{line, 0}, {second, 0}},
                                                 {{line, 1}, {first, 1}},
                                                 {{line, 2}, {first, 2}},
                                                 {{line, 2}, {second, 2}},
                                                 {{line, 3}, {second, 1}}}));
  EXPECT_EQ(recorded.line_elements, (ElementPairs{{{line, 0}, {first, 0}},
                                                  {{line, 1}, {first, 1}},
                                                  {{line, 3}, {second, 0}},
                                                  {{line, 2}, {second, 1}}}));
  EXPECT_TRUE(recorded.corners.empty());
}

// Two lines 0-1-2 and 2-3-0 form a loop through two vertices that are no corner: they merge into
// one line, which is then split at the corners on 1 and 3. Vertices 1 and 3 each become two
// vertices: every source reaches both, through the merged line made during the run.
TYPED_TEST(CornersLinesIdentifierTest, MergedLineSplitAtCorners) {
  auto& model = this->model;
  const auto line_a = this->maker.chain({0, 1, 2});
  const auto line_b = this->maker.chain({2, 3, 0});
  const auto corner1 = this->maker.corner(1);
  const auto corner3 = this->maker.corner(3);
  TestIdentifier<TypeParam> identifier{model, true};
  this->identify(identifier);

  ASSERT_EQ(model.nb_lines(), 2u);
  const auto first = line_on(model, {1, 0, 3});
  const auto second = line_on(model, {1, 2, 3});
  EXPECT_EQ(boundary_ids(model, first), (std::vector<uuid>{corner1, corner3}));
  EXPECT_EQ(boundary_ids(model, second), (std::vector<uuid>{corner1, corner3}));

  const auto& line_mapping =
      identifier.mappings().component_mappings.at(Line<TypeParam::dim>::component_type_static());
  ASSERT_TRUE(line_mapping.has_mapping_input(line_a));
  const auto merged = line_mapping.in2out(line_a).front();
  const RecordedMappings<TypeParam> recorded{identifier.mappings()};
  EXPECT_EQ(recorded.lines,
            (IdPairs{{line_a, merged}, {line_b, merged}, {merged, first}, {merged, second}}));
  EXPECT_EQ(recorded.line_vertices, (VertexPairs{{{line_a, 0}, {first, 1}},
                                                 {{line_a, 1}, {first, 0}},
                                                 {{line_a, 1}, {second, 0}},
                                                 {{line_a, 2}, {second, 1}},
                                                 {{line_b, 0}, {second, 1}},
                                                 {{line_b, 1}, {first, 2}},
                                                 {{line_b, 1}, {second, 2}},
                                                 {{line_b, 2}, {first, 1}}}));
  EXPECT_EQ(recorded.line_elements, (ElementPairs{{{line_a, 0}, {first, 0}},
                                                  {{line_a, 1}, {second, 0}},
                                                  {{line_b, 0}, {second, 1}},
                                                  {{line_b, 1}, {first, 1}}}));
}

TYPED_TEST(CornersLinesIdentifierTest, LineWithCornersAtBothFreeEndsIsOnlyBounded) {
  auto& model = this->model;
  const auto line = this->maker.chain({0, 1, 2});
  const auto corner0 = this->maker.corner(0);
  const auto corner2 = this->maker.corner(2);
  TestIdentifier<TypeParam> identifier{model, true};
  this->identify(identifier);

  ASSERT_EQ(line_ids(model), std::vector<uuid>{line});
  EXPECT_EQ(unique_vertices(model, line), (std::vector<index_t>{0, 1, 2}));
  EXPECT_EQ(boundary_ids(model, line), (std::vector<uuid>{corner0, corner2}));
  EXPECT_EQ(corner_ids(model), (std::vector<uuid>{corner0, corner2}));
  const RecordedMappings<TypeParam> recorded{identifier.mappings()};
  EXPECT_TRUE(recorded.lines.empty());
  EXPECT_TRUE(recorded.line_vertices.empty());
  EXPECT_TRUE(recorded.line_elements.empty());
}

// Two lines that close a loop without any corner become one closed line, one vertex per unique
// vertex.
TYPED_TEST(CornersLinesIdentifierTest, LinesMergedIntoALoop) {
  auto& model = this->model;
  const auto line_a = this->maker.chain({0, 1, 2});
  const auto line_b = this->maker.chain({2, 3, 0});
  TestIdentifier<TypeParam> identifier{model, true};
  this->identify(identifier);

  ASSERT_EQ(model.nb_lines(), 1u);
  EXPECT_EQ(model.nb_corners(), 0u);
  const auto merged = line_on(model, {0, 1, 2, 3});
  EXPECT_EQ(edges(model, merged),
            (std::vector<std::array<index_t, 2>>{{0, 1}, {1, 2}, {2, 3}, {3, 0}}));
  EXPECT_EQ(model.nb_boundaries(merged), 0u);
  const RecordedMappings<TypeParam> recorded{identifier.mappings()};
  EXPECT_EQ(recorded.lines, (IdPairs{{line_a, merged}, {line_b, merged}}));
  EXPECT_EQ(recorded.line_vertices, (VertexPairs{{{line_a, 0}, {merged, 0}},
                                                 {{line_a, 1}, {merged, 1}},
                                                 {{line_a, 2}, {merged, 2}},
                                                 {{line_b, 0}, {merged, 2}},
                                                 {{line_b, 1}, {merged, 3}},
                                                 {{line_b, 2}, {merged, 0}}}));
  EXPECT_EQ(recorded.line_elements, (ElementPairs{{{line_a, 0}, {merged, 0}},
                                                  {{line_a, 1}, {merged, 1}},
                                                  {{line_b, 0}, {merged, 2}},
                                                  {{line_b, 1}, {merged, 3}}}));
}

// A line that leaves unique vertex 0 and comes back to it on another mesh vertex, without any
// corner: welded onto its first vertex there.
TYPED_TEST(CornersLinesIdentifierTest, LoopLineVerticesAreWelded) {
  auto& model = this->model;
  const auto line = this->maker.line({0, 1, 0, 2}, {{0, 1}, {1, 3}, {3, 2}});
  TestIdentifier<TypeParam> identifier{model, true};
  this->identify(identifier);

  ASSERT_EQ(line_ids(model), std::vector<uuid>{line});
  EXPECT_EQ(unique_vertices(model, line), (std::vector<index_t>{0, 1, 2}));
  EXPECT_EQ(edges(model, line), (std::vector<std::array<index_t, 2>>{{0, 1}, {1, 2}, {2, 0}}));
  EXPECT_EQ(model.component_mesh_vertices(0, line), std::vector<index_t>{0});
  const RecordedMappings<TypeParam> recorded{identifier.mappings()};
  EXPECT_TRUE(recorded.lines.empty());
  EXPECT_EQ(recorded.line_vertices, (VertexPairs{{{line, 0}, {line, 0}},
                                                 {{line, 1}, {line, 1}},
                                                 {{line, 2}, {line, 0}},
                                                 {{line, 3}, {line, 2}}}));
  EXPECT_TRUE(recorded.line_elements.empty());
}

TYPED_TEST(CornersLinesIdentifierTest, DuplicatedLinesKeepTheFirstLineRelationships) {
  auto& model = this->model;
  auto& builder = this->maker.builder();
  const auto first = this->maker.chain({0, 1, 2});
  const auto second = this->maker.chain({2, 1, 0});
  builder.set_line_name(first, "a");
  builder.set_line_name(second, "b");
  const auto collection_a = builder.add_line_collection();
  const auto collection_b = builder.add_line_collection();
  builder.add_line_in_line_collection(model.line(first), model.line_collection(collection_a));
  builder.add_line_in_line_collection(model.line(second), model.line_collection(collection_b));
  TestIdentifier<TypeParam> identifier{model, false};
  this->identify(identifier);

  ASSERT_EQ(model.nb_lines(), 1u);
  const auto merged = line_on(model, {0, 1, 2});
  EXPECT_EQ(edges(model, merged), (std::vector<std::array<index_t, 2>>{{0, 1}, {1, 2}}));
  EXPECT_EQ(model.line(merged).name(), std::optional<std::string_view>{"a_b"});
  EXPECT_TRUE(model.is_item(merged, collection_a));
  EXPECT_FALSE(model.is_item(merged, collection_b));
  EXPECT_EQ(boundary_ids(model, merged),
            (std::vector<uuid>{corner_on(model, 0), corner_on(model, 2)}));
  this->expect_wireframe_edge(identifier, 0, 1, merged);
  this->expect_wireframe_edge(identifier, 2, 1, merged);

  const RecordedMappings<TypeParam> recorded{identifier.mappings()};
  EXPECT_EQ(recorded.lines, (IdPairs{{first, merged}, {second, merged}}));
  EXPECT_EQ(recorded.line_vertices, (VertexPairs{{{first, 0}, {merged, 0}},
                                                 {{first, 1}, {merged, 1}},
                                                 {{first, 2}, {merged, 2}},
                                                 {{second, 0}, {merged, 2}},
                                                 {{second, 1}, {merged, 1}},
                                                 {{second, 2}, {merged, 0}}}));
  EXPECT_EQ(recorded.line_elements, (ElementPairs{{{first, 0}, {merged, 0}},
                                                  {{first, 1}, {merged, 1}},
                                                  {{second, 0}, {merged, 1}},
                                                  {{second, 1}, {merged, 0}}}));
}

// One line mesh holding a loop through a corner and a separate loop without corner. Each loop
// becomes its own line before the corner split: the first is opened at its corner, the second
// stays closed.
TYPED_TEST(CornersLinesIdentifierTest, LinePiecesBecomeLinesBeforeTheCornerSplit) {
  auto& model = this->model;
  const auto line =
      this->maker.line({0, 1, 2, 3, 4, 5}, {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5}, {5, 3}});
  const auto corner = this->maker.corner(0);
  this->maker.builder().set_line_name(line, "pieces");
  TestIdentifier<TypeParam> identifier{model, true};
  this->identify(identifier);

  ASSERT_EQ(model.nb_lines(), 2u);
  const auto opened = line_on(model, {0, 1, 2, 0});
  const auto closed = line_on(model, {3, 4, 5});
  EXPECT_EQ(edges(model, opened), (std::vector<std::array<index_t, 2>>{{0, 1}, {1, 2}, {2, 3}}));
  EXPECT_EQ(edges(model, closed), (std::vector<std::array<index_t, 2>>{{0, 1}, {1, 2}, {2, 0}}));
  EXPECT_EQ(boundary_ids(model, opened), std::vector<uuid>{corner});
  EXPECT_EQ(model.nb_boundaries(closed), 0u);
  EXPECT_EQ(model.line(closed).name(), std::optional<std::string_view>{"pieces"});
  this->expect_wireframe_edge(identifier, 2, 0, opened);
  this->expect_wireframe_edge(identifier, 5, 3, closed);

  const RecordedMappings<TypeParam> recorded{identifier.mappings()};
  EXPECT_EQ(recorded.lines, (IdPairs{{line, opened}, {line, closed}}));
  EXPECT_EQ(recorded.line_vertices, (VertexPairs{{{line, 0}, {opened, 0}},
                                                 {{line, 1}, {opened, 1}},
                                                 {{line, 2}, {opened, 2}},
                                                 {{line, 3}, {closed, 0}},
                                                 {{line, 4}, {closed, 1}},
                                                 {{line, 5}, {closed, 2}}}));
  EXPECT_EQ(recorded.line_elements, (ElementPairs{{{line, 0}, {opened, 0}},
                                                  {{line, 1}, {opened, 1}},
                                                  {{line, 2}, {opened, 2}},
                                                  {{line, 3}, {closed, 0}},
                                                  {{line, 4}, {closed, 1}},
                                                  {{line, 5}, {closed, 2}}}));
}

class SectionPiecesTest : public ::testing::Test {
 protected:
  void SetUp() override { VeyraConversionModelLibrary::initialize(); }
};

// A section whose region 1 (square 0 1 2 3) lies inside region 2 (the ring up to square
// 4 5 6 7), with their borders as one line, as a conversion from a region attribute gives: the
// outer border and the border between the regions become two closed lines without corner.
TEST_F(SectionPiecesTest, BorderOfARegionInsideAnother) {
  Section model;
  ModelMaker<Section> maker{model};
  maker.surface({{0, 1, 2}, {0, 2, 3}});
  maker.surface(
      {{4, 5, 1}, {4, 1, 0}, {5, 6, 2}, {5, 2, 1}, {6, 7, 3}, {6, 3, 2}, {7, 4, 0}, {7, 0, 3}});
  const auto line = maker.line({4, 5, 6, 7, 0, 1, 2, 3},
                               {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6}, {6, 7}, {7, 4}});
  TestIdentifier<Section> identifier{model, false};
  identifier.build_unique_edges_inventory();
  identifier.identify_corners_and_lines({}, std::vector<uuid>{line});

  EXPECT_EQ(model.nb_corners(), 0u);
  ASSERT_EQ(model.nb_lines(), 2u);
  const auto outer = line_on(model, {4, 5, 6, 7});
  const auto inner = line_on(model, {0, 1, 2, 3});
  for (const auto& piece : {outer, inner}) {
    EXPECT_EQ(edges(model, piece),
              (std::vector<std::array<index_t, 2>>{{0, 1}, {1, 2}, {2, 3}, {3, 0}}));
    EXPECT_EQ(model.nb_boundaries(piece), 0u);
  }
  for (index_t v = 0; v < 4; ++v) {
    const auto edge = identifier.wireframe_edge_id({v, (v + 1) % 4});
    ASSERT_TRUE(edge);
    EXPECT_EQ(identifier.line_uuid(*edge), inner);
    const auto outer_edge = identifier.wireframe_edge_id({v + 4, (v + 1) % 4 + 4});
    ASSERT_TRUE(outer_edge);
    EXPECT_EQ(identifier.line_uuid(*outer_edge), outer);
  }

  const RecordedMappings<Section> recorded{identifier.mappings()};
  EXPECT_EQ(recorded.lines, (IdPairs{{line, outer}, {line, inner}}));
  VertexPairs vertices;
  ElementPairs elements;
  for (index_t i = 0; i < 4; ++i) {
    vertices.insert({{line, i}, {outer, i}});
    vertices.insert({{line, i + 4}, {inner, i}});
    elements.insert({{line, i}, {outer, i}});
    elements.insert({{line, i + 4}, {inner, i}});
  }
  EXPECT_EQ(recorded.line_vertices, vertices);
  EXPECT_EQ(recorded.line_elements, elements);
}

}  // namespace
}  // namespace veyra
