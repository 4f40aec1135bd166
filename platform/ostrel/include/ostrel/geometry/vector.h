// SPDX-License-Identifier: MIT
// Vector<D>: a displacement in 2D or 3D (a Point with lengths, dot and cross products). Arithmetic
// between vectors gives vectors; adding a vector to a point gives a point.
#pragma once

#include <ostrel/geometry/point.h>

#include <cmath>

namespace veyra {

template <index_t D>
class Vector : public Point<D> {
 public:
  Vector() = default;
  explicit Vector(const Point<D>& point) : Point<D>(point) {}
  explicit Vector(const std::array<double, D>& values) : Point<D>(values) {}
  /// The displacement from `from` to `to`.
  Vector(const Point<D>& from, const Point<D>& to) : Point<D>(to - from) {}

  double length2() const { return dot(*this); }
  double length() const { return std::sqrt(length2()); }

  /// This vector divided by its length.
  /// \throw OstrelGeometryException (internal) "[Point::operator/] Cannot divide Point by
  /// something close to zero" when the length is at most global_epsilon.
  Vector normalize() const { return *this / length(); }

  double dot(const Vector& other) const {
    double result = 0.;
    for (local_index_t i = 0; i < D; ++i) result += this->value(i) * other.value(i);
    return result;
  }

  /// Right-handed cross product (3D only).
  Vector cross(const Vector& other) const requires(D == 3) {
    const auto& a = *this;
    return Vector{{a.value(1) * other.value(2) - a.value(2) * other.value(1),
                   a.value(2) * other.value(0) - a.value(0) * other.value(2),
                   a.value(0) * other.value(1) - a.value(1) * other.value(0)}};
  }

  using Point<D>::operator+;
  using Point<D>::operator-;
  Vector operator+(const Vector& other) const { return Vector{Point<D>::operator+(other)}; }
  Vector operator-(const Vector& other) const { return Vector{Point<D>::operator-(other)}; }
  Vector operator-() const { return Vector{Point<D>::operator-()}; }
  Vector operator*(double multiplier) const { return Vector{Point<D>::operator*(multiplier)}; }
  /// \throw OstrelGeometryException (internal) when |divider| <= global_epsilon (or is NaN).
  Vector operator/(double divider) const { return Vector{Point<D>::operator/(divider)}; }
};

template <index_t D>
Vector<D> operator*(double multiplier, const Vector<D>& vector) {
  return vector * multiplier;
}

template <index_t D>
double dot(const Vector<D>& vector0, const Vector<D>& vector1) {
  return vector0.dot(vector1);
}

inline Vector<3> cross(const Vector<3>& vector0, const Vector<3>& vector1) {
  return vector0.cross(vector1);
}

/// z component of the cross product of two 2D vectors: twice the signed area of the triangle
/// they span, positive when `vector1` turns counter-clockwise from `vector0`.
inline double dot_perpendicular(const Vector<2>& vector0, const Vector<2>& vector1) {
  return vector0.value(0) * vector1.value(1) - vector0.value(1) * vector1.value(0);
}

using Vector2D = Vector<2>;
using Vector3D = Vector<3>;

}  // namespace veyra
