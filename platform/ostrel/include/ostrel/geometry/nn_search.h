// SPDX-License-Identifier: MIT
// NNSearch<D>: nearest-neighbour queries over a fixed list of points (a k-d tree built once),
// and the grouping of colocated points into unique points.
#pragma once

#include <ostrel/geometry/point.h>

#include <memory>
#include <vector>

namespace veyra {

template <index_t D>
class NNSearch {
 public:
  /// Result of colocated_index_mapping.
  struct ColocatedInfo {
    /// Number of groups: the size of unique_points.
    index_t nb_unique_points() const { return static_cast<index_t>(unique_points.size()); }
    /// Number of input points that were merged into a group led by a smaller index.
    index_t nb_colocated_points() const {
      return static_cast<index_t>(colocated_mapping.size() - unique_points.size());
    }

    /// One entry per input point: the index of its group in unique_points.
    std::vector<index_t> colocated_mapping;
    /// One point per group: the point of the group's smallest member.
    std::vector<Point<D>> unique_points;
  };

  /// Builds the tree over `points` (taken over; point i keeps index i). O(n log n).
  /// \throw OstrelGeometryException (input) when a coordinate is NaN or infinite.
  explicit NNSearch(std::vector<Point<D>> points);
  NNSearch(NNSearch&& other) noexcept;
  NNSearch& operator=(NNSearch&& other) noexcept;
  ~NNSearch();

  index_t nb_points() const;
  const Point<D>& point(index_t index) const;

  /// Index of the point nearest to `query`; among points at the same distance, the smallest
  /// index. NO_ID when there is no point.
  /// \throw OstrelGeometryException (input) when `query` has a NaN or infinite coordinate.
  index_t closest_neighbor(const Point<D>& query) const;

  /// Indices of the points at distance <= `radius` from `query`, in ascending order.
  /// \throw OstrelGeometryException (input) when `query` has a NaN or infinite coordinate.
  std::vector<index_t> radius_neighbors(const Point<D>& query, double radius) const;

  /// Groups the points by transitive closeness: two points at distance <= `epsilon` are in one
  /// group, and so is a chain of such pairs (so two points farther apart than epsilon share a
  /// group when a third point is close to both). Groups are numbered 0, 1, 2... in the order of
  /// their smallest point index, so every mapping entry is below nb_unique_points() and the
  /// numbering follows first appearance. The result does not depend on the thread count.
  /// Runs the radius searches in parallel, then merges pairs with a union-find.
  ColocatedInfo colocated_index_mapping(double epsilon) const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
