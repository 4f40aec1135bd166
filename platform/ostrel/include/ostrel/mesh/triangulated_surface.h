// SPDX-License-Identifier: MIT
// TriangulatedSurface<D>: a surface mesh made of triangles only (its builders refuse any other
// polygon), and OstrelTriangulatedSurface<D>, its default implementation.
#pragma once

#include <memory>

#include <ostrel/mesh/surface_mesh.h>

namespace veyra {

template <index_t D>
class TriangulatedSurface : public SurfaceMesh<D> {
 public:
  static std::unique_ptr<TriangulatedSurface> create();
  static std::unique_ptr<TriangulatedSurface> create(const MeshImpl& impl);
  /// "TriangulatedSurface2D" or "TriangulatedSurface3D".
  static MeshType type_name_static();
  MeshType type_name() const final { return type_name_static(); }
  std::unique_ptr<TriangulatedSurface> clone() const;

 protected:
  TriangulatedSurface();
};

template <index_t D>
class OstrelTriangulatedSurface final : public TriangulatedSurface<D> {
 public:
  static MeshImpl impl_name_static();
  MeshImpl impl_name() const override { return impl_name_static(); }
};

using TriangulatedSurface2D = TriangulatedSurface<2>;
using TriangulatedSurface3D = TriangulatedSurface<3>;

}  // namespace veyra
