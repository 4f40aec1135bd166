// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_map.h>
#include <model/common/library.h>
#include <model/common/model_builder_from_meshes.h>
#include <model/element_meshes/brep_from_brep_element.h>
#include <model/operations/blocks_from_surfaces.h>
#include <model/operations/curve_from_surface_borders.h>
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/polygonal_surface_builder.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/triangulate_surface_mesh.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/build_model_boundaries.h>

#include <functional>

namespace veyra::detail {
namespace {

// One polygon per facet, in facet order, over one surface vertex per polyhedron vertex. The
// facets are left without adjacency: after the triangulation, only the diagonals inside a facet
// link polygons, so every facet edge is a border edge and becomes part of the curve.
std::unique_ptr<PolygonalSurface<3>> polyhedron_boundary(const SolidMesh<3>& solid,
                                                         index_t polyhedron) {
  auto surface = PolygonalSurface<3>::create();
  auto builder = PolygonalSurfaceBuilder<3>::create(*surface);
  const auto vertices = solid.polyhedron_vertices(polyhedron);
  absl::flat_hash_map<index_t, index_t> surface_vertex;
  surface_vertex.reserve(vertices.size());
  for (const auto vertex : vertices) {
    surface_vertex.emplace(vertex, builder->create_point(solid.point(vertex)));
  }
  const auto nb_facets = solid.nb_polyhedron_facets(polyhedron);
  builder->reserve_polygons(nb_facets);
  PolygonVertices polygon;
  for (local_index_t facet = 0; facet < nb_facets; ++facet) {
    polygon.clear();
    for (const auto vertex : solid.polyhedron_facet_vertices({polyhedron, facet})) {
      polygon.push_back(surface_vertex.at(vertex));
    }
    builder->create_polygon(polygon);
  }
  return surface;
}

}  // namespace

BRep build_brep_from_brep_element(const Block<3>& block, index_t polyhedron) {
  const auto& solid = block.get_mesh();
  if (polyhedron >= solid.nb_polyhedra()) {
    throw VeyraConversionModelException{nullptr,
                                        OstrelException::TYPE::input,
                                        "[build_brep_from_brep_element] Polyhedron ",
                                        polyhedron,
                                        " is not in the mesh of Block ",
                                        block.id().string(),
                                        " (",
                                        solid.nb_polyhedra(),
                                        " polyhedra)"};
  }
  auto surface = polyhedron_boundary(solid, polyhedron);
  triangulate_surface_mesh<3>(*surface);
  const auto curve = curve_from_surface_borders<3>(*surface);

  BRep brep;
  const std::reference_wrapper<const EdgedCurve<3>> curves[] = {*curve};
  const std::reference_wrapper<const SurfaceMesh<3>> surfaces[] = {*surface};
  ModelBuilderFromMeshes<BRep>{brep, {}, curves, surfaces}.build_model();
  BRepBuilder builder{brep};
  build_blocks(brep, builder);
  build_model_boundaries(brep, builder);
  return brep;
}

}  // namespace veyra::detail
