// SPDX-License-Identifier: MIT
#include <ostrel/mesh/io/read_msh_entities.h>

#include <algorithm>

#include <ostrel/mesh/ostrel_mesh_library.h>

#include "file_content.h"
#include "mesh_readers.h"

namespace veyra {
namespace {

using EntityKey = std::pair<index_t, int>;

const std::vector<std::int32_t>& int_cell_data(const internal::RawMesh& mesh,
                                               std::string_view name) {
  for (const auto& array : mesh.cell_data) {
    if (array.name == name) return std::get<std::vector<std::int32_t>>(array.values);
  }
  OSTREL_EXCEPTION(OstrelMeshException, false, "[read_msh_entities] missing cell data ", name);
}

class EntitySplitter {
 public:
  EntitySplitter(const internal::MshFile& file, const MeshReadOptions& options,
                 const internal::InputSource& source)
      : file_(file),
        options_(options),
        source_(source),
        physicals_(int_cell_data(file.mesh, "gmsh_physical")),
        entities_(int_cell_data(file.mesh, "gmsh_entity")),
        local_index_(file.mesh.nb_points(), NO_ID) {}

  std::vector<MshEntityMesh> split() {
    absl::flat_hash_map<EntityKey, std::vector<index_t>> cells_of_entity;
    for (index_t cell = 0; cell < file_.mesh.nb_cells(); ++cell) {
      const EntityKey key{internal::cell_dimension(file_.mesh.cell_kinds[cell]), entities_[cell]};
      cells_of_entity[key].push_back(cell);
    }
    std::vector<EntityKey> keys;
    keys.reserve(cells_of_entity.size());
    for (const auto& [key, cells] : cells_of_entity) keys.push_back(key);
    std::sort(keys.begin(), keys.end());
    std::vector<MshEntityMesh> meshes;
    meshes.reserve(keys.size());
    for (const auto& key : keys) meshes.push_back(entity_mesh(key, cells_of_entity.at(key)));
    return meshes;
  }

 private:
  std::vector<int> entity_physicals(const EntityKey& key, const std::vector<index_t>& cells) const {
    std::vector<int> physicals;
    if (const auto found = file_.entity_physicals.find(key);
        found != file_.entity_physicals.end()) {
      physicals = found->second;
    } else {
      for (const auto cell : cells) {
        if (physicals_[cell] != 0) physicals.push_back(physicals_[cell]);
      }
    }
    std::sort(physicals.begin(), physicals.end());
    physicals.erase(std::unique(physicals.begin(), physicals.end()), physicals.end());
    return physicals;
  }

  MshEntityMesh entity_mesh(const EntityKey& key, const std::vector<index_t>& cells) {
    const auto& all = file_.mesh;
    std::vector<index_t> nodes;
    for (const auto cell : cells) {
      for (const auto node : all.cell(cell)) nodes.push_back(node);
    }
    std::sort(nodes.begin(), nodes.end());
    nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());

    internal::RawMesh raw;
    std::vector<std::uint32_t> node_tags;
    raw.coordinates.reserve(3 * nodes.size());
    node_tags.reserve(nodes.size());
    for (index_t local = 0; local < nodes.size(); ++local) {
      const auto node = nodes[local];
      local_index_[node] = local;
      raw.add_point(all.coordinates[3 * node], all.coordinates[3 * node + 1],
                    all.coordinates[3 * node + 2]);
      const auto tag = file_.node_tags[node];
      if (tag >= NO_ID) source_.fail("node tag ", tag, " is too large for an index");
      node_tags.push_back(static_cast<std::uint32_t>(tag));
    }
    std::vector<std::int32_t> physicals;
    std::vector<std::int32_t> entities;
    std::vector<index_t> vertices;
    for (const auto cell : cells) {
      vertices.clear();
      for (const auto node : all.cell(cell)) vertices.push_back(local_index_[node]);
      raw.add_cell(all.cell_kinds[cell], vertices);
      physicals.push_back(physicals_[cell]);
      entities.push_back(entities_[cell]);
    }
    for (const auto node : nodes) local_index_[node] = NO_ID;
    raw.point_data.push_back({"gmsh_node", 1, std::move(node_tags)});
    raw.cell_data.push_back({"gmsh_physical", 1, std::move(physicals)});
    raw.cell_data.push_back({"gmsh_entity", 1, std::move(entities)});

    auto entity_physicals_list = entity_physicals(key, cells);
    if (entity_physicals_list.size() == 1) {
      const auto name = file_.physical_names.find({key.first, entity_physicals_list.front()});
      if (name != file_.physical_names.end()) raw.name = name->second;
    }
    return MshEntityMesh{key.first, key.second, std::move(entity_physicals_list),
                         internal::build_mesh(std::move(raw), options_, source_)};
  }

  const internal::MshFile& file_;
  const MeshReadOptions& options_;
  const internal::InputSource& source_;
  const std::vector<std::int32_t>& physicals_;
  const std::vector<std::int32_t>& entities_;
  std::vector<index_t> local_index_;
};

}  // namespace

std::vector<MshEntityMesh> read_msh_entities(std::string_view path,
                                             const MeshReadOptions& options) {
  const auto content = internal::read_file_content(path, "read_msh_entities");
  return read_msh_entities_from_buffer(content, path, options);
}

std::vector<MshEntityMesh> read_msh_entities_from_buffer(std::string_view content,
                                                         std::string_view name,
                                                         const MeshReadOptions& options) {
  OstrelMeshLibrary::initialize();
  const internal::InputSource source{content, name, "MSH reader"};
  const auto file = internal::read_msh_file(source);
  return EntitySplitter{file, options, source}.split();
}

}  // namespace veyra
