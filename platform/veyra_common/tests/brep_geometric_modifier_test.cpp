// SPDX-License-Identifier: MIT
#include <veyra_common/modifier/brep_geometric_modifier.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include <ostrel/basic/attribute.h>
#include <ostrel/basic/logger.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>

#include "mesh_checks.h"

namespace veyra {
namespace {

using ::testing::ElementsAre;
using Ids = std::vector<index_t>;

// Callers keep split reports in their own records.
static_assert(std::is_copy_constructible_v<BRepGeometricModifier::BRepSplitPolygonEdgeInfo>);
static_assert(std::is_copy_assignable_v<BRepGeometricModifier::BRepSplitPolygonEdgeInfo>);

const std::vector<Point<3>> square_points{
    Point<3>{{0., 0., 0.}}, Point<3>{{1., 0., 0.}}, Point<3>{{0., 1., 0.}},
    Point<3>{{1., 1., 0.}}};

/// Unique vertices 0..3 on the points of the unit square; the triangles (0, 1, 2) and (1, 3, 2)
/// share the edge 1-2, which is also the one edge of a line. Surface edge tables are enabled. With `two_surfaces`, the second
/// triangle is a surface of its own, added after the first but tied before it.
struct SquareModel {
  explicit SquareModel(bool two_surfaces = false) {
    BRepBuilder builder{brep};
    builder.create_unique_vertices(4);
    first = builder.add_surface();
    if (two_surfaces) second = builder.add_surface();
    line = builder.add_line();

    const auto fill_surface = [&](const uuid& id, const std::vector<std::array<index_t, 3>>& triangles,
                                  int region) {
      // Built aside to enable its edge table, then handed to the surface.
      auto owned = SurfaceMesh<3>::create();
      auto mesh = SurfaceMeshBuilder<3>::create(*owned);
      for (const auto& point : square_points) mesh->create_point(point);
      for (const auto& triangle : triangles) mesh->create_polygon(triangle);
      mesh->compute_polygon_adjacencies();
      owned->enable_edges();
      builder.update_surface_mesh(brep.surface(id), std::move(owned));
      const auto& surface = brep.surface(id);
      auto height = surface.mesh().vertex_attribute_manager()
                        .find_or_create_attribute<VariableAttribute, double>("height", 0.);
      auto regions = surface.mesh().polygon_attribute_manager()
                         .find_or_create_attribute<VariableAttribute, int>("region", 0);
      for (index_t v = 0; v < 4; ++v) {
        height->set_value(v, square_points[v].value(0) + 10 * square_points[v].value(1));
      }
      for (index_t p = 0; p < surface.mesh().nb_polygons(); ++p) regions->set_value(p, region + p);
    };
    const auto tie_surface = [&](const uuid& id) {
      for (index_t v = 0; v < 4; ++v) builder.set_unique_vertex({brep.surface(id).component_id(), v}, v);
    };
    if (two_surfaces) {
      fill_surface(first, {{0, 1, 2}}, 7);
      fill_surface(second, {{1, 3, 2}}, 8);
      tie_surface(second);
      tie_surface(first);
    } else {
      fill_surface(first, {{0, 1, 2}, {1, 3, 2}}, 7);
      tie_surface(first);
    }

    auto curve = builder.line_mesh_builder(line);
    curve->create_point(square_points[1]);
    curve->create_point(square_points[2]);
    curve->create_edge(0, 1);
    brep.line(line).mesh().edge_attribute_manager()
        .find_or_create_attribute<VariableAttribute, int>("tag", 0)
        ->set_value(0, 3);
    const auto line_id = brep.line(line).component_id();
    builder.set_unique_vertex({line_id, 0}, 1);
    builder.set_unique_vertex({line_id, 1}, 2);
  }

  const Surface<3>& surface(const uuid& id) const { return brep.surface(id); }

