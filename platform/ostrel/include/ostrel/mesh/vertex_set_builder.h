// SPDX-License-Identifier: MIT
// VertexSetBuilder: the base of every mesh builder. It names the mesh and creates and deletes
// vertices, keeping the vertex attributes and the mesh's per-vertex storage in step.
#pragma once

#include <string_view>
#include <vector>

#include <ostrel/basic/common.h>

namespace veyra {

class VertexSet;

class VertexSetBuilder {
 public:
  virtual ~VertexSetBuilder();
  VertexSetBuilder(const VertexSetBuilder&) = delete;
  VertexSetBuilder& operator=(const VertexSetBuilder&) = delete;

  void set_name(std::string_view name);

  /// Appends one vertex; returns its index.
  index_t create_vertex();
  /// Appends `nb` vertices with default attribute values; returns the first new index.
  index_t create_vertices(index_t nb);
  /// Reserves room for `nb` vertices in total.
  void reserve_vertices(index_t nb);

 protected:
  explicit VertexSetBuilder(VertexSet& mesh);

  /// Removes the flagged vertices and compacts everything stored per vertex; survivors keep
  /// their order. Returns old-to-new (NO_ID for removed vertices).
  /// \throw OstrelMeshException (input) when to_delete.size() != nb_vertices().
  std::vector<index_t> delete_vertices_of_mesh(const std::vector<bool>& to_delete);

 private:
  VertexSet& vertex_set_;
};

}  // namespace veyra
