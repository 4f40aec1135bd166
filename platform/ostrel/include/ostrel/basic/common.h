// SPDX-License-Identifier: MIT
// Index types, the no-id values and the other small definitions every layer of the framework uses.
#pragma once

#include <cstdint>
#include <limits>

namespace veyra {

/// Index of a vertex, element or unique vertex: 32 bits everywhere.
using index_t = unsigned int;
/// Position inside one element (vertex of a polygon, facet of a polyhedron...).
using local_index_t = unsigned char;
/// Signed counterpart of index_t, for differences.
using signed_index_t = int;

/// Marks a missing index, and a removed item in old-to-new renumberings.
inline constexpr index_t NO_ID = std::numeric_limits<index_t>::max();
/// Marks a missing position inside an element.
inline constexpr local_index_t NO_LID = std::numeric_limits<local_index_t>::max();

}  // namespace veyra
