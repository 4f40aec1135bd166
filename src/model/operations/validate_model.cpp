// SPDX-License-Identifier: MIT
#include <model/operations/validate_model.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>
#include <absl/container/inlined_vector.h>
#include <absl/types/span.h>

#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/basic/str_cat.h>
#include <ostrel/geometry/epsilon.h>
#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/point_set.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/canonical_cycle.h>
#include <ostrel/model/section.h>

#include <model/common/library.h>

// The checker reads the model once per stage, in model order, and keeps only flat per-vertex and
// per-element arrays: ties are read from each component's dense unique-vertex array (never from
// the per-unique-vertex tie lists, whose entries carry component type names), line edges and
// polygon edges are keyed by their two unique vertices packed in 64 bits, and polygons and block
// facets by their canonical unique-vertex cycle. Every mesh query is guarded by the element
// counts, and adjacencies are checked to be in range before they are followed, so that a broken
// model gives problems and not undefined behaviour.

namespace veyra {
namespace {

using Kind = ValidationProblemKind;
using ElementType = ValidationElementType;

constexpr index_t max_problems_per_component_and_kind = 20;

std::uint64_t pair_key(index_t a, index_t b) {
  const auto [low, high] = std::minmax(a, b);
  return (static_cast<std::uint64_t>(low) << 32) | high;
}

using CycleKey = absl::InlinedVector<index_t, 4>;

const ComponentType corner_type{"Corner"};
const ComponentType line_type{"Line"};
const ComponentType surface_type{"Surface"};
const ComponentType block_type{"Block"};
const ComponentType model_boundary_type{"ModelBoundary"};
const ComponentType corner_collection_type{"CornerCollection"};
const ComponentType line_collection_type{"LineCollection"};
const ComponentType surface_collection_type{"SurfaceCollection"};
const ComponentType block_collection_type{"BlockCollection"};

ValidationElement vertex_element(const uuid& component, index_t vertex) {
  return {component, ElementType::vertex, vertex, NO_LID};
}
ValidationElement unique_vertex_element(index_t unique_vertex) {
  return {sentinel_uuid, ElementType::unique_vertex, unique_vertex, NO_LID};
}

class UnionFind {
 public:
  explicit UnionFind(index_t size) : parents_(size) {
    std::iota(parents_.begin(), parents_.end(), index_t{0});
  }
  index_t root(index_t item) {
    while (parents_[item] != item) {
      parents_[item] = parents_[parents_[item]];
      item = parents_[item];
    }
    return item;
  }
  void join(index_t a, index_t b) {
    const auto root_a = root(a);
    const auto root_b = root(b);
    if (root_a != root_b) parents_[std::max(root_a, root_b)] = std::min(root_a, root_b);
  }

 private:
  std::vector<index_t> parents_;
};

// Keeps the first problems of each (component, kind) and counts the others, so that a mesh with a
// million faults gives a readable report in bounded memory.
template <index_t D>
class ProblemCollector {
 public:
  /// Calls make() and keeps its problem unless the component already has its share of `kind`.
  template <typename Make>
  void report(const ComponentID& owner, Kind kind, Make&& make) {
    auto [it, inserted] = counts_.try_emplace(std::make_pair(owner, kind), 0);
    if (inserted) order_.push_back(it->first);
    if (++it->second > max_problems_per_component_and_kind) return;
    ValidationProblem<D> problem = make();
    problem.kind = kind;
    problems_.push_back(std::move(problem));
  }

  ValidationReport<D> finish() {
    for (const auto& key : order_) {
      const auto count = counts_.at(key);
      if (count <= max_problems_per_component_and_kind) continue;
      ValidationProblem<D> problem;
      problem.kind = key.second;
      problem.components.push_back(key.first);
      problem.message =
          str_cat(key.first.string(), " has ", count - max_problems_per_component_and_kind,
                  " more problems of this kind, not listed");
      problems_.push_back(std::move(problem));
    }
    return ValidationReport<D>{std::move(problems_)};
  }

 private:
  using Key = std::pair<ComponentID, Kind>;
  absl::flat_hash_map<Key, index_t> counts_;
  std::vector<Key> order_;
  std::vector<ValidationProblem<D>> problems_;
};

enum struct MeshKind : std::uint8_t { corner, line, surface, block };

template <index_t D>
struct ComponentEntry {
  ComponentID id;
  MeshKind kind;
  const GeometricMesh<D>* mesh;
  absl::Span<const index_t> unique_vertices;
};

template <typename Model>
class ModelValidator {
  static constexpr index_t D = Model::dim;
  static constexpr bool is_brep = std::is_same_v<Model, BRep>;

 public:
  explicit ModelValidator(const Model& model)
      : model_(model), nb_unique_vertices_(model.nb_unique_vertices()) {}

  ValidationReport<D> validate() {
    register_components();
    guarded(model_component_id(), [&] { check_unique_vertices(); });
    for (const auto* corner : corners_) {
      guarded(corner->component_id(), [&] { check_corner(*corner); });
    }
    for (index_t line = 0; line < lines_.size(); ++line) {
      guarded(lines_[line]->component_id(), [&] { check_line(*lines_[line]); });
    }
    surface_border_edges_.resize(surfaces_.size());
    for (index_t surface = 0; surface < surfaces_.size(); ++surface) {
      guarded(surfaces_[surface]->component_id(), [&] { check_surface(surface); });
    }
    if constexpr (is_brep) {
      block_unique_vertex_stamps_.assign(nb_unique_vertices_, NO_ID);
      for (index_t block = 0; block < blocks_.size(); ++block) {
        guarded(blocks_[block]->component_id(), [&] { check_block(block); });
      }
    }
    guarded(model_component_id(), [&] { check_relationships(); });
    guarded(model_component_id(), [&] { check_incidences(); });
    guarded(model_component_id(), [&] { check_model_boundaries(); });
    return problems_.finish();
  }

 private:
  struct BorderEdge {
    std::uint64_t unique_edge;
    PolygonEdge edge;
  };

  // ---- Setup -----------------------------------------------------------------------------

  ComponentID model_component_id() const {
    return {ComponentType{is_brep ? "BRep" : "Section"}, model_.id()};
  }

  absl::Span<const index_t> unique_vertices_of(const uuid& id) const {
    if (!model_.is_component_registered(id)) return {};
    return model_.component_unique_vertices(id);
  }

  void add_component(const ComponentID& id, MeshKind kind, const GeometricMesh<D>& mesh) {
    components_.push_back({id, kind, &mesh, unique_vertices_of(id.id())});
  }

  void register_components() {
    for (const auto& corner : model_.corners()) {
      corner_index_.emplace(corner.id(), static_cast<index_t>(corners_.size()));
      corners_.push_back(&corner);
      add_component(corner.component_id(), MeshKind::corner, corner.mesh());
    }
    for (const auto& line : model_.lines()) {
      line_index_.emplace(line.id(), static_cast<index_t>(lines_.size()));
      lines_.push_back(&line);
      add_component(line.component_id(), MeshKind::line, line.mesh());
    }
    for (const auto& surface : model_.surfaces()) {
      surface_index_.emplace(surface.id(), static_cast<index_t>(surfaces_.size()));
      surfaces_.push_back(&surface);
      add_component(surface.component_id(), MeshKind::surface, surface.mesh());
    }
    if constexpr (is_brep) {
      for (const auto& block : model_.blocks()) {
        blocks_.push_back(&block);
        add_component(block.component_id(), MeshKind::block, block.mesh());
      }
    }
    corner_at_unique_vertex_.assign(nb_unique_vertices_, NO_ID);
    for (index_t corner = 0; corner < corners_.size(); ++corner) {
      const auto unique_vertex = corner_unique_vertex(corner);
      if (unique_vertex != NO_ID && corner_at_unique_vertex_[unique_vertex] == NO_ID) {
        corner_at_unique_vertex_[unique_vertex] = corner;
      }
    }
  }

