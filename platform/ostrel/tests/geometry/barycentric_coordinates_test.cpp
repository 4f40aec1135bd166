// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/geometry/barycentric_coordinates.h>

namespace veyra {
namespace {

Point<3> p(double x, double y, double z) {
  return Point<3>{{x, y, z}};
}

template <std::size_t N>
void expect_coordinates(const std::array<double, N>& actual,
                        const std::array<double, N>& expected) {
  double sum = 0.;
  for (std::size_t i = 0; i < N; ++i) {
    EXPECT_NEAR(actual[i], expected[i], 1e-12) << "coordinate " << i;
    sum += actual[i];
  }
  EXPECT_NEAR(sum, 1., 1e-12);
}

TEST(BarycentricCoordinates, Triangle) {
  const Triangle<3> triangle{p(0, 0, 0), p(2, 0, 0), p(0, 2, 0)};
  struct Case {
    Point<3> point;
    std::array<double, 3> expected;
  };
  const Case cases[] = {
      {p(0, 0, 0), {1., 0., 0.}},          {p(0.5, 0.5, 0), {0.5, 0.25, 0.25}},
      {p(0.5, 0.5, 7), {0.5, 0.25, 0.25}},  // off the plane: coordinates of the projection
      {p(4, 0, 0), {-1., 2., 0.}},          // outside: negative coordinates
      {p(1, 1, -3), {0., 0.5, 0.5}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.point.string());
    expect_coordinates(safe_triangle_barycentric_coordinates(test.point, triangle), test.expected);
  }
  const Triangle<2> flat{Point<2>{{0., 0.}}, Point<2>{{2., 0.}}, Point<2>{{0., 2.}}};
  expect_coordinates(safe_triangle_barycentric_coordinates(Point<2>{{0.5, 0.5}}, flat),
                     {0.5, 0.25, 0.25});
}

TEST(BarycentricCoordinates, DegenerateTriangleFallsBackToLongestEdge) {
  struct Case {
    Triangle<3> triangle;
    Point<3> point;
    std::array<double, 3> expected;
  };
  const Case cases[] = {
      // Longest edge is v2v0: v1 gets 0.
      {{p(0, 0, 0), p(1, 0, 0), p(4, 0, 0)}, p(1, 5, 0), {0.75, 0., 0.25}},
      // Longest edge is v0v1, apex within tolerance of it.
      {{p(0, 0, 0), p(4, 0, 0), p(2, 5e-7, 0)}, p(3, 1, 1), {0.25, 0.75, 0.}},
      // All vertices coincide: equal split on the first edge.
      {{p(1, 1, 1), p(1, 1, 1), p(1, 1, 1)}, p(0, 0, 0), {0.5, 0.5, 0.}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.point.string());
    expect_coordinates(safe_triangle_barycentric_coordinates(test.point, test.triangle),
                       test.expected);
  }
  expect_coordinates(
      safe_segment_barycentric_coordinates(p(3, 9, 9), Segment<3>{p(0, 0, 0), p(2, 0, 0)}),
      {-0.5, 1.5});
}

TEST(BarycentricCoordinates, Tetrahedron) {
  const Tetrahedron tetrahedron{p(0, 0, 0), p(1, 0, 0), p(0, 1, 0), p(0, 0, 1)};
  struct Case {
    Point<3> point;
    std::array<double, 4> expected;
  };
  const Case cases[] = {
      {p(0.25, 0.25, 0.25), {0.25, 0.25, 0.25, 0.25}},
      {p(0, 0, 1), {0., 0., 0., 1.}},
      {p(1, 1, 0), {-1., 1., 1., 0.}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.point.string());
    expect_coordinates(safe_tetrahedron_barycentric_coordinates(test.point, tetrahedron),
                       test.expected);
  }
  // Same coordinates whatever the vertex orientation.
  expect_coordinates(
      safe_tetrahedron_barycentric_coordinates(
          p(0.1, 0.2, 0.3), Tetrahedron{p(0, 1, 0), p(1, 0, 0), p(0, 0, 0), p(0, 0, 1)}),
      {0.2, 0.1, 0.4, 0.3});
}

TEST(BarycentricCoordinates, DegenerateTetrahedronFallsBackToLargestFacet) {
  // Vertex 3 lies in the plane of the others; the largest facet is (v0, v1, v2) (facet 3).
  const Tetrahedron flat{p(0, 0, 0), p(4, 0, 0), p(0, 4, 0), p(1, 1, 0)};
  expect_coordinates(safe_tetrahedron_barycentric_coordinates(p(1, 2, 5), flat),
                     {0.25, 0.25, 0.5, 0.});
  // Vertex 0 is the one off the largest facet (v1, v2, v3), which is facet 0.
  const Tetrahedron other{p(1, 1, 1e-7), p(4, 0, 0), p(0, 4, 0), p(0, 0, 0)};
  expect_coordinates(safe_tetrahedron_barycentric_coordinates(p(2, 1, 0), other),
                     {0., 0.5, 0.25, 0.25});
  // Everything collapsed to one point: the fallbacks chain down to an equal split.
  const Tetrahedron point{p(1, 1, 1), p(1, 1, 1), p(1, 1, 1), p(1, 1, 1)};
  expect_coordinates(safe_tetrahedron_barycentric_coordinates(p(0, 0, 0), point),
                     {0., 0.5, 0.5, 0.});
}

}  // namespace
}  // namespace veyra
