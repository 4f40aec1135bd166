// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>
#include <model/common/library.h>
#include <model/wireframe/corners_lines_builder.h>
#include <ostrel/basic/attribute.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace veyra::detail {
namespace {

constexpr std::string_view wireframe_vertex_id_name = "wireframe_vertex_id";
constexpr std::string_view corner_uuid_name = "corner_uuid";
constexpr std::string_view line_uuid_name = "line_uuid";
constexpr std::string_view line_vertex_name = "line_vertex";
constexpr std::string_view line_edge_name = "line_edge";

// The records are bookkeeping of this builder: carried along when the wireframe is imported
// elsewhere, never merged or interpolated.
const AttributeProperties record_properties{false, false, true};

using LineVertices = absl::flat_hash_map<uuid, index_t>;

// One 64-bit key per unordered pair of support mesh vertex ids: cheaper to hash and compare than
// an array, and the smaller id first makes both orders meet.
std::uint64_t pair_key(const std::array<index_t, 2>& ids) {
  const auto [low, high] = std::minmax(ids[0], ids[1]);
  return (static_cast<std::uint64_t>(low) << 32) | high;
}

}  // namespace

template <typename Model>
class CornersLinesBuilder<Model>::Impl {
  static constexpr index_t D = Model::dim;

 public:
  explicit Impl(Model& model)
      : model_(model),
        builder_(model),
        wireframe_(EdgedCurve<D>::create()),
        wireframe_builder_(EdgedCurveBuilder<D>::create(*wireframe_)),
        wireframe_vertex_id_(wireframe_->vertex_attribute_manager()
                                 .template find_or_create_attribute<VariableAttribute, index_t>(
                                     wireframe_vertex_id_name, NO_ID, record_properties)),
        corner_uuid_(wireframe_->vertex_attribute_manager()
                         .template find_or_create_attribute<SparseAttribute, uuid>(
                             corner_uuid_name, sentinel_uuid, record_properties)),
        line_uuid_(wireframe_->edge_attribute_manager()
                       .template find_or_create_attribute<VariableAttribute, uuid>(
                           line_uuid_name, sentinel_uuid, record_properties)),
        line_vertex_(wireframe_->vertex_attribute_manager()
                         .template find_or_create_attribute<VariableAttribute, LineVertices>(
                             line_vertex_name, LineVertices{})),
        line_edge_(wireframe_->edge_attribute_manager()
                       .template find_or_create_attribute<VariableAttribute, index_t>(
                           line_edge_name, NO_ID, record_properties)) {}

  const Model& model() const { return model_; }
  typename Model::Builder& model_builder() { return builder_; }
  const EdgedCurve<D>& wireframe() const { return *wireframe_; }

  std::pair<index_t, bool> find_or_create_vertex(index_t support_vertex, const Point<D>& point) {
    const auto nb_registered = static_cast<index_t>(support_to_wireframe_vertex_.size());
    const auto [entry, created] =
        support_to_wireframe_vertex_.try_emplace(support_vertex, nb_registered);
    const auto vertex = entry->second;
    if (created) {
      const auto new_vertex = wireframe_builder_->create_point(point);
      OSTREL_ASSERT(new_vertex == vertex, "wireframe vertices follow their registrations");
      wireframe_vertex_id_->set_value(new_vertex, support_vertex);
    }
    const auto& registered = wireframe_->point(vertex);
    if (!registered.inexact_equal(point)) {
      throw_model_exception_at(point, OstrelException::TYPE::internal,
                               "[CornersLinesBuilder::find_or_create_vertex] Different location "
                               "between given point and already created vertex, given ",
                               point.string(), ", but registered ", registered.string(),
                               " on wireframe vertex id ", vertex,
                               " corresponding to unique_vertex ", support_vertex);
    }
    return {vertex, created};
  }

  std::pair<index_t, bool> find_or_create_edge(const std::array<index_t, 2>& support_vertices,
                                               const std::array<Point<D>, 2>& points) {
    const auto key = pair_key(support_vertices);
    if (const auto found = support_pair_to_wireframe_edge_.find(key);
        found != support_pair_to_wireframe_edge_.end()) {
      return {found->second, false};
    }
    // The ends are registered before the edge exists, so that a location mismatch on either end
    // leaves no half-made edge behind. The edge lists around the ends come out the same as when
    // the ends are attached one after the other.
    const auto vertex0 = find_or_create_vertex(support_vertices[0], points[0]).first;
    const auto vertex1 = find_or_create_vertex(support_vertices[1], points[1]).first;
    const auto nb_registered = static_cast<index_t>(support_pair_to_wireframe_edge_.size());
    const auto edge = wireframe_builder_->create_edge(vertex0, vertex1);
    OSTREL_ASSERT(edge == nb_registered, "wireframe edges follow their registrations");
    support_pair_to_wireframe_edge_.emplace(key, nb_registered);
    return {edge, true};
  }