  /// The unique vertex of a component vertex, NO_ID when untied or tied out of range.
  index_t unique_vertex(absl::Span<const index_t> unique_vertices, index_t vertex) const {
    if (vertex >= unique_vertices.size()) return NO_ID;
    const auto unique_vertex = unique_vertices[vertex];
    return unique_vertex < nb_unique_vertices_ ? unique_vertex : NO_ID;
  }

  index_t corner_unique_vertex(index_t corner) const {
    if (corners_[corner]->mesh().nb_vertices() == 0) return NO_ID;
    return unique_vertex(components_[corner].unique_vertices, 0);
  }

  template <typename Check>
  void guarded(const ComponentID& owner, Check&& check) {
    try {
      check();
    } catch (const OstrelException& exception) {
      problems_.report(owner, Kind::check_aborted, [&] {
        ValidationProblem<D> problem;
        problem.components.push_back(owner);
        problem.message = str_cat("The check of ", owner.string(),
                                  " stopped on an error: ", exception.what());
        return problem;
      });
    }
  }

  /// The components of `type` related to `id` through `relations` that the model has.
  template <typename Range>
  std::vector<uuid> related(const Range& relations, const ComponentType& type) const {
    std::vector<uuid> ids;
    for (const auto& other : relations) {
      if (other.type() == type && has_component(other)) ids.push_back(other.id());
    }
    return ids;
  }

  bool has_component(const ComponentID& id) const {
    const auto& type = id.type();
    if (type == corner_type) return model_.has_corner(id.id());
    if (type == line_type) return model_.has_line(id.id());
    if (type == surface_type) return model_.has_surface(id.id());
    if (type == model_boundary_type) return model_.has_model_boundary(id.id());
    if (type == corner_collection_type) return model_.has_corner_collection(id.id());
    if (type == line_collection_type) return model_.has_line_collection(id.id());
    if (type == surface_collection_type) return model_.has_surface_collection(id.id());
    if constexpr (is_brep) {
      if (type == block_type) return model_.has_block(id.id());
      if (type == block_collection_type) return model_.has_block_collection(id.id());
    }
    return false;
  }

  // ---- Unique vertices ---------------------------------------------------------------------

  struct DoubleTie {
    index_t component;
    index_t unique_vertex;
    index_t first_vertex;
    index_t vertex;
  };

  void check_unique_vertices() {
    std::vector<index_t> first_component(nb_unique_vertices_, NO_ID);
    std::vector<index_t> first_component_vertex(nb_unique_vertices_, NO_ID);
    std::vector<index_t> last_component(nb_unique_vertices_, NO_ID);
    std::vector<index_t> last_component_vertex(nb_unique_vertices_, NO_ID);
    std::vector<bool> scattered(nb_unique_vertices_, false);
    std::vector<DoubleTie> double_ties;
    for (index_t component = 0; component < components_.size(); ++component) {
      const auto& entry = components_[component];
      const auto nb_vertices = entry.mesh->nb_vertices();
      for (index_t vertex = 0; vertex < nb_vertices; ++vertex) {
        const auto unique = unique_vertex(entry.unique_vertices, vertex);
        if (unique == NO_ID) {
          report_untied_vertex(entry, vertex);
          continue;
        }
        if (first_component[unique] == NO_ID) {
          first_component[unique] = component;
          first_component_vertex[unique] = vertex;
        } else if (!scattered[unique]) {
          const auto& first = components_[first_component[unique]];
          const auto& first_point = first.mesh->point(first_component_vertex[unique]);
          if (!entry.mesh->point(vertex).inexact_equal(first_point)) {
            scattered[unique] = true;
            report_scattered(entry, vertex, unique, first, first_component_vertex[unique]);
          }
        }
        if (last_component[unique] == component) {
          double_ties.push_back({component, unique, last_component_vertex[unique], vertex});
        } else {
          last_component[unique] = component;
          last_component_vertex[unique] = vertex;
        }
      }
    }
    for (const auto& tie : double_ties) {
      if (!is_allowed_double_tie(tie)) report_double_tie(tie);
    }
  }

  void report_untied_vertex(const ComponentEntry<D>& entry, index_t vertex) {
    problems_.report(entry.id, Kind::untied_vertex, [&] {
      ValidationProblem<D> problem;
      problem.components.push_back(entry.id);
      problem.elements.push_back(vertex_element(entry.id.id(), vertex));
      problem.point = entry.mesh->point(vertex);
      const auto unique_vertices = entry.unique_vertices;
      const bool out_of_range = vertex < unique_vertices.size() &&
                                unique_vertices[vertex] != NO_ID &&
                                unique_vertices[vertex] >= nb_unique_vertices_;
      problem.message =
          out_of_range
              ? str_cat(entry.id.string(), " vertex ", vertex, " is tied to unique vertex ",
                        unique_vertices[vertex], ", but the model has ", nb_unique_vertices_)
              : str_cat(entry.id.string(), " vertex ", vertex, " is tied to no unique vertex");
      return problem;
    });
  }

  void report_scattered(const ComponentEntry<D>& entry, index_t vertex, index_t unique,
                        const ComponentEntry<D>& first, index_t first_vertex) {
    problems_.report(entry.id, Kind::scattered_unique_vertex, [&] {
      ValidationProblem<D> problem;
      problem.components = {entry.id, first.id};
      problem.elements = {unique_vertex_element(unique), vertex_element(entry.id.id(), vertex),
                          vertex_element(first.id.id(), first_vertex)};
      const auto& point = entry.mesh->point(vertex);
      const auto& first_point = first.mesh->point(first_vertex);
      problem.point = point;
      const auto distance = point_point_distance(point, first_point);
      problem.message = str_cat("Unique vertex ", unique, " ties ", entry.id.string(), " vertex ",
                                vertex, " and ", first.id.string(), " vertex ", first_vertex,
                                ", which are ", distance, " apart");
      return problem;
    });
  }

  void report_double_tie(const DoubleTie& tie) {
    const auto& entry = components_[tie.component];
    problems_.report(entry.id, Kind::unique_vertex_tied_twice, [&] {
      ValidationProblem<D> problem;
      problem.components.push_back(entry.id);
      problem.elements = {unique_vertex_element(tie.unique_vertex),
                          vertex_element(entry.id.id(), tie.first_vertex),
                          vertex_element(entry.id.id(), tie.vertex)};
      problem.point = entry.mesh->point(tie.vertex);
      problem.message = str_cat("Unique vertex ", tie.unique_vertex, " ties vertices ",
                                tie.first_vertex, " and ", tie.vertex, " of ", entry.id.string());
      return problem;
    });
  }

  bool is_allowed_double_tie(const DoubleTie& tie) {
    const auto& entry = components_[tie.component];
    switch (entry.kind) {
      case MeshKind::corner:
        return false;
      case MeshKind::line: {
        // A line closing on a corner: its two chain ends sit on the corner's unique vertex.
        const auto& mesh = static_cast<const EdgedCurve<D>&>(*entry.mesh);
        return corner_at_unique_vertex_[tie.unique_vertex] != NO_ID &&
               mesh.edges_around_vertex(tie.first_vertex).size() == 1 &&
               mesh.edges_around_vertex(tie.vertex).size() == 1;
      }
      case MeshKind::surface: {
        // The copies of a vertex along a cut seam are all on the border of the mesh.
        const auto& mesh = static_cast<const SurfaceMesh<D>&>(*entry.mesh);
        return cut_unique_vertices(tie.component).contains(tie.unique_vertex) &&
               mesh.is_vertex_on_border(tie.first_vertex) && mesh.is_vertex_on_border(tie.vertex);
      }
      case MeshKind::block:
        return cut_unique_vertices(tie.component).contains(tie.unique_vertex);
    }
    return false;
  }

