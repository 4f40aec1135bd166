// SPDX-License-Identifier: MIT
#include <model/operations/block_mapping_identifier.h>

#include <algorithm>
#include <vector>

#include <absl/container/flat_hash_set.h>
#include <absl/container/inlined_vector.h>

#include <ostrel/basic/linked_hash_map.h>
#include <ostrel/model/brep.h>

namespace veyra::internal {
namespace {

template <typename Container, typename T>
bool contains(const Container& values, const T& value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

template <typename Container, typename T>
void insert_once(Container& values, const T& value) {
  if (!contains(values, value)) values.push_back(value);
}

}  // namespace

class BlockMappingIdentifier::Impl {
  // A surface bounds at most two blocks of a valid model, and rarely more candidates.
  using Blocks = absl::InlinedVector<uuid, 2>;
  using Candidates = absl::InlinedVector<index_t, 2>;
  using Mapping = GenericMapping<uuid, index_t>;

  // The three lists of one propagation run. Only membership matters, except for the number of
  // surface entries, which counts repetitions and decides when a run stops.
  struct PropagationState {
    absl::flat_hash_set<uuid> processed;
    index_t nb_processed{0};
    absl::flat_hash_set<uuid> resolved;
    std::vector<bool> assigned;

    void process(const uuid& surface) {
      processed.insert(surface);
      ++nb_processed;
    }
  };

 public:
  Impl(const BRep& model, absl::Span<const BlockRelationships> candidates)
      : candidates_(candidates) {
    for (const auto& surface : model.surfaces()) {
      if (model.nb_incidences(surface.id()) == 0) continue;
      auto& blocks = surface_old_blocks_[surface.id()];
      for (const auto& block : model.incidences(surface)) insert_once(blocks, block.id());
    }
    for (index_t candidate = 0; candidate < candidates_.size(); ++candidate) {
      for (const auto& surface : candidates_[candidate].boundary_surfaces) {
        insert_once(surface_candidates_[surface], candidate);
      }
    }
  }

  Mapping create_block_mappings() const {
    Mapping result;
    while (propagate(result)) {
    }
    while (match_with_neighbours(result)) {
    }
    map_single_candidate_surfaces(result);
    return result;
  }

 private:
  // Phase 1: one run of passes; returns whether it matched anything. A run starts from what the
  // mapping already holds: blocks with a candidate are resolved, candidates with a block are
  // assigned.
  bool propagate(Mapping& result) const {
    PropagationState state;
    state.assigned.assign(candidates_.size(), false);
    for (const auto& [surface, blocks] : surface_old_blocks_) {
      for (const auto& block : blocks) {
        if (result.has_mapping_input(block)) state.resolved.insert(block);
      }
    }
    for (const auto& [surface, candidates] : surface_candidates_) {
      for (const auto candidate : candidates) {
        if (result.has_mapping_output(candidate)) state.assigned[candidate] = true;
      }
    }
    bool run_matched = false;
    while (state.nb_processed != surface_old_blocks_.size()) {
      if (!propagation_pass(result, state)) break;
      run_matched = true;
    }
    return run_matched;
  }

  bool propagation_pass(Mapping& result, PropagationState& state) const {
    bool pass_matched = false;
    for (const auto& [surface, blocks] : surface_old_blocks_) {
      if (state.processed.contains(surface)) continue;
      const auto surface_candidates = surface_candidates_.find(surface);
      if (surface_candidates == surface_candidates_.end()) {
        state.process(surface);
        continue;
      }
      Blocks unresolved;
      for (const auto& block : blocks) {
        if (!state.resolved.contains(block)) unresolved.push_back(block);
      }
      if (unresolved.empty()) {
        state.process(surface);
        continue;
      }
      if (unresolved.size() > 1) continue;
      Candidates free;
      for (const auto candidate : surface_candidates->second) {
        if (!state.assigned[candidate]) free.push_back(candidate);
      }
      if (free.empty()) {
        state.process(surface);
        continue;
      }
      if (free.size() > 1) continue;
      const auto& block = unresolved.front();
      const auto candidate = free.front();
      result.map(block, candidate);
      pass_matched = true;
      for (const auto& candidate_surface : candidates_[candidate].boundary_surfaces) {
        state.process(candidate_surface);
      }
      state.assigned[candidate] = true;
      state.resolved.insert(block);
    }
    return pass_matched;
  }

