// SPDX-License-Identifier: MIT
// MeshComponent<D, Mesh>: a component that owns one mesh (corners, lines, surfaces and blocks).
// mesh_type() is the implementation key of the current mesh.
#pragma once

#include <memory>
#include <utility>

#include <ostrel/mesh/mesh_type.h>
#include <ostrel/model/component.h>

namespace veyra {

template <index_t D, typename Mesh>
class MeshComponent : public Component<D> {
 public:
  using MeshClass = Mesh;

  const Mesh& mesh() const { return *mesh_; }
  /// The same as mesh().
  const Mesh& get_mesh() const { return *mesh_; }
  /// Implementation key of the current mesh, e.g. "OstrelPolygonalSurface3D".
  const MeshImpl& mesh_type() const { return mesh_type_; }

  /// The mesh, for the builders obtained through a model builder.
  Mesh& modifiable_mesh(ComponentsBuilderKey) const { return *mesh_; }
  /// Replaces the mesh, which the component owns from now on.
  void set_mesh(std::unique_ptr<Mesh> mesh, ComponentsBuilderKey) {
    mesh_type_ = mesh->impl_name();
    mesh_ = std::move(mesh);
  }

 protected:
  explicit MeshComponent(std::unique_ptr<Mesh> mesh)
      : mesh_type_(mesh->impl_name()), mesh_(std::move(mesh)) {}

 private:
  MeshImpl mesh_type_;
  std::unique_ptr<Mesh> mesh_;
};

}  // namespace veyra
