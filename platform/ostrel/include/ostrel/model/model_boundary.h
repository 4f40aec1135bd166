// SPDX-License-Identifier: MIT
// ModelBoundary<D>: a named group of the surfaces (BRep) or lines (Section) on the outer boundary
// of a model. It has no mesh; its members are item relations of the model.
#pragma once

#include <ostrel/model/component.h>

namespace veyra {

template <index_t D>
class ModelBoundary final : public Component<D> {
 public:
  explicit ModelBoundary(ComponentsBuilderKey) {}

  static ComponentType component_type_static() { return ComponentType{"ModelBoundary"}; }
  ComponentType component_type() const final { return component_type_static(); }
};

}  // namespace veyra
