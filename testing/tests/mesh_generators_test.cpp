// SPDX-License-Identifier: MIT
#include <veyra_testing/mesh_generators.h>

#include <gtest/gtest.h>

#include <absl/container/flat_hash_set.h>

#include <ostrel/basic/attribute_manager.h>
#include <ostrel/geometry/basic_objects.h>
#include <ostrel/geometry/mensuration.h>

namespace veyra::testing {
namespace {

// Volume enclosed by a closed surface, positive when it is oriented outwards.
double enclosed_volume(const SurfaceMesh<3>& surface) {
  double volume = 0;
  const Point<3> origin;
  for (index_t p = 0; p < surface.nb_polygons(); ++p) {
    const auto vertices = surface.polygon_vertices(p);
    volume += tetrahedron_signed_volume(Tetrahedron{origin, surface.point(vertices[0]),
                                                    surface.point(vertices[1]),
                                                    surface.point(vertices[2])});
  }
  return volume;
}

bool is_closed(const SurfaceMesh<3>& surface) {
  for (index_t p = 0; p < surface.nb_polygons(); ++p) {
    for (local_index_t e = 0; e < 3; ++e) {
      if (surface.is_edge_on_border({p, e})) return false;
    }
  }
  return true;
}

TEST(MeshGenerators, ClosedShapesAreOrientedOutwards) {
  const auto cube = make_cube_surface(4);
  EXPECT_EQ(cube->nb_polygons(), 6u * 2 * 16);
  EXPECT_EQ(cube->nb_vertices(), 6u * 25 - 12 * 5 + 8);
  EXPECT_TRUE(is_closed(*cube));
  EXPECT_NEAR(enclosed_volume(*cube), 1., 1e-12);

  const auto sphere = make_sphere(3, Point<3>{{1, 2, 3}}, 2.);
  EXPECT_EQ(sphere->nb_polygons(), 20u * 64);
  EXPECT_TRUE(is_closed(*sphere));
  EXPECT_GT(enclosed_volume(*sphere), 0.9 * 4. / 3. * M_PI * 8.);
}

TEST(MeshGenerators, CubeFacesShareExactPointsAndFaceOutwards) {
  const auto faces = make_cube_faces(3);
  ASSERT_EQ(faces.size(), 6u);
  double total = 0;
  absl::flat_hash_set<Point<3>> points;
  for (const auto& face : faces) {
    EXPECT_EQ(face->nb_polygons(), 18u);
    total += enclosed_volume(*face);
    for (index_t v = 0; v < face->nb_vertices(); ++v) points.insert(face->point(v));
  }
  EXPECT_NEAR(total, 1., 1e-12);
  EXPECT_EQ(points.size(), 6u * 16 - 12 * 4 + 8);
}

TEST(MeshGenerators, GridRegionsFollowBlocksOfCells) {
  auto grid = make_grid_2d(4, 2);
  add_grid_regions(*grid, 4, 2, 2, 2, "region");
  const auto regions =
      grid->polygon_attribute_manager().find_attribute<index_t>("region");
  std::vector<index_t> values;
  for (index_t p = 0; p < grid->nb_polygons(); p += 2) values.push_back(regions->value(p));
  EXPECT_EQ(values, (std::vector<index_t>{0, 0, 1, 1, 2, 2, 3, 3}));
}

TEST(MeshGenerators, BoxTetrahedraFillTheBoxConformally) {
  const auto box = make_box_tetrahedra(3, 2, 4, Point<3>{{-1., 0., 0.}}, Point<3>{{2., 1., 2.}});
  ASSERT_EQ(box->nb_polyhedra(), 6u * 3 * 2 * 4);
  EXPECT_EQ(box->nb_vertices(), 4u * 3 * 5);
  double volume = 0;
  index_t nb_border_facets = 0;
  for (index_t p = 0; p < box->nb_polyhedra(); ++p) {
    EXPECT_GT(box->polyhedron_volume(p), 0.);
    volume += box->polyhedron_volume(p);
    for (local_index_t f = 0; f < 4; ++f) {
      const auto adjacent = box->polyhedron_adjacent({p, f});
      if (!adjacent) {
        ++nb_border_facets;
        continue;
      }
      // Linked both ways across the same three vertices.
      const auto back = box->polyhedron_adjacent_facet({p, f});
      ASSERT_TRUE(back);
      EXPECT_EQ(box->polyhedron_adjacent(*back), p);
    }
  }
  EXPECT_NEAR(volume, 3. * 1. * 2., 1e-12);
  // Two triangles per cell face on the box's border.
  EXPECT_EQ(nb_border_facets, 2u * 2 * (3 * 2 + 2 * 4 + 3 * 4));
}

}  // namespace
}  // namespace veyra::testing
