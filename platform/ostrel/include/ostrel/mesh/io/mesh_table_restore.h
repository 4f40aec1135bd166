// SPDX-License-Identifier: MIT
// Restoring the edge (and facet) tables of a mesh exactly as they were saved, numbering
// included, for the native model file readers.
#pragma once

#include <array>

#include <absl/types/span.h>

#include <ostrel/basic/common.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/surface_mesh.h>

namespace veyra {

/// Enables the mesh's edge table and fills it with `edges` (each (smaller, larger)) in this
/// order, with default attribute values. Returns false, leaving the table disabled, when an
/// entry appears twice, has a vertex out of range or a polygon edge has no entry.
template <index_t D>
bool restore_edge_table(SurfaceMesh<D>& mesh, absl::Span<const std::array<index_t, 2>> edges);

/// The same for a solid: every polyhedron facet edge needs an entry. Also false when an entry
/// has a vertex out of range or twice.
bool restore_edge_table(SolidMesh<3>& mesh, absl::Span<const std::array<index_t, 2>> edges);

/// Enables the solid's facet table and fills it with facet f = vertices[offsets[f] ..
/// offsets[f + 1]) in this order, with default attribute values. Returns false, leaving the
/// table disabled, when the offsets are not increasing from 0 to vertices.size(), a facet has
/// fewer than 3 vertices or one out of range, a vertex set appears twice, or a polyhedron facet
/// has no entry.
bool restore_facet_table(SolidMesh<3>& mesh, absl::Span<const index_t> offsets,
                         absl::Span<const index_t> vertices);

}  // namespace veyra
