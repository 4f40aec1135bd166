// SPDX-License-Identifier: MIT
// GeometricModifier<Model, SplitInfo, CleanInfo>: the engine behind BRepGeometricModifier and
// SectionGeometricModifier. Not installed.
//
// A split works from unique vertices, not from one mesh:
//   1. read the unique vertices of the given edge or triangle and create the new unique vertex;
//   2. group the ties of those unique vertices by component, and keep the components tied to all;
//   3. in each component, find the active elements holding a matching mesh vertex pair (or
//      triple), create one mesh vertex per distinct pair tied to the new unique vertex, and split;
//   4. report the components in model order and the splits in element order.
// Replaced elements are only flagged; clean() deletes them component by component.
#pragma once

#include <algorithm>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <absl/container/inlined_vector.h>

#include <ostrel/basic/logger.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/component_mesh_edges.h>
#include <ostrel/model/component_mesh_polygons.h>

#include "index_lists.h"
#include "mesh_splits.h"

namespace veyra::internal {

/// The vertices of one component tied to one unique vertex.
struct TiedComponent {
  ComponentID component;
  absl::InlinedVector<index_t, 2> vertices;
};
using TiedComponents = absl::InlinedVector<TiedComponent, 4>;

inline const TiedComponent* find_tied(const TiedComponents& tied, const uuid& component) {
  for (const auto& entry : tied) {
    if (entry.component.id() == component) return &entry;
  }
  return nullptr;
}

/// A mesh vertex pair or triple as a sorted key, so that each distinct one gets one new vertex.
using VertexKey = std::array<index_t, 3>;

inline VertexKey vertex_key(index_t v0, index_t v1, index_t v2 = NO_ID) {
  VertexKey key{v0, v1, v2};
  std::sort(key.begin(), key.end());
  return key;
}

/// One element to split and the mesh vertices (tied to the first, second, third unique vertex)
/// it is split on.
struct ElementToSplit {
  index_t element;
  local_index_t edge;
  std::array<index_t, 3> vertices;
};

/// Groups of elements sharing the same mesh vertices, in order of their first element.
inline std::vector<std::vector<ElementToSplit>> group_by_vertices(
    std::vector<ElementToSplit> elements) {
  std::sort(elements.begin(), elements.end(),
            [](const auto& lhs, const auto& rhs) { return lhs.element < rhs.element; });
  elements.erase(std::unique(elements.begin(), elements.end(),
                             [](const auto& lhs, const auto& rhs) {
                               return lhs.element == rhs.element;
                             }),
                 elements.end());
  std::vector<std::vector<ElementToSplit>> groups;
  std::vector<VertexKey> keys;
  for (const auto& element : elements) {
    const auto key = vertex_key(element.vertices[0], element.vertices[1], element.vertices[2]);
    const auto found = std::find(keys.begin(), keys.end(), key);
    if (found == keys.end()) {
      keys.push_back(key);
      groups.push_back({element});
    } else {
      groups[static_cast<std::size_t>(found - keys.begin())].push_back(element);
    }
  }
  return groups;
}

template <typename Model, typename SplitInfo, typename CleanInfo>
class GeometricModifier {
 public:
  static constexpr index_t D = Model::dim;
  static constexpr bool has_blocks = std::is_same_v<Model, BRep>;
  using Builder = typename Model::Builder;

  GeometricModifier(Model& model, Builder& builder, std::string_view name)
      : model_(model), builder_(builder), name_(name) {}

  SplitInfo split_edge(const Line<D>& line, index_t edge, const Point<D>& point) {
    check_line(line, "split_edge");
    OSTREL_INPUT_CHECK(OstrelModelException, edge < line.mesh().nb_edges(), "[", name_,
                       "::split_edge] Edge ", edge, " out of range in ",
                       line.component_id().string());
    check_point(point, "split_edge");
    return split_unique_edge(checked_tied(edge_unique_vertices(model_, line, edge), "split_edge"),
                             point);
  }

  SplitInfo split_edge(const Surface<D>& surface, const PolygonEdge& edge, const Point<D>& point) {
    check_surface(surface, "split_edge");
    const auto& mesh = surface.mesh();
    OSTREL_INPUT_CHECK(OstrelModelException,
                       edge.polygon_id < mesh.nb_polygons() &&
                           edge.edge_id < mesh.nb_polygon_edges(edge.polygon_id),
                       "[", name_, "::split_edge] Polygon edge ", edge.string(),
                       " out of range in ", surface.component_id().string());
    check_point(point, "split_edge");
    return split_unique_edge(
        checked_tied(edge_unique_vertices(model_, surface, edge), "split_edge"), point);
  }

