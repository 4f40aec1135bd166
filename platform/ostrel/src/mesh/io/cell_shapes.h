// SPDX-License-Identifier: MIT
// The fixed volume cells (tetrahedron, hexahedron, prism, pyramid) in the vertex order of Gmsh,
// which the readers convert every format to: their facets as local vertex positions, facing
// outwards for a positively oriented cell, and the recognition of a solid's polyhedron as one
// of them.
#pragma once

#include <vector>

#include <ostrel/mesh/solid_mesh.h>

#include "raw_mesh.h"

namespace veyra::internal {

/// Facets of a fixed volume cell kind; empty for other kinds.
/// - tetrahedron (0, 1, 2, 3): (1, 2, 3), (0, 3, 2), (0, 1, 3), (0, 2, 1);
/// - hexahedron, bottom 0-3 turning towards the top 4-7 above them: (0, 3, 2, 1), (4, 5, 6, 7),
///   (0, 1, 5, 4), (1, 2, 6, 5), (2, 3, 7, 6), (3, 0, 4, 7);
/// - prism, bottom triangle 0-2 turning towards the top 3-5: (0, 2, 1), (3, 4, 5),
///   (0, 1, 4, 3), (1, 2, 5, 4), (2, 0, 3, 5);
/// - pyramid, base 0-3 turning towards the apex 4: (0, 3, 2, 1), (0, 1, 4), (1, 2, 4),
///   (2, 3, 4), (3, 0, 4).
const std::vector<std::vector<local_index_t>>& cell_facets(CellKind kind);

/// tetrahedron, hexahedron, prism or pyramid when the polyhedron has that kind's vertex count
/// and its facets are that kind's facets (as vertex sets, in any order and orientation);
/// polyhedron otherwise.
CellKind polyhedron_kind(const SolidMesh<3>& mesh, index_t polyhedron);

/// polyhedron_kind of every polyhedron of the mesh, in order.
std::vector<CellKind> polyhedron_kinds(const SolidMesh<3>& mesh);

}  // namespace veyra::internal
