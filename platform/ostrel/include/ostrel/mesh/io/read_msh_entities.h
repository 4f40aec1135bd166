// SPDX-License-Identifier: MIT
// read_msh_entities: reads a Gmsh MSH file (2.2 or 4.1, ASCII) as one mesh per elementary
// entity and dimension, so that a surface mesh of six faces gives six surface meshes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <ostrel/mesh/io/loaded_mesh.h>
#include <ostrel/mesh/io/read_mesh.h>

namespace veyra {

struct MshEntityMesh {
  /// 0 (point elements), 1 (segments), 2 (polygons) or 3 (volume elements).
  index_t dimension{0};
  /// The elementary entity tag.
  int entity{0};
  /// Physical groups of the entity, ascending (from the entity table in MSH 4.1, from the
  /// elements' tags in MSH 2.2).
  std::vector<int> physicals;
  /// The entity's elements in file order over the nodes they use, numbered by increasing node
  /// order. Vertex attribute "gmsh_node" (index_t) holds the node tag, so vertices shared by
  /// two entities can be matched; element attributes "gmsh_physical" and "gmsh_entity" as in
  /// read_mesh. Named after the physical group when the entity has exactly one that is named.
  LoadedMesh mesh;
};

/// The meshes ordered by dimension, then entity tag.
/// \throw OstrelMeshException (input) as read_mesh does.
std::vector<MshEntityMesh> read_msh_entities(std::string_view path,
                                             const MeshReadOptions& options = {});

std::vector<MshEntityMesh> read_msh_entities_from_buffer(std::string_view content,
                                                         std::string_view name,
                                                         const MeshReadOptions& options = {});

}  // namespace veyra
