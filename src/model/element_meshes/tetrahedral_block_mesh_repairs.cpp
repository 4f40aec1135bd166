// SPDX-License-Identifier: MIT
#include "tetrahedral_block_mesh_repairs.h"

#include <absl/container/flat_hash_set.h>
#include <model/element_meshes/element_mapping_maintenance.h>
#include <model/element_meshes/remove_adjacencies_on_facets.h>
#include <ostrel/basic/linked_hash_map.h>
#include <ostrel/basic/logger.h>
#include <ostrel/mesh/convert_solid_mesh.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/tetrahedral_solid_builder.h>
#include <ostrel/model/component_mesh_edges.h>
#include <ostrel/model/split_along_block_mesh_borders.h>
#include <ostrel/model/split_along_surface_mesh_borders.h>
#include <veyra_common/modifier/tetrahedral_solid_modifier.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "solid_block_meshes.h"

namespace veyra::internal {
namespace {

// Input polyhedron -> the polyhedra that cover it after some splits and cleans, for dense keys
// [0, nb_keys()): values of key k are values[offsets[k] .. offsets[k + 1]).
class PolyhedronCorrespondence {
 public:
  static PolyhedronCorrespondence identity(index_t nb_keys) {
    PolyhedronCorrespondence result;
    result.offsets_.resize(nb_keys + 1);
    result.values_.resize(nb_keys);
    for (index_t key = 0; key <= nb_keys; ++key) result.offsets_[key] = key;
    for (index_t key = 0; key < nb_keys; ++key) result.values_[key] = key;
    return result;
  }

  index_t nb_keys() const { return static_cast<index_t>(offsets_.size()) - 1; }
  absl::Span<const index_t> values(index_t key) const {
    return absl::MakeConstSpan(values_).subspan(offsets_[key], offsets_[key + 1] - offsets_[key]);
  }

  /// For each key k, each of its values m and each value f of `next` for m: k -> f.
  /// \throw std::out_of_range when some m is no key of `next`.
  PolyhedronCorrespondence then(const PolyhedronCorrespondence& next) const {
    PolyhedronCorrespondence result;
    result.offsets_.reserve(offsets_.size());
    result.values_.reserve(values_.size());
    for (index_t key = 0; key < nb_keys(); ++key) {
      for (const auto middle : values(key)) {
        if (middle >= next.nb_keys()) {
          throw std::out_of_range{"[PolyhedronCorrespondence::then] value without key"};
        }
        const auto last = next.values(middle);
        result.values_.insert(result.values_.end(), last.begin(), last.end());
      }
      result.offsets_.push_back(static_cast<index_t>(result.values_.size()));
    }
    return result;
  }

 private:
  friend class PolyhedronHistory;

  std::vector<index_t> offsets_{0};
  std::vector<index_t> values_;
};

// The polyhedra of one batch of splits: which polyhedron present before the batch each new one
// comes from. New polyhedra are appended, so a parent at or beyond the count before the batch
// was itself made in this batch, and its one origin passes on to the new polyhedron.
class PolyhedronHistory {
 public:
  explicit PolyhedronHistory(index_t nb_before) : nb_before_(nb_before) {}

  void record(index_t parent, index_t polyhedron) {
    const auto origin = parent < nb_before_ ? parent : origins_.at(parent - nb_before_);
    const auto rank = polyhedron - nb_before_;
    if (rank >= origins_.size()) origins_.resize(rank + 1, NO_ID);
    origins_[rank] = origin;
    pairs_.push_back({origin, polyhedron});
  }

  /// The batch result after the clean renumbering `old2new`: a polyhedron present before the
  /// batch maps to what its pieces became (those the clean kept), an untouched one to its new
  /// index.
  PolyhedronCorrespondence close(absl::Span<const index_t> old2new) {
    // Stable: each polyhedron's pieces stay in the order they were made.
    std::stable_sort(pairs_.begin(), pairs_.end(),
                     [](const auto& lhs, const auto& rhs) { return lhs.first < rhs.first; });
    PolyhedronCorrespondence result;
    result.offsets_.reserve(nb_before_ + 1);
    result.values_.reserve(nb_before_ + pairs_.size());
    std::size_t pair = 0;
    for (index_t polyhedron = 0; polyhedron < nb_before_; ++polyhedron) {
      if (pair < pairs_.size() && pairs_[pair].first == polyhedron) {
        for (; pair < pairs_.size() && pairs_[pair].first == polyhedron; ++pair) {
          const auto piece = old2new[pairs_[pair].second];
          if (piece != NO_ID) result.values_.push_back(piece);
        }
      } else if (old2new[polyhedron] != NO_ID) {
        result.values_.push_back(old2new[polyhedron]);
      }
      result.offsets_.push_back(static_cast<index_t>(result.values_.size()));
    }
    return result;
  }

