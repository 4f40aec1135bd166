// SPDX-License-Identifier: MIT
#include <model/operations/propagated_polygon_normals.h>
#include <ostrel/basic/parallel.h>

#include <algorithm>

namespace veyra::internal {

std::vector<std::optional<Vector<3>>> propagated_polygon_normals(const SurfaceMesh<3>& mesh) {
  const auto nb_polygons = mesh.nb_polygons();
  std::vector<std::optional<Vector<3>>> normals(nb_polygons);
  // Each chunk writes its own polygons' slots and reports how many stayed without normal.
  const auto missing_per_chunk = parallel_map_chunks(
      nb_polygons, parallel_chunk_size(nb_polygons), [&](index_t begin, index_t end) {
        index_t nb_missing = 0;
        for (auto polygon = begin; polygon < end; ++polygon) {
          normals[polygon] = mesh.polygon_normal(polygon);
          if (!normals[polygon]) ++nb_missing;
        }
        return nb_missing;
      });
  if (std::all_of(missing_per_chunk.begin(), missing_per_chunk.end(),
                  [](index_t nb_missing) { return nb_missing == 0; })) {
    return normals;
  }
  // Degenerate polygons, in index order: the first one of a patch touching a polygon with a
  // normal hands that normal to the whole patch, so that the patch makes no crease.
  std::vector<index_t> to_visit;
  for (index_t polygon = 0; polygon < nb_polygons; ++polygon) {
    if (normals[polygon]) continue;
    std::optional<Vector<3>> neighbour_normal;
    for (local_index_t edge = 0; edge < mesh.nb_polygon_edges(polygon); ++edge) {
      const auto adjacent = mesh.polygon_adjacent({polygon, edge});
      if (adjacent && normals[*adjacent]) {
        neighbour_normal = normals[*adjacent];
        break;
      }
    }
    if (!neighbour_normal) continue;
    normals[polygon] = neighbour_normal;
    to_visit.push_back(polygon);
    while (!to_visit.empty()) {
      const auto current = to_visit.back();
      to_visit.pop_back();
      for (local_index_t edge = 0; edge < mesh.nb_polygon_edges(current); ++edge) {
        const auto adjacent = mesh.polygon_adjacent({current, edge});
        if (!adjacent || normals[*adjacent]) continue;
        normals[*adjacent] = neighbour_normal;
        to_visit.push_back(*adjacent);
      }
    }
  }
  return normals;
}

}  // namespace veyra::internal
