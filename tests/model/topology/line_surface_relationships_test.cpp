// SPDX-License-Identifier: MIT
#include <model/topology/line_surface_relationships.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "surface_steps_fixture.h"

namespace veyra {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing_support::ModelTypes;

template <typename Model>
using LineSurfaceRelationships = testing_support::SurfaceStepsTest<Model>;
TYPED_TEST_SUITE(LineSurfaceRelationships, ModelTypes);

// Where the polygons around a line edge put the line: along the border of one polygon it bounds
// the surface; across the inside, or along a seam where the surface meets itself (one unique
// edge, two border polygon edges), it is internal.
TYPED_TEST(LineSurfaceRelationships, BoundaryInternalOrSeam) {
  enum class Expected { boundary, internal };
  struct Case {
    std::string name;
    std::vector<index_t> surface_unique_vertices;
    std::vector<testing_support::Polygon> polygons;
    std::vector<index_t> line;
    Expected expected;
  };
  // The unit square: unique vertices 0 (0, 0), 1 (1, 0), 2 (0, 1) and 3 (1, 1).
  const std::vector<Case> cases{
      {"border", {0, 1, 3, 2}, {{0, 1, 2}, {0, 2, 3}}, {0, 1}, Expected::boundary},
      {"inside", {0, 1, 3, 2}, {{0, 1, 2}, {0, 2, 3}}, {0, 3}, Expected::internal},
      // The two triangles have their own vertices along the diagonal.
      {"seam", {0, 1, 3, 0, 3, 2}, {{0, 1, 2}, {3, 4, 5}}, {0, 3}, Expected::internal},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    testing_support::SurfaceScene<TypeParam> scene;
    scene.make_grid_places(1, 1);
    const auto surface =
        scene.add_surface_mesh(scene.triangulated(), test.surface_unique_vertices, test.polygons);
    const auto line = scene.add_line(test.line);
    scene.start();
    detail::add_line_surface_relationships(scene.model, scene.builder(), scene.wireframe(),
                                           surface);
    if (test.expected == Expected::boundary) {
      EXPECT_THAT(scene.boundary_lines(surface), ElementsAre(line));
      EXPECT_THAT(scene.internal_lines(surface), IsEmpty());
    } else {
      EXPECT_THAT(scene.internal_lines(surface), ElementsAre(line));
      EXPECT_THAT(scene.boundary_lines(surface), IsEmpty());
    }
  }
}

// A line running along the border and then across the inside is both: the model is written to
// error.tq_brep or error.tq_sctn in the current directory for inspection, then the step fails.
TYPED_TEST(LineSurfaceRelationships, BothInternalAndBoundaryDumpsModelAndFails) {
  namespace fs = std::filesystem;
  const auto previous_directory = fs::current_path();
  const auto directory =
      fs::path{::testing::TempDir()} / ("line_surface_" + std::to_string(TypeParam::dim));
  fs::create_directories(directory);
  fs::current_path(directory);
  const auto dump = directory / (TypeParam::dim == 3 ? "error.tq_brep" : "error.tq_sctn");
  fs::remove(dump);

  testing_support::SurfaceScene<TypeParam> scene;
  scene.make_grid_places(2, 1);
  const auto surface =
      scene.add_surface(scene.triangulated(), testing_support::grid_triangles(2, 1));
  const auto line = scene.add_line({0, 1, 4});
  scene.start();
  try {
    detail::add_line_surface_relationships(scene.model, scene.builder(), scene.wireframe(),
                                           surface);
    ADD_FAILURE() << "no exception";
  } catch (const VeyraConversionModelException& exception) {
    EXPECT_EQ(std::string{exception.what()},
              "[ModelBuilderFromUniqueVertices::add_line_surface_relationships] Line with id " +
                  line.string() +
                  " has evidence of being both internal and boundary of a surface.");
    EXPECT_EQ(exception.type(), OstrelException::TYPE::internal);
    const auto* point = std::any_cast<Point<TypeParam::dim>>(&exception.data());
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(*point, testing_support::at<TypeParam::dim>(0, 0));
  }
  EXPECT_TRUE(fs::exists(dump));
  fs::remove(dump);
  fs::current_path(previous_directory);
  fs::remove(directory);
}

// A replacing surface takes each line of the replaced ones by how its own polygons lie along the
// line's first edge.
TYPED_TEST(LineSurfaceRelationships, TransferToReplacingSurface) {
  testing_support::SurfaceScene<TypeParam> scene;
  scene.make_grid_places(2, 1);
  const auto old_surface =
      scene.add_surface(scene.triangulated(), testing_support::grid_triangles(2, 1));
  const auto border = scene.add_line({0, 1});
  const auto inside = scene.add_line({1, 4});
  const auto& old = scene.model.surface(old_surface);
  scene.builder().add_line_surface_boundary_relationship(scene.model.line(border), old);
  scene.builder().add_line_surface_internal_relationship(scene.model.line(inside), old);
  // The new surface is the left square only: the inside line runs along its border now.
  const auto new_surface = scene.add_surface(scene.triangulated(), {{0, 1, 4}, {0, 4, 3}});
  scene.start();
  detail::transfer_line_surface_relationships(scene.model, scene.builder(), new_surface,
                                              {old_surface});
  EXPECT_THAT(scene.boundary_lines(new_surface), ElementsAre(border, inside));

  // A line the new surface does not reach at all cannot be placed.
  const auto away = scene.add_line({2, 5});
  scene.builder().add_line_surface_boundary_relationship(scene.model.line(away), old);
  try {
    detail::transfer_line_surface_relationships(scene.model, scene.builder(), new_surface,
                                                {old_surface});
    ADD_FAILURE() << "no exception";
  } catch (const VeyraConversionModelException& exception) {
    EXPECT_STREQ(exception.what(),
                 "[ModelBuilderFromUniqueVertices::transfer_line_surface_relationships] One or "
                 "more polygon edges should be on the line");
    const auto* point = std::any_cast<Point<TypeParam::dim>>(&exception.data());
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(*point, testing_support::at<TypeParam::dim>(2, 0.5));
  }
}

}  // namespace
}  // namespace veyra
