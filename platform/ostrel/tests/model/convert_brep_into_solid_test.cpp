// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/convert_brep_into_solid.h>

#include <algorithm>
#include <string>

#include "service_fixtures.h"

namespace veyra {
namespace {

const MeshImpl tetrahedral{"OstrelTetrahedralSolid3D"};
const MeshImpl polyhedral{"OstrelPolyhedralSolid3D"};

PolyhedronFacetVertices sorted(PolyhedronFacetVertices vertices) {
  std::sort(vertices.begin(), vertices.end());
  return vertices;
}

TEST(ConvertBRepIntoSolid, NumbersByUniqueVerticesAndKeepsEachBlockOnItsOwn) {
  struct Case {
    std::string name;
    std::vector<MeshImpl> impls;
    std::string solid_type;
  };
  const std::vector<Case> cases{
      {"tetrahedral blocks", {tetrahedral, tetrahedral}, "TetrahedralSolid3D"},
      {"one polyhedral block", {tetrahedral, polyhedral}, "PolyhedralSolid3D"}};
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const auto cubes = test::make_two_cubes(false, test.impls);
    const auto& brep = cubes.brep;
    const auto [solid, mappings] = convert_brep_into_solid(brep);

    EXPECT_EQ(solid->type_name().get(), test.solid_type);
    ASSERT_EQ(solid->nb_vertices(), 13);
    for (index_t vertex = 0; vertex < 12; ++vertex) {
      EXPECT_EQ(solid->point(vertex), test::lattice_point(vertex));
      EXPECT_EQ(mappings.unique_vertex_mapping.in2out(vertex).front(), vertex);
    }
    EXPECT_EQ(solid->point(12), Point<3>{});
    EXPECT_TRUE(solid->is_vertex_isolated(12));
    ASSERT_EQ(solid->nb_polyhedra(), 12);
    ASSERT_TRUE(solid->are_edges_enabled());
    ASSERT_TRUE(solid->are_facets_enabled());

    for (index_t b = 0; b < 2; ++b) {
      const auto& block = brep.block(cubes.blocks[b]);
      const auto& mesh = block.mesh();
      for (index_t polyhedron = 0; polyhedron < 6; ++polyhedron) {
        const auto target = 6 * b + polyhedron;
        EXPECT_EQ(mappings.block_mapping.in2out({block.id(), polyhedron}).front(), target);
        for (local_index_t facet = 0; facet < 4; ++facet) {
          // The same local facet, on translated vertices, in the same order.
          PolyhedronFacetVertices expected;
          for (const auto vertex : mesh.polyhedron_facet_vertices({polyhedron, facet})) {
            expected.push_back(test::block_vertex(b, vertex));
          }
          EXPECT_EQ(solid->polyhedron_facet_vertices({target, facet}), expected);
          const auto adjacent = mesh.polyhedron_adjacent({polyhedron, facet});
          EXPECT_EQ(solid->polyhedron_adjacent({target, facet}),
                    adjacent ? std::optional<index_t>{6 * b + *adjacent} : std::nullopt);
        }
      }
    }
    // No adjacency across the interface, whose two triangles are solid facets.
    const auto& interface = brep.surface(cubes.interface);
    for (index_t polygon = 0; polygon < 2; ++polygon) {
      const auto facet = mappings.surface_mapping.in2out({interface.id(), polygon}).front();
      PolyhedronFacetVertices expected;
      for (const auto vertex : interface.mesh().polygon_vertices(polygon)) {
        expected.push_back(test::TwoCubes::interface_vertices[vertex]);
      }
      EXPECT_EQ(sorted(solid->facets().facet_vertices(facet)), sorted(expected));
      const auto facet_vertices = solid->facets().facet_vertices(facet);
      const auto on_solid = solid->polyhedron_facet_from_vertices(facet_vertices);
      ASSERT_TRUE(on_solid.has_value());
      EXPECT_FALSE(solid->polyhedron_adjacent(*on_solid).has_value());
    }
    const auto edge = mappings.line_mapping.in2out({cubes.line, 0}).front();
    EXPECT_EQ(solid->edges().edge_vertices(edge), (std::array<index_t, 2>{1, 4}));
    EXPECT_EQ(mappings.corner_mapping.in2out({cubes.corner, 0}).front(), 0);
  }
}

TEST(ConvertBRepIntoSolid, RefusesABlockVertexWithoutUniqueVertex) {
  auto cubes = test::make_two_cubes(false, {tetrahedral, tetrahedral});
  BRepBuilder builder{cubes.brep};
  const auto& block = cubes.brep.block(cubes.blocks[1]);
  builder.unset_unique_vertex({block.component_id(), 3}, test::block_vertex(1, 3));
  try {
    convert_brep_into_solid(cubes.brep);
    FAIL() << "no exception";
  } catch (const OstrelModelException& error) {
    EXPECT_EQ(error.type(), OstrelException::TYPE::input);
    EXPECT_EQ(std::string{error.what()}, "[convert_brep_into_solid] Vertex 3 of " +
                                             block.component_id().string() +
                                             " has no unique vertex");
  }
}

}  // namespace
}  // namespace veyra
