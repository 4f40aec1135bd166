// SPDX-License-Identifier: MIT
// GraphIdentifier: splits a graph's vertices into connected groups through its edges. Groups are
// ordered by their smallest vertex and list their vertices in ascending order.
#pragma once

#include <memory>
#include <vector>

#include <ostrel/basic/common.h>

namespace veyra {

class Graph;

namespace detail {

class GraphIdentifier {
 public:
  explicit GraphIdentifier(const Graph& graph);
  ~GraphIdentifier();
  GraphIdentifier(const GraphIdentifier&) = delete;
  GraphIdentifier& operator=(const GraphIdentifier&) = delete;

  /// Computes the groups; returns their number.
  index_t identify_vertices();
  /// Members of each group (identifies first when needed).
  std::vector<std::vector<index_t>> identified_connected_vertices() const;
  /// Group of a vertex; NO_ID before identification.
  index_t identifier(index_t vertex) const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace detail

using detail::GraphIdentifier;

}  // namespace veyra
