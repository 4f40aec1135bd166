// SPDX-License-Identifier: MIT
// The input check shared by the conversions of one mesh: an element that lists a vertex twice.
#pragma once

#include <algorithm>
#include <optional>

#include <ostrel/basic/common.h>

namespace veyra::detail {

/// The first vertex that the element's list holds a second time, if any. Elements have a
/// handful of vertices, so the quadratic scan is the cheap one.
template <typename Vertices>
std::optional<index_t> repeated_vertex(const Vertices& vertices) {
  for (std::size_t k = 1; k < vertices.size(); ++k) {
    if (std::find(vertices.begin(), vertices.begin() + k, vertices[k]) != vertices.begin() + k) {
      return vertices[k];
    }
  }
  return std::nullopt;
}

}  // namespace veyra::detail
