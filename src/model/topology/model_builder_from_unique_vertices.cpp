// SPDX-License-Identifier: MIT
#include <model/topology/model_builder_from_unique_vertices.h>

#include <algorithm>
#include <any>
#include <optional>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>
#include <absl/container/inlined_vector.h>

#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/logger.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section.h>
#include <ostrel/model/section_builder.h>

#include <model/common/library.h>
#include <model/topology/block_boundary_surfaces.h>
#include <model/topology/engine_context.h>
#include <model/topology/identify_blocks.h>
#include <model/topology/identify_surfaces.h>
#include <model/topology/model_boundaries_update.h>
#include <model/topology/repair_surfaces.h>
#include <model/topology/split_single_edge_internal_lines.h>
#include <model/wireframe/corners_lines_identifier.h>

namespace veyra::detail {
namespace {

using UuidSet = absl::flat_hash_set<uuid>;

UuidSet to_set(absl::Span<const uuid> ids) { return {ids.begin(), ids.end()}; }

// The unique vertex of each vertex of a component (NO_ID beyond the ties' span).
index_t tied(absl::Span<const index_t> ties, index_t vertex) {
  return vertex < ties.size() ? ties[vertex] : NO_ID;
}

// The mesh vertices of one unique vertex, sorted by the kind of component they belong to.
struct UniqueVertexTies {
  absl::InlinedVector<ComponentMeshVertex, 2> lines;
  absl::InlinedVector<ComponentMeshVertex, 4> surfaces;
  bool has_corner{false};
};

}  // namespace

template <typename Model>
class ModelBuilderFromUniqueVertices<Model>::Impl : public CornersLinesIdentifier<Model> {
  static constexpr index_t D = Model::dim;
  using Base = CornersLinesIdentifier<Model>;

 public:
  Impl(Model& model, const ModelBuildTopologyParameters& parameters)
      : Base(model, parameters.merge_components),
        model_(model),
        parameters_(parameters),
        context_(model, this->model_builder(), *this, this->mappings(),
                 parameters.merge_components) {
    Logger::log_trace("[ModelBuilderFromUniqueVertices] Start with ", model.nb_corners(),
                      " corners, ", model.nb_lines(), " lines, ", model.nb_surfaces(),
                      " surfaces and ", model.nb_unique_vertices(), " unique vertices");
    if constexpr (D == 3) {
      if (!parameters.merge_components) {
        internal::add_block_boundaries_as_surfaces_in_model(model_, builder());
      }
    }
    check_unique_vertices();
    colocate_unique_vertices();
    check_model();
    split_multi_vertex_corners();
    remove_degenerate_line_edges();
    remove_duplicated_line_edges();
    repair_surfaces(context_);
    this->build_unique_edges_inventory();
  }

  ~Impl() override = default;

  ModelMappings<Model> update_model() {
    context_.merge_components = parameters_.merge_components;
    this->identify_corners_and_lines(context_.old_corners, context_.old_lines);
    internal::identify_surfaces(context_);
    if (parameters_.merge_components) {
      this->build_unique_edges_inventory();
      remove_unneeded_new_corners();
      this->merge_lines_not_bounded_by_corners(context_.old_lines);
    }
    create_missing_corners();
    for (const auto& surface : model_.surfaces()) add_internal_corners_to_surface(surface);
    auto& mappings = this->mappings();
    if constexpr (D == 3) internal::identify_blocks(model_, builder(), mappings);
    if (const auto boundary = internal::build_new_model_boundary(model_, builder())) {
      mappings.created_components.at(model_boundary_type()).push_back(*boundary);
    }
    for (const auto& removed : internal::remove_obsolete_model_boundaries(model_, builder())) {
      mappings.removed_components.at(model_boundary_type()).push_back(removed);
    }
    finalize_mappings();
    split_single_edge_internal_lines(context_);
    propagate_inactive_components();
    Logger::log_debug("[ModelBuilderFromUniqueVertices::update_model] ", model_.nb_corners(),
                      " corners, ", model_.nb_lines(), " lines, ", model_.nb_surfaces(),
                      " surfaces");
    return std::move(this->steal_mappings());
  }