  /// Unique vertices along which the component's mesh may be cut: the vertices of the internal
  /// lines of a surface, of the internal surfaces of a block. Built on first use.
  const absl::flat_hash_set<index_t>& cut_unique_vertices(index_t component) {
    auto [it, inserted] = cut_unique_vertices_.try_emplace(component);
    if (!inserted) return it->second;
    const auto& entry = components_[component];
    const auto add_mesh = [&](const uuid& id, index_t nb_vertices) {
      const auto unique_vertices = unique_vertices_of(id);
      for (index_t vertex = 0; vertex < nb_vertices; ++vertex) {
        const auto unique = unique_vertex(unique_vertices, vertex);
        if (unique != NO_ID) it->second.insert(unique);
      }
    };
    if (entry.kind == MeshKind::surface) {
      for (const auto& id : related(model_.internals(entry.id.id()), line_type)) {
        add_mesh(id, model_.line(id).mesh().nb_vertices());
      }
    } else if constexpr (is_brep) {
      for (const auto& id : related(model_.internals(entry.id.id()), surface_type)) {
        add_mesh(id, model_.surface(id).mesh().nb_vertices());
      }
    }
    return it->second;
  }

  // ---- Corners and lines --------------------------------------------------------------------

  void check_corner(const Corner<D>& corner) {
    const auto nb_vertices = corner.mesh().nb_vertices();
    if (nb_vertices == 1) return;
    problems_.report(corner.component_id(), Kind::corner_vertex_count, [&] {
      ValidationProblem<D> problem;
      problem.components.push_back(corner.component_id());
      if (nb_vertices > 0) problem.point = corner.mesh().point(0);
      problem.message =
          str_cat(corner.component_id().string(), " has ", nb_vertices, " vertices, not 1");
      return problem;
    });
  }

  void report_line(const Line<D>& line, Kind kind, std::vector<ValidationElement> elements,
                   std::optional<Point<D>> point, std::string message,
                   std::vector<ComponentID> others = {}) {
    problems_.report(line.component_id(), kind, [&] {
      ValidationProblem<D> problem;
      problem.components.push_back(line.component_id());
      for (auto& other : others) problem.components.push_back(std::move(other));
      problem.elements = std::move(elements);
      problem.point = std::move(point);
      problem.message = std::move(message);
      return problem;
    });
  }

  void check_line(const Line<D>& line) {
    const auto& mesh = line.mesh();
    const auto name = line.component_id().string();
    const auto nb_edges = mesh.nb_edges();
    const auto nb_vertices = mesh.nb_vertices();
    if (nb_edges == 0) {
      report_line(line, Kind::line_without_edge, {}, std::nullopt, str_cat(name, " has no edge"));
      return;
    }
    const auto edge_element = [&](index_t edge) {
      return ValidationElement{line.id(), ElementType::edge, edge, NO_LID};
    };
    std::vector<index_t> degrees(nb_vertices, 0);
    UnionFind pieces{nb_vertices};
    std::vector<std::pair<std::uint64_t, index_t>> keys;
    keys.reserve(nb_edges);
    for (index_t edge = 0; edge < nb_edges; ++edge) {
      const auto [v0, v1] = mesh.edge_vertices(edge);
      if (v0 >= nb_vertices || v1 >= nb_vertices) {
        report_line(line, Kind::degenerate_line_edge, {edge_element(edge)}, std::nullopt,
                    str_cat(name, " edge ", edge, " has an end on no vertex"));
        continue;
      }
      if (v0 == v1) {
        report_line(line, Kind::degenerate_line_edge, {edge_element(edge)}, mesh.point(v0),
                    str_cat(name, " edge ", edge, " has both ends on vertex ", v0));
        continue;
      }
      if (mesh.edge_length(edge) <= global_epsilon) {
        report_line(line, Kind::degenerate_line_edge, {edge_element(edge)},
                    mesh.edge_barycenter(edge),
                    str_cat(name, " edge ", edge, " is not longer than ", global_epsilon));
      }
      ++degrees[v0];
      ++degrees[v1];
      pieces.join(v0, v1);
      keys.emplace_back(pair_key(v0, v1), edge);
    }
    std::sort(keys.begin(), keys.end());
    for (std::size_t k = 1; k < keys.size(); ++k) {
      if (keys[k].first != keys[k - 1].first) continue;
      const auto edge = keys[k].second;
      report_line(line, Kind::repeated_line_edge, {edge_element(keys[k - 1].second),
                                                   edge_element(edge)},
                  mesh.edge_barycenter(edge),
                  str_cat(name, " edges ", keys[k - 1].second, " and ", edge,
                          " join the same two vertices"));
    }
    if (keys.empty()) return;

    std::vector<index_t> ends;
    index_t root = NO_ID;
    for (index_t vertex = 0; vertex < nb_vertices; ++vertex) {
      if (degrees[vertex] == 0) continue;
      if (degrees[vertex] > 2) {
        report_line(line, Kind::line_not_a_chain, {vertex_element(line.id(), vertex)},
                    mesh.point(vertex),
                    str_cat(name, " branches at vertex ", vertex, " (", degrees[vertex],
                            " edges)"));
        return;
      }
      if (degrees[vertex] == 1) ends.push_back(vertex);
      const auto piece = pieces.root(vertex);
      if (root == NO_ID) root = piece;
      if (piece != root) {
        report_line(line, Kind::line_not_a_chain, {vertex_element(line.id(), vertex)},
                    mesh.point(vertex),
                    str_cat(name, " falls into several pieces (vertex ", vertex,
                            " is not connected to the first one)"));
        return;
      }
    }
    check_line_corners(line, degrees, ends);
  }

  void check_line_corners(const Line<D>& line, absl::Span<const index_t> degrees,
                          absl::Span<const index_t> ends) {
    const auto& mesh = line.mesh();
    const auto name = line.component_id().string();
    const auto unique_vertices = unique_vertices_of(line.id());
    std::vector<index_t> boundary_corners;
    for (const auto& id : related(model_.boundaries(line.id()), corner_type)) {
      boundary_corners.push_back(corner_index_.at(id));
    }
    const auto is_boundary_corner_at = [&](index_t unique) {
      return std::any_of(boundary_corners.begin(), boundary_corners.end(),
                         [&](index_t corner) { return corner_unique_vertex(corner) == unique; });
    };
    const auto report_inner_corner = [&](index_t vertex, index_t unique) {
      const auto* corner = corners_[corner_at_unique_vertex_[unique]];
      report_line(line, Kind::line_inner_vertex_on_corner, {vertex_element(line.id(), vertex)},
                  mesh.point(vertex),
                  str_cat(name, " vertex ", vertex, " inside the line is on ",
                          corner->component_id().string()),
                  {corner->component_id()});
    };

    if (ends.size() == 2) {
      std::array<index_t, 2> end_unique_vertices{NO_ID, NO_ID};
      for (index_t end = 0; end < 2; ++end) {
        const auto vertex = ends[end];
        const auto unique = unique_vertex(unique_vertices, vertex);
        end_unique_vertices[end] = unique;
        if (unique == NO_ID || is_boundary_corner_at(unique)) continue;
        const auto corner = corner_at_unique_vertex_[unique];
        report_line(line, Kind::line_end_not_on_corner, {vertex_element(line.id(), vertex)},
                    mesh.point(vertex),
                    corner == NO_ID
                        ? str_cat(name, " ends at vertex ", vertex, " on no corner")
                        : str_cat(name, " ends at vertex ", vertex, " on ",
                                  corners_[corner]->component_id().string(),
                                  ", which does not bound it"));
      }
      for (const auto corner : boundary_corners) {
        const auto unique = corner_unique_vertex(corner);
        if (unique == NO_ID || unique == end_unique_vertices[0] ||
            unique == end_unique_vertices[1]) {
          continue;
        }
        const auto& corner_id = corners_[corner]->component_id();
        report_line(line, Kind::line_corner_not_at_end, {}, corners_[corner]->mesh().point(0),
                    str_cat(name, " is bounded by ", corner_id.string(),
                            ", which is at neither of its ends"),
                    {corner_id});
      }
      for (index_t vertex = 0; vertex < degrees.size(); ++vertex) {
        if (degrees[vertex] != 2) continue;
        const auto unique = unique_vertex(unique_vertices, vertex);
        if (unique != NO_ID && corner_at_unique_vertex_[unique] != NO_ID) {
          report_inner_corner(vertex, unique);
        }
      }
      return;
    }

    // A closed loop: no boundary corner, or one on one of its vertices.
    if (boundary_corners.size() > 1) {
      report_line(line, Kind::line_corner_not_at_end, {}, std::nullopt,
                  str_cat(name, " is closed and has ", boundary_corners.size(),
                          " boundary corners, not 0 or 1"));
    }
    const auto closing = boundary_corners.empty() ? NO_ID : corner_unique_vertex(boundary_corners[0]);
    bool closing_found = false;
    for (index_t vertex = 0; vertex < degrees.size(); ++vertex) {
      if (degrees[vertex] == 0) continue;
      const auto unique = unique_vertex(unique_vertices, vertex);
      if (unique == NO_ID) continue;
      if (unique == closing) {
        closing_found = true;
      } else if (corner_at_unique_vertex_[unique] != NO_ID) {
        report_inner_corner(vertex, unique);
      }
    }
    if (closing != NO_ID && !closing_found) {
      const auto& corner_id = corners_[boundary_corners[0]]->component_id();
      report_line(line, Kind::line_corner_not_at_end, {},
                  corners_[boundary_corners[0]]->mesh().point(0),
                  str_cat(name, " is closed and bounded by ", corner_id.string(),
                          ", which is on none of its vertices"),
                  {corner_id});
    }
  }

