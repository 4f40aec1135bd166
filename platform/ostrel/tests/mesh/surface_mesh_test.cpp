// SPDX-License-Identifier: MIT
#include <ostrel/mesh/surface_mesh.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include <ostrel/mesh/io/mesh_table_restore.h>
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/polygonal_surface_builder.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/mesh/triangulated_surface_builder.h>

namespace veyra {
namespace {

using Polygons = std::vector<std::vector<index_t>>;

/// A polygonal surface on vertices 0..nb_vertices-1 (points on the unit circle unless given).
std::unique_ptr<SurfaceMesh<3>> make_surface(index_t nb_vertices, const Polygons& polygons,
                                             bool with_adjacency = true) {
  auto mesh = SurfaceMesh<3>::create();
  auto builder = SurfaceMeshBuilder<3>::create(*mesh);
  for (index_t v = 0; v < nb_vertices; ++v) {
    const double angle = 2. * M_PI * v / nb_vertices;
    builder->create_point(Point<3>{{std::cos(angle), std::sin(angle), 0.1 * v}});
  }
  for (const auto& polygon : polygons) builder->create_polygon(polygon);
  if (with_adjacency) builder->compute_polygon_adjacencies();
  return mesh;
}

std::vector<std::optional<index_t>> adjacents(const SurfaceMesh<3>& mesh, index_t polygon) {
  std::vector<std::optional<index_t>> result;
  for (local_index_t edge = 0; edge < mesh.nb_polygon_edges(polygon); ++edge) {
    result.push_back(mesh.polygon_adjacent({polygon, edge}));
  }
  return result;
}

std::vector<PolygonVertex> fan(const SurfaceMesh<3>& mesh, index_t vertex) {
  const auto corners = mesh.polygons_around_vertex(vertex);
  return {corners.begin(), corners.end()};
}

TEST(SurfaceMesh, CreatesEachKindWithItsTypeName) {
  EXPECT_EQ(SurfaceMesh<2>::create()->type_name().get(), "PolygonalSurface2D");
  EXPECT_EQ(SurfaceMesh<3>::create()->impl_name().get(), "OstrelPolygonalSurface3D");
  EXPECT_EQ(PolygonalSurface<2>::create()->impl_name().get(), "OstrelPolygonalSurface2D");
  EXPECT_EQ(TriangulatedSurface<2>::create()->type_name().get(), "TriangulatedSurface2D");
  EXPECT_EQ(TriangulatedSurface<3>::create()->impl_name().get(), "OstrelTriangulatedSurface3D");

  // A polygonal surface of triangles stays polygonal; a triangulated one takes triangles only.
  auto polygonal = PolygonalSurface<3>::create();
  auto polygonal_builder = PolygonalSurfaceBuilder<3>::create(*polygonal);
  polygonal_builder->create_vertices(4);
  polygonal_builder->create_polygon(std::vector<index_t>{0, 1, 2});
  EXPECT_EQ(polygonal->type_name().get(), "PolygonalSurface3D");

  auto triangulated = TriangulatedSurface<3>::create();
  auto builder = TriangulatedSurfaceBuilder<3>::create(*triangulated);
  builder->create_vertices(4);
  EXPECT_EQ(builder->create_triangle({0, 1, 2}), 0);
  try {
    builder->create_polygon(std::vector<index_t>{0, 1, 2, 3});
    FAIL() << "no exception";
  } catch (const OstrelMeshException& error) {
    EXPECT_EQ(error.type(), OstrelException::TYPE::input);
    EXPECT_EQ(std::string{error.what()},
              "[TriangulatedSurfaceBuilder::create_polygon] A triangle needs 3 vertices, 4 given");
  }
  EXPECT_THROW(polygonal_builder->create_polygon(std::vector<index_t>{0, 1}),
               OstrelMeshException);
  EXPECT_THROW(polygonal_builder->create_polygon(std::vector<index_t>{0, 1, 4}),
               OstrelMeshException);
  EXPECT_EQ(triangulated->nb_polygons(), 1);
}

// t0 shares (0,1) with t1 in opposite directions and (1,2) with t2 in the same direction;
// (2,0) is used by t0, t3 and t4.
const Polygons adjacency_fixture{{0, 1, 2}, {1, 0, 3}, {1, 2, 4}, {0, 2, 5}, {2, 0, 6}};

TEST(SurfaceMesh, LinksPairsWhateverTheirOrientationButNotNonManifoldEdges) {
  const auto mesh = make_surface(7, adjacency_fixture);
  using A = std::vector<std::optional<index_t>>;
  EXPECT_EQ(adjacents(*mesh, 0), (A{1, 2, std::nullopt}));
  EXPECT_EQ(adjacents(*mesh, 1), (A{0, std::nullopt, std::nullopt}));
  EXPECT_EQ(adjacents(*mesh, 2), (A{0, std::nullopt, std::nullopt}));
  EXPECT_EQ(adjacents(*mesh, 3), (A{std::nullopt, std::nullopt, std::nullopt}));
  EXPECT_EQ(adjacents(*mesh, 4), (A{std::nullopt, std::nullopt, std::nullopt}));
  EXPECT_EQ(mesh->polygon_adjacent_edge({0, 1}), (PolygonEdge{2, 0}));
  EXPECT_EQ(mesh->polygon_adjacent_edge({1, 0}), (PolygonEdge{0, 0}));
  EXPECT_EQ(mesh->polygon_edges_on_border(0), (std::vector<PolygonEdge>{{0, 2}}));

  // Recomputing for chosen polygons updates both sides of their pairs only.
  auto builder = SurfaceMeshBuilder<3>::create(*mesh);
  for (index_t polygon = 0; polygon < 3; ++polygon) {
    for (local_index_t edge = 0; edge < 3; ++edge) builder->unset_polygon_adjacent({polygon, edge});
  }
  builder->set_polygon_adjacent({3, 0}, 4);
  builder->compute_polygon_adjacencies(std::vector<index_t>{1, 3});
  EXPECT_EQ(adjacents(*mesh, 0), (A{1, std::nullopt, std::nullopt}));
  EXPECT_EQ(adjacents(*mesh, 1), (A{0, std::nullopt, std::nullopt}));
  EXPECT_EQ(adjacents(*mesh, 2), (A{std::nullopt, std::nullopt, std::nullopt}));
  EXPECT_EQ(adjacents(*mesh, 3), (A{std::nullopt, std::nullopt, std::nullopt}));
}

TEST(SurfaceMesh, LinksTheSpokesOfAFanAroundAHub) {
  // Eight triangles around vertex 0, closed, and a ninth on the spoke (0, 1), which is then
  // used three times. The hub has more corners than any rim vertex.
  Polygons polygons;
  for (index_t k = 0; k < 8; ++k) polygons.push_back({0, k + 1, (k + 1) % 8 + 1});
  polygons.push_back({0, 1, 9});
  const auto mesh = make_surface(10, polygons);
  using A = std::vector<std::optional<index_t>>;
  for (index_t k = 0; k < 8; ++k) {
    const std::optional<index_t> before = k == 0 ? std::nullopt : std::optional{k - 1};
    const std::optional<index_t> after = k == 7 ? std::nullopt : std::optional{k + 1};
    EXPECT_EQ(adjacents(*mesh, k), (A{before, std::nullopt, after})) << "triangle " << k;
  }
  EXPECT_EQ(adjacents(*mesh, 8), (A{std::nullopt, std::nullopt, std::nullopt}));
}

TEST(SurfaceMesh, FindsPolygonEdgesFromTheirVertices) {
  const auto mesh = make_surface(7, adjacency_fixture);
  EXPECT_EQ(mesh->polygon_edge_from_vertices(1, 2), (PolygonEdge{0, 1}));
  EXPECT_EQ(mesh->polygon_edge_from_vertices(0, 2), (PolygonEdge{3, 0}));
  EXPECT_EQ(mesh->polygon_edge_from_vertices(2, 0), (PolygonEdge{0, 2}));
  EXPECT_EQ(mesh->polygon_edge_from_vertices(3, 4), std::nullopt);
  EXPECT_EQ(mesh->polygons_from_edge_vertices(std::vector<index_t>{2, 0}),
            (std::vector<PolygonEdge>{{0, 2}, {3, 0}, {4, 0}}));
  EXPECT_EQ(mesh->polygons_from_edge_vertices(std::vector<index_t>{0, 1}),
            (std::vector<PolygonEdge>{{0, 0}, {1, 0}}));
  EXPECT_THROW(mesh->polygons_from_edge_vertices(std::vector<index_t>{0}), OstrelMeshException);
  EXPECT_EQ(mesh->vertex_in_polygon(4, 0), 1);
  EXPECT_EQ(mesh->vertex_in_polygon(4, 1), std::nullopt);
}

TEST(SurfaceMesh, FansAndBorders) {
  struct Case {
    const char* name;
    index_t nb_vertices;
    Polygons polygons;
    index_t vertex;
    std::vector<PolygonVertex> fan;
    bool on_border;
  };
  const std::vector<Case> cases{
      {"closed octahedron",
       6,
       {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4}, {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}},
       4,
       {{0, 2}, {1, 2}, {2, 2}, {3, 2}},
       false},
      {"open fan", 5, {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}, 0, {{0, 0}, {1, 0}, {2, 0}}, true},
      {"open fan walked forward from its seed",
       5,
       {{0, 3, 4}, {0, 2, 3}, {0, 1, 2}},
       0,
       {{0, 0}, {1, 0}, {2, 0}},
       true},
      {"open fan with a flipped triangle",
       5,
       {{0, 1, 2}, {0, 3, 2}, {0, 3, 4}},
       0,
       {{0, 0}, {1, 0}, {2, 0}},
       true},
      {"closed fan touching another fan",
       7,
       {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 1}, {0, 5, 6}},
       0,
       {{0, 0}, {1, 0}, {2, 0}, {3, 0}},
       true},
      {"closed fan alone", 5, {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 1}}, 0,
       {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, false},
      {"isolated vertex", 4, {{0, 1, 2}}, 3, {}, false},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const auto mesh = make_surface(test.nb_vertices, test.polygons);
    EXPECT_EQ(fan(*mesh, test.vertex), test.fan);
    EXPECT_EQ(mesh->is_vertex_on_border(test.vertex), test.on_border);
    EXPECT_EQ(mesh->is_vertex_isolated(test.vertex), test.fan.empty());
  }
}

