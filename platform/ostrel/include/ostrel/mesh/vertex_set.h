// SPDX-License-Identifier: MIT
// VertexSet: the root of every mesh. It holds the vertex count, the vertex attributes, the mesh's
// id and name, and tells which type and implementation a mesh is. Meshes are changed only through
// their builders.
#pragma once

#include <memory>

#include <absl/types/span.h>

#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/common.h>
#include <ostrel/basic/identifier.h>
#include <ostrel/mesh/mesh_type.h>

namespace veyra {

namespace internal {
/// Gives the mesh layer's builders and algorithms access to the storage behind each mesh class.
struct MeshAccess;
}  // namespace internal

class VertexSet : public Identifier {
 public:
  ~VertexSet() override;
  VertexSet(const VertexSet&) = delete;
  VertexSet& operator=(const VertexSet&) = delete;

  /// Type of the concrete mesh class, e.g. "PolygonalSurface3D".
  virtual MeshType type_name() const = 0;
  /// Key of the implementation, e.g. "OstrelPolygonalSurface3D".
  virtual MeshImpl impl_name() const = 0;

  index_t nb_vertices() const;
  /// Mutable even on a const mesh: attributes may be created and deleted on any mesh.
  AttributeManager& vertex_attribute_manager() const;
  /// True when no element uses the vertex.
  virtual bool is_vertex_isolated(index_t vertex) const = 0;

 protected:
  VertexSet();

  /// Copies the vertices, their attributes and the name of `other`; the id stays. Used by clone.
  void copy_vertex_set(const VertexSet& other);

  /// Per-vertex storage of a derived mesh follows the vertex count. Overrides call their base.
  virtual void resize_vertex_storage(index_t nb_vertices);
  /// Vertices were removed or renumbered (old2new[v] is the new index or NO_ID); derived meshes
  /// compact their per-vertex storage and renumber the vertices their elements hold. Overrides
  /// call their base.
  virtual void renumber_vertex_storage(absl::Span<const index_t> old2new, index_t nb_vertices);

 private:
  friend class VertexSetBuilder;
  friend struct internal::MeshAccess;

  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