 private:
  index_t nb_before_;
  std::vector<index_t> origins_;
  std::vector<std::pair<index_t, index_t>> pairs_;
};

// A list of table ids with constant-time membership.
class IdList {
 public:
  explicit IdList(std::vector<index_t>& ids) : ids_(ids) {
    for (const auto id : ids_) mark(id);
  }

  bool contains(index_t id) const { return id < present_.size() && present_[id]; }
  void append(index_t id) {
    if (contains(id)) return;
    ids_.push_back(id);
    mark(id);
  }
  /// Each id becomes old2new[id]; ids mapped to NO_ID leave the list.
  void renumber(absl::Span<const index_t> old2new) {
    std::vector<index_t> kept;
    kept.reserve(ids_.size());
    for (const auto id : ids_) {
      if (old2new[id] != NO_ID) kept.push_back(old2new[id]);
    }
    ids_ = std::move(kept);
    present_.assign(present_.size(), false);
    for (const auto id : ids_) mark(id);
  }
  const std::vector<index_t>& ids() const { return ids_; }

 private:
  void mark(index_t id) {
    if (id >= present_.size()) present_.resize(std::max<std::size_t>(id + 1, 2 * present_.size()));
    present_[id] = true;
  }

  std::vector<index_t>& ids_;
  std::vector<bool> present_;
};

std::uint64_t ordered_pair_key(const std::array<index_t, 2>& vertices) {
  return (static_cast<std::uint64_t>(vertices[0]) << 32) | vertices[1];
}

class TetrahedralRepairs {
 public:
  TetrahedralRepairs(BRep& brep, const SolidMesh<3>& solid, SolidElementLists& lists,
                     IndexToModelMeshElementsMapping& mapping, BRepGeometricModifier& modifier)
      : brep_(brep),
        copy_(convert_solid_mesh_into_tetrahedral_solid(solid).value()),
        lists_(lists),
        surface_facets_(lists.surface_facets),
        line_edges_(lists.line_edges),
        mapping_(mapping),
        modifier_(modifier),
        history_(PolyhedronCorrespondence::identity(copy_->nb_polyhedra())) {}

  TetrahedralSolid<3>& copy() { return *copy_; }
  const PolyhedronCorrespondence& history() const { return history_; }
  const std::vector<index_t>& surface_facets() const { return surface_facets_.ids(); }
  void release_copy() { copy_.reset(); }

  // The surface facets whose every edge is an edge of this one surface facet only.
  std::vector<index_t> isolated_facets() const {
    std::vector<index_t> isolated;
    const auto& facets = copy_->facets();
    const auto& edges = copy_->edges();
    for (const auto facet : surface_facets_.ids()) {
      const auto vertices = facets.facet_vertices(facet);
      bool all_free = true;
      for (std::size_t k = 0; k < vertices.size() && all_free; ++k) {
        const auto edge =
            edges.edge_from_vertices({vertices[k], vertices[(k + 1) % vertices.size()]}).value();
        all_free = lists_.surface_facet_counts[edge] == 1;
      }
      if (all_free) isolated.push_back(facet);
    }
    return isolated;
  }

  // Batch 1: the line splits of the surfaces build, made again on the copy.
  void replay_line_splits(absl::Span<const SolidSplitEdge> split_edges) {
    Batch batch{*this};
    absl::flat_hash_set<std::uint64_t> handled;
    for (const auto& split : split_edges) {
      const auto edge = copy_->edges().edge_from_vertices(split.unique_vertices).value();
      if (handled.contains(ordered_pair_key(split.unique_vertices))) continue;
      batch.split_edge(edge, split.point);
      handled.insert(ordered_pair_key(split.unique_vertices));
      handled.insert(ordered_pair_key({split.unique_vertices[1], split.unique_vertices[0]}));
      record_edge_split(mapping_, edge, split.split_info, brep_);
    }
    batch.close();
  }

  // Batch 2: a lone surface triangle is split around its barycenter in the copy and the BRep.
  void split_isolated_facets(absl::Span<const index_t> isolated) {
    Batch batch{*this};
    for (const auto facet : isolated) {
      const auto point = copy_->facet_barycenter(copy_->facets().facet_vertices(facet));
      batch.split_facet(facet, point);
      const auto polygon = mapping_.surfaces.in2out(facet).front();
      const auto& surface = brep_.surface(polygon.component_id);
      const auto info = modifier_.split_triangle(surface, polygon.element, point);
      mapping_.surfaces.erase_in(facet);
      const auto splits = info.surfaces.find(polygon.component_id);
      if (splits == info.surfaces.end()) continue;
      for (const auto& split : splits->second) {
        for (const auto piece : split.new_polygons) {
          mapping_.surfaces.map(facet, {polygon.component_id, piece});
        }
      }
    }
    batch.close();
  }