 private:
  typename Model::Builder& builder() { return this->model_builder(); }

  static const ComponentType& corner_type() {
    static const auto type = Corner<D>::component_type_static();
    return type;
  }
  static const ComponentType& line_type() {
    static const auto type = Line<D>::component_type_static();
    return type;
  }
  static const ComponentType& surface_type() {
    static const auto type = Surface<D>::component_type_static();
    return type;
  }
  static const ComponentType& model_boundary_type() {
    static const auto type = ModelBoundary<D>::component_type_static();
    return type;
  }

  // ----- Construction -----

  template <typename Range>
  void check_component_ties(const Range& components, std::string_view kind) {
    for (const auto& component : components) {
      const auto& mesh = component.mesh();
      const auto ties = model_.component_unique_vertices(component.id());
      for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
        if (tied(ties, v) != NO_ID) continue;
        throw_model_exception_at(
            mesh.point(v), OstrelException::TYPE::input,
            "[ModelBuilderFromUniqueVertices::check_unique_vertices] Missing unique vertex for ",
            kind);
      }
    }
  }

  void check_unique_vertices() {
    if (model_.nb_unique_vertices() == 0) {
      throw VeyraConversionModelException{
          nullptr, OstrelException::TYPE::input,
          "[ModelBuilderFromUniqueVertices::check_unique_vertices] No unique vertices in input "
          "model"};
    }
    check_component_ties(model_.corners(), "corner");
    check_component_ties(model_.lines(), "line");
    check_component_ties(model_.surfaces(), "surface");
  }

  // The corner, line and surface meshes by component id; block meshes are left out on
  // purpose: colocation never reads nor moves them.
  absl::flat_hash_map<uuid, const GeometricMesh<D>*> colocated_meshes() const {
    absl::flat_hash_map<uuid, const GeometricMesh<D>*> meshes;
    meshes.reserve(model_.nb_corners() + model_.nb_lines() + model_.nb_surfaces());
    for (const auto& corner : model_.corners()) meshes.emplace(corner.id(), &corner.mesh());
    for (const auto& line : model_.lines()) meshes.emplace(line.id(), &line.mesh());
    for (const auto& surface : model_.surfaces()) meshes.emplace(surface.id(), &surface.mesh());
    return meshes;
  }

  void colocate_unique_vertices() {
    const auto meshes = colocated_meshes();
    // Most unique vertices are already exact: their vertices are only compared.
    absl::InlinedVector<std::pair<ComponentMeshVertex, const GeometricMesh<D>*>, 8> vertices;
    for (index_t unique_vertex = 0; unique_vertex < model_.nb_unique_vertices(); ++unique_vertex) {
      vertices.clear();
      for (const auto& cmv : model_.component_mesh_vertices(unique_vertex)) {
        const auto found = meshes.find(cmv.component_id.id());
        if (found == meshes.end()) continue;
        vertices.emplace_back(cmv, found->second);
      }
      const auto reference =
          vertices.empty() ? Point<D>{} : vertices.front().second->point(vertices.front().first.vertex);
      set_model_unique_vertex_point(unique_vertex, reference, vertices);
    }
  }

  template <typename Vertices>
  void set_model_unique_vertex_point(index_t unique_vertex, const Point<D>& reference,
                                     const Vertices& vertices) {
    for (const auto& [cmv, mesh] : vertices) {
      const auto& point = mesh->point(cmv.vertex);
      if (point == reference) continue;
      if (!point.inexact_equal(reference)) {
        Logger::log_warn("[",
                         "[ModelBuilderFromUniqueVertices::set_model_unique_vertex_point] Unique "
                         "vertex ",
                         unique_vertex, " has cmv ", cmv.string(), " at location ",
                         point.string(), "] which is different from reference [",
                         reference.string(), "], they will be colocalized on reference.");
      }
      move_vertex(cmv, reference);
    }
  }

