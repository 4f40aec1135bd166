// SPDX-License-Identifier: MIT
// BoundingBox<D>: an axis-aligned box grown point by point or box by box, with inclusive
// containment and intersection tests (exact comparisons, no tolerance).
#pragma once

#include <ostrel/geometry/basic_objects.h>

#include <algorithm>
#include <limits>
#include <utility>

namespace veyra {

template <index_t D>
class BoundingBox {
 public:
  /// An empty box: min is +infinity and max is -infinity on every axis, so it contains and
  /// intersects nothing, and adding a point or a box makes it that point or box.
  BoundingBox() {
    for (local_index_t i = 0; i < D; ++i) {
      min_.set_value(i, std::numeric_limits<double>::infinity());
      max_.set_value(i, -std::numeric_limits<double>::infinity());
    }
  }

  /// The box of two corners: the component-wise min and max of `corner0` and `corner1`.
  BoundingBox(const Point<D>& corner0, const Point<D>& corner1) : BoundingBox() {
    add_point(corner0);
    add_point(corner1);
  }

  /// Grows the box to hold `point`. A NaN coordinate leaves its axis unchanged (every
  /// comparison with NaN fails).
  void add_point(const Point<D>& point) {
    for (local_index_t i = 0; i < D; ++i) {
      min_.set_value(i, std::min(min_.value(i), point.value(i)));
      max_.set_value(i, std::max(max_.value(i), point.value(i)));
    }
  }

  /// Grows the box to hold `box`; adding an empty box changes nothing.
  void add_box(const BoundingBox& box) {
    if (box.is_empty()) return;
    for (local_index_t i = 0; i < D; ++i) {
      min_.set_value(i, std::min(min_.value(i), box.min_.value(i)));
      max_.set_value(i, std::max(max_.value(i), box.max_.value(i)));
    }
  }

  /// Moves every side outwards by `offset` (a no-op on an empty box).
  void extend(double offset) {
    if (is_empty()) return;
    for (local_index_t i = 0; i < D; ++i) {
      min_.set_value(i, min_.value(i) - offset);
      max_.set_value(i, max_.value(i) + offset);
    }
  }

  const Point<D>& min() const { return min_; }
  const Point<D>& max() const { return max_; }
  /// Middle of the box (meaningless for an empty box).
  Point<D> center() const { return (min_ + max_) * 0.5; }
  /// The vector from min to max (meaningless for an empty box).
  Vector<D> diagonal() const { return Vector<D>{min_, max_}; }

  /// True until a point or a non-empty box is added.
  bool is_empty() const {
    for (local_index_t i = 0; i < D; ++i) {
      if (!(min_.value(i) <= max_.value(i))) return true;
    }
    return false;
  }

  /// min <= point <= max on every axis (borders included).
  bool contains(const Point<D>& point) const {
    for (local_index_t i = 0; i < D; ++i) {
      if (!(min_.value(i) <= point.value(i) && point.value(i) <= max_.value(i))) return false;
    }
    return true;
  }

  /// other.min >= min and other.max <= max on every axis. An empty `other` is contained in
  /// every box.
  bool contains(const BoundingBox& other) const {
    if (other.is_empty()) return true;
    for (local_index_t i = 0; i < D; ++i) {
      if (other.min_.value(i) < min_.value(i) || other.max_.value(i) > max_.value(i)) {
        return false;
      }
    }
    return true;
  }

  /// True when the two boxes share at least one point (touching boxes intersect).
  bool intersects(const BoundingBox& other) const {
    for (local_index_t i = 0; i < D; ++i) {
      if (!(other.min_.value(i) <= max_.value(i) && min_.value(i) <= other.max_.value(i))) {
        return false;
      }
    }
    return true;
  }

  /// True when the ray (origin included) meets the box, borders included.
  bool intersects(const Ray<D>& ray) const {
    double t_enter = 0.;
    double t_exit = std::numeric_limits<double>::infinity();
    for (local_index_t i = 0; i < D; ++i) {
      const double origin = ray.origin.value(i);
      const double direction = ray.direction.value(i);
      if (direction == 0.) {
        if (!(min_.value(i) <= origin && origin <= max_.value(i))) return false;
        continue;
      }
      const double inverse = 1. / direction;
      // Entry and exit chosen by the direction's sign, so that an empty box is rejected.
      double t0 = (min_.value(i) - origin) * inverse;
      double t1 = (max_.value(i) - origin) * inverse;
      if (inverse < 0.) std::swap(t0, t1);
      t_enter = std::max(t_enter, t0);
      t_exit = std::min(t_exit, t1);
      if (!(t_enter <= t_exit)) return false;
    }
    return true;
  }

  /// Squared distance from `point` to the box: 0 inside or on the border.
  double distance2(const Point<D>& point) const {
    double result = 0.;
    for (local_index_t i = 0; i < D; ++i) {
      const double below = min_.value(i) - point.value(i);
      const double above = point.value(i) - max_.value(i);
      const double gap = std::max({below, above, 0.});
      result += gap * gap;
    }
    return result;
  }

  bool operator==(const BoundingBox& other) const {
    return min_ == other.min_ && max_ == other.max_;
  }

 private:
  Point<D> min_;
  Point<D> max_;
};

using BoundingBox2D = BoundingBox<2>;
using BoundingBox3D = BoundingBox<3>;

}  // namespace veyra