  SplitInfo split_triangle(const Surface<D>& surface, index_t triangle, const Point<D>& point) {
    check_surface(surface, "split_triangle");
    const auto& mesh = surface.mesh();
    OSTREL_INPUT_CHECK(OstrelModelException,
                       triangle < mesh.nb_polygons() && mesh.nb_polygon_vertices(triangle) == 3,
                       "[", name_, "::split_triangle] Polygon ", triangle, " of ",
                       surface.component_id().string(), " is not a triangle");
    check_point(point, "split_triangle");
    const auto corners = polygon_unique_vertices(model_, surface, triangle);
    const std::array<index_t, 3> unique_vertices{corners[0], corners[1], corners[2]};
    for (const auto unique_vertex : unique_vertices) {
      OSTREL_INPUT_CHECK(OstrelModelException, unique_vertex != NO_ID, "[", name_,
                         "::split_triangle] Polygon ", triangle, " of ",
                         surface.component_id().string(), " has a vertex without unique vertex");
    }
    return split_unique_triangle(unique_vertices, point);
  }

  bool is_triangle_active(const Surface<D>& surface, index_t polygon) const {
    return !is_replaced(surface.id(), polygon);
  }

  CleanInfo clean() {
    CleanInfo info;
    info.unique_vertices = identity(model_.nb_unique_vertices());
    for (const auto& line : model_.lines()) {
      auto flags = take_replaced(line.id(), line.mesh().nb_edges());
      if (flags.empty()) continue;
      auto mesh_builder = builder_.line_mesh_builder(line.id());
      ComponentRenumbering renumbering;
      renumbering.elements = mesh_builder->delete_edges(flags);
      renumbering.vertices = identity(line.mesh().nb_vertices());
      info.lines.emplace(line.id(), std::move(renumbering));
    }
    for (const auto& surface : model_.surfaces()) {
      auto flags = take_replaced(surface.id(), surface.mesh().nb_polygons());
      if (flags.empty()) continue;
      auto mesh_builder = builder_.surface_mesh_builder(surface.id());
      ComponentRenumbering renumbering;
      renumbering.elements = mesh_builder->delete_polygons(flags);
      if (surface.mesh().are_edges_enabled()) mesh_builder->delete_isolated_edges();
      renumbering.vertices = identity(surface.mesh().nb_vertices());
      info.surfaces.emplace(surface.id(), std::move(renumbering));
    }
    if constexpr (has_blocks) {
      for (const auto& block : model_.blocks()) {
        auto flags = take_replaced(block.id(), block.mesh().nb_polyhedra());
        if (flags.empty()) continue;
        auto mesh_builder = builder_.block_mesh_builder(block.id());
        ComponentRenumbering renumbering;
        renumbering.elements = mesh_builder->delete_polyhedra(flags);
        if (block.mesh().are_edges_enabled()) mesh_builder->delete_isolated_edges();
        if (block.mesh().are_facets_enabled()) mesh_builder->delete_isolated_facets();
        renumbering.vertices = identity(block.mesh().nb_vertices());
        info.blocks.emplace(block.id(), std::move(renumbering));
      }
    }
    // Components removed from the model since their split have nothing left to clean.
    replaced_.clear();
    return info;
  }

 private:
  template <typename Split>
  using ComponentSplits = std::vector<std::pair<uuid, std::vector<Split>>>;

  void check_line(const Line<D>& line, std::string_view function) const {
    OSTREL_INPUT_CHECK(OstrelModelException,
                       model_.has_line(line.id()) && &model_.line(line.id()) == &line, "[", name_,
                       "::", function, "] ", line.component_id().string(),
                       " is not a line of the model");
  }

  void check_surface(const Surface<D>& surface, std::string_view function) const {
    OSTREL_INPUT_CHECK(OstrelModelException,
                       model_.has_surface(surface.id()) &&
                           &model_.surface(surface.id()) == &surface,
                       "[", name_, "::", function, "] ", surface.component_id().string(),
                       " is not a surface of the model");
  }

  void check_point(const Point<D>& point, std::string_view function) const {
    OSTREL_INPUT_CHECK(OstrelModelException, is_finite(point), "[", name_, "::", function,
                       "] The point ", point.string(), " is not finite");
  }

