// SPDX-License-Identifier: MIT
#include <model/topology/identify_surfaces.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>
#include <absl/container/inlined_vector.h>

#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/generic_mapping.h>
#include <ostrel/basic/logger.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/basic/str_cat.h>
#include <ostrel/mesh/graph.h>
#include <ostrel/mesh/graph_builder.h>
#include <ostrel/mesh/graph_identifier.h>
#include <ostrel/mesh/repair_polygon_orientations.h>
#include <ostrel/mesh/surface_identifier.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/component_mesh_polygons.h>
#include <ostrel/model/repair_non_manifold_vertices.h>
#include <ostrel/model/section.h>
#include <ostrel/model/split_along_surface_mesh_borders.h>
#include <model/common/library.h>
#include <model/operations/component_merge.h>
#include <model/topology/line_surface_relationships.h>
#include <model/wireframe/unique_edges_inventory.h>

#include "polygon_cycles.h"
#include "unique_edge_line.h"

namespace veyra {
namespace internal {
namespace {

// The unique vertex of every vertex of the surface, NO_ID where untied. A copy: the framework's
// span is invalidated by the ties the passes make while they read it.
template <typename Model>
std::vector<index_t> surface_unique_vertices(const Model& model,
                                             const Surface<Model::dim>& surface) {
  const auto tied = model.component_unique_vertices(surface.id());
  std::vector<index_t> result(surface.mesh().nb_vertices(), NO_ID);
  std::copy_n(tied.begin(), std::min<std::size_t>(tied.size(), result.size()), result.begin());
  return result;
}

template <typename Model>
std::string surface_text(const Surface<Model::dim>& surface) {
  const auto name = surface.name();
  return str_cat(name ? std::string{*name} : surface.id().string(), " ", surface.id().string());
}

// Polygon corners of each vertex of a surface being copied, in creation order: the lookup that
// relates a new surface to its lines before its polygons know their neighbours.
class CornersRecord {
 public:
  void add(index_t vertex, const PolygonVertex& corner) { corners_.emplace_back(vertex, corner); }

  // Sorts the record by vertex (stable: corners keep their creation order).
  void finalize(index_t nb_vertices) {
    offsets_.assign(nb_vertices + 1, 0);
    for (const auto& [vertex, corner] : corners_) ++offsets_[vertex + 1];
    for (index_t v = 0; v < nb_vertices; ++v) offsets_[v + 1] += offsets_[v];
    sorted_.resize(corners_.size());
    auto next = offsets_;
    for (const auto& [vertex, corner] : corners_) sorted_[next[vertex]++] = corner;
    corners_.clear();
    corners_.shrink_to_fit();
  }

  absl::Span<const PolygonVertex> corners(index_t vertex) const {
    return absl::MakeConstSpan(sorted_).subspan(offsets_[vertex],
                                                offsets_[vertex + 1] - offsets_[vertex]);
  }

 private:
  std::vector<std::pair<index_t, PolygonVertex>> corners_;
  std::vector<index_t> offsets_;
  std::vector<PolygonVertex> sorted_;
};

template <typename Model>
class SurfacePass {
  static constexpr index_t D = Model::dim;
  using Builder = typename Model::Builder;

 public:
  SurfacePass(const Model& model, Builder& builder,
              const detail::CornersLinesBuilder<Model>& corners_lines,
              ModelMappings<Model>& mappings, absl::Span<const uuid> old_surfaces)
      : model_(model),
        builder_(builder),
        corners_lines_(corners_lines),
        mappings_(mappings),
        old_surfaces_(old_surfaces.begin(), old_surfaces.end()),
        surface_mapping_(mappings.component_mappings.at(Surface<D>::component_type_static())) {}

  void run(bool merge_components) {
    split_along_lines();
    const auto duplicated = find_duplicated_components(model_, model_.surfaces());
    if (!duplicated.empty()) {
      record_deferred_polygons({});
      record_deferred_vertices(true);
    }
    for (const auto& group : duplicated) merge_duplicated_surfaces(group);
    if (merge_components) isolate_repeated_polygons();
    const auto groups = group_surfaces_from_common_polygon_edges(build_border_edges_inventory());
    // A surface cut from an old one and copied again alone keeps its deferred polygon records
    // until that copy, which maps the old polygons straight to their final polygons.
    absl::flat_hash_set<uuid> copied_alone;
    for (const auto& group : groups) {
      if (group.size() == 1) copied_alone.insert(group.front());
    }
    record_deferred_polygons(copied_alone);
    record_deferred_vertices(!std::all_of(
        deferred_vertex_order_.begin(), deferred_vertex_order_.end(),
        [&copied_alone](const uuid& id) { return copied_alone.contains(id); }));
    for (const auto& group : groups) merge_surface_group(group);
    // Every record still deferred was made by the copy of its surface.
    deferred_order_.clear();
    deferred_polygons_.clear();
    deferred_vertex_order_.clear();
    deferred_vertices_.clear();
    split_surfaces_on_internal_lines(model_, builder_, mappings_.mesh_vertices.surfaces);
  }

