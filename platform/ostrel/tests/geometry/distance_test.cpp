// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/geometry/distance.h>

#include <cmath>

namespace veyra {
namespace {

Point<3> p(double x, double y, double z) {
  return Point<3>{{x, y, z}};
}

TEST(Distance, PointSegmentAndLine) {
  const Segment<3> segment{p(0, 0, 0), p(2, 0, 0)};
  EXPECT_DOUBLE_EQ(point_segment_distance(p(1, 3, 4), segment), 5.);
  EXPECT_DOUBLE_EQ(point_segment_distance(p(5, 4, 0), segment), 5.);
  EXPECT_DOUBLE_EQ(point_segment_distance(p(-3, 0, 4), segment), 5.);
  EXPECT_EQ(point_segment_projection(p(1.5, 1, 1), segment), p(1.5, 0, 0));
  EXPECT_DOUBLE_EQ(point_line_distance(p(5, 3, 4), segment), 5.);
  EXPECT_DOUBLE_EQ(point_segment_distance(p(1, 1, 0), Segment<3>{p(0, 0, 0), p(0, 0, 0)}),
                   std::sqrt(2.));
  EXPECT_DOUBLE_EQ(point_point_distance(p(1, 2, 3), p(4, 6, 3)), 5.);
}

TEST(Distance, PointTriangle) {
  const Triangle<3> triangle{p(0, 0, 0), p(4, 0, 0), p(0, 4, 0)};
  struct Case {
    Point<3> point;
    double distance;
    Point<3> nearest;
  };
  const Case cases[] = {
      {p(1, 1, 3), 3., p(1, 1, 0)},             // above the face
      {p(1, 1, -2), 2., p(1, 1, 0)},            // below the face
      {p(2, -3, 4), 5., p(2, 0, 0)},            // edge region
      {p(3, 3, 0), std::sqrt(2.), p(2, 2, 0)},  // hypotenuse region
      {p(-3, -4, 0), 5., p(0, 0, 0)},           // vertex region
      {p(7, -4, 0), 5., p(4, 0, 0)},            // vertex region
  };
  for (const auto& test : cases) {
    const auto [distance, nearest] = point_triangle_distance(test.point, triangle);
    EXPECT_NEAR(distance, test.distance, 1e-12) << test.point.string();
    EXPECT_TRUE(nearest.inexact_equal(test.nearest)) << nearest.string();
  }
  // In 2D a point inside the triangle is its own nearest point.
  const Triangle<2> flat{Point<2>{{0., 0.}}, Point<2>{{4., 0.}}, Point<2>{{0., 4.}}};
  const auto [inside, itself] = point_triangle_distance(Point<2>{{1., 1.}}, flat);
  EXPECT_DOUBLE_EQ(inside, 0.);
  EXPECT_EQ(itself, (Point<2>{{1., 1.}}));
  // A collinear triangle is measured as its edges.
  const auto [collinear, on_edge] =
      point_triangle_distance(p(3, 2, 0), Triangle<3>{p(0, 0, 0), p(1, 0, 0), p(4, 0, 0)});
  EXPECT_DOUBLE_EQ(collinear, 2.);
  EXPECT_EQ(on_edge, p(3, 0, 0));
}

TEST(Distance, SegmentSegment) {
  struct Case {
    Segment<3> segment0;
    Segment<3> segment1;
    double expected;
  };
  const Case cases[] = {
      {{p(0, 0, 0), p(2, 0, 0)}, {p(1, -1, 0), p(1, 1, 0)}, 0.},  // crossing
      {{p(0, 0, 0), p(2, 0, 0)}, {p(1, -1, 3), p(1, 1, 3)}, 3.},  // skew
      {{p(0, 0, 0), p(2, 0, 0)}, {p(0, 1, 0), p(2, 1, 0)}, 1.},   // parallel
      {{p(0, 0, 0), p(2, 0, 0)}, {p(5, 4, 0), p(9, 4, 0)}, 5.},   // collinear-ish, apart
      {{p(0, 0, 0), p(2, 0, 0)}, {p(3, 0, 0), p(3, 0, 0)}, 1.},   // point segment
      {{p(0, 0, 0), p(0, 0, 0)}, {p(0, 3, 4), p(0, 3, 4)}, 5.},   // two points
      {{p(0, 0, 0), p(1, 0, 0)}, {p(2, -1, 0), p(2, 1, 0)}, 1.},  // end against interior
  };
  for (const auto& test : cases) {
    EXPECT_NEAR(segment_segment_distance(test.segment0, test.segment1), test.expected, 1e-12);
    EXPECT_NEAR(segment_segment_distance(test.segment1, test.segment0), test.expected, 1e-12);
  }
}

}  // namespace
}  // namespace veyra