  std::array<index_t, 2> checked_tied(const std::array<index_t, 2>& unique_vertices,
                                      std::string_view function) const {
    OSTREL_INPUT_CHECK(OstrelModelException,
                       unique_vertices[0] != NO_ID && unique_vertices[1] != NO_ID, "[", name_,
                       "::", function, "] The edge has an end without unique vertex");
    return unique_vertices;
  }

  TiedComponents tied_components(index_t unique_vertex) const {
    TiedComponents tied;
    for (const auto& tie : model_.component_mesh_vertices(unique_vertex)) {
      auto entry = std::find_if(tied.begin(), tied.end(), [&tie](const TiedComponent& component) {
        return component.component.id() == tie.component_id.id();
      });
      if (entry == tied.end()) {
        tied.emplace_back().component = tie.component_id;
        entry = tied.end() - 1;
      }
      entry->vertices.push_back(tie.vertex);
    }
    return tied;
  }

  bool is_replaced(const uuid& component, index_t element) const {
    const auto found = replaced_.find(component);
    if (found == replaced_.end()) return false;
    return element < found->second.size() && found->second[element];
  }

  void mark_replaced(const uuid& component, index_t element) {
    auto& flags = replaced_[component];
    if (element >= flags.size()) flags.resize(std::size_t{element} + 1, false);
    flags[element] = true;
  }

  /// The replaced flags of the component sized to its element count, forgotten here; empty when
  /// nothing of it was replaced.
  std::vector<bool> take_replaced(const uuid& component, index_t nb_elements) {
    const auto found = replaced_.find(component);
    if (found == replaced_.end()) return {};
    auto flags = std::move(found->second);
    replaced_.erase(found);
    flags.resize(nb_elements, false);
    return flags;
  }

  /// Position of the component among those of its kind in the model. Components keep their
  /// relative order when others are added or removed, so positions are only recomputed for a
  /// component met for the first time.
  index_t model_position(const uuid& component) {
    if (const auto found = positions_.find(component); found != positions_.end()) {
      return found->second;
    }
    positions_.clear();
    index_t position = 0;
    for (const auto& line : model_.lines()) positions_.emplace(line.id(), position++);
    position = 0;
    for (const auto& surface : model_.surfaces()) positions_.emplace(surface.id(), position++);
    if constexpr (has_blocks) {
      position = 0;
      for (const auto& block : model_.blocks()) positions_.emplace(block.id(), position++);
    }
    return positions_.at(component);
  }

  template <typename Split>
  void emit_in_model_order(ComponentSplits<Split>& splits,
                           linked_hash_map<uuid, std::vector<Split>>& report) {
    std::vector<std::pair<index_t, std::size_t>> order;
    order.reserve(splits.size());
    for (std::size_t i = 0; i < splits.size(); ++i) {
      order.emplace_back(model_position(splits[i].first), i);
    }
    std::sort(order.begin(), order.end());
    for (const auto& [position, i] : order) {
      report.emplace(splits[i].first, std::move(splits[i].second));
    }
  }

  void tie(const ComponentID& component, index_t vertex, index_t unique_vertex) {
    builder_.set_unique_vertex({component, vertex}, unique_vertex);
  }

  SplitInfo split_unique_edge(const std::array<index_t, 2>& unique_vertices,
                              const Point<D>& point) {
    SplitInfo info;
    info.unique_vertex = builder_.create_unique_vertex();
    const auto tied0 = tied_components(unique_vertices[0]);
    const auto tied1 = tied_components(unique_vertices[1]);
    ComponentSplits<LineEdgeSplit> lines;
    ComponentSplits<PolygonSplit> surfaces;
    ComponentSplits<PolyhedronSplit> blocks;
    for (const auto& ends0 : tied0) {
      const auto* ends1 = find_tied(tied1, ends0.component.id());
      if (ends1 == nullptr) continue;
      const auto& type = ends0.component.type();
      if (type == Line<D>::component_type_static()) {
        auto splits = split_line_edges(ends0, *ends1, point, info.unique_vertex);
        if (!splits.empty()) lines.emplace_back(ends0.component.id(), std::move(splits));
      } else if (type == Surface<D>::component_type_static()) {
        auto splits = split_surface_edges(ends0, *ends1, point, info.unique_vertex);
        if (!splits.empty()) surfaces.emplace_back(ends0.component.id(), std::move(splits));
      } else if constexpr (has_blocks) {
        if (type == Block<3>::component_type_static()) {
          auto splits = split_block_edges(ends0, *ends1, point, info.unique_vertex);
          if (!splits.empty()) blocks.emplace_back(ends0.component.id(), std::move(splits));
        }
      }
    }
    emit_in_model_order(lines, info.lines);
    emit_in_model_order(surfaces, info.surfaces);
    if constexpr (has_blocks) emit_in_model_order(blocks, info.blocks);
    return info;
  }

