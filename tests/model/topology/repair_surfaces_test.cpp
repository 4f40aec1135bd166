// SPDX-License-Identifier: MIT
#include <model/topology/repair_surfaces.h>

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "surface_steps_fixture.h"

namespace veyra {
namespace {

using testing_support::ModelTypes;
using testing_support::Polygon;

template <typename Model>
using RepairSurfaces = testing_support::SurfaceStepsTest<Model>;
TYPED_TEST_SUITE(RepairSurfaces, ModelTypes);

// A triangle listing a vertex twice goes; a quadrangle listing one twice becomes the triangle on
// its distinct vertices, in first-occurrence order, after the untouched polygons.
TYPED_TEST(RepairSurfaces, RepeatedPolygonVertices) {
  testing_support::SurfaceScene<TypeParam> scene;
  scene.make_grid_places(2, 1);
  const auto surface = scene.add_surface_mesh(scene.polygonal(), {0, 1, 4, 3, 2},
                                              {{0, 1, 2}, {1, 3, 3}, {2, 1, 4, 1}, {0, 2, 3}});
  detail::repair_surfaces(scene.start());
  EXPECT_EQ(scene.polygons(surface), (std::vector<Polygon>{{0, 1, 2}, {0, 2, 3}, {2, 1, 4}}));
  const auto& mesh = scene.model.surface(surface).mesh();
  EXPECT_EQ(mesh.nb_vertices(), 5u);
  EXPECT_EQ(mesh.polygon_adjacent({2, 0}), std::optional<index_t>{0});
}

// Polygons on the same unique vertices are one polygon whatever their mesh vertices, start and
// orientation: the first stays, and the survivor is linked to its neighbours again.
TYPED_TEST(RepairSurfaces, DuplicatedTriangles) {
  testing_support::SurfaceScene<TypeParam> scene;
  scene.make_grid_places(1, 1);
  // Mesh vertex 4 is a second vertex on unique vertex 0.
  const auto surface = scene.add_surface_mesh(scene.triangulated(), {0, 1, 3, 2, 0},
                                              {{0, 1, 2}, {2, 1, 4}, {0, 2, 3}, {1, 2, 0}});
  detail::repair_surfaces(scene.start());
  EXPECT_EQ(scene.polygons(surface), (std::vector<Polygon>{{0, 1, 2}, {0, 2, 3}}));
  const auto& mesh = scene.model.surface(surface).mesh();
  EXPECT_EQ(mesh.polygon_adjacent({0, 2}), std::optional<index_t>{1});
  EXPECT_EQ(mesh.polygon_adjacent({1, 0}), std::optional<index_t>{0});
  EXPECT_EQ(mesh.nb_vertices(), 5u);
}

// The same holds for polygons of any size; polygons of different sizes never match.
TYPED_TEST(RepairSurfaces, DuplicatedPolygonsOfAnySize) {
  testing_support::SurfaceScene<TypeParam> scene;
  scene.make_grid_places(2, 2);
  const auto surface = scene.add_surface(
      scene.polygonal(), {{0, 1, 2, 5, 4}, {0, 1, 4}, {4, 5, 8, 7}, {5, 2, 1, 0, 4},
                          {7, 8, 5, 4}, {1, 0, 4}, {4, 5, 2, 1, 0}, {4, 7, 6, 3}});
  const auto before = scene.cycles(surface);
  detail::repair_surfaces(scene.start());
  EXPECT_EQ(scene.cycles(surface),
            (std::vector<PolygonVertices>{before[0], before[1], before[2], before[7]}));
}

// A Moebius strip of three quadrangles cannot be oriented: it stays as it is and the repair says
// so once, naming the surface by its name, or by its id when it has none.
TYPED_TEST(RepairSurfaces, UnorientableSurfaceIsKeptWithWarning) {
  testing_support::SurfaceScene<TypeParam> scene;
  scene.make_grid_places(2, 1);
  // Bottom vertices 0, 1, 2 and top vertices 3, 4, 5; the last quadrangle closes the strip with
  // a half turn.
  const auto strip =
      scene.add_surface(scene.polygonal(), {{3, 0, 1, 4}, {4, 1, 2, 5}, {5, 2, 3, 0}});
  const auto named_strip =
      scene.add_surface(scene.polygonal(), {{3, 0, 1, 4}, {4, 1, 2, 5}, {5, 2, 3, 0}});
  scene.builder().set_surface_name(named_strip, "strip");
  const auto orientable = scene.add_surface(scene.polygonal(), {{0, 1, 4, 3}, {1, 2, 5, 4}});
  const auto before = scene.polygons(strip);
  veyra::testing::LogCapture capture;
  detail::repair_surfaces(scene.start());
  EXPECT_THAT(testing_support::warnings(capture),
              ::testing::ElementsAre(
                  "[ModelBuilderFromUniqueVertices::repair_surfaces] Unorientable surface "
                  "detected (" +
                      strip.string() + " " + strip.string() + ").",
                  "[ModelBuilderFromUniqueVertices::repair_surfaces] Unorientable surface "
                  "detected (strip " +
                      named_strip.string() + ")."));
  EXPECT_EQ(scene.polygons(strip), before);
  EXPECT_EQ(scene.model.surface(orientable).mesh().nb_polygons(), 2u);
}

// Two fans around one vertex (a bow tie) get a vertex each, tied to the same unique vertex.
TYPED_TEST(RepairSurfaces, NonManifoldVertexIsSplit) {
  testing_support::SurfaceScene<TypeParam> scene;
  scene.make_grid_places(2, 2);
  const auto surface = scene.add_surface(scene.triangulated(), {{0, 1, 4}, {4, 5, 8}});
  detail::repair_surfaces(scene.start());
  EXPECT_EQ(scene.model.surface(surface).mesh().nb_vertices(), 6u);
  EXPECT_EQ(scene.model.component_mesh_vertices(4, surface).size(), 2u);
}

}  // namespace
}  // namespace veyra