 private:
  std::optional<uuid> line_on(index_t unique_vertex0, index_t unique_vertex1) const {
    return detail::unique_edge_line(corners_lines_, {unique_vertex0, unique_vertex1});
  }

  void map_vertex(const uuid& old_surface, index_t old_vertex, const uuid& new_surface,
                  index_t new_vertex) {
    const auto deferred = deferred_vertices_.find(old_surface);
    if (deferred != deferred_vertices_.end()) {
      const auto& [source_surface, old_vertices, nb_pieces] = deferred->second;
      const auto source = old_vertices[old_vertex];
      // An old vertex copied into this piece only has no record yet: it goes straight to the
      // new vertex, as the chain through `old_surface` would have left it.
      if ((*nb_pieces)[source] == 1) {
        mappings_.mesh_vertices.surfaces.map({source_surface, source}, {new_surface, new_vertex});
        return;
      }
    }
    map_old_to_new_mesh_vertices({old_surface, old_vertex}, {new_surface, new_vertex},
                                 mappings_.mesh_vertices.surfaces, old_surfaces_);
  }

  void map_polygon(const uuid& old_surface, index_t old_polygon, const uuid& new_surface,
                   index_t new_polygon) {
    const auto deferred = deferred_polygons_.find(old_surface);
    if (deferred != deferred_polygons_.end()) {
      // The record old polygon -> polygon of `old_surface` was never made: the old polygon goes
      // straight to the new one, as the chain through `old_surface` would have left it.
      mappings_.mesh_elements.surfaces.map(
          {deferred->second.old_surface, deferred->second.old_polygons[old_polygon]},
          {new_surface, new_polygon});
      return;
    }
    map_old_to_new_mesh_elements({old_surface, old_polygon}, {new_surface, new_polygon},
                                 mappings_.mesh_elements.surfaces, old_surfaces_);
  }

  // ---- Deferred polygon records ----
  //
  // A surface cut along lines into several is usually copied once more right after, alone in
  // its group (its polygons have no adjacency yet, so every edge off a line is a border edge).
  // Recording each old polygon to the cut surface's polygon, then moving the record on to the
  // copy, would touch the polygon mapping three times per polygon. The records of a cut surface
  // are kept aside instead, and made in their original order before anything else reaches the
  // mapping, unless the surface is copied alone: the copy then makes the final records, which
  // are the ones the chain would have left (each old polygon goes to one cut polygon only, and
  // a record removed from the mapping leaves the others in their order).

  struct DeferredPolygons {
    uuid old_surface;
    // The old polygon of each polygon of the cut surface.
    std::vector<index_t> old_polygons;
  };

  // Whether the records of the polygons and vertices of `old_surface` may be deferred: it is an
  // old surface and none of its polygons and vertices is in the mappings yet, as input or as
  // output.
  bool can_defer_records(const uuid& old_surface) {
    if (!old_surfaces_.contains(old_surface)) return false;
    if (!mapped_surfaces_) {
      mapped_surfaces_.emplace();
      const auto add_components = [this](const auto& mapping) {
        for (const auto& [in, outs] : mapping.in2out_map()) {
          mapped_surfaces_->insert(in.component_id);
        }
        for (const auto& [out, ins] : mapping.out2in_map()) {
          mapped_surfaces_->insert(out.component_id);
        }
      };
      add_components(mappings_.mesh_elements.surfaces);
      add_components(mappings_.mesh_vertices.surfaces);
    }
    return !mapped_surfaces_->contains(old_surface);
  }

  // Makes the deferred records of every cut surface not in `kept`, in the order of the cuts.
  void record_deferred_polygons(const absl::flat_hash_set<uuid>& kept) {
    auto& mapping = mappings_.mesh_elements.surfaces;
    std::vector<uuid> still_deferred;
    for (const auto& id : deferred_order_) {
      const auto found = deferred_polygons_.find(id);
      if (kept.contains(id)) {
        still_deferred.push_back(id);
        continue;
      }
      const auto& [old_surface, old_polygons] = found->second;
      reserve_more(mapping, static_cast<index_t>(old_polygons.size()));
      for (index_t polygon = 0; polygon < old_polygons.size(); ++polygon) {
        mapping.map({old_surface, old_polygons[polygon]}, {id, polygon});
      }
      deferred_polygons_.erase(found);
    }
    deferred_order_ = std::move(still_deferred);
  }

