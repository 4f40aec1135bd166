// SPDX-License-Identifier: MIT
// expect_mappings_follow: the GoogleTest check that the mappings a topology operation returns
// lead from the components, mesh vertices and mesh elements of the model before the operation to
// those of the model after it, at the same place.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <source_location>
#include <string>
#include <string_view>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>
#include <gtest/gtest.h>

#include <model/common/mappings.h>
#include <ostrel/basic/str_cat.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/section.h>

namespace veyra::test {

/// Where every mesh vertex and mesh element (its centre) of a model's components lies, per
/// component kind (corners, lines, surfaces, blocks).
template <index_t D>
struct MeshesSnapshot {
  struct Places {
    absl::flat_hash_map<MeshVertex, Point<D>> vertices;
    absl::flat_hash_map<MeshElement, Point<D>> elements;
  };
  /// Drops a component, for one the operation removes before the mappings start.
  void forget(const uuid& component) {
    components.erase(component);
    for (auto& places : kinds) {
      absl::erase_if(places.vertices,
                     [&](const auto& entry) { return entry.first.component_id == component; });
      absl::erase_if(places.elements,
                     [&](const auto& entry) { return entry.first.component_id == component; });
    }
  }

  absl::flat_hash_set<uuid> components;
  std::array<Places, 4> kinds;
};

template <typename Model>
MeshesSnapshot<Model::dim> snapshot_meshes(const Model& model) {
  MeshesSnapshot<Model::dim> snapshot;
  const auto add = [&](index_t kind, const auto& components, const auto& nb_elements,
                       const auto& centre) {
    auto& places = snapshot.kinds[kind];
    for (const auto& component : components) {
      const auto& mesh = component.mesh();
      snapshot.components.insert(component.id());
      for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
        places.vertices.emplace(MeshVertex{component.id(), v}, mesh.point(v));
      }
      for (index_t e = 0; e < nb_elements(mesh); ++e) {
        places.elements.emplace(MeshElement{component.id(), e}, centre(mesh, e));
      }
    }
  };
  add(
      0, model.corners(), [](const auto& mesh) { return mesh.nb_vertices(); },
      [](const auto& mesh, index_t e) { return mesh.point(e); });
  add(
      1, model.lines(), [](const auto& mesh) { return mesh.nb_edges(); },
      [](const auto& mesh, index_t e) { return mesh.edge_barycenter(e); });
  add(
      2, model.surfaces(), [](const auto& mesh) { return mesh.nb_polygons(); },
      [](const auto& mesh, index_t e) { return mesh.polygon_barycenter(e); });
  if constexpr (Model::dim == 3) {
    add(
        3, model.blocks(), [](const auto& mesh) { return mesh.nb_polyhedra(); },
        [](const auto& mesh, index_t e) { return mesh.polyhedron_barycenter(e); });
  }
  return snapshot;
}

