// SPDX-License-Identifier: MIT
// The corner table of a model: its corners in insertion order, with lookup by id.
#pragma once

#include <ostrel/basic/uuid.h>
#include <ostrel/model/component_range.h>
#include <ostrel/model/corner.h>

namespace veyra {

template <index_t D>
class CornersBuilder;

template <index_t D>
class Corners {
 public:
  using CornerRange = ComponentRange<Corner<D>>;

  index_t nb_corners() const { return store_.size(); }
  bool has_corner(const uuid& id) const { return store_.contains(id); }
  /// \throw OstrelModelException (input) when the model has no such corner.
  const Corner<D>& corner(const uuid& id) const {
    return internal::checked_component(store_, id, "Corners::corner", "corner");
  }
  /// In insertion order.
  CornerRange corners() const { return store_.range(); }

 protected:
  Corners() = default;
  Corners(Corners&&) noexcept = default;
  Corners& operator=(Corners&&) noexcept = default;
  ~Corners() = default;

  const internal::ComponentStore<Corner<D>>& corner_store() const { return store_; }

 private:
  friend class CornersBuilder<D>;

  internal::ComponentStore<Corner<D>> store_;
};

}  // namespace veyra
