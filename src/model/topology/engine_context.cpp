// SPDX-License-Identifier: MIT
#include <model/topology/engine_context.h>

#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section.h>
#include <ostrel/model/section_builder.h>

namespace veyra::detail {
namespace {

template <typename Range>
std::vector<uuid> component_ids(const Range& range) {
  std::vector<uuid> ids;
  for (const auto& component : range) ids.push_back(component.id());
  return ids;
}

}  // namespace

template <typename Model>
EngineContext<Model>::EngineContext(Model& model, typename Model::Builder& builder,
                                    CornersLinesBuilder<Model>& corners_lines,
                                    ModelMappings<Model>& mappings, bool merge_components)
    : model(model),
      builder(builder),
      corners_lines(corners_lines),
      mappings(mappings),
      old_corners(component_ids(model.corners())),
      old_lines(component_ids(model.lines())),
      old_surfaces(component_ids(model.surfaces())),
      merge_components(merge_components) {
  if constexpr (Model::dim == 3) old_blocks = component_ids(model.blocks());
}

template struct EngineContext<Section>;
template struct EngineContext<BRep>;

}  // namespace veyra::detail