  SplitInfo split_unique_triangle(const std::array<index_t, 3>& unique_vertices,
                                  const Point<D>& point) {
    SplitInfo info;
    info.unique_vertex = builder_.create_unique_vertex();
    const std::array<TiedComponents, 3> tied{tied_components(unique_vertices[0]),
                                             tied_components(unique_vertices[1]),
                                             tied_components(unique_vertices[2])};
    ComponentSplits<PolygonSplit> surfaces;
    ComponentSplits<PolyhedronSplit> blocks;
    for (const auto& corners0 : tied[0]) {
      const auto* corners1 = find_tied(tied[1], corners0.component.id());
      const auto* corners2 = find_tied(tied[2], corners0.component.id());
      if (corners1 == nullptr || corners2 == nullptr) continue;
      const std::array<const TiedComponent*, 3> corners{&corners0, corners1, corners2};
      const auto& type = corners0.component.type();
      if (type == Surface<D>::component_type_static()) {
        auto splits = split_surface_triangles(corners, point, info.unique_vertex);
        if (!splits.empty()) surfaces.emplace_back(corners0.component.id(), std::move(splits));
      } else if constexpr (has_blocks) {
        if (type == Block<3>::component_type_static()) {
          auto splits = split_block_facets(corners, point, info.unique_vertex);
          if (!splits.empty()) blocks.emplace_back(corners0.component.id(), std::move(splits));
        }
      }
    }
    emit_in_model_order(surfaces, info.surfaces);
    if constexpr (has_blocks) emit_in_model_order(blocks, info.blocks);
    return info;
  }

  std::vector<LineEdgeSplit> split_line_edges(const TiedComponent& ends0,
                                              const TiedComponent& ends1, const Point<D>& point,
                                              index_t unique_vertex) {
    const auto& line = model_.line(ends0.component.id());
    const auto& mesh = line.mesh();
    std::vector<ElementToSplit> found;
    for (const auto vertex : ends0.vertices) {
      for (const auto& end : mesh.edges_around_vertex(vertex)) {
        const auto other = mesh.edge_vertex(end.opposite());
        if (other == vertex || !contains(ends1.vertices, other)) continue;
        if (is_replaced(line.id(), end.edge_id)) continue;
        found.push_back({end.edge_id, 0, {vertex, other, NO_ID}});
      }
    }
    if (found.empty()) return {};
    auto mesh_builder = builder_.line_mesh_builder(line.id());
    std::vector<LineEdgeSplit> splits;
    for (const auto& group : group_by_vertices(std::move(found))) {
      const auto& first = group.front().vertices;
      const auto vertex =
          create_vertex_on_edge<D>(mesh, *mesh_builder, {first[0], first[1]}, point);
      tie(ends0.component, vertex, unique_vertex);
      for (const auto& element : group) {
        const auto ends = mesh.edge_vertices(element.element);
        LineEdgeSplit split{element.element, vertex, {}};
        split.new_edges[0] = mesh_builder->create_edge(ends[0], vertex);
        split.new_edges[1] = mesh_builder->create_edge(vertex, ends[1]);
        auto& attributes = mesh.edge_attribute_manager();
        attributes.assign_attribute_value(element.element, split.new_edges[0]);
        attributes.assign_attribute_value(element.element, split.new_edges[1]);
        mark_replaced(line.id(), element.element);
        splits.push_back(split);
      }
    }
    std::sort(splits.begin(), splits.end(),
              [](const auto& lhs, const auto& rhs) { return lhs.old_edge < rhs.old_edge; });
    return splits;
  }

