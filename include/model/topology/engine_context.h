// SPDX-License-Identifier: MIT
// EngineContext<Model>: what the steps of the topology engine share (the model and its builder,
// the corners-and-lines builder whose wireframe is current, the mappings record, the components
// the model had when the engine started and the merge flag).
#pragma once

#include <vector>

#include <ostrel/basic/uuid.h>
#include <model/common/mappings.h>
#include <model/wireframe/corners_lines_builder.h>

namespace veyra::detail {

/// The engine owns one context and hands it to its surface and block steps. Every member but
/// the old-component lists and the flag refers to an object the engine owns or was given: they
/// must outlive the context. Not copyable.
template <typename Model>
struct EngineContext {
  /// Records the model's corners, lines, surfaces (and blocks, for a BRep) in model order: the
  /// old components, from which every mesh mapping entry starts.
  EngineContext(Model& model, typename Model::Builder& builder,
                CornersLinesBuilder<Model>& corners_lines, ModelMappings<Model>& mappings,
                bool merge_components);
  EngineContext(const EngineContext&) = delete;
  EngineContext& operator=(const EngineContext&) = delete;

  Model& model;
  typename Model::Builder& builder;
  /// Its wireframe says which unique edges are on which line.
  CornersLinesBuilder<Model>& corners_lines;
  ModelMappings<Model>& mappings;
  std::vector<uuid> old_corners;
  std::vector<uuid> old_lines;
  std::vector<uuid> old_surfaces;
  /// BRep only (empty for a Section): the blocks whose meshes the block mappings start from.
  std::vector<uuid> old_blocks;
  bool merge_components;
};

extern template struct EngineContext<Section>;
extern template struct EngineContext<BRep>;

}  // namespace veyra::detail
