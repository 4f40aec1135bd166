// SPDX-License-Identifier: MIT
// TetrahedralSolidBuilder<D>: the builder of TetrahedralSolid<D>.
#pragma once

#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>

#include <array>
#include <memory>

namespace veyra {

template <index_t D>
class TetrahedralSolidBuilder : public SolidMeshBuilder<D> {
 public:
  explicit TetrahedralSolidBuilder(TetrahedralSolid<D>& mesh);

  static std::unique_ptr<TetrahedralSolidBuilder> create(TetrahedralSolid<D>& mesh);

  /// \throw OstrelMeshException (input) for a vertex out of range.
  index_t create_tetrahedron(const std::array<index_t, 4>& vertices) {
    return this->create_polyhedron(vertices, {});
  }
};

using TetrahedralSolidBuilder3D = TetrahedralSolidBuilder<3>;

}  // namespace veyra
