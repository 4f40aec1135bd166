// SPDX-License-Identifier: MIT
// PolygonalSurface<D>: a surface mesh whose polygons have any number of vertices (three or
// more), and OstrelPolygonalSurface<D>, its default implementation.
#pragma once

#include <memory>

#include <ostrel/mesh/surface_mesh.h>

namespace veyra {

template <index_t D>
class PolygonalSurface : public SurfaceMesh<D> {
 public:
  static std::unique_ptr<PolygonalSurface> create();
  static std::unique_ptr<PolygonalSurface> create(const MeshImpl& impl);
  /// "PolygonalSurface2D" or "PolygonalSurface3D", whatever the polygons are.
  static MeshType type_name_static();
  MeshType type_name() const final { return type_name_static(); }
  std::unique_ptr<PolygonalSurface> clone() const;

 protected:
  PolygonalSurface() = default;
};

template <index_t D>
class OstrelPolygonalSurface final : public PolygonalSurface<D> {
 public:
  static MeshImpl impl_name_static();
  MeshImpl impl_name() const override { return impl_name_static(); }
};

using PolygonalSurface2D = PolygonalSurface<2>;
using PolygonalSurface3D = PolygonalSurface<3>;

}  // namespace veyra
