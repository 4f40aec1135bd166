// SPDX-License-Identifier: MIT
// The line a unique edge lies on, read from the wireframe of a corners-and-lines builder.
#pragma once

#include <array>
#include <optional>

#include <ostrel/basic/common.h>
#include <ostrel/basic/uuid.h>
#include <model/common/library.h>
#include <model/wireframe/corners_lines_builder.h>

namespace veyra::detail {

/// The line of the wireframe edge joining the two unique vertices; empty when there is no such
/// edge, when it belongs to no line yet, or when an end is untied (NO_ID).
template <typename Model>
std::optional<uuid> unique_edge_line(const CornersLinesBuilder<Model>& corners_lines,
                                     const std::array<index_t, 2>& unique_vertices) {
  if (unique_vertices[0] == NO_ID || unique_vertices[1] == NO_ID) return std::nullopt;
  const auto edge = corners_lines.wireframe_edge_id(unique_vertices);
  if (!edge) return std::nullopt;
  const auto& line = corners_lines.line_uuid(*edge);
  if (line == sentinel_uuid) return std::nullopt;
  return line;
}

}  // namespace veyra::detail
