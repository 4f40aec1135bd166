// SPDX-License-Identifier: MIT
#include <veyra_common/modifier/tetrahedral_solid_modifier.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include <ostrel/basic/attribute.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>

#include "mesh_checks.h"

namespace veyra {
namespace {

using Pairs = std::vector<std::pair<index_t, index_t>>;
using Ids = std::vector<index_t>;

/// `k` tetrahedra around the edge from a = vertex 0 at z = -1 to b = vertex 1 at z = 1, ring
/// vertex 2 + i at angle 2 pi i / k in the plane z = 0. Tetrahedron i holds ring vertices i and
/// i + 1. Polyhedron attribute "tag" = 10 + i, vertex attribute "z" = the height.
struct EdgeFan {
  explicit EdgeFan(index_t k) : solid(TetrahedralSolid<3>::create()) {
    builder = TetrahedralSolidBuilder<3>::create(*solid);
    builder->create_point(Point<3>{{0., 0., -1.}});
    builder->create_point(Point<3>{{0., 0., 1.}});
    for (index_t i = 0; i < k; ++i) {
      const double angle = 2. * std::numbers::pi * i / k;
      builder->create_point(Point<3>{{std::cos(angle), std::sin(angle), 0.}});
    }
    auto tags = solid->polyhedron_attribute_manager()
                    .find_or_create_attribute<VariableAttribute, int>("tag", 0);
    for (index_t i = 0; i < k; ++i) {
      // Positive volume: the ring turns counterclockwise seen from b.
      const auto tetrahedron = builder->create_tetrahedron({0, 1, 2 + i, 2 + (i + 1) % k});
      tags->set_value(tetrahedron, 10 + static_cast<int>(i));
    }
    builder->compute_polyhedron_adjacencies();
    auto heights = solid->vertex_attribute_manager()
                       .find_or_create_attribute<VariableAttribute, double>("z", 0.);
    for (index_t v = 0; v < solid->nb_vertices(); ++v) heights->set_value(v, solid->point(v).value(2));
  }

  index_t edge(index_t v0, index_t v1) const { return *solid->edges().edge_from_vertices({v0, v1}); }