  // Edges inside a surface whose two ends lie on free border lines of that surface, by surface
  // in model order. Cutting the block along the surface would leave such an edge joining the two
  // sides: its ends are not duplicated (a free border keeps one fan) while the edge itself is
  // inside the surface.
  linked_hash_map<uuid, std::vector<PolygonEdge>> find_problem_edges() const {
    linked_hash_map<uuid, std::vector<PolygonEdge>> problems;
    std::vector<bool> on_free_border(brep_.nb_unique_vertices(), false);
    std::vector<index_t> marked;
    for (const auto& surface : brep_.surfaces()) {
      marked.clear();
      for (const auto& line : brep_.boundaries(surface)) {
        if (brep_.is_internal(line, surface) || brep_.nb_incidences(line) >= 2) continue;
        for (const auto unique_vertex : brep_.component_unique_vertices(line.id())) {
          if (unique_vertex == NO_ID || on_free_border[unique_vertex]) continue;
          on_free_border[unique_vertex] = true;
          marked.push_back(unique_vertex);
        }
      }
      if (marked.empty()) continue;
      const auto& mesh = surface.mesh();
      const auto unique_vertices = brep_.component_unique_vertices(surface.id());
      const auto is_marked = [&](index_t vertex) {
        const auto unique_vertex = unique_vertices[vertex];
        return unique_vertex != NO_ID && on_free_border[unique_vertex];
      };
      std::vector<PolygonEdge> edges;
      for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
        if (!modifier_.is_triangle_active(surface, polygon)) continue;
        for (local_index_t local = 0; local < mesh.nb_polygon_edges(polygon); ++local) {
          const PolygonEdge edge{polygon, local};
          const auto adjacent = mesh.polygon_adjacent(edge);
          if (!adjacent || *adjacent <= polygon) continue;
          const auto vertices = mesh.polygon_edge_vertices(edge);
          if (is_marked(vertices[0]) && is_marked(vertices[1])) edges.push_back(edge);
        }
      }
      if (!edges.empty()) problems.emplace(surface.id(), std::move(edges));
      for (const auto unique_vertex : marked) on_free_border[unique_vertex] = false;
    }
    return problems;
  }

  // Batch 3: each problem edge is split at its middle in the BRep and in the copy.
  void split_problem_edges(const linked_hash_map<uuid, std::vector<PolygonEdge>>& problems) {
    Batch batch{*this};
    for (const auto& [surface_id, edges] : problems) {
      const auto& surface = brep_.surface(surface_id);
      for (const auto& polygon_edge : edges) {
        const auto unique_vertices = edge_unique_vertices(brep_, surface, polygon_edge);
        const auto edge = copy_->edges().edge_from_vertices(unique_vertices).value();
        const auto point = surface.mesh().polygon_edge_barycenter(polygon_edge);
        const auto info = modifier_.split_edge(surface, polygon_edge, point);
        record_edge_split(mapping_, edge, info, brep_);
        batch.split_edge(edge, point);
      }
    }
    batch.close();
  }

 private:
  // One batch of splits on the copy, through its own modifier, ended by clean(): the element
  // lists follow the new and removed table entries, and the polyhedron history grows by the
  // batch's result.
  class Batch {
   public:
    explicit Batch(TetrahedralRepairs& repairs)
        : repairs_(repairs),
          builder_(TetrahedralSolidBuilder<3>::create(*repairs.copy_)),
          modifier_(*repairs.copy_, *builder_),
          history_(repairs.copy_->nb_polyhedra()) {}

    void split_edge(index_t edge, const Point<3>& point) {
      record(modifier_.split_edge(edge, point));
    }
    void split_facet(index_t facet, const Point<3>& point) {
      record(modifier_.split_facet(facet, point));
    }

    void close() {
      // A batch without split changes nothing: its clean would only report what is already
      // there, at the cost of a pass over the whole copy.
      if (!split_made_) return;
      const auto clean = modifier_.clean();
      repairs_.surface_facets_.renumber(clean.facets);
      repairs_.line_edges_.renumber(clean.edges);
      repairs_.history_ = repairs_.history_.then(history_.close(clean.polyhedra));
    }

