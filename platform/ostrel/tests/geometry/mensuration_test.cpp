// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/geometry/mensuration.h>

#include <vector>

namespace veyra {
namespace {

const Point<3> o{{0., 0., 0.}};
const Point<3> x{{1., 0., 0.}};
const Point<3> y{{0., 1., 0.}};
const Point<3> z{{0., 0., 1.}};

TEST(Mensuration, TetrahedronSignedVolumeFollowsRightHandRule) {
  EXPECT_DOUBLE_EQ(tetrahedron_signed_volume(Tetrahedron{o, x, y, z}), 1. / 6.);
  EXPECT_DOUBLE_EQ(tetrahedron_signed_volume(Tetrahedron{o, y, x, z}), -1. / 6.);
  EXPECT_DOUBLE_EQ(tetrahedron_signed_volume(Tetrahedron{o, x, y, z * -2.}), -1. / 3.);
  EXPECT_DOUBLE_EQ(tetrahedron_volume(Tetrahedron{o, y, x, z}), 1. / 6.);
  // Flat and collapsed tetrahedra give zero instead of failing.
  EXPECT_DOUBLE_EQ(tetrahedron_signed_volume(Tetrahedron{o, x, y, x + y}), 0.);
  EXPECT_DOUBLE_EQ(tetrahedron_signed_volume(Tetrahedron{o, o, o, o}), 0.);
}

TEST(Mensuration, TriangleAreaAndNormal) {
  EXPECT_DOUBLE_EQ(triangle_area(Triangle<3>{o, x * 2., z * 3.}), 3.);
  EXPECT_DOUBLE_EQ(
      triangle_signed_area(Triangle<2>{Point<2>{{0., 0.}}, Point<2>{{2., 0.}}, Point<2>{{0., 1.}}}),
      1.);
  EXPECT_DOUBLE_EQ(
      triangle_signed_area(Triangle<2>{Point<2>{{0., 0.}}, Point<2>{{0., 1.}}, Point<2>{{2., 0.}}}),
      -1.);
  EXPECT_DOUBLE_EQ(
      triangle_area(Triangle<2>{Point<2>{{0., 0.}}, Point<2>{{0., 1.}}, Point<2>{{2., 0.}}}), 1.);

  EXPECT_EQ(triangle_normal(Triangle<3>{o, x, y}), (Vector<3>{{0., 0., 1.}}));
  EXPECT_EQ(triangle_normal(Triangle<3>{o, y, x}), (Vector<3>{{0., 0., -1.}}));
  // A small triangle that is not degenerate still has a unit normal.
  const auto small = triangle_normal(Triangle<3>{o, x * 1e-5, z * 1e-5});
  ASSERT_TRUE(small.has_value());
  EXPECT_NEAR(small->value(1), -1., 1e-12);
  EXPECT_FALSE(triangle_normal(Triangle<3>{o, x, x * 2. + z * 1e-6}).has_value());
  EXPECT_FALSE(triangle_normal(Triangle<3>{o, o, o}).has_value());
}

TEST(Mensuration, PolygonNormal) {
  struct Case {
    std::vector<Point<3>> vertices;
    std::optional<Vector<3>> expected;
  };
  const Case cases[] = {
      {{o, x, x + y, y}, Vector<3>{{0., 0., 1.}}},
      {{o, y, y + z, z}, Vector<3>{{1., 0., 0.}}},
      // L shape, clockwise seen from +z: the reflex corner does not change the answer.
      {{o, y * 2., y * 2. + x, y + x, y + x * 2., x * 2.}, Vector<3>{{0., 0., -1.}}},
      {{o, x, x * 2., x * 3.}, std::nullopt},
      {{o, x}, std::nullopt},
      // A figure-eight whose two loops cancel.
      {{o, x, y, x + y}, std::nullopt},
  };
  for (const auto& test : cases) {
    const auto normal = polygon_normal(test.vertices);
    ASSERT_EQ(normal.has_value(), test.expected.has_value());
    if (normal) {
      for (local_index_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(normal->value(i), test.expected->value(i), 1e-12);
      }
    }
  }
}

}  // namespace
}  // namespace veyra
