// SPDX-License-Identifier: MIT
// The geometric tolerance: an absolute distance in model units, the same in 2D and 3D. Two
// positions closer than it are the same position, and a length or divider below it is zero.
#pragma once

namespace veyra {

/// Distances at most this large count as zero ("<=" everywhere).
inline constexpr double global_epsilon = 1e-6;
/// Square of global_epsilon, for comparisons with squared distances.
inline constexpr double global_epsilon2 = global_epsilon * global_epsilon;

}  // namespace veyra
