// SPDX-License-Identifier: MIT
#include <ostrel/mesh/mesh_builder_factory.h>
#include <ostrel/mesh/mesh_factory.h>

#include <mutex>
#include <unordered_map>

#include <absl/container/flat_hash_map.h>
#include <absl/hash/hash.h>

#include <ostrel/mesh/ostrel_mesh_library.h>

namespace veyra {
namespace {

struct Registry {
  std::mutex mutex;
  absl::flat_hash_map<MeshImpl, MeshFactory::Creator> meshes;
  // Node-based: default_impl returns references that later registrations must not move.
  std::unordered_map<MeshType, MeshImpl, absl::Hash<MeshType>> defaults;
  absl::flat_hash_map<MeshImpl, MeshBuilderFactory::Creator> builders;
};

Registry& registry() {
  // Never destroyed: meshes may be created during static destruction.
  static auto* instance = new Registry;
  return *instance;
}

}  // namespace

void MeshFactory::register_creator(const MeshImpl& key, Creator creator) {
  auto& tables = registry();
  std::lock_guard lock{tables.mutex};
  tables.meshes.insert_or_assign(key, creator);
}

void MeshFactory::register_default(const MeshType& type, const MeshImpl& impl) {
  auto& tables = registry();
  std::lock_guard lock{tables.mutex};
  tables.defaults.insert_or_assign(type, impl);
}

const MeshImpl& MeshFactory::default_impl(const MeshType& type) {
  OstrelMeshLibrary::initialize();
  auto& tables = registry();
  std::lock_guard lock{tables.mutex};
  const auto found = tables.defaults.find(type);
  OSTREL_INPUT_CHECK(OstrelMeshException, found != tables.defaults.end(),
                     "[MeshFactory::default_impl] No default implementation for mesh type ",
                     type.get());
  return found->second;
}

bool MeshFactory::has_impl(const MeshImpl& key) {
  OstrelMeshLibrary::initialize();
  auto& tables = registry();
  std::lock_guard lock{tables.mutex};
  return tables.meshes.contains(key);
}

std::unique_ptr<VertexSet> MeshFactory::create_vertex_set(const MeshImpl& key) {
  OstrelMeshLibrary::initialize();
  Creator creator = nullptr;
  {
    auto& tables = registry();
    std::lock_guard lock{tables.mutex};
    const auto found = tables.meshes.find(key);
    OSTREL_INPUT_CHECK(OstrelMeshException, found != tables.meshes.end(),
                       "[MeshFactory::create_mesh] Unknown mesh implementation ", key.get());
    creator = found->second;
  }
  return creator();
}

void MeshBuilderFactory::register_creator(const MeshImpl& key, Creator creator) {
  auto& tables = registry();
  std::lock_guard lock{tables.mutex};
  tables.builders.insert_or_assign(key, creator);
}

std::unique_ptr<VertexSetBuilder> MeshBuilderFactory::create_builder(VertexSet& mesh) {
  OstrelMeshLibrary::initialize();
  const auto key = mesh.impl_name();
  Creator creator = nullptr;
  {
    auto& tables = registry();
    std::lock_guard lock{tables.mutex};
    const auto found = tables.builders.find(key);
    OSTREL_EXCEPTION(OstrelMeshException, found != tables.builders.end(),
                     "Cannot create mesh builder with key: ", key.get());
    creator = found->second;
  }
  return creator(mesh);
}

}  // namespace veyra