  // The vertex records of the cut surfaces are deferred too, with one difference: an old vertex
  // on a cutting line is copied into several pieces, and its record stays in the mapping from
  // the cut on (the copy of one piece moves one of its values, never all). Those records are
  // made when the cuts are over and nothing else has reached the mapping since; the records of
  // the vertices copied into one piece only are left to the copies, when every cut surface is
  // copied alone. Otherwise every record is made, in the order of the cuts.

  struct DeferredVertices {
    uuid old_surface;
    // The old vertex of each vertex of the cut surface.
    std::vector<index_t> old_vertices;
    // The number of pieces each vertex of the old surface is copied into.
    std::shared_ptr<std::vector<index_t>> nb_pieces;
  };

  // Makes the deferred vertex records: all of them when `all` (then none stays deferred), or
  // only those of old vertices copied into several pieces.
  void record_deferred_vertices(bool all) {
    auto& mapping = mappings_.mesh_vertices.surfaces;
    for (const auto& id : deferred_vertex_order_) {
      const auto& [old_surface, old_vertices, nb_pieces] = deferred_vertices_.at(id);
      for (index_t vertex = 0; vertex < old_vertices.size(); ++vertex) {
        if (!all && (*nb_pieces)[old_vertices[vertex]] == 1) continue;
        mapping.map({old_surface, old_vertices[vertex]}, {id, vertex});
      }
    }
    deferred_vertex_order_.clear();
    if (all) deferred_vertices_.clear();
  }

  void remove_surface(const uuid& id) { builder_.remove_surface(model_.surface(id)); }

  // Room for `count` more entries. Asked only for additions as large as the mapping, so that it
  // grows geometrically however many groups there are.
  template <typename Key>
  static void reserve_more(GenericMapping<Key>& mapping, index_t count) {
    if (count >= mapping.size_in()) mapping.reserve(mapping.size_in() + count);
  }

  // Appends the cycle of unique vertices of every polygon of the surface, in polygon order.
  void add_polygon_cycles(detail::PolygonCycles& cycles, const Surface<D>& surface) const {
    const auto& mesh = surface.mesh();
    const auto unique_vertices = model_.component_unique_vertices(surface.id());
    PolygonVertices cycle;
    for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
      cycle.clear();
      for (const auto vertex : mesh.polygon_vertices(polygon)) {
        cycle.push_back(vertex < unique_vertices.size() ? unique_vertices[vertex] : NO_ID);
      }
      cycles.add(cycle);
    }
  }

  // ---- Split along lines ----

  void split_along_lines() {
    std::vector<uuid> surfaces;
    for (const auto& surface : model_.surfaces()) surfaces.push_back(surface.id());
    for (const auto& id : surfaces) {
      detail::add_line_surface_relationships(model_, builder_, corners_lines_, id);
    }
    std::vector<uuid> replaced;
    for (const auto& id : surfaces) {
      const auto& surface = model_.surface(id);
      cut_adjacencies_along_lines(surface);
      SurfaceIdentifier<D> identifier{surface.mesh()};
      identifier.identify_polygons();
      const auto groups = identifier.identified_connected_polygons();
      if (groups.size() == 1) continue;
      SurfaceCopy copy{model_, surface};
      copy.defer_polygons = can_defer_records(id);
      // The records of this cut go to the mappings now: the deferred ones come first.
      if (!copy.defer_polygons) {
        record_deferred_polygons({});
        record_deferred_vertices(true);
      }
      for (const auto& group : groups) create_surface_from_polygons(surface, group, copy);
      replaced.push_back(id);
    }
    for (const auto& id : replaced) remove_surface(id);
  }

  // What the copies of one surface's polygon groups share: the surface's ties, read once, and
  // old-to-new tables over its vertices and polygons, reset after each group so that a group
  // costs its own size only (a surface cut into many groups would otherwise pay its full size
  // once per group).
  struct SurfaceCopy {
    SurfaceCopy(const Model& model, const Surface<D>& surface)
        : unique_vertices(surface_unique_vertices(model, surface)),
          vertex_old2new(surface.mesh().nb_vertices(), NO_ID),
          polygon_old2new(surface.mesh().nb_polygons(), NO_ID),
          has_vertex_attributes(
              !surface.mesh().vertex_attribute_manager().attribute_names().empty()),
          has_polygon_attributes(
              !surface.mesh().polygon_attribute_manager().attribute_names().empty()) {}

