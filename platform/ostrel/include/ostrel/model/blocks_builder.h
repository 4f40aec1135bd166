// SPDX-License-Identifier: MIT
// The builder side of the block table: names, active flags and mesh builders, and creation,
// deletion and mesh replacement for the model builders (which keep relations and ties in step).
#pragma once

#include <memory>
#include <string_view>
#include <utility>

#include <ostrel/basic/identifier.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/model/blocks.h>

namespace veyra {

template <index_t D>
class BlocksBuilder {
 public:
  BlocksBuilder(const BlocksBuilder&) = delete;
  BlocksBuilder& operator=(const BlocksBuilder&) = delete;

  /// \throw OstrelModelException (input) when the model has no such block, as every function
  /// below that takes an id.
  void set_block_name(const uuid& id, std::string_view name) {
    IdentifierBuilder{modifiable_block(id, "set_block_name")}.set_name(name);
  }
  void set_block_active(const uuid& id, bool active) {
    modifiable_block(id, "set_block_active").set_active(active, ComponentsBuilderKey{});
  }
  /// A builder of the block's mesh. It reads the model's tables only, so several threads may
  /// ask for builders of different blocks at once. It does not update unique-vertex ties.
  std::unique_ptr<SolidMeshBuilder<D>> block_mesh_builder(const uuid& id) {
    return SolidMeshBuilder<D>::create(
        modifiable_block(id, "block_mesh_builder").modifiable_mesh(ComponentsBuilderKey{}));
  }

 protected:
  BlocksBuilder(Blocks<D>& model, std::string_view builder_name)
      : model_(model), builder_name_(builder_name) {}

  /// Appends a new block with the given id and a mesh of the default implementation; the
  /// caller checked that the id is free.
  const Block<D>& create_block(const uuid& id) {
    return add_block_with_mesh(id, SolidMesh<D>::create());
  }
  /// The same with a mesh of implementation `impl`.
  const Block<D>& create_block(const uuid& id, const MeshImpl& impl) {
    return add_block_with_mesh(id, SolidMesh<D>::create(impl));
  }
  void delete_block(const uuid& id) { model_.store_.remove(id); }
  void set_block_mesh(const uuid& id, std::unique_ptr<SolidMesh<D>> mesh) {
    modifiable_block(id, "update_block_mesh").set_mesh(std::move(mesh), ComponentsBuilderKey{});
  }

  Block<D>& modifiable_block(const uuid& id, std::string_view function) const {
    auto* component = model_.store_.find(id);
    OSTREL_INPUT_CHECK(OstrelModelException, component != nullptr, "[", builder_name_,
                       "::", function, "] Unknown block: ", id.string());
    return *component;
  }

 private:
  const Block<D>& add_block_with_mesh(const uuid& id, std::unique_ptr<SolidMesh<D>> mesh) {
    auto component = std::make_unique<Block<D>>(std::move(mesh), ComponentsBuilderKey{});
    IdentifierBuilder{*component}.set_id(id);
    return model_.store_.add(std::move(component));
  }

  Blocks<D>& model_;
  std::string_view builder_name_;
};

}  // namespace veyra
