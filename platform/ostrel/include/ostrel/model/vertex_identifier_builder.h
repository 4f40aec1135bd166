// SPDX-License-Identifier: MIT
// VertexIdentifierBuilder: creates unique vertices, ties component mesh vertices to them and keeps
// the ties in step when a component's mesh is renumbered or a component goes away.
#pragma once

#include <vector>

#include <absl/types/span.h>

#include <ostrel/basic/component_id.h>
#include <ostrel/model/vertex_identifier.h>

namespace veyra {

class VertexIdentifierBuilder {
 public:
  explicit VertexIdentifierBuilder(VertexIdentifier& identifier);
  VertexIdentifierBuilder(const VertexIdentifierBuilder&) = delete;
  VertexIdentifierBuilder& operator=(const VertexIdentifierBuilder&) = delete;

  /// Makes `component` known, without any tie.
  /// \throw OstrelModelException (input) when its id is already known.
  void register_component(const ComponentID& component);
  /// Forgets `component` with all its ties; its unique vertices stay, possibly isolated.
  void unregister_component(const uuid& component);

  /// Returns the new unique vertex, numbered after the existing ones.
  index_t create_unique_vertex();
  /// Creates `nb` consecutive unique vertices and returns the first one.
  index_t create_unique_vertices(index_t nb);

  /// Ties the vertex to `unique_vertex`, appending it to that unique vertex's ties. A vertex tied
  /// elsewhere moves; tying it again to its own unique vertex changes nothing.
  /// \throw OstrelModelException (input) for an unknown component, a vertex NO_ID or
  /// unique_vertex >= nb_unique_vertices().
  void set_unique_vertex(const ComponentMeshVertex& component_vertex, index_t unique_vertex);
  /// Removes the tie when the vertex is tied to `unique_vertex`; otherwise does nothing.
  /// \throw OstrelModelException (input) for an unknown component.
  void unset_unique_vertex(const ComponentMeshVertex& component_vertex, index_t unique_vertex);
  /// Removes every tie of `component`.
  void unset_component_unique_vertices(const uuid& component);

  /// Every tie (component, v) becomes (component, old2new[v]) in its place among the ties of its
  /// unique vertex, or goes when old2new[v] is NO_ID. Vertices at or beyond old2new.size() keep
  /// their index. When several vertices land on the same new index, the smallest old vertex
  /// keeps its tie and the others are dropped.
  /// \throw OstrelModelException (input) for an unknown component.
  void update_unique_vertices(const ComponentID& component, absl::Span<const index_t> old2new);

  /// Deletes the unique vertices without any tie, renumbers the others compactly in order and
  /// returns old2new over the unique vertices.
  std::vector<index_t> delete_isolated_vertices();

 private:
  VertexIdentifier& identifier_;
};

}  // namespace veyra