    std::vector<index_t> unique_vertices;
    std::vector<index_t> vertex_old2new;
    std::vector<index_t> polygon_old2new;
    // The old vertices copied for the current group.
    std::vector<index_t> copied_vertices;
    bool has_vertex_attributes;
    bool has_polygon_attributes;
    // Whether the records of the copies wait (see the deferred records).
    bool defer_polygons{false};
    // With deferred records, the number of pieces each old vertex is copied into.
    std::shared_ptr<std::vector<index_t>> nb_pieces;
  };

  // Imports the attribute values of the listed old elements only.
  static void import_group(AttributeManager& to, const AttributeManager& from,
                           absl::Span<const index_t> old_elements,
                           absl::Span<const index_t> old2new) {
    GenericMapping<index_t> group;
    group.reserve(static_cast<index_t>(old_elements.size()));
    for (const auto element : old_elements) group.map(element, old2new[element]);
    to.import(from, group);
  }

  // Recomputes the adjacencies, then unlinks the two polygons on each side of a line edge.
  void cut_adjacencies_along_lines(const Surface<D>& surface) {
    const auto& mesh = surface.mesh();
    auto mesh_builder = builder_.surface_mesh_builder(surface.id());
    mesh_builder->compute_polygon_adjacencies();
    const auto unique_vertices = surface_unique_vertices(model_, surface);
    for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
      const auto vertices = mesh.polygon_vertices(polygon);
      const auto nb_vertices = static_cast<local_index_t>(vertices.size());
      for (local_index_t edge = 0; edge < nb_vertices; ++edge) {
        const PolygonEdge polygon_edge{polygon, edge};
        const auto adjacent = mesh.polygon_adjacent_edge(polygon_edge);
        if (!adjacent) continue;
        if (!line_on(unique_vertices[vertices[edge]],
                     unique_vertices[vertices[(edge + 1) % nb_vertices]])) {
          continue;
        }
        mesh_builder->unset_polygon_adjacent(polygon_edge);
        mesh_builder->unset_polygon_adjacent(*adjacent);
      }
    }
  }

  // A new surface holding one group of polygons of `old_surface`, with its own vertices.
  void create_surface_from_polygons(const Surface<D>& old_surface,
                                    const std::vector<index_t>& polygons, SurfaceCopy& copy) {
    const auto& old_id = old_surface.id();
    const auto& old_mesh = old_surface.mesh();
    const auto new_id = builder_.add_surface(old_surface.mesh_type());
    transfer_surface_metadata(model_, builder_, new_id, {old_id});
    surface_mapping_.map(old_id, new_id);

    const auto& new_surface = model_.surface(new_id);
    const ComponentID new_component = new_surface.component_id();
    auto mesh_builder = builder_.surface_mesh_builder(new_id);
    mesh_builder->reserve_polygons(static_cast<index_t>(polygons.size()));
    std::vector<index_t>* deferred = nullptr;
    if (copy.defer_polygons) {
      deferred_order_.push_back(new_id);
      // Built from its old surface: a default uuid would draw a fresh id.
      auto& entry =
          deferred_polygons_.try_emplace(new_id, DeferredPolygons{old_id, {}}).first->second;
      entry.old_polygons.reserve(polygons.size());
      deferred = &entry.old_polygons;
    } else {
      reserve_more(mappings_.mesh_elements.surfaces, static_cast<index_t>(polygons.size()));
    }
    const auto& unique_vertices = copy.unique_vertices;
    auto& vertex_old2new = copy.vertex_old2new;
    auto& polygon_old2new = copy.polygon_old2new;
    auto& copied_vertices = copy.copied_vertices;
    copied_vertices.clear();
    CornersRecord record;
    PolygonVertices new_vertices;
    for (const auto polygon : polygons) {
      new_vertices.clear();
      for (const auto vertex : old_mesh.polygon_vertices(polygon)) {
        auto& new_vertex = vertex_old2new[vertex];
        if (new_vertex == NO_ID) {
          new_vertex = mesh_builder->create_point(old_mesh.point(vertex));
          copied_vertices.push_back(vertex);
          if (unique_vertices[vertex] != NO_ID) {
            builder_.set_unique_vertex({new_component, new_vertex}, unique_vertices[vertex]);
          }
          if (!deferred) map_vertex(old_id, vertex, new_id, new_vertex);
        }
        new_vertices.push_back(new_vertex);
      }
      const auto new_polygon = mesh_builder->create_polygon(new_vertices);
      polygon_old2new[polygon] = new_polygon;
      if (deferred) {
        deferred->push_back(polygon);
      } else {
        map_polygon(old_id, polygon, new_id, new_polygon);
      }
      for (local_index_t corner = 0; corner < new_vertices.size(); ++corner) {
        record.add(new_vertices[corner], {new_polygon, corner});
      }
    }
    const auto& new_mesh = new_surface.mesh();
    if (copy.has_vertex_attributes) {
      import_group(new_mesh.vertex_attribute_manager(), old_mesh.vertex_attribute_manager(),
                   copied_vertices, vertex_old2new);
    }
    if (copy.has_polygon_attributes) {
      import_group(new_mesh.polygon_attribute_manager(), old_mesh.polygon_attribute_manager(),
                   polygons, polygon_old2new);
    }
    if (deferred) {
      if (!copy.nb_pieces) {
        copy.nb_pieces = std::make_shared<std::vector<index_t>>(old_mesh.nb_vertices(), 0);
      }
      for (const auto vertex : copied_vertices) ++(*copy.nb_pieces)[vertex];
      deferred_vertex_order_.push_back(new_id);
      deferred_vertices_.try_emplace(new_id,
                                     DeferredVertices{old_id, copied_vertices, copy.nb_pieces});
    }
    for (const auto vertex : copied_vertices) vertex_old2new[vertex] = NO_ID;
    for (const auto polygon : polygons) polygon_old2new[polygon] = NO_ID;
    record.finalize(new_mesh.nb_vertices());

    detail::add_line_surface_relationships(
        model_, builder_, corners_lines_, new_id,
        [&](index_t unique_vertex, std::vector<PolygonVertex>& corners) {
          corners.clear();
          for (const auto vertex : model_.component_mesh_vertices(unique_vertex, new_id)) {
            const auto listed = record.corners(vertex);
            corners.insert(corners.end(), listed.begin(), listed.end());
          }
        });
    transfer_relationships(model_, builder_, old_surface, new_surface);
  }

