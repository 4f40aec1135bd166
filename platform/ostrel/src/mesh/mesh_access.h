// SPDX-License-Identifier: MIT
// MeshAccess: how the mesh layer's builders and algorithms reach the storage behind a mesh class
// (its private Impl) and its protected storage hooks. Not installed.
#pragma once

#include <absl/types/span.h>

#include <ostrel/mesh/vertex_set.h>

namespace veyra::internal {

struct MeshAccess {
  /// The Impl declared by class Mesh itself: name the class explicitly, e.g.
  /// MeshAccess::impl<VertexSet>(surface).
  template <typename Mesh>
  static auto& impl(const Mesh& mesh) {
    return *mesh.Mesh::impl_;
  }

  /// Copies the whole surface `from` into `to` (any two surface kinds); the id of `to` stays.
  template <typename Surface>
  static void copy_surface_mesh(Surface& to, const Surface& from) {
    to.copy_surface_mesh(from);
  }

  /// Copies the whole solid `from` into `to` with the storage layout of `from` (a conversion
  /// between kinds adapts it afterwards); the id of `to` stays.
  template <typename Solid>
  static void copy_solid_mesh(Solid& to, const Solid& from) {
    to.copy_solid_mesh(from);
  }

  static void resize_vertex_storage(VertexSet& mesh, index_t nb_vertices) {
    mesh.resize_vertex_storage(nb_vertices);
  }
  static void renumber_vertex_storage(VertexSet& mesh, absl::Span<const index_t> old2new,
                                      index_t nb_vertices) {
    mesh.renumber_vertex_storage(old2new, nb_vertices);
  }
};

}  // namespace veyra::internal