TEST(SurfaceMesh, DeletesPolygonsWithAttributesAdjacencyAndEdgesKeptInStep) {
  auto mesh = make_surface(7, adjacency_fixture);
  auto builder = SurfaceMeshBuilder<3>::create(*mesh);
  mesh->enable_edges();
  const auto& edges = mesh->edges();
  // First appearance: t0 (0,1) (1,2) (0,2), t1 (0,3) (1,3), t2 (2,4) (1,4)...
  EXPECT_EQ(edges.nb_edges(), 11);
  EXPECT_EQ(edges.edge_vertices(1), (std::array<index_t, 2>{1, 2}));
  EXPECT_EQ(edges.edge_from_vertices({3, 0}), 3);
  auto tags = mesh->polygon_attribute_manager().find_or_create_attribute<VariableAttribute, int>(
      "tag", 0);
  for (index_t polygon = 0; polygon < 5; ++polygon) tags->set_value(polygon, 10 * polygon);

  const auto old2new = builder->delete_polygons({false, true, false, true, false});
  EXPECT_EQ(old2new, (std::vector<index_t>{0, NO_ID, 1, NO_ID, 2}));
  ASSERT_EQ(mesh->nb_polygons(), 3);
  EXPECT_EQ(tags->value(1), 20);
  EXPECT_EQ(tags->value(2), 40);
  EXPECT_EQ(mesh->polygon_vertices(2), (PolygonVertices{2, 0, 6}));
  using A = std::vector<std::optional<index_t>>;
  EXPECT_EQ(adjacents(*mesh, 0), (A{std::nullopt, 1, std::nullopt}));
  EXPECT_EQ(adjacents(*mesh, 1), (A{0, std::nullopt, std::nullopt}));
  EXPECT_TRUE(mesh->is_vertex_isolated(3));
  EXPECT_EQ(mesh->polygon_around_vertex(2), (PolygonVertex{0, 2}));
  EXPECT_EQ(mesh->polygon_around_vertex(6), (PolygonVertex{2, 2}));

  // Edge ids stay; the table entries of the deleted polygons become isolated.
  EXPECT_EQ(edges.nb_edges(), 11);
  EXPECT_TRUE(edges.is_edge_isolated(3));
  EXPECT_FALSE(edges.is_edge_isolated(2));
  EXPECT_EQ(builder->delete_isolated_vertices(),
            (std::vector<index_t>{0, 1, 2, NO_ID, 3, NO_ID, 4}));
  // The entries on removed vertices 3 and 5 went with them: (0,3) (1,3) (0,5) (2,5).
  EXPECT_EQ(edges.nb_edges(), 7);
  EXPECT_EQ(mesh->polygon_vertices(2), (PolygonVertices{2, 0, 4}));
  EXPECT_EQ(edges.edge_from_vertices({4, 2}), 6);
  EXPECT_EQ(builder->delete_isolated_edges(), (std::vector<index_t>{0, 1, 2, 3, 4, 5, 6}));

  // New polygons append their missing edges.
  builder->create_polygon(std::vector<index_t>{4, 3, 1});
  EXPECT_EQ(edges.nb_edges(), 9);
  EXPECT_EQ(edges.edge_from_vertices({3, 4}), 7);
  builder->set_polygon_vertex({3, 1}, 2);
  EXPECT_EQ(edges.nb_edges(), 9);
  EXPECT_TRUE(edges.is_edge_isolated(7));
  EXPECT_EQ(builder->delete_isolated_edges(),
            (std::vector<index_t>{0, 1, 2, 3, 4, 5, 6, NO_ID, 7}));
  EXPECT_EQ(edges.nb_edges(), 8);
  EXPECT_EQ(edges.edge_vertices(7), (std::array<index_t, 2>{1, 4}));
}

