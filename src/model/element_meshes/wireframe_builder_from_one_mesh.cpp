// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_set.h>
#include <model/common/library.h>
#include <model/element_meshes/wireframe_builder_from_one_mesh.h>
#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/mesh/surface_identifier.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/component_mesh_edges.h>
#include <ostrel/model/section_builder.h>

#include <algorithm>
#include <string_view>

#include "repeated_vertex.h"
#include "sorted_id_union.h"

namespace veyra::detail {
namespace {

// Throws when an element lists one vertex twice.
template <typename Vertices>
void check_distinct_vertices(const Vertices& vertices, std::string_view kind, index_t element) {
  if (const auto vertex = detail::repeated_vertex(vertices)) {
    throw VeyraConversionModelException{nullptr, OstrelException::TYPE::input,
                                        "[WireframeBuilderFromOneMesh] ", kind, " ", element,
                                        " of the input mesh repeats vertex ", *vertex};
  }
}

// Lines in first-seen order, each once: relationships are then added in an order that depends
// only on the polygon order, never on hashing.
class LineSet {
 public:
  void insert(const uuid& line) {
    if (seen_.insert(line).second) ordered_.push_back(line);
  }
  const std::vector<uuid>& lines() const { return ordered_; }

 private:
  absl::flat_hash_set<uuid> seen_;
  std::vector<uuid> ordered_;
};

}  // namespace

template <typename Model, typename Mesh>
class WireframeBuilderFromOneMesh<Model, Mesh>::Impl {
 public:
  Impl(Model& model, const Mesh& mesh) : model_(model), builder_(model), mesh_(mesh) {}

  Model& model() { return model_; }
  typename Model::Builder& builder() { return builder_; }
  const Mesh& mesh() const { return mesh_; }
  std::vector<index_t>& corner_vertices() { return corner_vertices_; }
  std::vector<index_t>& line_edges() { return line_edges_; }
  IndexToModelMeshElementsMapping& mapping() { return mapping_; }

  // Scratch tables of the surface creation, kept across groups and reset entry by entry, so
  // that many small groups cost their own size and not the whole mesh's each.
  std::vector<index_t>& new_vertices(index_t nb_vertices) {
    new_vertices_.assign(nb_vertices, NO_ID);
    return new_vertices_;
  }
  std::vector<index_t>& edge_counts(index_t nb_edges) {
    edge_counts_.assign(nb_edges, 0);
    return edge_counts_;
  }

 private:
  Model& model_;
  typename Model::Builder builder_;
  const Mesh& mesh_;
  std::vector<index_t> corner_vertices_;
  std::vector<index_t> line_edges_;
  IndexToModelMeshElementsMapping mapping_;
  std::vector<index_t> new_vertices_;
  std::vector<index_t> edge_counts_;
};

template <typename Model, typename Mesh>
WireframeBuilderFromOneMesh<Model, Mesh>::WireframeBuilderFromOneMesh(Model& model,
                                                                      const Mesh& mesh)
    : CornersLinesBuilder<Model>(model), impl_{std::make_unique<Impl>(model, mesh)} {
  // Unique vertex i stands for input vertex i: a model that has unique vertices already would
  // tie the new components to the wrong ones. A position that is not finite cannot become a
  // corner or line point the wireframe can compare.
  if (model.nb_unique_vertices() != 0) {
    throw VeyraConversionModelException{nullptr, OstrelException::TYPE::input,
                                        "[WireframeBuilderFromOneMesh] The model must be empty, "
                                        "it has ", model.nb_unique_vertices(), " unique vertices"};
  }
  for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
    if (is_finite(mesh.point(vertex))) continue;
    throw VeyraConversionModelException{
        nullptr, OstrelException::TYPE::input, "[WireframeBuilderFromOneMesh] Vertex ", vertex,
        " of the input mesh is not at a finite position: [", mesh.point(vertex).string(), "]"};
  }
  // An element through one vertex twice has an edge from that vertex to itself, which no line,
  // surface or block of a valid model can hold.
  if constexpr (std::is_same_v<Mesh, SurfaceMesh<2>>) {
    for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
      check_distinct_vertices(mesh.polygon_vertices(polygon), "Polygon", polygon);
    }
  } else {
    for (index_t polyhedron = 0; polyhedron < mesh.nb_polyhedra(); ++polyhedron) {
      check_distinct_vertices(mesh.polyhedron_vertices(polyhedron), "Polyhedron", polyhedron);
    }
  }
  impl_->builder().create_unique_vertices(mesh.nb_vertices());
}

