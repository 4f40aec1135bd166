// SPDX-License-Identifier: MIT
#include <model/topology/split_single_edge_internal_lines.h>

#include <array>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_set.h>
#include <absl/container/inlined_vector.h>
#include <absl/types/span.h>

#include <ostrel/basic/logger.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/component_mesh_edges.h>
#include <ostrel/model/section.h>
#include <model/common/library.h>
#include <model/topology/identify_surfaces.h>
#include <model/wireframe/wireframe_editor.h>

namespace veyra::detail {
namespace {

index_t index_of(const MeshVertex& vertex) {
  return vertex.vertex;
}
index_t index_of(const MeshElement& element) {
  return element.element;
}
MeshVertex with_index(const MeshVertex& vertex, index_t index) {
  return {vertex.component_id, index};
}
MeshElement with_index(const MeshElement& element, index_t index) {
  return {element.component_id, index};
}

// The element `old_element` was replaced by `new_elements`: whatever mapped to it maps to them
// instead; when nothing did and it belongs to a component the run started from, it maps to them
// itself.
void replace_element(GenericMapping<MeshElement>& mapping, const MeshElement& old_element,
                     absl::Span<const index_t> new_elements,
                     const absl::flat_hash_set<uuid>& old_components) {
  if (mapping.has_mapping_output(old_element)) {
    const auto sources = mapping.out2in(old_element);
    mapping.erase_out(old_element);
    for (const auto& source : sources) {
      for (const auto element : new_elements) {
        mapping.map(source, with_index(old_element, element));
      }
    }
    return;
  }
  if (!old_components.contains(old_element.component_id)) return;
  for (const auto element : new_elements) {
    mapping.map(old_element, with_index(old_element, element));
  }
}

// Applies the clean() renumbering of each listed component to the targets of `mapping`: a target
// whose index changed is replaced by its new index, one whose item was deleted is dropped.
template <typename Key>
void renumber_targets(GenericMapping<Key>& mapping,
                      const linked_hash_map<uuid, ComponentRenumbering>& renumberings,
                      std::vector<index_t> ComponentRenumbering::*old2new_member) {
  if (renumberings.empty()) return;
  struct Change {
    Key old_target;
    index_t new_index;
  };
  std::vector<Change> changes;
  for (const auto& [target, sources] : mapping.out2in_map()) {
    const auto found = renumberings.find(target.component_id);
    if (found == renumberings.end()) continue;
    const auto& old2new = found->second.*old2new_member;
    const auto index = index_of(target);
    if (index >= old2new.size() || old2new[index] == index) continue;
    changes.push_back({target, old2new[index]});
  }
  // Every old target leaves before any new one is added: a new index may be the old index of
  // another changed target.
  std::vector<typename GenericMapping<Key>::template Values<Key>> sources;
  sources.reserve(changes.size());
  for (const auto& change : changes) {
    sources.push_back(mapping.out2in(change.old_target));
    mapping.erase_out(change.old_target);
  }
  for (std::size_t c = 0; c < changes.size(); ++c) {
    if (changes[c].new_index == NO_ID) continue;
    const auto new_target = with_index(changes[c].old_target, changes[c].new_index);
    for (const auto& source : sources[c]) mapping.map(source, new_target);
  }
}

template <typename Model>
class SingleEdgeLineSplitter {
  static constexpr index_t D = Model::dim;

 public:
  explicit SingleEdgeLineSplitter(EngineContext<Model>& context)
      : context_(context),
        model_(context.model),
        old_lines_(context.old_lines.begin(), context.old_lines.end()),
        old_surfaces_(context.old_surfaces.begin(), context.old_surfaces.end()),
        old_blocks_(context.old_blocks.begin(), context.old_blocks.end()) {}

