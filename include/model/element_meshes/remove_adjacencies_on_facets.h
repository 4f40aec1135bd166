// SPDX-License-Identifier: MIT
// remove_adjacencies_on_facets: cuts a solid apart along a list of its facets, so that the
// polyhedra on the two sides of each listed facet stop being adjacent.
#pragma once

#include <absl/types/span.h>
#include <ostrel/basic/common.h>
#include <ostrel/mesh/solid_mesh.h>

namespace veyra::internal {

/// Unsets, on both sides, the adjacency of every polyhedron facet whose vertices are those of
/// one of the given facets (ids in solid.facets(), which must be enabled). Other adjacencies,
/// vertices and tables are left as they are. The cost follows the number of given facets.
void remove_adjacencies_on_facets(SolidMesh<3>& solid, absl::Span<const index_t> facets);

}  // namespace veyra::internal
