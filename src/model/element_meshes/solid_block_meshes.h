// SPDX-License-Identifier: MIT
// The block steps of a BRep built from one solid: one block per set of connected polyhedra of a
// solid cut along its surface facets, with a copy of those polyhedra as its mesh, and the block
// relationships and final touches of such a BRep.
#pragma once

#include <ostrel/basic/common.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>

#include <vector>

namespace veyra::internal {

/// The blocks made from a solid: block i is `blocks[i]`, and polyhedron q of its mesh copies
/// solid polyhedron `polyhedra[i][q]` (ascending in q).
struct SolidBlocks {
  std::vector<uuid> blocks;
  std::vector<std::vector<index_t>> polyhedra;
};

/// Adds one block per group of polyhedra of `solid` connected through adjacency (groups ordered
/// by their smallest polyhedron), with the solid's implementation. Each block mesh, built as one
/// pool task, copies its polyhedra in ascending order with their vertices in order of first use,
/// the adjacencies between them, and the vertex and polyhedron attribute values. Every block
/// vertex is then tied to the unique vertex whose index is its solid vertex.
SolidBlocks build_blocks_from_connected_polyhedra(const SolidMesh<3>& solid, const BRep& brep,
                                                  BRepBuilder& builder);

/// After the block meshes are cut along the surfaces: relates each surface to the blocks around
/// its polygon 0 (two facets of one block: internal; one facet, or two blocks: boundary), each
/// free line and free corner to the block it lies in, puts a corner where a surface touches
/// another one at an inner vertex, builds the model boundary and deletes the isolated unique
/// vertices, whose old-to-new renumbering is returned.
/// \throw VeyraConversionModelException (internal) when a surface polygon has no, or more than
/// two, blocks or block polyhedra around it, or a free line or corner is not in exactly one
/// block.
std::vector<index_t> relate_blocks_and_finish(const BRep& brep, BRepBuilder& builder);

}  // namespace veyra::internal
