// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/basic/logger.h>
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/build_model_boundaries.h>
#include <ostrel/model/convert_component_meshes.h>
#include <ostrel/model/repair_non_manifold_vertices.h>
#include <ostrel/model/section_builder.h>

#include <string>
#include <vector>

#include "model_fixtures.h"
#include "service_fixtures.h"

namespace veyra {
namespace {

template <index_t D>
Point<D> planar_point(double x, double y) {
  std::array<double, D> values{};
  values[0] = x;
  values[1] = y;
  return Point<D>{values};
}

/// A surface of two bowties: triangles meeting at vertex 0 only (tied to unique vertex 0, its
/// other vertices to unique vertices 1..4) and at vertex 5 (untied, as vertices 6..9).
template <typename Model>
uuid add_bowties(Model& model) {
  typename Model::Builder builder{model};
  const auto id = builder.add_surface();
  auto mesh = builder.surface_mesh_builder(id);
  for (index_t v = 0; v < 10; ++v) {
    mesh->create_point(planar_point<Model::dim>(v % 5, v / 5));
  }
  for (const auto& triangle :
       std::vector<std::vector<index_t>>{{0, 1, 2}, {3, 4, 0}, {5, 6, 7}, {8, 9, 5}}) {
    mesh->create_polygon(triangle);
  }
  mesh->compute_polygon_adjacencies();
  builder.create_unique_vertices(5);
  for (index_t v = 0; v < 5; ++v) {
    builder.set_unique_vertex({model.surface(id).component_id(), v}, v);
  }
  return id;
}

template <typename Model>
class ModelRepairTest : public ::testing::Test {};
using Models = ::testing::Types<BRep, Section>;
TYPED_TEST_SUITE(ModelRepairTest, Models);

TYPED_TEST(ModelRepairTest, TiesTheVertexOfEachNewFanToTheSplitVertexUniqueVertex) {
  TypeParam model;
  const auto& surface = model.surface(add_bowties(model));
  typename TypeParam::Builder builder{model};
  const auto split = repair_non_manifold_vertices(model, builder, surface);

  using Values = GenericMapping<index_t>::Values<index_t>;
  ASSERT_EQ(split.size_in(), 2);
  EXPECT_EQ(split.in2out_map().begin()->first, 0);
  EXPECT_EQ(split.in2out(0), (Values{10}));
  EXPECT_EQ(split.in2out(5), (Values{11}));
  EXPECT_EQ(surface.mesh().polygon_vertices(1), (PolygonVertices{3, 4, 10}));
  EXPECT_EQ(surface.mesh().polygon_vertices(3), (PolygonVertices{8, 9, 11}));
  const auto id = surface.component_id();
  EXPECT_EQ(model.unique_vertex({id, 10}), 0);
  EXPECT_EQ(model.unique_vertex({id, 11}), NO_ID);
  EXPECT_EQ(model.component_mesh_vertices(0, surface.id()), (std::vector<index_t>{0, 10}));
  EXPECT_TRUE(repair_non_manifold_vertices(model, builder, surface).empty());
}

TEST(ModelRepair, TiesTheVertexOfEachNewFanOfPolyhedra) {
  BRep brep;
  BRepBuilder builder{brep};
  const auto& block = brep.block(builder.add_block());
  {
    // Two tetrahedra touching at vertex 3 only.
    auto mesh = builder.block_mesh_builder(block.id());
    for (index_t v = 0; v < 7; ++v) mesh->create_point(Point<3>{{1. * v, 1. * (v % 2), 0.5 * v}});
    const std::vector<std::vector<local_index_t>> facets{
        {1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}};
    mesh->create_polyhedron(std::vector<index_t>{0, 1, 2, 3}, facets);
    mesh->create_polyhedron(std::vector<index_t>{3, 4, 5, 6}, facets);
    mesh->compute_polyhedron_adjacencies();
  }
  builder.create_unique_vertices(7);
  for (index_t v = 0; v < 7; ++v) builder.set_unique_vertex({block.component_id(), v}, v);

  const auto split = repair_non_manifold_vertices(brep, builder, block);
  ASSERT_EQ(split.size_in(), 1);
  EXPECT_EQ(split.in2out(3), (GenericMapping<index_t>::Values<index_t>{7}));
  EXPECT_EQ(block.mesh().polyhedron_vertices(1), (PolyhedronVertices{7, 4, 5, 6}));
  EXPECT_EQ(brep.unique_vertex({block.component_id(), 7}), 3);
}

TEST(BuildModelBoundaries, PutsTheSixFacesOfACubeInOneBoundary) {
  auto cube = test::make_cube();
  auto& brep = cube.brep;
  BRepBuilder builder{brep};
  builder.remove_model_boundary(brep.model_boundary(cube.boundary));
  ASSERT_EQ(brep.nb_model_boundaries(), 0);

  build_model_boundaries(brep, builder);
  ASSERT_EQ(brep.nb_model_boundaries(), 1);
  const auto& boundary = *brep.model_boundaries().begin();
  std::vector<uuid> items;
  for (const auto& surface : brep.model_boundary_items(boundary)) items.push_back(surface.id());
  EXPECT_EQ(items, (std::vector<uuid>{cube.surfaces.begin(), cube.surfaces.end()}));
  build_model_boundaries(brep, builder);
  EXPECT_EQ(brep.nb_model_boundaries(), 1);
}

TEST(BuildModelBoundaries, GathersBorderLinesOnceSkippingThoseAlreadyInABoundary) {
  auto square = test::make_square();
  auto& section = square.section;
  SectionBuilder builder{section};
  // Line 0 is already in a boundary; lines 1..5 bound one surface each, line 6 both.
  const auto& existing = section.model_boundary(builder.add_model_boundary());
  builder.add_line_in_model_boundary(section.line(square.lines[0]), existing);

  build_model_boundaries(section, builder);
  ASSERT_EQ(section.nb_model_boundaries(), 2);
  std::vector<uuid> boundaries;
  for (const auto& boundary : section.model_boundaries()) boundaries.push_back(boundary.id());
  const auto& built = section.model_boundary(boundaries[1]);
  EXPECT_FALSE(built.name().has_value());
  std::vector<uuid> items;
  for (const auto& line : section.model_boundary_items(built)) items.push_back(line.id());
  EXPECT_EQ(items, (std::vector<uuid>{square.lines.begin() + 1, square.lines.begin() + 6}));

  build_model_boundaries(section, builder);
  EXPECT_EQ(section.nb_model_boundaries(), 2);

  Section empty;
  SectionBuilder empty_builder{empty};
  build_model_boundaries(empty, empty_builder);
  EXPECT_EQ(empty.nb_model_boundaries(), 0);
}

TEST(ConvertSurfaceMesh, ChangesTheMeshTypeKeepingNumberingAndTies) {
  auto square = test::make_square();
  auto& section = square.section;
  SectionBuilder builder{section};
  const auto& surface = section.surface(square.surfaces[1]);
  const auto polygons = surface.mesh().polygon_vertices(1);
  const auto triangulated = TriangulatedSurface<2>::type_name_static();
  const auto polygonal = PolygonalSurface<2>::type_name_static();

  EXPECT_TRUE(convert_surface_mesh(section, builder, surface, polygonal));
  ASSERT_TRUE(convert_surface_mesh(section, builder, surface, triangulated));
  EXPECT_EQ(surface.mesh().type_name(), triangulated);
  EXPECT_EQ(surface.mesh_type().get(), "OstrelTriangulatedSurface2D");
  EXPECT_EQ(surface.mesh().polygon_vertices(1), polygons);
  EXPECT_EQ(surface.mesh().polygon_adjacent({0, 2}), 1);
  for (index_t vertex = 0; vertex < 4; ++vertex) {
    EXPECT_EQ(section.unique_vertex({surface.component_id(), vertex}),
              (std::array<index_t, 4>{1, 2, 3, 4}[vertex]));
  }
  ASSERT_TRUE(convert_surface_mesh(section, builder, surface, polygonal));
  EXPECT_EQ(surface.mesh().type_name(), polygonal);

  // A quad cannot become a triangulated mesh.
  builder.surface_mesh_builder(surface.id())->create_polygon(std::vector<index_t>{0, 1, 2, 3});
  std::vector<std::string> warnings;
  const auto previous = Logger::set_sink([&warnings](Logger::LEVEL level, std::string_view line) {
    if (level == Logger::LEVEL::warn) warnings.emplace_back(line);
  });
  EXPECT_FALSE(convert_surface_mesh(section, builder, surface, triangulated));
  Logger::set_sink(previous);
  EXPECT_EQ(surface.mesh().type_name(), polygonal);
  EXPECT_EQ(warnings,
            (std::vector<std::string>{"[convert_surface_mesh] Cannot convert mesh of " +
                                      surface.id().string() + " to TriangulatedSurface2D"}));
}

TEST(ConvertBlockMesh, SwitchesBetweenPolyhedralAndTetrahedralMeshes) {
  auto cubes = test::make_two_cubes(
      false, {MeshImpl{"OstrelPolyhedralSolid3D"}, MeshImpl{"OstrelPolyhedralSolid3D"}});
  auto& brep = cubes.brep;
  BRepBuilder builder{brep};
  const auto& block = brep.block(cubes.blocks[1]);
  const auto tetrahedral = TetrahedralSolid<3>::type_name_static();
  const auto polyhedral = PolyhedralSolid<3>::type_name_static();

  ASSERT_TRUE(convert_block_mesh(brep, builder, block, tetrahedral));
  EXPECT_EQ(block.mesh().type_name(), tetrahedral);
  EXPECT_EQ(block.mesh_type().get(), "OstrelTetrahedralSolid3D");
  for (index_t vertex = 0; vertex < 8; ++vertex) {
    EXPECT_EQ(brep.unique_vertex({block.component_id(), vertex}), test::block_vertex(1, vertex));
  }
  ASSERT_TRUE(convert_block_mesh(brep, builder, block, polyhedral));
  EXPECT_EQ(block.mesh().type_name(), polyhedral);

  // A prism cannot become a tetrahedral mesh.
  builder.block_mesh_builder(block.id())
      ->create_polyhedron(std::vector<index_t>{0, 1, 2, 3, 4, 5},
                          std::vector<std::vector<local_index_t>>{
                              {0, 1, 2}, {3, 5, 4}, {0, 3, 4, 1}, {1, 4, 5, 2}, {2, 5, 3, 0}});
  std::vector<std::string> warnings;
  const auto previous = Logger::set_sink([&warnings](Logger::LEVEL level, std::string_view line) {
    if (level == Logger::LEVEL::warn) warnings.emplace_back(line);
  });
  EXPECT_FALSE(convert_block_mesh(brep, builder, block, tetrahedral));
  Logger::set_sink(previous);
  EXPECT_EQ(block.mesh().type_name(), polyhedral);
  EXPECT_EQ(warnings, (std::vector<std::string>{"[convert_block_mesh] Cannot convert mesh of " +
                                                block.id().string() + " to TetrahedralSolid3D"}));
}

}  // namespace
}  // namespace veyra
