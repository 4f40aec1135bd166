// SPDX-License-Identifier: MIT
#include <ostrel/mesh/repair_polygon_orientations.h>

#include <numeric>
#include <utility>
#include <vector>

#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/mesh/surface_mesh_builder.h>

namespace veyra {
namespace {

/// Union-find where each element knows whether its orientation differs from its root's. The
/// root of a group is its smallest element, which keeps its orientation.
class OrientationGroups {
 public:
  explicit OrientationGroups(index_t nb_elements)
      : parent_(nb_elements), flipped_(nb_elements, false) {
    std::iota(parent_.begin(), parent_.end(), index_t{0});
  }

  /// Root of the element and whether the element is flipped relative to it.
  std::pair<index_t, bool> find(index_t element) {
    bool flipped = false;
    auto current = element;
    while (parent_[current] != current) {
      flipped = flipped != flipped_[current];
      current = parent_[current];
    }
    // Second pass: point every element of the path straight at the root.
    const auto root = current;
    bool remaining = flipped;
    current = element;
    while (parent_[current] != current) {
      const auto next = parent_[current];
      const bool own = flipped_[current];
      parent_[current] = root;
      flipped_[current] = remaining;
      remaining = remaining != own;
      current = next;
    }
    return {root, flipped};
  }

  /// Records that the two elements must differ (or not); false on a contradiction.
  bool relate(index_t element0, index_t element1, bool differ) {
    auto [root0, flipped0] = find(element0);
    auto [root1, flipped1] = find(element1);
    if (root0 == root1) return (flipped0 != flipped1) == differ;
    if (root1 < root0) std::swap(root0, root1);
    parent_[root1] = root0;
    flipped_[root1] = (flipped0 != flipped1) != differ;
    return true;
  }

 private:
  std::vector<index_t> parent_;
  std::vector<bool> flipped_;
};

}  // namespace

template <index_t D>
void repair_polygon_orientations(const SurfaceMesh<D>& mesh, SurfaceMeshBuilder<D>& builder) {
  const auto nb_polygons = mesh.nb_polygons();
  OrientationGroups groups{nb_polygons};
  // Phase 1: every adjacency (on either side) relates two polygons; nothing changes until all
  // groups are known to be orientable.
  for (index_t polygon = 0; polygon < nb_polygons; ++polygon) {
    for (local_index_t edge = 0; edge < mesh.nb_polygon_edges(polygon); ++edge) {
      const PolygonEdge polygon_edge{polygon, edge};
      const auto adjacent_edge = mesh.polygon_adjacent_edge(polygon_edge);
      if (!adjacent_edge) continue;
      const auto vertices = mesh.polygon_edge_vertices(polygon_edge);
      if (vertices[0] == vertices[1]) continue;
      // Consistent neighbours run through the edge in opposite directions; running the same
      // way means exactly one of the two must be reversed.
      const bool same_direction = mesh.polygon_edge_vertex(*adjacent_edge, 0) == vertices[0];
      OSTREL_INPUT_CHECK(OstrelMeshException,
                         groups.relate(polygon, adjacent_edge->polygon_id, same_direction),
                         "[repair_polygon_orientations] Surface polygons cannot be oriented "
                         "consistently");
    }
  }
  // Phase 2.
  for (index_t polygon = 0; polygon < nb_polygons; ++polygon) {
    if (groups.find(polygon).second) builder.reverse_polygon(polygon);
  }
}

template void repair_polygon_orientations(const SurfaceMesh<2>&, SurfaceMeshBuilder<2>&);
template void repair_polygon_orientations(const SurfaceMesh<3>&, SurfaceMeshBuilder<3>&);

}  // namespace veyra