  bool has_corner(index_t vertex) const { return corner_uuid_->value(vertex) != sentinel_uuid; }
  bool has_line(index_t edge) const { return line_uuid_->value(edge) != sentinel_uuid; }

  bool add_corner(index_t vertex) {
    if (has_corner(vertex)) return false;
    create_corner(vertex);
    return true;
  }

  void create_corner(index_t vertex) {
    const auto corner = builder_.add_corner();
    builder_.corner_mesh_builder(corner)->create_point(wireframe_->point(vertex));
    corner_uuid_->set_value(vertex, corner);
    builder_.set_unique_vertex({{Corner<D>::component_type_static(), corner}, 0},
                               support_mesh_vertex_id(vertex));
  }

  void check_unique_vertices() const {
    if (model_.nb_unique_vertices() < wireframe_->nb_vertices()) {
      throw VeyraConversionModelException{
          nullptr, OstrelException::TYPE::internal,
          "[CornersLinesBuilder::build_corners] Model VertexIdentifier not initialized"};
    }
  }

  void build_lines() {
    for (index_t corner_vertex = 0; corner_vertex < wireframe_->nb_vertices(); ++corner_vertex) {
      if (!has_corner(corner_vertex)) continue;
      // The lines step changes attributes only, never the wireframe's edges, so the list stays
      // valid while lines are created.
      const auto& around = wireframe_->edges_around_vertex(corner_vertex);
      for (const auto& edge_vertex : around) {
        if (has_line(edge_vertex.edge_id)) continue;
        create_line(edge_vertex, true);
      }
    }
    for (index_t edge = 0; edge < wireframe_->nb_edges(); ++edge) {
      if (has_line(edge)) continue;
      create_line({edge, 0}, false);
    }
  }

  std::optional<index_t> wireframe_edge_id(const std::array<index_t, 2>& support_vertices) const {
    const auto found = support_pair_to_wireframe_edge_.find(pair_key(support_vertices));
    if (found == support_pair_to_wireframe_edge_.end()) return std::nullopt;
    return found->second;
  }

  std::optional<index_t> wireframe_vertex_id(index_t support_vertex) const {
    const auto found = support_to_wireframe_vertex_.find(support_vertex);
    if (found == support_to_wireframe_vertex_.end()) return std::nullopt;
    return found->second;
  }

  index_t support_mesh_vertex_id(index_t vertex) const {
    return wireframe_vertex_id_->value(vertex);
  }
  const uuid& line_uuid(index_t edge) const { return line_uuid_->value(edge); }
  std::optional<uuid> corner_uuid(index_t vertex) const {
    const auto& corner = corner_uuid_->value(vertex);
    if (corner == sentinel_uuid) return std::nullopt;
    return corner;
  }
  index_t line_edge_id(index_t edge) const { return line_edge_->value(edge); }
  index_t line_vertex_id(index_t vertex, const uuid& line) const {
    return line_vertex_->value(vertex).at(line);
  }

  void declare_corner(index_t vertex, const uuid& corner) const {
    corner_uuid_->set_value(vertex, corner);
  }
  void declare_line_edge(index_t edge, const uuid& line, index_t line_edge) const {
    line_uuid_->set_value(edge, line);
    line_edge_->set_value(edge, line_edge);
  }

  void remove_line_edges(absl::Span<const uuid> lines) {
    const absl::flat_hash_set<uuid> removed{lines.begin(), lines.end()};
    const auto nb_edges = wireframe_->nb_edges();
    std::vector<bool> to_delete(nb_edges, false);
    bool any = false;
    for (index_t edge = 0; edge < nb_edges; ++edge) {
      if (removed.contains(line_uuid_->value(edge))) {
        to_delete[edge] = true;
        any = true;
      }
    }
    if (!any) return;
    const auto old2new = wireframe_builder_->delete_edges(to_delete);
    for (auto entry = support_pair_to_wireframe_edge_.begin();
         entry != support_pair_to_wireframe_edge_.end();) {
      const auto new_edge = old2new[entry->second];
      if (new_edge == NO_ID) {
        support_pair_to_wireframe_edge_.erase(entry++);
      } else {
        entry->second = new_edge;
        ++entry;
      }
    }
  }

  void reserve(index_t nb_vertices, index_t nb_edges) {
    support_to_wireframe_vertex_.reserve(nb_vertices);
    support_pair_to_wireframe_edge_.reserve(nb_edges);
    wireframe_builder_->reserve_vertices(nb_vertices);
  }

 private:
  void assign_edge(index_t edge, const uuid& line, index_t line_edge) {
    line_uuid_->set_value(edge, line);
    line_edge_->set_value(edge, line_edge);
  }

