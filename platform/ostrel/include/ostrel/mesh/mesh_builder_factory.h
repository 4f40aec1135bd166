// SPDX-License-Identifier: MIT
// MeshBuilderFactory: creates the builder registered for a mesh's implementation key. Every
// creation initializes the mesh library first; registration does not. Thread-safe.
#pragma once

#include <memory>
#include <type_traits>

#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/mesh_type.h>
#include <ostrel/mesh/vertex_set.h>
#include <ostrel/mesh/vertex_set_builder.h>

namespace veyra {

class MeshBuilderFactory {
 public:
  using Creator = std::unique_ptr<VertexSetBuilder> (*)(VertexSet&);

  /// Registers Builder, constructed from a Mesh&, for the meshes of implementation `key`.
  template <typename Builder, typename Mesh>
  static void register_builder(const MeshImpl& key) {
    static_assert(std::is_base_of_v<VertexSetBuilder, Builder> &&
                  std::is_base_of_v<VertexSet, Mesh>);
    register_creator(key, [](VertexSet& mesh) {
      return std::unique_ptr<VertexSetBuilder>{new Builder{dynamic_cast<Mesh&>(mesh)}};
    });
  }

  /// The builder of `mesh`, found by its impl_name().
  /// \throw OstrelMeshException (internal) "Cannot create mesh builder with key: " + key when no
  /// builder is registered for it.
  template <typename Builder, typename Mesh>
  static std::unique_ptr<Builder> create(Mesh& mesh) {
    auto builder = create_builder(mesh);
    auto* typed = dynamic_cast<Builder*>(builder.get());
    OSTREL_EXCEPTION(OstrelMeshException, typed != nullptr,
                     "[MeshBuilderFactory::create] The builder registered with key ",
                     mesh.impl_name().get(), " does not fit the asked builder type");
    builder.release();
    return std::unique_ptr<Builder>{typed};
  }

 private:
  static void register_creator(const MeshImpl& key, Creator creator);
  static std::unique_ptr<VertexSetBuilder> create_builder(VertexSet& mesh);
};

}  // namespace veyra
