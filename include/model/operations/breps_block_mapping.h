// SPDX-License-Identifier: MIT
// The "Block" entry of a component mapping between two BReps, derived from the mapping of their
// surfaces: a block of one model corresponds to the blocks of the other whose boundary surfaces
// map onto its own.
#pragma once

#include <ostrel/basic/model_mapping.h>

namespace veyra {

class BRep;

/// `mapping` relates components of `first` (sources) to components of `second` (targets); it
/// must hold a "Surface" entry and no "Block" entry. For each block B of `second`, its candidates
/// are the blocks of `first` that every first-model source of B's boundary surfaces bounds. Then,
/// while some block keeps several partners none of which is its alone, the other partners are
/// dropped, on the source side and then on the target side; when a sweep changes nothing the
/// refinement ends. Adds the result as "Block".
/// \throw VeyraConversionModelException (internal) "[add_sharp_feature::build_in2out_block_mapping]
/// Inconsistent block mapping" when the result does not pair as many source blocks as target
/// blocks; `mapping` then has no "Block" entry.
/// \throw std::out_of_range when `mapping` has no "Surface" entry; OstrelModelException when it
/// already has a "Block" entry.
void add_breps_block_mapping_case_bijective(const BRep& first, const BRep& second,
                                            ModelGenericMapping& mapping);

/// As the bijective case, but a block of `first` is a candidate of B as soon as one mapped
/// surface of B bounds it, only source blocks with several targets are refined, and the sizes are
/// not checked: several first-model blocks may map to one second-model block.
void add_breps_block_mapping_case_surjective(const BRep& first, const BRep& second,
                                             ModelGenericMapping& mapping);

/// The surjective case run the other way: on (second, first) with the reverse of `mapping`,
/// whose result, reversed again, replaces `mapping`. Only the "Block", "Surface", "Line" and
/// "Corner" entries survive.
void add_breps_block_mapping_case_multivaluate(const BRep& first, const BRep& second,
                                               ModelGenericMapping& mapping);

}  // namespace veyra
