// SPDX-License-Identifier: MIT
// The builder side of the model boundary table: names, and creation and deletion for the model
// builders (which keep the relations and the id space in step).
#pragma once

#include <memory>
#include <string_view>

#include <ostrel/basic/identifier.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/model/model_boundaries.h>

namespace veyra {

template <index_t D>
class ModelBoundariesBuilder {
 public:
  ModelBoundariesBuilder(const ModelBoundariesBuilder&) = delete;
  ModelBoundariesBuilder& operator=(const ModelBoundariesBuilder&) = delete;

  /// \throw OstrelModelException (input) when the model has no such model boundary.
  void set_model_boundary_name(const uuid& id, std::string_view name) {
    IdentifierBuilder{modifiable(id, "set_model_boundary_name")}.set_name(name);
  }

 protected:
  ModelBoundariesBuilder(ModelBoundaries<D>& model, std::string_view builder_name)
      : model_(model), builder_name_(builder_name) {}

  /// Appends a new model boundary with the given id; the caller checked that the id is free.
  const ModelBoundary<D>& create_model_boundary(const uuid& id) {
    auto component = std::make_unique<ModelBoundary<D>>(ComponentsBuilderKey{});
    IdentifierBuilder{*component}.set_id(id);
    return model_.store_.add(std::move(component));
  }
  void delete_model_boundary(const uuid& id) { model_.store_.remove(id); }

 private:
  ModelBoundary<D>& modifiable(const uuid& id, std::string_view function) {
    auto* component = model_.store_.find(id);
    OSTREL_INPUT_CHECK(OstrelModelException, component != nullptr, "[", builder_name_,
                       "::", function, "] Unknown model boundary: ", id.string());
    return *component;
  }

  ModelBoundaries<D>& model_;
  std::string_view builder_name_;
};

}  // namespace veyra