  // The first edge around `vertex`, in the wireframe's order, that no line claims yet.
  std::optional<EdgeVertex> first_free_edge(index_t vertex) const {
    for (const auto& edge_vertex : wireframe_->edges_around_vertex(vertex)) {
      if (!has_line(edge_vertex.edge_id)) return edge_vertex;
    }
    return std::nullopt;
  }

  // Fills path_ with the wireframe vertices of the line that leaves `start` (an edge end),
  // claiming each edge for the line on the way. The walk stops at a corner or on coming back to
  // its first vertex, which is then listed twice.
  void walk(const EdgeVertex& start, const uuid& line) {
    path_.clear();
    path_.push_back(wireframe_->edge_vertex(start));
    assign_edge(start.edge_id, line, 0);
    path_.push_back(wireframe_->edge_vertex(start.opposite()));
    while (!has_corner(path_.back()) && path_.back() != path_.front()) {
      const auto last = path_.back();
      const auto next = first_free_edge(last);
      if (!next) {
        throw_model_exception_at(wireframe_->point(last), OstrelException::TYPE::internal,
                                 "[CornersLinesBuilder::build_lines] Line walk stopped on "
                                 "wireframe vertex ",
                                 last, " (unique vertex ", support_mesh_vertex_id(last),
                                 "): it is no corner and has no free edge left");
      }
      assign_edge(next->edge_id, line, static_cast<index_t>(path_.size() - 1));
      path_.push_back(wireframe_->edge_vertex(next->opposite()));
    }
  }

  void create_line(const EdgeVertex& start, bool started_at_corner) {
    const auto line = builder_.add_line();
    walk(start, line);
    build_line_mesh(line, started_at_corner);
    add_corner_boundaries(line, started_at_corner);
  }

  void build_line_mesh(const uuid& line, bool started_at_corner) {
    const auto nb_listed = static_cast<index_t>(path_.size());
    const bool closed = path_.front() == path_.back() && !started_at_corner;
    const auto nb_vertices = closed ? nb_listed - 1 : nb_listed;
    auto mesh_builder = builder_.line_mesh_builder(line);
    mesh_builder->reserve_vertices(nb_vertices);
    const ComponentID component{Line<D>::component_type_static(), line};
    for (index_t i = 0; i < nb_vertices; ++i) {
      const auto vertex = path_[i];
      const auto line_vertex = mesh_builder->create_point(wireframe_->point(vertex));
      builder_.set_unique_vertex({component, line_vertex}, support_mesh_vertex_id(vertex));
      line_vertex_->modify_value(
          vertex, [&](LineVertices& vertices) { vertices.insert_or_assign(line, line_vertex); });
    }
    for (index_t i = 0; i + 2 < nb_listed; ++i) mesh_builder->create_edge(i, i + 1);
    mesh_builder->create_edge(nb_listed - 2, closed ? 0 : nb_listed - 1);
  }

  void add_corner_boundaries(const uuid& line_id, bool started_at_corner) {
    const auto first = path_.front();
    const auto last = path_.back();
    if (first == last && !started_at_corner) return;
    const auto& line = model_.line(line_id);
    builder_.add_corner_line_boundary_relationship(model_.corner(corner_uuid_->value(first)), line);
    if (first != last) {
      builder_.add_corner_line_boundary_relationship(model_.corner(corner_uuid_->value(last)),
                                                     line);
    }
  }

  Model& model_;
  typename Model::Builder builder_;
  std::unique_ptr<EdgedCurve<D>> wireframe_;
  std::unique_ptr<EdgedCurveBuilder<D>> wireframe_builder_;
  std::shared_ptr<VariableAttribute<index_t>> wireframe_vertex_id_;
  std::shared_ptr<SparseAttribute<uuid>> corner_uuid_;
  std::shared_ptr<VariableAttribute<uuid>> line_uuid_;
  std::shared_ptr<VariableAttribute<LineVertices>> line_vertex_;
  std::shared_ptr<VariableAttribute<index_t>> line_edge_;
  absl::flat_hash_map<index_t, index_t> support_to_wireframe_vertex_;
  absl::flat_hash_map<std::uint64_t, index_t> support_pair_to_wireframe_edge_;
  // Scratch list of the current walk, reused by every line.
  std::vector<index_t> path_;
};

template <typename Model>
CornersLinesBuilder<Model>::CornersLinesBuilder(Model& model)
    : impl_{std::make_unique<Impl>(model)} {}

template <typename Model>
CornersLinesBuilder<Model>::~CornersLinesBuilder() = default;

template <typename Model>
void CornersLinesBuilder<Model>::build() {
  build_wireframe_step();
  build_corners_step();
  build_lines_step();
}

