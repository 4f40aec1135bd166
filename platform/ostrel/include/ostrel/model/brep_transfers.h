// SPDX-License-Identifier: MIT
// transfer_brep_metadata and transfer_brep_collections: carry the names, active flags and
// collections of a BRep over to another BRep whose components replace its own, following a
// mapping from old components to new ones.
#pragma once

#include <ostrel/basic/model_mapping.h>

namespace veyra {

class BRep;
class BRepBuilder;

/// For each of "Corner", "Line", "Surface" and "Block" present in `component_mapping`, and each
/// target of that mapping in its target order: the distinct names of its sources that have one,
/// in first-occurrence order and joined with "_", become its name (when there is at least one);
/// it is active if and only if all its sources are. Sources unknown to `from` are skipped.
void transfer_brep_metadata(const BRep& from, BRepBuilder& to_builder,
                            const ModelGenericMapping& component_mapping);

/// For each collection of `from` (corner, line, surface and block collections, then model
/// boundaries, each kind in model order): creates one of the same kind in `to` with the same
/// name and a fresh id, and adds to it, in item order, every target of each item through the
/// mapping of the item's type, unless already there. Items without a mapping are skipped; a
/// collection left empty is still created. `to_builder` is a builder of `to`.
void transfer_brep_collections(const BRep& from, const BRep& to, BRepBuilder& to_builder,
                               const ModelGenericMapping& component_mapping);

}  // namespace veyra
