// SPDX-License-Identifier: MIT
// Corner<D>: a component meshed by a point set, usually of one vertex.
#pragma once

#include <memory>
#include <utility>

#include <ostrel/mesh/point_set.h>
#include <ostrel/model/mesh_component.h>

namespace veyra {

template <index_t D>
class Corner final : public MeshComponent<D, PointSet<D>> {
 public:
  Corner(std::unique_ptr<PointSet<D>> mesh, ComponentsBuilderKey)
      : MeshComponent<D, PointSet<D>>(std::move(mesh)) {}

  static ComponentType component_type_static() { return ComponentType{"Corner"}; }
  ComponentType component_type() const final { return component_type_static(); }
};

}  // namespace veyra
