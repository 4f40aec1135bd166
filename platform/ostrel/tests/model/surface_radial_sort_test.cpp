// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/geometry/mensuration.h>
#include <ostrel/geometry/vector.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/surface_radial_sort.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "model_fixtures.h"

namespace veyra {
namespace {

using Triangle3 = std::array<Point<3>, 3>;

Point<3> point(double x, double y, double z) {
  return Point<3>{{x, y, z}};
}

/// A BRep with the line (0,0,0) -> (0,0,1) and one surface per entry, each made of the given
/// triangles; equal points share a unique vertex.
struct Fan {
  explicit Fan(const std::vector<std::vector<Triangle3>>& surface_triangles) {
    BRepBuilder builder{brep};
    std::vector<Point<3>> unique_points;
    const auto unique_vertex = [&](const Point<3>& p) {
      const auto found = std::find(unique_points.begin(), unique_points.end(), p);
      if (found != unique_points.end()) return static_cast<index_t>(found - unique_points.begin());
      unique_points.push_back(p);
      return builder.create_unique_vertex();
    };
    line = builder.add_line();
    auto curve = builder.line_mesh_builder(line);
    for (const auto& end : {point(0, 0, 0), point(0, 0, 1)}) {
      const auto vertex = curve->create_point(end);
      builder.set_unique_vertex({brep.line(line).component_id(), vertex}, unique_vertex(end));
    }
    curve->create_edge(0, 1);
    for (const auto& triangles : surface_triangles) {
      const auto id = builder.add_surface();
      surfaces.push_back(id);
      auto mesh = builder.surface_mesh_builder(id);
      for (const auto& triangle : triangles) {
        std::vector<index_t> vertices;
        for (const auto& corner : triangle) {
          const auto vertex = mesh->create_point(corner);
          builder.set_unique_vertex({brep.surface(id).component_id(), vertex},
                                    unique_vertex(corner));
          vertices.push_back(vertex);
        }
        mesh->create_polygon(vertices);
      }
    }
  }