  std::vector<PolygonSplit> split_surface_edges(const TiedComponent& ends0,
                                                const TiedComponent& ends1, const Point<D>& point,
                                                index_t unique_vertex) {
    const auto& surface = model_.surface(ends0.component.id());
    const auto& mesh = surface.mesh();
    std::vector<ElementToSplit> found;
    for (const auto vertex0 : ends0.vertices) {
      for (const auto vertex1 : ends1.vertices) {
        if (vertex0 == vertex1) continue;
        const std::array<index_t, 2> pair{vertex0, vertex1};
        for (const auto& edge : mesh.polygons_from_edge_vertices(pair)) {
          if (is_replaced(surface.id(), edge.polygon_id)) continue;
          found.push_back({edge.polygon_id, edge.edge_id, {vertex0, vertex1, NO_ID}});
        }
      }
    }
    if (found.empty()) return {};
    auto mesh_builder = builder_.surface_mesh_builder(surface.id());
    std::vector<PolygonSplit> splits;
    for (const auto& group : group_by_vertices(std::move(found))) {
      const auto& first = group.front().vertices;
      const auto vertex =
          create_vertex_on_edge<D>(mesh, *mesh_builder, {first[0], first[1]}, point);
      tie(ends0.component, vertex, unique_vertex);
      std::vector<PolygonEdge> edges;
      edges.reserve(group.size());
      for (const auto& element : group) edges.emplace_back(element.element, element.edge);
      for (auto& pieces : split_polygon_edges(mesh, *mesh_builder, edges, vertex)) {
        splits.push_back(polygon_split(surface.id(), pieces, vertex));
      }
    }
    sort_by_old_polygon(splits);
    return splits;
  }

  std::vector<PolygonSplit> split_surface_triangles(
      const std::array<const TiedComponent*, 3>& corners, const Point<D>& point,
      index_t unique_vertex) {
    const auto& surface = model_.surface(corners[0]->component.id());
    const auto& mesh = surface.mesh();
    std::vector<ElementToSplit> found;
    for (const auto vertex0 : corners[0]->vertices) {
      for (const auto vertex1 : corners[1]->vertices) {
        if (vertex0 == vertex1) continue;
        const std::array<index_t, 2> pair{vertex0, vertex1};
        for (const auto& edge : mesh.polygons_from_edge_vertices(pair)) {
          const auto polygon = edge.polygon_id;
          if (mesh.nb_polygon_vertices(polygon) != 3 || is_replaced(surface.id(), polygon)) {
            continue;
          }
          const auto third = mesh.polygon_vertex(mesh.previous_polygon_vertex({polygon,
                                                                               edge.edge_id}));
          if (third == vertex0 || third == vertex1 || !contains(corners[2]->vertices, third)) {
            continue;
          }
          found.push_back({polygon, edge.edge_id, {vertex0, vertex1, third}});
        }
      }
    }
    if (found.empty()) return {};
    auto mesh_builder = builder_.surface_mesh_builder(surface.id());
    std::vector<PolygonSplit> splits;
    for (const auto& group : group_by_vertices(std::move(found))) {
      const auto& first = group.front().vertices;
      const auto vertex = create_vertex_in_triangle<D>(mesh, *mesh_builder, first, point);
      tie(corners[0]->component, vertex, unique_vertex);
      std::vector<index_t> triangles;
      triangles.reserve(group.size());
      for (const auto& element : group) triangles.push_back(element.element);
      for (auto& pieces : split_triangles(mesh, *mesh_builder, triangles, vertex)) {
        splits.push_back(polygon_split(surface.id(), pieces, vertex));
      }
    }
    sort_by_old_polygon(splits);
    return splits;
  }

  PolygonSplit polygon_split(const uuid& surface, const ElementPieces& pieces, index_t vertex) {
    mark_replaced(surface, pieces.old_element);
    PolygonSplit split{pieces.old_element, vertex, {}};
    for (const auto& piece : pieces.pieces) split.new_polygons.push_back(piece.element);
    return split;
  }

  static void sort_by_old_polygon(std::vector<PolygonSplit>& splits) {
    std::sort(splits.begin(), splits.end(),
              [](const auto& lhs, const auto& rhs) { return lhs.old_polygon < rhs.old_polygon; });
  }

  /// The block's mesh when it is tetrahedral; otherwise nullptr, after the warning when the
  /// block holds something to split.
  const SolidMesh<3>* tetrahedral_block_mesh(const Block<3>& block, bool holds_split) const {
    const auto& mesh = block.mesh();
    if (mesh.type_name() == TetrahedralSolid<3>::type_name_static()) return &mesh;
    if (holds_split) {
      Logger::log_warn("[BRepGeometricModifier] Block mesh ", block.id().string(),
                       " is not tetrahedral, it is not split");
    }
    return nullptr;
  }