  // ---- Duplicated surfaces ----

  void merge_duplicated_surfaces(const std::vector<uuid>& group) {
    const auto& first = model_.surface(group.front());
    const auto new_id = builder_.add_surface(first.mesh_type());
    const auto& new_surface = model_.surface(new_id);
    builder_.update_surface_mesh(new_surface, first.mesh().clone());

    const auto unique_vertices = surface_unique_vertices(model_, first);
    const ComponentID new_component = new_surface.component_id();
    for (index_t vertex = 0; vertex < unique_vertices.size(); ++vertex) {
      if (unique_vertices[vertex] != NO_ID) {
        builder_.set_unique_vertex({new_component, vertex}, unique_vertices[vertex]);
      }
    }
    for (const auto& old_id : group) {
      for (index_t vertex = 0; vertex < unique_vertices.size(); ++vertex) {
        if (unique_vertices[vertex] == NO_ID) continue;
        const auto old_vertices = model_.component_mesh_vertices(unique_vertices[vertex], old_id);
        if (!old_vertices.empty()) map_vertex(old_id, old_vertices.front(), new_id, vertex);
      }
    }
    repair_non_manifold_vertices(model_, builder_, new_surface);

    // Each old polygon goes to the first new polygon on the same unique vertices: the new
    // polygons come first in the list, then those of each grouped surface.
    detail::PolygonCycles cycles;
    const auto nb_new_polygons = new_surface.mesh().nb_polygons();
    add_polygon_cycles(cycles, new_surface);
    for (const auto& old_id : group) add_polygon_cycles(cycles, model_.surface(old_id));
    const auto first_cycles = cycles.first_occurrences();
    index_t position = nb_new_polygons;
    for (const auto& old_id : group) {
      for (index_t polygon = 0; polygon < model_.surface(old_id).mesh().nb_polygons(); ++polygon) {
        const auto match = first_cycles[position++];
        if (match < nb_new_polygons) map_polygon(old_id, polygon, new_id, match);
      }
    }

    transfer_surface_metadata(model_, builder_, new_id, group);
    detail::transfer_line_surface_relationships(model_, builder_, new_id, {group.front()});
    for (const auto& old_id : group) {
      surface_mapping_.map(old_id, new_id);
      remove_surface(old_id);
    }
  }

  // ---- Repeated polygons ----