template <typename Model, typename Mesh>
WireframeBuilderFromOneMesh<Model, Mesh>::~WireframeBuilderFromOneMesh() = default;

template <typename Model, typename Mesh>
void WireframeBuilderFromOneMesh<Model, Mesh>::build_wireframe_step() {
  const auto& mesh = impl_->mesh();
  const auto& corners = impl_->corner_vertices();
  const auto& lines = impl_->line_edges();
  this->reserve_wireframe(static_cast<index_t>(corners.size() + lines.size()),
                          static_cast<index_t>(lines.size()));
  for (const auto vertex : corners) {
    this->find_or_create_corner(vertex, mesh.point(vertex));
  }
  const auto& edges = mesh.edges();
  for (const auto edge : lines) {
    const auto vertices = edges.edge_vertices(edge);
    this->find_or_create_edge(vertices, {mesh.point(vertices[0]), mesh.point(vertices[1])});
  }
}

template <typename Model, typename Mesh>
bool WireframeBuilderFromOneMesh<Model, Mesh>::is_corner(index_t wireframe_vertex) const {
  const auto& corners = impl_->corner_vertices();
  if (std::binary_search(corners.begin(), corners.end(),
                         this->support_mesh_vertex_id(wireframe_vertex))) {
    return true;
  }
  return this->wireframe().edges_around_vertex(wireframe_vertex).size() != 2;
}

template <typename Model, typename Mesh>
IndexToModelMeshElementsMapping WireframeBuilderFromOneMesh<Model, Mesh>::mappings() const {
  return impl_->mapping();
}

template <typename Model, typename Mesh>
void WireframeBuilderFromOneMesh<Model, Mesh>::add_corner_vertices(
    absl::Span<const index_t> vertices) {
  merge_ids(impl_->corner_vertices(), vertices, impl_->mesh().nb_vertices(),
            "WireframeBuilderFromOneMesh::add_corner_vertices", "Corner vertex", "vertices");
}

template <typename Model, typename Mesh>
const std::vector<index_t>& WireframeBuilderFromOneMesh<Model, Mesh>::corner_vertices() const {
  return impl_->corner_vertices();
}

template <typename Model, typename Mesh>
void WireframeBuilderFromOneMesh<Model, Mesh>::add_line_edges(absl::Span<const index_t> edges) {
  merge_ids(impl_->line_edges(), edges, impl_->mesh().edges().nb_edges(),
            "WireframeBuilderFromOneMesh::add_line_edges", "Line edge", "edges");
}

template <typename Model, typename Mesh>
const std::vector<index_t>& WireframeBuilderFromOneMesh<Model, Mesh>::line_edges() const {
  return impl_->line_edges();
}

template <typename Model, typename Mesh>
void WireframeBuilderFromOneMesh<Model, Mesh>::update_corner_line_mappings() {
  auto& mapping = impl_->mapping();
  const auto& wireframe = this->wireframe();
  for (index_t vertex = 0; vertex < wireframe.nb_vertices(); ++vertex) {
    if (const auto corner = this->corner_uuid(vertex)) {
      mapping.corners.map(this->support_mesh_vertex_id(vertex), {*corner, 0});
    }
  }
  // Wireframe edge j is line edge j of the list: build_wireframe_step registered them in list
  // order into an empty wireframe.
  const auto& lines = impl_->line_edges();
  mapping.lines.reserve(static_cast<index_t>(lines.size()));
  for (index_t edge = 0; edge < lines.size(); ++edge) {
    mapping.lines.map(lines[edge], {this->line_uuid(edge), this->line_edge_id(edge)});
  }
}

