// SPDX-License-Identifier: MIT
// TetrahedralSolid<D>: a solid mesh made of tetrahedra only, whose facets are implicit and fixed
// (facet k is opposite local vertex k: (1,2,3), (0,3,2), (0,1,3), (0,2,1), facing outwards when
// the tetrahedron's signed volume is positive), and OstrelTetrahedralSolid<D>, its default
// implementation. 3D only.
#pragma once

#include <ostrel/mesh/solid_mesh.h>

#include <memory>

namespace veyra {

template <index_t D>
class TetrahedralSolid : public SolidMesh<D> {
 public:
  static std::unique_ptr<TetrahedralSolid> create();
  static std::unique_ptr<TetrahedralSolid> create(const MeshImpl& impl);
  /// "TetrahedralSolid3D".
  static MeshType type_name_static();
  MeshType type_name() const final { return type_name_static(); }
  std::unique_ptr<TetrahedralSolid> clone() const;

 protected:
  TetrahedralSolid();
};

template <index_t D>
class OstrelTetrahedralSolid final : public TetrahedralSolid<D> {
 public:
  static MeshImpl impl_name_static();
  MeshImpl impl_name() const override { return impl_name_static(); }
};

using TetrahedralSolid3D = TetrahedralSolid<3>;

}  // namespace veyra
