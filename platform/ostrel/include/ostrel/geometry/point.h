// SPDX-License-Identifier: MIT
// Point<D>: a position in 2D or 3D, with exact comparisons, component-wise arithmetic, the
// tolerant inexact_equal and its text form.
#pragma once

#include <absl/strings/str_cat.h>
#include <ostrel/basic/common.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/geometry/epsilon.h>

#include <array>
#include <cmath>
#include <string>
#include <utility>

namespace veyra {

template <index_t D>
class Point {
  static_assert(D == 2 || D == 3, "Points are 2D or 3D");

 public:
  static constexpr index_t dimension = D;

  /// The origin.
  Point() { values_.fill(0.); }
  explicit Point(const std::array<double, D>& values) : values_(values) {}

  double value(local_index_t i) const { return values_[i]; }
  void set_value(local_index_t i, double value) { values_[i] = value; }

  /// Exact component-wise equality (use inexact_equal for the tolerant test).
  bool operator==(const Point& other) const { return values_ == other.values_; }
  bool operator!=(const Point& other) const { return !(*this == other); }
  /// Lexicographic order on the coordinates: a strict weak order for sorting and ordered keys
  /// (points holding NaN excepted).
  bool operator<(const Point& other) const { return values_ < other.values_; }

  Point operator+(const Point& other) const {
    Point result{*this};
    return result += other;
  }
  Point operator-(const Point& other) const {
    Point result{*this};
    return result -= other;
  }
  Point operator-() const { return *this * -1.; }
  Point operator*(double multiplier) const {
    Point result{*this};
    return result *= multiplier;
  }
  /// \throw OstrelGeometryException (internal) when |divider| <= global_epsilon (or is NaN).
  Point operator/(double divider) const {
    Point result{*this};
    return result /= divider;
  }

  Point& operator+=(const Point& other) {
    for (index_t i = 0; i < D; ++i) values_[i] += other.values_[i];
    return *this;
  }
  Point& operator-=(const Point& other) {
    for (index_t i = 0; i < D; ++i) values_[i] -= other.values_[i];
    return *this;
  }
  Point& operator*=(double multiplier) {
    for (auto& value : values_) value *= multiplier;
    return *this;
  }
  /// \throw OstrelGeometryException (internal) when |divider| <= global_epsilon (or is NaN).
  Point& operator/=(double divider) {
    OSTREL_EXCEPTION(OstrelGeometryException, std::fabs(divider) > global_epsilon,
                     "[Point::operator/] Cannot divide Point by something close to zero");
    for (auto& value : values_) value /= divider;
    return *this;
  }

  /// True when the distance to `other` is at most global_epsilon.
  bool inexact_equal(const Point& other) const {
    double distance2 = 0.;
    for (index_t i = 0; i < D; ++i) {
      const double difference = values_[i] - other.values_[i];
      distance2 += difference * difference;
    }
    return distance2 <= global_epsilon2;
  }

  /// The coordinates joined by one blank, each as absl::StrCat writes a double: "1 2.5 -3".
  std::string string() const {
    std::string text = absl::StrCat(values_[0]);
    for (index_t i = 1; i < D; ++i) absl::StrAppend(&text, " ", values_[i]);
    return text;
  }

  /// Hashes the exact coordinates (0. and -0. hash alike, as they compare equal).
  template <typename H>
  friend H AbslHashValue(H h, const Point& point) {
    return H::combine(std::move(h), point.values_);
  }

 private:
  std::array<double, D> values_;
};

template <index_t D>
Point<D> operator*(double multiplier, const Point<D>& point) {
  return point * multiplier;
}

/// True when every coordinate is finite (neither NaN nor infinite).
template <index_t D>
bool is_finite(const Point<D>& point) {
  for (local_index_t i = 0; i < D; ++i) {
    if (!std::isfinite(point.value(i))) return false;
  }
  return true;
}

/// Squared distance between two points.
template <index_t D>
double point_point_distance2(const Point<D>& point0, const Point<D>& point1) {
  double distance2 = 0.;
  for (local_index_t i = 0; i < D; ++i) {
    const double difference = point0.value(i) - point1.value(i);
    distance2 += difference * difference;
  }
  return distance2;
}

/// Distance between two points.
template <index_t D>
double point_point_distance(const Point<D>& point0, const Point<D>& point1) {
  return std::sqrt(point_point_distance2(point0, point1));
}

using Point2D = Point<2>;
using Point3D = Point<3>;

}  // namespace veyra
