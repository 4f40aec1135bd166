// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/geometry/bounding_box.h>

namespace veyra {
namespace {

BoundingBox<3> unit_box() {
  return {Point<3>{{0., 0., 0.}}, Point<3>{{1., 1., 1.}}};
}

TEST(BoundingBox, GrowsAndContainsInclusively) {
  BoundingBox<3> box;
  EXPECT_TRUE(box.is_empty());
  EXPECT_FALSE(box.contains(Point<3>{}));
  EXPECT_FALSE(box.intersects(unit_box()));
  box.add_point(Point<3>{{1., -2., 3.}});
  EXPECT_FALSE(box.is_empty());
  EXPECT_TRUE(box.contains(Point<3>{{1., -2., 3.}}));
  box.add_point(Point<3>{{-1., 2., 0.}});
  EXPECT_EQ(box.min(), (Point<3>{{-1., -2., 0.}}));
  EXPECT_EQ(box.max(), (Point<3>{{1., 2., 3.}}));
  EXPECT_EQ(box.center(), (Point<3>{{0., 0., 1.5}}));
  EXPECT_EQ(box.diagonal(), (Vector<3>{{2., 4., 3.}}));
  box.add_box(BoundingBox<3>{});
  EXPECT_EQ(box.min(), (Point<3>{{-1., -2., 0.}}));
  box.add_box(unit_box());
  EXPECT_EQ(box.max(), (Point<3>{{1., 2., 3.}}));

  const auto unit = unit_box();
  EXPECT_TRUE(unit.contains(Point<3>{{1., 0., 0.5}}));
  EXPECT_FALSE(unit.contains(Point<3>{{1. + 1e-12, 0., 0.5}}));
  EXPECT_TRUE(unit.contains(unit));
  EXPECT_TRUE(box.contains(unit));
  EXPECT_FALSE(unit.contains(box));
  EXPECT_TRUE(unit.contains(BoundingBox<3>{}));
}

TEST(BoundingBox, IntersectsBoxes) {
  const auto unit = unit_box();
  struct Case {
    Point<3> min;
    Point<3> max;
    bool expected;
  };
  const Case cases[] = {
      {Point<3>{{0.5, 0.5, 0.5}}, Point<3>{{2., 2., 2.}}, true},
      {Point<3>{{1., 0., 0.}}, Point<3>{{2., 1., 1.}}, true},  // shared face
      {Point<3>{{1., 1., 1.}}, Point<3>{{2., 2., 2.}}, true},  // shared corner
      {Point<3>{{1.001, 0., 0.}}, Point<3>{{2., 1., 1.}}, false},
      {Point<3>{{-1., -1., 2.}}, Point<3>{{2., 2., 3.}}, false},  // apart along z only
      {Point<3>{{0.2, 0.2, 0.2}}, Point<3>{{0.3, 0.3, 0.3}}, true},
  };
  for (const auto& test : cases) {
    const BoundingBox<3> other{test.min, test.max};
    EXPECT_EQ(unit.intersects(other), test.expected) << test.min.string();
    EXPECT_EQ(other.intersects(unit), test.expected) << test.min.string();
  }
}

TEST(BoundingBox, IntersectsRays) {
  const auto unit = unit_box();
  struct Case {
    Point<3> origin;
    Vector<3> direction;
    bool expected;
  };
  const Case cases[] = {
      {Point<3>{{-1., 0.5, 0.5}}, Vector<3>{{1., 0., 0.}}, true},
      {Point<3>{{-1., 0.5, 0.5}}, Vector<3>{{-1., 0., 0.}}, false},  // points away
      {Point<3>{{0.5, 0.5, 0.5}}, Vector<3>{{0., 0., -1.}}, true},   // origin inside
      {Point<3>{{-1., 1.5, 0.5}}, Vector<3>{{1., 0., 0.}}, false},   // parallel, outside slab
      {Point<3>{{-1., 1., 0.5}}, Vector<3>{{1., 0., 0.}}, true},     // along a face
      {Point<3>{{-1., -1., -1.}}, Vector<3>{{1., 1., 1.}}, true},    // through two corners
      {Point<3>{{2., 0., 0.5}}, Vector<3>{{-1., 1., 0.}}, true},     // touches edge (1, 1)
      {Point<3>{{2.1, 0., 0.5}}, Vector<3>{{-1., 1., 0.}}, false},
      {Point<3>{{3., 3., 3.}}, Vector<3>{{1., 1., 1.}}, false},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(unit.intersects(Ray<3>{test.origin, test.direction}), test.expected)
        << test.origin.string() << " / " << test.direction.string();
  }
  EXPECT_FALSE(BoundingBox<3>{}.intersects(Ray<3>{Point<3>{}, Vector<3>{{1., 0., 0.}}}));
  EXPECT_FALSE(BoundingBox<3>{}.intersects(Ray<3>{Point<3>{}, Vector<3>{{1., -2., 3.}}}));
}

TEST(BoundingBox, DistanceToPoint) {
  const BoundingBox<2> box{Point<2>{{0., 0.}}, Point<2>{{2., 1.}}};
  EXPECT_DOUBLE_EQ(box.distance2(Point<2>{{1., 0.5}}), 0.);
  EXPECT_DOUBLE_EQ(box.distance2(Point<2>{{2., 1.}}), 0.);
  EXPECT_DOUBLE_EQ(box.distance2(Point<2>{{5., 5.}}), 25.);
  EXPECT_DOUBLE_EQ(box.distance2(Point<2>{{-1., 0.5}}), 1.);
}

}  // namespace
}  // namespace veyra
