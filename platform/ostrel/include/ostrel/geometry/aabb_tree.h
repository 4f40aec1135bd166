// SPDX-License-Identifier: MIT
// AABBTree<D>: a bounding-volume hierarchy over a fixed list of element boxes (box i stands for
// element i), answering box, ray and closest-element queries. The caller owns what the elements
// are; the tree only knows their boxes.
#pragma once

#include <absl/functional/function_ref.h>
#include <absl/types/span.h>
#include <ostrel/geometry/bounding_box.h>

#include <functional>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>

namespace veyra {

/// Layout: a binary tree in one flat array of nodes (depth-first order, the left child right
/// after its parent), each leaf holding a few consecutive entries of a permuted copy of the
/// element boxes. It is built once by median splits along the longest axis of the element
/// centers, in O(n log n) (the top levels in parallel; the layout only depends on the boxes).
///
/// Queries visit the tree from the root, skip any subtree whose box fails the test, and call
/// back for each element whose own box passes it. The visiting order is fixed by the tree, so it
/// is the same on every run and for any thread count, but it is not element index order.
/// A built tree is read-only: concurrent queries are safe.
template <index_t D>
class AABBTree {
 public:
  /// A tree with no element.
  AABBTree();
  /// Builds the tree; box i stands for element i. Empty boxes are allowed (never reported).
  /// \throw OstrelGeometryException (input) when a box has a NaN coordinate.
  explicit AABBTree(absl::Span<const BoundingBox<D>> boxes);
  AABBTree(AABBTree&& other) noexcept;
  AABBTree& operator=(AABBTree&& other) noexcept;
  ~AABBTree();

  index_t nb_bboxes() const;

  /// Box of all element boxes (empty for an empty tree).
  const BoundingBox<D>& bounding_box() const;

  /// Calls action(element) for every element whose box intersects `box` (touching counts, exact
  /// comparisons). The action returns void, or bool: true stops the search.
  template <typename Action>
  void compute_bbox_element_bbox_intersections(const BoundingBox<D>& box, Action&& action) const {
    visit_boxes(box, as_stoppable(action));
  }

  /// Calls action(element) for every element whose box, grown by global_epsilon on every side,
  /// meets the ray (origin included). The growth makes the candidates a superset of the elements
  /// the ray touches or passes within global_epsilon of, whatever the rounding, as ray casting
  /// needs (see ray_triangle_intersection). The action returns void, or bool: true stops.
  template <typename Action>
  void compute_ray_element_bbox_intersections(const Ray<D>& ray, Action&& action) const {
    visit_ray(ray, as_stoppable(action));
  }

  /// The element nearest to `query`, by branch and bound: eval(query, element) returns the
  /// element's (distance, nearest point) as a pair or tuple; subtrees and element boxes farther
  /// than the best distance so far are skipped, the nearer child is visited first. Among
  /// elements at the same distance, the smallest index wins. Returns (element, nearest point,
  /// distance), or (NO_ID, query, +infinity) for an empty tree.
  template <typename Eval>
  std::tuple<index_t, Point<D>, double> closest_element_box(const Point<D>& query,
                                                            Eval&& eval) const {
    return closest_element(query, [&eval](const Point<D>& point, index_t element) {
      const auto& [distance, nearest] = eval(point, element);
      return std::pair<double, Point<D>>{distance, nearest};
    });
  }

 private:
  using Stoppable = absl::FunctionRef<bool(index_t)>;
  using Evaluation = absl::FunctionRef<std::pair<double, Point<D>>(const Point<D>&, index_t)>;

  template <typename Action>
  static auto as_stoppable(Action& action) {
    return [&action](index_t element) -> bool {
      if constexpr (std::is_same_v<std::invoke_result_t<Action&, index_t>, void>) {
        action(element);
        return false;
      } else {
        return static_cast<bool>(action(element));
      }
    };
  }

  void visit_boxes(const BoundingBox<D>& box, Stoppable action) const;
  void visit_ray(const Ray<D>& ray, Stoppable action) const;
  std::tuple<index_t, Point<D>, double> closest_element(const Point<D>& query,
                                                        Evaluation eval) const;

  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
