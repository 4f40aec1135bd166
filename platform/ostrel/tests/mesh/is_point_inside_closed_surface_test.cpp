// SPDX-License-Identifier: MIT
#include <ostrel/mesh/is_point_inside_closed_surface.h>

#include <gtest/gtest.h>

#include <string>

#include <ostrel/mesh/mesh_aabb_tree.h>
#include <ostrel/mesh/triangulate_surface_mesh.h>

#include "surface_fixtures.h"

namespace veyra {
namespace {

const Vector<3>& first_direction() { return inside_test_ray_directions()[0]; }

void expect_on_surface(const Point<3>& point, const SurfaceMesh<3>& surface,
                       const AABBTree<3>& tree) {
  try {
    is_point_inside_closed_surface(point, surface, tree);
    FAIL() << "no exception for " << point.string();
  } catch (const OstrelGeometryException& error) {
    EXPECT_EQ(error.type(), OstrelException::TYPE::internal);
    EXPECT_EQ(std::string{error.what()}, "[is_point_inside_closed_surface] Point is on the surface");
  }
}

TEST(IsPointInsideClosedSurface, Cube) {
  struct Case {
    const char* name;
    Point<3> point;
    bool inside;
  };
  const std::vector<Case> cases{
      {"centre", Point<3>{{0.5, 0.5, 0.5}}, true},
      {"outside", Point<3>{{2., 0.5, 0.5}}, false},
      {"outside below a corner", Point<3>{{-0.3, -0.2, -0.1}}, false},
      {"1e-4 inside a face", Point<3>{{0.3, 0.6, 1e-4}}, true},
      {"1e-4 outside a face", Point<3>{{0.3, 0.6, -1e-4}}, false},
      // The first ray goes exactly through a cube vertex, then through an edge: another
      // direction decides.
      {"first ray through a vertex", Point<3>{{1., 1., 1.}} - first_direction() * 0.3, true},
      {"first ray through an edge", Point<3>{{1., 0.5, 1.}} - first_direction() * 0.3, true},
      {"first ray grazing a vertex from outside",
       Point<3>{{0., 0., 1.}} - first_direction() * 0.5, false},
  };
  // Quads, then the same cube split into triangles (with face diagonals for rays to graze).
  auto quads = test::make_surface(test::unit_cube_points(), test::unit_cube_quads());
  auto triangles = test::make_surface(test::unit_cube_points(), test::unit_cube_quads(), false);
  triangulate_surface_mesh(*triangles);
  for (const auto* surface : {quads.get(), triangles.get()}) {
    const auto tree = create_aabb_tree(*surface);
    EXPECT_EQ(tree.nb_bboxes(), surface->nb_polygons());
    for (const auto& test : cases) {
      SCOPED_TRACE(test.name);
      EXPECT_EQ(is_point_inside_closed_surface(test.point, *surface, tree), test.inside);
    }
    expect_on_surface(Point<3>{{0.5, 0.25, 1.}}, *surface, tree);
    expect_on_surface(Point<3>{{1., 1., 1. + 5e-7}}, *surface, tree);
  }
}

TEST(IsPointInsideClosedSurface, Sphere) {
  const auto sphere = test::make_sphere(24, 12);
  const auto tree = create_aabb_tree(*sphere);
  EXPECT_TRUE(is_point_inside_closed_surface(Point<3>{}, *sphere, tree));
  EXPECT_TRUE(is_point_inside_closed_surface(Point<3>{{0.1, -0.2, 0.9}}, *sphere, tree));
  EXPECT_FALSE(is_point_inside_closed_surface(Point<3>{{0.8, 0.8, 0.8}}, *sphere, tree));
  EXPECT_FALSE(is_point_inside_closed_surface(Point<3>{{0., 0., 1.5}}, *sphere, tree));
  // 1e-4 on each side of a triangle, off its edges.
  for (const index_t polygon : {0u, 7u, 100u}) {
    const auto centre = sphere->polygon_barycenter(polygon);
    const auto normal = *sphere->polygon_normal(polygon);
    EXPECT_TRUE(is_point_inside_closed_surface(centre - normal * 1e-4, *sphere, tree));
    EXPECT_FALSE(is_point_inside_closed_surface(centre + normal * 1e-4, *sphere, tree));
    expect_on_surface(centre, *sphere, tree);
  }
  expect_on_surface(sphere->point(5), *sphere, tree);
}

TEST(IsPointInsideClosedSurface, SeveralSurfacesBoundOneVolume) {
  // The cube's six faces as two surfaces.
  const auto& quads = test::unit_cube_quads();
  auto bottom = test::make_surface(test::unit_cube_points(), {quads[0], quads[2], quads[4]});
  auto top = test::make_surface(test::unit_cube_points(), {quads[1], quads[3], quads[5]});
  const auto bottom_tree = create_aabb_tree(*bottom);
  const auto top_tree = create_aabb_tree(*top);
  const SurfaceWithTree pieces[] = {{*bottom, bottom_tree}, {*top, top_tree}};
  EXPECT_TRUE(is_point_inside_closed_surfaces(Point<3>{{0.2, 0.7, 0.4}}, pieces));
  EXPECT_FALSE(is_point_inside_closed_surfaces(Point<3>{{1.2, 0.7, 0.4}}, pieces));
  // One half alone is not closed: the answer follows the parity of what is there.
  EXPECT_FALSE(is_point_inside_closed_surface(Point<3>{{1.2, 0.7, 0.4}}, *bottom, bottom_tree));
}

}  // namespace
}  // namespace veyra
