// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_map.h>
#include <model/common/library.h>
#include <model/operations/named_collections.h>
#include <model/operations/propagated_polygon_normals.h>
#include <model/operations/sharp_features.h>
#include <model/topology/model_builder_from_unique_vertices.h>
#include <ostrel/basic/logger.h>
#include <ostrel/basic/parallel.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/component_mesh_edges.h>
#include <ostrel/model/section_builder.h>

#include <array>
#include <cmath>
#include <optional>
#include <string_view>
#include <vector>

namespace veyra {
namespace {

constexpr std::string_view sharp_collection_name = "sharp_collection";
constexpr double pi = 3.141592653589793;

const ComponentType& corner_type() {
  static const auto type = Corner<3>::component_type_static();
  return type;
}
const ComponentType& line_type() {
  static const auto type = Line<3>::component_type_static();
  return type;
}

// Two directions are sharp when the cosine of their angle is at most this value.
double sharp_cosine_of(double angle) {
  return std::cos((180. - angle) * pi / 180.);
}

// Concatenates per-chunk lists in chunk order.
template <typename T>
std::vector<T> concatenate(std::vector<std::vector<T>> chunks) {
  if (chunks.size() == 1) return std::move(chunks.front());
  std::size_t size = 0;
  for (const auto& chunk : chunks) size += chunk.size();
  std::vector<T> result;
  result.reserve(size);
  for (const auto& chunk : chunks) result.insert(result.end(), chunk.begin(), chunk.end());
  return result;
}

// The creases of one surface, by increasing polygon then edge, each listed once from the
// polygon of smaller index.
std::vector<PolygonEdge> find_sharp_surface_edges(const Surface<3>& surface, double sharp_cosine) {
  if (!surface.is_active()) return {};
  const auto& mesh = surface.mesh();
  const auto normals = internal::propagated_polygon_normals(mesh);
  const auto nb_polygons = mesh.nb_polygons();
  return concatenate(parallel_map_chunks(
      nb_polygons, parallel_chunk_size(nb_polygons), [&](index_t begin, index_t end) {
        std::vector<PolygonEdge> edges;
        for (auto polygon = begin; polygon < end; ++polygon) {
          const auto& normal = normals[polygon];
          if (!normal) continue;
          for (local_index_t edge = 0; edge < mesh.nb_polygon_edges(polygon); ++edge) {
            const auto adjacent = mesh.polygon_adjacent({polygon, edge});
            if (!adjacent || *adjacent < polygon) continue;
            const auto& adjacent_normal = normals[*adjacent];
            if (!adjacent_normal) continue;
            // A NaN product compares false: not sharp.
            if (normal->dot(*adjacent_normal) <= sharp_cosine) edges.emplace_back(polygon, edge);
          }
        }
        return edges;
      }));
}

// The vertices of one line where its two edges bend by at most the sharp angle. Line ends and
// branching vertices never are.
template <index_t D>
std::vector<index_t> find_sharp_line_vertices(const Line<D>& line, double sharp_cosine) {
  if (!line.is_active()) return {};
  const auto& mesh = line.mesh();
  const auto nb_vertices = mesh.nb_vertices();
  return concatenate(parallel_map_chunks(
      nb_vertices, parallel_chunk_size(nb_vertices), [&](index_t begin, index_t end) {
        std::vector<index_t> vertices;
        for (auto vertex = begin; vertex < end; ++vertex) {
          const auto& around = mesh.edges_around_vertex(vertex);
          if (around.size() != 2) continue;
          const auto& point = mesh.point(vertex);
          const auto& previous = mesh.point(mesh.edge_vertex(around[0].opposite()));
          const auto& next = mesh.point(mesh.edge_vertex(around[1].opposite()));
          const auto incoming = Vector<D>{previous, point}.normalize();
          const auto outgoing = Vector<D>{point, next}.normalize();
          if (incoming.dot(outgoing) <= sharp_cosine) vertices.push_back(vertex);
        }
        return vertices;
      }));
}

// Gathers every crease of the model's surfaces into one new line, tied by unique vertex, in a
// new line collection. Returns the collection, or nothing (and no change) without crease.
std::optional<uuid> add_sharp_lines(BRep& model, double sharp_cosine) {
  std::vector<const Surface<3>*> surfaces;
  surfaces.reserve(model.nb_surfaces());
  for (const auto& surface : model.surfaces()) surfaces.push_back(&surface);
  const auto creases = parallel_map_tasks(static_cast<index_t>(surfaces.size()), [&](index_t s) {
    return find_sharp_surface_edges(*surfaces[s], sharp_cosine);
  });

  BRepBuilder builder{model};
  const auto collection_id = builder.add_line_collection();
  builder.set_line_collection_name(collection_id, sharp_collection_name);
  const auto line_id = builder.add_line();
  const auto& line = model.line(line_id);
  builder.add_line_in_line_collection(line, model.line_collection(collection_id));
  const auto line_component = line.component_id();
  auto mesh_builder = builder.line_mesh_builder(line_id);

  std::size_t nb_edges = 0;
  for (const auto& edges : creases) nb_edges += edges.size();
  absl::flat_hash_map<index_t, index_t> line_vertex_of;
  line_vertex_of.reserve(nb_edges + 1);
  for (std::size_t s = 0; s < surfaces.size(); ++s) {
    const auto& surface = *surfaces[s];
    const auto& mesh = surface.mesh();
    for (const auto& edge : creases[s]) {
      const auto unique_vertices = edge_unique_vertices(model, surface, edge);
      for (local_index_t end = 0; end < 2; ++end) {
        if (unique_vertices[end] != NO_ID) continue;
        throw_model_exception_at(mesh.point(mesh.polygon_edge_vertex(edge, end)),
                                 OstrelException::TYPE::input,
                                 "[add_sharp_features] Missing unique vertices on input model");
      }
      std::array<index_t, 2> ends;
      for (local_index_t end = 0; end < 2; ++end) {
        const auto [slot, inserted] = line_vertex_of.try_emplace(unique_vertices[end], NO_ID);
        if (inserted) {
          slot->second =
              mesh_builder->create_point(mesh.point(mesh.polygon_edge_vertex(edge, end)));
          builder.set_unique_vertex({line_component, slot->second}, unique_vertices[end]);
        }
        ends[end] = slot->second;
      }
      mesh_builder->create_edge(ends[0], ends[1]);
    }
  }
  Logger::log_debug("[add_sharp_features] ", nb_edges, " sharp polygon edges");
  if (line.mesh().nb_edges() > 0) return collection_id;
  builder.remove_line(line);
  builder.remove_line_collection(model.line_collection(collection_id));
  return std::nullopt;
}

// Puts a corner on every sharp line vertex that has none, in a new corner collection. Returns
// the collection, or nothing (and no change) when no corner was added.
template <typename Model>
std::optional<uuid> add_sharp_corners(Model& model, double sharp_cosine) {
  constexpr auto D = Model::dim;
  std::vector<const Line<D>*> lines;
  lines.reserve(model.nb_lines());
  for (const auto& line : model.lines()) lines.push_back(&line);
  const auto bends = parallel_map_tasks(static_cast<index_t>(lines.size()), [&](index_t l) {
    return find_sharp_line_vertices(*lines[l], sharp_cosine);
  });

  typename Model::Builder builder{model};
  const auto collection_id = builder.add_corner_collection();
  builder.set_corner_collection_name(collection_id, sharp_collection_name);
  const auto& collection = model.corner_collection(collection_id);
  for (std::size_t l = 0; l < lines.size(); ++l) {
    const auto& line = *lines[l];
    for (const auto vertex : bends[l]) {
      const auto unique_vertex = model.unique_vertex({line.component_id(), vertex});
      // An untied line vertex is left to the topology engine, which reports it. A corner made
      // here is tied at once, so a unique vertex met twice already has its corner.
      if (unique_vertex == NO_ID ||
          model.has_component_mesh_vertices(unique_vertex, corner_type())) {
        continue;
      }
      const auto corner_id = builder.add_corner();
      const auto& corner = model.corner(corner_id);
      builder.add_corner_in_corner_collection(corner, collection);
      builder.corner_mesh_builder(corner_id)->create_point(line.mesh().point(vertex));
      builder.set_unique_vertex({corner.component_id(), 0}, unique_vertex);
    }
  }
  const auto nb_corners = model.nb_corner_collection_items(collection);
  Logger::log_debug("[add_sharp_features] ", nb_corners, " sharp corners");
  if (nb_corners > 0) return collection_id;
  builder.remove_corner_collection(collection);
  return std::nullopt;
}

template <typename Model>
ModelMappings<Model> run_topology_engine(Model& model) {
  const ModelBuildTopologyParameters parameters{true};
  detail::ModelBuilderFromUniqueVertices<Model> engine{model, parameters};
  return engine.update_model();
}

// The sharp corners are the caller's to find in their collection: no mapping points to them.
template <typename Model>
void forget_sharp_corners(const Model& model, const uuid& collection,
                          ModelMappings<Model>& mappings) {
  auto& vertices = mappings.mesh_vertices.corners;
  const auto has_component_mapping = mappings.component_mappings.has_mapping_type(corner_type());
  for (const auto& corner : model.corner_collection_items(model.corner_collection(collection))) {
    for (index_t vertex = 0; vertex < corner.mesh().nb_vertices(); ++vertex) {
      vertices.erase_out({corner.id(), vertex});
    }
    if (has_component_mapping) mappings.component_mappings.at(corner_type()).erase_out(corner.id());
  }
}

// The lines made from the temporary sharp line appear in no mapping either.
void forget_sharp_lines(const BRep& model, const uuid& collection, BRepMappings& mappings) {
  auto& vertices = mappings.mesh_vertices.lines;
  auto& elements = mappings.mesh_elements.lines;
  const auto has_component_mapping = mappings.component_mappings.has_mapping_type(line_type());
  for (const auto& line : model.line_collection_items(model.line_collection(collection))) {
    const auto& mesh = line.mesh();
    for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
      vertices.erase_out({line.id(), vertex});
    }
    for (index_t edge = 0; edge < mesh.nb_edges(); ++edge) elements.erase_out({line.id(), edge});
    if (has_component_mapping) mappings.component_mappings.at(line_type()).erase_out(line.id());
  }
}

// Corners the engine made where sharp lines meet join the sharp corners; they stay listed as
// created.
void collect_new_corners(BRep& model, const std::optional<uuid>& corner_collection,
                         const BRepMappings& mappings) {
  const auto& created = mappings.created_components.at(corner_type());
  if (created.empty()) return;
  BRepBuilder builder{model};
  internal::add_to_named_collection(model, builder, internal::CollectedKind::corner,
                                    sharp_collection_name, corner_collection, created);
}

// Normals and angles at a NaN or infinite position mean nothing: such a vertex of a searched
// component is reported before the model is touched rather than turned into spurious creases.
template <typename Components>
void check_finite_positions(const Components& components, std::string_view kind) {
  for (const auto& component : components) {
    if (!component.is_active()) continue;
    const auto& mesh = component.mesh();
    for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
      if (is_finite(mesh.point(vertex))) continue;
      throw VeyraConversionModelException{
          nullptr, OstrelException::TYPE::input, "[add_sharp_features] Vertex ", vertex, " of ",
          kind, " ", component.id().string(), " is not at a finite position: [",
          mesh.point(vertex).string(), "]"};
    }
  }
}

}  // namespace