  void move_vertex(const ComponentMeshVertex& cmv, const Point<D>& point) {
    const auto& id = cmv.component_id.id();
    const auto& type = cmv.component_id.type();
    if (type == surface_type()) {
      builder().surface_mesh_builder(id)->set_point(cmv.vertex, point);
    } else if (type == line_type()) {
      builder().line_mesh_builder(id)->set_point(cmv.vertex, point);
    } else {
      builder().corner_mesh_builder(id)->set_point(cmv.vertex, point);
    }
  }

  // BRep only: the block relations the identification relies on.
  void check_model() {
    if constexpr (D == 3) {
      for (const auto& block : model_.blocks()) {
        if (model_.nb_boundaries(block) != 0) continue;
        throw VeyraConversionModelException{
            nullptr, OstrelException::TYPE::input,
            "[ModelBuilderFromUniqueVertices] A block must have at least one boundary surface."};
      }
      for (const auto& surface : model_.surfaces()) {
        if (model_.nb_embedding_blocks(surface) > 1) {
          throw VeyraConversionModelException{
              nullptr, OstrelException::TYPE::input,
              "[ModelBuilderFromUniqueVertices] A surface cannot have several embedding blocks."};
        }
        if (model_.nb_incidences(surface) > 2) {
          throw VeyraConversionModelException{
              nullptr, OstrelException::TYPE::input,
              "[ModelBuilderFromUniqueVertices] A surface cannot have more than two incident "
              "blocks."};
        }
      }
    }
  }

  void split_multi_vertex_corners() {
    std::vector<uuid> corners;
    for (const auto& corner : model_.corners()) {
      if (corner.mesh().nb_vertices() > 1) corners.push_back(corner.id());
    }
    auto& mappings = this->mappings();
    auto& corner_mapping = mappings.component_mappings.at(corner_type());
    for (const auto& old_id : corners) {
      const auto& old_corner = model_.corner(old_id);
      const auto& old_mesh = old_corner.mesh();
      const auto ties = std::vector<index_t>(model_.component_unique_vertices(old_id).begin(),
                                             model_.component_unique_vertices(old_id).end());
      std::vector<index_t> old2new(old_mesh.nb_vertices(), NO_ID);
      for (index_t v = 0; v < old_mesh.nb_vertices(); ++v) {
        const auto new_id = builder().add_corner();
        if (const auto name = old_corner.name()) builder().set_corner_name(new_id, *name);
        corner_mapping.map(old_id, new_id);
        mappings.mesh_vertices.corners.map({old_id, v}, {new_id, 0});
        mappings.mesh_elements.corners.map({old_id, v}, {new_id, 0});
        builder().corner_mesh_builder(new_id)->create_point(old_mesh.point(v));
        const ComponentID new_component{corner_type(), new_id};
        builder().set_unique_vertex({new_component, 0}, tied(ties, v));
        old2new[v] = 0;
        model_.corner(new_id).mesh().vertex_attribute_manager().import(
            old_mesh.vertex_attribute_manager(), old2new);
        old2new[v] = NO_ID;
        copy_corner_relationships(old_id, new_component);
      }
      builder().remove_corner(old_corner);
    }
  }

  void copy_corner_relationships(const uuid& old_id, const ComponentID& new_component) {
    // Copied first: adding relations may move the lists the ranges read.
    std::vector<ComponentID> embeddings;
    std::vector<ComponentID> incidences;
    std::vector<ComponentID> collections;
    for (const auto& other : model_.embeddings(old_id)) embeddings.push_back(other);
    for (const auto& other : model_.incidences(old_id)) incidences.push_back(other);
    for (const auto& other : model_.collections(old_id)) collections.push_back(other);
    for (const auto& other : embeddings) builder().add_internal_relation(new_component, other);
    for (const auto& other : incidences) builder().add_boundary_relation(new_component, other);
    for (const auto& other : collections) builder().add_item_in_collection(new_component, other);
  }