  // ---- Surfaces -----------------------------------------------------------------------------

  struct UniqueEdgeCount {
    index_t nb_polygon_edges{0};
    index_t nb_border_polygon_edges{0};
  };

  void report_surface(const Surface<D>& surface, Kind kind,
                      std::vector<ValidationElement> elements, std::optional<Point<D>> point,
                      std::string message, std::vector<ComponentID> others = {}) {
    problems_.report(surface.component_id(), kind, [&] {
      ValidationProblem<D> problem;
      problem.components.push_back(surface.component_id());
      for (auto& other : others) problem.components.push_back(std::move(other));
      problem.elements = std::move(elements);
      problem.point = std::move(point);
      problem.message = std::move(message);
      return problem;
    });
  }

  void check_surface(index_t surface_index) {
    const auto& surface = *surfaces_[surface_index];
    const auto& mesh = surface.mesh();
    const auto name = surface.component_id().string();
    const auto unique_vertices = unique_vertices_of(surface.id());
    const auto nb_polygons = mesh.nb_polygons();
    const auto nb_vertices = mesh.nb_vertices();
    const auto polygon_edge_element = [&](index_t polygon, index_t edge) {
      return ValidationElement{surface.id(), ElementType::polygon_edge, polygon,
                               static_cast<local_index_t>(edge)};
    };

    // The unique edges of the lines bounding the surface or internal to it.
    const auto boundary_lines = related(model_.boundaries(surface.id()), line_type);
    const auto internal_lines = related(model_.internals(surface.id()), line_type);
    absl::flat_hash_map<std::uint64_t, UniqueEdgeCount> line_edges;
    for (const auto* lines : {&boundary_lines, &internal_lines}) {
      for (const auto& id : *lines) {
        const auto& line_mesh = model_.line(id).mesh();
        const auto line_unique_vertices = unique_vertices_of(id);
        for (index_t edge = 0; edge < line_mesh.nb_edges(); ++edge) {
          const auto [v0, v1] = line_mesh.edge_vertices(edge);
          const auto u0 = unique_vertex(line_unique_vertices, v0);
          const auto u1 = unique_vertex(line_unique_vertices, v1);
          if (u0 != NO_ID && u1 != NO_ID && u0 != u1) line_edges.try_emplace(pair_key(u0, u1));
        }
      }
    }

    // One pass over the polygon edges: adjacency, border edges against the lines.
    std::vector<index_t> offsets(nb_polygons + 1, 0);
    for (index_t polygon = 0; polygon < nb_polygons; ++polygon) {
      offsets[polygon + 1] = offsets[polygon] + mesh.nb_polygon_vertices(polygon);
    }
    const auto nb_corners = offsets[nb_polygons];
    std::vector<index_t> corner_vertices(nb_corners);
    std::vector<index_t> adjacent_polygons(nb_corners, NO_ID);
    std::vector<local_index_t> adjacent_edges(nb_corners, NO_LID);
    std::vector<bool> same_direction(nb_corners, false);
    std::vector<std::uint64_t> border_mesh_edges;
    auto& border_edges = surface_border_edges_[surface_index];
    for (index_t polygon = 0; polygon < nb_polygons; ++polygon) {
      const auto vertices = mesh.polygon_vertices(polygon);
      const auto size = static_cast<index_t>(vertices.size());
      for (index_t edge = 0; edge < size; ++edge) {
        corner_vertices[offsets[polygon] + edge] = vertices[edge];
      }
      for (index_t edge = 0; edge < size; ++edge) {
        const auto v0 = vertices[edge];
        const auto v1 = vertices[(edge + 1) % size];
        const PolygonEdge polygon_edge{polygon, static_cast<local_index_t>(edge)};
        const auto adjacent = mesh.polygon_adjacent(polygon_edge);
        const bool on_border = !adjacent.has_value();
        if (adjacent) {
          const auto corner = offsets[polygon] + edge;
          if (const auto message = follow_adjacency(mesh, polygon_edge, *adjacent, v0,
                                                    adjacent_polygons[corner],
                                                    adjacent_edges[corner],
                                                    same_direction, corner)) {
            report_surface(surface, Kind::inconsistent_adjacency,
                           {polygon_edge_element(polygon, edge)},
                           mesh.polygon_edge_barycenter(polygon_edge),
                           str_cat(name, " polygon ", polygon, " edge ", edge, " ", *message));
          }
        } else {
          border_mesh_edges.push_back(pair_key(v0, v1));
        }
        const auto u0 = unique_vertex(unique_vertices, v0);
        const auto u1 = unique_vertex(unique_vertices, v1);
        if (u0 == NO_ID || u1 == NO_ID) continue;
        const auto key = pair_key(u0, u1);
        if (on_border) border_edges.push_back({key, polygon_edge});
        const auto found = line_edges.find(key);
        if (found != line_edges.end()) {
          ++found->second.nb_polygon_edges;
          if (on_border) ++found->second.nb_border_polygon_edges;
        } else if (on_border) {
          report_surface(surface, Kind::surface_border_edge_not_on_line,
                         {polygon_edge_element(polygon, edge)},
                         mesh.polygon_edge_barycenter(polygon_edge),
                         str_cat(name, " polygon ", polygon, " edge ", edge,
                                 " is on the border but on no boundary or internal line of the "
                                 "surface"));
        }
      }
    }

    check_line_edges_on_surface(surface, boundary_lines, false, line_edges);
    check_line_edges_on_surface(surface, internal_lines, true, line_edges);
    check_non_manifold_edges(surface, border_mesh_edges);
    check_fans(surface, offsets, corner_vertices, adjacent_polygons, adjacent_edges, nb_vertices);
    check_orientation(surface, offsets, adjacent_polygons, adjacent_edges, same_direction);
    check_internal_corners(surface.component_id(), unique_vertices);
  }

  /// Reads the adjacency across polygon_edge (from v0 to the next vertex); fills the adjacent
  /// polygon and edge and whether it runs the same way. Returns what is wrong, if anything.
  std::optional<std::string> follow_adjacency(const SurfaceMesh<D>& mesh,
                                              const PolygonEdge& polygon_edge, index_t adjacent,
                                              index_t v0, index_t& adjacent_polygon,
                                              local_index_t& adjacent_edge,
                                              std::vector<bool>& same_direction, index_t corner) {
    if (adjacent >= mesh.nb_polygons()) {
      return str_cat("is adjacent to polygon ", adjacent, ", which does not exist");
    }
    const auto across = mesh.polygon_adjacent_edge(polygon_edge);
    if (!across) return str_cat("is adjacent to polygon ", adjacent, ", which lacks the edge");
    const auto back = mesh.polygon_adjacent(*across);
    if (!back || *back != polygon_edge.polygon_id) {
      return str_cat("is adjacent to polygon ", adjacent, ", which is not adjacent back");
    }
    adjacent_polygon = adjacent;
    adjacent_edge = across->edge_id;
    same_direction[corner] = mesh.polygon_edge_vertex(*across, 0) == v0;
    return std::nullopt;
  }