   private:
    void record(const TetrahedralSolidModifier::SplitInfo& info) {
      split_made_ = true;
      for (const auto& [polyhedron, parent] : info.polyhedra) history_.record(parent, polyhedron);
      for (const auto& [facet, parent] : info.facets) {
        if (parent != NO_ID && repairs_.surface_facets_.contains(parent)) {
          repairs_.surface_facets_.append(facet);
        }
      }
      for (const auto& [edge, parent] : info.edges) {
        if (parent != NO_ID && repairs_.line_edges_.contains(parent)) {
          repairs_.line_edges_.append(edge);
        }
      }
    }

    TetrahedralRepairs& repairs_;
    std::unique_ptr<TetrahedralSolidBuilder<3>> builder_;
    TetrahedralSolidModifier modifier_;
    PolyhedronHistory history_;
    bool split_made_{false};
  };

  BRep& brep_;
  std::unique_ptr<TetrahedralSolid<3>> copy_;
  SolidElementLists& lists_;
  IdList surface_facets_;
  IdList line_edges_;
  IndexToModelMeshElementsMapping& mapping_;
  BRepGeometricModifier& modifier_;
  PolyhedronCorrespondence history_;
};

}  // namespace

GenericMapping<index_t> input_vertex_mapping(absl::Span<const index_t> final_unique_vertices,
                                             index_t nb_input_vertices) {
  return vertex_mapping_from_renumbering(final_unique_vertices.subspan(
      0, std::min<std::size_t>(nb_input_vertices, final_unique_vertices.size())));
}

std::pair<GenericMapping<index_t>, IndexToBRepMeshElementsMapping> repair_tetrahedral_block_meshes(
    BRep& brep, BRepBuilder& builder, const SolidMesh<3>& solid, SolidElementLists lists,
    IndexToModelMeshElementsMapping mapping, absl::Span<const SolidSplitEdge> split_edges,
    BRepGeometricModifier& modifier) {
  TetrahedralRepairs repairs{brep, solid, lists, mapping, modifier};
  // Found before any split, while the counts still describe the copy's facets.
  const auto isolated = repairs.isolated_facets();
  repairs.replay_line_splits(split_edges);
  repairs.split_isolated_facets(isolated);
  const auto problems = repairs.find_problem_edges();
  if (!problems.empty()) {
    Logger::log_info(
        "Found some edges which would lead to topology problems, they will be split in the "
        "result to output a valid model.");
    repairs.split_problem_edges(problems);
  }

  auto& copy = repairs.copy();
  remove_adjacencies_on_facets(copy, repairs.surface_facets());
  const auto blocks = build_blocks_from_connected_polyhedra(copy, brep, builder);
  // Block polyhedron of each copy polyhedron: (block rank, polyhedron in the block mesh).
  std::vector<std::pair<index_t, index_t>> block_polyhedra(copy.nb_polyhedra(), {NO_ID, NO_ID});
  for (index_t block = 0; block < blocks.blocks.size(); ++block) {
    const auto& polyhedra = blocks.polyhedra[block];
    for (index_t polyhedron = 0; polyhedron < polyhedra.size(); ++polyhedron) {
      block_polyhedra[polyhedra[polyhedron]] = {block, polyhedron};
    }
  }
  // The block meshes are copies: the tetrahedral copy is not needed any more.
  repairs.release_copy();

  SplitAlongBlockMeshBorders{brep, builder}.split_all_blocks();
  const auto clean = modifier.clean();
  apply_clean(mapping, clean);
  SplitAlongSurfaceMeshBorders<BRep>{brep, builder}.split_all_surfaces();
  const auto isolated_renumbering = relate_blocks_and_finish(brep, builder);

  IndexToBRepMeshElementsMapping result;
  static_cast<IndexToModelMeshElementsMapping&>(result) = std::move(mapping);
  const auto& history = repairs.history();
  result.blocks.reserve(history.nb_keys());
  for (index_t polyhedron = 0; polyhedron < history.nb_keys(); ++polyhedron) {
    for (const auto piece : history.values(polyhedron)) {
      const auto [block, block_polyhedron] = block_polyhedra.at(piece);
      result.blocks.map(polyhedron, {blocks.blocks.at(block), block_polyhedron});
    }
  }

  // Clean deletes no unique vertex, so its renumbering is composed with the deletion of the
  // isolated ones entry by entry.
  std::vector<index_t> final_unique_vertices;
  final_unique_vertices.reserve(clean.unique_vertices.size());
  for (const auto unique_vertex : clean.unique_vertices) {
    if (unique_vertex != NO_ID)
      final_unique_vertices.push_back(isolated_renumbering[unique_vertex]);
  }
  return {input_vertex_mapping(final_unique_vertices, lists.nb_input_vertices), std::move(result)};
}

}  // namespace veyra::internal
