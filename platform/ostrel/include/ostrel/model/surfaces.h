// SPDX-License-Identifier: MIT
// The surface table of a model: its surfaces in insertion order, with lookup by id.
#pragma once

#include <ostrel/basic/uuid.h>
#include <ostrel/model/component_range.h>
#include <ostrel/model/surface.h>

namespace veyra {

template <index_t D>
class SurfacesBuilder;

template <index_t D>
class Surfaces {
 public:
  using SurfaceRange = ComponentRange<Surface<D>>;

  index_t nb_surfaces() const { return store_.size(); }
  bool has_surface(const uuid& id) const { return store_.contains(id); }
  /// \throw OstrelModelException (input) when the model has no such surface.
  const Surface<D>& surface(const uuid& id) const {
    return internal::checked_component(store_, id, "Surfaces::surface", "surface");
  }
  /// In insertion order.
  SurfaceRange surfaces() const { return store_.range(); }

 protected:
  Surfaces() = default;
  Surfaces(Surfaces&&) noexcept = default;
  Surfaces& operator=(Surfaces&&) noexcept = default;
  ~Surfaces() = default;

  const internal::ComponentStore<Surface<D>>& surface_store() const { return store_; }

 private:
  friend class SurfacesBuilder<D>;

  internal::ComponentStore<Surface<D>> store_;
};

}  // namespace veyra