TEST(SurfaceMesh, CloneIsDeepAndAnswersLikeTheOriginal) {
  auto mesh = make_surface(7, {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 1}, {0, 5, 6}});
  auto builder = SurfaceMeshBuilder<3>::create(*mesh);
  builder->set_name("surface");
  mesh->enable_edges();
  mesh->polygon_attribute_manager()
      .find_or_create_attribute<SparseAttribute, double>("weight", 1.)
      ->set_value(3, 5.);

  const auto clone = mesh->clone();
  EXPECT_NE(clone->id(), mesh->id());
  EXPECT_EQ(clone->name(), mesh->name());
  EXPECT_EQ(clone->impl_name(), mesh->impl_name());
  ASSERT_TRUE(clone->are_edges_enabled());
  EXPECT_EQ(clone->edges().nb_edges(), mesh->edges().nb_edges());
  for (index_t vertex = 0; vertex < 7; ++vertex) {
    EXPECT_EQ(fan(*clone, vertex), fan(*mesh, vertex));
    EXPECT_EQ(clone->is_vertex_on_border(vertex), mesh->is_vertex_on_border(vertex));
  }

  builder->delete_polygons({true, false, false, false, false});
  builder->set_point(0, Point<3>{{9., 9., 9.}});
  EXPECT_EQ(clone->nb_polygons(), 5);
  EXPECT_EQ(clone->polygon_adjacent({0, 2}), 1);
  EXPECT_EQ(clone->point(0), (Point<3>{{1., 0., 0.}}));
  EXPECT_EQ(clone->polygon_attribute_manager().find_attribute<double>("weight")->value(3), 5.);
  // The clone's edge table answers for the clone.
  EXPECT_FALSE(clone->edges().is_edge_isolated(1));
  EXPECT_TRUE(mesh->edges().is_edge_isolated(1));
}