  // Every polygon whose unique vertices occur more than once in the model (in two surfaces or
  // twice in one) is unlinked from its neighbours, on both sides of each of its edges.
  void isolate_repeated_polygons() {
    index_t nb_polygons = 0;
    for (const auto& surface : model_.surfaces()) nb_polygons += surface.mesh().nb_polygons();
    detail::PolygonCycles cycles;
    cycles.reserve(nb_polygons, 3 * nb_polygons);
    for (const auto& surface : model_.surfaces()) add_polygon_cycles(cycles, surface);
    const auto first = cycles.first_occurrences();
    // A polygon is repeated when it is not the first of its cycle, or when a later one is.
    std::vector<bool> repeated(nb_polygons, false);
    for (index_t position = 0; position < nb_polygons; ++position) {
      if (first[position] == position) continue;
      repeated[position] = true;
      repeated[first[position]] = true;
    }
    index_t position = 0;
    for (const auto& surface : model_.surfaces()) {
      const auto& mesh = surface.mesh();
      std::unique_ptr<SurfaceMeshBuilder<D>> mesh_builder;
      for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
        if (!repeated[position++]) continue;
        if (!mesh_builder) mesh_builder = builder_.surface_mesh_builder(surface.id());
        for (local_index_t edge = 0; edge < mesh.nb_polygon_edges(polygon); ++edge) {
          const PolygonEdge polygon_edge{polygon, edge};
          if (const auto adjacent = mesh.polygon_adjacent_edge(polygon_edge)) {
            mesh_builder->unset_polygon_adjacent(*adjacent);
            mesh_builder->unset_polygon_adjacent(polygon_edge);
          }
        }
      }
    }
  }

  // ---- Surfaces across edges without line ----

