// SPDX-License-Identifier: MIT
// SolidEdges<D>: the edge table of a solid mesh, one entry per unordered pair of vertices joined
// by a polyhedron facet edge. Ids are given by first appearance and stay valid: builders append
// new pairs, and entries are removed only by delete_isolated_edges (or when one of their
// vertices is deleted).
#pragma once

#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/common.h>
#include <ostrel/mesh/vertex_set.h>

#include <array>
#include <memory>
#include <optional>

namespace veyra {

template <index_t D>
class SolidMesh;

template <index_t D>
class SolidEdges {
 public:
  explicit SolidEdges(const SolidMesh<D>& mesh);
  ~SolidEdges();
  SolidEdges(const SolidEdges&) = delete;
  SolidEdges& operator=(const SolidEdges&) = delete;

  index_t nb_edges() const;
  /// (smaller vertex, larger vertex).
  std::array<index_t, 2> edge_vertices(index_t edge) const;
  /// The edge joining the two vertices, given in either order.
  std::optional<index_t> edge_from_vertices(const std::array<index_t, 2>& vertices) const;
  /// No polyhedron facet edge joins the two vertices any more.
  bool is_edge_isolated(index_t edge) const;
  AttributeManager& edge_attribute_manager() const;

 private:
  friend struct internal::MeshAccess;
  friend class SolidMesh<D>;

  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
