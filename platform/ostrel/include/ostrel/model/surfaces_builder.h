// SPDX-License-Identifier: MIT
// The builder side of the surface table: names, active flags and mesh builders, and creation,
// deletion and mesh replacement for the model builders (which keep relations and ties in step).
#pragma once

#include <memory>
#include <string_view>
#include <utility>

#include <ostrel/basic/identifier.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/surfaces.h>

namespace veyra {

template <index_t D>
class SurfacesBuilder {
 public:
  SurfacesBuilder(const SurfacesBuilder&) = delete;
  SurfacesBuilder& operator=(const SurfacesBuilder&) = delete;

  /// \throw OstrelModelException (input) when the model has no such surface, as every function
  /// below that takes an id.
  void set_surface_name(const uuid& id, std::string_view name) {
    IdentifierBuilder{modifiable_surface(id, "set_surface_name")}.set_name(name);
  }
  void set_surface_active(const uuid& id, bool active) {
    modifiable_surface(id, "set_surface_active").set_active(active, ComponentsBuilderKey{});
  }
  /// A builder of the surface's mesh. It reads the model's tables only, so several threads may
  /// ask for builders of different surfaces at once. It does not update unique-vertex ties.
  std::unique_ptr<SurfaceMeshBuilder<D>> surface_mesh_builder(const uuid& id) {
    return SurfaceMeshBuilder<D>::create(
        modifiable_surface(id, "surface_mesh_builder").modifiable_mesh(ComponentsBuilderKey{}));
  }

 protected:
  SurfacesBuilder(Surfaces<D>& model, std::string_view builder_name)
      : model_(model), builder_name_(builder_name) {}

  /// Appends a new surface with the given id and a mesh of the default implementation; the
  /// caller checked that the id is free.
  const Surface<D>& create_surface(const uuid& id) {
    return add_surface_with_mesh(id, SurfaceMesh<D>::create());
  }
  /// The same with a mesh of implementation `impl`.
  const Surface<D>& create_surface(const uuid& id, const MeshImpl& impl) {
    return add_surface_with_mesh(id, SurfaceMesh<D>::create(impl));
  }
  void delete_surface(const uuid& id) { model_.store_.remove(id); }
  void set_surface_mesh(const uuid& id, std::unique_ptr<SurfaceMesh<D>> mesh) {
    modifiable_surface(id, "update_surface_mesh").set_mesh(std::move(mesh), ComponentsBuilderKey{});
  }

  Surface<D>& modifiable_surface(const uuid& id, std::string_view function) const {
    auto* component = model_.store_.find(id);
    OSTREL_INPUT_CHECK(OstrelModelException, component != nullptr, "[", builder_name_,
                       "::", function, "] Unknown surface: ", id.string());
    return *component;
  }

 private:
  const Surface<D>& add_surface_with_mesh(const uuid& id, std::unique_ptr<SurfaceMesh<D>> mesh) {
    auto component = std::make_unique<Surface<D>>(std::move(mesh), ComponentsBuilderKey{});
    IdentifierBuilder{*component}.set_id(id);
    return model_.store_.add(std::move(component));
  }

  Surfaces<D>& model_;
  std::string_view builder_name_;
};

}  // namespace veyra
