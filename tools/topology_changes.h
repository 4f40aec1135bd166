// SPDX-License-Identifier: MIT
// The summary the model-editing commands print: the model's component counts, the items of the
// collections an operation tags its components with, and what the topology update created and
// removed.
#pragma once

#include <model/common/mappings.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/section.h>

#include <ostream>
#include <string_view>

namespace veyra::tools {

/// "BRep: 8 corners, 12 lines, 6 surfaces, 1 blocks, 1 model boundaries" (no blocks for a
/// Section).
void print_model_counts(std::ostream& out, const BRep& model);
void print_model_counts(std::ostream& out, const Section& model);

/// "<title>: 3 corners, 4 lines, 1 surfaces": the items of the corner, line and surface
/// collections named exactly `collection_name`.
template <typename Model>
void print_collection_items(std::ostream& out, std::string_view title, const Model& model,
                            std::string_view collection_name);

/// "Created: 8 Corner 0 Line ..." and "Removed: ..." from the mappings of a topology update.
template <typename Model>
void print_topology_changes(std::ostream& out, const ModelMappings<Model>& mappings);

}  // namespace veyra::tools
