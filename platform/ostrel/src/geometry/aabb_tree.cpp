// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_map.h>
#include <ostrel/basic/parallel.h>
#include <ostrel/geometry/aabb_tree.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace veyra {
namespace {

// Leaves hold at most this many elements: small enough that a leaf costs little more than one
// node test, large enough to divide the node count by about three compared with one element per
// leaf.
constexpr index_t max_leaf_size = 4;
// Subtrees at least this large are built as separate tasks.
constexpr index_t parallel_build_threshold = 1U << 14;
// Deeper than any tree of up to 2^32 elements split in halves.
constexpr std::size_t max_depth = 64;

// An internal node holds the boxes of its two children side by side, so that deciding where to
// go next reads one node. A child is another internal node, or a leaf (flagged reference).
template <index_t D>
struct Node {
  std::array<BoundingBox<D>, 2> boxes;
  std::array<index_t, 2> children;
};

constexpr index_t leaf_flag = 1U << 31;
bool is_leaf(index_t child) {
  return (child & leaf_flag) != 0;
}
index_t leaf_index(index_t child) {
  return child & ~leaf_flag;
}

// Internal node and leaf counts of a subtree over `nb` elements. They depend on nb only, which
// lets the two halves of a node be built independently into their reserved slots.
struct SubtreeSize {
  index_t nb_nodes;
  index_t nb_leaves;
};

template <index_t D>
struct Item {
  Point<D> center;
  index_t element;
};

// The slab test of a ray against a box grown by `margin` on every side, with precomputed
// inverse directions; axes the ray runs parallel to are tested on the origin alone.
template <index_t D>
class RaySlabs {
 public:
  RaySlabs(const Ray<D>& ray, double margin) : origin_(ray.origin), margin_(margin) {
    for (local_index_t i = 0; i < D; ++i) {
      const double direction = ray.direction.value(i);
      is_parallel_[i] = direction == 0.;
      inverse_[i] = is_parallel_[i] ? 0. : 1. / direction;
    }
  }

  bool meets(const BoundingBox<D>& box) const {
    double t_enter = 0.;
    double t_exit = std::numeric_limits<double>::infinity();
    for (local_index_t i = 0; i < D; ++i) {
      const double low = box.min().value(i) - margin_;
      const double high = box.max().value(i) + margin_;
      const double origin = origin_.value(i);
      if (is_parallel_[i]) {
        if (!(low <= origin && origin <= high)) return false;
        continue;
      }
      // Entry and exit chosen by the direction's sign, not by comparing the two values, so that
      // an empty box (low > high) is rejected.
      double t0 = (low - origin) * inverse_[i];
      double t1 = (high - origin) * inverse_[i];
      if (inverse_[i] < 0.) std::swap(t0, t1);
      t_enter = std::max(t_enter, t0);
      t_exit = std::min(t_exit, t1);
      if (!(t_enter <= t_exit)) return false;
    }
    return true;
  }

 private:
  Point<D> origin_;
  double margin_;
  std::array<double, D> inverse_;
  std::array<bool, D> is_parallel_;
};

// A fixed-capacity stack for the iterative traversals: no allocation per query.
template <typename T>
class TraversalStack {
 public:
  bool empty() const { return size_ == 0; }
  void push(const T& value) { values_[size_++] = value; }
  T pop() { return values_[--size_]; }

 private:
  std::array<T, 2 * max_depth> values_;
  std::size_t size_{0};
};

}  // namespace

template <index_t D>
class AABBTree<D>::Impl {
 public:
  Impl() = default;

  explicit Impl(absl::Span<const BoundingBox<D>> boxes) {
    const auto nb = static_cast<index_t>(boxes.size());
    if (nb == 0) return;
    std::vector<Item<D>> items(nb);
    parallel_for_range(nb, 1U << 16, [&](index_t begin, index_t end) {
      for (index_t i = begin; i < end; ++i) {
        // Empty boxes go anywhere: they are never reported, and their center is undefined.
        items[i] = {boxes[i].is_empty() ? Point<D>{} : boxes[i].center(), i};
      }
    });
    const auto size = subtree_size(nb);
    nodes_.resize(size.nb_nodes);
    leaf_begins_.resize(size.nb_leaves + 1);
    leaf_begins_.back() = nb;
    root_ = build(items, 0, 0, 0, nb);
    boxes_.resize(nb);
    elements_.resize(nb);
    parallel_for_range(nb, 1U << 16, [&](index_t begin, index_t end) {
      for (index_t k = begin; k < end; ++k) {
        elements_[k] = items[k].element;
        boxes_[k] = boxes[items[k].element];
      }
    });
    // Children come after their parent in depth-first order: a backward pass sees every child
    // complete before its parent reads it.
    for (auto n = static_cast<index_t>(nodes_.size()); n-- > 0;) {
      auto& node = nodes_[n];
      for (local_index_t k = 0; k < 2; ++k) node.boxes[k] = child_box(node.children[k]);
    }
    root_box_ = child_box(root_);
  }