  void run() {
    if (!are_all_surfaces_triangulated()) return;
    std::vector<uuid> surfaces;
    for (const auto& surface : model_.surfaces()) surfaces.push_back(surface.id());
    for (const auto& surface_id : surfaces) {
      std::vector<uuid> lines;
      for (const auto& line : model_.internal_lines(model_.surface(surface_id))) {
        lines.push_back(line.id());
      }
      // A line internal to several surfaces is split once: afterwards it has more edges.
      for (const auto& line_id : lines) {
        if (model_.line(line_id).mesh().nb_edges() == 1) split_line(line_id);
      }
    }
    if (modifier_) finish_splits();
    internal::split_surfaces_on_internal_lines(model_, context_.builder,
                                               context_.mappings.mesh_vertices.surfaces);
  }

 private:
  struct SurfaceEnds {
    uuid surface;
    std::vector<index_t> first;
    std::vector<index_t> second;
  };

  bool are_all_surfaces_triangulated() const {
    const auto triangulated = TriangulatedSurface<D>::type_name_static();
    for (const auto& surface : model_.surfaces()) {
      if (surface.mesh().type_name() != triangulated) return false;
    }
    return true;
  }

  // One point per unique vertex: the point of its first component mesh vertex, the origin for
  // a unique vertex without any.
  NNSearch<D> unique_vertex_search() const {
    const auto corner_type = Corner<D>::component_type_static();
    const auto line_type = Line<D>::component_type_static();
    const auto surface_type = Surface<D>::component_type_static();
    std::vector<Point<D>> points(model_.nb_unique_vertices());
    for (index_t unique_vertex = 0; unique_vertex < points.size(); ++unique_vertex) {
      const auto vertices = model_.component_mesh_vertices(unique_vertex);
      if (vertices.empty()) continue;
      const auto first = vertices.front();
      const auto& type = first.component_id.type();
      const auto& id = first.component_id.id();
      if (type == surface_type) {
        points[unique_vertex] = model_.surface(id).mesh().point(first.vertex);
      } else if (type == line_type) {
        points[unique_vertex] = model_.line(id).mesh().point(first.vertex);
      } else if (type == corner_type) {
        points[unique_vertex] = model_.corner(id).mesh().point(first.vertex);
      } else if constexpr (D == 3) {
        if (type == Block<3>::component_type_static()) {
          points[unique_vertex] = model_.block(id).mesh().point(first.vertex);
        }
      }
    }
    return NNSearch<D>{std::move(points)};
  }

  // For every surface with mesh vertices on both unique vertices, those vertices.
  std::vector<SurfaceEnds> surfaces_on(const std::array<index_t, 2>& ends) const {
    const auto surface_type = Surface<D>::component_type_static();
    std::vector<SurfaceEnds> result;
    const auto slot = [&result](const uuid& surface) -> SurfaceEnds& {
      for (auto& entry : result) {
        if (entry.surface == surface) return entry;
      }
      return result.emplace_back(SurfaceEnds{surface, {}, {}});
    };
    for (const auto& vertex : model_.component_mesh_vertices(ends[0], surface_type)) {
      slot(vertex.component_id.id()).first.push_back(vertex.vertex);
    }
    for (const auto& vertex : model_.component_mesh_vertices(ends[1], surface_type)) {
      slot(vertex.component_id.id()).second.push_back(vertex.vertex);
    }
    std::erase_if(result, [](const SurfaceEnds& entry) {
      return entry.first.empty() || entry.second.empty();
    });
    return result;
  }