TEST(SurfaceMesh, ReversesAPolygonWithItsAdjacencies) {
  auto mesh = make_surface(6, {{0, 1, 2, 3}, {1, 0, 4}, {2, 1, 5}});
  auto builder = SurfaceMeshBuilder<3>::create(*mesh);
  using A = std::vector<std::optional<index_t>>;
  EXPECT_EQ(adjacents(*mesh, 0), (A{1, 2, std::nullopt, std::nullopt}));
  builder->reverse_polygon(0);
  EXPECT_EQ(mesh->polygon_vertices(0), (PolygonVertices{0, 3, 2, 1}));
  EXPECT_EQ(adjacents(*mesh, 0), (A{std::nullopt, std::nullopt, 2, 1}));
  EXPECT_EQ(mesh->polygon_edge_vertices({0, 3}), (std::array<index_t, 2>{1, 0}));
  EXPECT_EQ(mesh->polygon_around_vertex(3), (PolygonVertex{0, 1}));
  EXPECT_EQ(mesh->polygon_edge_from_vertices(1, 0), (PolygonEdge{0, 3}));
}

TEST(SurfaceMesh, MeasuresPolygons) {
  auto mesh = SurfaceMesh<3>::create();
  auto builder = SurfaceMeshBuilder<3>::create(*mesh);
  builder->create_point(Point<3>{{0., 0., 0.}});
  builder->create_point(Point<3>{{2., 0., 0.}});
  builder->create_point(Point<3>{{2., 1., 0.}});
  builder->create_point(Point<3>{{0., 1., 0.}});
  builder->create_point(Point<3>{{1., 0., 5e-7}});
  builder->create_polygon(std::vector<index_t>{0, 1, 2, 3});
  builder->create_polygon(std::vector<index_t>{0, 4, 1});
  builder->create_polygon(std::vector<index_t>{3, 2, 1, 0});
  EXPECT_EQ(mesh->polygon_barycenter(0), (Point<3>{{1., 0.5, 0.}}));
  EXPECT_EQ(mesh->polygon_edge_barycenter({0, 1}), (Point<3>{{2., 0.5, 0.}}));
  EXPECT_DOUBLE_EQ(mesh->polygon_area(0), 2.);
  EXPECT_FALSE(mesh->is_polygon_degenerated(0));
  EXPECT_TRUE(mesh->is_polygon_degenerated(1));
  EXPECT_EQ(mesh->polygon_normal(0), (Vector<3>{{0., 0., 1.}}));
  EXPECT_EQ(mesh->polygon_normal(2), (Vector<3>{{0., 0., -1.}}));
  EXPECT_EQ(mesh->polygon_normal(1), std::nullopt);

  auto flat = SurfaceMesh<2>::create();
  auto flat_builder = SurfaceMeshBuilder<2>::create(*flat);
  flat_builder->create_point(Point<2>{{0., 0.}});
  flat_builder->create_point(Point<2>{{0., 3.}});
  flat_builder->create_point(Point<2>{{4., 0.}});
  flat_builder->create_polygon(std::vector<index_t>{0, 1, 2});
  EXPECT_DOUBLE_EQ(flat->polygon_area(0), 6.);
  EXPECT_THROW(flat->edges(), OstrelMeshException);
}

