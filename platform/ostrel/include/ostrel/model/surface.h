// SPDX-License-Identifier: MIT
// Surface<D>: a component meshed by a surface mesh (polygonal by default), with typed access to
// the mesh's concrete class.
#pragma once

#include <memory>
#include <utility>

#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/model/mesh_component.h>

namespace veyra {

template <index_t D>
class Surface final : public MeshComponent<D, SurfaceMesh<D>> {
 public:
  Surface(std::unique_ptr<SurfaceMesh<D>> mesh, ComponentsBuilderKey)
      : MeshComponent<D, SurfaceMesh<D>>(std::move(mesh)) {}

  static ComponentType component_type_static() { return ComponentType{"Surface"}; }
  ComponentType component_type() const final { return component_type_static(); }

  using MeshComponent<D, SurfaceMesh<D>>::mesh;
  /// The mesh as a T, for example a TriangulatedSurface<D>.
  /// \throw OstrelModelException (input) when the mesh is not a T.
  template <typename T>
  const T& mesh() const {
    const auto* typed = dynamic_cast<const T*>(&this->mesh());
    OSTREL_INPUT_CHECK(OstrelModelException, typed != nullptr, "[Surface::mesh] The mesh of ",
                       this->component_id().string(), " is a ", this->mesh().type_name().get(),
                       ", not the asked type");
    return *typed;
  }
};

}  // namespace veyra
