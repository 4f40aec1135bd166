// SPDX-License-Identifier: MIT
// PointSet<D>: vertices with positions and nothing else, and OstrelPointSet<D>, its default
// implementation.
#pragma once

#include <memory>

#include <ostrel/mesh/geometric_mesh.h>

namespace veyra {

template <index_t D>
class PointSet : public GeometricMesh<D> {
 public:
  /// A mesh of the default implementation.
  static std::unique_ptr<PointSet> create();
  static std::unique_ptr<PointSet> create(const MeshImpl& impl);
  /// "PointSet2D" or "PointSet3D".
  static MeshType type_name_static();
  MeshType type_name() const final { return type_name_static(); }

  /// Same implementation, vertices, attributes and name; a fresh id.
  std::unique_ptr<PointSet> clone() const;

  /// Always true: no element uses a point set's vertices.
  bool is_vertex_isolated(index_t vertex) const final;

 protected:
  PointSet() = default;
};

template <index_t D>
class OstrelPointSet final : public PointSet<D> {
 public:
  static MeshImpl impl_name_static();
  MeshImpl impl_name() const override { return impl_name_static(); }
};

using PointSet2D = PointSet<2>;
using PointSet3D = PointSet<3>;

}  // namespace veyra
