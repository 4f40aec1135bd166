// SPDX-License-Identifier: MIT
#include <ostrel/basic/parallel.h>
#include <ostrel/geometry/nn_search.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <nanoflann.hpp>
#include <utility>

namespace veyra {
namespace {

template <index_t D>
class PointsAdaptor {
 public:
  explicit PointsAdaptor(const std::vector<Point<D>>& points) : points_(points) {}

  std::size_t kdtree_get_point_count() const { return points_.size(); }
  double kdtree_get_pt(index_t index, std::size_t dimension) const {
    return points_[index].value(static_cast<local_index_t>(dimension));
  }
  template <typename Box>
  bool kdtree_get_bbox(Box& /*box*/) const {
    return false;
  }

 private:
  const std::vector<Point<D>>& points_;
};

template <index_t D>
using KdTree = nanoflann::KDTreeSingleIndexAdaptor<
    nanoflann::L2_Simple_Adaptor<double, PointsAdaptor<D>, double, index_t>, PointsAdaptor<D>,
    static_cast<int32_t>(D), index_t>;

template <index_t D>
std::array<double, D> coordinates(const Point<D>& point) {
  std::array<double, D> result;
  for (local_index_t i = 0; i < D; ++i) result[i] = point.value(i);
  return result;
}

// The tree reports a point only when its squared distance is strictly below worstDist(), and
// prunes a cell only when its (rounded, incrementally computed) lower bound exceeds it. Result
// sets therefore announce a slightly larger bound and apply the exact "<=" test themselves.
double loosened(double distance2) {
  return std::nextafter(distance2 * (1. + 1e-12), std::numeric_limits<double>::infinity());
}

// Nearest point, smallest index among exact ties: points at the best distance so far must
// still reach addPoint, hence the loosened bound.
class ClosestResultSet {
 public:
  std::size_t size() const { return best_ == NO_ID ? 0 : 1; }
  bool full() const { return true; }
  bool addPoint(double distance2, index_t index) {
    if (distance2 < best_distance2_ || (distance2 == best_distance2_ && index < best_)) {
      best_distance2_ = distance2;
      best_ = index;
      bound_ = loosened(distance2);
    }
    return true;
  }
  double worstDist() const { return bound_; }
  index_t best() const { return best_; }

 private:
  double best_distance2_{std::numeric_limits<double>::infinity()};
  double bound_{std::numeric_limits<double>::infinity()};
  index_t best_{NO_ID};
};

// Every point at squared distance <= radius2, handed to a callback.
template <typename Callback>
class RadiusResultSet {
 public:
  RadiusResultSet(double radius2, Callback& callback)
      : radius2_(radius2), bound_(loosened(radius2)), callback_(callback) {}

  std::size_t size() const { return 0; }
  bool full() const { return true; }
  bool addPoint(double distance2, index_t index) {
    if (distance2 <= radius2_) callback_(index);
    return true;
  }
  double worstDist() const { return bound_; }

 private:
  double radius2_;
  double bound_;
  Callback& callback_;
};

// Union-find whose root is always the smallest member, so that the root of a group is the
// member that names it.
class SmallestRootUnionFind {
 public:
  explicit SmallestRootUnionFind(index_t size) : parent_(size) {
    for (index_t i = 0; i < size; ++i) parent_[i] = i;
  }

  index_t find(index_t item) {
    while (parent_[item] != item) {
      parent_[item] = parent_[parent_[item]];  // path halving
      item = parent_[item];
    }
    return item;
  }

  void unite(index_t item0, index_t item1) {
    const auto root0 = find(item0);
    const auto root1 = find(item1);
    if (root0 < root1) {
      parent_[root1] = root0;
    } else if (root1 < root0) {
      parent_[root0] = root1;
    }
  }

 private:
  std::vector<index_t> parent_;
};

}  // namespace

template <index_t D>
class NNSearch<D>::Impl {
 public:
  explicit Impl(std::vector<Point<D>> points)
      : points_(std::move(points)),
        adaptor_(points_),
        tree_(D, adaptor_, nanoflann::KDTreeSingleIndexAdaptorParams(leaf_size)) {}

  index_t nb_points() const { return static_cast<index_t>(points_.size()); }
  const Point<D>& point(index_t index) const { return points_[index]; }

