// SPDX-License-Identifier: MIT
// Canonical cycles: one representative for a closed list of vertices, whatever its start and
// direction. Two polygons or facets have the same vertex cycle exactly when their canonical
// cycles are equal.
#pragma once

#include <algorithm>
#include <iterator>

namespace veyra {

/// Rotates `cycle` in place so that its smallest entry (the first one on ties) comes first, then
/// reverses entries 2..n when the last entry is smaller than the second.
template <typename Container>
void make_canonical_cycle(Container& cycle) {
  const auto size = std::distance(std::begin(cycle), std::end(cycle));
  if (size < 3) {
    std::sort(std::begin(cycle), std::end(cycle));
    return;
  }
  std::rotate(std::begin(cycle), std::min_element(std::begin(cycle), std::end(cycle)),
              std::end(cycle));
  auto second = std::next(std::begin(cycle));
  if (*std::prev(std::end(cycle)) < *second) std::reverse(second, std::end(cycle));
}

/// A canonical copy of `cycle`.
template <typename Container>
Container canonical_cycle(Container cycle) {
  make_canonical_cycle(cycle);
  return cycle;
}

}  // namespace veyra