  void check_line_edges_on_surface(
      const Surface<D>& surface, const std::vector<uuid>& lines, bool internal,
      const absl::flat_hash_map<std::uint64_t, UniqueEdgeCount>& line_edges) {
    for (const auto& id : lines) {
      const auto& line = model_.line(id);
      const auto& line_mesh = line.mesh();
      const auto line_unique_vertices = unique_vertices_of(id);
      index_t nb_wrong = 0;
      index_t first_wrong = NO_ID;
      UniqueEdgeCount first_count;
      for (index_t edge = 0; edge < line_mesh.nb_edges(); ++edge) {
        const auto [v0, v1] = line_mesh.edge_vertices(edge);
        const auto u0 = unique_vertex(line_unique_vertices, v0);
        const auto u1 = unique_vertex(line_unique_vertices, v1);
        if (u0 == NO_ID || u1 == NO_ID || u0 == u1) continue;
        const auto& count = line_edges.at(pair_key(u0, u1));
        const bool right = internal ? count.nb_polygon_edges == 2 &&
                                          count.nb_border_polygon_edges != 1
                                    : count.nb_polygon_edges == 1 &&
                                          count.nb_border_polygon_edges == 1;
        if (right) continue;
        if (nb_wrong++ == 0) {
          first_wrong = edge;
          first_count = count;
        }
      }
      if (nb_wrong == 0) continue;
      const auto more =
          nb_wrong > 1 ? str_cat(" (and ", nb_wrong - 1, " more of its edges)") : std::string{};
      report_surface(
          surface,
          internal ? Kind::internal_line_not_inside_surface
                   : Kind::boundary_line_not_on_surface_border,
          {ValidationElement{id, ElementType::edge, first_wrong, NO_LID}},
          line_mesh.edge_barycenter(first_wrong),
          str_cat(line.component_id().string(), " edge ", first_wrong, more, " is on ",
                  first_count.nb_polygon_edges, " polygon edges of ",
                  surface.component_id().string(), ", ", first_count.nb_border_polygon_edges,
                  " of them on the border; ",
                  internal ? "an internal line needs two, adjacent or both on the border"
                           : "a boundary line needs one, on the border"),
          {line.component_id()});
    }
  }

  void check_non_manifold_edges(const Surface<D>& surface, std::vector<std::uint64_t>& edges) {
    // Polygon edges sharing their two vertices with two others get no adjacency, so every
    // non-manifold edge shows among the border edges.
    std::sort(edges.begin(), edges.end());
    for (std::size_t begin = 0; begin < edges.size();) {
      auto end = begin + 1;
      while (end < edges.size() && edges[end] == edges[begin]) ++end;
      if (end - begin >= 3) {
        const auto v0 = static_cast<index_t>(edges[begin] >> 32);
        const auto v1 = static_cast<index_t>(edges[begin] & 0xffffffffu);
        report_surface(surface, Kind::non_manifold_edge,
                       {vertex_element(surface.id(), v0), vertex_element(surface.id(), v1)},
                       surface.mesh().point(v0),
                       str_cat(surface.component_id().string(), " has ", end - begin,
                               " polygon edges joining vertices ", v0, " and ", v1));
      }
      begin = end;
    }
  }

  void check_fans(const Surface<D>& surface, absl::Span<const index_t> offsets,
                  absl::Span<const index_t> corner_vertices,
                  absl::Span<const index_t> adjacent_polygons,
                  absl::Span<const local_index_t> adjacent_edges, index_t nb_vertices) {
    // Corners around a vertex are in one fan when adjacencies link them; each adjacency links
    // the corners at both ends of the shared edge, whatever the neighbours' orientations.
    const auto nb_polygons = static_cast<index_t>(offsets.size() - 1);
    UnionFind fans{static_cast<index_t>(corner_vertices.size())};
    for (index_t polygon = 0; polygon < nb_polygons; ++polygon) {
      const auto size = offsets[polygon + 1] - offsets[polygon];
      for (index_t edge = 0; edge < size; ++edge) {
        const auto corner = offsets[polygon] + edge;
        const auto adjacent = adjacent_polygons[corner];
        if (adjacent == NO_ID) continue;
        const auto next_corner = offsets[polygon] + (edge + 1) % size;
        const auto adjacent_size = offsets[adjacent + 1] - offsets[adjacent];
        const auto across = offsets[adjacent] + adjacent_edges[corner];
        const auto across_next = offsets[adjacent] + (adjacent_edges[corner] + 1) % adjacent_size;
        for (const auto mine : {corner, next_corner}) {
          const auto vertex = corner_vertices[mine];
          if (corner_vertices[across] == vertex) fans.join(mine, across);
          if (corner_vertices[across_next] == vertex) fans.join(mine, across_next);
        }
      }
    }
    std::vector<index_t> fan_of_vertex(nb_vertices, NO_ID);
    std::vector<bool> reported(nb_vertices, false);
    for (index_t corner = 0; corner < corner_vertices.size(); ++corner) {
      const auto vertex = corner_vertices[corner];
      if (vertex >= nb_vertices) continue;
      const auto fan = fans.root(corner);
      if (fan_of_vertex[vertex] == NO_ID) {
        fan_of_vertex[vertex] = fan;
      } else if (fan_of_vertex[vertex] != fan && !reported[vertex]) {
        reported[vertex] = true;
        report_surface(surface, Kind::non_manifold_vertex,
                       {vertex_element(surface.id(), vertex)}, surface.mesh().point(vertex),
                       str_cat(surface.component_id().string(), " vertex ", vertex,
                               " has several fans of polygons"));
      }
    }
  }

  void check_orientation(const Surface<D>& surface, absl::Span<const index_t> offsets,
                         absl::Span<const index_t> adjacent_polygons,
                         absl::Span<const local_index_t> adjacent_edges,
                         const std::vector<bool>& same_direction) {
    // Breadth-first over adjacencies, flipping a neighbour whenever it runs along the common
    // edge the same way: a conflict means no orientation of the piece is consistent.
    const auto nb_polygons = static_cast<index_t>(offsets.size() - 1);
    std::vector<std::int8_t> flips(nb_polygons, -1);
    std::vector<index_t> queue;
    bool orientable = true;
    index_t first_same = NO_ID;
    index_t nb_same = 0;
    for (index_t seed = 0; seed < nb_polygons; ++seed) {
      if (flips[seed] != -1) continue;
      flips[seed] = 0;
      queue.assign(1, seed);
      for (std::size_t next = 0; next < queue.size(); ++next) {
        const auto polygon = queue[next];
        for (auto corner = offsets[polygon]; corner < offsets[polygon + 1]; ++corner) {
          const auto adjacent = adjacent_polygons[corner];
          if (adjacent == NO_ID) continue;
          if (same_direction[corner]) {
            ++nb_same;
            if (first_same == NO_ID) first_same = corner;
          }
          const std::int8_t expected = flips[polygon] ^ (same_direction[corner] ? 1 : 0);
          if (flips[adjacent] == -1) {
            flips[adjacent] = expected;
            queue.push_back(adjacent);
          } else if (flips[adjacent] != expected) {
            orientable = false;
          }
        }
      }
    }
    if (nb_same == 0) return;
    const auto polygon = static_cast<index_t>(
        std::upper_bound(offsets.begin(), offsets.end(), first_same) - offsets.begin() - 1);
    const auto edge = first_same - offsets[polygon];
    const PolygonEdge polygon_edge{polygon, static_cast<local_index_t>(edge)};
    const auto name = surface.component_id().string();
    const auto adjacent = adjacent_polygons[first_same];
    std::vector<ValidationElement> elements{
        {surface.id(), ElementType::polygon_edge, polygon, static_cast<local_index_t>(edge)},
        {surface.id(), ElementType::polygon_edge, adjacent, adjacent_edges[first_same]}};
    const auto point = surface.mesh().polygon_edge_barycenter(polygon_edge);
    if (!orientable) {
      report_surface(surface, Kind::unorientable_surface, std::move(elements), point,
                     str_cat(name, " cannot be oriented consistently (polygons ", polygon,
                             " and ", adjacent, " run the same way along their common edge)"));
      return;
    }
    report_surface(surface, Kind::inconsistent_orientation, std::move(elements), point,
                   str_cat(name, " has adjacent polygons running the same way along their "
                           "common edge (",
                           nb_same / 2, " such edges), the first being polygons ", polygon,
                           " and ", adjacent));
  }