  BRep brep;
  uuid line;
  std::vector<uuid> surfaces;
};

struct Side {
  index_t surface;
  local_index_t polygon;
  bool side;
};

TEST(SurfaceRadialSort, OrdersSidesAroundTheLine) {
  const auto p0 = point(0, 0, 0);
  const auto p1 = point(0, 0, 1);
  // Cube-edge faces: A in y = 0 facing -y (edge from p1 to p0), B in x = 0 facing -x (edge from
  // p0 to p1). A lies towards +x, B towards +y: B is A + 90 degrees about the line.
  const std::vector<Triangle3> face_a{{p1, p0, point(1, 0, 0)}};
  const std::vector<Triangle3> face_b{{p0, p1, point(0, 1, 0)}};
  // One surface crossing the line, facing +y on both sides.
  const std::vector<Triangle3> crossing{{p0, p1, point(1, 0, 0)}, {p1, p0, point(-1, 0, 0)}};
  struct Case {
    std::string name;
    std::vector<std::vector<Triangle3>> surfaces;
    std::vector<Side> expected;
  };
  const std::vector<Case> cases{
      {"one wing", {face_b}, {{0, 0, true}, {0, 0, false}}},
      // Inside the cube: A's back, then B's back; outside: B's front, then A's front.
      {"two wings at 90 degrees",
       {face_a, face_b},
       {{0, 0, false}, {0, 0, true}, {1, 0, true}, {1, 0, false}}},
      {"the same, B first",
       {face_b, face_a},
       {{0, 0, true}, {0, 0, false}, {1, 0, false}, {1, 0, true}}},
      {"a surface crossing the line",
       {crossing},
       {{0, 0, true}, {0, 0, false}, {0, 1, false}, {0, 1, true}}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const Fan fan{test.surfaces};
    const auto sorted = surface_radial_sort(fan.brep, fan.brep.line(fan.line));
    ASSERT_EQ(sorted.nb_surfaces(), test.expected.size());
    for (index_t position = 0; position < sorted.nb_surfaces(); ++position) {
      SCOPED_TRACE(position);
      const auto& expected = test.expected[position];
      const auto& actual = sorted.surfaces[position];
      EXPECT_EQ(actual.id, fan.surfaces[expected.surface]);
      EXPECT_EQ(actual.polygon_edge.polygon_id, expected.polygon);
      EXPECT_EQ(actual.side, expected.side);
    }
  }
}

TEST(SurfaceRadialSort, PairsSectorsAndFindsEveryPositionOfASide) {
  const auto p0 = point(0, 0, 0);
  const auto p1 = point(0, 0, 1);
  const Fan lone{{{{p0, p1, point(0, 1, 0)}}}};
  const auto one = surface_radial_sort(lone.brep, lone.brep.line(lone.line));
  EXPECT_EQ(one.next(0), 1);
  EXPECT_EQ(one.next(1), 0);

  const Fan crossing{{{{p0, p1, point(1, 0, 0)}, {p1, p0, point(-1, 0, 0)}}}};
  const auto two = surface_radial_sort(crossing.brep, crossing.brep.line(crossing.line));
  const auto id = crossing.surfaces[0];
  EXPECT_EQ(two.find({id, {}, false}), (std::vector<index_t>{1, 2}));
  EXPECT_EQ(two.find({id, {}, true}), (std::vector<index_t>{0, 3}));
  // Each sector is bounded by the same side of the surface on both wings.
  EXPECT_EQ(two.next(1), 2);
  EXPECT_EQ(two.next(2), 1);
  EXPECT_EQ(two.next(3), 0);
  EXPECT_EQ(two.next(0), 3);

  const Fan empty{{}};
  EXPECT_EQ(surface_radial_sort(empty.brep, empty.brep.line(empty.line)).nb_surfaces(), 0);
}

TEST(SurfaceRadialSort, RefusesAWingLyingOnTheLine) {
  const auto p0 = point(0, 0, 0);
  const auto p1 = point(0, 0, 1);
  const Fan fan{{{{p0, p1, point(1, 0, 0)}}, {{p0, p1, point(0, 0, 2)}}}};
  try {
    surface_radial_sort(fan.brep, fan.brep.line(fan.line));
    FAIL() << "no exception";
  } catch (const OstrelGeometryException& error) {
    EXPECT_EQ(error.type(), OstrelException::TYPE::internal);
    EXPECT_EQ(std::string{error.what()},
              "[surface_radial_sort] Cannot sort degenerate polygon around line");
  }
}

/// Signed volume seen from one side of a surface: the fans (v0, vk, vk+1, reference), added for
/// the front and subtracted for the back.
double side_volume(const SurfaceMesh<3>& mesh, bool back) {
  const Point<3> reference{{0.3, 0.7, 0.2}};
  double volume = 0.;
  for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
    const auto vertices = mesh.polygon_vertices(polygon);
    for (std::size_t k = 1; k + 1 < vertices.size(); ++k) {
      volume += tetrahedron_signed_volume({mesh.point(vertices[0]), mesh.point(vertices[k]),
                                           mesh.point(vertices[k + 1]), reference});
    }
  }
  return back ? -volume : volume;
}

// Regions are the classes of surface sides linked by next() around every line; their signed
// volumes are +1 inside the unit cube and -1 outside, whatever the face orientations.
TEST(SurfaceRadialSort, RegionSumsAreTheVolumeInsideAndMinusItOutside) {
  for (const std::string orientation : {"as built", "outwards", "inwards"}) {
    SCOPED_TRACE(orientation);
    auto cube = test::make_cube();
    auto& brep = cube.brep;
    BRepBuilder builder{brep};
    for (const auto& surface : brep.surfaces()) {
      const auto& mesh = surface.mesh();
      const auto normal = *mesh.polygon_normal(0);
      const Vector<3> outwards{Point<3>{{0.5, 0.5, 0.5}}, mesh.polygon_barycenter(0)};
      const bool is_outwards = normal.dot(outwards) > 0.;
      if ((orientation == "outwards" && !is_outwards) ||
          (orientation == "inwards" && is_outwards)) {
        const auto mesh_builder = builder.surface_mesh_builder(surface.id());
        for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
          mesh_builder->reverse_polygon(polygon);
        }
      }
    }
    std::vector<index_t> region(12);  // surface f side s -> slot 2f + s, union-find
    for (index_t slot = 0; slot < 12; ++slot) region[slot] = slot;
    const auto root = [&region](index_t slot) {
      while (region[slot] != slot) slot = region[slot];
      return slot;
    };
    const auto slot_of = [&cube](const SidedSurface& side) {
      const auto face = std::find(cube.surfaces.begin(), cube.surfaces.end(), side.id);
      return static_cast<index_t>(2 * (face - cube.surfaces.begin()) + (side.side ? 1 : 0));
    };
    for (const auto& line : brep.lines()) {
      const auto sorted = surface_radial_sort(brep, line);
      ASSERT_EQ(sorted.nb_surfaces(), 4);
      for (index_t position = 0; position < 4; ++position) {
        const auto a = root(slot_of(sorted.surfaces[position]));
        const auto b = root(slot_of(sorted.surfaces[sorted.next(position)]));
        region[std::max(a, b)] = std::min(a, b);
      }
    }
    std::vector<double> sums(12, 0.);
    for (index_t slot = 0; slot < 12; ++slot) {
      sums[root(slot)] += side_volume(brep.surface(cube.surfaces[slot / 2]).mesh(), slot % 2 == 1);
    }
    std::vector<double> regions;
    for (index_t slot = 0; slot < 12; ++slot) {
      if (root(slot) == slot) regions.push_back(sums[slot]);
    }
    std::sort(regions.begin(), regions.end());
    ASSERT_EQ(regions.size(), 2);
    EXPECT_NEAR(regions[0], -1., 1e-12);
    EXPECT_NEAR(regions[1], 1., 1e-12);
  }
}

}  // namespace
}  // namespace veyra
