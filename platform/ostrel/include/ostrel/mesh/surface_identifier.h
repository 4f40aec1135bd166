// SPDX-License-Identifier: MIT
// SurfaceIdentifier<D>: splits a surface's polygons into groups connected through adjacency (set
// on either side). Groups are ordered by their smallest polygon and list their polygons in
// ascending order.
#pragma once

#include <memory>
#include <vector>

#include <ostrel/basic/common.h>

namespace veyra {

template <index_t D>
class SurfaceMesh;

namespace detail {

template <index_t D>
class SurfaceIdentifier {
 public:
  explicit SurfaceIdentifier(const SurfaceMesh<D>& mesh);
  ~SurfaceIdentifier();
  SurfaceIdentifier(const SurfaceIdentifier&) = delete;
  SurfaceIdentifier& operator=(const SurfaceIdentifier&) = delete;

  /// Computes the groups; returns their number (0 for a mesh without polygons).
  index_t identify_polygons();
  /// Polygons of each group (identifies first when needed).
  std::vector<std::vector<index_t>> identified_connected_polygons() const;
  /// Group of a polygon; NO_ID before identification.
  index_t identifier(index_t polygon) const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace detail

using detail::SurfaceIdentifier;

}  // namespace veyra
