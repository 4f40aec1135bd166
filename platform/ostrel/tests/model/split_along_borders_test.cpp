// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section_builder.h>
#include <ostrel/model/split_along_surface_mesh_borders.h>

#include <memory>
#include <utility>
#include <vector>

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

}  // namespace
}  // namespace veyra
