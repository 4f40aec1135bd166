// SPDX-License-Identifier: MIT
// identify_blocks: brings the blocks of a BRep up to date with its surfaces, as the last step of
// a topology update before the model boundaries.
#pragma once

#include <model/common/mappings.h>

namespace veyra {

class BRep;
class BRepBuilder;

namespace internal {

/// Modifies the model through `builder` and records the changes in `mappings`:
/// 1. A model without blocks is left alone and nothing is recorded.
/// 2. The closed regions of the current surfaces (determine_blocks) are matched with the old
///    blocks (BlockMappingIdentifier). Regions without an old block are dropped; an old block
///    matched with exactly one region that has no other old block stays as it is and is listed
///    under "Block" in the unchanged components.
/// 3. Every other matched region becomes a new block that takes the names, collections,
///    active flags and meshes of its old blocks (merged or split), and the old blocks are
///    removed. The "Block" component mapping becomes old block -> new blocks, and the block mesh
///    mappings relate old block vertices and polyhedra to new ones.
/// Old blocks that no region matches stay untouched and unrecorded.
/// \throw VeyraConversionModelException (internal) from determine_blocks, or when the matches
/// cannot be turned into new blocks (see BRepBlockBuilder).
void identify_blocks(const BRep& model, BRepBuilder& builder, BRepMappings& mappings);

}  // namespace internal

}  // namespace veyra
