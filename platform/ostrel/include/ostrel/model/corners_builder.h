// SPDX-License-Identifier: MIT
// The builder side of the corner table: names, active flags and mesh builders, and creation,
// deletion and mesh replacement for the model builders (which keep relations and ties in step).
#pragma once

#include <memory>
#include <string_view>
#include <utility>

#include <ostrel/basic/identifier.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/model/corners.h>

namespace veyra {

template <index_t D>
class CornersBuilder {
 public:
  CornersBuilder(const CornersBuilder&) = delete;
  CornersBuilder& operator=(const CornersBuilder&) = delete;

  /// \throw OstrelModelException (input) when the model has no such corner, as every function
  /// below that takes an id.
  void set_corner_name(const uuid& id, std::string_view name) {
    IdentifierBuilder{modifiable_corner(id, "set_corner_name")}.set_name(name);
  }
  void set_corner_active(const uuid& id, bool active) {
    modifiable_corner(id, "set_corner_active").set_active(active, ComponentsBuilderKey{});
  }
  /// A builder of the corner's mesh. It reads the model's tables only, so several threads may
  /// ask for builders of different corners at once. It does not update unique-vertex ties.
  std::unique_ptr<PointSetBuilder<D>> corner_mesh_builder(const uuid& id) {
    return PointSetBuilder<D>::create(
        modifiable_corner(id, "corner_mesh_builder").modifiable_mesh(ComponentsBuilderKey{}));
  }

 protected:
  CornersBuilder(Corners<D>& model, std::string_view builder_name)
      : model_(model), builder_name_(builder_name) {}

  /// Appends a new corner with the given id and a mesh of the default implementation; the
  /// caller checked that the id is free.
  const Corner<D>& create_corner(const uuid& id) {
    return add_corner_with_mesh(id, PointSet<D>::create());
  }
  /// The same with a mesh of implementation `impl`.
  const Corner<D>& create_corner(const uuid& id, const MeshImpl& impl) {
    return add_corner_with_mesh(id, PointSet<D>::create(impl));
  }
  void delete_corner(const uuid& id) { model_.store_.remove(id); }
  void set_corner_mesh(const uuid& id, std::unique_ptr<PointSet<D>> mesh) {
    modifiable_corner(id, "update_corner_mesh").set_mesh(std::move(mesh), ComponentsBuilderKey{});
  }

  Corner<D>& modifiable_corner(const uuid& id, std::string_view function) const {
    auto* component = model_.store_.find(id);
    OSTREL_INPUT_CHECK(OstrelModelException, component != nullptr, "[", builder_name_,
                       "::", function, "] Unknown corner: ", id.string());
    return *component;
  }

 private:
  const Corner<D>& add_corner_with_mesh(const uuid& id, std::unique_ptr<PointSet<D>> mesh) {
    auto component = std::make_unique<Corner<D>>(std::move(mesh), ComponentsBuilderKey{});
    IdentifierBuilder{*component}.set_id(id);
    return model_.store_.add(std::move(component));
  }

  Corners<D>& model_;
  std::string_view builder_name_;
};

}  // namespace veyra
