// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>
#include <absl/container/inlined_vector.h>
#include <model/common/library.h>
#include <model/operations/component_merge.h>
#include <model/wireframe/corners_lines_identifier.h>
#include <ostrel/basic/attribute.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/linked_hash_map.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/graph.h>
#include <ostrel/mesh/graph_builder.h>
#include <ostrel/mesh/graph_identifier.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/canonical_cycle.h>
#include <ostrel/model/component_mesh_edges.h>
#include <ostrel/model/model_boundary.h>
#include <ostrel/model/relationships.h>
#include <ostrel/model/section.h>

#include <algorithm>
#include <any>
#include <array>
#include <cstddef>
#include <numeric>
#include <string_view>
#include <utility>
#include <vector>

namespace veyra::detail {
namespace {

// How many times each surface touches one wireframe edge. A wireframe edge is touched by a
// handful of surfaces at most, so a small vector beats a hash map here.
using SurfaceCounts = absl::InlinedVector<std::pair<uuid, index_t>, 4>;

bool same_surface_counts(const SurfaceCounts& lhs, const SurfaceCounts& rhs) {
  if (lhs.size() != rhs.size()) return false;
  return std::all_of(lhs.begin(), lhs.end(), [&rhs](const std::pair<uuid, index_t>& count) {
    return std::find(rhs.begin(), rhs.end(), count) != rhs.end();
  });
}

template <typename Model>
std::vector<ComponentType> model_component_types() {
  constexpr auto D = Model::dim;
  std::vector<ComponentType> types{Corner<D>::component_type_static(),
                                   Line<D>::component_type_static(),
                                   Surface<D>::component_type_static()};
  if constexpr (D == 3) types.push_back(Block<3>::component_type_static());
  types.push_back(ModelBoundary<D>::component_type_static());
  return types;
}

// The unique vertex of a component vertex from the component's span of ties.
index_t tied_unique_vertex(absl::Span<const index_t> tied, index_t vertex) {
  return vertex < tied.size() ? tied[vertex] : NO_ID;
}

// The unique vertex of every vertex of a component, copied: the ties change as soon as the run
// creates or removes a component, and a span into them would dangle.
std::vector<index_t> copied_unique_vertices(const VertexIdentifier& identifier,
                                            const uuid& component, index_t nb_vertices) {
  const auto tied = identifier.component_unique_vertices(component);
  std::vector<index_t> unique_vertices(nb_vertices, NO_ID);
  std::copy_n(tied.begin(), std::min<std::size_t>(tied.size(), nb_vertices),
              unique_vertices.begin());
  return unique_vertices;
}

void map_old_to_new(const MeshVertex& old_vertex, const MeshVertex& new_vertex,
                    GenericMapping<MeshVertex>& mapping,
                    const absl::flat_hash_set<uuid>& old_components) {
  internal::map_old_to_new_mesh_vertices(old_vertex, new_vertex, mapping, old_components);
}

void map_old_to_new(const MeshElement& old_element, const MeshElement& new_element,
                    GenericMapping<MeshElement>& mapping,
                    const absl::flat_hash_set<uuid>& old_components) {
  internal::map_old_to_new_mesh_elements(old_element, new_element, mapping, old_components);
}

// One old item replaced by several new ones. Recording them one after the other would lose all
// but the first when the old item was itself made during the run: the first call moves its
// sources onto the first new item and the old item leaves the mapping, so the next calls find
// neither a source nor an old component. Every source goes to every new item instead.
template <typename T>
void map_old_to_several_new(const T& old_item, absl::Span<const T> new_items,
                            GenericMapping<T>& mapping,
                            const absl::flat_hash_set<uuid>& old_components) {
  if (new_items.size() == 1 || !mapping.has_mapping_output(old_item)) {
    for (const auto& new_item : new_items) {
      map_old_to_new(old_item, new_item, mapping, old_components);
    }
    return;
  }
  const auto sources = mapping.out2in(old_item);
  for (const auto& source : sources) {
    mapping.unmap(source, old_item);
    for (const auto& new_item : new_items) mapping.map(source, new_item);
  }
}

// The connected pieces of a curve's edges: the piece of each edge, pieces numbered in order of
// their smallest edge. Returns the number of pieces.
template <index_t D>
index_t edge_pieces(const EdgedCurve<D>& curve, std::vector<index_t>& piece_of_edge) {
  // Union-find over the vertices, with path halving.
  std::vector<index_t> parent(curve.nb_vertices());
  std::iota(parent.begin(), parent.end(), 0);
  const auto root = [&parent](index_t vertex) {
    while (parent[vertex] != vertex) {
      parent[vertex] = parent[parent[vertex]];
      vertex = parent[vertex];
    }
    return vertex;
  };
  const auto nb_edges = curve.nb_edges();
  for (index_t edge = 0; edge < nb_edges; ++edge) {
    const auto ends = curve.edge_vertices(edge);
    const auto root0 = root(ends[0]);
    const auto root1 = root(ends[1]);
    if (root0 != root1) parent[std::max(root0, root1)] = std::min(root0, root1);
  }
  std::vector<index_t> piece_of_root(parent.size(), NO_ID);
  piece_of_edge.assign(nb_edges, NO_ID);
  index_t nb_pieces = 0;
  for (index_t edge = 0; edge < nb_edges; ++edge) {
    auto& piece = piece_of_root[root(curve.edge_vertex({edge, 0}))];
    if (piece == NO_ID) piece = nb_pieces++;
    piece_of_edge[edge] = piece;
  }
  return nb_pieces;
}

}  // namespace

// The private steps. They reach the wireframe and its declarations through the identifier
// object, and call its virtual is_corner().
template <typename Model>
class CornersLinesIdentifier<Model>::Impl {
  static constexpr index_t D = Model::dim;
  using Identifier = CornersLinesIdentifier<Model>;
  using OldSet = absl::flat_hash_set<uuid>;