  // Deletes the flagged edges of every line whose test flags any.
  template <typename Flagger>
  void delete_line_edges(Flagger&& flag_edges) {
    std::vector<bool> to_delete;
    for (const auto& line : model_.lines()) {
      const auto& mesh = line.mesh();
      to_delete.assign(mesh.nb_edges(), false);
      if (!flag_edges(mesh, to_delete)) continue;
      builder().line_mesh_builder(line.id())->delete_edges(to_delete);
    }
  }

  void remove_degenerate_line_edges() {
    delete_line_edges([](const EdgedCurve<D>& mesh, std::vector<bool>& to_delete) {
      bool any = false;
      for (index_t e = 0; e < mesh.nb_edges(); ++e) {
        const auto ends = mesh.edge_vertices(e);
        if (ends[0] != ends[1]) continue;
        to_delete[e] = true;
        any = true;
      }
      return any;
    });
  }

  void remove_duplicated_line_edges() {
    absl::flat_hash_set<std::pair<index_t, index_t>> seen;
    delete_line_edges([&seen](const EdgedCurve<D>& mesh, std::vector<bool>& to_delete) {
      seen.clear();
      seen.reserve(mesh.nb_edges());
      bool any = false;
      for (index_t e = 0; e < mesh.nb_edges(); ++e) {
        const auto ends = mesh.edge_vertices(e);
        if (seen.emplace(std::minmax(ends[0], ends[1])).second) continue;
        to_delete[e] = true;
        any = true;
      }
      return any;
    });
  }

  // ----- Update steps -----

  void remove_unneeded_new_corners() {
    const auto old_corners = to_set(context_.old_corners);
    std::vector<uuid> unneeded;
    for (const auto& corner : model_.corners()) {
      if (old_corners.contains(corner.id())) continue;
      const auto unique_vertex = model_.unique_vertex({corner.component_id(), 0});
      const auto wireframe_vertex = this->wireframe_vertex_id(unique_vertex).value();
      if (this->should_be_corner(wireframe_vertex)) continue;
      this->undeclare_corner(wireframe_vertex);
      unneeded.push_back(corner.id());
    }
    for (const auto& id : unneeded) builder().remove_corner(model_.corner(id));
  }

  UniqueVertexTies sorted_ties(index_t unique_vertex) const {
    UniqueVertexTies ties;
    for (const auto& cmv : model_.component_mesh_vertices(unique_vertex)) {
      const auto& type = cmv.component_id.type();
      if (type == line_type()) {
        ties.lines.push_back(cmv);
      } else if (type == surface_type()) {
        ties.surfaces.push_back(cmv);
      } else if (type == corner_type()) {
        ties.has_corner = true;
      }
    }
    return ties;
  }

  const Point<D>& point_of(const ComponentMeshVertex& cmv) const {
    const auto& id = cmv.component_id.id();
    if (cmv.component_id.type() == line_type()) return model_.line(id).mesh().point(cmv.vertex);
    return model_.surface(id).mesh().point(cmv.vertex);
  }

  [[noreturn]] void throw_missing_corner(index_t unique_vertex,
                                         const UniqueVertexTies& ties) const {
    const auto& point = point_of(ties.lines.front());
    std::string around;
    for (const auto& cmv : ties.lines) absl::StrAppend(&around, ", ", cmv.string());
    throw_model_exception_at(
        point, OstrelException::TYPE::internal,
        "[ModelBuilderFromUniqueVertices::create_missing_corners] Missing corner on intersection "
        "with multiple lines on unique vertex ",
        unique_vertex, " at position [", point.string(), "], with ", ties.lines.size(),
        " line cmvs around: ", around);
  }

