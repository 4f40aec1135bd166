// SPDX-License-Identifier: MIT
// Line<D>: a component meshed by an edged curve.
#pragma once

#include <memory>
#include <utility>

#include <ostrel/mesh/edged_curve.h>
#include <ostrel/model/mesh_component.h>

namespace veyra {

template <index_t D>
class Line final : public MeshComponent<D, EdgedCurve<D>> {
 public:
  Line(std::unique_ptr<EdgedCurve<D>> mesh, ComponentsBuilderKey)
      : MeshComponent<D, EdgedCurve<D>>(std::move(mesh)) {}

  static ComponentType component_type_static() { return ComponentType{"Line"}; }
  ComponentType component_type() const final { return component_type_static(); }
};

}  // namespace veyra
