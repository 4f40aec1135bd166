// SPDX-License-Identifier: MIT
// Small helpers on index lists shared by the modifiers. Not installed.
#pragma once

#include <algorithm>
#include <numeric>
#include <vector>

#include <absl/types/span.h>

#include <ostrel/basic/common.h>

namespace veyra::internal {

inline bool contains(absl::Span<const index_t> values, index_t value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

/// 0, 1, ..., size - 1: the renumbering of items that do not move.
inline std::vector<index_t> identity(index_t size) {
  std::vector<index_t> result(size);
  std::iota(result.begin(), result.end(), index_t{0});
  return result;
}

}  // namespace veyra::internal
