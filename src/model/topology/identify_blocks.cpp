// SPDX-License-Identifier: MIT
#include <model/topology/identify_blocks.h>

#include <vector>

#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>

#include <model/common/library.h>
#include <model/operations/block_mapping_identifier.h>
#include <model/operations/blocks_from_surfaces.h>
#include <model/topology/brep_block_builder.h>

namespace veyra::internal {
namespace {

struct BlocksToBuild {
  std::vector<BlockRelationships> relationships;
  // Old block -> index in `relationships` of each region made from it.
  GenericMapping<uuid, index_t> old_to_new;
};

BlocksToBuild determine_blocks_to_build(const BRep& model, BRepMappings& mappings) {
  auto candidates = determine_blocks(model);
  auto match = BlockMappingIdentifier{model, candidates}.create_block_mappings();
  std::vector<bool> dropped(candidates.size(), false);
  for (index_t candidate = 0; candidate < candidates.size(); ++candidate) {
    if (!match.has_mapping_output(candidate)) dropped[candidate] = true;
  }
  const auto type = Block<3>::component_type_static();
  for (const auto& block : model.blocks()) {
    const auto targets = match.in2out_map().find(block.id());
    if (targets == match.in2out_map().end() || targets->second.size() != 1) continue;
    const auto candidate = targets->second.front();
    if (match.out2in(candidate).size() != 1) continue;
    dropped[candidate] = true;
    if (!mappings.unchanged_components.has_mapping_type(type)) {
      mappings.unchanged_components.emplace(type, {});
    }
    mappings.unchanged_components.at(type).push_back(block.id());
    match.unmap(block.id(), candidate);
  }
  BlocksToBuild result;
  std::vector<index_t> new_indices(candidates.size(), NO_ID);
  for (index_t candidate = 0; candidate < candidates.size(); ++candidate) {
    if (dropped[candidate]) continue;
    new_indices[candidate] = static_cast<index_t>(result.relationships.size());
    result.relationships.push_back(std::move(candidates[candidate]));
  }
  for (const auto& [block, targets] : match.in2out_map()) {
    for (const auto candidate : targets) {
      if (new_indices[candidate] == NO_ID) {
        throw VeyraConversionModelException{
            nullptr, OstrelException::TYPE::internal,
            "[ModelBuilderFromUniqueVertices::determine_blocks_to_build] Should have found a "
            "block output"};
      }
      result.old_to_new.map(block, new_indices[candidate]);
    }
  }
  return result;
}

}  // namespace

void identify_blocks(const BRep& model, BRepBuilder& builder, BRepMappings& mappings) {
  if (model.nb_blocks() == 0) return;
  const auto blocks = determine_blocks_to_build(model, mappings);
  detail::BRepBlockBuilder{model, builder}.replace_blocks(mappings, blocks.relationships,
                                                          blocks.old_to_new);
}

}  // namespace veyra::internal
