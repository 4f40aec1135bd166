// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/geometry/orientation.h>

namespace veyra {
namespace {

Point<2> q(double x, double y) {
  return Point<2>{{x, y}};
}
Point<3> p(double x, double y, double z) {
  return Point<3>{{x, y, z}};
}

TEST(Orientation, PointSideToLine) {
  const Segment<2> line{q(0, 0), q(2, 0)};
  struct Case {
    Point<2> point;
    Side expected;
  };
  const Case cases[] = {
      {q(1, 1), Side::positive}, {q(-5, -1), Side::negative},  {q(7, 1e-6), Side::zero},
      {q(1, -1e-6), Side::zero}, {q(1, 2e-6), Side::positive},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(point_side_to_line(test.point, line), test.expected) << test.point.string();
  }
  EXPECT_EQ(point_side_to_line(q(1, 1), Segment<2>{q(0, 0), q(1e-7, 0)}), Side::zero);
}

TEST(Orientation, TrianglesAndPlanes) {
  EXPECT_EQ(triangle_orientation(Triangle<2>{q(0, 0), q(1, 0), q(0, 1)}), Side::positive);
  EXPECT_EQ(triangle_orientation(Triangle<2>{q(0, 0), q(0, 1), q(1, 0)}), Side::negative);
  EXPECT_EQ(triangle_orientation(Triangle<2>{q(0, 0), q(1, 0), q(2, 5e-7)}), Side::zero);

  const Triangle<3> triangle{p(0, 0, 0), p(1, 0, 0), p(0, 1, 0)};
  EXPECT_EQ(point_side_to_plane(p(5, 5, 1), triangle), Side::positive);
  EXPECT_EQ(point_side_to_plane(p(5, 5, -1e-5), triangle), Side::negative);
  EXPECT_EQ(point_side_to_plane(p(5, 5, 1e-6), triangle), Side::zero);
  EXPECT_EQ(point_side_to_plane(p(5, 5, 1), Triangle<3>{p(0, 0, 0), p(1, 0, 0), p(2, 0, 0)}),
            Side::zero);
}

}  // namespace
}  // namespace veyra