  // The border polygon edges of every surface whose unique edge is on no line; only the edge
  // indices and the surface edges are filled.
  detail::UniqueEdgesInventory build_border_edges_inventory() const {
    detail::UniqueEdgesInventory inventory;
    for (const auto& surface : model_.surfaces()) {
      const auto& mesh = surface.mesh();
      const auto unique_vertices = model_.component_unique_vertices(surface.id());
      const auto unique_vertex = [&](index_t vertex) {
        return vertex < unique_vertices.size() ? unique_vertices[vertex] : NO_ID;
      };
      for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
        const auto vertices = mesh.polygon_vertices(polygon);
        const auto nb_vertices = static_cast<local_index_t>(vertices.size());
        for (local_index_t edge = 0; edge < nb_vertices; ++edge) {
          const PolygonEdge polygon_edge{polygon, edge};
          if (!mesh.is_edge_on_border(polygon_edge)) continue;
          const std::array<index_t, 2> ends{unique_vertex(vertices[edge]),
                                            unique_vertex(vertices[(edge + 1) % nb_vertices])};
          if (line_on(ends[0], ends[1])) continue;
          inventory.add_surface_edge(inventory.find_or_insert_edge(ends).first, surface.id(),
                                     polygon_edge);
        }
      }
    }
    return inventory;
  }

  // Links the surfaces that share a border edge on no line; the connected groups, in the order
  // of their first surface met, are the surfaces to merge. A surface with such an edge that is
  // shared with no other surface forms a group of its own.
  std::vector<std::vector<uuid>> group_surfaces_from_common_polygon_edges(
      const detail::UniqueEdgesInventory& inventory) const {
    auto graph = Graph::create();
    auto graph_builder = GraphBuilder::create(*graph);
    std::vector<uuid> surface_of_vertex;
    absl::flat_hash_map<uuid, index_t> vertex_of_surface;
    absl::flat_hash_set<std::pair<index_t, index_t>> links;
    absl::InlinedVector<index_t, 2> edge_surfaces;
    for (index_t edge = 0; edge < inventory.nb_edges(); ++edge) {
      edge_surfaces.clear();
      for (const auto& entry : inventory.surface_edges(edge)) {
        const auto [found, added] = vertex_of_surface.try_emplace(
            entry.surface, static_cast<index_t>(surface_of_vertex.size()));
        if (added) {
          surface_of_vertex.push_back(entry.surface);
          graph_builder->create_vertex();
        }
        if (std::find(edge_surfaces.begin(), edge_surfaces.end(), found->second) ==
            edge_surfaces.end()) {
          edge_surfaces.push_back(found->second);
        }
      }
      if (edge_surfaces.size() == 1) continue;
      if (edge_surfaces.size() != 2) {
        throw VeyraConversionModelException{
            nullptr, OstrelException::TYPE::internal,
            "[ModelBuilderFromUniqueVertices::group_surfaces_from_common_polygon_edges] Wrong "
            "number of surface edges not linked by lines (",
            edge_surfaces.size(), ", expected 1 or 2)"};
      }
      const auto [low, high] = std::minmax(edge_surfaces[0], edge_surfaces[1]);
      if (links.emplace(low, high).second)
        graph_builder->create_edge(edge_surfaces[0], edge_surfaces[1]);
    }
    GraphIdentifier identifier{*graph};
    identifier.identify_vertices();
    std::vector<std::vector<uuid>> groups;
    for (const auto& members : identifier.identified_connected_vertices()) {
      auto& group = groups.emplace_back();
      group.reserve(members.size());
      for (const auto member : members) group.push_back(surface_of_vertex[member]);
    }
    return groups;
  }

  void merge_surface_group(const std::vector<uuid>& group) {
    const auto& mesh_type = model_.surface(group.front()).mesh_type();
    const auto same_type = std::all_of(group.begin(), group.end(), [&](const uuid& id) {
      return model_.surface(id).mesh_type() == mesh_type;
    });
    const auto new_id = builder_.add_surface(
        same_type ? mesh_type : MeshImpl{str_cat("OstrelPolygonalSurface", D, "D")});
    create_polygonal_merged_mesh(new_id, group);
    transfer_surface_metadata(model_, builder_, new_id, group);
    detail::transfer_line_surface_relationships(model_, builder_, new_id, group);
    const auto& new_surface = model_.surface(new_id);
    for (const auto& old_id : group) {
      surface_mapping_.map(old_id, new_id);
      transfer_relationships(model_, builder_, model_.surface(old_id), new_surface);
      remove_surface(old_id);
    }
  }

  // The polygons of the grouped surfaces on one vertex per unique vertex; a polygon found in
  // several of them (same unique vertices) is created once.
  void create_polygonal_merged_mesh(const uuid& new_id, const std::vector<uuid>& group) {
    const auto& new_surface = model_.surface(new_id);
    const ComponentID new_component = new_surface.component_id();
    const auto& new_mesh = new_surface.mesh();
    auto mesh_builder = builder_.surface_mesh_builder(new_id);
    index_t nb_vertices = 0;
    index_t nb_polygons = 0;
    for (const auto& id : group) {
      nb_vertices += model_.surface(id).mesh().nb_vertices();
      nb_polygons += model_.surface(id).mesh().nb_polygons();
    }
    mesh_builder->reserve_vertices(nb_vertices);
    mesh_builder->reserve_polygons(nb_polygons);
    reserve_more(mappings_.mesh_vertices.surfaces, nb_vertices);
    reserve_more(mappings_.mesh_elements.surfaces, nb_polygons);
    // First pass: the new vertices, and the cycle of new vertices of every polygon, which
    // tells which polygons repeat an earlier one.
    absl::flat_hash_map<index_t, index_t> vertex_of_unique_vertex;
    vertex_of_unique_vertex.reserve(nb_vertices);
    std::vector<std::vector<index_t>> vertex_old2new;
    vertex_old2new.reserve(group.size());
    detail::PolygonCycles cycles;
    cycles.reserve(nb_polygons, 3 * nb_polygons);
    PolygonVertices new_vertices;
    for (const auto& old_id : group) {
      const auto& old_surface = model_.surface(old_id);
      const auto& old_mesh = old_surface.mesh();
      const auto unique_vertices = surface_unique_vertices(model_, old_surface);
      auto& old2new = vertex_old2new.emplace_back(old_mesh.nb_vertices(), NO_ID);
      for (index_t polygon = 0; polygon < old_mesh.nb_polygons(); ++polygon) {
        new_vertices.clear();
        for (const auto vertex : old_mesh.polygon_vertices(polygon)) {
          auto& new_vertex = old2new[vertex];
          if (new_vertex == NO_ID) {
            const auto unique_vertex = unique_vertices[vertex];
            // An untied vertex cannot meet another one: it gets a vertex of its own.
            const auto [found, added] =
                unique_vertex == NO_ID ? std::pair{vertex_of_unique_vertex.end(), true}
                                       : vertex_of_unique_vertex.try_emplace(unique_vertex, NO_ID);
            if (added) {
              new_vertex = mesh_builder->create_point(old_mesh.point(vertex));
              if (unique_vertex != NO_ID) {
                found->second = new_vertex;
                builder_.set_unique_vertex({new_component, new_vertex}, unique_vertex);
              }
            } else {
              new_vertex = found->second;
            }
            map_vertex(old_id, vertex, new_id, new_vertex);
          }
          new_vertices.push_back(new_vertex);
        }
        cycles.add(new_vertices);
      }
    }

    // Second pass: the first polygon of each cycle is created, in the old polygon's vertex
    // order; every polygon maps to the one of its cycle. Attributes follow surface by surface.
    const auto first = cycles.first_occurrences();
    std::vector<index_t> new_polygon_at(first.size(), NO_ID);
    index_t position = 0;
    for (index_t member = 0; member < group.size(); ++member) {
      const auto& old_id = group[member];
      const auto& old_mesh = model_.surface(old_id).mesh();
      const auto& old2new = vertex_old2new[member];
      std::vector<index_t> polygon_old2new(old_mesh.nb_polygons(), NO_ID);
      for (index_t polygon = 0; polygon < old_mesh.nb_polygons(); ++polygon, ++position) {
        if (first[position] == position) {
          new_vertices.clear();
          for (const auto vertex : old_mesh.polygon_vertices(polygon)) {
            new_vertices.push_back(old2new[vertex]);
          }
          new_polygon_at[position] = mesh_builder->create_polygon(new_vertices);
        } else {
          new_polygon_at[position] = new_polygon_at[first[position]];
        }
        polygon_old2new[polygon] = new_polygon_at[position];
        map_polygon(old_id, polygon, new_id, new_polygon_at[position]);
      }
      new_mesh.vertex_attribute_manager().import(old_mesh.vertex_attribute_manager(), old2new);
      new_mesh.polygon_attribute_manager().import(old_mesh.polygon_attribute_manager(),
                                                  polygon_old2new);
    }
    mesh_builder->compute_polygon_adjacencies();
    try {
      repair_polygon_orientations(new_mesh, *mesh_builder);
    } catch (const OstrelException& exception) {
      if (exception.type() == OstrelException::TYPE::input) {
        Logger::log_warn(
            "[ModelBuilderFromUniqueVertices::create_polygonal_merged_mesh] Unorientable surface "
            "detected (",
            surface_text<Model>(new_surface), ").");
      }
    }
    repair_non_manifold_vertices(model_, builder_, new_surface);
  }

  const Model& model_;
  Builder& builder_;
  const detail::CornersLinesBuilder<Model>& corners_lines_;
  ModelMappings<Model>& mappings_;
  absl::flat_hash_set<uuid> old_surfaces_;
  GenericMapping<uuid>& surface_mapping_;
  // The surfaces with polygons or vertices in the mappings when the pass starts, read once.
  std::optional<absl::flat_hash_set<uuid>> mapped_surfaces_;
  // Cut surfaces whose polygon records are deferred, in the order of the cuts.
  std::vector<uuid> deferred_order_;
  absl::flat_hash_map<uuid, DeferredPolygons> deferred_polygons_;
  // Cut surfaces whose vertex records are deferred: those to make, in the order of the cuts,
  // and those the copies make.
  std::vector<uuid> deferred_vertex_order_;
  absl::flat_hash_map<uuid, DeferredVertices> deferred_vertices_;
};

}  // namespace

