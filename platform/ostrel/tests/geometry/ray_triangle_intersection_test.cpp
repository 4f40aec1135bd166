// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/geometry/ray_triangle_intersection.h>

namespace veyra {
namespace {

Point<3> p(double x, double y, double z) {
  return Point<3>{{x, y, z}};
}
Vector<3> v(double x, double y, double z) {
  return Vector<3>{{x, y, z}};
}

const Triangle<3> triangle{p(0, 0, 0), p(1, 0, 0), p(0, 1, 0)};
const Vector<3> down{{0., 0., -1.}};

struct Case {
  const char* name;
  Ray<3> ray;
  RayTriangleStatus status;
};

TEST(RayTriangleIntersection, ClassifiesContacts) {
  using enum RayTriangleStatus;
  const Case cases[] = {
      {"through the interior", {p(0.25, 0.25, 2), down}, crossing},
      {"from below", {p(0.25, 0.25, -2), v(0, 0, 1)}, crossing},
      {"slanted", {p(-0.75, 0.25, 1), v(1, 0, -1)}, crossing},
      {"facing away", {p(0.25, 0.25, 2), v(0, 0, 1)}, none},
      {"beside", {p(2, 2, 1), down}, none},
      {"through an edge", {p(0.5, 0, 1), down}, near_boundary},
      {"just inside an edge", {p(0.5, 0.9e-6, 1), down}, near_boundary},
      {"just outside an edge", {p(0.5, -0.9e-6, 1), down}, near_boundary},
      {"outside an edge", {p(0.5, -2e-6, 1), down}, none},
      {"clearly inside an edge", {p(0.5, 2e-6, 1), down}, crossing},
      {"through a vertex", {p(1, 0, 1), down}, near_boundary},
      // Within the tolerance of both edge lines at vertex (1, 0) but 1.13e-6 from the vertex.
      {"off an acute vertex", {p(1 + 0.8e-6, -0.8e-6, 1), down}, none},
      {"in the plane, across", {p(-1, 0.25, 0), v(1, 0, 0)}, near_parallel},
      {"parallel, within tolerance", {p(-1, 0.25, 0.5e-6), v(1, 0, 0)}, near_parallel},
      {"parallel, above", {p(-1, 0.25, 1e-3), v(1, 0, 0)}, none},
      {"in the plane, leaving", {p(-1, 0.25, 0), v(-1, 0, 0)}, none},
      {"in the plane, missing", {p(-1, 2, 0), v(1, 0, 0)}, none},
      {"origin on the triangle", {p(0.25, 0.25, 0), down}, near_origin},
      {"origin near the triangle", {p(0.25, 0.25, 0.5e-6), v(1, 1, 1)}, near_origin},
  };
  for (const auto& test : cases) {
    const auto result = ray_triangle_intersection(test.ray, triangle);
    EXPECT_EQ(result.status, test.status) << test.name;
    EXPECT_EQ(result.is_ambiguous(), test.status == near_boundary || test.status == near_parallel ||
                                         test.status == near_origin)
        << test.name;
  }
}

TEST(RayTriangleIntersection, ReportsHitDistance) {
  const auto straight = ray_triangle_intersection(Ray<3>{p(0.25, 0.25, 2), down}, triangle);
  EXPECT_DOUBLE_EQ(straight.distance, 2.);
  EXPECT_TRUE(straight.point.inexact_equal(p(0.25, 0.25, 0)));

  const auto slanted = ray_triangle_intersection(Ray<3>{p(-0.75, 0.25, 1), v(1, 0, -1)}, triangle);
  EXPECT_NEAR(slanted.distance, std::sqrt(2.), 1e-12);
  EXPECT_TRUE(slanted.point.inexact_equal(p(0.25, 0.25, 0)));

  const auto edge = ray_triangle_intersection(Ray<3>{p(0.5, 0, 3), down}, triangle);
  EXPECT_DOUBLE_EQ(edge.distance, 3.);
}

TEST(RayTriangleIntersection, SkipsDegenerateTriangles) {
  const Triangle<3> flat{p(0, 0, 0), p(1, 0, 0), p(2, 0, 0)};
  const auto result = ray_triangle_intersection(Ray<3>{p(0.5, 0, 1), down}, flat);
  EXPECT_EQ(result.status, RayTriangleStatus::degenerate);
  EXPECT_FALSE(result.is_ambiguous());
}

}  // namespace
}  // namespace veyra
