// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/geometry/degeneration.h>

namespace veyra {
namespace {

Point<3> p(double x, double y, double z) {
  return Point<3>{{x, y, z}};
}

TEST(Degeneration, Segments) {
  EXPECT_TRUE(is_segment_degenerate(Segment<3>{p(0, 0, 0), p(1e-6, 0, 0)}));
  EXPECT_FALSE(is_segment_degenerate(Segment<3>{p(0, 0, 0), p(1.1e-6, 0, 0)}));
  EXPECT_TRUE(is_segment_degenerate(Segment<2>{Point<2>{{3., 3.}}, Point<2>{{3., 3.}}}));
}

TEST(Degeneration, Triangles) {
  struct Case {
    Triangle<3> triangle;
    bool expected;
  };
  const Case cases[] = {
      {{p(0, 0, 0), p(1, 0, 0), p(0, 1, 0)}, false},
      {{p(0, 0, 0), p(2, 0, 0), p(1, 1e-6, 0)}, true},      // apex on the tolerance
      {{p(0, 0, 0), p(2, 0, 0), p(1, 0, 2e-6)}, false},     // apex just beyond it
      {{p(0, 0, 0), p(2, 0, 0), p(3, 5e-7, 0)}, true},      // vertex beyond the "base" edge
      {{p(1, 1, 1), p(1, 1, 1), p(1, 1, 1 + 1e-7)}, true},  // all coincident
      {{p(0, 0, 0), p(0, 0, 0), p(1, 0, 0)}, true},         // two coincident
      {{p(0, 0, 0), p(1e-5, 0, 0), p(0, 1e-5, 0)}, false},  // small but valid
  };
  for (const auto& test : cases) {
    const auto& v = test.triangle.vertices;
    EXPECT_EQ(is_triangle_degenerate(test.triangle), test.expected)
        << v[0].string() << " / " << v[1].string() << " / " << v[2].string();
    // The answer does not depend on which vertex comes first.
    EXPECT_EQ(is_triangle_degenerate(Triangle<3>{v[1], v[2], v[0]}), test.expected);
  }
  EXPECT_TRUE(is_polygon_degenerate<3>({p(0, 0, 0), p(1, 0, 0), p(2, 5e-7, 0), p(3, 0, 0)}));
  EXPECT_FALSE(is_polygon_degenerate<3>({p(0, 0, 0), p(1, 0, 0), p(2, 5e-6, 0), p(3, 0, 0)}));
  EXPECT_TRUE(is_polygon_degenerate<2>({}));
}

TEST(Degeneration, Tetrahedra) {
  struct Case {
    Tetrahedron tetrahedron;
    bool expected;
  };
  const Case cases[] = {
      {{p(0, 0, 0), p(1, 0, 0), p(0, 1, 0), p(0, 0, 1)}, false},
      {{p(0, 0, 0), p(1, 0, 0), p(0, 1, 0), p(0.3, 0.3, 1e-6)}, true},  // flat within tolerance
      {{p(0, 0, 0), p(1, 0, 0), p(0, 1, 0), p(0.3, 0.3, 2e-6)}, false},
      {{p(0, 0, 0), p(1, 0, 0), p(2, 0, 0), p(0, 0, 1)}, true},  // three collinear vertices
      {{p(0, 0, 0), p(0, 0, 0), p(0, 1, 0), p(0, 0, 1)}, true},
  };
  for (const auto& test : cases) {
    const auto& v = test.tetrahedron.vertices;
    EXPECT_EQ(is_tetrahedron_degenerate(test.tetrahedron), test.expected) << v[3].string();
    EXPECT_EQ(is_tetrahedron_degenerate(Tetrahedron{v[3], v[2], v[0], v[1]}), test.expected);
  }
}

}  // namespace
}  // namespace veyra
