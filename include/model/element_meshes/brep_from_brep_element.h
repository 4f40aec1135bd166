// SPDX-License-Identifier: MIT
// build_brep_from_brep_element: a one-block BRep whose surfaces, lines and corners come from the
// boundary of a single polyhedron of a block mesh.
#pragma once

#include <ostrel/basic/common.h>
#include <ostrel/model/block.h>
#include <ostrel/model/brep.h>

namespace veyra::detail {

/// A new BRep that stands for polyhedron `polyhedron` of `block`'s mesh on its own. Each facet of
/// the polyhedron becomes one polygon of a surface mesh (no adjacency is computed between the
/// facets), which is triangulated; its border edges give one curve, and the surface and the curve
/// go through the mesh-collection conversion (tied at equal points, then the topology engine),
/// after which the block and the model boundary are built. A tetrahedron gives 4 corners, 6 lines,
/// 4 surfaces and 1 block; a hexahedron 8 corners, 12 lines, 6 surfaces and 1 block.
///
/// Only the polyhedron's vertex positions and facet lists are read: the block's other polyhedra,
/// attributes and relationships play no part, and nothing is changed.
/// \throw VeyraConversionModelException (input, data null) when `polyhedron` is not a polyhedron
/// of the block's mesh.
BRep build_brep_from_brep_element(const Block<3>& block, index_t polyhedron);

}  // namespace veyra::detail
