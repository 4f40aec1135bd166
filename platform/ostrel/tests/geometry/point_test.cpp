// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_set.h>
#include <gtest/gtest.h>
#include <ostrel/geometry/vector.h>

#include <cmath>
#include <functional>

namespace veyra {
namespace {

void expect_division_error(const std::function<void()>& divide) {
  try {
    divide();
    ADD_FAILURE() << "no exception";
  } catch (const OstrelGeometryException& error) {
    EXPECT_STREQ(error.what(), "[Point::operator/] Cannot divide Point by something close to zero");
    EXPECT_EQ(error.type(), OstrelException::TYPE::internal);
    EXPECT_EQ(error.library(), "Geometry");
  }
}

TEST(Point, Arithmetic) {
  const Point<3> a{{1., 2., 3.}};
  const Point<3> b{{4., -5., 6.5}};
  EXPECT_EQ(a + b, (Point<3>{{5., -3., 9.5}}));
  EXPECT_EQ(b - a, (Point<3>{{3., -7., 3.5}}));
  EXPECT_EQ(a * 2., (Point<3>{{2., 4., 6.}}));
  EXPECT_EQ(2. * a, a * 2.);
  EXPECT_EQ(b / 2., (Point<3>{{2., -2.5, 3.25}}));
  EXPECT_EQ(-a, (Point<3>{{-1., -2., -3.}}));
  auto c = a;
  c += b;
  c -= a;
  c *= 4.;
  c /= 2.;
  EXPECT_EQ(c, b * 2.);
  EXPECT_EQ(Point<2>{}, (Point<2>{{0., 0.}}));
}

TEST(Point, DivisionCloseToZeroThrows) {
  const Point<3> point{{1., 2., 3.}};
  for (const double divider : {0., 1e-6, -1e-6, 1e-7, -0., std::nan("")}) {
    SCOPED_TRACE(divider);
    expect_division_error([&] { (void)(point / divider); });
    expect_division_error([&] {
      auto copy = point;
      copy /= divider;
    });
  }
  EXPECT_EQ(point / 2e-6, point * 5e5);
  // normalize divides by the length, so a short vector throws the same error.
  expect_division_error([] { (void)Vector<3>{{1e-6, 0., 0.}}.normalize(); });
  expect_division_error([] { (void)Vector<2>{}.normalize(); });
  EXPECT_EQ((Vector<2>{{2e-6, 0.}}).normalize(), (Vector<2>{{1., 0.}}));
}

TEST(Point, InexactEqualUsesInclusiveTolerance) {
  struct Case {
    Point<3> other;
    bool expected;
  };
  const Point<3> origin;
  const Case cases[] = {
      {Point<3>{{1e-6, 0., 0.}}, true},          {Point<3>{{0., 0., -1e-6}}, true},
      {Point<3>{{1.0000001e-6, 0., 0.}}, false}, {Point<3>{{8e-7, 8e-7, 0.}}, false},
      {Point<3>{{5e-7, 5e-7, 5e-7}}, true},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.other.string());
    EXPECT_EQ(origin.inexact_equal(test.other), test.expected);
    EXPECT_EQ(test.other.inexact_equal(origin), test.expected);
  }
  EXPECT_TRUE((Point<2>{{1., 1.}}).inexact_equal(Point<2>{{1. + 1e-7, 1.}}));
  EXPECT_FALSE((Point<2>{{1., 1.}}) == (Point<2>{{1. + 1e-7, 1.}}));
}

TEST(Point, StringWritesEachCoordinateAsStrCat) {
  EXPECT_EQ((Point<3>{{1., 2.5, -3.}}).string(), "1 2.5 -3");
  EXPECT_EQ((Point<2>{{1e-7, 0.}}).string(), "1e-07 0");
  EXPECT_EQ((Point<3>{{123456789., 0.1, -0.}}).string(), "1.23457e+08 0.1 -0");
}

TEST(Point, HashAndOrder) {
  absl::flat_hash_set<Point<3>> set{Point<3>{{0., 1., 2.}}, Point<3>{{-0., 1., 2.}},
                                    Point<3>{{0., 1., 2.5}}};
  EXPECT_EQ(set.size(), 2);
  EXPECT_TRUE((Point<2>{{0., 5.}}) < (Point<2>{{1., 0.}}));
  EXPECT_TRUE((Point<2>{{1., 0.}}) < (Point<2>{{1., 1.}}));
  EXPECT_FALSE((Point<2>{{1., 1.}}) < (Point<2>{{1., 1.}}));
}

TEST(Vector, Products) {
  const Vector<3> x{{1., 0., 0.}};
  const Vector<3> y{{0., 1., 0.}};
  EXPECT_EQ(cross(x, y), (Vector<3>{{0., 0., 1.}}));
  EXPECT_EQ(y.cross(x), (Vector<3>{{0., 0., -1.}}));
  const Vector<3> v{{3., 4., 12.}};
  EXPECT_DOUBLE_EQ(v.length(), 13.);
  EXPECT_DOUBLE_EQ(v.length2(), 169.);
  EXPECT_DOUBLE_EQ(dot(v, Vector<3>{{1., 2., 3.}}), 47.);
  EXPECT_DOUBLE_EQ(v.normalize().length(), 1.);
  EXPECT_EQ(Vector<2>(Point<2>{{1., 2.}}, Point<2>{{4., 6.}}), (Vector<2>{{3., 4.}}));
  EXPECT_DOUBLE_EQ(dot_perpendicular(Vector<2>{{1., 0.}}, Vector<2>{{0., 2.}}), 2.);
  // Vector arithmetic stays a vector; a point plus a vector is a point.
  const Vector<3> sum = x + y * 2. - x / 2.;
  EXPECT_EQ(sum, (Vector<3>{{0.5, 2., 0.}}));
  const Point<3> moved = Point<3>{{1., 1., 1.}} + sum;
  EXPECT_EQ(moved, (Point<3>{{1.5, 3., 1.}}));
}

}  // namespace
}  // namespace veyra