  index_t nb_bboxes() const { return static_cast<index_t>(elements_.size()); }

  const BoundingBox<D>& bounding_box() const { return root_box_; }

  void visit_boxes(const BoundingBox<D>& box, Stoppable action) const {
    if (elements_.empty() || !root_box_.intersects(box)) return;
    TraversalStack<index_t> stack;
    stack.push(root_);
    while (!stack.empty()) {
      const auto child = stack.pop();
      if (is_leaf(child)) {
        const auto leaf = leaf_index(child);
        for (index_t k = leaf_begins_[leaf]; k < leaf_begins_[leaf + 1]; ++k) {
          if (boxes_[k].intersects(box) && action(elements_[k])) return;
        }
        continue;
      }
      const auto& node = nodes_[child];
      if (node.boxes[1].intersects(box)) stack.push(node.children[1]);
      if (node.boxes[0].intersects(box)) stack.push(node.children[0]);
    }
  }

  void visit_ray(const Ray<D>& ray, Stoppable action) const {
    const RaySlabs<D> slabs{ray, global_epsilon};
    if (elements_.empty() || !slabs.meets(root_box_)) return;
    TraversalStack<index_t> stack;
    stack.push(root_);
    while (!stack.empty()) {
      const auto child = stack.pop();
      if (is_leaf(child)) {
        const auto leaf = leaf_index(child);
        for (index_t k = leaf_begins_[leaf]; k < leaf_begins_[leaf + 1]; ++k) {
          if (!boxes_[k].is_empty() && slabs.meets(boxes_[k]) && action(elements_[k])) return;
        }
        continue;
      }
      const auto& node = nodes_[child];
      if (slabs.meets(node.boxes[1])) stack.push(node.children[1]);
      if (slabs.meets(node.boxes[0])) stack.push(node.children[0]);
    }
  }

  std::tuple<index_t, Point<D>, double> closest_element(const Point<D>& query,
                                                        Evaluation eval) const {
    index_t best = NO_ID;
    Point<D> best_point = query;
    double best_distance = std::numeric_limits<double>::infinity();
    if (elements_.empty()) return {best, best_point, best_distance};
    // Bounds are squared box distances, compared with a little slack: box and element
    // distances are rounded differently, and an element at exactly the best distance must still
    // be evaluated for the smallest-index rule.
    double prune_above = std::numeric_limits<double>::infinity();
    const auto is_pruned = [&prune_above](double bound2) { return bound2 > prune_above; };
    struct Entry {
      index_t child;
      double bound2;
    };
    TraversalStack<Entry> stack;
    stack.push({root_, 0.});
    while (!stack.empty()) {
      const auto [child, bound2] = stack.pop();
      if (is_pruned(bound2)) continue;
      if (is_leaf(child)) {
        const auto leaf = leaf_index(child);
        for (index_t k = leaf_begins_[leaf]; k < leaf_begins_[leaf + 1]; ++k) {
          if (is_pruned(boxes_[k].distance2(query))) continue;
          const auto element = elements_[k];
          const auto [distance, nearest] = eval(query, element);
          if (distance < best_distance || (distance == best_distance && element < best)) {
            best = element;
            best_point = nearest;
            best_distance = distance;
            prune_above = distance * distance * (1. + 1e-12);
          }
        }
        continue;
      }
      const auto& node = nodes_[child];
      const Entry left{node.children[0], node.boxes[0].distance2(query)};
      const Entry right{node.children[1], node.boxes[1].distance2(query)};
      // The nearer child goes on top of the stack: it usually tightens the bound first.
      const bool left_first = left.bound2 <= right.bound2;
      const auto& near = left_first ? left : right;
      const auto& far = left_first ? right : left;
      if (!is_pruned(far.bound2)) stack.push(far);
      if (!is_pruned(near.bound2)) stack.push(near);
    }
    return {best, best_point, best_distance};
  }

 private:
  SubtreeSize subtree_size(index_t nb) {
    if (nb <= max_leaf_size) return {0, 1};
    if (const auto found = subtree_sizes_.find(nb); found != subtree_sizes_.end()) {
      return found->second;
    }
    const auto left = subtree_size(nb / 2);
    const auto right = subtree_size(nb - nb / 2);
    const SubtreeSize result{1 + left.nb_nodes + right.nb_nodes, left.nb_leaves + right.nb_leaves};
    subtree_sizes_.emplace(nb, result);
    return result;
  }

  // Read-only lookup once subtree_size(total) has filled the table, safe from build tasks.
  SubtreeSize known_subtree_size(index_t nb) const {
    return nb <= max_leaf_size ? SubtreeSize{0, 1} : subtree_sizes_.at(nb);
  }

