// SPDX-License-Identifier: MIT
#include <ostrel/model/component_mesh_edges.h>
#include <ostrel/model/component_mesh_polygons.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>

#include "model_fixtures.h"

namespace veyra {
namespace {

template <typename T>
std::vector<std::pair<uuid, std::vector<T>>> entries(
    const linked_hash_map<uuid, std::vector<T>>& map) {
  return {map.begin(), map.end()};
}

// Adds a surface with one polygon whose k-th vertex is tied to unique_vertices[k] (NO_ID: untied).
uuid add_polygon_surface(BRep& brep, const std::vector<index_t>& unique_vertices) {
  BRepBuilder builder{brep};
  const auto id = builder.add_surface();
  auto mesh = builder.surface_mesh_builder(id);
  std::vector<index_t> vertices;
  for (index_t k = 0; k < unique_vertices.size(); ++k) {
    vertices.push_back(mesh->create_point(Point<3>{}));
  }
  mesh->create_polygon(vertices);
  for (index_t k = 0; k < unique_vertices.size(); ++k) {
    if (unique_vertices[k] == NO_ID) continue;
    builder.set_unique_vertex({brep.surface(id).component_id(), k}, unique_vertices[k]);
  }
  return id;
}

TEST(ComponentMeshQueries, EdgesMatchUniqueVertexPairsInEitherOrder) {
  const auto cube = test::make_cube();
  const auto& brep = cube.brep;
  // Line 0 joins cube vertices 0 and 1; faces 0 (x = 0) misses it, faces with y = 0 and z = 0
  // hold it.
  const auto& line = brep.line(cube.lines[0]);
  EXPECT_EQ(edge_unique_vertices(brep, line, 0), (std::array<index_t, 2>{0, 1}));
  std::vector<std::pair<uuid, std::vector<PolygonEdge>>> expected_surfaces;
  for (index_t f = 0; f < 6; ++f) {
    const auto& vertices = cube.face_vertices[f];
    for (local_index_t k = 0; k < 4; ++k) {
      const std::array<index_t, 2> pair{vertices[k], vertices[(k + 1) % 4]};
      if (std::min(pair[0], pair[1]) == 0 && std::max(pair[0], pair[1]) == 1) {
        expected_surfaces.push_back({cube.surfaces[f], {PolygonEdge{0, k}}});
        EXPECT_EQ(edge_unique_vertices(brep, brep.surface(cube.surfaces[f]), PolygonEdge{0, k}),
                  pair);
      }
    }
  }
  ASSERT_EQ(expected_surfaces.size(), 2);
  for (const auto& pair : {std::array<index_t, 2>{0, 1}, std::array<index_t, 2>{1, 0}}) {
    const auto edges = component_mesh_edges(brep, pair);
    EXPECT_EQ(entries(edges.line_edges),
              (std::vector<std::pair<uuid, std::vector<index_t>>>{{line.id(), {0}}}));
    EXPECT_EQ(entries(edges.surface_edges), expected_surfaces);
    EXPECT_EQ(entries(surface_component_mesh_edges(brep, pair)), expected_surfaces);
  }
  EXPECT_EQ(entries(component_mesh_edges(brep, line, 0).surface_edges), expected_surfaces);
  EXPECT_EQ(surface_component_mesh_edges(brep, brep.surface(expected_surfaces[1].first),
                                         std::array<index_t, 2>{1, 0}),
            expected_surfaces[1].second);
  // A diagonal of a face and a pair with an untied end match nothing.
  EXPECT_TRUE(component_mesh_edges(brep, std::array<index_t, 2>{0, 3}).surface_edges.empty());
  EXPECT_TRUE(component_mesh_edges(brep, std::array<index_t, 2>{0, NO_ID}).line_edges.empty());
}

TEST(ComponentMeshQueries, EdgesOfASectionAcrossTwoSurfaces) {
  const auto square = test::make_square();
  const auto& section = square.section;
  // Line 6 joins corners 1 and 4: edge 1 of the left surface's first triangle, edge 2 of the
  // right surface's second triangle.
  const auto edges = component_mesh_edges(section, section.line(square.lines[6]), 0);
  EXPECT_EQ(entries(edges.surface_edges), (std::vector<std::pair<uuid, std::vector<PolygonEdge>>>{
                                              {square.surfaces[0], {PolygonEdge{0, 1}}},
                                              {square.surfaces[1], {PolygonEdge{1, 2}}}}));
  EXPECT_EQ(polygon_unique_vertices(section, section.surface(square.surfaces[1]), 1),
            (PolygonVertices{1, 3, 4}));
}

TEST(ComponentMeshQueries, PolygonsMatchTheSameCycleWhateverStartAndOrientation) {
  auto cube = test::make_cube();
  auto& brep = cube.brep;
  const auto& face = cube.face_vertices[0];
  const auto& surface = brep.surface(cube.surfaces[0]);
  EXPECT_EQ(polygon_unique_vertices(brep, surface, 0),
            (PolygonVertices{face[0], face[1], face[2], face[3]}));

  const auto rotated = add_polygon_surface(brep, {face[2], face[3], face[0], face[1]});
  const auto reversed = add_polygon_surface(brep, {face[1], face[0], face[3], face[2]});
  add_polygon_surface(brep, {face[0], face[2], face[1], face[3]});  // same vertices, other cycle
  add_polygon_surface(brep, {face[0], face[1], face[2]});           // fewer vertices
  add_polygon_surface(brep, {face[0], face[1], face[2], NO_ID});    // one vertex untied
  const auto other_face = cube.surfaces[1];

  const std::vector<std::pair<uuid, std::vector<index_t>>> expected{
      {surface.id(), {0}}, {rotated, {0}}, {reversed, {0}}};
  EXPECT_EQ(entries(component_mesh_polygons(brep, surface, 0).surface_polygons), expected);
  EXPECT_EQ(entries(component_mesh_polygons(brep, brep.surface(reversed), 0).surface_polygons),
            expected);
  EXPECT_EQ(entries(component_mesh_polygons(brep, brep.surface(other_face), 0).surface_polygons),
            (std::vector<std::pair<uuid, std::vector<index_t>>>{{other_face, {0}}}));

  const auto untied = add_polygon_surface(brep, {face[0], NO_ID, face[2], face[3]});
  EXPECT_TRUE(component_mesh_polygons(brep, brep.surface(untied), 0).surface_polygons.empty());
}

}  // namespace
}  // namespace veyra
