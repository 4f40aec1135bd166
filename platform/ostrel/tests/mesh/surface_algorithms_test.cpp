// SPDX-License-Identifier: MIT
// Orientation and manifold repairs, triangulation, conversion and connected groups of surfaces.
#include <gtest/gtest.h>

#include <string>

#include <ostrel/mesh/convert_surface_mesh.h>
#include <ostrel/mesh/repair_non_manifold_vertices.h>
#include <ostrel/mesh/repair_polygon_orientations.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/mesh/surface_identifier.h>
#include <ostrel/mesh/triangulate_surface_mesh.h>

#include "surface_fixtures.h"

namespace veyra {
namespace {

using test::make_surface;
using test::Polygons;

std::vector<Point<3>> grid_points(index_t nb_columns) {
  std::vector<Point<3>> points;
  for (index_t row = 0; row < 2; ++row) {
    for (index_t column = 0; column < nb_columns; ++column) {
      points.emplace_back(std::array<double, 3>{1. * column, 1. * row, 0.});
    }
  }
  return points;
}

std::vector<PolygonVertices> all_polygons(const SurfaceMesh<3>& mesh) {
  std::vector<PolygonVertices> polygons;
  for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
    polygons.push_back(mesh.polygon_vertices(polygon));
  }
  return polygons;
}

std::vector<std::optional<index_t>> adjacents(const SurfaceMesh<3>& mesh, index_t polygon) {
  std::vector<std::optional<index_t>> result;
  for (local_index_t edge = 0; edge < mesh.nb_polygon_edges(polygon); ++edge) {
    result.push_back(mesh.polygon_adjacent({polygon, edge}));
  }
  return result;
}

TEST(RepairPolygonOrientations, FlipsAgainstTheSmallestPolygonOfEachGroup) {
  struct Case {
    const char* name;
    Polygons input;
    std::vector<PolygonVertices> expected;
  };
  // A strip of quads on a 2 x 5 grid (bottom 0..4, top 5..9), plus a lone triangle.
  const std::vector<Case> cases{
      {"one flipped quad",
       {{0, 1, 6, 5}, {1, 2, 7, 6}, {2, 7, 8, 3}, {3, 4, 9, 8}, {0, 9, 4}},
       {{0, 1, 6, 5}, {1, 2, 7, 6}, {2, 3, 8, 7}, {3, 4, 9, 8}, {0, 9, 4}}},
      {"the first quad is the odd one: it stays",
       {{0, 5, 6, 1}, {1, 2, 7, 6}, {2, 3, 8, 7}, {3, 4, 9, 8}},
       {{0, 5, 6, 1}, {1, 6, 7, 2}, {2, 7, 8, 3}, {3, 8, 9, 4}}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    auto mesh = make_surface(grid_points(5), test.input);
    auto builder = SurfaceMeshBuilder<3>::create(*mesh);
    repair_polygon_orientations(*mesh, *builder);
    EXPECT_EQ(all_polygons(*mesh), test.expected);
    // Every shared edge now runs in opposite directions.
    for (index_t polygon = 0; polygon < mesh->nb_polygons(); ++polygon) {
      for (local_index_t edge = 0; edge < mesh->nb_polygon_edges(polygon); ++edge) {
        if (const auto other = mesh->polygon_adjacent_edge({polygon, edge})) {
          EXPECT_EQ(mesh->polygon_edge_vertex({polygon, edge}, 0),
                    mesh->polygon_edge_vertex(*other, 1));
        }
      }
    }
  }
}

TEST(RepairPolygonOrientations, RefusesAMoebiusStripWithoutChangingIt) {
  // Three quads in a row closed by a twisted quad.
  auto mesh = make_surface(grid_points(4), {{0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 4, 0, 7}});
  auto builder = SurfaceMeshBuilder<3>::create(*mesh);
  const auto before = all_polygons(*mesh);
  try {
    repair_polygon_orientations(*mesh, *builder);
    FAIL() << "no exception";
  } catch (const OstrelMeshException& error) {
    EXPECT_EQ(error.type(), OstrelException::TYPE::input);
    EXPECT_EQ(std::string{error.what()},
              "[repair_polygon_orientations] Surface polygons cannot be oriented consistently");
  }
  EXPECT_EQ(all_polygons(*mesh), before);
}

TEST(RepairNonManifoldVertices, GivesEachFanOfABowtieItsOwnVertex) {
  // Two triangles touching at vertex 0 only, and a fan of two triangles around vertex 5.
  auto mesh = make_surface(grid_points(5), {{0, 1, 2}, {3, 4, 0}, {5, 6, 7}, {5, 7, 8}});
  auto builder = SurfaceMeshBuilder<3>::create(*mesh);
  auto tags =
      mesh->vertex_attribute_manager().find_or_create_attribute<VariableAttribute, int>("tag", -1);
  tags->set_value(0, 42);

  const auto split = repair_non_manifold_vertices(*mesh, *builder);
  ASSERT_EQ(split.size_in(), 1);
  EXPECT_EQ(split.in2out(0).size(), 1);
  const auto copy = split.in2out(0).front();
  EXPECT_EQ(copy, 10);
  EXPECT_EQ(mesh->polygon_vertices(0), (PolygonVertices{0, 1, 2}));
  EXPECT_EQ(mesh->polygon_vertices(1), (PolygonVertices{3, 4, 10}));
  EXPECT_EQ(mesh->point(copy), mesh->point(0));
  EXPECT_EQ(tags->value(copy), 42);
  EXPECT_EQ(mesh->polygon_vertices(3), (PolygonVertices{5, 7, 8}));
  EXPECT_TRUE(repair_non_manifold_vertices(*mesh, *builder).empty());
}

TEST(RepairNonManifoldVertices, LooksOnlyAtTheListedVertices) {
  // Two bowties, at vertex 0 and at vertex 5; only vertex 5 (listed twice) is repaired.
  auto mesh = make_surface(grid_points(5), {{0, 1, 2}, {3, 4, 0}, {5, 6, 7}, {8, 9, 5}});
  auto builder = SurfaceMeshBuilder<3>::create(*mesh);
  const std::vector<index_t> listed{5, 5};
  const auto split = repair_non_manifold_vertices(*mesh, *builder, listed);
  ASSERT_EQ(split.size_in(), 1);
  EXPECT_EQ(split.in2out(5), (GenericMapping<index_t>::Values<index_t>{10}));
  EXPECT_EQ(mesh->polygon_vertices(1), (PolygonVertices{3, 4, 0}));
  EXPECT_EQ(mesh->polygon_vertices(3), (PolygonVertices{8, 9, 10}));
  const std::vector<index_t> out_of_range{11};
  EXPECT_THROW(repair_non_manifold_vertices(*mesh, *builder, out_of_range), OstrelMeshException);
}

TEST(TriangulateSurfaceMesh, SplitsTheQuadsOfAHexahedronWithoutLinkingOriginalEdges) {
  auto mesh = make_surface(test::unit_cube_points(), test::unit_cube_quads(), false);
  mesh->polygon_attribute_manager()
      .find_or_create_attribute<VariableAttribute, index_t>("face", NO_ID)
      ->set_value(4, 4);
  triangulate_surface_mesh(*mesh);
  ASSERT_EQ(mesh->nb_polygons(), 12);
  EXPECT_EQ(mesh->type_name().get(), "PolygonalSurface3D");
  using A = std::vector<std::optional<index_t>>;
  for (index_t quad = 0; quad < 6; ++quad) {
    const auto& original = test::unit_cube_quads()[quad];
    EXPECT_EQ(mesh->polygon_vertices(quad),
              (PolygonVertices{original[0], original[1], original[2]}));
    EXPECT_EQ(mesh->polygon_vertices(6 + quad),
              (PolygonVertices{original[0], original[2], original[3]}));
    EXPECT_EQ(adjacents(*mesh, quad), (A{std::nullopt, std::nullopt, 6 + quad}));
    EXPECT_EQ(adjacents(*mesh, 6 + quad), (A{quad, std::nullopt, std::nullopt}));
  }
  EXPECT_EQ(mesh->polygon_attribute_manager().find_attribute<index_t>("face")->value(10), 4);
  EXPECT_EQ(mesh->polygon_attribute_manager().find_attribute<index_t>("face")->value(11), NO_ID);
}

TEST(TriangulateSurfaceMesh, KeepsOriginalAdjacencyOnTheCarryingTriangle) {
  // A pentagon with neighbours across its edges 1, 3 and 4, and an edge table to extend.
  std::vector<Point<3>> points;
  for (index_t v = 0; v < 8; ++v) points.emplace_back(std::array<double, 3>{1. * v, v * v * 0.1, 0.});
  auto mesh = make_surface(points, {{0, 1, 2, 3, 4}, {2, 1, 5}, {4, 3, 6}, {0, 4, 7}});
  mesh->enable_edges();
  const auto nb_edges = mesh->edges().nb_edges();
  auto builder = SurfaceMeshBuilder<3>::create(*mesh);
  triangulate_surface_mesh(*mesh, *builder);
  ASSERT_EQ(mesh->nb_polygons(), 6);
  using A = std::vector<std::optional<index_t>>;
  EXPECT_EQ(mesh->polygon_vertices(4), (PolygonVertices{0, 2, 3}));
  EXPECT_EQ(mesh->polygon_vertices(5), (PolygonVertices{0, 3, 4}));
  EXPECT_EQ(adjacents(*mesh, 0), (A{std::nullopt, 1, 4}));
  EXPECT_EQ(adjacents(*mesh, 4), (A{0, std::nullopt, 5}));
  EXPECT_EQ(adjacents(*mesh, 5), (A{4, 2, 3}));
  EXPECT_EQ(adjacents(*mesh, 1), (A{0, std::nullopt, std::nullopt}));
  EXPECT_EQ(adjacents(*mesh, 2), (A{5, std::nullopt, std::nullopt}));
  EXPECT_EQ(adjacents(*mesh, 3), (A{5, std::nullopt, std::nullopt}));
  EXPECT_EQ(mesh->polygons_around_vertex(3).size(), 3);
  EXPECT_EQ(mesh->edges().nb_edges(), nb_edges + 2);
  EXPECT_EQ(mesh->edges().edge_from_vertices({2, 0}), nb_edges);
  EXPECT_EQ(mesh->edges().edge_from_vertices({0, 3}), nb_edges + 1);
}

TEST(ConvertSurfaceMesh, CopiesATriangleOnlySurfaceWithItsNumbering) {
  auto mesh = test::make_sphere(6, 4);
  mesh->enable_edges();
  mesh->polygon_attribute_manager()
      .find_or_create_attribute<VariableAttribute, double>("area", 0.)
      ->set_value(3, 2.5);
  auto builder = SurfaceMeshBuilder<3>::create(*mesh);
  builder->set_name("ball");
  const auto converted = convert_surface_mesh_into_triangulated_surface(*mesh);
  ASSERT_TRUE(converted.has_value());
  const auto& triangulated = **converted;
  EXPECT_EQ(triangulated.type_name().get(), "TriangulatedSurface3D");
  EXPECT_EQ(triangulated.name(), mesh->name());
  ASSERT_EQ(triangulated.nb_polygons(), mesh->nb_polygons());
  for (index_t polygon = 0; polygon < mesh->nb_polygons(); ++polygon) {
    EXPECT_EQ(triangulated.polygon_vertices(polygon), mesh->polygon_vertices(polygon));
    EXPECT_EQ(adjacents(triangulated, polygon), adjacents(*mesh, polygon));
  }
  ASSERT_TRUE(triangulated.are_edges_enabled());
  for (index_t edge = 0; edge < mesh->edges().nb_edges(); ++edge) {
    EXPECT_EQ(triangulated.edges().edge_vertices(edge), mesh->edges().edge_vertices(edge));
  }
  EXPECT_EQ(triangulated.polygon_attribute_manager().find_attribute<double>("area")->value(3),
            2.5);

  builder->create_polygon(std::vector<index_t>{0, 2, 3, 4});
  EXPECT_FALSE(convert_surface_mesh_into_triangulated_surface(*mesh).has_value());
}

TEST(ConvertSurfaceMesh, GivesAnyTriangulatedSurfaceAPolygonalCopy) {
  auto mesh = test::make_sphere(6, 4);
  const auto triangulated = *convert_surface_mesh_into_triangulated_surface(*mesh);
  triangulated->enable_edges();
  const auto polygonal = convert_surface_mesh_into_polygonal_surface(*triangulated);
  EXPECT_EQ(polygonal->type_name().get(), "PolygonalSurface3D");
  ASSERT_EQ(polygonal->nb_polygons(), mesh->nb_polygons());
  for (index_t polygon = 0; polygon < mesh->nb_polygons(); ++polygon) {
    EXPECT_EQ(polygonal->polygon_vertices(polygon), mesh->polygon_vertices(polygon));
    EXPECT_EQ(adjacents(*polygonal, polygon), adjacents(*mesh, polygon));
  }
  EXPECT_EQ(polygonal->edges().nb_edges(), triangulated->edges().nb_edges());
  auto builder = SurfaceMeshBuilder<3>::create(*polygonal);
  EXPECT_EQ(builder->create_polygon(std::vector<index_t>{0, 2, 3, 4}), mesh->nb_polygons());
}

TEST(SurfaceIdentifier, GroupsPolygonsThroughAdjacencySetOnEitherSide) {
  auto mesh = make_surface(grid_points(5), {{5, 6, 7}, {0, 1, 2}, {1, 6, 2}, {3, 4, 8}, {2, 8, 3}},
                           false);
  auto builder = SurfaceMeshBuilder<3>::create(*mesh);
  builder->set_polygon_adjacent({2, 0}, 1);  // one side only
  builder->set_polygon_adjacent({4, 2}, 3);
  SurfaceIdentifier<3> identifier{*mesh};
  EXPECT_EQ(identifier.identified_connected_polygons(),
            (std::vector<std::vector<index_t>>{{0}, {1, 2}, {3, 4}}));
  EXPECT_EQ(identifier.identify_polygons(), 3);
  EXPECT_EQ(identifier.identifier(4), 2);

  const auto empty_mesh = SurfaceMesh<3>::create();
  SurfaceIdentifier<3> empty{*empty_mesh};
  EXPECT_EQ(empty.identify_polygons(), 0);
}

}  // namespace
}  // namespace veyra
