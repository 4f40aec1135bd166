// SPDX-License-Identifier: MIT
// The builder side of the line table: names, active flags and mesh builders, and creation,
// deletion and mesh replacement for the model builders (which keep relations and ties in step).
#pragma once

#include <memory>
#include <string_view>
#include <utility>

#include <ostrel/basic/identifier.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/model/lines.h>

namespace veyra {

template <index_t D>
class LinesBuilder {
 public:
  LinesBuilder(const LinesBuilder&) = delete;
  LinesBuilder& operator=(const LinesBuilder&) = delete;

  /// \throw OstrelModelException (input) when the model has no such line, as every function
  /// below that takes an id.
  void set_line_name(const uuid& id, std::string_view name) {
    IdentifierBuilder{modifiable_line(id, "set_line_name")}.set_name(name);
  }
  void set_line_active(const uuid& id, bool active) {
    modifiable_line(id, "set_line_active").set_active(active, ComponentsBuilderKey{});
  }
  /// A builder of the line's mesh. It reads the model's tables only, so several threads may
  /// ask for builders of different lines at once. It does not update unique-vertex ties.
  std::unique_ptr<EdgedCurveBuilder<D>> line_mesh_builder(const uuid& id) {
    return EdgedCurveBuilder<D>::create(
        modifiable_line(id, "line_mesh_builder").modifiable_mesh(ComponentsBuilderKey{}));
  }

 protected:
  LinesBuilder(Lines<D>& model, std::string_view builder_name)
      : model_(model), builder_name_(builder_name) {}

  /// Appends a new line with the given id and a mesh of the default implementation; the
  /// caller checked that the id is free.
  const Line<D>& create_line(const uuid& id) {
    return add_line_with_mesh(id, EdgedCurve<D>::create());
  }
  /// The same with a mesh of implementation `impl`.
  const Line<D>& create_line(const uuid& id, const MeshImpl& impl) {
    return add_line_with_mesh(id, EdgedCurve<D>::create(impl));
  }
  void delete_line(const uuid& id) { model_.store_.remove(id); }
  void set_line_mesh(const uuid& id, std::unique_ptr<EdgedCurve<D>> mesh) {
    modifiable_line(id, "update_line_mesh").set_mesh(std::move(mesh), ComponentsBuilderKey{});
  }

  Line<D>& modifiable_line(const uuid& id, std::string_view function) const {
    auto* component = model_.store_.find(id);
    OSTREL_INPUT_CHECK(OstrelModelException, component != nullptr, "[", builder_name_,
                       "::", function, "] Unknown line: ", id.string());
    return *component;
  }

 private:
  const Line<D>& add_line_with_mesh(const uuid& id, std::unique_ptr<EdgedCurve<D>> mesh) {
    auto component = std::make_unique<Line<D>>(std::move(mesh), ComponentsBuilderKey{});
    IdentifierBuilder{*component}.set_id(id);
    return model_.store_.add(std::move(component));
  }

  Lines<D>& model_;
  std::string_view builder_name_;
};

}  // namespace veyra