  void split_line(const uuid& line_id) {
    // Built on the first split only: a model without candidate line is left untouched.
    if (!modifier_) {
      search_.emplace(unique_vertex_search());
      modifier_ = std::make_unique<GeometricModifier<Model>>(context_.model, context_.builder);
      released_line_.emplace();
    }
    const auto& line = model_.line(line_id);
    const auto& line_mesh = line.mesh();
    const auto ends = edge_unique_vertices(model_, line, 0);
    const auto vertices = line_mesh.edge_vertices(0);
    const auto point = determine_new_location_on_edge(line_mesh.point(vertices[0]),
                                                      line_mesh.point(vertices[1]), *search_);
    const auto surface_ends = surfaces_on(ends);

    const auto info = modifier_->split_edge(line, 0, point);
    record_split(info);
    update_wireframe_after_split(context_, line_id, info, *released_line_);
    split_lines_.push_back(line_id);

    // The line split above already split every active polygon edge on the same unique vertices;
    // what is still active here was missed and gets the same point and unique vertex.
    for (const auto& entry : surface_ends) {
      const auto& surface = model_.surface(entry.surface);
      for (const auto first : entry.first) {
        for (const auto second : entry.second) {
          const std::array<index_t, 2> pair{first, second};
          for (const auto& edge : surface.mesh().polygons_from_edge_vertices(pair)) {
            if (!modifier_->is_triangle_active(surface, edge.polygon_id)) continue;
            const auto polygon_info = modifier_->split_edge(surface, edge, point);
            if (const auto splits = polygon_info.surfaces.find(entry.surface);
                splits != polygon_info.surfaces.end()) {
              for (const auto& split : splits->second) {
                context_.builder.set_unique_vertex({surface.component_id(), split.new_vertex},
                                                   info.unique_vertex);
              }
            }
            record_split(polygon_info);
          }
        }
      }
    }
  }

  void record_split(const SplitEdgeInfo<Model>& info) {
    auto& elements = context_.mappings.mesh_elements;
    for (const auto& [line, splits] : info.lines) {
      for (const auto& split : splits) {
        replace_element(elements.lines, {line, split.old_edge}, split.new_edges, old_lines_);
      }
    }
    for (const auto& [surface, splits] : info.surfaces) {
      for (const auto& split : splits) {
        replace_element(elements.surfaces, {surface, split.old_polygon}, split.new_polygons,
                        old_surfaces_);
      }
    }
    if constexpr (D == 3) {
      for (const auto& [block, splits] : info.blocks) {
        for (const auto& split : splits) {
          replace_element(elements.blocks, {block, split.old_polyhedron}, split.new_polyhedra,
                          old_blocks_);
        }
      }
    }
  }

  void finish_splits() {
    const auto clean = modifier_->clean();
    auto& vertices = context_.mappings.mesh_vertices;
    auto& elements = context_.mappings.mesh_elements;
    renumber_targets(vertices.lines, clean.lines, &ComponentRenumbering::vertices);
    renumber_targets(elements.lines, clean.lines, &ComponentRenumbering::elements);
    renumber_targets(vertices.surfaces, clean.surfaces, &ComponentRenumbering::vertices);
    renumber_targets(elements.surfaces, clean.surfaces, &ComponentRenumbering::elements);
    if constexpr (D == 3) {
      renumber_targets(vertices.blocks, clean.blocks, &ComponentRenumbering::vertices);
      renumber_targets(elements.blocks, clean.blocks, &ComponentRenumbering::elements);
    }

    WireframeEditor<Model> editor{context_.corners_lines};
    editor.remove_line_edges(*released_line_);
    // The pieces were declared under their indices before clean() compacted the line meshes.
    for (const auto& line_id : split_lines_) {
      const auto& line = model_.line(line_id);
      for (index_t edge = 0; edge < line.mesh().nb_edges(); ++edge) {
        if (const auto wireframe_edge = context_.corners_lines.wireframe_edge_id(
                edge_unique_vertices(model_, line, edge))) {
          editor.declare_line_edge(*wireframe_edge, line_id, edge);
        }
      }
    }
  }

