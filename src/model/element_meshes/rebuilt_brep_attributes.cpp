// SPDX-License-Identifier: MIT
#include "rebuilt_brep_attributes.h"

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>
#include <absl/types/span.h>
#include <model/common/library.h>
#include <ostrel/basic/attribute_linear_interpolation.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/generic_mapping.h>
#include <ostrel/geometry/barycentric_coordinates.h>
#include <ostrel/geometry/basic_objects.h>
#include <ostrel/geometry/point.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "mapping_lookups.h"

namespace veyra::internal {
namespace {

index_t index_of(const MeshVertex& vertex) {
  return vertex.vertex;
}
index_t index_of(const MeshElement& element) {
  return element.element;
}

bool has_attributes(const AttributeManager& manager) {
  return !manager.attribute_names().empty();
}

// The attribute managers of the old components that hold attributes: only they have something
// to give, and a kind of component without any is skipped altogether.
template <typename Components, typename ManagerOf>
absl::flat_hash_map<uuid, const AttributeManager*> managers_with_attributes(
    const Components& components, const ManagerOf& manager_of) {
  absl::flat_hash_map<uuid, const AttributeManager*> managers;
  for (const auto& component : components) {
    const auto& manager = manager_of(component.mesh());
    if (has_attributes(manager)) managers.emplace(component.id(), &manager);
  }
  return managers;
}

// The pairs (old element, new element) between one old component and one new component, new
// elements ascending.
struct ImportGroup {
  uuid old_component;
  const AttributeManager* source{nullptr};
  std::vector<std::pair<index_t, index_t>> pairs;
};

// Imports the group's values into `target`. While each old element reaches one new element and
// each new element comes from one old element, a dense old -> new table gives the same values
// as the pairs without hashing them; it is used when it is not much longer than the group, so
// that a small group taken from a large component does not pay for the whole component.
// `table` is scratch space holding NO_ID everywhere, and is left so.
void import_group(AttributeManager& target, const ImportGroup& group, std::vector<index_t>& table) {
  constexpr std::size_t max_table_per_pair = 4;
  const auto nb_from = group.source->nb_elements();
  bool one_to_one = true;
  index_t end = 0;
  index_t previous_new = NO_ID;
  for (const auto& [old_element, new_element] : group.pairs) {
    if (old_element >= nb_from || new_element == previous_new) {
      one_to_one = false;
      break;
    }
    previous_new = new_element;
    end = std::max(end, old_element + 1);
  }
  if (one_to_one && end <= max_table_per_pair * group.pairs.size()) {
    if (table.size() < end) table.resize(end, NO_ID);
    for (const auto& [old_element, new_element] : group.pairs) {
      one_to_one = one_to_one && table[old_element] == NO_ID;
      table[old_element] = new_element;
    }
    if (one_to_one) target.import(*group.source, absl::MakeConstSpan(table.data(), end));
    for (const auto& pair : group.pairs) table[pair.first] = NO_ID;
    if (one_to_one) return;
  }
  // Merged or split elements: the pairs themselves, in the order they are met.
  GenericMapping<index_t> old_to_new;
  old_to_new.reserve(static_cast<index_t>(group.pairs.size()));
  for (const auto& [old_element, new_element] : group.pairs) {
    old_to_new.map(old_element, new_element);
  }
  target.import(*group.source, old_to_new);
}

// For each new component, the old elements (or vertices) mapped to each of its elements are
// grouped by old component, in the order the old components are met, and each old component's
// attributes are imported through its group.
template <typename Key, typename OldComponents, typename NewComponents, typename ManagerOf,
          typename Count>
void import_attributes(const OldComponents& old_components, const NewComponents& new_components,
                       const GenericMapping<Key>& mapping, const ManagerOf& manager_of,
                       const Count& count) {
  const auto old_managers = managers_with_attributes(old_components, manager_of);
  if (old_managers.empty()) return;
  // The groups are kept from one new component to the next so that their pair storage is reused.
  std::vector<ImportGroup> groups;
  std::vector<index_t> table;
  for (const auto& component : new_components) {
    const auto& mesh = component.mesh();
    const auto nb = count(mesh);
    std::size_t nb_groups = 0;
    std::size_t last_group = 0;
    for (index_t index = 0; index < nb; ++index) {
      for (const auto& old : inputs(mapping, Key{component.id(), index})) {
        if (last_group >= nb_groups || groups[last_group].old_component != old.component_id) {
          const auto manager = old_managers.find(old.component_id);
          if (manager == old_managers.end()) continue;
          last_group = 0;
          while (last_group < nb_groups && groups[last_group].old_component != old.component_id) {
            ++last_group;
          }
          if (last_group == nb_groups) {
            if (nb_groups == groups.size()) groups.emplace_back();
            auto& group = groups[nb_groups++];
            group.old_component = old.component_id;
            group.source = manager->second;
            group.pairs.clear();
          }
        }
        groups[last_group].pairs.emplace_back(index_of(old), index);
      }
    }
    auto& target = manager_of(mesh);
    for (std::size_t group = 0; group < nb_groups; ++group) {
      import_group(target, groups[group], table);
    }
  }
}

// The new vertex of `old` in `component`, if it has one there.
std::optional<index_t> new_vertex_in(const GenericMapping<MeshVertex>& vertices,
                                     const MeshVertex& old, const uuid& component) {
  for (const auto& vertex : outputs(vertices, old)) {
    if (vertex.component_id == component) return vertex.vertex;
  }
  return std::nullopt;
}

// A vertex inserted on a line edge takes the values at the two ends of the old edge it lies on,
// weighted by closeness: the value of an end at that end, equal weights at the middle.
void interpolate_line_split_vertices(const BRep& from, const BRep& to,
                                     const GenericMapping<MeshElement>& edges,
                                     const GenericMapping<MeshVertex>& vertices) {
  for (const auto& line : to.lines()) {
    const auto& mesh = line.mesh();
    auto& manager = mesh.vertex_attribute_manager();
    if (!has_attributes(manager)) continue;
    for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
      if (vertices.has_mapping_output({line.id(), vertex})) continue;
      const auto& around = mesh.edges_around_vertex(vertex);
      if (around.empty()) continue;
      const auto& olds = inputs(edges, {line.id(), around.front().edge_id});
      if (olds.empty()) continue;
      const auto& old_edge = olds.front();
      const auto& old_mesh = from.line(old_edge.component_id).mesh();
      const auto ends = old_mesh.edge_vertices(old_edge.element);
      std::array<index_t, 2> new_ends{};
      bool found = true;
      for (const local_index_t end : {0, 1}) {
        // Every old vertex of the edge has new vertices (the lookup throws otherwise); the one
        // on this line is wanted.
        const auto& news = vertices.in2out({old_edge.component_id, ends[end]});
        const auto on_line = std::find_if(news.begin(), news.end(), [&line](const MeshVertex& v) {
          return v.component_id == line.id();
        });
        if (on_line == news.end()) {
          found = false;
          break;
        }
        new_ends[end] = on_line->vertex;
      }
      // The old edge's ends are on another new line (the edge was cut into several lines):
      // nothing on this line to take values from.
      if (!found) continue;
      const auto& point = mesh.point(vertex);
      const auto distance0 = point_point_distance(point, old_mesh.point(ends[0]));
      const auto distance1 = point_point_distance(point, old_mesh.point(ends[1]));
      const auto total = distance0 + distance1;
      const auto weight0 = total > 0. ? distance1 / total : 0.5;
      const auto weight1 = total > 0. ? distance0 / total : 0.5;
      manager.interpolate_attribute_value({{new_ends[0], new_ends[1]}, {weight0, weight1}}, vertex);
    }
  }
}

struct SurfaceSplit {
  static constexpr std::size_t nb_corners = 3;
  static const SurfaceMesh<3>& old_mesh(const BRep& model, const uuid& id) {
    return model.surface(id).mesh();
  }
  static index_t nb_elements(const SurfaceMesh<3>& mesh) { return mesh.nb_polygons(); }
  static PolygonVertices element_vertices(const SurfaceMesh<3>& mesh, index_t polygon) {
    return mesh.polygon_vertices(polygon);
  }
  static std::array<double, 3> coordinates(const Point<3>& point,
                                           const std::array<Point<3>, 3>& corners) {
    return safe_triangle_barycentric_coordinates(point,
                                                 Triangle<3>{corners[0], corners[1], corners[2]});
  }
  static constexpr const char* missing_vertex =
      "[transfer_attributes_on_surface_split_vertices] Could not find output vertex in mapping.";
};

struct BlockSplit {
  static constexpr std::size_t nb_corners = 4;
  static const SolidMesh<3>& old_mesh(const BRep& model, const uuid& id) {
    return model.block(id).mesh();
  }
  static index_t nb_elements(const SolidMesh<3>& mesh) { return mesh.nb_polyhedra(); }
  static PolyhedronVertices element_vertices(const SolidMesh<3>& mesh, index_t polyhedron) {
    return mesh.polyhedron_vertices(polyhedron);
  }
  static std::array<double, 4> coordinates(const Point<3>& point,
                                           const std::array<Point<3>, 4>& corners) {
    return safe_tetrahedron_barycentric_coordinates(
        point, Tetrahedron{corners[0], corners[1], corners[2], corners[3]});
  }
  static constexpr const char* missing_vertex =
      "[transfer_attributes_on_block_split_vertices] Could not find output vertex in mapping.";
};

// A vertex created inside an old triangle (tetrahedron) that became several new elements of one
// component takes the values at the old element's corners, through their new vertices in that
// component, with its barycentric coordinates in the old element.
template <typename Split, typename Components>
void interpolate_split_vertices(const BRep& from, const Components& new_components,
                                const GenericMapping<MeshElement>& elements,
                                const GenericMapping<MeshVertex>& vertices) {
  constexpr auto nb_corners = Split::nb_corners;
  // The new components holding several elements of one old element; only they are scanned.
  absl::flat_hash_set<uuid> with_splits;
  for (const auto& [old, news] : elements.in2out_map()) {
    for (std::size_t first = 0; first < news.size(); ++first) {
      for (auto next = first + 1; next < news.size(); ++next) {
        if (news[next].component_id == news[first].component_id) {
          with_splits.insert(news[first].component_id);
        }
      }
    }
  }
  for (const auto& component : new_components) {
    const auto id = component.id();
    if (!with_splits.contains(id)) continue;
    const auto& mesh = component.mesh();
    auto& manager = mesh.vertex_attribute_manager();
    if (!has_attributes(manager)) continue;
    const auto in_component = [&id](const MeshElement& element) {
      return element.component_id == id;
    };
    absl::flat_hash_set<MeshElement> split_olds;
    absl::flat_hash_set<index_t> handled;
    const auto nb_elements = Split::nb_elements(mesh);
    for (index_t element = 0; element < nb_elements; ++element) {
      for (const auto& old : inputs(elements, MeshElement{id, element})) {
        const auto& news = outputs(elements, old);
        if (news.size() < 2 || std::count_if(news.begin(), news.end(), in_component) < 2) {
          continue;
        }
        if (!split_olds.insert(old).second) continue;
        const auto& old_mesh = Split::old_mesh(from, old.component_id);
        const auto old_vertices = Split::element_vertices(old_mesh, old.element);
        if (old_vertices.size() != nb_corners) continue;
        std::array<Point<3>, nb_corners> corners;
        AttributeLinearInterpolation interpolation;
        interpolation.indices.resize(nb_corners);
        interpolation.lambdas.resize(nb_corners);
        for (std::size_t corner = 0; corner < nb_corners; ++corner) {
          corners[corner] = old_mesh.point(old_vertices[corner]);
          const auto new_corner =
              new_vertex_in(vertices, {old.component_id, old_vertices[corner]}, id);
          if (!new_corner) {
            throw_model_exception_at(corners[corner], OstrelException::TYPE::internal,
                                     Split::missing_vertex);
          }
          interpolation.indices[corner] = *new_corner;
        }
        for (const auto& new_element : news) {
          if (!in_component(new_element)) continue;
          for (const auto vertex : Split::element_vertices(mesh, new_element.element)) {
            if (vertices.has_mapping_output({id, vertex}) || !handled.insert(vertex).second) {
              continue;
            }
            const auto lambdas = Split::coordinates(mesh.point(vertex), corners);
            std::copy(lambdas.begin(), lambdas.end(), interpolation.lambdas.begin());
            manager.interpolate_attribute_value(interpolation, vertex);
          }
        }
      }
    }
  }
}

}  // namespace

