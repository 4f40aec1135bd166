// SPDX-License-Identifier: MIT
// Component<D>: what every part of a model has (an id, an optional name, a component type and an
// active flag), and ComponentsBuilderKey, which lets only the model builders change them.
#pragma once

#include <ostrel/basic/common.h>
#include <ostrel/basic/component_id.h>
#include <ostrel/basic/identifier.h>

namespace veyra {

template <index_t D>
class CornersBuilder;
template <index_t D>
class LinesBuilder;
template <index_t D>
class SurfacesBuilder;
template <index_t D>
class BlocksBuilder;
template <index_t D>
class ModelBoundariesBuilder;
template <index_t D>
class CornerCollectionsBuilder;
template <index_t D>
class LineCollectionsBuilder;
template <index_t D>
class SurfaceCollectionsBuilder;
template <index_t D>
class BlockCollectionsBuilder;

/// Only the model builders can make one: the functions that take it change a component.
class ComponentsBuilderKey {
  template <index_t>
  friend class CornersBuilder;
  template <index_t>
  friend class LinesBuilder;
  template <index_t>
  friend class SurfacesBuilder;
  template <index_t>
  friend class BlocksBuilder;
  template <index_t>
  friend class ModelBoundariesBuilder;
  template <index_t>
  friend class CornerCollectionsBuilder;
  template <index_t>
  friend class LineCollectionsBuilder;
  template <index_t>
  friend class SurfaceCollectionsBuilder;
  template <index_t>
  friend class BlockCollectionsBuilder;

  ComponentsBuilderKey() = default;
};

template <index_t D>
class Component : public Identifier {
 public:
  static constexpr index_t dim = D;

  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  virtual ComponentType component_type() const = 0;
  ComponentID component_id() const { return {component_type(), this->id()}; }
  /// True unless a builder deactivated the component.
  bool is_active() const { return active_; }

  void set_active(bool active, ComponentsBuilderKey) { active_ = active; }

 protected:
  Component() = default;

 private:
  bool active_{true};
};

}  // namespace veyra
