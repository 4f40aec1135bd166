// SPDX-License-Identifier: MIT
#include <veyra_common/modifier/section_geometric_modifier.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <type_traits>
#include <vector>

#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>

#include "mesh_checks.h"

namespace veyra {
namespace {

using Ids = std::vector<index_t>;

static_assert(std::is_copy_constructible_v<SectionGeometricModifier::SectionSplitPolygonEdgeInfo>);

/// One surface made of a convex polygon of k vertices on the unit circle, with its edge i also
/// the one edge of a line (line vertex 0 on polygon vertex i). Unique vertex v is polygon
/// vertex v.
struct PolygonSection {
  PolygonSection(index_t k, index_t i) {
    SectionBuilder builder{section};
    builder.create_unique_vertices(k);
    surface = builder.add_surface();
    line = builder.add_line();
    auto mesh = builder.surface_mesh_builder(surface);
    Ids cycle;
    for (index_t v = 0; v < k; ++v) {
      const double angle = 2. * std::numbers::pi * v / k;
      mesh->create_point(Point<2>{{std::cos(angle), std::sin(angle)}});
      cycle.push_back(v);
      builder.set_unique_vertex({section.surface(surface).component_id(), v}, v);
    }
    mesh->create_polygon(cycle);
    auto curve = builder.line_mesh_builder(line);
    const auto& points = section.surface(surface).mesh();
    curve->create_point(points.point(i));
    curve->create_point(points.point((i + 1) % k));
    curve->create_edge(0, 1);
    builder.set_unique_vertex({section.line(line).component_id(), 0}, i);
    builder.set_unique_vertex({section.line(line).component_id(), 1}, (i + 1) % k);
  }

  Section section;
  uuid surface;
  uuid line;
};

struct ShapeCase {
  index_t nb_vertices;
  index_t split_edge;
  Ids first;
  Ids second;
};

class SectionPolygonSplit : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(SectionPolygonSplit, GivesTheTwoPiecesAroundTheNewVertex) {
  const auto& shape = GetParam();
  PolygonSection model{shape.nb_vertices, shape.split_edge};
  SectionBuilder builder{model.section};
  SectionGeometricModifier modifier{model.section, builder};
  const auto& surface = model.section.surface(model.surface);
  const auto& mesh = surface.mesh();
  const auto middle = mesh.polygon_edge_barycenter({0, static_cast<local_index_t>(shape.split_edge)});

  const auto info = modifier.split_edge(model.section.line(model.line), 0, middle);

  EXPECT_EQ(info.unique_vertex, shape.nb_vertices);
  const auto& splits = info.surfaces.at(model.surface);
  ASSERT_EQ(splits.size(), 1u);
  EXPECT_THAT(splits[0].new_polygons, ::testing::ElementsAre(1, 2));
  EXPECT_EQ(test::as_vector(mesh.polygon_vertices(1)), shape.first);
  EXPECT_EQ(test::as_vector(mesh.polygon_vertices(2)), shape.second);
  EXPECT_NEAR(mesh.polygon_area(1) + mesh.polygon_area(2), mesh.polygon_area(0), 1e-12);
  test::expect_conformal_surface(mesh, [&](index_t p) {
    return modifier.is_triangle_active(surface, p);
  });
  EXPECT_EQ(info.lines.at(model.line)[0].new_edges, (std::array<index_t, 2>{1, 2}));

  const auto clean = modifier.clean();
  EXPECT_EQ(clean.surfaces.at(model.surface).elements, (Ids{NO_ID, 0, 1}));
  EXPECT_EQ(clean.lines.at(model.line).elements, (Ids{NO_ID, 0, 1}));
  EXPECT_EQ(clean.unique_vertices.size(), shape.nb_vertices + 1);
}

// The new vertex n is vertex k of the surface.
INSTANTIATE_TEST_SUITE_P(
    Shapes, SectionPolygonSplit,
    ::testing::Values(ShapeCase{3, 0, {0, 3, 2}, {3, 1, 2}},
                      // A quad gives a quad and a triangle.
                      ShapeCase{4, 0, {0, 4, 2, 3}, {4, 1, 2}},
                      ShapeCase{4, 3, {3, 4, 1, 2}, {4, 0, 1}},
                      ShapeCase{5, 2, {2, 5, 0, 1}, {5, 3, 4, 0}},
                      ShapeCase{6, 1, {1, 6, 4, 5, 0}, {6, 2, 3, 4}}));

}  // namespace
}  // namespace veyra
