// SPDX-License-Identifier: MIT
// LoadedMesh: a mesh read from a file, whose kind (point set, curve, surface, solid) and
// dimension are known only at run time. It owns the mesh and hands it out typed.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <variant>

#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/point_set.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/surface_mesh.h>

namespace veyra {

enum struct MeshKind : std::uint8_t { point_set, edged_curve, surface, solid };

/// "point set", "edged curve", "surface" or "solid".
std::string_view mesh_kind_name(MeshKind kind);

class LoadedMesh {
 public:
  using Variant =
      std::variant<std::unique_ptr<PointSet<2>>, std::unique_ptr<PointSet<3>>,
                   std::unique_ptr<EdgedCurve<2>>, std::unique_ptr<EdgedCurve<3>>,
                   std::unique_ptr<SurfaceMesh<2>>, std::unique_ptr<SurfaceMesh<3>>,
                   std::unique_ptr<SolidMesh<3>>>;

  /// Takes over a mesh of one of the variant's types (a TriangulatedSurface<3> is held as a
  /// SurfaceMesh<3>, a TetrahedralSolid<3> as a SolidMesh<3>).
  template <typename Mesh>
  explicit LoadedMesh(std::unique_ptr<Mesh> mesh) : mesh_(to_variant(std::move(mesh))) {}

  MeshKind kind() const;
  /// 2 or 3.
  index_t dimension() const;
  /// The held mesh seen as its common base.
  const VertexSet& vertex_set() const;

  /// True when the held mesh is stored as a Mesh (PointSet<D>, EdgedCurve<D>, SurfaceMesh<D>,
  /// SolidMesh<3>).
  template <typename Mesh>
  bool holds() const {
    return std::holds_alternative<std::unique_ptr<Mesh>>(mesh_);
  }
  /// \throw OstrelMeshException (input) when the held mesh is of another kind or dimension.
  template <typename Mesh>
  const Mesh& get() const {
    check_holds(holds<Mesh>(), kind_of<Mesh>(), Mesh::dimension, "get");
    return *std::get<std::unique_ptr<Mesh>>(mesh_);
  }
  /// Hands the mesh over; this object is left empty.
  /// \throw OstrelMeshException (input) when the held mesh is of another kind or dimension.
  template <typename Mesh>
  std::unique_ptr<Mesh> release() {
    check_holds(holds<Mesh>(), kind_of<Mesh>(), Mesh::dimension, "release");
    return std::move(std::get<std::unique_ptr<Mesh>>(mesh_));
  }

  /// Calls visitor(const X&) with the held mesh, X being its variant type.
  template <typename Visitor>
  decltype(auto) visit(Visitor&& visitor) const {
    return std::visit([&](const auto& mesh) -> decltype(auto) { return visitor(*mesh); },
                      mesh_);
  }

 private:
  template <typename Mesh>
  static Variant to_variant(std::unique_ptr<Mesh> mesh) {
    if constexpr (std::is_base_of_v<SurfaceMesh<Mesh::dimension>, Mesh>) {
      return std::unique_ptr<SurfaceMesh<Mesh::dimension>>{std::move(mesh)};
    } else if constexpr (std::is_base_of_v<SolidMesh<Mesh::dimension>, Mesh>) {
      return std::unique_ptr<SolidMesh<Mesh::dimension>>{std::move(mesh)};
    } else {
      return mesh;
    }
  }
  template <typename Mesh>
  static constexpr MeshKind kind_of() {
    if constexpr (std::is_same_v<Mesh, PointSet<Mesh::dimension>>) {
      return MeshKind::point_set;
    } else if constexpr (std::is_same_v<Mesh, EdgedCurve<Mesh::dimension>>) {
      return MeshKind::edged_curve;
    } else if constexpr (std::is_same_v<Mesh, SurfaceMesh<Mesh::dimension>>) {
      return MeshKind::surface;
    } else {
      static_assert(std::is_same_v<Mesh, SolidMesh<Mesh::dimension>>);
      return MeshKind::solid;
    }
  }
  void check_holds(bool holds, MeshKind asked_kind, index_t asked_dimension,
                   std::string_view function) const;

  Variant mesh_;
};

}  // namespace veyra
