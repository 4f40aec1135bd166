// SPDX-License-Identifier: MIT
// The model boundary table of a model, in insertion order, with lookup by id.
#pragma once

#include <ostrel/basic/uuid.h>
#include <ostrel/model/component_range.h>
#include <ostrel/model/model_boundary.h>

namespace veyra {

template <index_t D>
class ModelBoundariesBuilder;

template <index_t D>
class ModelBoundaries {
 public:
  using ModelBoundaryRange = ComponentRange<ModelBoundary<D>>;

  index_t nb_model_boundaries() const { return store_.size(); }
  bool has_model_boundary(const uuid& id) const { return store_.contains(id); }
  /// \throw OstrelModelException (input) when the model has no such model boundary.
  const ModelBoundary<D>& model_boundary(const uuid& id) const {
    return internal::checked_component(store_, id, "ModelBoundaries::model_boundary",
                                       "model boundary");
  }
  /// In insertion order.
  ModelBoundaryRange model_boundaries() const { return store_.range(); }

 protected:
  ModelBoundaries() = default;
  ModelBoundaries(ModelBoundaries&&) noexcept = default;
  ModelBoundaries& operator=(ModelBoundaries&&) noexcept = default;
  ~ModelBoundaries() = default;

 private:
  friend class ModelBoundariesBuilder<D>;

  internal::ComponentStore<ModelBoundary<D>> store_;
};

}  // namespace veyra
