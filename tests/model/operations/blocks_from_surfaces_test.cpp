// SPDX-License-Identifier: MIT
#include <model/operations/blocks_from_surfaces.h>

#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <veyra_testing/brep_from_points.h>
#include <veyra_testing/log_capture.h>
#include <veyra_testing/mesh_generators.h>

#include <model/common/library.h>

namespace veyra {
namespace {

using testing::BRepFromPoints;
using testing::LogCapture;
using testing::PointChain;
using Ids = std::vector<uuid>;

class BlocksFromSurfaces : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { VeyraConversionModelLibrary::initialize(); }
};

uuid add_sphere(BRepBuilder& builder, const BRep& model, const Point<3>& center, double radius) {
  const auto id = builder.add_surface();
  builder.update_surface_mesh(model.surface(id), testing::make_sphere(2, center, radius));
  return id;
}

BlockRelationships boundaries(Ids surfaces) {
  BlockRelationships result;
  result.boundary_surfaces = std::move(surfaces);
  return result;
}

// The corners of the unit cube, point x + 2y + 4z at (x, y, z).
std::vector<Point<3>> cube_points() {
  std::vector<Point<3>> points;
  for (int z = 0; z < 2; ++z) {
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 2; ++x) points.push_back(Point<3>{{1. * x, 1. * y, 1. * z}});
    }
  }
  return points;
}

// The six faces of the unit cube over cube_points(), the bottom one (z = 0) given separately.
Ids add_cube_faces(BRepFromPoints& maker, const std::vector<PointChain>& bottom) {
  return {maker.add_surface(std::vector<PointChain>{{0, 4, 6, 2}}),
          maker.add_surface(std::vector<PointChain>{{1, 3, 7, 5}}),
          maker.add_surface(std::vector<PointChain>{{0, 1, 5, 4}}),
          maker.add_surface(std::vector<PointChain>{{2, 6, 7, 3}}),
          maker.add_surface(bottom),
          maker.add_surface(std::vector<PointChain>{{4, 5, 7, 6}})};
}

Ids add_cube_faces(BRepFromPoints& maker) {
  return add_cube_faces(maker, {{0, 2, 3, 1}});
}

template <typename Exception, typename Call>
Exception expect_throw(Call&& call) {
  try {
    call();
  } catch (const Exception& exception) {
    return exception;
  }
  ADD_FAILURE() << "no exception thrown";
  throw std::logic_error{"no exception thrown"};
}

// Closed spheres only: no line, so each sphere has its inside and its outside as regions.
struct SphereCase {
  std::string name;
  std::vector<std::pair<Point<3>, double>> spheres;
  // Per block, the indices of its boundary spheres.
  std::vector<std::vector<index_t>> blocks;

  friend void PrintTo(const SphereCase& sphere_case, std::ostream* os) { *os << sphere_case.name; }
};

class SphereArrangements : public BlocksFromSurfaces,
                           public ::testing::WithParamInterface<SphereCase> {};

TEST_P(SphereArrangements, OneBlockPerInsideWithNestedShellsInTheSmallestContainer) {
  const auto& param = GetParam();
  BRep model;
  BRepBuilder builder{model};
  Ids spheres;
  for (const auto& [center, radius] : param.spheres) {
    spheres.push_back(add_sphere(builder, model, center, radius));
  }
  std::vector<BlockRelationships> expected;
  for (const auto& block : param.blocks) {
    Ids surfaces;
    for (const auto sphere : block) surfaces.push_back(spheres[sphere]);
    expected.push_back(boundaries(surfaces));
  }
  EXPECT_EQ(determine_blocks(model), expected);
}

const Point<3> origin{{0., 0., 0.}};

INSTANTIATE_TEST_SUITE_P(
    BlocksFromSurfaces, SphereArrangements,
    ::testing::Values(
        SphereCase{"One", {{origin, 1.}}, {{0}}},
        SphereCase{"TwoApart", {{origin, 1.}, {Point<3>{{3., 0., 0.}}, 1.}}, {{0}, {1}}},
        SphereCase{"Nested", {{origin, 2.}, {origin, 1.}}, {{0, 1}, {1}}},
        SphereCase{"NestedInnerFirst", {{origin, 1.}, {origin, 2.}}, {{0}, {1, 0}}},
        SphereCase{"ThreeNested",
                   {{origin, 3.}, {origin, 2.}, {origin, 1.}},
                   {{0, 1}, {1, 2}, {2}}},
        SphereCase{"TwoNestedInOne",
                   {{origin, 5.}, {Point<3>{{-2., 0., 0.}}, 1.}, {Point<3>{{2., 0., 0.}}, 1.}},
                   {{0, 1, 2}, {1}, {2}}}),
    [](const ::testing::TestParamInfo<SphereCase>& info) { return info.param.name; });

