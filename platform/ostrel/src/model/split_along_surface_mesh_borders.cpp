// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_set.h>
#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/repair_non_manifold_vertices.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section_builder.h>
#include <ostrel/model/split_along_surface_mesh_borders.h>

#include <algorithm>
#include <array>
#include <optional>

#include "split_vertex_ties.h"

namespace veyra {
namespace {

using UniquePair = std::array<index_t, 2>;

UniquePair sorted_pair(index_t first, index_t second) {
  return first < second ? UniquePair{first, second} : UniquePair{second, first};
}

index_t unique_vertex_of(absl::Span<const index_t> unique_vertices, index_t vertex) {
  return vertex < unique_vertices.size() ? unique_vertices[vertex] : NO_ID;
}

/// The unordered unique-vertex pairs of every tied line edge of the model. Collected once, so
/// that each surface is scanned edge by edge instead of querying it once per line edge.
template <typename Model>
absl::flat_hash_set<UniquePair> line_unique_pairs(const Model& model) {
  absl::flat_hash_set<UniquePair> pairs;
  for (const auto& line : model.lines()) {
    const auto& mesh = line.mesh();
    const auto unique_vertices = model.component_unique_vertices(line.id());
    for (index_t edge = 0; edge < mesh.nb_edges(); ++edge) {
      const auto vertices = mesh.edge_vertices(edge);
      const auto first = unique_vertex_of(unique_vertices, vertices[0]);
      const auto second = unique_vertex_of(unique_vertices, vertices[1]);
      if (first == NO_ID || second == NO_ID) continue;
      pairs.insert(sorted_pair(first, second));
    }
  }
  return pairs;
}

/// Unsets, on both sides, the adjacency of every polygon edge on a line pair; returns the mesh
/// vertices at the ends of the cut edges.
template <index_t D>
std::vector<index_t> cut_surface(const SurfaceMesh<D>& mesh, SurfaceMeshBuilder<D>& builder,
                                 absl::Span<const index_t> unique_vertices,
                                 const absl::flat_hash_set<UniquePair>& line_pairs) {
  std::vector<index_t> cut_vertices;
  for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
    const auto nb_edges = mesh.nb_polygon_edges(polygon);
    for (local_index_t edge = 0; edge < nb_edges; ++edge) {
      const PolygonEdge polygon_edge{polygon, edge};
      if (!mesh.polygon_adjacent(polygon_edge)) continue;
      const auto vertices = mesh.polygon_edge_vertices(polygon_edge);
      const auto first = unique_vertex_of(unique_vertices, vertices[0]);
      const auto second = unique_vertex_of(unique_vertices, vertices[1]);
      if (first == NO_ID || second == NO_ID) continue;
      if (!line_pairs.contains(sorted_pair(first, second))) continue;
      const auto opposite = mesh.polygon_adjacent_edge(polygon_edge);
      builder.unset_polygon_adjacent(polygon_edge);
      if (opposite) builder.unset_polygon_adjacent(*opposite);
      cut_vertices.push_back(vertices[0]);
      cut_vertices.push_back(vertices[1]);
    }
  }
  return cut_vertices;
}

}  // namespace

template <typename Model>
class SplitAlongSurfaceMeshBorders<Model>::Impl {
 public:
  Impl(const Model& model, typename Model::Builder& builder) : model_(model), builder_(builder) {}
  explicit Impl(Model& model)
      : model_(model), owned_builder_(std::in_place, model), builder_(*owned_builder_) {}

  std::vector<std::pair<ComponentMeshVertex, ComponentMeshVertex>> split_all_surfaces() {
    std::vector<std::pair<ComponentMeshVertex, ComponentMeshVertex>> pairs;
    const auto line_pairs = line_unique_pairs(model_);
    if (line_pairs.empty()) return pairs;
    for (const auto& surface : model_.surfaces()) {
      const auto mesh_builder = builder_.surface_mesh_builder(surface.id());
      const auto cut_vertices =
          cut_surface(surface.mesh(), *mesh_builder, model_.component_unique_vertices(surface.id()),
                      line_pairs);
      if (cut_vertices.empty()) continue;
      const auto new_vertices =
          repair_non_manifold_vertices(surface.mesh(), *mesh_builder, cut_vertices);
      const auto component = surface.component_id();
      internal::tie_split_vertices(model_, builder_, component, new_vertices,
                                   [&](index_t vertex, index_t copy) {
                                     pairs.emplace_back(ComponentMeshVertex{component, vertex},
                                                        ComponentMeshVertex{component, copy});
                                   });
    }
    return pairs;
  }

 private:
  const Model& model_;
  std::optional<typename Model::Builder> owned_builder_;
  typename Model::Builder& builder_;
};

template <typename Model>
SplitAlongSurfaceMeshBorders<Model>::SplitAlongSurfaceMeshBorders(Model& model)
    : impl_(std::make_unique<Impl>(model)) {}

template <typename Model>
SplitAlongSurfaceMeshBorders<Model>::SplitAlongSurfaceMeshBorders(const Model& model,
                                                                  typename Model::Builder& builder)
    : impl_(std::make_unique<Impl>(model, builder)) {}

template <typename Model>
SplitAlongSurfaceMeshBorders<Model>::~SplitAlongSurfaceMeshBorders() = default;

template <typename Model>
std::vector<std::pair<ComponentMeshVertex, ComponentMeshVertex>>
SplitAlongSurfaceMeshBorders<Model>::split_all_surfaces() {
  return impl_->split_all_surfaces();
}

template class SplitAlongSurfaceMeshBorders<BRep>;
template class SplitAlongSurfaceMeshBorders<Section>;

}  // namespace veyra
