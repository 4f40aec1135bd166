// SPDX-License-Identifier: MIT
#include <ostrel/model/component_mesh_edges.h>
#include <ostrel/model/component_mesh_polygons.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/canonical_cycle.h>

#include "model_fixtures.h"

namespace veyra {
namespace {

template <typename T>
using Entries = std::vector<std::pair<uuid, std::vector<T>>>;

template <typename T>
Entries<T> entries(const linked_hash_map<uuid, std::vector<T>>& map) {
  return {map.begin(), map.end()};
}

constexpr std::array<std::array<local_index_t, 3>, 2> face_triangles{{{0, 1, 2}, {0, 2, 3}}};

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
  // Line 0 joins cube vertices 0 and 1.
  const auto& line = brep.line(cube.lines[0]);
  EXPECT_EQ(edge_unique_vertices(brep, line, 0), (std::array<index_t, 2>{0, 1}));
  Entries<PolygonEdge> expected_surfaces;
  for (index_t f = 0; f < 6; ++f) {
    std::vector<PolygonEdge> edges;
    for (index_t t = 0; t < 2; ++t) {
      for (local_index_t k = 0; k < 3; ++k) {
        const std::array<index_t, 2> pair{cube.face_vertices[f][face_triangles[t][k]],
                                          cube.face_vertices[f][face_triangles[t][(k + 1) % 3]]};
        if (std::min(pair[0], pair[1]) != 0 || std::max(pair[0], pair[1]) != 1) continue;
        edges.emplace_back(t, k);
        EXPECT_EQ(edge_unique_vertices(brep, brep.surface(cube.surfaces[f]), edges.back()), pair);
      }
    }
    if (!edges.empty()) expected_surfaces.emplace_back(cube.surfaces[f], edges);
  }
  ASSERT_EQ(expected_surfaces.size(), 2);
  for (const auto& pair : {std::array<index_t, 2>{0, 1}, std::array<index_t, 2>{1, 0}}) {
    const auto edges = component_mesh_edges(brep, pair);
    EXPECT_EQ(entries(edges.line_edges), (Entries<index_t>{{line.id(), {0}}}));
    EXPECT_EQ(entries(edges.surface_edges), expected_surfaces);
    EXPECT_EQ(entries(edges.block_edges), (Entries<std::array<index_t, 2>>{{cube.block, {pair}}}));
    EXPECT_EQ(entries(surface_component_mesh_edges(brep, pair)), expected_surfaces);
  }
  EXPECT_EQ(entries(component_mesh_edges(brep, line, 0).surface_edges), expected_surfaces);
  EXPECT_EQ(surface_component_mesh_edges(brep, brep.surface(expected_surfaces[1].first),
                                         std::array<index_t, 2>{1, 0}),
            expected_surfaces[1].second);
  // A face diagonal (1, 2) that the triangulation does not use and a pair with an untied end
  // match nothing.
  const auto diagonal = component_mesh_edges(brep, std::array<index_t, 2>{1, 2});
  EXPECT_TRUE(diagonal.surface_edges.empty());
  EXPECT_TRUE(diagonal.block_edges.empty());
  EXPECT_TRUE(component_mesh_edges(brep, std::array<index_t, 2>{0, NO_ID}).line_edges.empty());
}

TEST(ComponentMeshQueries, EdgesOfASectionAcrossTwoSurfaces) {
  const auto square = test::make_square();
  const auto& section = square.section;
  // Line 6 joins corners 1 and 4: edge 1 of the left surface's first triangle, edge 2 of the
  // right surface's second triangle.
  const auto edges = component_mesh_edges(section, section.line(square.lines[6]), 0);
  EXPECT_EQ(entries(edges.surface_edges),
            (Entries<PolygonEdge>{{square.surfaces[0], {PolygonEdge{0, 1}}},
                                  {square.surfaces[1], {PolygonEdge{1, 2}}}}));
  EXPECT_EQ(polygon_unique_vertices(section, section.surface(square.surfaces[1]), 1),
            (PolygonVertices{1, 3, 4}));
}

TEST(ComponentMeshQueries, PolygonsMatchTheSameCycleWhateverStartAndOrientation) {
  auto cube = test::make_cube();
  auto& brep = cube.brep;
  const auto& face = cube.face_vertices[0];
  const auto query = add_polygon_surface(brep, {face[0], face[1], face[2], face[3]});
  const auto rotated = add_polygon_surface(brep, {face[2], face[3], face[0], face[1]});
  const auto reversed = add_polygon_surface(brep, {face[1], face[0], face[3], face[2]});
  add_polygon_surface(brep, {face[0], face[2], face[1], face[3]});  // same vertices, other cycle
  add_polygon_surface(brep, {face[0], face[1], face[2], NO_ID});    // one vertex untied
  EXPECT_EQ(polygon_unique_vertices(brep, brep.surface(query), 0),
            (PolygonVertices{face[0], face[1], face[2], face[3]}));

  // The quads match each other and neither the cube's triangles nor its tetrahedra.
  const Entries<index_t> quads{{query, {0}}, {rotated, {0}}, {reversed, {0}}};
  for (const auto& id : {query, reversed}) {
    const auto polygons = component_mesh_polygons(brep, brep.surface(id), 0);
    EXPECT_EQ(entries(polygons.surface_polygons), quads);
    EXPECT_TRUE(polygons.block_facets.empty());
  }
  const auto untied = add_polygon_surface(brep, {face[0], NO_ID, face[2], face[3]});
  EXPECT_TRUE(component_mesh_polygons(brep, brep.surface(untied), 0).surface_polygons.empty());
}

TEST(ComponentMeshQueries, BlockFacetsMatchSurfaceTrianglesAndEachOther) {
  auto cube = test::make_cube();
  auto& brep = cube.brep;
  const auto& block = brep.block(cube.block);
  const auto& surface = brep.surface(cube.surfaces[0]);
  const auto& face = cube.face_vertices[0];
  const auto flipped = add_polygon_surface(brep, {face[2], face[1], face[0]});

  // Triangle 0 of face 0 lies on one facet of one tetrahedron.
  const auto on_face = component_mesh_polygons(brep, surface, 0);
  EXPECT_EQ(entries(on_face.surface_polygons),
            (Entries<index_t>{{surface.id(), {0}}, {flipped, {0}}}));
  const auto facets = entries(on_face.block_facets);
  ASSERT_EQ(facets.size(), 1);
  ASSERT_EQ(facets[0].second.size(), 1);
  const auto facet = facets[0].second[0];
  EXPECT_EQ(canonical_cycle(polyhedron_facet_unique_vertices(brep, block, facet)),
            (PolygonVertices{face[0], face[1], face[2]}));
  EXPECT_EQ(block_mesh_polyhedra_from_surface_polygon(brep, block, surface, 0),
            std::vector<PolyhedronFacet>{facet});
  EXPECT_EQ(
      entries(block_component_mesh_polygons(brep, std::vector<index_t>{face[1], face[0], face[2]})),
      facets);
  const auto from_facet = component_mesh_polygons(brep, block, facet);
  EXPECT_EQ(from_facet.surface_polygons.size(), 2);
  EXPECT_EQ(entries(from_facet.block_facets), facets);

  // The facet (0, 1, 7) is inside the block: two tetrahedra share it and no surface holds it.
  const auto inside = block_component_mesh_polygons(brep, std::vector<index_t>{0, 1, 7});
  ASSERT_EQ(inside.size(), 1);
  const auto& shared = inside.begin()->second;
  ASSERT_EQ(shared.size(), 2);
  EXPECT_NE(shared[0].polyhedron_id, shared[1].polyhedron_id);
  const auto around = component_mesh_polygons(brep, block, shared[1]);
  EXPECT_TRUE(around.surface_polygons.empty());
  EXPECT_EQ(entries(around.block_facets), (Entries<PolyhedronFacet>{{cube.block, shared}}));
}

}  // namespace
}  // namespace veyra
