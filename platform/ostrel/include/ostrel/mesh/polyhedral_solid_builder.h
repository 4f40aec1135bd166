// SPDX-License-Identifier: MIT
// PolyhedralSolidBuilder<D>: the builder of PolyhedralSolid<D>.
#pragma once

#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/solid_mesh_builder.h>

#include <memory>

namespace veyra {

template <index_t D>
class PolyhedralSolidBuilder : public SolidMeshBuilder<D> {
 public:
  explicit PolyhedralSolidBuilder(PolyhedralSolid<D>& mesh);

  static std::unique_ptr<PolyhedralSolidBuilder> create(PolyhedralSolid<D>& mesh);
};

using PolyhedralSolidBuilder3D = PolyhedralSolidBuilder<3>;

}  // namespace veyra
