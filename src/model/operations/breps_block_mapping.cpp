// SPDX-License-Identifier: MIT
#include <model/operations/breps_block_mapping.h>

#include <array>
#include <vector>

#include <ostrel/basic/generic_mapping.h>
#include <ostrel/basic/linked_hash_map.h>
#include <ostrel/model/brep.h>

#include <model/common/library.h>

namespace veyra {
namespace {

using BlockMapping = GenericMapping<uuid>;
using SurfaceBlocks = linked_hash_map<uuid, std::vector<uuid>>;

// Surface -> the blocks it bounds, in block order.
SurfaceBlocks surface_blocks(const BRep& model) {
  SurfaceBlocks result;
  for (const auto& block : model.blocks()) {
    for (const auto& surface : model.boundaries(block)) result[surface.id()].push_back(block.id());
  }
  return result;
}

enum struct CandidateRule { bounded_by_all, bounded_by_any };

// The blocks of the source model bounded by the sources of B's boundary surfaces: by all of them
// (each counted as often as it is listed), or by any. Blocks come in the order they are first
// counted.
std::vector<uuid> candidate_blocks(const BRep& target_model, const Block<3>& target_block,
                                   const BlockMapping& surfaces, const SurfaceBlocks& source_blocks,
                                   CandidateRule rule) {
  index_t nb_counted_surfaces = 0;
  linked_hash_map<uuid, index_t> counters;
  for (const auto& surface : target_model.boundaries(target_block)) {
    const auto sources = surfaces.out2in_map().find(surface.id());
    if (sources == surfaces.out2in_map().end()) continue;
    for (const auto& source : sources->second) {
      const auto blocks = source_blocks.find(source);
      if (blocks == source_blocks.end()) continue;
      ++nb_counted_surfaces;
      for (const auto& block : blocks->second) ++counters[block];
    }
  }
  std::vector<uuid> result;
  result.reserve(counters.size());
  for (const auto& [block, count] : counters) {
    if (rule == CandidateRule::bounded_by_any || count == nb_counted_surfaces) {
      result.push_back(block);
    }
  }
  return result;
}

BlockMapping initial_block_mapping(const BRep& source_model, const BRep& target_model,
                                   const BlockMapping& surfaces, CandidateRule rule) {
  const auto source_blocks = surface_blocks(source_model);
  BlockMapping result;
  for (const auto& block : target_model.blocks()) {
    for (const auto& candidate :
         candidate_blocks(target_model, block, surfaces, source_blocks, rule)) {
      result.map(candidate, block.id());
    }
  }
  return result;
}

struct RefinementResult {
  bool changed{false};
  bool ambiguous{false};
};

// For each key with several partners, keeps the first partner that has this key as its only
// partner and drops the others. A key none of whose partners is exclusive stays as it is and is
// reported as ambiguous. `partners` reads one side of the mapping, `other_partners` the other,
// and unmap(key, partner) removes a pair.
template <typename Partners, typename OtherPartners, typename Unmap>
RefinementResult refine(const linked_hash_map<uuid, GenericMapping<uuid>::Values<uuid>>& side,
                        Partners&& partners, OtherPartners&& other_partners, Unmap&& unmap) {
  RefinementResult result;
  std::vector<uuid> keys;
  for (const auto& [key, values] : side) {
    if (values.size() > 1) keys.push_back(key);
  }
  for (const auto& key : keys) {
    const auto current = partners(key);
    if (current.size() < 2) continue;
    const uuid* exclusive = nullptr;
    for (const auto& partner : current) {
      const auto& back = other_partners(partner);
      if (back.size() == 1 && back.front() == key) {
        exclusive = &partner;
        break;
      }
    }
    if (exclusive == nullptr) {
      result.ambiguous = true;
      continue;
    }
    for (const auto& partner : current) {
      if (partner == *exclusive) continue;
      unmap(key, partner);
      result.changed = true;
    }
  }
  return result;
}

RefinementResult refine_sources(BlockMapping& mapping) {
  return refine(
      mapping.in2out_map(), [&](const uuid& key) { return mapping.in2out(key); },
      [&](const uuid& target) -> const auto& { return mapping.out2in(target); },
      [&](const uuid& source, const uuid& target) { mapping.unmap(source, target); });
}

RefinementResult refine_targets(BlockMapping& mapping) {
  return refine(
      mapping.out2in_map(), [&](const uuid& key) { return mapping.out2in(key); },
      [&](const uuid& source) -> const auto& { return mapping.in2out(source); },
      [&](const uuid& target, const uuid& source) { mapping.unmap(source, target); });
}

// The refinement repeats while some block keeps several partners none of which is its alone.
// Such a block may stay forever (two blocks that both touch the same two blocks): a sweep that
// changes nothing would change nothing the next time either, so the refinement ends there.
template <typename... Refiners>
void refine_until_settled(BlockMapping& mapping, Refiners... refiners) {
  while (true) {
    RefinementResult sweep;
    for (const auto refiner : {refiners...}) {
      const auto side = refiner(mapping);
      sweep.changed = sweep.changed || side.changed;
      sweep.ambiguous = sweep.ambiguous || side.ambiguous;
    }
    if (!sweep.ambiguous || !sweep.changed) return;
  }
}

ModelGenericMapping reverse_mapping(const ModelGenericMapping& mapping) {
  const std::array<ComponentType, 4> types{
      Block<3>::component_type_static(), Surface<3>::component_type_static(),
      Line<3>::component_type_static(), Corner<3>::component_type_static()};
  ModelGenericMapping result;
  for (const auto& type : types) {
    if (!mapping.has_mapping_type(type)) continue;
    GenericMapping<uuid> reversed;
    for (const auto& [source, targets] : mapping.at(type).in2out_map()) {
      for (const auto& target : targets) reversed.map(target, source);
    }
    result.emplace(type, std::move(reversed));
  }
  return result;
}

}  // namespace

void add_breps_block_mapping_case_bijective(const BRep& first, const BRep& second,
                                            ModelGenericMapping& mapping) {
  const auto& surfaces = mapping.at(Surface<3>::component_type_static());
  auto blocks = initial_block_mapping(first, second, surfaces, CandidateRule::bounded_by_all);
  refine_until_settled(blocks, &refine_sources, &refine_targets);
  if (blocks.size_in() != blocks.size_out()) {
    throw VeyraConversionModelException{
        nullptr, OstrelException::TYPE::internal,
        "[add_sharp_feature::build_in2out_block_mapping] Inconsistent block mapping"};
  }
  mapping.emplace(Block<3>::component_type_static(), std::move(blocks));
}

void add_breps_block_mapping_case_surjective(const BRep& first, const BRep& second,
                                             ModelGenericMapping& mapping) {
  const auto& surfaces = mapping.at(Surface<3>::component_type_static());
  auto blocks = initial_block_mapping(first, second, surfaces, CandidateRule::bounded_by_any);
  refine_until_settled(blocks, &refine_sources);
  mapping.emplace(Block<3>::component_type_static(), std::move(blocks));
}

void add_breps_block_mapping_case_multivaluate(const BRep& first, const BRep& second,
                                               ModelGenericMapping& mapping) {
  auto reversed = reverse_mapping(mapping);
  add_breps_block_mapping_case_surjective(second, first, reversed);
  mapping = reverse_mapping(reversed);
}

}  // namespace veyra
