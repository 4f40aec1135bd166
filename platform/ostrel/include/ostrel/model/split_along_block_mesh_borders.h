// SPDX-License-Identifier: MIT
// SplitAlongBlockMeshBorders: cuts every block mesh of a BRep along the surfaces that run through
// it, so that the polyhedra on the two sides of such a surface stop being adjacent and the
// vertices of the cut get one copy per fan.
#pragma once

#include <ostrel/basic/component_id.h>

#include <memory>
#include <utility>
#include <vector>

namespace veyra {

class BRep;
class BRepBuilder;

class SplitAlongBlockMeshBorders {
 public:
  SplitAlongBlockMeshBorders(const BRep& model, BRepBuilder& builder);
  SplitAlongBlockMeshBorders(const SplitAlongBlockMeshBorders&) = delete;
  SplitAlongBlockMeshBorders& operator=(const SplitAlongBlockMeshBorders&) = delete;
  ~SplitAlongBlockMeshBorders();

  /// For each block with a non-empty mesh, in model order:
  /// 1. cut: for every surface polygon whose unique vertices match exactly two polyhedron facets
  ///    of the block (an inner surface of the block, found through unique vertices, not
  ///    relations), both facets and their neighbour facets lose their adjacency;
  /// 2. duplicate: each vertex of those facets, ascending, whose polyhedra now form several fans
  ///    keeps the fan with the smallest corner; each other fan gets a new vertex with the same
  ///    point, unique vertex and attribute values.
  /// Returns the (old, new) block vertex pairs: blocks in model order, then old vertices
  /// ascending, then fans in order. A second call changes nothing.
  std::vector<std::pair<ComponentMeshVertex, ComponentMeshVertex>> split_all_blocks();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