  /// Corners internal to the component (a surface, or a block with a mesh) are on its vertices.
  void check_internal_corners(const ComponentID& component,
                              absl::Span<const index_t> unique_vertices) {
    const auto corners = related(model_.internals(component.id()), corner_type);
    if (corners.empty()) return;
    absl::flat_hash_set<index_t> tied;
    for (index_t vertex = 0; vertex < unique_vertices.size(); ++vertex) {
      const auto unique = unique_vertex(unique_vertices, vertex);
      if (unique != NO_ID) tied.insert(unique);
    }
    for (const auto& id : corners) {
      const auto corner = corner_index_.at(id);
      const auto unique = corner_unique_vertex(corner);
      if (unique == NO_ID || tied.contains(unique)) continue;
      const auto& corner_id = corners_[corner]->component_id();
      problems_.report(component, Kind::internal_corner_not_on_mesh, [&] {
        ValidationProblem<D> problem;
        problem.components = {component, corner_id};
        problem.point = corners_[corner]->mesh().point(0);
        problem.message = str_cat(corner_id.string(), " is internal to ", component.string(),
                                  " but on none of its mesh vertices");
        return problem;
      });
    }
  }

  // ---- Blocks -------------------------------------------------------------------------------

  struct ShellEdge {
    index_t nb_polygon_edges{0};
    index_t surface;
    PolygonEdge edge;
  };

  struct SurfacePolygon {
    index_t surface{NO_ID};
    index_t polygon{NO_ID};
    bool internal{false};
    index_t duplicate_of{NO_ID};
    index_t nb_facets{0};
    index_t nb_border_facets{0};
    PolyhedronFacet first_facet;
  };

  void report_block(const Block<3>& block, Kind kind, std::vector<ValidationElement> elements,
                    std::optional<Point<3>> point, std::string message,
                    std::vector<ComponentID> others = {}) {
    problems_.report(block.component_id(), kind, [&] {
      ValidationProblem<D> problem;
      problem.components.push_back(block.component_id());
      for (auto& other : others) problem.components.push_back(std::move(other));
      problem.elements = std::move(elements);
      problem.point = std::move(point);
      problem.message = std::move(message);
      return problem;
    });
  }

  void check_block(index_t block_index)
    requires is_brep
  {
    const auto& block = *blocks_[block_index];
    std::vector<index_t> boundary_surfaces;
    for (const auto& id : related(model_.boundaries(block.id()), surface_type)) {
      boundary_surfaces.push_back(surface_index_.at(id));
    }
    std::vector<index_t> internal_surfaces;
    for (const auto& id : related(model_.internals(block.id()), surface_type)) {
      internal_surfaces.push_back(surface_index_.at(id));
    }
    check_block_shell(block, boundary_surfaces);
    if (block.mesh().nb_polyhedra() == 0) return;
    check_block_mesh(block, block_index, boundary_surfaces, internal_surfaces);
    const auto unique_vertices = unique_vertices_of(block.id());
    check_internal_corners(block.component_id(), unique_vertices);
    check_block_internal_lines(block, block_index, unique_vertices);
  }

  void check_block_shell(const Block<3>& block, absl::Span<const index_t> boundary_surfaces)
    requires is_brep
  {
    // Around any unique edge, the sectors that belong to the block and those that do not
    // alternate, and each change is a boundary surface of the block: a closed shell has an even
    // number of boundary-surface border edges there (a seam counts its two sides).
    absl::flat_hash_map<std::uint64_t, index_t> index;
    std::vector<ShellEdge> edges;
    for (const auto surface : boundary_surfaces) {
      for (const auto& border : surface_border_edges_[surface]) {
        const auto [it, inserted] =
            index.try_emplace(border.unique_edge, static_cast<index_t>(edges.size()));
        if (inserted) edges.push_back({0, surface, border.edge});
        ++edges[it->second].nb_polygon_edges;
      }
    }
    for (const auto& edge : edges) {
      if (edge.nb_polygon_edges % 2 == 0) continue;
      const auto& surface = *surfaces_[edge.surface];
      report_block(block, Kind::open_block_shell,
                   {{surface.id(), ElementType::polygon_edge, edge.edge.polygon_id,
                     edge.edge.edge_id}},
                   surface.mesh().polygon_edge_barycenter(edge.edge),
                   str_cat("The boundary surfaces of ", block.component_id().string(),
                           " are open along ", surface.component_id().string(), " polygon ",
                           edge.edge.polygon_id, " edge ", int{edge.edge.edge_id}, " (",
                           edge.nb_polygon_edges, " border polygon edges there)"),
                   {surface.component_id()});
    }
  }

