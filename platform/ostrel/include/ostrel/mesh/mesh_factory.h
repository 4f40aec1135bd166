// SPDX-License-Identifier: MIT
// MeshFactory: creates meshes from implementation keys and knows the default implementation of
// each mesh type. The tables are filled when the mesh library initializes; every lookup
// initializes it first. Registration and lookups are thread-safe.
#pragma once

#include <memory>
#include <type_traits>

#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/mesh_type.h>
#include <ostrel/mesh/vertex_set.h>

namespace veyra {

class MeshFactory {
 public:
  using Creator = std::unique_ptr<VertexSet> (*)();

  /// Registers Impl (a default-constructible subclass of Base) under `key`, replacing any
  /// previous registration. Does not initialize the mesh library.
  template <typename Base, typename Impl>
  static void register_mesh(const MeshImpl& key) {
    static_assert(std::is_base_of_v<Base, Impl> && std::is_base_of_v<VertexSet, Base>);
    register_creator(key, [] { return std::unique_ptr<VertexSet>{new Impl}; });
  }
  static void register_default(const MeshType& type, const MeshImpl& impl);

  /// \throw OstrelMeshException (input) when the type has no default implementation.
  static const MeshImpl& default_impl(const MeshType& type);
  static bool has_impl(const MeshImpl& key);

  /// \throw OstrelMeshException (input) when the key is unknown or its meshes are no Base.
  template <typename Base>
  static std::unique_ptr<Base> create_mesh(const MeshImpl& key) {
    auto mesh = create_vertex_set(key);
    auto* typed = dynamic_cast<Base*>(mesh.get());
    OSTREL_INPUT_CHECK(OstrelMeshException, typed != nullptr, "[MeshFactory::create_mesh] ",
                       "Mesh implementation ", key.get(), " does not give a mesh of the asked type");
    mesh.release();
    return std::unique_ptr<Base>{typed};
  }

 private:
  static void register_creator(const MeshImpl& key, Creator creator);
  static std::unique_ptr<VertexSet> create_vertex_set(const MeshImpl& key);
};

}  // namespace veyra
