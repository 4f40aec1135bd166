// SPDX-License-Identifier: MIT
// EdgedCurve<D>: vertices with positions joined by edges, and OstrelEdgedCurve<D>, its default
// implementation. Each vertex lists its edge ends in the order they were attached to it.
#pragma once

#include <array>
#include <memory>
#include <optional>

#include <ostrel/mesh/element_references.h>
#include <ostrel/mesh/geometric_mesh.h>

namespace veyra {

template <index_t D>
class EdgedCurve : public GeometricMesh<D> {
 public:
  ~EdgedCurve() override;

  static std::unique_ptr<EdgedCurve> create();
  static std::unique_ptr<EdgedCurve> create(const MeshImpl& impl);
  /// "EdgedCurve2D" or "EdgedCurve3D".
  static MeshType type_name_static();
  MeshType type_name() const final { return type_name_static(); }
  /// Same implementation, vertices, edges, incidence orders, attributes and name; a fresh id.
  std::unique_ptr<EdgedCurve> clone() const;

  index_t nb_edges() const;
  index_t edge_vertex(const EdgeVertex& edge_vertex) const;
  std::array<index_t, 2> edge_vertices(index_t edge) const;
  /// Edge ends at the vertex in attachment order: create_edge(v0, v1) appends (e, 0) to v0,
  /// then (e, 1) to v1; set_edge_vertex moves the end to the back of its new vertex's list;
  /// delete_edges keeps the order of the others. A self-loop appears twice.
  const EdgesAroundVertex& edges_around_vertex(index_t vertex) const;
  /// The smallest edge joining the two vertices, in either direction.
  std::optional<index_t> edge_from_vertices(index_t vertex0, index_t vertex1) const;
  bool is_vertex_isolated(index_t vertex) const final;

  Point<D> edge_barycenter(index_t edge) const;
  double edge_length(index_t edge) const;
  /// Length at most global_epsilon.
  bool is_edge_degenerated(index_t edge) const;

  AttributeManager& edge_attribute_manager() const;

 protected:
  EdgedCurve();

  void resize_vertex_storage(index_t nb_vertices) override;
  void renumber_vertex_storage(absl::Span<const index_t> old2new, index_t nb_vertices) override;

 private:
  friend struct internal::MeshAccess;

  class Impl;
  std::unique_ptr<Impl> impl_;
};

template <index_t D>
class OstrelEdgedCurve final : public EdgedCurve<D> {
 public:
  static MeshImpl impl_name_static();
  MeshImpl impl_name() const override { return impl_name_static(); }
};

using EdgedCurve2D = EdgedCurve<2>;
using EdgedCurve3D = EdgedCurve<3>;

}  // namespace veyra