  void check_block_mesh(const Block<3>& block, index_t block_index,
                        absl::Span<const index_t> boundary_surfaces,
                        absl::Span<const index_t> internal_surfaces)
    requires is_brep
  {
    const auto& mesh = block.mesh();
    const auto name = block.component_id().string();
    const auto unique_vertices = unique_vertices_of(block.id());
    auto& on_surfaces = block_unique_vertex_stamps_;

    // The polygons of the block's surfaces, keyed by their canonical unique-vertex cycle.
    std::vector<SurfacePolygon> polygons;
    absl::flat_hash_map<CycleKey, index_t> polygon_index;
    CycleKey cycle;
    const auto add_surface = [&](index_t surface_index, bool internal) {
      const auto& surface = *surfaces_[surface_index];
      const auto& surface_mesh = surface.mesh();
      const auto surface_unique_vertices = unique_vertices_of(surface.id());
      for (index_t polygon = 0; polygon < surface_mesh.nb_polygons(); ++polygon) {
        if (!unique_cycle(surface_mesh.polygon_vertices(polygon), surface_unique_vertices,
                          cycle)) {
          continue;
        }
        for (const auto unique : cycle) on_surfaces[unique] = block_index;
        const auto [it, inserted] =
            polygon_index.try_emplace(cycle, static_cast<index_t>(polygons.size()));
        auto& added = polygons.emplace_back();
        added.surface = surface_index;
        added.polygon = polygon;
        added.internal = internal;
        if (!inserted) added.duplicate_of = it->second;
      }
    };
    for (const auto surface : boundary_surfaces) add_surface(surface, false);
    for (const auto surface : internal_surfaces) add_surface(surface, true);

    const auto nb_polyhedra = mesh.nb_polyhedra();
    for (index_t polyhedron = 0; polyhedron < nb_polyhedra; ++polyhedron) {
      if (mesh.polyhedron_volume(polyhedron) < 0.) {
        report_block(block, Kind::inverted_polyhedron,
                     {{block.id(), ElementType::polyhedron, polyhedron, NO_LID}},
                     mesh.polyhedron_barycenter(polyhedron),
                     str_cat(name, " polyhedron ", polyhedron, " has a negative volume"));
      }
      // An inner facet can only be an internal surface polygon when all its vertices are on the
      // block's surfaces, which needs three of the polyhedron's vertices there: the inner facets
      // of most polyhedra are skipped before any vertex of theirs is read.
      const auto polyhedron_vertices = mesh.polyhedron_vertices(polyhedron);
      const auto nb_on_surfaces = std::count_if(
          polyhedron_vertices.begin(), polyhedron_vertices.end(), [&](index_t vertex) {
            const auto unique = unique_vertex(unique_vertices, vertex);
            return unique != NO_ID && on_surfaces[unique] == block_index;
          });
      const auto nb_facets = mesh.nb_polyhedron_facets(polyhedron);
      for (local_index_t facet_id = 0; facet_id < nb_facets; ++facet_id) {
        const PolyhedronFacet facet{polyhedron, facet_id};
        const auto facet_element = ValidationElement{block.id(), ElementType::polyhedron_facet,
                                                      polyhedron, facet_id};
        const auto adjacent = mesh.polyhedron_adjacent(facet);
        if (adjacent) {
          if (const auto message = adjacency_fault(mesh, facet, *adjacent)) {
            report_block(block, Kind::inconsistent_adjacency, {facet_element},
                         mesh.polyhedron_facet_barycenter(facet),
                         str_cat(name, " polyhedron ", polyhedron, " facet ", int{facet_id}, " ",
                                 *message));
          }
          if (nb_on_surfaces < 3) continue;
        }
        const auto vertices = mesh.polyhedron_facet_vertices(facet);
        if (adjacent && std::any_of(vertices.begin(), vertices.end(), [&](index_t vertex) {
              const auto unique = unique_vertex(unique_vertices, vertex);
              return unique == NO_ID || on_surfaces[unique] != block_index;
            })) {
          continue;
        }
        if (!unique_cycle(vertices, unique_vertices, cycle)) continue;
        const auto found = polygon_index.find(cycle);
        if (found == polygon_index.end()) {
          if (!adjacent) {
            report_block(block, Kind::block_border_facet_not_on_surface, {facet_element},
                         mesh.polyhedron_facet_barycenter(facet),
                         str_cat(name, " polyhedron ", polyhedron, " facet ", int{facet_id},
                                 " is on the border of the mesh but is no polygon of the "
                                 "block's boundary or internal surfaces"));
          }
          continue;
        }
        auto& polygon = polygons[found->second];
        if (polygon.nb_facets++ == 0) polygon.first_facet = facet;
        if (!adjacent) ++polygon.nb_border_facets;
      }
    }

    for (const auto& polygon : polygons) {
      const auto& surface = *surfaces_[polygon.surface];
      const auto& surface_mesh = surface.mesh();
      const auto polygon_name =
          str_cat(surface.component_id().string(), " polygon ", polygon.polygon);
      std::vector<ValidationElement> elements{
          {surface.id(), ElementType::polygon, polygon.polygon, NO_LID}};
      const auto kind = polygon.internal ? Kind::internal_polygon_not_inner_facets
                                         : Kind::boundary_polygon_not_on_block_border;
      if (polygon.duplicate_of != NO_ID) {
        const auto& first = polygons[polygon.duplicate_of];
        const auto& first_surface = *surfaces_[first.surface];
        elements.push_back({first_surface.id(), ElementType::polygon, first.polygon, NO_LID});
        report_block(block, kind, std::move(elements),
                     surface_mesh.polygon_barycenter(polygon.polygon),
                     str_cat(polygon_name, " has the unique vertices of ",
                             first_surface.component_id().string(), " polygon ", first.polygon,
                             ", another polygon around ", name),
                     {surface.component_id(), first_surface.component_id()});
        continue;
      }
      const bool right = polygon.internal
                             ? polygon.nb_facets == 2 && polygon.nb_border_facets != 1
                             : polygon.nb_facets == 1 && polygon.nb_border_facets == 1;
      if (right) continue;
      if (polygon.nb_facets > 0) {
        elements.push_back({block.id(), ElementType::polyhedron_facet,
                            polygon.first_facet.polyhedron_id, polygon.first_facet.facet_id});
      }
      report_block(block, kind, std::move(elements),
                   surface_mesh.polygon_barycenter(polygon.polygon),
                   str_cat(polygon_name, " is ", polygon.nb_facets, " facets of the mesh of ",
                           name, ", ", polygon.nb_border_facets, " of them on its border; ",
                           polygon.internal
                               ? "an internal surface polygon needs two, adjacent or both on "
                                 "the border"
                               : "a boundary surface polygon needs one, on the border"),
                   {surface.component_id()});
    }
  }

  /// What is wrong with the adjacency across `facet`, if anything: the neighbour must point
  /// back through a facet on the same vertices. The vertices are compared once per pair of
  /// adjacent polyhedra, from the smaller one; from the larger one, only the pointer back is
  /// looked for.
  std::optional<std::string> adjacency_fault(const SolidMesh<3>& mesh,
                                             const PolyhedronFacet& facet,
                                             index_t adjacent) const {
    if (adjacent >= mesh.nb_polyhedra()) {
      return str_cat("is adjacent to polyhedron ", adjacent, ", which does not exist");
    }
    const bool compare_vertices = facet.polyhedron_id < adjacent;
    PolyhedronFacetVertices vertices;
    if (compare_vertices) vertices = mesh.polyhedron_facet_vertices(facet);
    bool points_back = false;
    const auto nb_facets = mesh.nb_polyhedron_facets(adjacent);
    for (local_index_t other = 0; other < nb_facets; ++other) {
      const PolyhedronFacet across{adjacent, other};
      if (mesh.polyhedron_adjacent(across) != facet.polyhedron_id) continue;
      points_back = true;
      if (!compare_vertices) return std::nullopt;
      const auto across_vertices = mesh.polyhedron_facet_vertices(across);
      if (across_vertices.size() == vertices.size() &&
          std::all_of(vertices.begin(), vertices.end(), [&](index_t vertex) {
            return std::find(across_vertices.begin(), across_vertices.end(), vertex) !=
                   across_vertices.end();
          })) {
        return std::nullopt;
      }
    }
    if (!points_back) {
      return str_cat("is adjacent to polyhedron ", adjacent, ", which is not adjacent back");
    }
    return str_cat("is adjacent to polyhedron ", adjacent, ", which lacks the facet");
  }

  /// The canonical cycle of the vertices' unique vertices; false when one is untied.
  template <typename Vertices>
  bool unique_cycle(const Vertices& vertices, absl::Span<const index_t> unique_vertices,
                    CycleKey& cycle) const {
    cycle.clear();
    for (const auto vertex : vertices) {
      const auto unique = unique_vertex(unique_vertices, vertex);
      if (unique == NO_ID) return false;
      cycle.push_back(unique);
    }
    make_canonical_cycle(cycle);
    return true;
  }

  void check_block_internal_lines(const Block<3>& block, index_t block_index,
                                  absl::Span<const index_t> unique_vertices)
    requires is_brep
  {
    const auto lines = related(model_.internals(block.id()), line_type);
    if (lines.empty()) return;
    // Reuses the stamps of the surface polygons with another mark: the block's own vertices.
    auto& on_block = block_unique_vertex_stamps_;
    const auto mark = static_cast<index_t>(blocks_.size() + block_index);
    for (index_t vertex = 0; vertex < unique_vertices.size(); ++vertex) {
      const auto unique = unique_vertex(unique_vertices, vertex);
      if (unique != NO_ID) on_block[unique] = mark;
    }
    for (const auto& id : lines) {
      const auto& line = model_.line(id);
      const auto line_unique_vertices = unique_vertices_of(id);
      for (index_t vertex = 0; vertex < line.mesh().nb_vertices(); ++vertex) {
        const auto unique = unique_vertex(line_unique_vertices, vertex);
        if (unique == NO_ID || on_block[unique] == mark) continue;
        report_block(block, Kind::internal_line_not_on_mesh, {vertex_element(id, vertex)},
                     line.mesh().point(vertex),
                     str_cat(line.component_id().string(), " is internal to ",
                             block.component_id().string(), " but its vertex ", vertex,
                             " is on none of the block's mesh vertices"),
                     {line.component_id()});
        break;
      }
    }
  }