 public:
  Impl(Identifier& identifier, bool merge_components)
      : identifier_(identifier),
        model_(identifier.model()),
        builder_(identifier.model_builder()),
        merge_components_(merge_components) {
    for (const auto& type : model_component_types<Model>()) {
      mappings_.component_mappings.emplace(type, {});
      mappings_.created_components.emplace(type, {});
      mappings_.removed_components.emplace(type, {});
      mappings_.unchanged_components.emplace(type, {});
    }
  }

  ModelMappings<Model>& mappings() { return mappings_; }
  const UniqueEdgesInventory& inventory() const { return inventory_; }

  // ---------------------------------------------------------------------------------------
  // Inventory and corner criterion

  void build_unique_edges_inventory() {
    inventory_.clear();
    index_t nb_polygon_edges = 0;
    for (const auto& surface : model_.surfaces()) {
      const auto& mesh = surface.mesh();
      for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
        nb_polygon_edges += mesh.nb_polygon_edges(polygon);
      }
    }
    // Closed triangulated surfaces have half as many unique edges as polygon edges.
    inventory_.reserve(nb_polygon_edges / 2 + 1, nb_polygon_edges, model_.nb_unique_vertices());
    PolygonVertices cycle;
    PolygonVertices canonical;
    for (const auto& surface : model_.surfaces()) {
      const auto& mesh = surface.mesh();
      const auto& id = surface.id();
      // No tie changes while the inventory is built: the span stays valid.
      const auto tied = model_.component_unique_vertices(id);
      for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
        const auto nb_vertices = mesh.nb_polygon_vertices(polygon);
        cycle.clear();
        for (local_index_t v = 0; v < nb_vertices; ++v) {
          cycle.push_back(tied_unique_vertex(tied, mesh.polygon_vertex({polygon, v})));
        }
        canonical = cycle;
        make_canonical_cycle(canonical);
        const auto cycle_id = inventory_.add_polygon_cycle(canonical);
        for (local_index_t e = 0; e < nb_vertices; ++e) {
          const auto next = static_cast<local_index_t>(e + 1 == nb_vertices ? 0 : e + 1);
          const auto edge = inventory_.find_or_insert_edge({cycle[e], cycle[next]}).first;
          inventory_.add_surface_edge(edge, id, {polygon, e});
          inventory_.add_distinct_polygon(edge, cycle_id);
        }
      }
    }
  }

  SurfaceCounts surfaces_around_wireframe_edge(index_t wireframe_edge) const {
    const auto& wireframe = identifier_.wireframe();
    const auto ends = wireframe.edge_vertices(wireframe_edge);
    const auto edge = inventory_.edge_index(
        {identifier_.support_mesh_vertex_id(ends[0]), identifier_.support_mesh_vertex_id(ends[1])});
    SurfaceCounts counts;
    if (!edge) return counts;
    for (const auto& entry : inventory_.surface_edges(*edge)) {
      const auto found = std::find_if(counts.begin(), counts.end(), [&entry](const auto& count) {
        return count.first == entry.surface;
      });
      if (found == counts.end()) {
        counts.emplace_back(entry.surface, 1);
      } else {
        ++found->second;
      }
    }
    return counts;
  }

  bool should_be_corner(index_t wireframe_vertex) const {
    const auto& around = identifier_.wireframe().edges_around_vertex(wireframe_vertex);
    if (around.size() != 2) return true;
    const auto surfaces0 = surfaces_around_wireframe_edge(around[0].edge_id);
    const auto surfaces1 = surfaces_around_wireframe_edge(around[1].edge_id);
    if (!surfaces0.empty() || !surfaces1.empty()) {
      return !same_surface_counts(surfaces0, surfaces1);
    }
    return model_.has_component_mesh_vertices(identifier_.support_mesh_vertex_id(wireframe_vertex),
                                              Surface<D>::component_type_static());
  }

  bool is_feature_edge(index_t edge) const {
    if (inventory_.nb_distinct_polygons(edge) != 2) return true;
    const Relationships& relationships = model_;
    const auto entries = inventory_.surface_edges(edge);
    const auto reference = entries.front().surface;
    // Most edges lie inside one surface, which always agrees with itself: the reference's
    // collections are only looked up once another surface shows up.
    std::optional<index_t> nb_reference_collections;
    for (const auto& entry : entries) {
      if (entry.surface == reference) continue;
      if (!nb_reference_collections) {
        nb_reference_collections = relationships.nb_collections(reference);
      }
      if (relationships.nb_collections(entry.surface) != *nb_reference_collections) return true;
      for (const auto& collection : relationships.collections(reference)) {
        if (!relationships.is_item(entry.surface, collection.id())) return true;
      }
    }
    return false;
  }

  // ---------------------------------------------------------------------------------------
  // Wireframe step

  void build_wireframe_step() {
    add_corners_to_wireframe();
    for (const auto& line : model_.lines()) add_line_to_wireframe(line);
    add_surface_edges_to_wireframe();
    identifier_.build_corners_step();
    identifier_.build_lines_step();
  }

  void add_corners_to_wireframe() {
    for (const auto& corner : model_.corners()) {
      const auto& mesh = corner.mesh();
      if (mesh.nb_vertices() != 1) {
        std::any data{nullptr};
        if (mesh.nb_vertices() != 0) data = mesh.point(0);
        throw VeyraConversionModelException{
            std::move(data), OstrelException::TYPE::input,
            "[ModelBuilderFromUniqueVertices::add_corner_to_wireframe] Manage only one vertex "
            "corners"};
      }
      const auto unique_vertex = model_.unique_vertex({corner.component_id(), 0});
      const auto vertex = identifier_.find_or_create_vertex(unique_vertex, mesh.point(0)).first;
      identifier_.declare_corner(vertex, corner.id());
    }
  }

  void add_line_to_wireframe(const Line<D>& line) {
    const auto& mesh = line.mesh();
    const auto& id = line.id();
    {
      // Registering edges changes the wireframe only: the span of ties stays valid.
      const auto tied = model_.component_unique_vertices(id);
      for (index_t edge = 0; edge < mesh.nb_edges(); ++edge) {
        const auto ends = mesh.edge_vertices(edge);
        std::array<index_t, 2> unique_vertices{tied_unique_vertex(tied, ends[0]),
                                               tied_unique_vertex(tied, ends[1])};
        std::array<Point<D>, 2> points{mesh.point(ends[0]), mesh.point(ends[1])};
        if (unique_vertices[1] < unique_vertices[0]) {
          std::swap(unique_vertices[0], unique_vertices[1]);
          std::swap(points[0], points[1]);
        }
        const auto wireframe_edge = identifier_.find_or_create_edge(unique_vertices, points).first;
        identifier_.declare_line_edge(wireframe_edge, id, edge);
      }
    }
    for (const auto& corner : model_.boundaries(line)) {
      const auto unique_vertex = model_.unique_vertex({corner.component_id(), 0});
      identifier_.declare_corner(identifier_.wireframe_vertex_id(unique_vertex).value(),
                                 corner.id());
    }
    if (merge_components_) return;
    const ComponentID component{Line<D>::component_type_static(), id};
    for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
      if (mesh.edges_around_vertex(vertex).size() != 1) continue;
      // Creating a corner adds ties: the unique vertex is read afresh each time.
      const auto unique_vertex = model_.unique_vertex({component, vertex});
      const auto wireframe_vertex =
          identifier_.find_or_create_vertex(unique_vertex, mesh.point(vertex)).first;
      identifier_.add_corner(wireframe_vertex);
    }
  }

  void add_surface_edge_to_wireframe(const Surface<D>& surface, const PolygonEdge& edge) {
    const auto& mesh = surface.mesh();
    const auto ends = mesh.polygon_edge_vertices(edge);
    const ComponentID component{Surface<D>::component_type_static(), surface.id()};
    identifier_.find_or_create_edge(
        {model_.unique_vertex({component, ends[0]}), model_.unique_vertex({component, ends[1]})},
        {mesh.point(ends[0]), mesh.point(ends[1])});
  }

  void add_surface_edges_to_wireframe() {
    if (!merge_components_) {
      for (const auto& surface : model_.surfaces()) {
        const auto& mesh = surface.mesh();
        for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
          for (local_index_t e = 0; e < mesh.nb_polygon_edges(polygon); ++e) {
            if (mesh.is_edge_on_border({polygon, e})) {
              add_surface_edge_to_wireframe(surface, {polygon, e});
            }
          }
        }
      }
    }
    for (index_t edge = 0; edge < inventory_.nb_edges(); ++edge) {
      if (!is_feature_edge(edge)) continue;
      const auto first = inventory_.surface_edges(edge).front();
      add_surface_edge_to_wireframe(model_.surface(first.surface), first.edge);
    }
  }

  // ---------------------------------------------------------------------------------------
  // Identification pass

  void identify_corners_and_lines(absl::Span<const uuid> old_corners,
                                  absl::Span<const uuid> old_lines) {
    identifier_.build_wireframe_step();
    merge_corners_on_same_unique_vertex(old_corners);
    if (merge_components_) merge_lines_not_bounded_by_corners(old_lines);
    std::vector<uuid> lines;
    lines.reserve(model_.nb_lines());
    for (const auto& line : model_.lines()) lines.push_back(line.id());
    lines = split_lines_into_connected_pieces(old_lines, lines);
    split_lines_by_corners(old_lines, lines);
    add_missing_corner_line_boundaries();
    for (const auto& group : internal::find_duplicated_components(model_, model_.lines())) {
      merge_duplicated_lines(old_lines, group);
    }
  }

  void merge_corners_on_same_unique_vertex(absl::Span<const uuid> old_corners) {
    linked_hash_map<index_t, std::vector<uuid>> groups;
    for (const auto& corner : model_.corners()) {
      groups[model_.unique_vertex({corner.component_id(), 0})].push_back(corner.id());
    }
    const OldSet old{old_corners.begin(), old_corners.end()};
    const auto corner_type = Corner<D>::component_type_static();
    auto& component_mapping = mappings_.component_mappings.at(corner_type);
    const index_t first_vertex = 0;
    for (const auto& [unique_vertex, group] : groups) {
      if (group.size() < 2) continue;
      const auto new_corner = builder_.add_corner();
      builder_.corner_mesh_builder(new_corner)
          ->create_point(model_.corner(group.front()).mesh().point(0));
      builder_.set_unique_vertex({{corner_type, new_corner}, 0}, unique_vertex);
      const auto& new_mesh = model_.corner(new_corner).mesh();
      for (const auto& corner : group) {
        map_old_to_new(MeshVertex{corner, 0}, MeshVertex{new_corner, 0},
                       mappings_.mesh_vertices.corners, old);
        map_old_to_new(MeshElement{corner, 0}, MeshElement{new_corner, 0},
                       mappings_.mesh_elements.corners, old);
        new_mesh.vertex_attribute_manager().import(
            model_.corner(corner).mesh().vertex_attribute_manager(),
            absl::MakeConstSpan(&first_vertex, 1));
      }
      identifier_.declare_corner(identifier_.wireframe_vertex_id(unique_vertex).value(),
                                 new_corner);
      internal::transfer_corner_metadata(model_, builder_, new_corner, group);
      for (const auto& corner : group) {
        component_mapping.map(corner, new_corner);
        internal::transfer_relationships(model_, builder_, model_.corner(corner),
                                         model_.corner(new_corner));
        builder_.remove_corner(model_.corner(corner));
      }
    }
  }

  void add_missing_corner_line_boundaries() {
    const auto& wireframe = identifier_.wireframe();
    for (index_t vertex = 0; vertex < wireframe.nb_vertices(); ++vertex) {
      const auto corner = identifier_.corner_uuid(vertex);
      if (!corner) continue;
      for (const auto& edge_vertex : wireframe.edges_around_vertex(vertex)) {
        const auto& line = identifier_.line_uuid(edge_vertex.edge_id);
        if (line == sentinel_uuid || model_.is_boundary(*corner, line)) continue;
        builder_.add_corner_line_boundary_relationship(model_.corner(*corner), model_.line(line));
      }
    }
  }

  // ---------------------------------------------------------------------------------------
  // Line merge

  void merge_lines_not_bounded_by_corners(absl::Span<const uuid> old_lines) {
    const OldSet old{old_lines.begin(), old_lines.end()};
    auto& component_mapping = mappings_.component_mappings.at(Line<D>::component_type_static());
    for (const auto& group : determine_border_vertices_not_on_corners()) {
      const auto new_line = builder_.add_line();
      create_merged_line_mesh(old, new_line, group);
      internal::transfer_line_metadata(model_, builder_, new_line, group);
      transfer_line_surface_relationships(new_line, group);
      update_wireframe_edges(new_line);
      for (const auto& line : group) {
        component_mapping.map(line, new_line);
        internal::transfer_relationships(model_, builder_, model_.line(line),
                                         model_.line(new_line));
        builder_.remove_line(model_.line(line));
      }
    }
    std::vector<uuid> loops;
    for (const auto& line : model_.lines()) {
      if (model_.nb_boundaries(line.id()) == 0) loops.push_back(line.id());
    }
    for (const auto& line : loops) weld_loop_line_vertices(line, old);
  }

  // Groups of lines meeting at wireframe vertices that are no corner, each in the order of the
  // connected components of a graph whose vertices stand for lines.
  std::vector<std::vector<uuid>> determine_border_vertices_not_on_corners() const {
    auto graph = Graph::create();
    auto graph_builder = GraphBuilder::create(*graph);
    absl::flat_hash_map<uuid, index_t> graph_vertex;
    std::vector<uuid> graph_lines;
    const auto find_or_create = [&](const uuid& line) {
      const auto [entry, created] =
          graph_vertex.try_emplace(line, static_cast<index_t>(graph_lines.size()));
      if (created) {
        graph_builder->create_vertex();
        graph_lines.push_back(line);
      }
      return entry->second;
    };
    const auto& wireframe = identifier_.wireframe();
    for (index_t vertex = 0; vertex < wireframe.nb_vertices(); ++vertex) {
      if (identifier_.is_corner(vertex)) continue;
      const auto& around = wireframe.edges_around_vertex(vertex);
      if (around.size() != 2) {
        throw VeyraConversionModelException{
            nullptr, OstrelException::TYPE::internal,
            "[ModelBuilderFromUniqueVertices::determine_border_vertices_not_on_corners] Should "
            "have two edges around this vertex"};
      }
      const auto& line0 = identifier_.line_uuid(around[0].edge_id);
      const auto& line1 = identifier_.line_uuid(around[1].edge_id);
      if (line0 == line1) continue;
      const auto vertex0 = find_or_create(line0);
      const auto vertex1 = find_or_create(line1);
      if (!graph->edge_from_vertices(vertex0, vertex1)) {
        graph_builder->create_edge(vertex0, vertex1);
      }
    }
    std::vector<std::vector<uuid>> groups;
    if (graph_lines.empty()) return groups;
    GraphIdentifier identifier{*graph};
    for (const auto& members : identifier.identified_connected_vertices()) {
      if (members.size() < 2) continue;
      auto& group = groups.emplace_back();
      group.reserve(members.size());
      for (const auto member : members) group.push_back(graph_lines[member]);
    }
    return groups;
  }

  void create_merged_line_mesh(const OldSet& old_lines, const uuid& new_line,
                               absl::Span<const uuid> group) {
    const ComponentID new_component{Line<D>::component_type_static(), new_line};
    auto mesh_builder = builder_.line_mesh_builder(new_line);
    const auto& new_mesh = model_.line(new_line).mesh();
    absl::flat_hash_map<index_t, index_t> new_vertex_of;
    std::vector<index_t> vertex_old2new;
    std::vector<index_t> edge_old2new;
    for (const auto& old_line : group) {
      const auto& old_mesh = model_.line(old_line).mesh();
      const auto unique_vertices = copied_unique_vertices(model_, old_line, old_mesh.nb_vertices());
      edge_old2new.assign(old_mesh.nb_edges(), NO_ID);
      for (index_t edge = 0; edge < old_mesh.nb_edges(); ++edge) {
        std::array<index_t, 2> new_ends{};
        for (const local_index_t end : {0, 1}) {
          const auto vertex = old_mesh.edge_vertex({edge, end});
          const auto unique_vertex = unique_vertices[vertex];
          const auto [entry, created] = new_vertex_of.try_emplace(unique_vertex, NO_ID);
          if (created) {
            entry->second = mesh_builder->create_point(old_mesh.point(vertex));
            builder_.set_unique_vertex({new_component, entry->second}, unique_vertex);
          }
          new_ends[end] = entry->second;
        }
        const auto new_edge = mesh_builder->create_edge(new_ends[0], new_ends[1]);
        edge_old2new[edge] = new_edge;
        map_old_to_new(MeshElement{old_line, edge}, MeshElement{new_line, new_edge},
                       mappings_.mesh_elements.lines, old_lines);
      }
      vertex_old2new.assign(old_mesh.nb_vertices(), NO_ID);
      for (index_t vertex = 0; vertex < old_mesh.nb_vertices(); ++vertex) {
        const auto found = new_vertex_of.find(unique_vertices[vertex]);
        if (found == new_vertex_of.end()) continue;
        vertex_old2new[vertex] = found->second;
        map_old_to_new(MeshVertex{old_line, vertex}, MeshVertex{new_line, found->second},
                       mappings_.mesh_vertices.lines, old_lines);
      }
      new_mesh.vertex_attribute_manager().import(old_mesh.vertex_attribute_manager(),
                                                 vertex_old2new);
      new_mesh.edge_attribute_manager().import(old_mesh.edge_attribute_manager(), edge_old2new);
    }
  }

  // The corners bounding the given lines become boundaries of the new line; a corner may bound
  // them twice at most (a loop through it), and two corners at most may bound them together.
  void transfer_line_surface_relationships(const uuid& new_line, absl::Span<const uuid> lines) {
    std::vector<std::pair<uuid, index_t>> counts;
    for (const auto& line : lines) {
      for (const auto& corner : model_.boundaries(model_.line(line))) {
        const auto found = std::find_if(counts.begin(), counts.end(), [&corner](const auto& count) {
          return count.first == corner.id();
        });
        if (found == counts.end()) {
          counts.emplace_back(corner.id(), 1);
        } else {
          ++found->second;
        }
      }
    }
    const auto& line = model_.line(new_line);
    if (counts.size() > 2) {
      std::any data{nullptr};
      if (line.mesh().nb_vertices() != 0) data = line.mesh().point(0);
      throw VeyraConversionModelException{
          std::move(data), OstrelException::TYPE::internal,
          "[ModelBuilderFromUniqueVertices::transfer_line_surface_relationships] More than 2 "
          "corners to transfer on the new line is not possible (here ",
          counts.size(), ")"};
    }
    for (const auto& [corner, count] : counts) {
      if (count <= 2) continue;
      throw_model_exception_at(
          model_.corner(corner).mesh().point(0), OstrelException::TYPE::internal,
          "[ModelBuilderFromUniqueVertices::transfer_line_surface_relationships] More than 2 "
          "corner occurences on the old lines should not happen");
    }
    for (const auto& [corner, count] : counts) {
      builder_.add_corner_line_boundary_relationship(model_.corner(corner), line);
    }
  }

  void update_wireframe_edges(const uuid& line_id) {
    const auto& mesh = model_.line(line_id).mesh();
    // Declarations change the wireframe only: the span of ties stays valid.
    const auto tied = model_.component_unique_vertices(line_id);
    for (index_t edge = 0; edge < mesh.nb_edges(); ++edge) {
      const auto ends = mesh.edge_vertices(edge);
      const auto wireframe_edge = identifier_.wireframe_edge_id(
          {tied_unique_vertex(tied, ends[0]), tied_unique_vertex(tied, ends[1])});
      if (!wireframe_edge) {
        throw_model_exception_at(
            mesh.edge_barycenter(edge), OstrelException::TYPE::internal,
            "[ModelBuilderFromUniqueVertices::update_wireframe_edges] Wireframe edge index "
            "should be found");
      }
      identifier_.declare_line_edge(*wireframe_edge, line_id, edge);
    }
  }

  // A loop whose mesh has several vertices on one unique vertex (a line that left a place and
  // came back to it) is welded onto the first of them. The vertex mapping follows the
  // renumbering, so that every recorded vertex of the line stays valid.
  void weld_loop_line_vertices(const uuid& line_id, const OldSet& old_lines) {
    const auto& mesh = model_.line(line_id).mesh();
    const auto nb_vertices = mesh.nb_vertices();
    if (mesh.nb_edges() == nb_vertices) return;
    const auto unique_vertices = copied_unique_vertices(model_, line_id, nb_vertices);
    absl::flat_hash_map<index_t, index_t> kept;
    kept.reserve(nb_vertices);
    std::vector<index_t> target(nb_vertices);
    bool changed = false;
    for (index_t vertex = 0; vertex < nb_vertices; ++vertex) {
      target[vertex] = kept.try_emplace(unique_vertices[vertex], vertex).first->second;
      changed = changed || target[vertex] != vertex || mesh.is_vertex_isolated(vertex);
    }
    if (!changed) return;
    auto mesh_builder = builder_.line_mesh_builder(line_id);
    for (index_t edge = 0; edge < mesh.nb_edges(); ++edge) {
      for (const local_index_t end : {0, 1}) {
        const auto vertex = mesh.edge_vertex({edge, end});
        if (target[vertex] != vertex) mesh_builder->set_edge_vertex({edge, end}, target[vertex]);
      }
    }
    const auto old2new = mesh_builder->delete_isolated_vertices();
    builder_.update_unique_vertices({Line<D>::component_type_static(), line_id}, old2new);
    // Ascending order is safe: a vertex only ever moves to an index at most its own, and every
    // smaller index has already been moved on.
    auto& mapping = mappings_.mesh_vertices.lines;
    for (index_t vertex = 0; vertex < nb_vertices; ++vertex) {
      const MeshVertex old_vertex{line_id, vertex};
      const auto new_index = old2new[target[vertex]];
      if (new_index == NO_ID) {
        mapping.erase_out(old_vertex);
        continue;
      }
      map_old_to_new(old_vertex, MeshVertex{line_id, new_index}, mapping, old_lines);
    }
  }

  // ---------------------------------------------------------------------------------------
  // Line pieces

  std::vector<uuid> split_lines_into_connected_pieces(absl::Span<const uuid> old_lines,
                                                      absl::Span<const uuid> lines) {
    const OldSet old{old_lines.begin(), old_lines.end()};
    std::vector<uuid> result;
    result.reserve(lines.size());
    std::vector<index_t> piece_of_edge;
    for (const auto& line_id : lines) {
      const auto& line = model_.line(line_id);
      const auto nb_pieces = edge_pieces(line.mesh(), piece_of_edge);
      if (nb_pieces < 2) {
        result.push_back(line_id);
        continue;
      }
      for (index_t piece = 0; piece < nb_pieces; ++piece) {
        result.push_back(copy_piece_to_line(old, line_id, piece_of_edge, piece));
      }
      builder_.remove_line(line);
    }
    return result;
  }

  uuid copy_piece_to_line(const OldSet& old_lines, const uuid& old_line,
                          absl::Span<const index_t> piece_of_edge, index_t piece) {
    const auto& old_mesh = model_.line(old_line).mesh();
    const auto unique_vertices = copied_unique_vertices(model_, old_line, old_mesh.nb_vertices());
    const auto new_line = builder_.add_line();
    internal::transfer_line_metadata(model_, builder_, new_line, {old_line});
    mappings_.component_mappings.at(Line<D>::component_type_static()).map(old_line, new_line);

    std::vector<index_t> edge_old2new(old_mesh.nb_edges(), NO_ID);
    std::vector<index_t> vertex_old2new(old_mesh.nb_vertices(), NO_ID);
    for (index_t edge = 0; edge < old_mesh.nb_edges(); ++edge) {
      if (piece_of_edge[edge] != piece) continue;
      edge_old2new[edge] = 0;
      for (const auto vertex : old_mesh.edge_vertices(edge)) vertex_old2new[vertex] = 0;
    }
    const ComponentID new_component{Line<D>::component_type_static(), new_line};
    auto mesh_builder = builder_.line_mesh_builder(new_line);
    absl::flat_hash_set<index_t> piece_unique_vertices;
    for (index_t vertex = 0; vertex < old_mesh.nb_vertices(); ++vertex) {
      if (vertex_old2new[vertex] == NO_ID) continue;
      const auto new_vertex = mesh_builder->create_point(old_mesh.point(vertex));
      vertex_old2new[vertex] = new_vertex;
      builder_.set_unique_vertex({new_component, new_vertex}, unique_vertices[vertex]);
      piece_unique_vertices.insert(unique_vertices[vertex]);
      map_old_to_new(MeshVertex{old_line, vertex}, MeshVertex{new_line, new_vertex},
                     mappings_.mesh_vertices.lines, old_lines);
    }
    for (index_t edge = 0; edge < old_mesh.nb_edges(); ++edge) {
      if (edge_old2new[edge] == NO_ID) continue;
      const auto ends = old_mesh.edge_vertices(edge);
      const auto new_edge =
          mesh_builder->create_edge(vertex_old2new[ends[0]], vertex_old2new[ends[1]]);
      edge_old2new[edge] = new_edge;
      map_old_to_new(MeshElement{old_line, edge}, MeshElement{new_line, new_edge},
                     mappings_.mesh_elements.lines, old_lines);
    }
    const auto& new_mesh = model_.line(new_line).mesh();
    new_mesh.vertex_attribute_manager().import(old_mesh.vertex_attribute_manager(), vertex_old2new);
    new_mesh.edge_attribute_manager().import(old_mesh.edge_attribute_manager(), edge_old2new);

    // The corners bounding the old line where this piece passes keep bounding it.
    const auto& line = model_.line(new_line);
    std::vector<uuid> corners;
    for (const auto& corner : model_.boundaries(model_.line(old_line))) {
      if (piece_unique_vertices.contains(model_.unique_vertex({corner.component_id(), 0}))) {
        corners.push_back(corner.id());
      }
    }
    for (const auto& corner : corners) {
      builder_.add_corner_line_boundary_relationship(model_.corner(corner), line);
    }
    internal::transfer_relationships(model_, builder_, model_.line(old_line), line);
    update_wireframe_edges(new_line);
    return new_line;
  }

  // ---------------------------------------------------------------------------------------
  // Line split

  // (line mesh vertex, corner declared on its unique vertex), in vertex order.
  using CornerVertices = std::vector<std::pair<index_t, uuid>>;

  void split_lines_by_corners(absl::Span<const uuid> old_lines,
                              absl::Span<const uuid> lines_to_split) {
    const OldSet old{old_lines.begin(), old_lines.end()};
    std::vector<uuid> split_lines;
    std::vector<uuid> new_lines;
    CornerVertices corner_vertices;
    absl::flat_hash_map<index_t, index_t> ending_edges;
    for (const auto& line_id : lines_to_split) {
      const auto& line = model_.line(line_id);
      const auto& mesh = line.mesh();
      const auto unique_vertices = copied_unique_vertices(model_, line_id, mesh.nb_vertices());
      corner_vertices.clear();
      for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
        const auto wireframe_vertex = identifier_.wireframe_vertex_id(unique_vertices[vertex]);
        if (!wireframe_vertex) continue;
        if (const auto corner = identifier_.corner_uuid(*wireframe_vertex)) {
          corner_vertices.emplace_back(vertex, *corner);
        }
      }
      if (corner_vertices.empty()) continue;
      if (corner_vertices.size() == 1) {
        const auto& [vertex, corner] = corner_vertices.front();
        if (mesh.nb_edges() == mesh.nb_vertices()) open_loop_at_corner(line_id, vertex);
        builder_.add_corner_line_boundary_relationship(model_.corner(corner), line);
        continue;
      }
      ending_edges.clear();
      for (index_t edge = 0; edge < mesh.nb_edges(); ++edge) {
        for (const auto vertex : mesh.edge_vertices(edge)) ++ending_edges[unique_vertices[vertex]];
      }
      bool has_free_end = false;
      bool branches = false;
      for (const auto& [unique_vertex, count] : ending_edges) {
        has_free_end = has_free_end || count == 1;
        branches = branches || count > 2;
      }
      if (has_free_end && !branches && corner_vertices.size() == 2) {
        for (const auto& [vertex, corner] : corner_vertices) {
          builder_.add_corner_line_boundary_relationship(model_.corner(corner), line);
        }
        continue;
      }
      const auto created = split_line(old, line_id, corner_vertices);
      new_lines.insert(new_lines.end(), created.begin(), created.end());
      split_lines.push_back(line_id);
    }
    identifier_.remove_line_edges(split_lines);
    for (const auto& line : split_lines) builder_.remove_line(model_.line(line));
    for (const auto& line : new_lines) add_line_to_wireframe(model_.line(line));
  }

  void open_loop_at_corner(const uuid& line_id, index_t vertex) {
    const auto& mesh = model_.line(line_id).mesh();
    const auto around = mesh.edges_around_vertex(vertex);
    if (around.size() < 2) return;
    auto mesh_builder = builder_.line_mesh_builder(line_id);
    const auto new_vertex = mesh_builder->create_point(mesh.point(vertex));
    const ComponentID component{Line<D>::component_type_static(), line_id};
    builder_.set_unique_vertex({component, new_vertex}, model_.unique_vertex({component, vertex}));
    mesh.vertex_attribute_manager().assign_attribute_value(vertex, new_vertex);
    mesh_builder->set_edge_vertex(around[1], new_vertex);
  }

  // Each path runs from a corner vertex to a corner vertex along the line; a path between two
  // corners is found once.
  std::vector<std::vector<index_t>> determine_line_splits(const EdgedCurve<D>& mesh,
                                                          const CornerVertices& corner_vertices) {
    constexpr std::string_view processed_name = "processed_edge";
    auto processed =
        mesh.edge_attribute_manager().template find_or_create_attribute<VariableAttribute, bool>(
            processed_name, false);
    std::vector<bool> is_corner_vertex(mesh.nb_vertices(), false);
    for (const auto& corner_vertex : corner_vertices) is_corner_vertex[corner_vertex.first] = true;
    std::vector<std::vector<index_t>> paths;
    for (const auto& corner_vertex : corner_vertices) {
      const auto start = corner_vertex.first;
      for (const auto& first_end : mesh.edges_around_vertex(start)) {
        if (processed->value(first_end.edge_id)) continue;
        processed->set_value(first_end.edge_id, true);
        std::vector<index_t> path{start};
        auto arrival = first_end.opposite();
        auto vertex = mesh.edge_vertex(arrival);
        while (!is_corner_vertex[vertex]) {
          path.push_back(vertex);
          const auto& around = mesh.edges_around_vertex(vertex);
          const auto next =
              std::find_if(around.begin(), around.end(),
                           [&arrival](const EdgeVertex& end) { return end != arrival; });
          if (next == around.end()) {
            mesh.edge_attribute_manager().delete_attribute(processed_name);
            throw_model_exception_at(
                mesh.point(vertex), OstrelException::TYPE::internal,
                "[ModelBuilderFromUniqueVertices::determine_line_splits] Could not find next "
                "vertex");
          }
          processed->set_value(next->edge_id, true);
          arrival = next->opposite();
          vertex = mesh.edge_vertex(arrival);
        }
        path.push_back(vertex);
        paths.push_back(std::move(path));
      }
    }
    mesh.edge_attribute_manager().delete_attribute(processed_name);
    return paths;
  }

  std::vector<uuid> split_line(const OldSet& old_lines, const uuid& line_id,
                               const CornerVertices& corner_vertices) {
    const auto& line = model_.line(line_id);
    const auto paths = determine_line_splits(line.mesh(), corner_vertices);
    absl::flat_hash_map<index_t, uuid> corner_at;
    for (const auto& [vertex, corner] : corner_vertices) corner_at.emplace(vertex, corner);
    auto& component_mapping = mappings_.component_mappings.at(Line<D>::component_type_static());
    // A corner vertex starts or ends several paths: its new vertices are gathered over all the
    // paths and recorded together (see map_old_to_several_new).
    linked_hash_map<index_t, std::vector<MeshVertex>> new_vertices;
    std::vector<uuid> new_lines;
    new_lines.reserve(paths.size());
    for (const auto& path : paths) {
      const auto new_line = builder_.add_line();
      internal::transfer_line_metadata(model_, builder_, new_line, {line_id});
      component_mapping.map(line_id, new_line);
      copy_path_to_line(old_lines, line_id, new_line, path, new_vertices);
      const auto& created = model_.line(new_line);
      builder_.add_corner_line_boundary_relationship(model_.corner(corner_at.at(path.front())),
                                                     created);
      if (path.back() != path.front()) {
        builder_.add_corner_line_boundary_relationship(model_.corner(corner_at.at(path.back())),
                                                       created);
      }
      internal::transfer_relationships(model_, builder_, line, created);
      new_lines.push_back(new_line);
    }
    for (const auto& [vertex, targets] : new_vertices) {
      map_old_to_several_new(MeshVertex{line_id, vertex}, absl::MakeConstSpan(targets),
                             mappings_.mesh_vertices.lines, old_lines);
    }
    return new_lines;
  }

  void copy_path_to_line(const OldSet& old_lines, const uuid& old_line, const uuid& new_line,
                         absl::Span<const index_t> path,
                         linked_hash_map<index_t, std::vector<MeshVertex>>& new_vertices) {
    const auto& old_mesh = model_.line(old_line).mesh();
    // The ties of the path only: a line cut into many paths would otherwise copy its whole tie
    // table once per path. They are read before the new ties move the table.
    std::vector<index_t> path_unique_vertices;
    path_unique_vertices.reserve(path.size());
    {
      const auto tied = model_.component_unique_vertices(old_line);
      for (const auto old_vertex : path) {
        path_unique_vertices.push_back(old_vertex < tied.size() ? tied[old_vertex] : NO_ID);
      }
    }
    const ComponentID new_component{Line<D>::component_type_static(), new_line};
    auto mesh_builder = builder_.line_mesh_builder(new_line);
    GenericMapping<index_t> vertex_old2new;
    for (index_t k = 0; k < path.size(); ++k) {
      const auto old_vertex = path[k];
      const auto new_vertex = mesh_builder->create_point(old_mesh.point(old_vertex));
      builder_.set_unique_vertex({new_component, new_vertex}, path_unique_vertices[k]);
      new_vertices[old_vertex].emplace_back(new_line, new_vertex);
      vertex_old2new.map(old_vertex, new_vertex);
    }
    GenericMapping<index_t> edge_old2new;
    for (index_t k = 0; k + 1 < path.size(); ++k) {
      const auto new_edge = mesh_builder->create_edge(k, k + 1);
      const auto old_edge = old_mesh.edge_from_vertices(path[k], path[k + 1]);
      if (!old_edge) continue;
      map_old_to_new(MeshElement{old_line, *old_edge}, MeshElement{new_line, new_edge},
                     mappings_.mesh_elements.lines, old_lines);
      edge_old2new.map(*old_edge, new_edge);
    }
    const auto& new_mesh = model_.line(new_line).mesh();
    new_mesh.vertex_attribute_manager().import(old_mesh.vertex_attribute_manager(), vertex_old2new);
    new_mesh.edge_attribute_manager().import(old_mesh.edge_attribute_manager(), edge_old2new);
  }

  // ---------------------------------------------------------------------------------------
  // Duplicate merge

  void merge_duplicated_lines(absl::Span<const uuid> old_lines, absl::Span<const uuid> group) {
    const OldSet old{old_lines.begin(), old_lines.end()};
    const auto& first = model_.line(group.front());
    const auto& first_mesh = first.mesh();
    const auto unique_vertices =
        copied_unique_vertices(model_, first.id(), first_mesh.nb_vertices());
    const auto new_line = builder_.add_line();
    builder_.update_line_mesh(model_.line(new_line), first_mesh.clone());
    const ComponentID new_component{Line<D>::component_type_static(), new_line};
    const auto nb_vertices = static_cast<index_t>(unique_vertices.size());
    for (index_t vertex = 0; vertex < nb_vertices; ++vertex) {
      builder_.set_unique_vertex({new_component, vertex}, unique_vertices[vertex]);
    }
    for (index_t vertex = 0; vertex < nb_vertices; ++vertex) {
      for (const auto& line : group) {
        const auto on_unique_vertex = model_.component_mesh_vertices(unique_vertices[vertex], line);
        if (on_unique_vertex.empty()) continue;
        map_old_to_new(MeshVertex{line, on_unique_vertex.front()}, MeshVertex{new_line, vertex},
                       mappings_.mesh_vertices.lines, old);
      }
    }
    for (const auto& line_id : group) {
      const auto& line = model_.line(line_id);
      for (index_t edge = 0; edge < line.mesh().nb_edges(); ++edge) {
        const auto matching = component_mesh_edges(model_, line, edge);
        const auto found = matching.line_edges.find(new_line);
        if (found == matching.line_edges.end() || found->second.empty()) continue;
        map_old_to_new(MeshElement{line_id, edge}, MeshElement{new_line, found->second.front()},
                       mappings_.mesh_elements.lines, old);
      }
    }
    internal::transfer_line_metadata(model_, builder_, new_line, group);
    transfer_line_surface_relationships(new_line, group.subspan(0, 1));
    internal::transfer_relationships(model_, builder_, first, model_.line(new_line));
    update_wireframe_edges(new_line);
    auto& component_mapping = mappings_.component_mappings.at(Line<D>::component_type_static());
    for (const auto& line : group) {
      component_mapping.map(line, new_line);
      builder_.remove_line(model_.line(line));
    }
  }

 private:
  Identifier& identifier_;
  const Model& model_;
  typename Model::Builder& builder_;
  bool merge_components_;
  ModelMappings<Model> mappings_;
  UniqueEdgesInventory inventory_;
};