TEST_F(BlocksFromSurfaces, SharedSurfaceBoundsBothBlocks) {
  // Two unit cubes side by side, point x + 3y + 6z at (x, y, z); A's face x = 1 is shared.
  std::vector<Point<3>> points;
  for (int z = 0; z < 2; ++z) {
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x) points.push_back(Point<3>{{1. * x, 1. * y, 1. * z}});
    }
  }
  BRep model;
  BRepFromPoints maker{model, points};
  const auto quad = [&](PointChain polygon) {
    return maker.add_surface(std::vector<PointChain>{std::move(polygon)});
  };
  const Ids a{quad({0, 6, 9, 3}), quad({0, 1, 7, 6}), quad({3, 9, 10, 4}), quad({0, 3, 4, 1}),
              quad({6, 7, 10, 9})};
  const auto shared = quad({1, 4, 10, 7});
  const Ids b{quad({2, 5, 11, 8}), quad({1, 2, 8, 7}), quad({4, 10, 11, 5}), quad({1, 4, 5, 2}),
              quad({7, 8, 11, 10})};
  maker.add_lines_from_surface_borders();

  const std::vector<BlockRelationships> expected{
      boundaries({a[0], a[1], a[2], a[3], a[4], shared}),
      boundaries({shared, b[0], b[1], b[2], b[3], b[4]})};
  EXPECT_EQ(determine_blocks(model), expected);
}

TEST_F(BlocksFromSurfaces, SurfaceHangingFromTheBoundaryIsInternal) {
  // A fault rises from a line inside the bottom face and ends inside the cube.
  auto points = cube_points();
  for (const auto& point : {Point<3>{{.5, .2, 0.}}, Point<3>{{.5, .8, 0.}},
                            Point<3>{{.5, .8, .5}}, Point<3>{{.5, .2, .5}}}) {
    points.push_back(point);
  }
  BRep model;
  BRepFromPoints maker{model, points};
  const auto faces = add_cube_faces(maker, {{0, 1, 8}, {1, 3, 9, 8}, {3, 2, 9}, {2, 0, 8, 9}});
  const auto fault = maker.add_surface(std::vector<PointChain>{{8, 9, 10, 11}});
  maker.add_lines_from_surface_borders();

  auto expected = boundaries(faces);
  expected.internal_surfaces = {fault};
  EXPECT_EQ(determine_blocks(model), std::vector<BlockRelationships>{expected});
}

// A cube holding a floating square, a free line and a free corner, with a line and a corner
// outside it.
struct CubeWithFreeComponents {
  CubeWithFreeComponents() {
    auto points = cube_points();
    for (const auto& point :
         {Point<3>{{.2, .2, .5}}, Point<3>{{.8, .2, .5}}, Point<3>{{.8, .8, .5}},
          Point<3>{{.2, .8, .5}}, Point<3>{{.3, .3, .2}}, Point<3>{{.7, .3, .2}},
          Point<3>{{.5, .5, .8}}, Point<3>{{2., 2., 2.}}, Point<3>{{3., 2., 2.}},
          Point<3>{{5., 5., 5.}}}) {
      points.push_back(point);
    }
    BRepFromPoints maker{model, points};
    faces = add_cube_faces(maker);
    square = maker.add_surface(std::vector<PointChain>{{8, 9, 10, 11}});
    maker.add_lines_from_surface_borders();
    inner_line = maker.add_line({12, 13});
    inner_corner = maker.add_corner(14);
    maker.add_line({15, 16});
    maker.add_corner(17);
  }

  BlockRelationships expected() const {
    auto result = boundaries(faces);
    result.internal_surfaces = {square};
    result.internal_lines = {inner_line};
    result.internal_corners = {inner_corner};
    return result;
  }

  BRep model;
  Ids faces;
  uuid square;
  uuid inner_line;
  uuid inner_corner;
};

TEST_F(BlocksFromSurfaces, FloatingSurfaceLineAndCornerGoToTheirBlockAndOutsideOnesAreDropped) {
  CubeWithFreeComponents cube;
  EXPECT_EQ(determine_blocks(cube.model), std::vector<BlockRelationships>{cube.expected()});
}

TEST_F(BlocksFromSurfaces, OpenSurfaceGivesNoBlock) {
  BRep model;
  BRepFromPoints maker{model, cube_points()};
  maker.add_surface(std::vector<PointChain>{{0, 2, 3, 1}});
  maker.add_lines_from_surface_borders();
  LogCapture log;
  EXPECT_TRUE(determine_blocks(model).empty());
  EXPECT_EQ(log.lines(),
            (std::vector<LogCapture::Line>{
                {Logger::LEVEL::info,
                 "[BRepBlocksFinder::determine_blocks] No Block were determined"}}));
}

