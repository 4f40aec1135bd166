// SPDX-License-Identifier: MIT
// The simple shapes the geometric queries work on: Segment<D>, Triangle<D>, Tetrahedron and
// Ray<D>. They hold copies of their points and are cheap to build on the fly.
#pragma once

#include <ostrel/geometry/vector.h>

#include <array>

namespace veyra {

template <index_t D>
struct Segment {
  Segment() = default;
  Segment(const Point<D>& point0, const Point<D>& point1) : p0(point0), p1(point1) {}

  Point<D> barycenter() const { return (p0 + p1) * 0.5; }
  /// The vector from p0 to p1.
  Vector<D> direction() const { return Vector<D>{p0, p1}; }
  double length() const { return point_point_distance(p0, p1); }

  Point<D> p0;
  Point<D> p1;
};

template <index_t D>
struct Triangle {
  Triangle() = default;
  Triangle(const Point<D>& point0, const Point<D>& point1, const Point<D>& point2)
      : vertices{point0, point1, point2} {}

  Point<D> barycenter() const { return (vertices[0] + vertices[1] + vertices[2]) * (1. / 3.); }

  std::array<Point<D>, 3> vertices;
};

struct Tetrahedron {
  Tetrahedron() = default;
  Tetrahedron(const Point<3>& point0, const Point<3>& point1, const Point<3>& point2,
              const Point<3>& point3)
      : vertices{point0, point1, point2, point3} {}

  Point<3> barycenter() const {
    return (vertices[0] + vertices[1] + vertices[2] + vertices[3]) * 0.25;
  }

  /// Vertices of facet f, the facet opposite vertex f, in increasing vertex order.
  static constexpr std::array<std::array<local_index_t, 3>, 4> facet_vertices{
      {{1, 2, 3}, {0, 2, 3}, {0, 1, 3}, {0, 1, 2}}};

  std::array<Point<3>, 4> vertices;
};

/// A half-line: origin + t * direction for t >= 0, with a unit direction.
template <index_t D>
struct Ray {
  /// Normalizes `direction`.
  /// \throw OstrelGeometryException (internal) "[Point::operator/] Cannot divide Point by
  /// something close to zero" when the direction is at most global_epsilon long.
  Ray(const Point<D>& ray_origin, const Vector<D>& ray_direction)
      : origin(ray_origin), direction(ray_direction.normalize()) {}

  /// The point at distance `t` from the origin along the ray.
  Point<D> point_at(double t) const { return origin + direction * t; }

  Point<D> origin;
  /// Unit length (set by the constructor; keep it so when assigning).
  Vector<D> direction;
};

}  // namespace veyra
