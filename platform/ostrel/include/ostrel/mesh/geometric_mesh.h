// SPDX-License-Identifier: MIT
// GeometricMesh<D>: a vertex set whose vertices have positions in 2D or 3D; the base of point
// sets, curves, surfaces and solids (graphs have no positions). GeometricMeshBuilder<D> creates
// and moves the points.
#pragma once

#include <memory>

#include <ostrel/geometry/bounding_box.h>
#include <ostrel/geometry/point.h>
#include <ostrel/mesh/vertex_set.h>
#include <ostrel/mesh/vertex_set_builder.h>

namespace veyra {

template <index_t D>
class GeometricMesh : public VertexSet {
 public:
  static constexpr index_t dimension = D;

  ~GeometricMesh() override;

  /// Position of a vertex (the origin until set).
  const Point<D>& point(index_t vertex) const;
  /// Box of every vertex; empty for a mesh without vertices.
  BoundingBox<D> bounding_box() const;

 protected:
  GeometricMesh();

  /// copy_vertex_set, then the points.
  void copy_geometric_mesh(const GeometricMesh& other);

  void resize_vertex_storage(index_t nb_vertices) override;
  void renumber_vertex_storage(absl::Span<const index_t> old2new, index_t nb_vertices) override;

 private:
  friend struct internal::MeshAccess;

  class Impl;
  std::unique_ptr<Impl> impl_;
};

template <index_t D>
class GeometricMeshBuilder : public VertexSetBuilder {
 public:
  /// Appends a vertex at `point`; returns its index.
  index_t create_point(const Point<D>& point);
  /// \throw OstrelMeshException (input) when the vertex does not exist.
  void set_point(index_t vertex, const Point<D>& point);

 protected:
  explicit GeometricMeshBuilder(GeometricMesh<D>& mesh);

 private:
  GeometricMesh<D>& geometric_mesh_;
};

}  // namespace veyra