template <typename Model>
void CornersLinesBuilder<Model>::build_corners_step() {
  impl_->check_unique_vertices();
  const auto nb_vertices = impl_->wireframe().nb_vertices();
  for (index_t vertex = 0; vertex < nb_vertices; ++vertex) {
    if (impl_->has_corner(vertex) || !is_corner(vertex)) continue;
    // is_corner may have declared a corner there itself.
    if (impl_->has_corner(vertex)) continue;
    impl_->create_corner(vertex);
  }
}

template <typename Model>
void CornersLinesBuilder<Model>::build_lines_step() {
  impl_->build_lines();
}

template <typename Model>
void CornersLinesBuilder<Model>::add_corner(index_t wireframe_vertex) {
  impl_->add_corner(wireframe_vertex);
}

template <typename Model>
auto CornersLinesBuilder<Model>::wireframe() const -> const EdgedCurve<dimension>& {
  return impl_->wireframe();
}

template <typename Model>
std::optional<index_t> CornersLinesBuilder<Model>::wireframe_edge_id(
    const std::array<index_t, 2>& support_vertices) const {
  return impl_->wireframe_edge_id(support_vertices);
}

template <typename Model>
std::optional<index_t> CornersLinesBuilder<Model>::wireframe_vertex_id(
    index_t support_vertex) const {
  return impl_->wireframe_vertex_id(support_vertex);
}

template <typename Model>
index_t CornersLinesBuilder<Model>::support_mesh_vertex_id(index_t wireframe_vertex) const {
  return impl_->support_mesh_vertex_id(wireframe_vertex);
}

template <typename Model>
const uuid& CornersLinesBuilder<Model>::line_uuid(index_t wireframe_edge) const {
  return impl_->line_uuid(wireframe_edge);
}

template <typename Model>
std::optional<uuid> CornersLinesBuilder<Model>::corner_uuid(index_t wireframe_vertex) const {
  return impl_->corner_uuid(wireframe_vertex);
}

template <typename Model>
index_t CornersLinesBuilder<Model>::line_edge_id(index_t wireframe_edge) const {
  return impl_->line_edge_id(wireframe_edge);
}

template <typename Model>
index_t CornersLinesBuilder<Model>::line_vertex_id(index_t wireframe_vertex,
                                                   const uuid& line) const {
  return impl_->line_vertex_id(wireframe_vertex, line);
}

template <typename Model>
std::pair<index_t, bool> CornersLinesBuilder<Model>::find_or_create_vertex(
    index_t support_vertex, const Point<dimension>& point) {
  return impl_->find_or_create_vertex(support_vertex, point);
}

template <typename Model>
std::pair<index_t, bool> CornersLinesBuilder<Model>::find_or_create_edge(
    const std::array<index_t, 2>& support_vertices, const std::array<Point<dimension>, 2>& points) {
  return impl_->find_or_create_edge(support_vertices, points);
}

template <typename Model>
std::pair<index_t, bool> CornersLinesBuilder<Model>::find_or_create_corner(
    index_t support_vertex, const Point<dimension>& point) {
  const auto vertex = impl_->find_or_create_vertex(support_vertex, point).first;
  return {vertex, impl_->add_corner(vertex)};
}

template <typename Model>
void CornersLinesBuilder<Model>::declare_corner(index_t wireframe_vertex,
                                                const uuid& corner) const {
  impl_->declare_corner(wireframe_vertex, corner);
}

template <typename Model>
void CornersLinesBuilder<Model>::undeclare_corner(index_t wireframe_vertex) const {
  impl_->declare_corner(wireframe_vertex, sentinel_uuid);
}

template <typename Model>
void CornersLinesBuilder<Model>::declare_line_edge(index_t wireframe_edge, const uuid& line,
                                                   index_t line_edge) const {
  impl_->declare_line_edge(wireframe_edge, line, line_edge);
}

template <typename Model>
void CornersLinesBuilder<Model>::remove_line_edges(const uuid& line) {
  impl_->remove_line_edges(absl::MakeConstSpan(&line, 1));
}

template <typename Model>
void CornersLinesBuilder<Model>::remove_line_edges(absl::Span<const uuid> lines) {
  impl_->remove_line_edges(lines);
}

template <typename Model>
void CornersLinesBuilder<Model>::reserve_wireframe(index_t nb_vertices, index_t nb_edges) {
  impl_->reserve(nb_vertices, nb_edges);
}

template <typename Model>
const Model& CornersLinesBuilder<Model>::model() const {
  return impl_->model();
}

template <typename Model>
auto CornersLinesBuilder<Model>::model_builder() -> ModelBuilder& {
  return impl_->model_builder();
}

template class CornersLinesBuilder<Section>;
template class CornersLinesBuilder<BRep>;

}  // namespace veyra::detail