template <typename Model>
void identify_surfaces(const Model& model, typename Model::Builder& builder,
                       const detail::CornersLinesBuilder<Model>& corners_lines,
                       ModelMappings<Model>& mappings, absl::Span<const uuid> old_surfaces,
                       bool merge_components) {
  SurfacePass<Model>{model, builder, corners_lines, mappings, old_surfaces}.run(merge_components);
}

template <typename Model>
void identify_surfaces(detail::EngineContext<Model>& context) {
  identify_surfaces(static_cast<const Model&>(context.model), context.builder,
                    context.corners_lines, context.mappings, context.old_surfaces,
                    context.merge_components);
}

template <typename Model>
void split_surfaces_on_internal_lines(const Model& model, typename Model::Builder& builder,
                                      GenericMapping<MeshVertex>& surface_vertices) {
  SplitAlongSurfaceMeshBorders<Model> splitter{model, builder};
  for (const auto& [old_vertex, new_vertex] : splitter.split_all_surfaces()) {
    const MeshVertex old_key{old_vertex.component_id.id(), old_vertex.vertex};
    const MeshVertex new_key{new_vertex.component_id.id(), new_vertex.vertex};
    if (!surface_vertices.has_mapping_output(old_key)) {
      surface_vertices.map(old_key, new_key);
      continue;
    }
    // Copied: mapping a source adds to the values being read.
    const auto sources = surface_vertices.out2in(old_key);
    for (const auto& source : sources) surface_vertices.map(source, new_key);
  }
}

template void identify_surfaces(const Section&, SectionBuilder&,
                                const detail::CornersLinesBuilder<Section>&, SectionMappings&,
                                absl::Span<const uuid>, bool);
template void identify_surfaces(const BRep&, BRepBuilder&, const detail::CornersLinesBuilder<BRep>&,
                                BRepMappings&, absl::Span<const uuid>, bool);
template void identify_surfaces(detail::EngineContext<Section>&);
template void identify_surfaces(detail::EngineContext<BRep>&);
template void split_surfaces_on_internal_lines(const Section&, SectionBuilder&,
                                               GenericMapping<MeshVertex>&);
template void split_surfaces_on_internal_lines(const BRep&, BRepBuilder&,
                                               GenericMapping<MeshVertex>&);

}  // namespace internal
}  // namespace veyra