  std::unique_ptr<TetrahedralSolid<3>> solid;
  std::unique_ptr<TetrahedralSolidBuilder<3>> builder;
};

/// Vertices of the entry other than `vertex`, sorted.
Ids others(absl::Span<const index_t> vertices, index_t vertex) {
  Ids result;
  for (const auto v : vertices) {
    if (v != vertex) result.push_back(v);
  }
  std::sort(result.begin(), result.end());
  return result;
}

TEST(TetrahedralSolidModifier, SplitsEveryTetrahedronAroundTheEdge) {
  EdgeFan fan{5};
  TetrahedralSolidModifier modifier{*fan.solid, *fan.builder};
  const auto& solid = *fan.solid;
  const auto ab = fan.edge(0, 1);
  const auto nb_facets = solid.facets().nb_facets();
  const auto nb_edges = solid.edges().nb_edges();

  const auto info = modifier.split_edge(ab, Point<3>{{0., 0., 0.5}});

  EXPECT_EQ(info.new_vertex, 7u);
  EXPECT_EQ(solid.nb_vertices(), 8u);
  EXPECT_EQ(info.polyhedra, (Pairs{{5, 0}, {6, 0}, {7, 1}, {8, 1}, {9, 2}, {10, 2}, {11, 3},
                                   {12, 3}, {13, 4}, {14, 4}}));
  // The first copy keeps the smaller end.
  EXPECT_TRUE(solid.vertex_in_polyhedron(5, 0));
  EXPECT_FALSE(solid.vertex_in_polyhedron(5, 1));
  for (index_t p = 0; p < 5; ++p) EXPECT_FALSE(modifier.is_polyhedron_active(p));
  const auto is_active = [&](index_t p) { return modifier.is_polyhedron_active(p); };
  test::expect_conformal_solid(solid, is_active);
  EXPECT_NEAR(test::active_volume(solid, is_active), test::active_volume(solid, [](index_t p) {
                return p < 5;
              }),
              1e-12);

  // New facets: halves of the five facets through the edge, and five that cut a tetrahedron.
  ASSERT_EQ(info.facets.size(), 15u);
  index_t nb_inside = 0;
  for (index_t i = 0; i < info.facets.size(); ++i) {
    const auto [facet, parent] = info.facets[i];
    EXPECT_EQ(facet, nb_facets + i);
    const auto rest = others(solid.facets().facet_vertices(facet), info.new_vertex);
    const bool on_edge_end = rest.front() <= 1;
    if (!on_edge_end) {
      EXPECT_EQ(parent, NO_ID);
      ++nb_inside;
      continue;
    }
    ASSERT_LT(parent, nb_facets);
    EXPECT_EQ(others(solid.facets().facet_vertices(parent), NO_ID), (Ids{0, 1, rest.back()}));
  }
  EXPECT_EQ(nb_inside, 5u);
  // New edges: the two halves of a-b, and one to each ring vertex.
  ASSERT_EQ(info.edges.size(), 7u);
  for (index_t i = 0; i < info.edges.size(); ++i) {
    const auto [edge, parent] = info.edges[i];
    EXPECT_EQ(edge, nb_edges + i);
    const auto other = others(solid.edges().edge_vertices(edge), info.new_vertex).front();
    EXPECT_EQ(parent, other <= 1 ? ab : NO_ID);
  }

  // Attributes: tetrahedra copy their parent, the vertex is interpolated along the edge.
  const auto tags = solid.polyhedron_attribute_manager().find_attribute<int>("tag");
  for (const auto& [tetrahedron, parent] : info.polyhedra) {
    EXPECT_EQ(tags->value(tetrahedron), 10 + static_cast<int>(parent));
  }
  EXPECT_DOUBLE_EQ(solid.vertex_attribute_manager().find_attribute<double>("z")->value(7), 0.5);
}

TEST(TetrahedralSolidModifier, LaterSplitsActOnTheActiveTetrahedraOnly) {
  EdgeFan fan{5};
  TetrahedralSolidModifier modifier{*fan.solid, *fan.builder};
  const auto& solid = *fan.solid;
  const auto ab = fan.edge(0, 1);
  const auto a_ring0 = fan.edge(0, 2);
  modifier.split_edge(ab, Point<3>{{0., 0., 0.}});

  // Edge a - ring 0 was held by tetrahedra 0 and 4, now by their copies keeping a: 5 and 13.
  const auto second = modifier.split_edge(a_ring0, Point<3>{{0.5, 0., -0.5}});
  EXPECT_EQ(second.new_vertex, 8u);
  EXPECT_EQ(second.polyhedra, (Pairs{{15, 5}, {16, 5}, {17, 13}, {18, 13}}));
  const auto is_active = [&](index_t p) { return modifier.is_polyhedron_active(p); };
  test::expect_conformal_solid(solid, is_active);
  EXPECT_NEAR(test::active_volume(solid, is_active), 2. * 5. * std::sin(2. * std::numbers::pi / 5) / 6.,
              1e-12);

  // Every tetrahedron on a-b is replaced: a new vertex, nothing split.
  const auto third = modifier.split_edge(ab, Point<3>{{0., 0., 0.5}});
  EXPECT_EQ(third.new_vertex, 9u);
  EXPECT_TRUE(third.polyhedra.empty());
  EXPECT_TRUE(third.facets.empty());
  EXPECT_TRUE(third.edges.empty());

  const auto nb_edges = solid.edges().nb_edges();
  const auto nb_facets = solid.facets().nb_facets();
  const auto clean = modifier.clean();

  EXPECT_EQ(clean.vertices, (Ids{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  Ids expected_polyhedra(19, NO_ID);
  index_t next = 0;
  for (index_t p = 0; p < 19; ++p) {
    if (p >= 5 && p != 5 && p != 13) expected_polyhedra[p] = next++;
  }
  EXPECT_EQ(clean.polyhedra, expected_polyhedra);
  EXPECT_EQ(solid.nb_polyhedra(), 12u);
  test::expect_conformal_solid(solid);
  // Table ids stay; exactly the entries no tetrahedron uses any more are NO_ID.
  ASSERT_EQ(solid.edges().nb_edges(), nb_edges);
  ASSERT_EQ(clean.edges.size(), nb_edges);
  EXPECT_EQ(clean.edges[ab], NO_ID);
  EXPECT_EQ(clean.edges[a_ring0], NO_ID);
  for (index_t e = 0; e < nb_edges; ++e) {
    EXPECT_EQ(clean.edges[e], solid.edges().is_edge_isolated(e) ? NO_ID : e) << "edge " << e;
  }
  ASSERT_EQ(solid.facets().nb_facets(), nb_facets);
  ASSERT_EQ(clean.facets.size(), nb_facets);
  index_t nb_removed_facets = 0;
  for (index_t f = 0; f < nb_facets; ++f) {
    EXPECT_EQ(clean.facets[f], solid.facets().is_facet_isolated(f) ? NO_ID : f) << "facet " << f;
    nb_removed_facets += clean.facets[f] == NO_ID ? 1 : 0;
  }
  // The five facets through a-b, and the three through a - ring 0.
  EXPECT_EQ(nb_removed_facets, 8u);
  EXPECT_TRUE(modifier.is_polyhedron_active(0));
}

TEST(TetrahedralSolidModifier, SplitFacetGivesThreeTetrahedraOnEachSide) {
  auto solid = TetrahedralSolid<3>::create();
  auto builder = TetrahedralSolidBuilder<3>::create(*solid);
  for (const auto& point : {Point<3>{{0., 0., 0.}}, Point<3>{{1., 0., 0.}}, Point<3>{{0., 1., 0.}},
                            Point<3>{{0., 0., 1.}}, Point<3>{{0., 0., -1.}}}) {
    builder->create_point(point);
  }
  builder->create_tetrahedron({0, 1, 2, 3});
  builder->create_tetrahedron({0, 2, 1, 4});
  builder->compute_polyhedron_adjacencies();
  TetrahedralSolidModifier modifier{*solid, *builder};
  const auto facet = *solid->facets().facet_from_vertices(std::array<index_t, 3>{0, 1, 2});
  const auto nb_facets = solid->facets().nb_facets();

  const auto info = modifier.split_facet(facet, Point<3>{{0.25, 0.25, 0.}});

  EXPECT_EQ(info.new_vertex, 5u);
  EXPECT_EQ(info.polyhedra, (Pairs{{2, 0}, {3, 0}, {4, 0}, {5, 1}, {6, 1}, {7, 1}}));
  const auto is_active = [&](index_t p) { return modifier.is_polyhedron_active(p); };
  test::expect_conformal_solid(*solid, is_active);
  EXPECT_NEAR(test::active_volume(*solid, is_active), 1. / 3., 1e-12);
  // Three facets inside the split one, three cutting each tetrahedron.
  Pairs expected_facets;
  index_t nb_in_facet = 0;
  for (const auto& [new_facet, parent] : info.facets) {
    EXPECT_GE(new_facet, nb_facets);
    const auto rest = others(solid->facets().facet_vertices(new_facet), info.new_vertex);
    const bool in_facet = rest.back() <= 2;
    EXPECT_EQ(parent, in_facet ? facet : NO_ID);
    nb_in_facet += in_facet ? 1 : 0;
  }
  EXPECT_EQ(info.facets.size(), 9u);
  EXPECT_EQ(nb_in_facet, 3u);
  // Edges to the five old vertices, none on an old edge.
  EXPECT_EQ(info.edges.size(), 5u);
  for (const auto& [edge, parent] : info.edges) EXPECT_EQ(parent, NO_ID);

  const auto clean = modifier.clean();
  EXPECT_EQ(clean.polyhedra, (Ids{NO_ID, NO_ID, 0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(clean.facets[facet], NO_ID);
  test::expect_conformal_solid(*solid);
}

TEST(TetrahedralSolidModifier, RefusesBadInput) {
  EdgeFan fan{3};
  TetrahedralSolidModifier modifier{*fan.solid, *fan.builder};
  const auto nb_edges = fan.solid->edges().nb_edges();
  const auto nb_facets = fan.solid->facets().nb_facets();
  const auto expect_input_error = [](auto&& call, const std::string& message) {
    try {
      call();
      ADD_FAILURE() << "no exception for: " << message;
    } catch (const OstrelMeshException& error) {
      EXPECT_EQ(error.type(), OstrelException::TYPE::input);
      EXPECT_EQ(error.what(), message);
    }
  };
  expect_input_error([&] { modifier.split_edge(nb_edges, Point<3>{}); },
                     "[TetrahedralSolidModifier::split_edge] Edge " + std::to_string(nb_edges) +
                         " out of range (" + std::to_string(nb_edges) + " edges)");
  expect_input_error([&] { modifier.split_facet(nb_facets, Point<3>{}); },
                     "[TetrahedralSolidModifier::split_facet] Facet " + std::to_string(nb_facets) +
                         " out of range (" + std::to_string(nb_facets) + " facets)");
  expect_input_error(
      [&] { modifier.split_edge(0, Point<3>{{INFINITY, 0., 0.}}); },
      "[TetrahedralSolidModifier::split_edge] The point inf 0 0 is not finite");
  EXPECT_EQ(fan.solid->nb_vertices(), 5u);
}

}  // namespace
}  // namespace veyra
