// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/brep_ray_tracing.h>

#include <string>

#include "model_fixtures.h"

namespace veyra {
namespace {

TEST(BRepRayTracing, TellsPointsInsideACubeBlockFromPointsOutside) {
  auto cube = test::make_cube();
  auto& brep = cube.brep;
  BRepBuilder builder{brep};
  // A square at z = 0.5 across the whole block, internal to it: rays from below cross it, so
  // counting it would flip the answers.
  const auto inner = builder.add_surface();
  {
    auto mesh = builder.surface_mesh_builder(inner);
    for (const auto& [x, y] : {std::pair{0., 0.}, {1., 0.}, {1., 1.}, {0., 1.}}) {
      mesh->create_point(Point<3>{{x, y, 0.5}});
    }
    mesh->create_polygon(std::vector<index_t>{0, 1, 2, 3});
  }
  const auto& block = brep.block(cube.block);
  builder.add_surface_block_internal_relationship(brep.surface(inner), block);
  const auto& empty_block = brep.block(builder.add_block());

  const BRepRayTracing tracing{brep};
  struct Case {
    Point<3> point;
    bool inside;
  };
  for (const auto& [point, inside] : std::vector<Case>{{Point<3>{{0.3, 0.4, 0.3}}, true},
                                                       {Point<3>{{0.7, 0.2, 0.9}}, true},
                                                       {Point<3>{{1.5, 0.5, 0.5}}, false},
                                                       {Point<3>{{0.5, -0.2, 0.3}}, false}}) {
    SCOPED_TRACE(point.string());
    EXPECT_EQ(tracing.is_point_inside_block(point, block), inside);
    EXPECT_FALSE(tracing.is_point_inside_block(point, empty_block));
  }
  try {
    tracing.is_point_inside_block(Point<3>{{0.5, 0.5, 1.}}, block);
    FAIL() << "no exception";
  } catch (const OstrelGeometryException& error) {
    EXPECT_EQ(std::string{error.what()},
              "[is_point_inside_closed_surface] Point is on the surface");
  }
}

}  // namespace
}  // namespace veyra
