// SPDX-License-Identifier: MIT
// The collection components: named groups of corners, lines, surfaces or blocks. A collection has
// no mesh and its active flag is unused; its members are item relations of the model.
#pragma once

#include <ostrel/model/component.h>

namespace veyra {

template <index_t D>
class CornerCollection final : public Component<D> {
 public:
  explicit CornerCollection(ComponentsBuilderKey) {}

  static ComponentType component_type_static() { return ComponentType{"CornerCollection"}; }
  ComponentType component_type() const final { return component_type_static(); }
};

template <index_t D>
class LineCollection final : public Component<D> {
 public:
  explicit LineCollection(ComponentsBuilderKey) {}

  static ComponentType component_type_static() { return ComponentType{"LineCollection"}; }
  ComponentType component_type() const final { return component_type_static(); }
};

template <index_t D>
class SurfaceCollection final : public Component<D> {
 public:
  explicit SurfaceCollection(ComponentsBuilderKey) {}

  static ComponentType component_type_static() { return ComponentType{"SurfaceCollection"}; }
  ComponentType component_type() const final { return component_type_static(); }
};

template <index_t D>
class BlockCollection final : public Component<D> {
  static_assert(D == 3, "Block collections exist in 3D only");

 public:
  explicit BlockCollection(ComponentsBuilderKey) {}

  static ComponentType component_type_static() { return ComponentType{"BlockCollection"}; }
  ComponentType component_type() const final { return component_type_static(); }
};

}  // namespace veyra
