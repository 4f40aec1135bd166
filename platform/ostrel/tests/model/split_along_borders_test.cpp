// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section_builder.h>
#include <ostrel/model/split_along_block_mesh_borders.h>
#include <ostrel/model/split_along_solid_facets.h>
#include <ostrel/model/split_along_surface_mesh_borders.h>

#include <memory>
#include <utility>
#include <vector>

#include "service_fixtures.h"

namespace veyra {
namespace {

using VertexPairs = std::vector<std::pair<ComponentMeshVertex, ComponentMeshVertex>>;

/// The square [0, 2]^2 as 8 triangles: around M = (1, 0.5) (vertex 6) and around the centre
/// C = (1, 1) (vertex 7). Vertices 0..5 run along the border: (0,0) B = (1,0) (2,0) (2,2)
/// (1,2) (0,2). Unique vertex i is surface vertex i. The line B -> M -> C (vertices tied to
/// 1, 6, 7) runs from the border to the centre; a second line runs along the border (0 -> B).
template <typename Model>
struct SquareWithSlit {
  SquareWithSlit() {
    typename Model::Builder builder{model};
    const std::array<std::array<double, 2>, 8> coordinates{
        {{0, 0}, {1, 0}, {2, 0}, {2, 2}, {1, 2}, {0, 2}, {1, 0.5}, {1, 1}}};
    const auto point = [&coordinates](index_t vertex) {
      std::array<double, Model::dim> values{};
      values[0] = coordinates[vertex][0];
      values[1] = coordinates[vertex][1];
      return Point<Model::dim>{values};
    };
    builder.create_unique_vertices(8);
    surface = builder.add_surface();
    auto mesh = builder.surface_mesh_builder(surface);
    for (index_t v = 0; v < 8; ++v) mesh->create_point(point(v));
    for (const auto& triangle : std::vector<std::vector<index_t>>{{0, 1, 6},
                                                                  {1, 2, 6},
                                                                  {2, 7, 6},
                                                                  {7, 0, 6},
                                                                  {2, 3, 7},
                                                                  {3, 4, 7},
                                                                  {4, 5, 7},
                                                                  {5, 0, 7}}) {
      mesh->create_polygon(triangle);
    }
    mesh->compute_polygon_adjacencies();
    for (index_t v = 0; v < 8; ++v) {
      builder.set_unique_vertex({model.surface(surface).component_id(), v}, v);
    }
    for (const auto& path : std::vector<std::vector<index_t>>{{1, 6, 7}, {0, 1}}) {
      const auto line = builder.add_line();
      auto curve = builder.line_mesh_builder(line);
      for (index_t k = 0; k < path.size(); ++k) {
        curve->create_point(point(path[k]));
        builder.set_unique_vertex({model.line(line).component_id(), k}, path[k]);
        if (k > 0) curve->create_edge(k - 1, k);
      }
    }
  }

