// SPDX-License-Identifier: MIT
#include <ostrel/mesh/io/loaded_mesh.h>

namespace veyra {

std::string_view mesh_kind_name(MeshKind kind) {
  switch (kind) {
    case MeshKind::point_set:
      return "point set";
    case MeshKind::edged_curve:
      return "edged curve";
    case MeshKind::surface:
      return "surface";
    case MeshKind::solid:
      return "solid";
  }
  return "mesh";
}

MeshKind LoadedMesh::kind() const {
  return visit([](const auto& mesh) { return kind_of<std::decay_t<decltype(mesh)>>(); });
}

index_t LoadedMesh::dimension() const {
  return visit([](const auto& mesh) { return std::decay_t<decltype(mesh)>::dimension; });
}

const VertexSet& LoadedMesh::vertex_set() const {
  return visit([](const auto& mesh) -> const VertexSet& { return mesh; });
}

void LoadedMesh::check_holds(bool holds, MeshKind asked_kind, index_t asked_dimension,
                             std::string_view function) const {
  OSTREL_INPUT_CHECK(OstrelMeshException, holds, "[LoadedMesh::", function, "] The mesh is a ",
                     mesh_kind_name(kind()), " in ", dimension(), "D, not a ",
                     mesh_kind_name(asked_kind), " in ", asked_dimension, "D");
}

}  // namespace veyra
