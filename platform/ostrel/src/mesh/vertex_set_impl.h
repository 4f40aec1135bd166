// SPDX-License-Identifier: MIT
// Storage behind VertexSet and GeometricMesh<D>. Not installed.
#pragma once

#include <vector>

#include <ostrel/basic/attribute_manager.h>
#include <ostrel/mesh/geometric_mesh.h>
#include <ostrel/mesh/vertex_set.h>

namespace veyra {

class VertexSet::Impl {
 public:
  AttributeManager vertex_attributes;
};

template <index_t D>
class GeometricMesh<D>::Impl {
 public:
  std::vector<Point<D>> points;
};

}  // namespace veyra
