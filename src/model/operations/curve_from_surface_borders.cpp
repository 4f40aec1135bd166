// SPDX-License-Identifier: MIT
#include <model/operations/curve_from_surface_borders.h>
#include <ostrel/mesh/edged_curve_builder.h>

namespace veyra {

template <index_t D>
std::unique_ptr<EdgedCurve<D>> curve_from_surface_borders(const SurfaceMesh<D>& surface) {
  auto curve = EdgedCurve<D>::create();
  auto builder = EdgedCurveBuilder<D>::create(*curve);
  const auto nb_vertices = surface.nb_vertices();
  builder->reserve_vertices(nb_vertices);
  for (index_t vertex = 0; vertex < nb_vertices; ++vertex) {
    builder->create_point(surface.point(vertex));
  }
  for (index_t polygon = 0; polygon < surface.nb_polygons(); ++polygon) {
    for (local_index_t edge = 0; edge < surface.nb_polygon_edges(polygon); ++edge) {
      const PolygonEdge polygon_edge{polygon, edge};
      if (surface.polygon_adjacent(polygon_edge)) continue;
      builder->create_edge(surface.polygon_edge_vertex(polygon_edge, 0),
                           surface.polygon_edge_vertex(polygon_edge, 1));
    }
  }
  builder->delete_isolated_vertices();
  return curve;
}

template std::unique_ptr<EdgedCurve<2>> curve_from_surface_borders(const SurfaceMesh<2>&);
template std::unique_ptr<EdgedCurve<3>> curve_from_surface_borders(const SurfaceMesh<3>&);

}  // namespace veyra
