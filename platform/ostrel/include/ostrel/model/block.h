// SPDX-License-Identifier: MIT
// Block<3>: a component meshed by a solid mesh (polyhedral by default), with typed access to the
// mesh's concrete class.
#pragma once

#include <memory>
#include <utility>

#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/model/mesh_component.h>

namespace veyra {

template <index_t D>
class Block final : public MeshComponent<D, SolidMesh<D>> {
  static_assert(D == 3, "Blocks exist in 3D only");

 public:
  Block(std::unique_ptr<SolidMesh<D>> mesh, ComponentsBuilderKey)
      : MeshComponent<D, SolidMesh<D>>(std::move(mesh)) {}

  static ComponentType component_type_static() { return ComponentType{"Block"}; }
  ComponentType component_type() const final { return component_type_static(); }

  using MeshComponent<D, SolidMesh<D>>::mesh;
  /// The mesh as a T, for example a TetrahedralSolid<3>.
  /// \throw OstrelModelException (input) when the mesh is not a T.
  template <typename T>
  const T& mesh() const {
    const auto* typed = dynamic_cast<const T*>(&this->mesh());
    OSTREL_INPUT_CHECK(OstrelModelException, typed != nullptr, "[Block::mesh] The mesh of ",
                       this->component_id().string(), " is a ", this->mesh().type_name().get(),
                       ", not the asked type");
    return *typed;
  }
};

}  // namespace veyra
