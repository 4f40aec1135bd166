// SPDX-License-Identifier: MIT
// WireframeEditor<Model>: the wireframe edits of a CornersLinesBuilder (registering vertices and
// edges, declaring line edges, releasing a line's edges) for the topology engine's steps, which
// change lines outside the builder's subclasses.
#pragma once

#include <array>
#include <utility>

#include <absl/types/span.h>

#include <ostrel/basic/common.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/geometry/point.h>
#include <model/wireframe/corners_lines_builder.h>

namespace veyra::detail {

/// Forwards to the protected wireframe operations of `builder`, with their contracts (see
/// CornersLinesBuilder). Holds a reference only: the builder must outlive the editor.
template <typename Model>
class WireframeEditor {
  static constexpr index_t dimension = Model::dim;

 public:
  explicit WireframeEditor(CornersLinesBuilder<Model>& builder) : builder_(builder) {}

  std::pair<index_t, bool> find_or_create_vertex(index_t support_vertex,
                                                 const Point<dimension>& point) {
    return builder_.find_or_create_vertex(support_vertex, point);
  }
  std::pair<index_t, bool> find_or_create_edge(const std::array<index_t, 2>& support_vertices,
                                               const std::array<Point<dimension>, 2>& points) {
    return builder_.find_or_create_edge(support_vertices, points);
  }
  void declare_line_edge(index_t wireframe_edge, const uuid& line, index_t line_edge) {
    builder_.declare_line_edge(wireframe_edge, line, line_edge);
  }
  void remove_line_edges(const uuid& line) { builder_.remove_line_edges(line); }

  const CornersLinesBuilder<Model>& builder() const { return builder_; }

 private:
  CornersLinesBuilder<Model>& builder_;
};

}  // namespace veyra::detail
