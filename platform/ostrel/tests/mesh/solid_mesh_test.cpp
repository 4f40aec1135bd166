// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/mesh/io/mesh_table_restore.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/polyhedral_solid_builder.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/tetrahedral_solid_builder.h>

#include <algorithm>
#include <string>
#include <vector>

#include "solid_fixtures.h"

namespace veyra {
namespace {

using test::Facets;
using test::Tetrahedra;
using Adjacents = std::vector<std::optional<index_t>>;
using Vertices = std::vector<index_t>;

Adjacents adjacents(const SolidMesh<3>& mesh, index_t polyhedron) {
  Adjacents result;
  for (local_index_t facet = 0; facet < mesh.nb_polyhedron_facets(polyhedron); ++facet) {
    result.push_back(mesh.polyhedron_adjacent({polyhedron, facet}));
  }
  return result;
}

Vertices facet_vertices(const SolidMesh<3>& mesh, const PolyhedronFacet& facet) {
  const auto vertices = mesh.polyhedron_facet_vertices(facet);
  return {vertices.begin(), vertices.end()};
}

template <typename Exception, typename Action>
void expect_input_error(Action&& action, const std::string& message) {
  try {
    action();
    FAIL() << "no exception, expected: " << message;
  } catch (const Exception& error) {
    EXPECT_EQ(error.type(), OstrelException::TYPE::input);
    EXPECT_EQ(std::string{error.what()}, message);
  }
}

/// Every facet and edge table entry, as vertex lists, in id order.
std::vector<Vertices> table_contents(const SolidMesh<3>& mesh) {
  std::vector<Vertices> contents;
  for (index_t facet = 0; facet < mesh.facets().nb_facets(); ++facet) {
    const auto vertices = mesh.facets().facet_vertices(facet);
    contents.emplace_back(vertices.begin(), vertices.end());
  }
  for (index_t edge = 0; edge < mesh.edges().nb_edges(); ++edge) {
    const auto vertices = mesh.edges().edge_vertices(edge);
    contents.emplace_back(vertices.begin(), vertices.end());
  }
  return contents;
}

TEST(SolidMesh, CreatesEachKindWithItsShapes) {
  EXPECT_EQ(SolidMesh<3>::create()->type_name().get(), "PolyhedralSolid3D");
  EXPECT_EQ(SolidMesh<3>::create()->impl_name().get(), "OstrelPolyhedralSolid3D");
  EXPECT_EQ(TetrahedralSolid<3>::create()->type_name().get(), "TetrahedralSolid3D");
  EXPECT_EQ(TetrahedralSolid<3>::create()->impl_name().get(), "OstrelTetrahedralSolid3D");

  // A polyhedral solid keeps a hexahedron and a prism with their facets as given.
  auto polyhedral = PolyhedralSolid<3>::create();
  auto builder = PolyhedralSolidBuilder<3>::create(*polyhedral);
  for (index_t i = 0; i < 8; ++i) {
    builder->create_point(Point<3>{{1. * (i & 1), 1. * ((i >> 1) & 1), 1. * (i >> 2)}});
  }
  const std::array<Point<3>, 3> triangle{Point<3>{{2., 0., 0.}}, Point<3>{{3., 0., 0.}},
                                         Point<3>{{2., 1., 0.}}};
  for (const auto height : {0., 1.}) {
    for (const auto& point : triangle) builder->create_point(point + Point<3>{{0., 0., height}});
  }
  EXPECT_EQ(builder->create_polyhedron(Vertices{0, 1, 2, 3, 4, 5, 6, 7}, test::cube_facet_lists()),
            0);
  EXPECT_EQ(builder->create_polyhedron(Vertices{8, 9, 10, 11, 12, 13}, test::prism_facet_lists()),
            1);
  EXPECT_EQ(polyhedral->nb_polyhedron_vertices(0), 8);
  EXPECT_EQ(polyhedral->nb_polyhedron_facets(0), 6);
  EXPECT_EQ(polyhedral->nb_polyhedron_facets(1), 5);
  EXPECT_EQ(polyhedral->nb_polyhedron_facet_vertices({1, 0}), 3);
  EXPECT_EQ(polyhedral->nb_polyhedron_facet_vertices({1, 2}), 4);
  EXPECT_EQ(facet_vertices(*polyhedral, {0, 3}), (Vertices{2, 6, 7, 3}));
  EXPECT_EQ(facet_vertices(*polyhedral, {1, 4}), (Vertices{10, 8, 11, 13}));
  EXPECT_EQ(polyhedral->polyhedron_facet_vertex({{1, 4}, 2}), 11);
  EXPECT_EQ(polyhedral->polyhedron_facet_vertex_id({{1, 4}, 2}), (PolyhedronVertex{1, 3}));
  EXPECT_EQ(polyhedral->vertex_in_polyhedron(1, 12), 4);
  EXPECT_EQ(polyhedral->vertex_in_polyhedron(1, 0), std::nullopt);
  EXPECT_DOUBLE_EQ(polyhedral->polyhedron_volume(0), 1.);
  EXPECT_DOUBLE_EQ(polyhedral->polyhedron_volume(1), 0.5);
  EXPECT_EQ(polyhedral->polyhedron_barycenter(0), (Point<3>{{0.5, 0.5, 0.5}}));
  EXPECT_EQ(polyhedral->polyhedron_facet_barycenter({0, 1}), (Point<3>{{0.5, 0.5, 1.}}));
  EXPECT_EQ(polyhedral->type_name().get(), "PolyhedralSolid3D");

  // A tetrahedral solid has the fixed facets, whatever facets are given.
  auto tetrahedral = TetrahedralSolid<3>::create();
  auto tetrahedral_builder = TetrahedralSolidBuilder<3>::create(*tetrahedral);
  tetrahedral_builder->create_point(Point<3>{{0., 0., 0.}});
  tetrahedral_builder->create_point(Point<3>{{1., 0., 0.}});
  tetrahedral_builder->create_point(Point<3>{{0., 1., 0.}});
  tetrahedral_builder->create_point(Point<3>{{0., 0., 1.}});
  tetrahedral_builder->create_vertices(1);
  EXPECT_EQ(tetrahedral_builder->create_tetrahedron({0, 1, 2, 3}), 0);
  EXPECT_EQ(tetrahedral_builder->create_polyhedron(Vertices{1, 0, 2, 3}, Facets{{0, 1, 2}}), 1);
  const std::vector<Vertices> fixed{{1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}};
  for (local_index_t facet = 0; facet < 4; ++facet) {
    EXPECT_EQ(facet_vertices(*tetrahedral, {0, facet}), fixed[facet]);
  }
  EXPECT_EQ(facet_vertices(*tetrahedral, {1, 1}), (Vertices{1, 3, 2}));
  EXPECT_DOUBLE_EQ(tetrahedral->polyhedron_volume(0), 1. / 6);
  EXPECT_DOUBLE_EQ(tetrahedral->polyhedron_volume(1), -1. / 6);
  EXPECT_TRUE(tetrahedral->is_vertex_isolated(4));
  EXPECT_FALSE(tetrahedral->is_vertex_isolated(3));

  expect_input_error<OstrelMeshException>(
      [&] {
        tetrahedral_builder->create_polyhedron(Vertices{0, 1, 2, 3, 4}, {});
      },
      "[TetrahedralSolidBuilder::create_polyhedron] A tetrahedron needs 4 vertices, 5 given");
  expect_input_error<OstrelMeshException>(
      [&] {
        tetrahedral_builder->create_tetrahedron({0, 1, 2, 5});
      },
      "[SolidMeshBuilder::create_polyhedron] Vertex 5 out of range (5 vertices)");
  expect_input_error<OstrelMeshException>(
      [&] {
        builder->create_polyhedron(Vertices{0, 1, 2, 3},
                                   Facets{{0, 1, 2}, {0, 1, 4}, {0, 2, 3}, {1, 2, 3}});
      },
      "[SolidMeshBuilder::create_polyhedron] Facet 1 uses position 4 of a polyhedron of 4 "
      "vertices");
  expect_input_error<OstrelMeshException>(
      [&] {
        builder->create_polyhedron(Vertices{0, 1, 2, 3}, Facets{{0, 1, 2}});
      },
      "[SolidMeshBuilder::create_polyhedron] A polyhedron needs 4 to 254 facets, 1 given");
  expect_input_error<OstrelMeshException>(
      [&] {
        builder->set_polyhedron_adjacent({1, 5}, 0);
      },
      "[SolidMeshBuilder::set_polyhedron_adjacent] Polyhedron facet 1 5 out of range");
  expect_input_error<OstrelMeshException>(
      [&] {
        tetrahedral_builder->set_polyhedron_vertex({2, 0}, 0);
      },
      "[SolidMeshBuilder::set_polyhedron_vertex] Polyhedron vertex 2 0 out of range");
  EXPECT_EQ(polyhedral->nb_polyhedra(), 2);
  EXPECT_EQ(tetrahedral->nb_polyhedra(), 2);
}

// t0, t1 and t2 share facet (0, 1, 2): no adjacency there. t3 shares (1, 2, 3) with t0 only.
const Tetrahedra adjacency_fixture{{0, 1, 2, 3}, {0, 2, 1, 4}, {0, 1, 2, 5}, {1, 2, 3, 6}};

std::vector<Point<3>> scattered_points(index_t nb_points) {
  std::vector<Point<3>> points;
  for (index_t i = 0; i < nb_points; ++i) {
    points.emplace_back(std::array<double, 3>{1. * (i % 3), 0.5 * i, 0.25 * i * i});
  }
  return points;
}

class SolidMeshOfEachKind : public testing::TestWithParam<MeshImpl> {};

TEST_P(SolidMeshOfEachKind, LinksFacetPairsButNotFacetsSharedByThree) {
  const auto mesh = test::make_solid(GetParam(), scattered_points(7), adjacency_fixture);
  const auto none = std::nullopt;
  EXPECT_EQ(adjacents(*mesh, 0), (Adjacents{3, none, none, none}));
  EXPECT_EQ(adjacents(*mesh, 1), (Adjacents{none, none, none, none}));
  EXPECT_EQ(adjacents(*mesh, 2), (Adjacents{none, none, none, none}));
  EXPECT_EQ(adjacents(*mesh, 3), (Adjacents{none, none, none, 0}));
  EXPECT_EQ(mesh->polyhedron_adjacent_facet({0, 0}), (PolyhedronFacet{3, 3}));
  EXPECT_EQ(mesh->polyhedron_adjacent_facet({3, 3}), (PolyhedronFacet{0, 0}));
  EXPECT_EQ(mesh->polyhedron_adjacent_facet({0, 1}), std::nullopt);
  EXPECT_EQ(mesh->polyhedron_facets_on_border(3),
            (std::vector<PolyhedronFacet>{{3, 0}, {3, 1}, {3, 2}}));

  // Adjacency is one-sided when set by hand, and recomputing replaces everything.
  auto builder = SolidMeshBuilder<3>::create(*mesh);
  builder->set_polyhedron_adjacent({1, 3}, 2);
  builder->unset_polyhedron_adjacent({0, 0});
  EXPECT_EQ(mesh->polyhedron_adjacent({1, 3}), 2);
  EXPECT_EQ(mesh->polyhedron_adjacent({2, 3}), std::nullopt);
  EXPECT_TRUE(mesh->is_polyhedron_facet_on_border({0, 0}));
  EXPECT_EQ(mesh->polyhedron_adjacent({3, 3}), 0);
  builder->compute_polyhedron_adjacencies();
  EXPECT_EQ(adjacents(*mesh, 0), (Adjacents{3, none, none, none}));
  EXPECT_EQ(adjacents(*mesh, 1), (Adjacents{none, none, none, none}));
}

TEST_P(SolidMeshOfEachKind, LinksEveryInnerFacetOfAConformingGrid) {
  const auto mesh = test::make_solid(GetParam(), test::lattice_points(2), test::kuhn_tetrahedra(2));
  index_t nb_border = 0;
  for (index_t polyhedron = 0; polyhedron < mesh->nb_polyhedra(); ++polyhedron) {
    for (local_index_t facet = 0; facet < 4; ++facet) {
      const auto adjacent_facet = mesh->polyhedron_adjacent_facet({polyhedron, facet});
      if (!adjacent_facet) {
        ++nb_border;
        continue;
      }
      // Both sides agree and join the same vertex set.
      EXPECT_EQ(mesh->polyhedron_adjacent(*adjacent_facet), polyhedron);
      auto mine = facet_vertices(*mesh, {polyhedron, facet});
      auto theirs = facet_vertices(*mesh, *adjacent_facet);
      std::sort(mine.begin(), mine.end());
      std::sort(theirs.begin(), theirs.end());
      EXPECT_EQ(mine, theirs);
    }
  }
  EXPECT_EQ(nb_border, 48);  // two triangles per unit square of the cube's border
  double volume = 0;
  for (index_t polyhedron = 0; polyhedron < mesh->nb_polyhedra(); ++polyhedron) {
    volume += std::fabs(mesh->polyhedron_volume(polyhedron));
  }
  EXPECT_DOUBLE_EQ(volume, 8.);
}

TEST_P(SolidMeshOfEachKind, NumbersTableEntriesByFirstAppearanceWhenEnabledAtAnyTime) {
  // Enabled on the finished mesh: the two tetrahedra's facets and edges in order.
  auto late = test::make_solid(GetParam(), scattered_points(5), {{0, 1, 2, 3}, {1, 2, 3, 4}});
  late->enable_facets();
  late->enable_edges();
  EXPECT_EQ(table_contents(*late), (std::vector<Vertices>{{1, 2, 3},
                                                          {0, 3, 2},
                                                          {0, 1, 3},
                                                          {0, 2, 1},
                                                          {2, 3, 4},
                                                          {1, 4, 3},
                                                          {1, 2, 4},
                                                          {1, 2},
                                                          {2, 3},
                                                          {1, 3},
                                                          {0, 3},
                                                          {0, 2},
                                                          {0, 1},
                                                          {3, 4},
                                                          {2, 4},
                                                          {1, 4}}));
  EXPECT_EQ(late->facets().facet_from_vertices(Vertices{3, 2, 1}), 0);
  EXPECT_EQ(late->facets().facet_from_vertices(Vertices{4, 3, 1}), 5);
  EXPECT_EQ(late->facets().facet_from_vertices(Vertices{0, 1, 4}), std::nullopt);
  EXPECT_EQ(late->edges().edge_from_vertices({4, 1}), 8);
  EXPECT_EQ(late->edges().edge_from_vertices({0, 4}), std::nullopt);

  // Enabled on an empty mesh and kept up to date by every creation: the same tables, on a grid
  // large enough for shared entries in every direction.
  const auto points = test::lattice_points(3);
  const auto tetrahedra = test::kuhn_tetrahedra(3);
  auto early = SolidMesh<3>::create(GetParam());
  early->enable_facets();
  early->enable_edges();
  {
    auto builder = SolidMeshBuilder<3>::create(*early);
    for (const auto& point : points) builder->create_point(point);
    for (const auto& tetrahedron : tetrahedra) {
      builder->create_polyhedron(tetrahedron, test::tetrahedron_facet_lists());
    }
  }
  auto bulk = test::make_solid(GetParam(), points, tetrahedra, false);
  bulk->enable_edges();
  bulk->enable_facets();
  EXPECT_EQ(table_contents(*early), table_contents(*bulk));
  // 108 border and 270 inner facets; Euler: 64 - edges + 378 - 162 = 1.
  EXPECT_EQ(bulk->facets().nb_facets(), 378);
  EXPECT_EQ(bulk->edges().nb_edges(), 279);

  // Moving a corner appends the new entries and keeps the old ones.
  auto builder = SolidMeshBuilder<3>::create(*late);
  builder->set_polyhedron_vertex({1, 0}, 0);  // t1 becomes (0, 2, 3, 4)
  EXPECT_EQ(late->facets().nb_facets(), 9);
  EXPECT_EQ(late->facets().facet_vertices(7), (PolyhedronFacetVertices{0, 4, 3}));
  EXPECT_EQ(late->facets().facet_vertices(8), (PolyhedronFacetVertices{0, 2, 4}));
  EXPECT_EQ(late->edges().nb_edges(), 10);
  EXPECT_EQ(late->edges().edge_vertices(9), (std::array<index_t, 2>{0, 4}));
  EXPECT_TRUE(late->facets().is_facet_isolated(5));
  EXPECT_FALSE(late->facets().is_facet_isolated(0));
  EXPECT_TRUE(late->edges().is_edge_isolated(8));
  EXPECT_FALSE(late->edges().is_edge_isolated(6));
}

INSTANTIATE_TEST_SUITE_P(Kinds, SolidMeshOfEachKind,
                         testing::Values(test::polyhedral_impl(), test::tetrahedral_impl()),
                         [](const auto& info) { return info.param.get(); });

TEST(SolidMesh, LinksHexahedraThroughQuadsGivenInAnyOrder) {
  // Two unit cubes side by side along x; the second lists its facets rotated and reversed.
  auto mesh = PolyhedralSolid<3>::create();
  auto builder = PolyhedralSolidBuilder<3>::create(*mesh);
  for (index_t i = 0; i < 12; ++i) {
    builder->create_point(Point<3>{{1. * (i % 3), 1. * ((i / 3) % 2), 1. * (i / 6)}});
  }
  // Lattice vertex (x, y, z) is x + 3y + 6z; cube corner i is (i & 1, (i >> 1) & 1, i >> 2).
  const Vertices left{0, 1, 3, 4, 6, 7, 9, 10};
  const Vertices right{1, 2, 4, 5, 7, 8, 10, 11};
  builder->create_polyhedron(left, test::cube_facet_lists());
  builder->create_polyhedron(
      right,
      Facets{{7, 3, 1, 5}, {1, 0, 4, 5}, {0, 1, 3, 2}, {0, 2, 6, 4}, {4, 6, 7, 5}, {2, 3, 7, 6}});
  builder->compute_polyhedron_adjacencies();
  const auto none = std::nullopt;
  EXPECT_EQ(adjacents(*mesh, 0), (Adjacents{none, none, none, none, none, 1}));
  EXPECT_EQ(adjacents(*mesh, 1), (Adjacents{none, none, none, 0, none, none}));
  EXPECT_EQ(mesh->polyhedron_adjacent_facet({0, 5}), (PolyhedronFacet{1, 3}));
  EXPECT_EQ(mesh->polyhedron_facet_from_vertices(Vertices{10, 4, 7, 1}), (PolyhedronFacet{0, 5}));
  EXPECT_EQ(mesh->polyhedron_facet_from_vertices(Vertices{10, 4, 7}), std::nullopt);
  EXPECT_DOUBLE_EQ(mesh->polyhedron_volume(1), -1.);  // its facets face inwards
  mesh->enable_facets();
  EXPECT_EQ(mesh->facets().nb_facets(), 11);
  EXPECT_EQ(mesh->facets().facet_from_vertices(Vertices{1, 4, 10, 7}), 5);
}

TEST(SolidMesh, WalksAroundVerticesAndEdges) {
  // Four tetrahedra around the edge (0, 1), and t4 touching them at vertex 0 only.
  std::vector<Point<3>> points{
      Point<3>{{0., 0., 0.}},  Point<3>{{0., 0., 1.}},  Point<3>{{1., 0., 0.}},
      Point<3>{{0., 1., 0.}},  Point<3>{{-1., 0., 0.}}, Point<3>{{0., -1., 0.}},
      Point<3>{{0., 0., -1.}}, Point<3>{{1., 0., -1.}}, Point<3>{{0., 1., -1.}}};
  const Tetrahedra tetrahedra{{0, 2, 3, 1}, {0, 3, 4, 1}, {0, 4, 5, 1}, {0, 5, 2, 1}, {0, 6, 7, 8}};
  for (const auto& impl : {test::polyhedral_impl(), test::tetrahedral_impl()}) {
    SCOPED_TRACE(impl.get());
    const auto mesh = test::make_solid(impl, points, tetrahedra);
    const auto around = mesh->polyhedra_around_vertex(0);
    EXPECT_EQ(std::vector<PolyhedronVertex>(around.begin(), around.end()),
              (std::vector<PolyhedronVertex>{{0, 0}, {1, 0}, {3, 0}, {2, 0}}));
    const auto around_top = mesh->polyhedra_around_vertex(1);
    EXPECT_EQ(std::vector<PolyhedronVertex>(around_top.begin(), around_top.end()),
              (std::vector<PolyhedronVertex>{{0, 3}, {1, 3}, {3, 3}, {2, 3}}));
    const auto around_seven = mesh->polyhedra_around_vertex(7);
    EXPECT_EQ(std::vector<PolyhedronVertex>(around_seven.begin(), around_seven.end()),
              (std::vector<PolyhedronVertex>{{4, 2}}));
    EXPECT_EQ(mesh->polyhedron_around_vertex(0), (PolyhedronVertex{0, 0}));
    EXPECT_EQ(mesh->polyhedron_around_vertex(4), (PolyhedronVertex{1, 2}));
    EXPECT_EQ(mesh->polyhedra_around_edge({1, 0}), (Vertices{0, 1, 2, 3}));
    EXPECT_EQ(mesh->polyhedra_around_edge({3, 2}), (Vertices{0}));
    EXPECT_EQ(mesh->polyhedra_around_edge({2, 4}), (Vertices{}));
    // The facet (0, 3, 1) belongs to t0 and t1; every order finds it in t0.
    Vertices facet{0, 1, 3};
    do {
      EXPECT_EQ(mesh->polyhedron_facet_from_vertices(facet), (PolyhedronFacet{0, 1}));
    } while (std::next_permutation(facet.begin(), facet.end()));
    EXPECT_EQ(mesh->polyhedron_facet_from_vertices(Vertices{0, 6, 8}), (PolyhedronFacet{4, 2}));
    EXPECT_EQ(mesh->polyhedron_facet_from_vertices(Vertices{2, 3, 4}), std::nullopt);
    EXPECT_EQ(mesh->polyhedron_facet_from_vertices(Vertices{0, 1, 30}), std::nullopt);
  }
}

TEST(SolidMesh, DeletesPolyhedraAndIsolatedEntriesKeepingEverythingAligned) {
  for (const auto& impl : {test::polyhedral_impl(), test::tetrahedral_impl()}) {
    SCOPED_TRACE(impl.get());
    // t0 - t1 - t2 are linked through (1, 2, 3) and (1, 3, 4); t3 hangs on t0 by (0, 1, 2).
    auto mesh = test::make_solid(impl, scattered_points(7),
                                 {{0, 1, 2, 3}, {1, 2, 3, 4}, {1, 3, 4, 5}, {0, 2, 1, 6}});
    mesh->enable_edges();
    mesh->enable_facets();
    auto polyhedron_ids =
        mesh->polyhedron_attribute_manager().find_or_create_attribute<VariableAttribute, index_t>(
            "id", NO_ID);
    auto facet_ids = mesh->facets()
                         .facet_attribute_manager()
                         .find_or_create_attribute<VariableAttribute, index_t>("id", NO_ID);
    auto edge_ids =
        mesh->edges().edge_attribute_manager().find_or_create_attribute<VariableAttribute, index_t>(
            "id", NO_ID);
    for (index_t i = 0; i < mesh->nb_polyhedra(); ++i) polyhedron_ids->set_value(i, i);
    for (index_t i = 0; i < mesh->facets().nb_facets(); ++i) facet_ids->set_value(i, i);
    for (index_t i = 0; i < mesh->edges().nb_edges(); ++i) edge_ids->set_value(i, i);
    const auto nb_facets = mesh->facets().nb_facets();
    const auto nb_edges = mesh->edges().nb_edges();
    ASSERT_EQ(mesh->polyhedron_adjacent({1, 1}), 2);

    auto builder = SolidMeshBuilder<3>::create(*mesh);
    EXPECT_EQ(builder->delete_polyhedra({false, true, false, false}), (Vertices{0, NO_ID, 1, 2}));
    ASSERT_EQ(mesh->nb_polyhedra(), 3);
    EXPECT_EQ(polyhedron_ids->value(1), 2);
    EXPECT_EQ(polyhedron_ids->value(2), 3);
    EXPECT_EQ(mesh->polyhedron_vertices(1), (PolyhedronVertices{1, 3, 4, 5}));
    EXPECT_EQ(adjacents(*mesh, 0), (Adjacents{std::nullopt, std::nullopt, std::nullopt, 2}));
    EXPECT_EQ(adjacents(*mesh, 1),
              (Adjacents{std::nullopt, std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(adjacents(*mesh, 2), (Adjacents{std::nullopt, std::nullopt, std::nullopt, 0}));
    EXPECT_EQ(mesh->polyhedron_around_vertex(4), (PolyhedronVertex{1, 2}));
    EXPECT_EQ(mesh->polyhedron_around_vertex(6), (PolyhedronVertex{2, 3}));
    // Table entries stay until asked for.
    EXPECT_EQ(mesh->facets().nb_facets(), nb_facets);
    EXPECT_EQ(mesh->edges().nb_edges(), nb_edges);
    EXPECT_EQ(mesh->facets().facet_vertices(4), (PolyhedronFacetVertices{2, 3, 4}));
    EXPECT_TRUE(mesh->facets().is_facet_isolated(4));

    // The facets and the edge (2, 4) that only t1 had go, and attributes follow.
    const auto facet_old2new = builder->delete_isolated_facets();
    const auto edge_old2new = builder->delete_isolated_edges();
    EXPECT_EQ(facet_old2new, (Vertices{0, 1, 2, 3, NO_ID, 4, NO_ID, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(edge_old2new, (Vertices{0, 1, 2, 3, 4, 5, 6, NO_ID, 7, 8, 9, 10, 11, 12, 13}));
    EXPECT_EQ(mesh->facets().facet_from_vertices(Vertices{2, 3, 4}), std::nullopt);
    EXPECT_EQ(mesh->edges().edge_from_vertices({2, 4}), std::nullopt);
    for (index_t old = 0; old < facet_old2new.size(); ++old) {
      if (facet_old2new[old] != NO_ID) {
        EXPECT_EQ(facet_ids->value(facet_old2new[old]), old);
      }
    }
    for (index_t facet = 0; facet < mesh->facets().nb_facets(); ++facet) {
      EXPECT_FALSE(mesh->facets().is_facet_isolated(facet));
    }
    for (index_t edge = 0; edge < mesh->edges().nb_edges(); ++edge) {
      EXPECT_FALSE(mesh->edges().is_edge_isolated(edge));
      const auto old = std::find(edge_old2new.begin(), edge_old2new.end(), edge);
      EXPECT_EQ(edge_ids->value(edge), static_cast<index_t>(old - edge_old2new.begin()));
    }

    // Deleting old t3 isolates vertex 6. Deleting that vertex drops the entries on it and
    // renumbers the others, which keep their order.
    builder->delete_polyhedra({false, false, true});
    EXPECT_EQ(builder->delete_isolated_vertices(), (Vertices{0, 1, 2, 3, 4, 5, NO_ID}));
    EXPECT_EQ(mesh->nb_vertices(), 6);
    EXPECT_EQ(mesh->facets().nb_facets(), 8);
    EXPECT_EQ(facet_ids->value(7), 9);
    EXPECT_EQ(mesh->facets().facet_from_vertices(Vertices{5, 3, 1}), 7);
    EXPECT_EQ(mesh->edges().nb_edges(), 11);
    EXPECT_EQ(mesh->edges().edge_from_vertices({5, 1}), 10);
    for (index_t facet = 0; facet < mesh->facets().nb_facets(); ++facet) {
      for (const auto vertex : mesh->facets().facet_vertices(facet)) EXPECT_LT(vertex, 6);
    }
  }
}

TEST(SolidMesh, ClonesDeeply) {
  auto mesh =
      test::make_solid(test::polyhedral_impl(), test::lattice_points(1), test::kuhn_tetrahedra(1));
  {
    auto builder = SolidMeshBuilder<3>::create(*mesh);
    builder->set_name("block");
    builder->unset_polyhedron_adjacent({0, 1});
  }
  mesh->enable_facets();
  mesh->enable_edges();
  mesh->polyhedron_attribute_manager()
      .find_or_create_attribute<VariableAttribute, double>("density", 1.)
      ->set_value(2, 4.5);
  mesh->facets()
      .facet_attribute_manager()
      .find_or_create_attribute<VariableAttribute, int>("tag", 0)
      ->set_value(5, 7);

  const auto clone = mesh->clone();
  EXPECT_EQ(clone->impl_name(), mesh->impl_name());
  EXPECT_NE(clone->id(), mesh->id());
  EXPECT_EQ(clone->name(), mesh->name());
  ASSERT_EQ(clone->nb_polyhedra(), mesh->nb_polyhedra());
  for (index_t polyhedron = 0; polyhedron < mesh->nb_polyhedra(); ++polyhedron) {
    EXPECT_EQ(clone->polyhedron_vertices(polyhedron), mesh->polyhedron_vertices(polyhedron));
    EXPECT_EQ(adjacents(*clone, polyhedron), adjacents(*mesh, polyhedron));
  }
  for (index_t vertex = 0; vertex < mesh->nb_vertices(); ++vertex) {
    EXPECT_EQ(clone->point(vertex), mesh->point(vertex));
    EXPECT_EQ(clone->polyhedra_around_vertex(vertex), mesh->polyhedra_around_vertex(vertex));
  }
  EXPECT_EQ(table_contents(*clone), table_contents(*mesh));
  EXPECT_EQ(clone->polyhedron_attribute_manager().find_attribute<double>("density")->value(2), 4.5);
  EXPECT_EQ(clone->facets().facet_attribute_manager().find_attribute<int>("tag")->value(5), 7);

  // The clone is independent: changing it leaves the original as it was.
  auto builder = SolidMeshBuilder<3>::create(*clone);
  builder->set_point(0, Point<3>{{5., 5., 5.}});
  builder->delete_polyhedra({true, false, false, false, false, false});
  clone->facets()
      .facet_attribute_manager()
      .find_or_create_attribute<VariableAttribute, int>("tag", 0)
      ->set_value(5, 1);
  EXPECT_EQ(mesh->point(0), (Point<3>{{0., 0., 0.}}));
  EXPECT_EQ(mesh->nb_polyhedra(), 6);
  EXPECT_EQ(mesh->facets().facet_attribute_manager().find_attribute<int>("tag")->value(5), 7);
  EXPECT_TRUE(clone->facets().facet_from_vertices(mesh->facets().facet_vertices(0)).has_value());
}

TEST(SolidMesh, RestoresSavedTablesExactlyOrRefusesThem) {
  const auto saved =
      test::make_solid(test::tetrahedral_impl(), scattered_points(5), {{0, 1, 2, 3}, {1, 2, 3, 4}});
  saved->enable_facets();
  saved->enable_edges();
  // Saved with an isolated facet and edge, in an order no enabling would give.
  const std::vector<std::array<index_t, 2>> edges{{3, 4}, {0, 4}, {0, 1}, {0, 2}, {0, 3},
                                                  {1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}};
  const Vertices offsets{0, 3, 6, 9, 12, 15, 18, 21, 24};
  const Vertices vertices{2, 3, 4, 0, 1, 4, 1, 4, 3, 1, 2, 4, 1, 2, 3, 0, 3, 2, 0, 1, 3, 0, 2, 1};
  auto restored = saved->clone();
  restored->disable_facets();
  restored->disable_edges();
  ASSERT_TRUE(restore_edge_table(*restored, edges));
  ASSERT_TRUE(restore_facet_table(*restored, offsets, vertices));
  EXPECT_EQ(restored->edges().edge_vertices(1), (std::array<index_t, 2>{0, 4}));
  EXPECT_TRUE(restored->edges().is_edge_isolated(1));
  EXPECT_EQ(restored->facets().facet_vertices(1), (PolyhedronFacetVertices{0, 1, 4}));
  EXPECT_EQ(restored->facets().facet_from_vertices(Vertices{1, 2, 3}), 4);
  EXPECT_EQ(restored->facets().facet_attribute_manager().nb_elements(), 8);

  struct Case {
    std::string name;
    std::vector<std::array<index_t, 2>> edges;
    Vertices offsets;
    Vertices vertices;
  };
  const std::vector<Case> refused{
      {"edge twice", {{0, 1}, {1, 0}}, {0, 3}, {0, 1, 7}},
      {"edge out of range", {{0, 9}}, {0, 2}, {0, 1}},
      {"edge missing", {{0, 1}}, {0, 2, 3}, {0, 1, 2}},
      {"facet twice", edges, {0, 3, 6}, {1, 2, 3, 3, 1, 2}},
      {"facet missing", edges, {0, 3}, {1, 2, 3}},
      {"bad offsets", edges, {0, 3, 2}, {1, 2, 3}},
  };
  for (const auto& [name, bad_edges, bad_offsets, bad_vertices] : refused) {
    SCOPED_TRACE(name);
    auto mesh = saved->clone();
    const bool edges_restored = restore_edge_table(*mesh, bad_edges);
    const bool facets_restored = restore_facet_table(*mesh, bad_offsets, bad_vertices);
    EXPECT_FALSE(edges_restored && facets_restored);
    EXPECT_EQ(mesh->are_edges_enabled(), edges_restored);
    EXPECT_EQ(mesh->are_facets_enabled(), facets_restored);
  }
}

}  // namespace
}  // namespace veyra