  std::vector<PolyhedronSplit> split_block_edges(const TiedComponent& ends0,
                                                 const TiedComponent& ends1,
                                                 const Point<D>& point, index_t unique_vertex) {
    const auto& block = model_.block(ends0.component.id());
    const auto& mesh = block.mesh();
    std::vector<ElementToSplit> found;
    for (const auto vertex0 : ends0.vertices) {
      for (const auto vertex1 : ends1.vertices) {
        if (vertex0 == vertex1) continue;
        for (const auto polyhedron : mesh.polyhedra_around_edge({vertex0, vertex1})) {
          if (is_replaced(block.id(), polyhedron)) continue;
          found.push_back({polyhedron, 0, {vertex0, vertex1, NO_ID}});
        }
      }
    }
    if (found.empty() || tetrahedral_block_mesh(block, true) == nullptr) return {};
    auto mesh_builder = builder_.block_mesh_builder(block.id());
    std::vector<PolyhedronSplit> splits;
    for (const auto& group : group_by_vertices(std::move(found))) {
      const auto& first = group.front().vertices;
      const auto vertex =
          create_vertex_on_edge<3>(mesh, *mesh_builder, {first[0], first[1]}, point);
      tie(ends0.component, vertex, unique_vertex);
      std::vector<index_t> tetrahedra;
      tetrahedra.reserve(group.size());
      for (const auto& element : group) tetrahedra.push_back(element.element);
      for (auto& pieces :
           split_tetrahedra_on_edge(mesh, *mesh_builder, tetrahedra, {first[0], first[1]}, vertex)) {
        splits.push_back(polyhedron_split(block.id(), pieces, vertex));
      }
    }
    sort_by_old_polyhedron(splits);
    return splits;
  }

  std::vector<PolyhedronSplit> split_block_facets(
      const std::array<const TiedComponent*, 3>& corners, const Point<D>& point,
      index_t unique_vertex) {
    const auto& block = model_.block(corners[0]->component.id());
    const auto& mesh = block.mesh();
    std::vector<ElementToSplit> found;
    for (const auto vertex0 : corners[0]->vertices) {
      for (const auto vertex1 : corners[1]->vertices) {
        if (vertex0 == vertex1) continue;
        for (const auto polyhedron : mesh.polyhedra_around_edge({vertex0, vertex1})) {
          if (is_replaced(block.id(), polyhedron)) continue;
          for (const auto vertex2 : mesh.polyhedron_vertices(polyhedron)) {
            if (vertex2 == vertex0 || vertex2 == vertex1) continue;
            if (!contains(corners[2]->vertices, vertex2)) continue;
            found.push_back({polyhedron, 0, {vertex0, vertex1, vertex2}});
          }
        }
      }
    }
    if (found.empty() || tetrahedral_block_mesh(block, true) == nullptr) return {};
    auto mesh_builder = builder_.block_mesh_builder(block.id());
    std::vector<PolyhedronSplit> splits;
    for (const auto& group : group_by_vertices(std::move(found))) {
      const auto& first = group.front().vertices;
      const auto vertex = create_vertex_in_triangle<3>(mesh, *mesh_builder, first, point);
      tie(corners[0]->component, vertex, unique_vertex);
      std::vector<index_t> tetrahedra;
      tetrahedra.reserve(group.size());
      for (const auto& element : group) tetrahedra.push_back(element.element);
      for (auto& pieces : split_tetrahedra_on_facet(mesh, *mesh_builder, tetrahedra, first,
                                                    vertex)) {
        splits.push_back(polyhedron_split(block.id(), pieces, vertex));
      }
    }
    sort_by_old_polyhedron(splits);
    return splits;
  }

  PolyhedronSplit polyhedron_split(const uuid& block, const ElementPieces& pieces,
                                   index_t vertex) {
    mark_replaced(block, pieces.old_element);
    PolyhedronSplit split{pieces.old_element, vertex, {}};
    for (const auto& piece : pieces.pieces) split.new_polyhedra.push_back(piece.element);
    return split;
  }

  static void sort_by_old_polyhedron(std::vector<PolyhedronSplit>& splits) {
    std::sort(splits.begin(), splits.end(), [](const auto& lhs, const auto& rhs) {
      return lhs.old_polyhedron < rhs.old_polyhedron;
    });
  }

  Model& model_;
  Builder& builder_;
  std::string_view name_;
  /// Per component, the elements replaced since the last clean.
  absl::flat_hash_map<uuid, std::vector<bool>> replaced_;
  absl::flat_hash_map<uuid, index_t> positions_;
};

}  // namespace veyra::internal
