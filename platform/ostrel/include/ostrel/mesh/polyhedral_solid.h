// SPDX-License-Identifier: MIT
// PolyhedralSolid<D>: a solid mesh whose polyhedra have any shape (tetrahedra, pyramids, prisms,
// hexahedra...), each kept with its facets exactly as given, and OstrelPolyhedralSolid<D>, its
// default implementation. 3D only.
#pragma once

#include <ostrel/mesh/solid_mesh.h>

#include <memory>

namespace veyra {

template <index_t D>
class PolyhedralSolid : public SolidMesh<D> {
 public:
  static std::unique_ptr<PolyhedralSolid> create();
  static std::unique_ptr<PolyhedralSolid> create(const MeshImpl& impl);
  /// "PolyhedralSolid3D", whatever the polyhedra are.
  static MeshType type_name_static();
  MeshType type_name() const final { return type_name_static(); }
  std::unique_ptr<PolyhedralSolid> clone() const;

 protected:
  PolyhedralSolid() = default;
};

template <index_t D>
class OstrelPolyhedralSolid final : public PolyhedralSolid<D> {
 public:
  static MeshImpl impl_name_static();
  MeshImpl impl_name() const override { return impl_name_static(); }
};

using PolyhedralSolid3D = PolyhedralSolid<3>;

}  // namespace veyra