TEST_F(BlocksFromSurfaces, ModelWithoutSurfaceHasNoInvertedRegion) {
  BRep model;
  BRepBuilder builder{model};
  builder.add_line();
  const auto exception =
      expect_throw<VeyraConversionModelException>([&] { determine_blocks(model); });
  EXPECT_STREQ(exception.what(),
               "[BRepBlocksBuilder::remove_inverted_blocks] No inverted Block found");
  EXPECT_EQ(exception.type(), OstrelException::TYPE::internal);
  EXPECT_EQ(exception.data().type(), typeid(std::nullptr_t));

  LogCapture log;
  build_blocks(model, builder);
  EXPECT_EQ(model.nb_blocks(), 0);
  EXPECT_EQ(log.lines(),
            (std::vector<LogCapture::Line>{
                {Logger::LEVEL::warn,
                 "[build_blocks] Cannot build BRep blocks without surface or with existing "
                 "blocks"}}));
}

TEST_F(BlocksFromSurfaces, UnplaceableSurfaceOrLineFails) {
  const Point<3> start{{.2, .5, .5}};
  {
    // A surface of one flat triangle: both its sides are dropped regions, and no polygon can
    // be tested.
    auto points = cube_points();
    points.insert(points.end(), {start, Point<3>{{.5, .5, .5}}, Point<3>{{.8, .5, .5}}});
    BRep model;
    BRepFromPoints maker{model, points};
    add_cube_faces(maker);
    maker.add_lines_from_surface_borders();
    const auto flat = maker.add_surface(std::vector<PointChain>{{8, 9, 10}});
    const auto exception =
        expect_throw<VeyraConversionModelException>([&] { determine_blocks(model); });
    EXPECT_EQ(std::string{exception.what()},
              "[surface_has_point_in_block] Cannot confirm if surface " + flat.string() +
                  " has point in block, you should check the surface geometry before going "
                  "further.");
    EXPECT_EQ(exception.type(), OstrelException::TYPE::internal);
    ASSERT_EQ(exception.data().type(), typeid(Point<3>));
    EXPECT_EQ(std::any_cast<Point<3>>(exception.data()), start);
  }
  {
    auto points = cube_points();
    points.insert(points.end(), {start, start});
    BRep model;
    BRepFromPoints maker{model, points};
    add_cube_faces(maker);
    maker.add_lines_from_surface_borders();
    const auto line = maker.add_line({8, 9});
    const auto exception =
        expect_throw<VeyraConversionModelException>([&] { determine_blocks(model); });
    EXPECT_EQ(std::string{exception.what()},
              "[line_has_point_in_block] Cannot confirm if line " + line.string() +
                  " has point in block, you should check the line geometry before going "
                  "further.");
    ASSERT_EQ(exception.data().type(), typeid(Point<3>));
    EXPECT_EQ(std::any_cast<Point<3>>(exception.data()), start);
  }
}

TEST_F(BlocksFromSurfaces, BuildBlocksCreatesTheBlocksOnce) {
  CubeWithFreeComponents cube;
  BRepBuilder builder{cube.model};
  build_blocks(cube.model, builder);
  ASSERT_EQ(cube.model.nb_blocks(), 1);
  const auto& block = *cube.model.blocks().begin();
  const auto ids = [](const auto& range) {
    Ids result;
    for (const auto& component : range) result.push_back(component.id());
    return result;
  };
  const auto expected = cube.expected();
  EXPECT_EQ(ids(cube.model.boundaries(block)), expected.boundary_surfaces);
  EXPECT_EQ(ids(cube.model.internal_surfaces(block)), expected.internal_surfaces);
  EXPECT_EQ(ids(cube.model.internal_lines(block)), expected.internal_lines);
  EXPECT_EQ(ids(cube.model.internal_corners(block)), expected.internal_corners);
  EXPECT_EQ(block.mesh().nb_vertices(), 0);
  EXPECT_FALSE(block.name().has_value());

  LogCapture log;
  build_blocks(cube.model, builder);
  EXPECT_EQ(cube.model.nb_blocks(), 1);
  ASSERT_EQ(log.lines().size(), 1);
  EXPECT_EQ(log.lines().front().level, Logger::LEVEL::warn);
}

TEST_F(BlocksFromSurfaces, BuildBlocksFromRecordsReturnsIdsInOrder) {
  BRep model;
  BRepBuilder builder{model};
  EXPECT_TRUE(build_blocks(model, builder, {}).empty());
  EXPECT_EQ(model.nb_blocks(), 0);

  const auto first = add_sphere(builder, model, origin, 2.);
  const auto second = add_sphere(builder, model, origin, 1.);
  const std::vector<BlockRelationships> records{boundaries({first, second}), boundaries({second})};
  const auto ids = build_blocks(model, builder, records);
  ASSERT_EQ(ids.size(), 2);
  EXPECT_TRUE(model.is_boundary(model.surface(first), model.block(ids[0])));
  EXPECT_TRUE(model.is_boundary(model.surface(second), model.block(ids[0])));
  EXPECT_EQ(model.nb_boundaries(model.block(ids[1])), 1);
  EXPECT_TRUE(model.is_boundary(model.surface(second), model.block(ids[1])));
}

}  // namespace
}  // namespace veyra