void transfer_rebuilt_brep_attributes(const BRep& from, const BRep& to,
                                      const BRepMeshesElementMapping& elements,
                                      const BRepMeshesVertexMapping& vertices) {
  const auto vertex_manager = [](const auto& mesh) -> AttributeManager& {
    return mesh.vertex_attribute_manager();
  };
  const auto nb_vertices = [](const auto& mesh) { return mesh.nb_vertices(); };

  import_attributes(from.corners(), to.corners(), vertices.corners, vertex_manager, nb_vertices);

  import_attributes(from.lines(), to.lines(), vertices.lines, vertex_manager, nb_vertices);
  import_attributes(
      from.lines(), to.lines(), elements.lines,
      [](const EdgedCurve<3>& mesh) -> AttributeManager& { return mesh.edge_attribute_manager(); },
      [](const EdgedCurve<3>& mesh) { return mesh.nb_edges(); });
  interpolate_line_split_vertices(from, to, elements.lines, vertices.lines);

  import_attributes(from.surfaces(), to.surfaces(), vertices.surfaces, vertex_manager, nb_vertices);
  import_attributes(
      from.surfaces(), to.surfaces(), elements.surfaces,
      [](const SurfaceMesh<3>& mesh) -> AttributeManager& {
        return mesh.polygon_attribute_manager();
      },
      [](const SurfaceMesh<3>& mesh) { return mesh.nb_polygons(); });
  interpolate_split_vertices<SurfaceSplit>(from, to.surfaces(), elements.surfaces,
                                           vertices.surfaces);

  import_attributes(from.blocks(), to.blocks(), vertices.blocks, vertex_manager, nb_vertices);
  import_attributes(
      from.blocks(), to.blocks(), elements.blocks,
      [](const SolidMesh<3>& mesh) -> AttributeManager& {
        return mesh.polyhedron_attribute_manager();
      },
      [](const SolidMesh<3>& mesh) { return mesh.nb_polyhedra(); });
  interpolate_split_vertices<BlockSplit>(from, to.blocks(), elements.blocks, vertices.blocks);
}

}  // namespace veyra::internal
