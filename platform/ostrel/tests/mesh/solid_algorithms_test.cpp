// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/mesh/convert_solid_mesh.h>
#include <ostrel/mesh/mesh_aabb_tree.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/polyhedral_solid_builder.h>
#include <ostrel/mesh/repair_non_manifold_vertices.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/solid_identifier.h>
#include <ostrel/mesh/solid_mesh_builder.h>

#include <string>
#include <vector>

#include "solid_fixtures.h"

namespace veyra {
namespace {

using test::Facets;
using Vertices = std::vector<index_t>;

std::vector<Point<3>> numbered_points(index_t nb_points) {
  std::vector<Point<3>> points;
  for (index_t i = 0; i < nb_points; ++i) {
    points.emplace_back(std::array<double, 3>{1. * (i % 2), 1. * ((i / 2) % 2), 1. * i});
  }
  return points;
}

TEST(SolidIdentifier, GroupsPolyhedraThroughAdjacencySetOnEitherSide) {
  auto mesh = test::make_solid(
      test::tetrahedral_impl(), numbered_points(8),
      {{0, 1, 2, 3}, {1, 2, 3, 4}, {2, 3, 4, 5}, {4, 5, 6, 7}, {0, 5, 6, 7}}, false);
  auto builder = SolidMeshBuilder<3>::create(*mesh);
  builder->set_polyhedron_adjacent({3, 0}, 0);  // one side only
  builder->set_polyhedron_adjacent({1, 2}, 4);
  builder->set_polyhedron_adjacent({4, 1}, 1);

  SolidIdentifier identifier{*mesh};
  EXPECT_EQ(identifier.identifier(0), NO_ID);
  EXPECT_EQ(identifier.identified_connected_polyhedra(),
            (std::vector<std::vector<index_t>>{{0, 3}, {1, 4}, {2}}));
  EXPECT_EQ(identifier.identify_polyhedra(), 3);
  EXPECT_EQ(identifier.identifier(3), 0);
  EXPECT_EQ(identifier.identifier(4), 1);
  EXPECT_EQ(identifier.identifier(2), 2);

  const auto empty_mesh = SolidMesh<3>::create();
  SolidIdentifier empty{*empty_mesh};
  EXPECT_EQ(empty.identify_polyhedra(), 0);
}

TEST(ConvertSolidMesh, TranslatesLocalFacetsAndKeepsEveryNumbering) {
  // t0 lists its facets in its own order: (0,1,2) is opposite vertex 3, (0,3,1) opposite 2,
  // (1,3,2) opposite 0 and (0,2,3) opposite 1. t0 and t1 share (1, 2, 3).
  auto mesh = PolyhedralSolid<3>::create();
  {
    auto builder = PolyhedralSolidBuilder<3>::create(*mesh);
    for (const auto& point : numbered_points(6)) builder->create_point(point);
    builder->create_polyhedron(Vertices{0, 1, 2, 3},
                               Facets{{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {0, 2, 3}});
    builder->create_polyhedron(Vertices{1, 2, 3, 4}, test::tetrahedron_facet_lists());
    builder->create_polyhedron(Vertices{5, 4, 3, 2},
                               Facets{{3, 2, 1}, {0, 1, 2}, {0, 3, 1}, {0, 2, 3}});
    builder->compute_polyhedron_adjacencies();
    builder->set_name("block");
  }
  mesh->enable_facets();
  mesh->enable_edges();
  mesh->polyhedron_attribute_manager()
      .find_or_create_attribute<VariableAttribute, int>("region", 0)
      ->set_value(2, 9);
  mesh->vertex_attribute_manager()
      .find_or_create_attribute<VariableAttribute, double>("weight", 0.)
      ->set_value(4, 0.5);
  ASSERT_EQ(mesh->polyhedron_adjacent({0, 2}), 1);

  const auto converted = convert_solid_mesh_into_tetrahedral_solid(*mesh);
  ASSERT_TRUE(converted.has_value());
  const auto& tetrahedral = **converted;
  EXPECT_EQ(tetrahedral.type_name().get(), "TetrahedralSolid3D");
  EXPECT_EQ(tetrahedral.name(), mesh->name());
  ASSERT_EQ(tetrahedral.nb_polyhedra(), 3);
  const std::vector<std::vector<std::optional<index_t>>> expected_adjacents{
      {1, std::nullopt, std::nullopt, std::nullopt},
      {2, std::nullopt, std::nullopt, 0},
      {1, std::nullopt, std::nullopt, std::nullopt}};
  for (index_t polyhedron = 0; polyhedron < 3; ++polyhedron) {
    EXPECT_EQ(tetrahedral.polyhedron_vertices(polyhedron), mesh->polyhedron_vertices(polyhedron));
    for (local_index_t facet = 0; facet < 4; ++facet) {
      EXPECT_EQ(tetrahedral.polyhedron_adjacent({polyhedron, facet}),
                expected_adjacents[polyhedron][facet]);
      // Facet k leaves out vertex k.
      const auto vertices = tetrahedral.polyhedron_facet_vertices({polyhedron, facet});
      EXPECT_EQ(std::count(vertices.begin(), vertices.end(),
                           tetrahedral.polyhedron_vertex({polyhedron, facet})),
                0);
    }
  }
  for (index_t vertex = 0; vertex < mesh->nb_vertices(); ++vertex) {
    EXPECT_EQ(tetrahedral.polyhedra_around_vertex(vertex), mesh->polyhedra_around_vertex(vertex));
  }
  ASSERT_EQ(tetrahedral.facets().nb_facets(), mesh->facets().nb_facets());
  for (index_t facet = 0; facet < mesh->facets().nb_facets(); ++facet) {
    EXPECT_EQ(tetrahedral.facets().facet_vertices(facet), mesh->facets().facet_vertices(facet));
  }
  ASSERT_EQ(tetrahedral.edges().nb_edges(), mesh->edges().nb_edges());
  for (index_t edge = 0; edge < mesh->edges().nb_edges(); ++edge) {
    EXPECT_EQ(tetrahedral.edges().edge_vertices(edge), mesh->edges().edge_vertices(edge));
  }
  EXPECT_EQ(tetrahedral.polyhedron_attribute_manager().find_attribute<int>("region")->value(2), 9);
  EXPECT_EQ(tetrahedral.vertex_attribute_manager().find_attribute<double>("weight")->value(4), 0.5);
}

TEST(ConvertSolidMesh, RefusesPolyhedraThatAreNotTetrahedra) {
  const std::vector<std::pair<std::string, std::pair<Vertices, Facets>>> cases{
      {"prism", {{0, 1, 2, 3, 4, 5}, test::prism_facet_lists()}},
      {"quad facet", {{0, 1, 2, 3}, {{0, 1, 2, 3}, {0, 1, 2}, {0, 2, 3}, {1, 2, 3}}}},
      {"five facets", {{0, 1, 2, 3}, {{1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}, {0, 1, 2}}}},
      {"facet twice", {{0, 1, 2, 3}, {{1, 2, 3}, {3, 2, 1}, {0, 1, 3}, {0, 2, 1}}}},
  };
  for (const auto& [name, polyhedron] : cases) {
    SCOPED_TRACE(name);
    auto mesh = SolidMesh<3>::create();
    auto builder = SolidMeshBuilder<3>::create(*mesh);
    for (const auto& point : numbered_points(6)) builder->create_point(point);
    builder->create_polyhedron(Vertices{0, 1, 2, 3}, test::tetrahedron_facet_lists());
    builder->create_polyhedron(polyhedron.first, polyhedron.second);
    EXPECT_FALSE(convert_solid_mesh_into_tetrahedral_solid(*mesh).has_value());
  }
}

TEST(ConvertSolidMesh, WritesOutTheTetrahedralLayoutForAPolyhedralCopy) {
  auto mesh = test::make_solid(test::tetrahedral_impl(), test::lattice_points(1),
                               test::kuhn_tetrahedra(1));
  mesh->enable_facets();
  mesh->enable_edges();
  mesh->polyhedron_attribute_manager()
      .find_or_create_attribute<VariableAttribute, int>("region", 0)
      ->set_value(5, 7);
  const auto polyhedral = convert_solid_mesh_into_polyhedral_solid(*mesh);
  EXPECT_EQ(polyhedral->type_name().get(), "PolyhedralSolid3D");
  ASSERT_EQ(polyhedral->nb_polyhedra(), mesh->nb_polyhedra());
  for (index_t polyhedron = 0; polyhedron < mesh->nb_polyhedra(); ++polyhedron) {
    EXPECT_EQ(polyhedral->polyhedron_vertices(polyhedron), mesh->polyhedron_vertices(polyhedron));
    ASSERT_EQ(polyhedral->nb_polyhedron_facets(polyhedron), 4);
    for (local_index_t facet = 0; facet < 4; ++facet) {
      EXPECT_EQ(polyhedral->polyhedron_facet_vertices({polyhedron, facet}),
                mesh->polyhedron_facet_vertices({polyhedron, facet}));
      EXPECT_EQ(polyhedral->polyhedron_adjacent({polyhedron, facet}),
                mesh->polyhedron_adjacent({polyhedron, facet}));
    }
  }
  ASSERT_EQ(polyhedral->facets().nb_facets(), mesh->facets().nb_facets());
  ASSERT_EQ(polyhedral->edges().nb_edges(), mesh->edges().nb_edges());
  EXPECT_EQ(polyhedral->polyhedron_attribute_manager().find_attribute<int>("region")->value(5),
            7);
  // The copy takes polyhedra of any shape.
  auto builder = SolidMeshBuilder<3>::create(*polyhedral);
  EXPECT_EQ(builder->create_polyhedron(Vertices{0, 1, 2, 3, 4, 5}, test::prism_facet_lists()), 6);
  EXPECT_EQ(polyhedral->nb_polyhedron_vertices(6), 6);
  EXPECT_EQ(polyhedral->polyhedron_vertices(5), mesh->polyhedron_vertices(5));
}

TEST(RepairNonManifoldVertices, GivesEachFanOfPolyhedraItsOwnVertex) {
  for (const auto& impl : {test::polyhedral_impl(), test::tetrahedral_impl()}) {
    SCOPED_TRACE(impl.get());
    // t0 and t1 touch at vertex 3 only; t2 shares the facet (0, 1, 2) with t0.
    auto mesh =
        test::make_solid(impl, numbered_points(8), {{0, 1, 2, 3}, {3, 4, 5, 6}, {0, 2, 1, 7}});
    auto tags = mesh->vertex_attribute_manager().find_or_create_attribute<VariableAttribute, int>(
        "tag", -1);
    tags->set_value(3, 42);
    auto builder = SolidMeshBuilder<3>::create(*mesh);

    const auto split = repair_non_manifold_vertices(*mesh, *builder);
    ASSERT_EQ(split.size_in(), 1);
    ASSERT_EQ(split.in2out(3).size(), 1);
    EXPECT_EQ(split.in2out(3).front(), 8);
    EXPECT_EQ(mesh->polyhedron_vertices(0), (PolyhedronVertices{0, 1, 2, 3}));
    EXPECT_EQ(mesh->polyhedron_vertices(1), (PolyhedronVertices{8, 4, 5, 6}));
    EXPECT_EQ(mesh->polyhedron_vertices(2), (PolyhedronVertices{0, 2, 1, 7}));
    EXPECT_EQ(mesh->point(8), mesh->point(3));
    EXPECT_EQ(tags->value(8), 42);
    EXPECT_TRUE(repair_non_manifold_vertices(*mesh, *builder).empty());
  }
}

TEST(RepairNonManifoldVertices, SplitsBothEndsOfAnEdgeSharedWithoutAFacet) {
  // t0 and t1 share the edge (0, 1) only; t2 is linked to t0 through (0, 1, 3) on t2's side.
  auto mesh = test::make_solid(test::tetrahedral_impl(), numbered_points(7),
                               {{0, 1, 2, 3}, {0, 1, 4, 5}, {0, 1, 3, 6}}, false);
  auto builder = SolidMeshBuilder<3>::create(*mesh);
  builder->set_polyhedron_adjacent({2, 3}, 0);
  const auto split = repair_non_manifold_vertices(*mesh, *builder);
  ASSERT_EQ(split.size_in(), 2);
  EXPECT_EQ(split.in2out_map().begin()->first, 0);
  EXPECT_EQ(split.in2out(0).front(), 7);
  EXPECT_EQ(split.in2out(1).front(), 8);
  EXPECT_EQ(mesh->polyhedron_vertices(0), (PolyhedronVertices{0, 1, 2, 3}));
  EXPECT_EQ(mesh->polyhedron_vertices(1), (PolyhedronVertices{7, 8, 4, 5}));
  EXPECT_EQ(mesh->polyhedron_vertices(2), (PolyhedronVertices{0, 1, 3, 6}));
}

TEST(SolidAABBTree, BoxesFollowPolyhedra) {
  const auto mesh =
      test::make_solid(test::polyhedral_impl(), test::lattice_points(2), test::kuhn_tetrahedra(2));
  const auto tree = create_aabb_tree(*mesh);
  ASSERT_EQ(tree.nb_bboxes(), mesh->nb_polyhedra());
  // Each tetrahedron's box is its unit cube, so a point inside cube (1, 0, 1) meets its six.
  std::vector<index_t> found;
  const Point<3> inside{{1.5, 0.5, 1.5}};
  tree.compute_bbox_element_bbox_intersections(
      BoundingBox<3>{inside, inside},
      [&found](index_t polyhedron) { found.push_back(polyhedron); });
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (Vertices{30, 31, 32, 33, 34, 35}));
}

}  // namespace
}  // namespace veyra
