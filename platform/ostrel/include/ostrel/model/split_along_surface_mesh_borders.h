// SPDX-License-Identifier: MIT
// SplitAlongSurfaceMeshBorders<Model>: cuts every surface mesh of a model along the lines of the
// model, so that polygons on the two sides of a line stop being adjacent and the vertices of the
// cut get one copy per fan.
#pragma once

#include <ostrel/basic/component_id.h>

#include <memory>
#include <utility>
#include <vector>

namespace veyra {

template <typename Model>
class SplitAlongSurfaceMeshBorders {
 public:
  /// Works through a builder of its own.
  explicit SplitAlongSurfaceMeshBorders(Model& model);
  /// Works through the caller's builder of `model`.
  SplitAlongSurfaceMeshBorders(const Model& model, typename Model::Builder& builder);
  SplitAlongSurfaceMeshBorders(const SplitAlongSurfaceMeshBorders&) = delete;
  SplitAlongSurfaceMeshBorders& operator=(const SplitAlongSurfaceMeshBorders&) = delete;
  ~SplitAlongSurfaceMeshBorders();

  /// For each surface, in model order:
  /// 1. cut: every adjacent polygon edge whose two ends are tied to the unique vertices of some
  ///    line edge of the model (lines found through unique vertices, not relations) loses its
  ///    adjacency on both sides;
  /// 2. duplicate: each end of a cut edge, ascending, whose polygons now form several fans keeps
  ///    the fan with the smallest corner; each other fan, in order, gets a new vertex with the
  ///    same point, unique vertex and attribute values.
  /// Returns the (old, new) surface vertex pairs: surfaces in model order, then old vertices
  /// ascending, then fans in order. A line along the mesh border cuts nothing, and a line end
  /// inside the surface keeps a single fan.
  std::vector<std::pair<ComponentMeshVertex, ComponentMeshVertex>> split_all_surfaces();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
