// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <model/common/library.h>
#include <model/element_meshes/section_from_surface_elements_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>

#include <optional>
#include <string>
#include <vector>

#include "one_mesh_fixtures.h"
#include "support/expect_valid_model.h"

namespace veyra {
namespace {

using testing::expect_consistent_mappings;
using testing::make_grid_mesh;
using testing::mesh_edge;

class SectionFromSurfaceElements : public ::testing::Test {
 protected:
  void SetUp() override { VeyraConversionModelLibrary::initialize(); }
};

// The line of the section whose mesh has `nb_edges` edges; fails when there is not exactly one.
const Line<2>& line_with_edges(const Section& section, index_t nb_edges) {
  const Line<2>* found = nullptr;
  for (const auto& line : section.lines()) {
    if (line.mesh().nb_edges() != nb_edges) continue;
    EXPECT_EQ(found, nullptr) << "several lines of " << nb_edges << " edges";
    found = &line;
  }
  EXPECT_NE(found, nullptr) << "no line of " << nb_edges << " edges";
  return *found;
}

std::vector<index_t> sorted_keys(const GenericMapping<index_t, MeshElement>& mapping) {
  std::vector<index_t> keys;
  for (const auto& [key, values] : mapping.in2out_map()) keys.push_back(key);
  std::sort(keys.begin(), keys.end());
  return keys;
}

TEST_F(SectionFromSurfaceElements, WithoutDeclaredLinesTheBorderBoundsEachConnectedPart) {
  struct Case {
    std::string name;
    std::vector<index_t> corners;
    index_t nb_corners;
    index_t nb_surfaces;
  };
  // Two squares of two triangles each, side by side without a shared vertex; vertex 0 of the
  // first square is a declared corner in the second case.
  for (const auto& test : std::vector<Case>{{"no corner", {}, 0, 2}, {"one corner", {0}, 1, 2}}) {
    SCOPED_TRACE(test.name);
    auto mesh = SurfaceMesh<2>::create();
    {
      auto builder = SurfaceMeshBuilder<2>::create(*mesh);
      for (const double x : {0., 3.}) {
        builder->create_point(Point<2>{{x, 0}});
        builder->create_point(Point<2>{{x + 1, 0}});
        builder->create_point(Point<2>{{x + 1, 1}});
        builder->create_point(Point<2>{{x, 1}});
      }
      for (const index_t first : {0u, 4u}) {
        builder->create_polygon(std::vector<index_t>{first, first + 1, first + 2});
        builder->create_polygon(std::vector<index_t>{first, first + 2, first + 3});
      }
      builder->compute_polygon_adjacencies();
    }
    const auto [section, vertices, elements] =
        convert_surface_elements_into_section(*mesh, test.corners, {});
    EXPECT_EQ(section.nb_corners(), test.nb_corners);
    EXPECT_EQ(section.nb_lines(), 2);
    EXPECT_EQ(section.nb_surfaces(), test.nb_surfaces);
    for (const auto& surface : section.surfaces()) {
      EXPECT_EQ(section.nb_boundaries(surface), 1);
      EXPECT_EQ(section.nb_internal_lines(surface), 0);
    }
    for (const auto& line : section.lines()) {
      EXPECT_EQ(line.mesh().nb_edges(), 4);
      EXPECT_EQ(section.nb_incidences(line), 1);
    }
    for (const auto& corner : section.corners()) {
      // A declared corner on a loop: the loop's line starts and ends there.
      EXPECT_EQ(section.nb_incidences(corner), 1);
    }
    ASSERT_EQ(section.nb_model_boundaries(), 1);
    EXPECT_EQ(section.nb_model_boundary_items(*section.model_boundaries().begin()), 2);
    EXPECT_EQ(sorted_keys(elements.lines), (std::vector<index_t>{0, 1, 3, 4, 5, 6, 8, 9}));
    test::expect_valid(section);
    test::expect_valid(section);
    expect_consistent_mappings(section, *mesh, vertices, elements);
  }
}

TEST_F(SectionFromSurfaceElements, DeclaredLineAcrossTheMeshMakesTwoSurfaces) {
  // 3 x 3 cells; the line runs along y = 1 through vertices 4, 5, 6, 7.
  auto mesh = make_grid_mesh(3, 3);
  const std::vector<index_t> lines{mesh_edge(*mesh, 4, 5), mesh_edge(*mesh, 5, 6),
                                   mesh_edge(*mesh, 6, 7)};
  const auto [section, vertices, elements] =
      convert_surface_elements_into_section(*mesh, {}, lines);

  EXPECT_EQ(section.nb_corners(), 2);
  EXPECT_EQ(section.nb_lines(), 3);
  ASSERT_EQ(section.nb_surfaces(), 2);
  EXPECT_EQ(section.nb_unique_vertices(), 16);
  for (index_t vertex = 0; vertex < 16; ++vertex) {
    EXPECT_EQ(vertices.in2out(vertex).front(), vertex);
  }
  const auto& middle = section.line(elements.lines.in2out(lines[1]).front().component_id);
  EXPECT_EQ(middle.mesh().nb_edges(), 3);
  EXPECT_EQ(section.nb_incidences(middle), 2);
  EXPECT_EQ(section.nb_boundaries(middle), 2);
  // Lower surface: the 6 triangles of the first row.
  std::vector<uuid> surface_of_polygon;
  for (index_t polygon = 0; polygon < 18; ++polygon) {
    surface_of_polygon.push_back(elements.surfaces.in2out(polygon).front().component_id);
  }
  for (index_t polygon = 0; polygon < 18; ++polygon) {
    EXPECT_EQ(surface_of_polygon[polygon] == surface_of_polygon[0], polygon < 6) << polygon;
  }
  for (const auto& surface : section.surfaces()) {
    EXPECT_EQ(section.nb_boundaries(surface), 2);
    EXPECT_TRUE(section.is_boundary(middle, surface));
  }
  // The input mesh keeps the cut: triangle 3 = (1, 6, 5) no longer sees triangle 8 across 6-5.
  EXPECT_TRUE(mesh->are_edges_enabled());
  EXPECT_FALSE(mesh->polygon_adjacent({3, 1}));
  EXPECT_TRUE(mesh->polygon_adjacent({3, 0}));
  test::expect_valid(section);
  expect_consistent_mappings(section, *mesh, vertices, elements);
}

TEST_F(SectionFromSurfaceElements, InnerLineTouchingTheBorderStaysWholeAndInternal) {
  // 2 x 2 cells; the line joins the middle of the bottom side (1) to the center (4).
  auto mesh = make_grid_mesh(2, 2);
  const auto edge = mesh_edge(*mesh, 1, 4);
  const auto [section, vertices, elements] =
      convert_surface_elements_into_section(*mesh, {}, std::vector<index_t>{edge});

  ASSERT_EQ(section.nb_surfaces(), 1);
  const auto& surface = *section.surfaces().begin();
  EXPECT_EQ(section.nb_corners(), 2);
  EXPECT_EQ(section.nb_lines(), 2);
  const auto& inner = line_with_edges(section, 1);
  EXPECT_TRUE(section.is_internal(inner, surface));
  EXPECT_FALSE(section.is_boundary(inner, surface));
  const auto& center = section.corner(elements.corners.in2out(4).front().component_id);
  const auto& bottom = section.corner(elements.corners.in2out(1).front().component_id);
  EXPECT_TRUE(section.is_internal(center, surface));
  EXPECT_FALSE(section.is_internal(bottom, surface));
  EXPECT_EQ(section.nb_unique_vertices(), 9);
  EXPECT_EQ(surface.mesh().nb_polygons(), 8);
  test::expect_valid(section);
  expect_consistent_mappings(section, *mesh, vertices, elements);
}

TEST_F(SectionFromSurfaceElements, SingleInnerEdgeLineIsSplitAtItsMiddle) {
  // 3 x 3 cells after two vertices that no polygon uses, so input vertex v is grid vertex v - 2.
  // The line is the inner edge between grid vertices 5 and 6, between triangles 3 and 8.
  auto mesh = make_grid_mesh(3, 3, 2);
  const auto edge = mesh_edge(*mesh, 7, 8);
  const auto [section, vertices, elements] =
      convert_surface_elements_into_section(*mesh, {}, std::vector<index_t>{edge});

  ASSERT_EQ(section.nb_surfaces(), 1);
  const auto& surface = *section.surfaces().begin();
  EXPECT_EQ(section.nb_corners(), 2);
  EXPECT_EQ(section.nb_lines(), 2);
  // 16 grid vertices and the split point; the two unused vertices are gone.
  EXPECT_EQ(section.nb_unique_vertices(), 17);
  EXPECT_FALSE(vertices.has_mapping_input(0));
  EXPECT_FALSE(vertices.has_mapping_input(1));
  EXPECT_TRUE(vertices.has_mapping_input(17));

  const auto& inner = line_with_edges(section, 2);
  EXPECT_TRUE(section.is_internal(inner, surface));
  ASSERT_EQ(inner.mesh().nb_vertices(), 3);
  EXPECT_EQ(inner.mesh().point(2), (Point<2>{{1.5, 1.}}));
  const auto& halves = elements.lines.in2out(edge);
  ASSERT_EQ(halves.size(), 2);
  EXPECT_EQ(halves[0].component_id, inner.id());
  EXPECT_EQ(halves[1].component_id, inner.id());
  EXPECT_NE(halves[0].element, halves[1].element);
  for (index_t polygon = 0; polygon < 18; ++polygon) {
    const auto expected = polygon == 3 || polygon == 8 ? 2u : 1u;
    EXPECT_EQ(elements.surfaces.in2out(polygon).size(), expected) << polygon;
  }
  EXPECT_EQ(surface.mesh().nb_polygons(), 20);
  // The surface is cut along the line: the split point has one copy per side.
  EXPECT_EQ(surface.mesh().nb_vertices(), 18);
  for (const auto end : {7u, 8u}) {
    const auto& corner = section.corner(elements.corners.in2out(end).front().component_id);
    EXPECT_TRUE(section.is_internal(corner, surface));
  }
  test::expect_valid(section);
  expect_consistent_mappings(section, *mesh, vertices, elements);
}

TEST_F(SectionFromSurfaceElements, SplitNeedsATriangleMesh) {
  auto mesh = make_grid_mesh(3, 3, 0, false);
  const auto edge = mesh_edge(*mesh, 5, 6);
  EXPECT_THROW(convert_surface_elements_into_section(*mesh, {}, std::vector<index_t>{edge}),
               std::bad_optional_access);
}

}  // namespace
}  // namespace veyra
