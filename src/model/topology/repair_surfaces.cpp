// SPDX-License-Identifier: MIT
#include <model/topology/repair_surfaces.h>

#include <algorithm>
#include <string>
#include <vector>

#include <ostrel/basic/logger.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/repair_polygon_orientations.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/repair_non_manifold_vertices.h>
#include <ostrel/model/section.h>

#include "polygon_cycles.h"

namespace veyra::detail {
namespace {

// Both deletion passes below also unset the adjacencies around what they remove in the
// description of this step; they are left alone here because step 3 recomputes every adjacency
// of the mesh from scratch, which overwrites any such change.

template <index_t D>
void remove_repeated_polygon_vertices(const SurfaceMesh<D>& mesh, SurfaceMeshBuilder<D>& builder) {
  const auto nb_polygons = mesh.nb_polygons();
  std::vector<bool> to_delete;
  std::vector<PolygonVertices> replacements;
  PolygonVertices distinct;
  for (index_t polygon = 0; polygon < nb_polygons; ++polygon) {
    const auto vertices = mesh.polygon_vertices(polygon);
    distinct.clear();
    for (const auto vertex : vertices) {
      if (std::find(distinct.begin(), distinct.end(), vertex) == distinct.end()) {
        distinct.push_back(vertex);
      }
    }
    if (distinct.size() == vertices.size()) continue;
    if (to_delete.empty()) to_delete.resize(nb_polygons, false);
    to_delete[polygon] = true;
    if (distinct.size() >= 3) replacements.push_back(distinct);
  }
  if (to_delete.empty()) return;
  for (const auto& vertices : replacements) builder.create_polygon(vertices);
  to_delete.resize(mesh.nb_polygons(), false);
  builder.delete_polygons(to_delete);
}

template <typename Model>
void remove_duplicated_polygons(const Model& model, const Surface<Model::dim>& surface,
                                SurfaceMeshBuilder<Model::dim>& builder) {
  const auto& mesh = surface.mesh();
  const auto nb_polygons = mesh.nb_polygons();
  const auto unique_vertices = model.component_unique_vertices(surface.id());
  PolygonCycles cycles;
  cycles.reserve(nb_polygons, 3 * nb_polygons);
  PolygonVertices cycle;
  for (index_t polygon = 0; polygon < nb_polygons; ++polygon) {
    cycle.clear();
    for (const auto vertex : mesh.polygon_vertices(polygon)) {
      cycle.push_back(vertex < unique_vertices.size() ? unique_vertices[vertex] : NO_ID);
    }
    cycles.add(cycle);
  }
  const auto first = cycles.first_occurrences();
  std::vector<bool> to_delete;
  for (index_t polygon = 0; polygon < nb_polygons; ++polygon) {
    if (first[polygon] == polygon) continue;
    if (to_delete.empty()) to_delete.resize(nb_polygons, false);
    to_delete[polygon] = true;
  }
  if (!to_delete.empty()) builder.delete_polygons(to_delete);
}

}  // namespace

template <typename Model>
void repair_surfaces(EngineContext<Model>& context) {
  const Model& model = context.model;
  std::vector<uuid> surfaces;
  for (const auto& surface : model.surfaces()) surfaces.push_back(surface.id());
  for (const auto& id : surfaces) {
    const auto& surface = model.surface(id);
    const auto& mesh = surface.mesh();
    auto builder = context.builder.surface_mesh_builder(id);
    remove_repeated_polygon_vertices(mesh, *builder);
    remove_duplicated_polygons(model, surface, *builder);
    builder->compute_polygon_adjacencies();
    try {
      repair_polygon_orientations(mesh, *builder);
    } catch (const OstrelException& exception) {
      if (exception.type() == OstrelException::TYPE::input) {
        const auto name = surface.name();
        Logger::log_warn(
            "[ModelBuilderFromUniqueVertices::repair_surfaces] Unorientable surface detected (",
            name ? std::string{*name} : id.string(), " ", id.string(), ").");
      }
    }
    repair_non_manifold_vertices(model, context.builder, surface);
  }
}

template void repair_surfaces(EngineContext<Section>&);
template void repair_surfaces(EngineContext<BRep>&);

}  // namespace veyra::detail