template <typename Model, typename Mesh>
void WireframeBuilderFromOneMesh<Model, Mesh>::build_surfaces_without_split(
    const SurfaceMesh<dimension>& polygon_mesh,
    const absl::flat_hash_map<index_t, index_t>& polygon_vertex_to_mesh_vertex,
    absl::Span<const index_t> polygon_elements) {
  auto& model = impl_->model();
  auto& builder = impl_->builder();
  auto& mapping = impl_->mapping();
  SurfaceIdentifier<dimension> identifier{polygon_mesh};
  identifier.identify_polygons();
  const auto groups = identifier.identified_connected_polygons();

  // Unique vertices holding a corner: the inner-corner test then reads the ties of these only.
  std::vector<bool> has_corner(model.nb_unique_vertices(), false);
  for (const auto& corner : model.corners()) {
    for (const auto& tie_vertex : model.component_unique_vertices(corner.id())) {
      if (tie_vertex != NO_ID) has_corner[tie_vertex] = true;
    }
  }
  auto& new_vertices = impl_->new_vertices(polygon_mesh.nb_vertices());
  auto& edge_counts = impl_->edge_counts(this->wireframe().nb_edges());
  std::vector<index_t> touched_vertices;
  std::vector<index_t> new_unique_vertices;
  std::vector<index_t> touched_edges;
  absl::InlinedVector<index_t, 4> polygon;

  for (const auto& group : groups) {
    const auto surface_id = builder.add_surface(polygon_mesh.impl_name());
    const auto& surface = model.surface(surface_id);
    const auto surface_component = surface.component_id();
    auto mesh_builder = builder.surface_mesh_builder(surface_id);
    index_t nb_corners = 0;
    for (const auto p : group) nb_corners += polygon_mesh.nb_polygon_vertices(p);
    mesh_builder->reserve_polygons(static_cast<index_t>(group.size()), nb_corners);

    touched_vertices.clear();
    new_unique_vertices.clear();
    for (index_t local = 0; local < group.size(); ++local) {
      const auto p = group[local];
      polygon.clear();
      for (const auto vertex : polygon_mesh.polygon_vertices(p)) {
        auto& new_vertex = new_vertices[vertex];
        if (new_vertex == NO_ID) {
          new_vertex = mesh_builder->create_point(polygon_mesh.point(vertex));
          const auto unique_vertex = polygon_vertex_to_mesh_vertex.at(vertex);
          builder.set_unique_vertex({surface_component, new_vertex}, unique_vertex);
          touched_vertices.push_back(vertex);
          new_unique_vertices.push_back(unique_vertex);
        }
        polygon.push_back(new_vertex);
      }
      const auto new_polygon = mesh_builder->create_polygon(polygon);
      OSTREL_ASSERT(new_polygon == local, "surface polygons follow the group order");
      // Groups list their polygons ascending, so this is the ascending polygon order.
      mapping.surfaces.map(polygon_elements[p], {surface_id, new_polygon});
    }
    for (const auto vertex : touched_vertices) new_vertices[vertex] = NO_ID;
    mesh_builder->compute_polygon_adjacencies();

    const auto& surface_mesh = surface.mesh();
    for (index_t vertex = 0; vertex < surface_mesh.nb_vertices(); ++vertex) {
      const auto unique_vertex = new_unique_vertices[vertex];
      if (!has_corner[unique_vertex] || surface_mesh.is_vertex_on_border(vertex)) continue;
      for (const auto tie : model.component_mesh_vertices(unique_vertex)) {
        if (tie.component_id.type() != Corner<dimension>::component_type_static()) continue;
        builder.add_corner_surface_internal_relationship(model.corner(tie.component_id.id()),
                                                         surface);
      }
    }

    // Line relationships: a wireframe edge met once along the group's border has the surface on
    // one side (boundary line); met twice, on both sides (internal line).
    touched_edges.clear();
    for (const auto p : group) {
      for (local_index_t local = 0; local < polygon_mesh.nb_polygon_edges(p); ++local) {
        const PolygonEdge edge{p, local};
        if (!polygon_mesh.is_edge_on_border(edge)) continue;
        const auto vertices = polygon_mesh.polygon_edge_vertices(edge);
        const auto wireframe_edge =
            this->wireframe_edge_id({polygon_vertex_to_mesh_vertex.at(vertices[0]),
                                     polygon_vertex_to_mesh_vertex.at(vertices[1])});
        if (!wireframe_edge) {
          throw_model_exception_at(
              polygon_mesh.polygon_edge_barycenter(edge), OstrelException::TYPE::internal,
              "[WireframeBuilderFromOneMesh::Impl::find_surface_line_relations] Should have "
              "found an edge in the wireframe corresponding to a border edge of the identified "
              "surface polygons.");
        }
        if (edge_counts[*wireframe_edge]++ == 0) touched_edges.push_back(*wireframe_edge);
      }
    }
    LineSet boundary_lines;
    LineSet internal_lines;
    for (const auto edge : touched_edges) {
      if (edge_counts[edge] == 1) {
        boundary_lines.insert(this->line_uuid(edge));
      } else {
        internal_lines.insert(this->line_uuid(edge));
      }
      edge_counts[edge] = 0;
    }
    for (const auto& line : boundary_lines.lines()) {
      builder.add_line_surface_boundary_relationship(model.line(line), surface);
    }
    for (const auto& line : internal_lines.lines()) {
      builder.add_line_surface_internal_relationship(model.line(line), surface);
    }
  }
}