  // Phase 2: one sweep over the candidates without old block; returns whether it mapped one.
  bool match_with_neighbours(Mapping& result) const {
    bool changed = false;
    for (index_t candidate = 0; candidate < candidates_.size(); ++candidate) {
      if (result.has_mapping_output(candidate)) continue;
      const auto& surfaces = candidates_[candidate].boundary_surfaces;
      Blocks neighbour_blocks;
      for (const auto& surface : surfaces) {
        for (const auto other : surface_candidates_.at(surface)) {
          if (other == candidate || !result.has_mapping_output(other)) continue;
          insert_once(neighbour_blocks, result.out2in(other).front());
        }
      }
      if (neighbour_blocks.empty()) continue;
      absl::InlinedVector<bool, 2> marked(neighbour_blocks.size(), true);
      for (const auto& surface : surfaces) {
        const auto& separated = surface_candidates_.at(surface);
        const auto touches = [&](const uuid& block) {
          const auto& targets = result.in2out(block);
          return std::any_of(targets.begin(), targets.end(),
                             [&](index_t target) { return contains(separated, target); });
        };
        if (is_new_separation(result, surface)) {
          for (index_t b = 0; b < neighbour_blocks.size(); ++b) {
            if (marked[b] && !touches(neighbour_blocks[b])) marked[b] = false;
          }
        }
        // An old block bounded by the surface on one side only, and already matched with a
        // candidate on that side, cannot also fill this one: the region across was empty (a
        // cavity), not a part of the block.
        const auto old_blocks = surface_old_blocks_.find(surface);
        if (old_blocks == surface_old_blocks_.end() || old_blocks->second.size() != 1) continue;
        const auto& only_block = old_blocks->second.front();
        for (index_t b = 0; b < neighbour_blocks.size(); ++b) {
          if (marked[b] && neighbour_blocks[b] == only_block && touches(only_block)) {
            marked[b] = false;
          }
        }
      }
      if (std::count(marked.begin(), marked.end(), true) != 1) continue;
      const auto chosen = std::find(marked.begin(), marked.end(), true) - marked.begin();
      result.map(neighbour_blocks[chosen], candidate);
      changed = true;
    }
    return changed;
  }

  // A surface that bounded no old block and lies between exactly two candidates, one of them
  // already matched.
  bool is_new_separation(const Mapping& result, const uuid& surface) const {
    if (surface_old_blocks_.contains(surface)) return false;
    const auto& candidates = surface_candidates_.at(surface);
    if (candidates.size() != 2) return false;
    return result.has_mapping_output(candidates[0]) != result.has_mapping_output(candidates[1]);
  }

  // Phase 3.
  void map_single_candidate_surfaces(Mapping& result) const {
    for (const auto& [surface, candidates] : surface_candidates_) {
      if (candidates.size() != 1) continue;
      const auto blocks = surface_old_blocks_.find(surface);
      if (blocks == surface_old_blocks_.end()) continue;
      for (const auto& block : blocks->second) result.map(block, candidates.front());
    }
  }

  absl::Span<const BlockRelationships> candidates_;
  linked_hash_map<uuid, Blocks> surface_old_blocks_;
  linked_hash_map<uuid, Candidates> surface_candidates_;
};

BlockMappingIdentifier::BlockMappingIdentifier(const BRep& model,
                                               absl::Span<const BlockRelationships> candidates)
    : impl_(std::make_unique<Impl>(model, candidates)) {}

BlockMappingIdentifier::~BlockMappingIdentifier() = default;

GenericMapping<uuid, index_t> BlockMappingIdentifier::create_block_mappings() const {
  return impl_->create_block_mappings();
}

}  // namespace veyra::internal