  EngineContext<Model>& context_;
  const Model& model_;
  absl::flat_hash_set<uuid> old_lines_;
  absl::flat_hash_set<uuid> old_surfaces_;
  absl::flat_hash_set<uuid> old_blocks_;
  std::optional<NNSearch<D>> search_;
  std::unique_ptr<GeometricModifier<Model>> modifier_;
  // The wireframe edges that were split are released under this id, which names no line, and
  // removed together once every line is split.
  std::optional<uuid> released_line_;
  std::vector<uuid> split_lines_;
};

}  // namespace

template <typename Model>
void split_single_edge_internal_lines(EngineContext<Model>& context) {
  SingleEdgeLineSplitter<Model>{context}.run();
}

template <index_t D>
Point<D> determine_new_location_on_edge(const Point<D>& p0, const Point<D>& p1,
                                        const NNSearch<D>& search) {
  for (index_t i = 2; i < 20; ++i) {
    for (index_t j = 1; j < i; ++j) {
      const auto candidate = (p0 * j + p1 * (i - j)) / i;
      const auto nearest = search.closest_neighbor(candidate);
      if (nearest == NO_ID || !search.point(nearest).inexact_equal(candidate)) return candidate;
    }
  }
  throw_model_exception_at(p0, OstrelException::TYPE::internal,
                           "[ModelBuilderFromUniqueVertices::determine_new_location_on_edge] "
                           "Unable to determine new location on edge far from existing points");
}

template <typename Model>
void update_wireframe_after_split(EngineContext<Model>& context, const uuid& line_id,
                                  const SplitEdgeInfo<Model>& info, const uuid& released_line) {
  const auto& model = static_cast<const Model&>(context.model);
  const auto& line = model.line(line_id);
  const auto& line_mesh = line.mesh();
  const auto found = info.lines.find(line_id);
  if (found == info.lines.end() || found->second.empty()) {
    throw VeyraConversionModelException{
        nullptr, OstrelException::TYPE::internal,
        "[ModelBuilderFromUniqueVertices::update_wireframe_after_split] Expected 2 old edge "
        "unique vertices"};
  }
  if (found->second.size() > 1) {
    Logger::log_warn(
        "[ModelBuilderFromUniqueVertices::update_wireframe_after_split] Several edges splitted "
        "in the same line");
  }
  const auto& split = found->second.front();
  const auto& new_point = line_mesh.point(split.new_vertex);
  WireframeEditor<Model> editor{context.corners_lines};
  editor.find_or_create_vertex(info.unique_vertex, new_point);
  absl::InlinedVector<index_t, 2> old_ends;
  for (const auto edge : split.new_edges) {
    const auto ends = edge_unique_vertices(model, line, edge);
    for (const auto end : ends) {
      if (end != info.unique_vertex) old_ends.push_back(end);
    }
    const auto vertices = line_mesh.edge_vertices(edge);
    const auto wireframe_edge = editor.find_or_create_edge(
        ends, {line_mesh.point(vertices[0]), line_mesh.point(vertices[1])});
    editor.declare_line_edge(wireframe_edge.first, line_id, edge);
  }
  if (old_ends.size() != 2) {
    throw_model_exception_at(new_point, OstrelException::TYPE::internal,
                             "[ModelBuilderFromUniqueVertices::update_wireframe_after_split] "
                             "Expected 2 old edge unique vertices");
  }
  if (const auto split_edge = context.corners_lines.wireframe_edge_id({old_ends[0], old_ends[1]})) {
    editor.declare_line_edge(*split_edge, released_line, 0);
  }
}

template void split_single_edge_internal_lines(EngineContext<Section>&);
template void split_single_edge_internal_lines(EngineContext<BRep>&);
template Point<2> determine_new_location_on_edge(const Point<2>&, const Point<2>&,
                                                 const NNSearch<2>&);
template Point<3> determine_new_location_on_edge(const Point<3>&, const Point<3>&,
                                                 const NNSearch<3>&);
template void update_wireframe_after_split(EngineContext<Section>&, const uuid&,
                                           const SplitEdgeInfo<Section>&, const uuid&);
template void update_wireframe_after_split(EngineContext<BRep>&, const uuid&,
                                           const SplitEdgeInfo<BRep>&, const uuid&);

}  // namespace veyra::detail