  BRep brep;
  uuid first;
  uuid second;
  uuid line;
};

std::vector<index_t> polygon(const SurfaceMesh<3>& mesh, index_t p) {
  return test::as_vector(mesh.polygon_vertices(p));
}

TEST(BRepGeometricModifier, SplitsTheSharedEdgeInTheLineAndTheSurface) {
  SquareModel model;
  BRepBuilder builder{model.brep};
  BRepGeometricModifier modifier{model.brep, builder};
  const auto& surface = model.surface(model.first);
  const auto& line = model.brep.line(model.line);

  const auto info = modifier.split_edge(line, 0, Point<3>{{0.5, 0.5, 0.}});

  EXPECT_EQ(info.unique_vertex, 4u);
  ASSERT_EQ(info.lines.size(), 1u);
  const auto& line_splits = info.lines.at(model.line);
  ASSERT_EQ(line_splits.size(), 1u);
  EXPECT_EQ(line_splits[0].old_edge, 0u);
  EXPECT_EQ(line_splits[0].new_vertex, 2u);
  EXPECT_EQ(line_splits[0].new_edges, (std::array<index_t, 2>{1, 2}));
  EXPECT_EQ(line.mesh().edge_vertices(1), (std::array<index_t, 2>{0, 2}));
  EXPECT_EQ(line.mesh().edge_vertices(2), (std::array<index_t, 2>{2, 1}));

  ASSERT_EQ(info.surfaces.size(), 1u);
  const auto& polygon_splits = info.surfaces.at(model.first);
  ASSERT_EQ(polygon_splits.size(), 2u);
  EXPECT_EQ(polygon_splits[0].old_polygon, 0u);
  EXPECT_EQ(polygon_splits[0].new_vertex, 4u);
  EXPECT_THAT(polygon_splits[0].new_polygons, ElementsAre(2, 3));
  EXPECT_EQ(polygon_splits[1].old_polygon, 1u);
  EXPECT_THAT(polygon_splits[1].new_polygons, ElementsAre(4, 5));
  const auto& mesh = surface.mesh();
  EXPECT_EQ(polygon(mesh, 2), (Ids{1, 4, 0}));
  EXPECT_EQ(polygon(mesh, 3), (Ids{4, 2, 0}));
  EXPECT_EQ(polygon(mesh, 4), (Ids{2, 4, 3}));
  EXPECT_EQ(polygon(mesh, 5), (Ids{4, 1, 3}));
  EXPECT_TRUE(info.blocks.empty());

  // One new unique vertex, tied in both components at the given point.
  EXPECT_EQ(model.brep.nb_unique_vertices(), 5u);
  const std::vector<ComponentMeshVertex> ties = model.brep.component_mesh_vertices(4);
  EXPECT_THAT(ties, ::testing::UnorderedElementsAre(ComponentMeshVertex{surface.component_id(), 4},
                                                    ComponentMeshVertex{line.component_id(), 2}));
  EXPECT_EQ(mesh.point(4), (Point<3>{{0.5, 0.5, 0.}}));
  EXPECT_EQ(line.mesh().point(2), (Point<3>{{0.5, 0.5, 0.}}));

  // Replaced polygons stay until clean; the pieces form a conformal mesh.
  EXPECT_FALSE(modifier.is_triangle_active(surface, 0));
  EXPECT_FALSE(modifier.is_triangle_active(surface, 1));
  EXPECT_TRUE(modifier.is_triangle_active(surface, 2));
  EXPECT_TRUE(modifier.is_triangle_active(surface, 42));
  EXPECT_EQ(mesh.nb_polygons(), 6u);
  test::expect_conformal_surface(mesh, [&](index_t p) {
    return modifier.is_triangle_active(surface, p);
  });
  EXPECT_EQ(mesh.polygon_adjacent({2, 0}), 5u);
  EXPECT_EQ(mesh.polygon_adjacent({3, 0}), 4u);

  // Attributes: the new vertex is interpolated, new elements copy the replaced ones.
  const auto height = mesh.vertex_attribute_manager().find_attribute<double>("height");
  EXPECT_DOUBLE_EQ(height->value(4), 5.5);
  const auto regions = mesh.polygon_attribute_manager().find_attribute<int>("region");
  EXPECT_EQ(regions->value(2), 7);
  EXPECT_EQ(regions->value(3), 7);
  EXPECT_EQ(regions->value(4), 8);
  EXPECT_EQ(regions->value(5), 8);
  const auto tags = line.mesh().edge_attribute_manager().find_attribute<int>("tag");
  EXPECT_EQ(tags->value(1), 3);
  EXPECT_EQ(tags->value(2), 3);
}

TEST(BRepGeometricModifier, CleanDropsTheReplacedElementsAndRenumbersTheOthers) {
  SquareModel model;
  BRepBuilder builder{model.brep};
  BRepGeometricModifier modifier{model.brep, builder};
  const auto& surface = model.surface(model.first);
  const auto& line = model.brep.line(model.line);
  modifier.split_edge(line, 0, Point<3>{{0.5, 0.5, 0.}});
  // The replaced polygon's edge still gives the unique vertices 1 and 2, but nothing active
  // joins them any more: one more unique vertex, nothing split.
  const auto again = modifier.split_edge(surface, PolygonEdge{0, 1}, Point<3>{{0.4, 0.6, 0.}});
  EXPECT_EQ(again.unique_vertex, 5u);
  EXPECT_TRUE(again.lines.empty());
  EXPECT_TRUE(again.surfaces.empty());

  const auto clean = modifier.clean();

  EXPECT_EQ(clean.unique_vertices, (Ids{0, 1, 2, 3, 4, 5}));
  ASSERT_EQ(clean.surfaces.size(), 1u);
  EXPECT_EQ(clean.surfaces.at(model.first).elements, (Ids{NO_ID, NO_ID, 0, 1, 2, 3}));
  EXPECT_EQ(clean.surfaces.at(model.first).vertices, (Ids{0, 1, 2, 3, 4}));
  ASSERT_EQ(clean.lines.size(), 1u);
  EXPECT_EQ(clean.lines.at(model.line).elements, (Ids{NO_ID, 0, 1}));
  EXPECT_EQ(clean.lines.at(model.line).vertices, (Ids{0, 1, 2}));
  const auto& mesh = surface.mesh();
  EXPECT_EQ(mesh.nb_polygons(), 4u);
  EXPECT_EQ(polygon(mesh, 0), (Ids{1, 4, 0}));
  test::expect_conformal_surface(mesh);
  EXPECT_EQ(line.mesh().nb_edges(), 2u);
  // The edge table keeps only edges of the remaining polygons: 1-2 is gone.
  EXPECT_EQ(mesh.edges().nb_edges(), 8u);
  EXPECT_FALSE(mesh.edges().edge_from_vertices({1, 2}));
  EXPECT_TRUE(modifier.is_triangle_active(surface, 0));

  const auto nothing = modifier.clean();
  EXPECT_TRUE(nothing.surfaces.empty());
  EXPECT_TRUE(nothing.lines.empty());
}

TEST(BRepGeometricModifier, ReportsComponentsInModelOrderWhateverTheTieOrder) {
  SquareModel model{true};
  BRepBuilder builder{model.brep};
  BRepGeometricModifier modifier{model.brep, builder};

  const auto info = modifier.split_edge(model.surface(model.second), PolygonEdge{0, 2},
                                        Point<3>{{0.5, 0.5, 0.}});

  std::vector<uuid> surfaces;
  for (const auto& [id, splits] : info.surfaces) surfaces.push_back(id);
  EXPECT_EQ(surfaces, (std::vector<uuid>{model.first, model.second}));
  EXPECT_EQ(info.lines.size(), 1u);
  // One mesh vertex per component, all tied to the one new unique vertex.
  EXPECT_EQ(model.brep.component_mesh_vertices(info.unique_vertex).size(), 3u);
  EXPECT_EQ(info.surfaces.at(model.first)[0].new_vertex, 4u);
  EXPECT_EQ(info.surfaces.at(model.second)[0].new_vertex, 4u);
}

TEST(BRepGeometricModifier, RefusesBadInput) {
  SquareModel model;
  SquareModel other;
  BRepBuilder builder{model.brep};
  BRepGeometricModifier modifier{model.brep, builder};
  const auto& line = model.brep.line(model.line);
  const auto& surface = model.surface(model.first);
  const Point<3> middle{{0.5, 0.5, 0.}};
  const auto expect_input_error = [](auto&& call, const std::string& message) {
    try {
      call();
      ADD_FAILURE() << "no exception for: " << message;
    } catch (const OstrelModelException& error) {
      EXPECT_EQ(error.type(), OstrelException::TYPE::input);
      EXPECT_EQ(error.what(), message);
    }
  };
  expect_input_error([&] { modifier.split_edge(line, 1, middle); },
                     "[BRepGeometricModifier::split_edge] Edge 1 out of range in " +
                         line.component_id().string());
  expect_input_error(
      [&] { modifier.split_edge(other.brep.line(other.line), 0, middle); },
      "[BRepGeometricModifier::split_edge] " +
          other.brep.line(other.line).component_id().string() + " is not a line of the model");
  expect_input_error(
      [&] {
        modifier.split_edge(surface, PolygonEdge{0, 1},
                            Point<3>{{std::numeric_limits<double>::quiet_NaN(), 0., 0.}});
      },
      "[BRepGeometricModifier::split_edge] The point nan 0 0 is not finite");
  expect_input_error([&] { modifier.split_triangle(surface, 2, middle); },
                     "[BRepGeometricModifier::split_triangle] Polygon 2 of " +
                         surface.component_id().string() + " is not a triangle");
  EXPECT_EQ(model.brep.nb_unique_vertices(), 4u);
}

/// A triangle (0, 1, 2) of a surface and two tetrahedra of a block on both sides of it, with a
/// line on the edge 0-1. Unique vertex i is block vertex i; surface and line vertices are tied
/// to the block vertices at the same place.
struct TriangleInBlock {
  explicit TriangleInBlock(const MeshImpl& block_impl) {
    const std::vector<Point<3>> points{Point<3>{{0., 0., 0.}}, Point<3>{{1., 0., 0.}},
                                       Point<3>{{0., 1., 0.}}, Point<3>{{0., 0., 1.}},
                                       Point<3>{{0., 0., -1.}}};
    BRepBuilder builder{brep};
    builder.create_unique_vertices(5);
    surface = builder.add_surface();
    line = builder.add_line();
    block = builder.add_block(block_impl);
    auto mesh = builder.surface_mesh_builder(surface);
    for (index_t v = 0; v < 3; ++v) mesh->create_point(points[v]);
    mesh->create_polygon(std::array<index_t, 3>{0, 1, 2});
    auto curve = builder.line_mesh_builder(line);
    curve->create_point(points[0]);
    curve->create_point(points[1]);
    curve->create_edge(0, 1);
    auto solid = builder.block_mesh_builder(block);
    for (const auto& point : points) solid->create_point(point);
    const std::vector<std::vector<local_index_t>> facets{{1, 2, 3}, {0, 3, 2}, {0, 1, 3},
                                                         {0, 2, 1}};
    solid->create_polyhedron(std::array<index_t, 4>{0, 1, 2, 3}, facets);
    solid->create_polyhedron(std::array<index_t, 4>{0, 2, 1, 4}, facets);
    solid->compute_polyhedron_adjacencies();
    for (index_t v = 0; v < 5; ++v) {
      builder.set_unique_vertex({brep.block(block).component_id(), v}, v);
    }
    for (index_t v = 0; v < 3; ++v) {
      builder.set_unique_vertex({brep.surface(surface).component_id(), v}, v);
    }
    builder.set_unique_vertex({brep.line(line).component_id(), 0}, 0);
    builder.set_unique_vertex({brep.line(line).component_id(), 1}, 1);
  }