  index_t closest_neighbor(const Point<D>& query) const {
    ClosestResultSet result;
    const auto values = coordinates(query);
    tree_.findNeighbors(result, values.data(), nanoflann::SearchParams{});
    return result.best();
  }

  template <typename Callback>
  void for_each_radius_neighbor(const Point<D>& query, double radius2, Callback& callback) const {
    RadiusResultSet<Callback> result{radius2, callback};
    const auto values = coordinates(query);
    tree_.findNeighbors(result, values.data(), nanoflann::SearchParams{32, 0.f, false});
  }

 private:
  static constexpr std::size_t leaf_size = 10;

  std::vector<Point<D>> points_;
  PointsAdaptor<D> adaptor_;
  KdTree<D> tree_;
};

namespace {

template <index_t D>
void check_query(const Point<D>& query, const char* function) {
  OSTREL_INPUT_CHECK(OstrelGeometryException, is_finite(query), "[NNSearch::", function,
                     "] Query point has a NaN or infinite coordinate: ", query.string());
}

}  // namespace

template <index_t D>
NNSearch<D>::NNSearch(std::vector<Point<D>> points) {
  for (std::size_t i = 0; i < points.size(); ++i) {
    OSTREL_INPUT_CHECK(OstrelGeometryException, is_finite(points[i]), "[NNSearch] Point ", i,
                       " has a NaN or infinite coordinate: ", points[i].string());
  }
  impl_ = std::make_unique<Impl>(std::move(points));
}

template <index_t D>
NNSearch<D>::NNSearch(NNSearch&& other) noexcept = default;
template <index_t D>
NNSearch<D>& NNSearch<D>::operator=(NNSearch&& other) noexcept = default;
template <index_t D>
NNSearch<D>::~NNSearch() = default;

template <index_t D>
index_t NNSearch<D>::nb_points() const {
  return impl_->nb_points();
}

template <index_t D>
const Point<D>& NNSearch<D>::point(index_t index) const {
  OSTREL_ASSERT(index < nb_points(), "[NNSearch::point] Index out of range");
  return impl_->point(index);
}

template <index_t D>
index_t NNSearch<D>::closest_neighbor(const Point<D>& query) const {
  check_query(query, "closest_neighbor");
  return impl_->closest_neighbor(query);
}

template <index_t D>
std::vector<index_t> NNSearch<D>::radius_neighbors(const Point<D>& query, double radius) const {
  check_query(query, "radius_neighbors");
  std::vector<index_t> neighbors;
  if (!(radius >= 0.)) return neighbors;
  auto collect = [&neighbors](index_t index) { neighbors.push_back(index); };
  impl_->for_each_radius_neighbor(query, radius * radius, collect);
  std::sort(neighbors.begin(), neighbors.end());
  return neighbors;
}

template <index_t D>
typename NNSearch<D>::ColocatedInfo NNSearch<D>::colocated_index_mapping(double epsilon) const {
  const auto nb = nb_points();
  ColocatedInfo info;
  info.colocated_mapping.resize(nb);
  SmallestRootUnionFind groups{nb};
  if (epsilon >= 0.) {
    // Each close pair (i, j) is reported from its smaller end only. Chunks search in parallel;
    // the union-find result only depends on the set of pairs, not on their order.
    const double epsilon2 = epsilon * epsilon;
    constexpr index_t chunk_size = 4096;
    const auto pairs_per_chunk =
        parallel_map_chunks(nb, chunk_size, [&](index_t begin, index_t end) {
          std::vector<std::pair<index_t, index_t>> pairs;
          for (index_t i = begin; i < end; ++i) {
            auto record = [&pairs, i](index_t j) {
              if (j > i) pairs.emplace_back(i, j);
            };
            impl_->for_each_radius_neighbor(impl_->point(i), epsilon2, record);
          }
          return pairs;
        });
    for (const auto& pairs : pairs_per_chunk) {
      for (const auto& [i, j] : pairs) groups.unite(i, j);
    }
  }
  // Roots are the smallest members, met in increasing order: group numbers follow them.
  for (index_t i = 0; i < nb; ++i) {
    const auto root = groups.find(i);
    if (root == i) {
      info.colocated_mapping[i] = static_cast<index_t>(info.unique_points.size());
      info.unique_points.push_back(impl_->point(i));
    } else {
      info.colocated_mapping[i] = info.colocated_mapping[root];
    }
  }
  return info;
}

template class NNSearch<2>;
template class NNSearch<3>;

}  // namespace veyra
