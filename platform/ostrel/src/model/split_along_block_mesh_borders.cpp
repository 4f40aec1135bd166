// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>
#include <absl/container/inlined_vector.h>
#include <ostrel/mesh/repair_non_manifold_vertices.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/canonical_cycle.h>
#include <ostrel/model/split_along_block_mesh_borders.h>

#include <algorithm>

#include "split_vertex_ties.h"

namespace veyra {
namespace {

using Cycle = absl::InlinedVector<index_t, 4>;

index_t unique_vertex_of(absl::Span<const index_t> unique_vertices, index_t vertex) {
  return vertex < unique_vertices.size() ? unique_vertices[vertex] : NO_ID;
}

/// The canonical unique-vertex cycles of every surface polygon whose vertices are all tied, and
/// which unique vertices some surface vertex is tied to (a facet can match a polygon only when
/// all its unique vertices are among them, which spares hashing most inner facets).
struct SurfaceCycles {
  explicit SurfaceCycles(const BRep& model) : on_surface(model.nb_unique_vertices(), false) {
    Cycle cycle;
    for (const auto& surface : model.surfaces()) {
      const auto& mesh = surface.mesh();
      const auto unique_vertices = model.component_unique_vertices(surface.id());
      for (const auto unique_vertex : unique_vertices) {
        if (unique_vertex != NO_ID) on_surface[unique_vertex] = true;
      }
      for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
        cycle.clear();
        for (const auto vertex : mesh.polygon_vertices(polygon)) {
          cycle.push_back(unique_vertex_of(unique_vertices, vertex));
        }
        if (std::find(cycle.begin(), cycle.end(), NO_ID) != cycle.end()) continue;
        make_canonical_cycle(cycle);
        cycles.insert(cycle);
      }
    }
  }

  absl::flat_hash_set<Cycle> cycles;
  std::vector<bool> on_surface;
};

/// Unsets the adjacency of the block facets lying on a surface polygon that matches exactly two
/// of them (and of their neighbours); returns the vertices of those facets.
std::vector<index_t> cut_block(const BRep& model, const Block<3>& block,
                               SolidMeshBuilder<3>& builder, const SurfaceCycles& surfaces) {
  const auto& mesh = block.mesh();
  const auto unique_vertices = model.component_unique_vertices(block.id());
  absl::flat_hash_map<Cycle, absl::InlinedVector<PolyhedronFacet, 2>> matches;
  Cycle cycle;
  for (index_t polyhedron = 0; polyhedron < mesh.nb_polyhedra(); ++polyhedron) {
    const auto nb_facets = mesh.nb_polyhedron_facets(polyhedron);
    for (local_index_t facet = 0; facet < nb_facets; ++facet) {
      const PolyhedronFacet polyhedron_facet{polyhedron, facet};
      cycle.clear();
      bool candidate = true;
      for (const auto vertex : mesh.polyhedron_facet_vertices(polyhedron_facet)) {
        const auto unique_vertex = unique_vertex_of(unique_vertices, vertex);
        if (unique_vertex == NO_ID || !surfaces.on_surface[unique_vertex]) {
          candidate = false;
          break;
        }
        cycle.push_back(unique_vertex);
      }
      if (!candidate) continue;
      make_canonical_cycle(cycle);
      if (surfaces.cycles.contains(cycle)) matches[cycle].push_back(polyhedron_facet);
    }
  }
  // Unsetting and collecting do not depend on the visiting order: the vertices are sorted by
  // the repair that follows.
  std::vector<index_t> cut_vertices;
  for (const auto& [unused, facets] : matches) {
    if (facets.size() != 2) continue;
    for (const auto& facet : facets) {
      const auto opposite = mesh.polyhedron_adjacent_facet(facet);
      builder.unset_polyhedron_adjacent(facet);
      if (opposite) builder.unset_polyhedron_adjacent(*opposite);
      for (const auto vertex : mesh.polyhedron_facet_vertices(facet)) {
        cut_vertices.push_back(vertex);
      }
    }
  }
  return cut_vertices;
}

}  // namespace

class SplitAlongBlockMeshBorders::Impl {
 public:
  Impl(const BRep& model, BRepBuilder& builder) : model_(model), builder_(builder) {}

  std::vector<std::pair<ComponentMeshVertex, ComponentMeshVertex>> split_all_blocks() {
    std::vector<std::pair<ComponentMeshVertex, ComponentMeshVertex>> pairs;
    const SurfaceCycles surfaces{model_};
    if (surfaces.cycles.empty()) return pairs;
    for (const auto& block : model_.blocks()) {
      if (block.mesh().nb_polyhedra() == 0) continue;
      const auto mesh_builder = builder_.block_mesh_builder(block.id());
      const auto cut_vertices = cut_block(model_, block, *mesh_builder, surfaces);
      if (cut_vertices.empty()) continue;
      const auto new_vertices =
          repair_non_manifold_vertices(block.mesh(), *mesh_builder, cut_vertices);
      const auto component = block.component_id();
      internal::tie_split_vertices(model_, builder_, component, new_vertices,
                                   [&](index_t vertex, index_t copy) {
                                     pairs.emplace_back(ComponentMeshVertex{component, vertex},
                                                        ComponentMeshVertex{component, copy});
                                   });
    }
    return pairs;
  }

 private:
  const BRep& model_;
  BRepBuilder& builder_;
};

SplitAlongBlockMeshBorders::SplitAlongBlockMeshBorders(const BRep& model, BRepBuilder& builder)
    : impl_(std::make_unique<Impl>(model, builder)) {}

SplitAlongBlockMeshBorders::~SplitAlongBlockMeshBorders() = default;

std::vector<std::pair<ComponentMeshVertex, ComponentMeshVertex>>
SplitAlongBlockMeshBorders::split_all_blocks() {
  return impl_->split_all_blocks();
}

}  // namespace veyra