  BRep brep;
  uuid surface;
  uuid line;
  uuid block;
};

TEST(BRepGeometricModifier, SplitTriangleCutsTheSurfaceAndTheTetrahedraOnBothSides) {
  TriangleInBlock model{OstrelTetrahedralSolid<3>::impl_name_static()};
  BRepBuilder builder{model.brep};
  BRepGeometricModifier modifier{model.brep, builder};
  const auto& surface = model.brep.surface(model.surface);
  const auto& block = model.brep.block(model.block);

  const auto info = modifier.split_triangle(surface, 0, Point<3>{{0.25, 0.25, 0.}});

  EXPECT_EQ(info.unique_vertex, 5u);
  EXPECT_TRUE(info.lines.empty());
  ASSERT_EQ(info.surfaces.size(), 1u);
  const auto& triangles = info.surfaces.at(model.surface);
  ASSERT_EQ(triangles.size(), 1u);
  EXPECT_THAT(triangles[0].new_polygons, ElementsAre(1, 2, 3));
  const auto& mesh = surface.mesh();
  EXPECT_EQ(polygon(mesh, 1), (Ids{0, 1, 3}));
  EXPECT_EQ(polygon(mesh, 2), (Ids{1, 2, 3}));
  EXPECT_EQ(polygon(mesh, 3), (Ids{2, 0, 3}));
  test::expect_conformal_surface(mesh, [&](index_t p) { return modifier.is_triangle_active(surface, p); });

  ASSERT_EQ(info.blocks.size(), 1u);
  const auto& tetrahedra = info.blocks.at(model.block);
  ASSERT_EQ(tetrahedra.size(), 2u);
  EXPECT_EQ(tetrahedra[0].old_polyhedron, 0u);
  EXPECT_EQ(tetrahedra[0].new_vertex, 5u);
  EXPECT_THAT(tetrahedra[0].new_polyhedra, ElementsAre(2, 3, 4));
  EXPECT_THAT(tetrahedra[1].new_polyhedra, ElementsAre(5, 6, 7));
  const auto is_new = [](index_t p) { return p >= 2; };
  test::expect_conformal_solid(block.mesh(), is_new);
  EXPECT_NEAR(test::active_volume(block.mesh(), is_new), 1. / 3., 1e-12);
  EXPECT_EQ(model.brep.component_mesh_vertices(5).size(), 2u);

  const auto clean = modifier.clean();
  EXPECT_EQ(clean.blocks.at(model.block).elements, (Ids{NO_ID, NO_ID, 0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(clean.surfaces.at(model.surface).elements, (Ids{NO_ID, 0, 1, 2}));
  EXPECT_TRUE(clean.lines.empty());
  test::expect_conformal_solid(block.mesh());
}

TEST(BRepGeometricModifier, SplitEdgeAlsoCutsTetrahedralBlocks) {
  TriangleInBlock model{OstrelTetrahedralSolid<3>::impl_name_static()};
  BRepBuilder builder{model.brep};
  BRepGeometricModifier modifier{model.brep, builder};
  const auto& block = model.brep.block(model.block);

  const auto info =
      modifier.split_edge(model.brep.line(model.line), 0, Point<3>{{0.5, 0., 0.}});

  EXPECT_EQ(info.lines.size(), 1u);
  EXPECT_EQ(info.surfaces.at(model.surface).size(), 1u);
  const auto& tetrahedra = info.blocks.at(model.block);
  ASSERT_EQ(tetrahedra.size(), 2u);
  EXPECT_THAT(tetrahedra[0].new_polyhedra, ElementsAre(2, 3));
  EXPECT_THAT(tetrahedra[1].new_polyhedra, ElementsAre(4, 5));
  // The copy keeping vertex 0 (tied to the edge's first unique vertex) comes first.
  EXPECT_EQ(test::as_vector(block.mesh().polyhedron_vertices(2)), (Ids{0, 5, 2, 3}));
  EXPECT_EQ(test::as_vector(block.mesh().polyhedron_vertices(3)), (Ids{5, 1, 2, 3}));
  test::expect_conformal_solid(block.mesh(), [](index_t p) { return p >= 2; });
  EXPECT_EQ(model.brep.component_mesh_vertices(info.unique_vertex).size(), 3u);
}

TEST(BRepGeometricModifier, LeavesPolyhedralBlocksWithAWarning) {
  TriangleInBlock model{OstrelPolyhedralSolid<3>::impl_name_static()};
  BRepBuilder builder{model.brep};
  BRepGeometricModifier modifier{model.brep, builder};
  std::vector<std::string> warnings;
  const auto previous = Logger::set_sink([&](Logger::LEVEL level, std::string_view text) {
    if (level == Logger::LEVEL::warn) warnings.emplace_back(text);
  });

  const auto info =
      modifier.split_edge(model.brep.line(model.line), 0, Point<3>{{0.5, 0., 0.}});
  Logger::set_sink(previous);

  EXPECT_TRUE(info.blocks.empty());
  EXPECT_EQ(info.surfaces.size(), 1u);
  EXPECT_EQ(model.brep.block(model.block).mesh().nb_polyhedra(), 2u);
  EXPECT_THAT(warnings, ElementsAre("[BRepGeometricModifier] Block mesh " + model.block.string() +
                                    " is not tetrahedral, it is not split"));
}

}  // namespace
}  // namespace veyra
