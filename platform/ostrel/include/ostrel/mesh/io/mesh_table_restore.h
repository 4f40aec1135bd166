// SPDX-License-Identifier: MIT
// Restoring the edge table of a mesh exactly as it was saved, numbering included, for the
// native model file readers.
#pragma once

#include <array>

#include <absl/types/span.h>

#include <ostrel/basic/common.h>
#include <ostrel/mesh/surface_mesh.h>

namespace veyra {

/// Enables the mesh's edge table and fills it with `edges` (each (smaller, larger)) in this
/// order, with default attribute values. Returns false, leaving the table disabled, when an
/// entry appears twice or a polygon edge has no entry.
template <index_t D>
bool restore_edge_table(SurfaceMesh<D>& mesh, absl::Span<const std::array<index_t, 2>> edges);

}  // namespace veyra