BRepMappings add_sharp_features(BRep& model, double angle) {
  check_finite_positions(model.surfaces(), "surface");
  check_finite_positions(model.lines(), "line");
  const auto sharp_cosine = sharp_cosine_of(angle);
  const auto line_collection = add_sharp_lines(model, sharp_cosine);
  const auto corner_collection = add_sharp_corners(model, sharp_cosine);
  auto mappings = run_topology_engine(model);
  if (!mappings.created_components.at(line_type()).empty()) {
    throw VeyraConversionModelException{
        nullptr, OstrelException::TYPE::internal,
        "[add_sharp_features] Error while building sharp features. Creation of model from unique "
        "vertices should not add lines not registered as sharp feature lines"};
  }
  if (corner_collection) forget_sharp_corners(model, *corner_collection, mappings);
  if (line_collection) {
    forget_sharp_lines(model, *line_collection, mappings);
    collect_new_corners(model, corner_collection, mappings);
  }
  return mappings;
}

SectionMappings add_sharp_features(Section& model, double angle) {
  check_finite_positions(model.lines(), "line");
  const auto corner_collection = add_sharp_corners(model, sharp_cosine_of(angle));
  auto mappings = run_topology_engine(model);
  if (!mappings.created_components.at(corner_type()).empty()) {
    throw VeyraConversionModelException{
        nullptr, OstrelException::TYPE::input,
        "[add_sharp_features] Conversion from unique vertices should not add corner"};
  }
  if (!mappings.created_components.at(line_type()).empty()) {
    throw VeyraConversionModelException{
        nullptr, OstrelException::TYPE::input,
        "[add_sharp_features] Conversion from unique vertices should not add line"};
  }
  if (corner_collection) forget_sharp_corners(model, *corner_collection, mappings);
  return mappings;
}

BRepMappings remove_sharp_features(BRep& model) {
  {
    BRepBuilder builder{model};
    internal::remove_collections_named(model, builder, internal::CollectedKind::corner,
                                       sharp_collection_name);
    internal::remove_collections_named(model, builder, internal::CollectedKind::line,
                                       sharp_collection_name);
  }
  auto mappings = run_topology_engine(model);
  if (!mappings.created_components.at(corner_type()).empty()) {
    throw VeyraConversionModelException{
        nullptr, OstrelException::TYPE::input,
        "[remove_sharp_features] Conversion from unique vertices should not add corner"};
  }
  if (!mappings.created_components.at(line_type()).empty()) {
    throw VeyraConversionModelException{
        nullptr, OstrelException::TYPE::input,
        "[remove_sharp_features] Conversion from unique vertices should not add line"};
  }
  return mappings;
}

SectionMappings remove_sharp_features(Section& model) {
  {
    SectionBuilder builder{model};
    internal::remove_collections_named(model, builder, internal::CollectedKind::corner,
                                       sharp_collection_name);
  }
  return run_topology_engine(model);
}

}  // namespace veyra
