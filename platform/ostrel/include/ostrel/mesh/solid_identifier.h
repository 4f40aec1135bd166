// SPDX-License-Identifier: MIT
// SolidIdentifier: splits a solid's polyhedra into groups connected through adjacency (set on
// either side). Groups are ordered by their smallest polyhedron and list their polyhedra in
// ascending order.
#pragma once

#include <ostrel/basic/common.h>

#include <memory>
#include <vector>

namespace veyra {

template <index_t D>
class SolidMesh;

namespace detail {

class SolidIdentifier {
 public:
  explicit SolidIdentifier(const SolidMesh<3>& mesh);
  ~SolidIdentifier();
  SolidIdentifier(const SolidIdentifier&) = delete;
  SolidIdentifier& operator=(const SolidIdentifier&) = delete;

  /// Computes the groups; returns their number (0 for a mesh without polyhedra).
  index_t identify_polyhedra();
  /// Polyhedra of each group (identifies first when needed).
  std::vector<std::vector<index_t>> identified_connected_polyhedra() const;
  /// Group of a polyhedron; NO_ID before identification.
  index_t identifier(index_t polyhedron) const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace detail

using detail::SolidIdentifier;

}  // namespace veyra