  // A corner at the first vertex's point, internal to the surface of each vertex, declared on
  // the wireframe when the unique vertex is there.
  template <typename Vertices>
  void add_corner_in_surfaces(index_t unique_vertex, const Vertices& surface_vertices) {
    const auto corner_id = builder().add_corner();
    builder().corner_mesh_builder(corner_id)->create_point(point_of(surface_vertices.front()));
    builder().set_unique_vertex({ComponentID{corner_type(), corner_id}, 0}, unique_vertex);
    const auto& corner = model_.corner(corner_id);
    for (const auto& cmv : surface_vertices) {
      const auto& surface = model_.surface(cmv.component_id.id());
      if (model_.is_internal(corner, surface)) continue;
      builder().add_corner_surface_internal_relationship(corner, surface);
    }
    if (const auto wireframe_vertex = this->wireframe_vertex_id(unique_vertex)) {
      this->declare_corner(*wireframe_vertex, corner_id);
    }
  }

  void create_missing_corners() {
    std::vector<uuid> lines_to_split;
    absl::InlinedVector<ComponentMeshVertex, 4> kept;
    index_t nb_created = 0;
    for (index_t unique_vertex = 0; unique_vertex < model_.nb_unique_vertices(); ++unique_vertex) {
      const auto ties = sorted_ties(unique_vertex);
      if (ties.has_corner) continue;
      if (ties.lines.size() >= 2) throw_missing_corner(unique_vertex, ties);
      if (ties.surfaces.size() < 2) continue;
      if (ties.lines.empty()) {
        add_corner_in_surfaces(unique_vertex, ties.surfaces);
        ++nb_created;
        continue;
      }
      const auto& line = ties.lines.front().component_id.id();
      kept.clear();
      for (const auto& cmv : ties.surfaces) {
        const auto& surface = cmv.component_id.id();
        if (model_.is_internal(line, surface) || model_.is_boundary(line, surface)) continue;
        kept.push_back(cmv);
      }
      if (kept.empty()) continue;
      add_corner_in_surfaces(unique_vertex, kept);
      ++nb_created;
      lines_to_split.push_back(line);
    }
    Logger::log_debug("[ModelBuilderFromUniqueVertices::create_missing_corners] ", nb_created,
                      " corners created");
    if (lines_to_split.empty()) return;
    std::sort(lines_to_split.begin(), lines_to_split.end());
    lines_to_split.erase(std::unique(lines_to_split.begin(), lines_to_split.end()),
                         lines_to_split.end());
    this->split_lines_by_corners(context_.old_lines, lines_to_split);
  }