template <typename Model, typename Mesh>
auto WireframeBuilderFromOneMesh<Model, Mesh>::build_surfaces(
    const SurfaceMesh<dimension>& polygon_mesh,
    const absl::flat_hash_map<index_t, index_t>& polygon_vertex_to_mesh_vertex,
    absl::Span<const index_t> polygon_elements, Modifier& modifier) -> std::vector<SplitEdge> {
  build_surfaces_without_split(polygon_mesh, polygon_vertex_to_mesh_vertex, polygon_elements);
  const auto& model = impl_->model();
  // Candidates are gathered first: the splits change line meshes while the model is read.
  std::vector<uuid> candidates;
  for (const auto& line : model.lines()) {
    if (line.mesh().nb_edges() == 1 && model.nb_embedding_surfaces(line) != 0) {
      candidates.push_back(line.id());
    }
  }
  const auto on_other_line = [&model](index_t unique_vertex, const uuid& line) {
    for (const auto tie : model.component_mesh_vertices(unique_vertex)) {
      if (tie.component_id.type() == Line<dimension>::component_type_static() &&
          tie.component_id.id() != line) {
        return true;
      }
    }
    return false;
  };
  std::vector<SplitEdge> splits;
  for (const auto& line_id : candidates) {
    const auto& line = model.line(line_id);
    const auto unique_vertices = edge_unique_vertices(model, line, 0);
    if (on_other_line(unique_vertices[0], line_id) || on_other_line(unique_vertices[1], line_id)) {
      continue;
    }
    const auto point = line.mesh().edge_barycenter(0);
    auto split_info = modifier.split_edge(line, 0, point);
    splits.push_back({unique_vertices, point, std::move(split_info)});
  }
  return splits;
}

template class WireframeBuilderFromOneMesh<Section, SurfaceMesh<2>>;
template class WireframeBuilderFromOneMesh<BRep, SolidMesh<3>>;

}  // namespace veyra::detail
