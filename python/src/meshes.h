// SPDX-License-Identifier: MIT
// The meshes as the Python objects hold them: a handle that owns a mesh or views the mesh of a
// model's component, and one Python class per kind of mesh over the handles of its dimensions.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/io/loaded_mesh.h>
#include <ostrel/mesh/point_set.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/surface_mesh.h>

#include "bindings.h"

namespace veyra::python {

/// Raised as ReferenceError: a view of a component that its model no longer has.
class ComponentGone : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Either owns a mesh (built from arrays, read from a file, returned by an operation) or views
/// the mesh of a model's component. A view finds the component again by id at each use, so that
/// it follows a model changed in place and fails cleanly once the component is gone; the finder
/// holds the model, which the view keeps alive. Views are read-only, except for attributes.
template <typename Mesh>
class MeshHandle {
 public:
  using Finder = std::function<const Mesh*()>;

  explicit MeshHandle(std::shared_ptr<Mesh> mesh) : owned_(std::move(mesh)) {}
  MeshHandle(Finder finder, std::string component) :
      finder_(std::move(finder)), component_(std::move(component)) {}

  /// \throw ComponentGone when the viewed component is no longer in its model.
  const Mesh& get() const {
    if (owned_) return *owned_;
    const auto* mesh = finder_();
    if (mesh == nullptr) {
      throw ComponentGone{"the model no longer has " + component_ + ", whose mesh this was"};
    }
    return *mesh;
  }

  /// The mesh, for an operation that changes it.
  /// \throw ValueError for a view.
  Mesh& modifiable(std::string_view operation) const {
    if (!owned_) {
      throw py::value_error(std::string{operation} + " changes its mesh, and this one is the mesh of " +
                            component_ + ": give it mesh.copy()");
    }
    return *owned_;
  }

  bool is_view() const { return !owned_; }

 private:
  std::shared_ptr<Mesh> owned_;
  Finder finder_;
  std::string component_;
};

/// One Python mesh class: the handle of a mesh of one of the dimensions Ds.
template <template <index_t> class MeshT, index_t... Ds>
struct AnyMesh {
  using Handle = std::variant<MeshHandle<MeshT<Ds>>...>;

  Handle handle;

  /// Calls visitor(handle) with the typed handle.
  template <typename Visitor>
  decltype(auto) visit(Visitor&& visitor) const {
    return std::visit(std::forward<Visitor>(visitor), handle);
  }
};

using PyPointSet = AnyMesh<PointSet, 2, 3>;
using PyEdgedCurve = AnyMesh<EdgedCurve, 2, 3>;
using PySurfaceMesh = AnyMesh<SurfaceMesh, 2, 3>;
using PySolidMesh = AnyMesh<SolidMesh, 3>;

/// The Python object owning the mesh of a loaded file.
py::object wrap_loaded_mesh(LoadedMesh&& loaded);

/// The Python object owning `mesh`.
template <index_t D>
py::object wrap_mesh(std::unique_ptr<PointSet<D>> mesh) {
  return py::cast(PyPointSet{MeshHandle<PointSet<D>>{std::move(mesh)}});
}
template <index_t D>
py::object wrap_mesh(std::unique_ptr<EdgedCurve<D>> mesh) {
  return py::cast(PyEdgedCurve{MeshHandle<EdgedCurve<D>>{std::move(mesh)}});
}
template <index_t D>
py::object wrap_mesh(std::unique_ptr<SurfaceMesh<D>> mesh) {
  return py::cast(PySurfaceMesh{MeshHandle<SurfaceMesh<D>>{std::move(mesh)}});
}
inline py::object wrap_mesh(std::unique_ptr<SolidMesh<3>> mesh) {
  return py::cast(PySolidMesh{MeshHandle<SolidMesh<3>>{std::move(mesh)}});
}

/// The text "<mesh type> <id>" of a mesh, for messages.
std::string mesh_description(const VertexSet& mesh);

}  // namespace veyra::python
