// SPDX-License-Identifier: MIT
#include <model/topology/block_boundary_surfaces.h>

#include <functional>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <veyra_testing/brep_from_points.h>
#include <veyra_testing/mesh_generators.h>

#include <model/common/library.h>

namespace veyra {
namespace {

using testing::BRepFromPoints;
using Ids = std::vector<uuid>;

std::vector<Point<3>> solid_points(const SolidMesh<3>& solid) {
  std::vector<Point<3>> points;
  for (index_t v = 0; v < solid.nb_vertices(); ++v) points.push_back(solid.point(v));
  return points;
}

class BlockBoundarySurfaces : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { VeyraConversionModelLibrary::initialize(); }
};

// Every polygon edge with a neighbour is run through in the other direction by the neighbour.
void expect_consistent_orientations(const SurfaceMesh<3>& mesh) {
  for (index_t p = 0; p < mesh.nb_polygons(); ++p) {
    for (local_index_t e = 0; e < mesh.nb_polygon_edges(p); ++e) {
      const auto adjacent = mesh.polygon_adjacent_edge({p, e});
      if (!adjacent) continue;
      const auto ends = mesh.polygon_edge_vertices({p, e});
      const auto other = mesh.polygon_edge_vertices(*adjacent);
      EXPECT_EQ(ends[0], other[1]);
      EXPECT_EQ(ends[1], other[0]);
    }
  }
}

TEST_F(BlockBoundarySurfaces, CoveredBorderStillGivesASurfaceWithAnEmptyMesh) {
  const auto solid = testing::make_box_tetrahedra(2, 2, 2, Point<3>{{0., 0., 0.}},
                                                  Point<3>{{1., 1., 1.}});
  BRep model;
  BRepFromPoints maker{model, solid_points(*solid)};
  for (int axis = 0; axis < 3; ++axis) {
    for (const double value : {0., 1.}) {
      // Orientations do not matter: a facet is covered when a polygon has its vertices.
      maker.add_surface(testing::solid_facets_where(
          *solid, [&](const Point<3>& point) { return point.value(axis) == value; },
          Vector<3>{{1., 1., 1.}}));
    }
  }
  maker.add_block(*solid);
  internal::add_block_boundaries_as_surfaces_in_model(model, maker.builder());
  ASSERT_EQ(model.nb_surfaces(), 7);
  Ids surfaces;
  for (const auto& surface : model.surfaces()) surfaces.push_back(surface.id());
  const auto& added = model.surface(surfaces.back());
  EXPECT_EQ(added.mesh().nb_polygons(), 0);
  EXPECT_EQ(added.mesh().nb_vertices(), 0);
  EXPECT_EQ(model.nb_relations(added.id()), 0);
}

TEST_F(BlockBoundarySurfaces, TetrahedralBorderWithoutSurfaceGivesATiedTriangulatedSurface) {
  const auto solid = testing::make_box_tetrahedra(2, 2, 2, Point<3>{{0., 0., 0.}},
                                                  Point<3>{{1., 1., 1.}});
  BRep model;
  BRepFromPoints maker{model, solid_points(*solid)};
  maker.add_surface(testing::solid_facets_where(
      *solid, [](const Point<3>& point) { return point.value(0) == 0.; },
      Vector<3>{{-1., 0., 0.}}));
  const auto block = maker.add_block(*solid);

  const auto boundary = detail::block_boundary_surface_mesh(model, model.block(block));
  const auto& mesh = *boundary.mesh;
  EXPECT_EQ(mesh.type_name(), TriangulatedSurface<3>::type_name_static());
  // Five faces of 8 triangles, on every border point of the 3 x 3 x 3 lattice but the middle
  // of face x = 0.
  EXPECT_EQ(mesh.nb_polygons(), 5 * 8);
  EXPECT_EQ(mesh.nb_vertices(), 26 - 1);
  ASSERT_EQ(boundary.unique_vertices.size(), mesh.nb_vertices());
  for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
    EXPECT_EQ(solid->point(boundary.unique_vertices[v]), mesh.point(v));
  }
  expect_consistent_orientations(mesh);

  internal::add_block_boundaries_as_surfaces_in_model(model, maker.builder());
  ASSERT_EQ(model.nb_surfaces(), 2);
  const auto& added = *std::next(model.surfaces().begin());
  EXPECT_EQ(added.mesh().nb_polygons(), 5 * 8);
  for (index_t v = 0; v < added.mesh().nb_vertices(); ++v) {
    EXPECT_EQ(model.unique_vertex({added.component_id(), v}), boundary.unique_vertices[v]);
  }
}

TEST_F(BlockBoundarySurfaces, EveryFacetOfOtherPolyhedraIsExamined) {
  // One hexahedron: its six quadrangles, not only its first four facets.
  std::vector<Point<3>> points;
  for (int z = 0; z < 2; ++z) {
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 2; ++x) points.push_back(Point<3>{{1. * x, 1. * y, 1. * z}});
    }
  }
  auto hexahedron = PolyhedralSolid<3>::create();
  auto builder = SolidMeshBuilder<3>::create(*hexahedron);
  for (const auto& point : points) builder->create_point(point);
  builder->create_polyhedron({0, 1, 3, 2, 4, 5, 7, 6}, std::vector<std::vector<local_index_t>>{
                                                           {0, 3, 2, 1},
                                                           {4, 5, 6, 7},
                                                           {0, 1, 5, 4},
                                                           {1, 2, 6, 5},
                                                           {2, 3, 7, 6},
                                                           {3, 0, 4, 7}});
  BRep model;
  BRepFromPoints maker{model, points};
  const auto block = maker.add_block(*hexahedron);
  const auto boundary = detail::block_boundary_surface_mesh(model, model.block(block));
  EXPECT_NE(boundary.mesh->type_name(), TriangulatedSurface<3>::type_name_static());
  EXPECT_EQ(boundary.mesh->nb_polygons(), 6);
  EXPECT_EQ(boundary.mesh->nb_vertices(), 8);
  expect_consistent_orientations(*boundary.mesh);
}

}  // namespace
}  // namespace veyra