TEST(SurfaceMesh, RestoresASavedEdgeTableOrRefusesIt) {
  const auto saved = make_surface(5, {{0, 1, 2}, {0, 2, 3}});
  // Saved with an isolated entry, in an order no enabling would give.
  const std::vector<std::array<index_t, 2>> edges{{3, 4}, {0, 3}, {2, 3}, {0, 2}, {1, 2}, {0, 1}};
  auto restored = saved->clone();
  ASSERT_TRUE(restore_edge_table(*restored, edges));
  EXPECT_EQ(restored->edges().edge_vertices(0), (std::array<index_t, 2>{3, 4}));
  EXPECT_TRUE(restored->edges().is_edge_isolated(0));
  EXPECT_EQ(restored->edges().edge_from_vertices({1, 0}), 5);

  // A corrupted file may name any pair: each is refused before it reaches the table.
  const std::vector<std::pair<std::string, std::vector<std::array<index_t, 2>>>> refused{
      {"edge twice", {{0, 1}, {1, 0}, {1, 2}, {0, 2}, {0, 3}, {2, 3}}},
      {"edge missing", {{0, 1}, {1, 2}, {0, 2}, {0, 3}}},
      {"vertex out of range", {{0, 1}, {1, 2}, {0, 2}, {0, 3}, {2, 3}, {3, 5}}},
      {"vertex far out of range", {{4000000000U, 1}, {1, 2}, {0, 2}, {0, 3}, {2, 3}}},
  };
  for (const auto& [name, bad_edges] : refused) {
    SCOPED_TRACE(name);
    auto mesh = saved->clone();
    EXPECT_FALSE(restore_edge_table(*mesh, bad_edges));
    EXPECT_FALSE(mesh->are_edges_enabled());
  }
}

}  // namespace
}  // namespace veyra