  BoundingBox<D> child_box(index_t child) const {
    BoundingBox<D> box;
    if (is_leaf(child)) {
      const auto leaf = leaf_index(child);
      for (index_t k = leaf_begins_[leaf]; k < leaf_begins_[leaf + 1]; ++k) box.add_box(boxes_[k]);
    } else {
      box.add_box(nodes_[child].boxes[0]);
      box.add_box(nodes_[child].boxes[1]);
    }
    return box;
  }

  // Builds the subtree over items [begin, end) with its first internal node at `n` and its first
  // leaf at `leaf`, and returns the reference to its root.
  index_t build(std::vector<Item<D>>& items, index_t n, index_t leaf, index_t begin, index_t end) {
    if (end - begin <= max_leaf_size) {
      leaf_begins_[leaf] = begin;
      return leaf_flag | leaf;
    }
    BoundingBox<D> centers;
    for (index_t i = begin; i < end; ++i) centers.add_point(items[i].center);
    const auto extent = centers.diagonal();
    local_index_t axis = 0;
    for (local_index_t i = 1; i < D; ++i) {
      if (extent.value(i) > extent.value(axis)) axis = i;
    }
    const index_t middle = begin + (end - begin) / 2;
    std::nth_element(items.begin() + begin, items.begin() + middle, items.begin() + end,
                     [axis](const Item<D>& item0, const Item<D>& item1) {
                       return item0.center.value(axis) < item1.center.value(axis);
                     });
    const auto left_size = known_subtree_size(middle - begin);
    const index_t left_node = n + 1;
    const index_t right_node = left_node + left_size.nb_nodes;
    const index_t right_leaf = leaf + left_size.nb_leaves;
    auto& children = nodes_[n].children;
    if (end - begin >= parallel_build_threshold) {
      parallel_map_tasks(2, [&](index_t half) {
        children[half] = half == 0 ? build(items, left_node, leaf, begin, middle)
                                   : build(items, right_node, right_leaf, middle, end);
        return true;
      });
    } else {
      children[0] = build(items, left_node, leaf, begin, middle);
      children[1] = build(items, right_node, right_leaf, middle, end);
    }
    return n;
  }

  std::vector<Node<D>> nodes_;
  std::vector<index_t> leaf_begins_;
  std::vector<BoundingBox<D>> boxes_;
  std::vector<index_t> elements_;
  absl::flat_hash_map<index_t, SubtreeSize> subtree_sizes_;
  BoundingBox<D> root_box_;
  index_t root_{leaf_flag};
};

template <index_t D>
AABBTree<D>::AABBTree() : impl_{std::make_unique<Impl>()} {}

template <index_t D>
AABBTree<D>::AABBTree(absl::Span<const BoundingBox<D>> boxes) {
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    const auto& box = boxes[i];
    bool is_valid = true;
    for (local_index_t axis = 0; axis < D; ++axis) {
      const double low = box.min().value(axis);
      const double high = box.max().value(axis);
      is_valid = is_valid && !std::isnan(low) && !std::isnan(high);
    }
    is_valid = is_valid && (box.is_empty() || (is_finite(box.min()) && is_finite(box.max())));
    OSTREL_INPUT_CHECK(OstrelGeometryException, is_valid, "[AABBTree] Box ", i,
                       " has a NaN or infinite coordinate");
  }
  impl_ = std::make_unique<Impl>(boxes);
}

template <index_t D>
AABBTree<D>::AABBTree(AABBTree&& other) noexcept = default;
template <index_t D>
AABBTree<D>& AABBTree<D>::operator=(AABBTree&& other) noexcept = default;
template <index_t D>
AABBTree<D>::~AABBTree() = default;

template <index_t D>
index_t AABBTree<D>::nb_bboxes() const {
  return impl_ ? impl_->nb_bboxes() : 0;
}

template <index_t D>
const BoundingBox<D>& AABBTree<D>::bounding_box() const {
  static const BoundingBox<D> empty;
  return impl_ ? impl_->bounding_box() : empty;
}

template <index_t D>
void AABBTree<D>::visit_boxes(const BoundingBox<D>& box, Stoppable action) const {
  if (impl_) impl_->visit_boxes(box, action);
}

template <index_t D>
void AABBTree<D>::visit_ray(const Ray<D>& ray, Stoppable action) const {
  if (impl_) impl_->visit_ray(ray, action);
}

template <index_t D>
std::tuple<index_t, Point<D>, double> AABBTree<D>::closest_element(const Point<D>& query,
                                                                   Evaluation eval) const {
  if (!impl_) return {NO_ID, query, std::numeric_limits<double>::infinity()};
  return impl_->closest_element(query, eval);
}

template class AABBTree<2>;
template class AABBTree<3>;

}  // namespace veyra