  // ---- Relationships and model boundaries ---------------------------------------------------

  bool is_allowed_relation(const ComponentType& from, const ComponentType& to,
                           RelationType type) const {
    switch (type) {
      case RelationType::boundary:
        return (from == corner_type && to == line_type) ||
               (from == line_type && to == surface_type) ||
               (is_brep && from == surface_type && to == block_type);
      case RelationType::internal:
        return ((from == corner_type || from == line_type) && to == surface_type) ||
               (is_brep && to == block_type &&
                (from == corner_type || from == line_type || from == surface_type));
      case RelationType::item:
        return (from == corner_type && to == corner_collection_type) ||
               (from == line_type && to == line_collection_type) ||
               (from == surface_type && to == surface_collection_type) ||
               (is_brep && from == block_type && to == block_collection_type) ||
               (to == model_boundary_type && from == (is_brep ? surface_type : line_type));
    }
    return false;
  }

  static std::string_view relation_name(RelationType type) {
    switch (type) {
      case RelationType::boundary: return "a boundary of";
      case RelationType::internal: return "internal to";
      case RelationType::item: return "an item of";
    }
    return "related to";
  }

  void check_relationships() {
    for (const auto& relation : model_.relations()) {
      const bool has_from = has_component(relation.from);
      const bool has_to = has_component(relation.to);
      const auto description = str_cat(relation.from.string(), " is ",
                                        relation_name(relation.type), " ", relation.to.string());
      if (!has_from || !has_to) {
        const auto& owner = has_from ? relation.from : relation.to;
        problems_.report(owner, Kind::dangling_relation, [&] {
          ValidationProblem<D> problem;
          problem.components = {relation.from, relation.to};
          problem.message = str_cat(description, ", but the model has no ",
                                    (has_from ? relation.to : relation.from).string());
          return problem;
        });
        continue;
      }
      if (!is_allowed_relation(relation.from.type(), relation.to.type(), relation.type)) {
        problems_.report(relation.from, Kind::invalid_relation, [&] {
          ValidationProblem<D> problem;
          problem.components = {relation.from, relation.to};
          problem.message = str_cat(description, ", which a ", is_brep ? "BRep" : "Section",
                                    " does not allow");
          return problem;
        });
        continue;
      }
      if (relation.type == RelationType::boundary &&
          model_.is_internal(relation.from.id(), relation.to.id())) {
        problems_.report(relation.from, Kind::both_boundary_and_internal, [&] {
          ValidationProblem<D> problem;
          problem.components = {relation.from, relation.to};
          problem.message = str_cat(relation.from.string(), " is both a boundary of and internal to ",
                                    relation.to.string());
          return problem;
        });
      }
    }
  }

  template <typename Range>
  index_t count_related(const Range& relations, const ComponentType& type) const {
    return static_cast<index_t>(related(relations, type).size());
  }

  void report_incidences(const ComponentID& component, std::string message) {
    problems_.report(component, Kind::too_many_incidences, [&] {
      ValidationProblem<D> problem;
      problem.components.push_back(component);
      problem.message = std::move(message);
      return problem;
    });
  }

  /// A border component bounds at most two components of the next dimension, is internal to
  /// at most one, and not both.
  void check_sides(const ComponentID& component, const ComponentType& upper_type) {
    const auto nb_incidences = count_related(model_.incidences(component.id()), upper_type);
    const auto nb_embeddings = count_related(model_.embeddings(component.id()), upper_type);
    if (nb_incidences <= 2 && nb_embeddings <= 1 && (nb_incidences == 0 || nb_embeddings == 0)) {
      return;
    }
    report_incidences(component,
                      str_cat(component.string(), " bounds ", nb_incidences, " ",
                              upper_type.get(), "s and is internal to ", nb_embeddings,
                              "; at most two, or one internal and none bounded"));
  }

  void check_at_most_one_embedding(const ComponentID& component, const ComponentType& type) {
    const auto nb_embeddings = count_related(model_.embeddings(component.id()), type);
    if (nb_embeddings <= 1) return;
    report_incidences(component, str_cat(component.string(), " is internal to ", nb_embeddings,
                                         " ", type.get(), "s; at most one"));
  }

  void check_incidences() {
    if constexpr (is_brep) {
      for (const auto* surface : surfaces_) check_sides(surface->component_id(), block_type);
      for (const auto* corner : corners_) {
        check_at_most_one_embedding(corner->component_id(), block_type);
      }
      for (const auto* line : lines_) check_at_most_one_embedding(line->component_id(), block_type);
    } else {
      for (const auto* line : lines_) check_sides(line->component_id(), surface_type);
      for (const auto* corner : corners_) {
        check_at_most_one_embedding(corner->component_id(), surface_type);
      }
    }
  }

  void check_model_boundaries() {
    const auto& member_type = is_brep ? surface_type : line_type;
    const auto& upper_type = is_brep ? block_type : surface_type;
    for (const auto& boundary : model_.model_boundaries()) {
      if (count_related(model_.items(boundary.id()), member_type) > 0) continue;
      const auto boundary_id = boundary.component_id();
      problems_.report(boundary_id, Kind::empty_model_boundary, [&] {
        ValidationProblem<D> problem;
        problem.components.push_back(boundary_id);
        problem.message = str_cat(boundary_id.string(), " has no member");
        return problem;
      });
    }
    const auto check = [&](const ComponentID& component) {
      const auto nb_incidences = count_related(model_.incidences(component.id()), upper_type);
      const auto nb_boundaries =
          count_related(model_.collections(component.id()), model_boundary_type);
      const bool on_border = nb_incidences == 1;
      std::string message;
      Kind kind = Kind::model_boundary_wrong_item;
      if (on_border && nb_boundaries == 0) {
        kind = Kind::model_boundary_missing_item;
        message = str_cat(component.string(), " bounds one ", upper_type.get(),
                          " only but is in no model boundary");
      } else if (nb_boundaries > 1) {
        message = str_cat(component.string(), " is in ", nb_boundaries, " model boundaries");
      } else if (!on_border && nb_boundaries > 0 && !(is_brep && nb_incidences == 0)) {
        message = str_cat(component.string(), " is in a model boundary but bounds ",
                          nb_incidences, " ", upper_type.get(), "s, not one");
      } else {
        return;
      }
      problems_.report(component, kind, [&] {
        ValidationProblem<D> problem;
        problem.components.push_back(component);
        problem.message = std::move(message);
        return problem;
      });
    };
    if constexpr (is_brep) {
      for (const auto* surface : surfaces_) check(surface->component_id());
    } else {
      for (const auto* line : lines_) check(line->component_id());
    }
  }

  const Model& model_;
  const index_t nb_unique_vertices_;
  ProblemCollector<D> problems_;

  std::vector<ComponentEntry<D>> components_;
  std::vector<const Corner<D>*> corners_;
  std::vector<const Line<D>*> lines_;
  std::vector<const Surface<D>*> surfaces_;
  std::vector<const Block<3>*> blocks_;
  absl::flat_hash_map<uuid, index_t> corner_index_;
  absl::flat_hash_map<uuid, index_t> line_index_;
  absl::flat_hash_map<uuid, index_t> surface_index_;
  /// The first corner tied to each unique vertex, NO_ID for none.
  std::vector<index_t> corner_at_unique_vertex_;
  absl::flat_hash_map<index_t, absl::flat_hash_set<index_t>> cut_unique_vertices_;
  /// The border polygon edges of each surface that have tied ends, by unique edge.
  std::vector<std::vector<BorderEdge>> surface_border_edges_;
  /// Per unique vertex, the last block check that marked it (see check_block_mesh).
  std::vector<index_t> block_unique_vertex_stamps_;
};

}  // namespace

ValidationReport<3> validate_brep(const BRep& model) {
  return ModelValidator<BRep>{model}.validate();
}

ValidationReport<2> validate_section(const Section& model) {
  return ModelValidator<Section>{model}.validate();
}

}  // namespace veyra
