// SPDX-License-Identifier: MIT
#include <ostrel/mesh/ostrel_mesh_library.h>

#include <ostrel/geometry/geometry_library.h>

#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/graph.h>
#include <ostrel/mesh/graph_builder.h>
#include <ostrel/mesh/mesh_builder_factory.h>
#include <ostrel/mesh/mesh_factory.h>
#include <ostrel/mesh/point_set.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/polygonal_surface_builder.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/polyhedral_solid_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/tetrahedral_solid_builder.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/mesh/triangulated_surface_builder.h>

namespace veyra {
namespace {

/// Registers implementation Impl of mesh class Mesh with Builder as its builder, and makes it
/// the default implementation of the mesh type.
template <typename Mesh, typename Impl, typename Builder>
void register_default_mesh() {
  const auto key = Impl::impl_name_static();
  MeshFactory::register_mesh<Mesh, Impl>(key);
  MeshBuilderFactory::register_builder<Builder, Mesh>(key);
  MeshFactory::register_default(Mesh::type_name_static(), key);
}

template <index_t D>
void register_meshes_of_dimension() {
  register_default_mesh<PointSet<D>, OstrelPointSet<D>, PointSetBuilder<D>>();
  register_default_mesh<EdgedCurve<D>, OstrelEdgedCurve<D>, EdgedCurveBuilder<D>>();
  register_default_mesh<PolygonalSurface<D>, OstrelPolygonalSurface<D>,
                        PolygonalSurfaceBuilder<D>>();
  register_default_mesh<TriangulatedSurface<D>, OstrelTriangulatedSurface<D>,
                        TriangulatedSurfaceBuilder<D>>();
}

}  // namespace

void OstrelMeshLibrary::initialize() { initialize_library<OstrelMeshLibrary>("Mesh"); }

void OstrelMeshLibrary::do_initialize() {
  OstrelGeometryLibrary::initialize();
  // The factories' register functions never call initialize(): doing so here would re-enter
  // this library's once-flag from the same thread.
  register_meshes_of_dimension<2>();
  register_meshes_of_dimension<3>();
  register_default_mesh<PolyhedralSolid<3>, OstrelPolyhedralSolid<3>, PolyhedralSolidBuilder<3>>();
  register_default_mesh<TetrahedralSolid<3>, OstrelTetrahedralSolid<3>,
                        TetrahedralSolidBuilder<3>>();
  register_default_mesh<Graph, OstrelGraph, GraphBuilder>();
}

}  // namespace veyra