  Model model;
  uuid surface;
};

template <typename Model>
class SplitAlongSurfaceMeshBordersTest : public ::testing::Test {};
using Models = ::testing::Types<BRep, Section>;
TYPED_TEST_SUITE(SplitAlongSurfaceMeshBordersTest, Models);

TYPED_TEST(SplitAlongSurfaceMeshBordersTest, DuplicatesTheCutVerticesButTheDanglingEnd) {
  for (const bool own_builder : {true, false}) {
    SCOPED_TRACE(own_builder ? "own builder" : "caller's builder");
    SquareWithSlit<TypeParam> square;
    auto& model = square.model;
    typename TypeParam::Builder builder{model};
    auto splitter = own_builder ? std::make_unique<SplitAlongSurfaceMeshBorders<TypeParam>>(model)
                                : std::make_unique<SplitAlongSurfaceMeshBorders<TypeParam>>(
                                      std::as_const(model), builder);
    const auto pairs = splitter->split_all_surfaces();

    const auto& surface = model.surface(square.surface);
    const auto id = surface.component_id();
    // The border end B (1) then the interior vertex M (6); the centre C keeps one fan.
    EXPECT_EQ(pairs, (VertexPairs{{{id, 1}, {id, 8}}, {{id, 6}, {id, 9}}}));
    const auto& mesh = surface.mesh();
    EXPECT_EQ(mesh.polygon_vertices(0), (PolygonVertices{0, 1, 6}));
    EXPECT_EQ(mesh.polygon_vertices(1), (PolygonVertices{8, 2, 9}));
    EXPECT_EQ(mesh.polygon_vertices(2), (PolygonVertices{2, 7, 9}));
    EXPECT_EQ(mesh.polygon_vertices(3), (PolygonVertices{7, 0, 6}));
    EXPECT_EQ(mesh.point(9), mesh.point(6));
    EXPECT_EQ(model.unique_vertex({id, 8}), 1);
    EXPECT_EQ(model.unique_vertex({id, 9}), 6);
    // The free end C is on the border too (its cut edge has no neighbour), in a single fan.
    for (const index_t vertex : {1, 6, 7, 8, 9}) EXPECT_TRUE(mesh.is_vertex_on_border(vertex));
    EXPECT_EQ(mesh.polygons_around_vertex(7).size(), 6);

    EXPECT_TRUE(splitter->split_all_surfaces().empty());
  }
}

const MeshImpl tetrahedral{"OstrelTetrahedralSolid3D"};
const MeshImpl polyhedral{"OstrelPolyhedralSolid3D"};

TEST(SplitAlongBlockMeshBorders, CutsTheBlockAlongAnInnerSurfaceOnce) {
  for (const auto& impl : {tetrahedral, polyhedral}) {
    SCOPED_TRACE(impl.get());
    auto cubes = test::make_two_cubes(true, {impl});
    const auto& brep = cubes.brep;
    BRepBuilder builder{cubes.brep};
    SplitAlongBlockMeshBorders splitter{brep, builder};
    const auto pairs = splitter.split_all_blocks();

    const auto& block = brep.block(cubes.blocks[0]);
    const auto id = block.component_id();
    // The interface vertices 1, 4, 7, 10 keep the first cube; the second cube gets copies.
    EXPECT_EQ(
        pairs,
        (VertexPairs{
            {{id, 1}, {id, 12}}, {{id, 4}, {id, 13}}, {{id, 7}, {id, 14}}, {{id, 10}, {id, 15}}}));
    const auto& mesh = block.mesh();
    for (index_t polyhedron = 0; polyhedron < 12; ++polyhedron) {
      const auto expected = test::cube_tetrahedra(polyhedron / 6)[polyhedron % 6];
      for (local_index_t k = 0; k < 4; ++k) {
        const auto original = expected[k];
        const auto* copy = std::find(test::TwoCubes::interface_vertices.begin(),
                                     test::TwoCubes::interface_vertices.end(), original);
        const bool moved = polyhedron >= 6 && copy != test::TwoCubes::interface_vertices.end();
        const auto vertex =
            moved ? 12 + static_cast<index_t>(copy - test::TwoCubes::interface_vertices.begin())
                  : original;
        EXPECT_EQ(mesh.polyhedron_vertex({polyhedron, k}), vertex);
      }
    }
    for (index_t k = 0; k < 4; ++k) {
      EXPECT_EQ(brep.unique_vertex({id, 12 + k}), test::TwoCubes::interface_vertices[k]);
      EXPECT_EQ(mesh.point(12 + k), mesh.point(test::TwoCubes::interface_vertices[k]));
    }
    // The cut facets have no neighbour left; the inner facets of each cube keep theirs.
    const auto facet = mesh.polyhedron_facet_from_vertices(std::vector<index_t>{1, 4, 10});
    ASSERT_TRUE(facet.has_value());
    EXPECT_FALSE(mesh.polyhedron_adjacent(*facet).has_value());
    EXPECT_TRUE(mesh.polyhedron_adjacent(
                        *mesh.polyhedron_facet_from_vertices(std::vector<index_t>{0, 1, 10}))
                    .has_value());

    EXPECT_TRUE(splitter.split_all_blocks().empty());
  }
}

TEST(SplitAlongSolidFacets, MapsEveryOldElementToWhatItBecame) {
  auto cubes = test::make_two_cubes(true, {tetrahedral});
  const auto& block = cubes.brep.block(cubes.blocks[0]);
  auto solid = block.mesh().clone();
  solid->enable_edges();
  solid->enable_facets();
  const auto nb_old_edges = solid->edges().nb_edges();
  const auto nb_old_facets = solid->facets().nb_facets();
  std::vector<std::array<index_t, 2>> old_edges;
  for (index_t e = 0; e < nb_old_edges; ++e) old_edges.push_back(solid->edges().edge_vertices(e));
  std::vector<PolyhedronFacetVertices> old_facets;
  for (index_t f = 0; f < nb_old_facets; ++f)
    old_facets.push_back(solid->facets().facet_vertices(f));
  const std::vector<PolyhedronFacet> cut{
      *solid->polyhedron_facet_from_vertices(std::vector<index_t>{1, 4, 10}),
      *solid->polyhedron_facet_from_vertices(std::vector<index_t>{10, 7, 1})};
  ASSERT_LT(cut[0].polyhedron_id, 6);

  auto builder = SolidMeshBuilder<3>::create(*solid);
  SplitAlongSolidFacets splitter{*solid, *builder};
  const auto mappings = splitter.split_solid_along_facets(cut);

  // Vertex v -> v, then its copy; the copies 12..15 follow 1, 4, 7, 10.
  using Values = GenericMapping<index_t>::Values<index_t>;
  ASSERT_EQ(mappings.vertices.size_in(), 12);
  EXPECT_EQ(mappings.vertices.in2out(0), (Values{0}));
  EXPECT_EQ(mappings.vertices.in2out(4), (Values{4, 13}));
  EXPECT_EQ(mappings.vertices.in2out(10), (Values{10, 15}));
  ASSERT_EQ(mappings.polyhedra.size_in(), 12);
  EXPECT_EQ(mappings.polyhedra.in2out(11), (Values{11}));

  // Copy of an old vertex pair or triple: the old vertex or one of its copies.
  const auto is_copy = [&](index_t old_vertex, index_t vertex) {
    const auto& values = mappings.vertices.in2out(old_vertex);
    return std::find(values.begin(), values.end(), vertex) != values.end();
  };
  const auto expect_copies = [&](absl::Span<const index_t> old_vertices,
                                 absl::Span<const index_t> vertices) {
    ASSERT_EQ(old_vertices.size(), vertices.size());
    for (const auto vertex : vertices) {
      EXPECT_TRUE(std::any_of(old_vertices.begin(), old_vertices.end(),
                              [&](index_t old_vertex) { return is_copy(old_vertex, vertex); }));
    }
  };
  ASSERT_EQ(mappings.edges.size_in(), nb_old_edges);
  for (index_t edge = 0; edge < nb_old_edges; ++edge) {
    const auto& targets = mappings.edges.in2out(edge);
    // Edges on the interface (both ends among 1, 4, 7, 10) now exist on both sides.
    const auto on_interface = [](index_t v) { return v == 1 || v == 4 || v == 7 || v == 10; };
    EXPECT_EQ(targets.size(),
              on_interface(old_edges[edge][0]) && on_interface(old_edges[edge][1]) ? 2 : 1);
    EXPECT_TRUE(std::is_sorted(targets.begin(), targets.end()));
    for (const auto target : targets) {
      expect_copies(old_edges[edge], solid->edges().edge_vertices(target));
    }
  }
  ASSERT_EQ(mappings.facets.size_in(), nb_old_facets);
  const auto interface_facet = *solid->facets().facet_from_vertices(std::vector<index_t>{1, 4, 10});
  for (index_t facet = 0; facet < nb_old_facets; ++facet) {
    for (const auto target : mappings.facets.in2out(facet)) {
      expect_copies(old_facets[facet], solid->facets().facet_vertices(target));
    }
  }
  const auto old_interface = static_cast<index_t>(
      std::find_if(old_facets.begin(), old_facets.end(),
                   [](const PolyhedronFacetVertices& vertices) {
                     auto sorted_vertices = vertices;
                     std::sort(sorted_vertices.begin(), sorted_vertices.end());
                     return sorted_vertices == PolyhedronFacetVertices{1, 4, 10};
                   }) -
      old_facets.begin());
  EXPECT_EQ(mappings.facets.in2out(old_interface).size(), 2);
  EXPECT_EQ(mappings.facets.in2out(old_interface).front(), interface_facet);
  // Nothing left unused in the tables.
  for (index_t edge = 0; edge < solid->edges().nb_edges(); ++edge) {
    EXPECT_FALSE(solid->edges().is_edge_isolated(edge));
  }
  for (index_t facet = 0; facet < solid->facets().nb_facets(); ++facet) {
    EXPECT_FALSE(solid->facets().is_facet_isolated(facet));
  }

  const std::vector<PolyhedronFacet> unknown{{12, 0}};
  EXPECT_THROW(splitter.split_solid_along_facets(unknown), OstrelModelException);
}

}  // namespace
}  // namespace veyra