template <typename Model>
CornersLinesIdentifier<Model>::CornersLinesIdentifier(Model& model, bool merge_components)
    : Base(model), impl_{std::make_unique<Impl>(*this, merge_components)} {}

template <typename Model>
CornersLinesIdentifier<Model>::~CornersLinesIdentifier() = default;

template <typename Model>
void CornersLinesIdentifier<Model>::build_unique_edges_inventory() {
  impl_->build_unique_edges_inventory();
}

template <typename Model>
void CornersLinesIdentifier<Model>::identify_corners_and_lines(absl::Span<const uuid> old_corners,
                                                               absl::Span<const uuid> old_lines) {
  impl_->identify_corners_and_lines(old_corners, old_lines);
}

template <typename Model>
bool CornersLinesIdentifier<Model>::should_be_corner(index_t wireframe_vertex) const {
  return impl_->should_be_corner(wireframe_vertex);
}

template <typename Model>
bool CornersLinesIdentifier<Model>::is_corner(index_t wireframe_vertex) const {
  return this->corner_uuid(wireframe_vertex).has_value() || should_be_corner(wireframe_vertex);
}

template <typename Model>
void CornersLinesIdentifier<Model>::build_wireframe_step() {
  impl_->build_wireframe_step();
}

template <typename Model>
void CornersLinesIdentifier<Model>::merge_lines_not_bounded_by_corners(
    absl::Span<const uuid> old_lines) {
  impl_->merge_lines_not_bounded_by_corners(old_lines);
}

template <typename Model>
void CornersLinesIdentifier<Model>::split_lines_by_corners(absl::Span<const uuid> old_lines,
                                                           absl::Span<const uuid> lines_to_split) {
  impl_->split_lines_by_corners(old_lines, lines_to_split);
}

template <typename Model>
std::vector<uuid> CornersLinesIdentifier<Model>::split_lines_into_connected_pieces(
    absl::Span<const uuid> old_lines, absl::Span<const uuid> lines) {
  return impl_->split_lines_into_connected_pieces(old_lines, lines);
}

template <typename Model>
const UniqueEdgesInventory& CornersLinesIdentifier<Model>::unique_edges_inventory() const {
  return impl_->inventory();
}

template <typename Model>
ModelMappings<Model>& CornersLinesIdentifier<Model>::mappings() {
  return impl_->mappings();
}

template <typename Model>
ModelMappings<Model>&& CornersLinesIdentifier<Model>::steal_mappings() {
  return std::move(impl_->mappings());
}

template class CornersLinesIdentifier<Section>;
template class CornersLinesIdentifier<BRep>;

}  // namespace veyra::detail