  void add_internal_corners_to_surface(const Surface<D>& surface) {
    const auto& mesh = surface.mesh();
    const auto ties = model_.component_unique_vertices(surface.id());
    for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
      const auto unique_vertex = tied(ties, v);
      if (unique_vertex == NO_ID) continue;
      const auto wireframe_vertex = this->wireframe_vertex_id(unique_vertex);
      if (!wireframe_vertex) continue;
      const auto corner = this->corner_uuid(*wireframe_vertex);
      if (!corner) continue;
      if (mesh.is_vertex_on_border(v)) continue;
      if (model_.is_internal(*corner, surface.id())) continue;
      if (line_related_to_surface(unique_vertex, surface.id())) continue;
      builder().add_corner_surface_internal_relationship(model_.corner(*corner), surface);
    }
  }

  bool line_related_to_surface(index_t unique_vertex, const uuid& surface) const {
    for (const auto& cmv : model_.component_mesh_vertices(unique_vertex)) {
      if (cmv.component_id.type() != line_type()) continue;
      const auto& line = cmv.component_id.id();
      if (model_.is_internal(line, surface) || model_.is_boundary(line, surface)) return true;
    }
    return false;
  }

  // ----- Mapping finalization -----

  static void resolve_chains(GenericMapping<uuid>& mapping) {
    std::vector<uuid> intermediates;
    std::vector<uuid> sources;
    std::vector<uuid> targets;
    while (true) {
      intermediates.clear();
      for (const auto& [source, unused] : mapping.in2out_map()) {
        if (mapping.has_mapping_output(source)) intermediates.push_back(source);
      }
      if (intermediates.empty()) return;
      for (const auto& intermediate : intermediates) {
        if (!mapping.has_mapping_input(intermediate) ||
            !mapping.has_mapping_output(intermediate)) {
          continue;
        }
        const auto& in = mapping.out2in(intermediate);
        sources.assign(in.begin(), in.end());
        const auto& out = mapping.in2out(intermediate);
        targets.assign(out.begin(), out.end());
        for (const auto& source : sources) {
          for (const auto& target : targets) mapping.map(source, target);
        }
        mapping.erase_in(intermediate);
        mapping.erase_out(intermediate);
      }
    }
  }

  template <typename Range>
  void finalize_type_mappings(const ComponentType& type, absl::Span<const uuid> old_ids,
                              const Range& components) {
    auto& mappings = this->mappings();
    auto& mapping = mappings.component_mappings.at(type);
    resolve_chains(mapping);
    const auto old_set = to_set(old_ids);
    std::vector<uuid> not_old;
    for (const auto& [source, unused] : mapping.in2out_map()) {
      if (!old_set.contains(source)) not_old.push_back(source);
    }
    for (const auto& source : not_old) mapping.erase_in(source);
    auto& created = mappings.created_components.at(type);
    auto& unchanged = mappings.unchanged_components.at(type);
    for (const auto& component : components) {
      if (mapping.has_mapping_output(component.id())) continue;
      if (old_set.contains(component.id())) {
        unchanged.push_back(component.id());
      } else {
        created.push_back(component.id());
      }
    }
  }

  void finalize_mappings() {
    finalize_type_mappings(corner_type(), context_.old_corners, model_.corners());
    finalize_type_mappings(line_type(), context_.old_lines, model_.lines());
    finalize_type_mappings(surface_type(), context_.old_surfaces, model_.surfaces());
  }

  // ----- Inactive propagation -----

  template <typename Related>
  bool any_inactive(const Related& related) const {
    return std::any_of(related.begin(), related.end(),
                       [](const auto& component) { return !component.is_active(); });
  }

  void propagate_inactive_components() {
    const auto& created = this->mappings().created_components;
    const auto& lines = created.at(line_type());
    const auto& corners = created.at(corner_type());
    for (const auto& id : lines) {
      if (!model_.has_line(id)) continue;
      const auto& line = model_.line(id);
      if (any_inactive(model_.incidences(line)) || any_inactive(model_.embedding_surfaces(line))) {
        builder().set_line_active(id, false);
      }
    }
    for (const auto& id : corners) {
      if (!model_.has_corner(id)) continue;
      const auto& corner = model_.corner(id);
      if (any_inactive(model_.incidences(corner)) ||
          any_inactive(model_.embedding_surfaces(corner))) {
        builder().set_corner_active(id, false);
      }
    }
    if constexpr (D == 3) {
      for (const auto& id : created.at(surface_type())) {
        if (!model_.has_surface(id)) continue;
        if (any_inactive(model_.embedding_blocks(model_.surface(id)))) {
          builder().set_surface_active(id, false);
        }
      }
      for (const auto& id : lines) {
        if (!model_.has_line(id)) continue;
        if (any_inactive(model_.embedding_blocks(model_.line(id)))) {
          builder().set_line_active(id, false);
        }
      }
      for (const auto& id : corners) {
        if (!model_.has_corner(id)) continue;
        if (any_inactive(model_.embedding_blocks(model_.corner(id)))) {
          builder().set_corner_active(id, false);
        }
      }
    }
  }

  Model& model_;
  const ModelBuildTopologyParameters& parameters_;
  EngineContext<Model> context_;
};

template <typename Model>
ModelBuilderFromUniqueVertices<Model>::ModelBuilderFromUniqueVertices(
    Model& model, const ModelBuildTopologyParameters& parameters)
    : impl_(std::make_unique<Impl>(model, parameters)) {}

template <typename Model>
ModelBuilderFromUniqueVertices<Model>::~ModelBuilderFromUniqueVertices() = default;

template <typename Model>
ModelMappings<Model> ModelBuilderFromUniqueVertices<Model>::update_model() {
  return impl_->update_model();
}

template class ModelBuilderFromUniqueVertices<Section>;
template class ModelBuilderFromUniqueVertices<BRep>;

}  // namespace veyra::detail