namespace internal {

template <index_t D>
bool same_place(const Point<D>& lhs, const Point<D>& rhs) {
  for (local_index_t axis = 0; axis < D; ++axis) {
    if (std::abs(lhs.value(axis) - rhs.value(axis)) > 1e-9) return false;
  }
  return true;
}

/// Checks one mesh vertex or mesh element mapping: every input was in `before`, every output is
/// in `after` at the input's place, and every entity of a component the component mappings
/// send elsewhere is an input.
template <typename Entity, typename Places>
void check_entity_mapping(const GenericMapping<Entity>& mapping, const Places& before,
                          const Places& after, const absl::flat_hash_set<uuid>& moved,
                          std::string_view name, std::vector<std::string>& problems) {
  for (const auto& [in, outs] : mapping.in2out_map()) {
    const auto old_place = before.find(in);
    if (old_place == before.end()) {
      problems.push_back(str_cat(name, ": input ", in.string(), " was no entity before"));
      continue;
    }
    for (const auto& out : outs) {
      const auto new_place = after.find(out);
      if (new_place == after.end()) {
        problems.push_back(str_cat(name, ": output ", out.string(), " is no entity now"));
      } else if (!same_place(old_place->second, new_place->second)) {
        problems.push_back(str_cat(name, ": ", in.string(), " moved to ", out.string()));
      }
    }
  }
  for (const auto& [entity, place] : before) {
    if (moved.contains(entity.component_id) && !mapping.has_mapping_input(entity)) {
      problems.push_back(str_cat(name, ": ", entity.string(), " of a mapped component is lost"));
    }
  }
}

template <typename VertexMappings, typename ElementMappings, index_t D>
void check_entity_mappings(const VertexMappings& vertices, const ElementMappings& elements,
                           const MeshesSnapshot<D>& before, const MeshesSnapshot<D>& after,
                           const absl::flat_hash_set<uuid>& moved,
                           std::vector<std::string>& problems) {
  const auto check = [&](const auto& vertex_mapping, const auto& element_mapping, index_t kind,
                         std::string_view name) {
    const auto& old_places = before.kinds[kind];
    const auto& new_places = after.kinds[kind];
    check_entity_mapping(vertex_mapping, old_places.vertices, new_places.vertices, moved,
                         str_cat(name, " vertices"), problems);
    check_entity_mapping(element_mapping, old_places.elements, new_places.elements, moved,
                         str_cat(name, " elements"), problems);
  };
  check(vertices.corners, elements.corners, 0, "corner");
  check(vertices.lines, elements.lines, 1, "line");
  check(vertices.surfaces, elements.surfaces, 2, "surface");
  if constexpr (D == 3) check(vertices.blocks, elements.blocks, 3, "block");
}

}  // namespace internal

/// Fails the current test (non-fatally, at the caller's line, listing the first problems) unless:
/// every component mapping leads from a component of `before` to a component of `model`; the
/// created components are new, the removed ones gone and the unchanged ones kept; every mesh
/// vertex and element mapping leads from an entity of `before` to an entity of `model` at the
/// same place; and every vertex and element of a component the component mappings send
/// elsewhere is mapped. Ids listed in `foreign` (components the operation made and removed
/// itself) are allowed in the created, removed and unchanged lists.
template <typename Model>
void expect_mappings_follow(const MeshesSnapshot<Model::dim>& before, const Model& model,
                            const ModelMappings<Model>& mappings,
                            const absl::flat_hash_set<uuid>& foreign = {},
                            std::source_location where = std::source_location::current()) {
  const auto after = snapshot_meshes(model);
  std::vector<std::string> problems;
  absl::flat_hash_set<uuid> moved;
  for (const auto& [type, mapping] : mappings.component_mappings) {
    for (const auto& [in, outs] : mapping.in2out_map()) {
      moved.insert(in);
      if (!before.components.contains(in)) {
        problems.push_back(str_cat(type.get(), " mapping: input ", in.string(), " is new"));
      }
      for (const auto& out : outs) {
        if (!after.components.contains(out)) {
          problems.push_back(str_cat(type.get(), " mapping: output ", out.string(), " is gone"));
        }
      }
    }
  }
  const auto check_list = [&](const ComponentsByType& lists, std::string_view name,
                              bool was_there, bool is_there) {
    for (const auto& [type, ids] : lists) {
      for (const auto& id : ids) {
        if (foreign.contains(id)) continue;
        if (before.components.contains(id) != was_there ||
            after.components.contains(id) != is_there) {
          problems.push_back(str_cat(name, " ", type.get(), " ", id.string()));
        }
      }
    }
  };
  check_list(mappings.created_components, "created", false, true);
  check_list(mappings.removed_components, "removed", true, false);
  check_list(mappings.unchanged_components, "unchanged", true, true);
  internal::check_entity_mappings(mappings.mesh_vertices, mappings.mesh_elements, before, after,
                                  moved, problems);
  if (problems.empty()) return;
  std::string listed;
  for (std::size_t i = 0; i < std::min<std::size_t>(problems.size(), 10); ++i) {
    listed += str_cat("\n  ", problems[i]);
  }
  ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
      << problems.size() << " mapping problems, the first ones:" << listed;
}

}  // namespace veyra::test
