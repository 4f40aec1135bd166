// SPDX-License-Identifier: MIT
#include <model/topology/split_single_edge_internal_lines.h>

#include <algorithm>
#include <set>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostrel/mesh/solid_mesh_builder.h>

#include "surface_steps_fixture.h"

namespace veyra {
namespace {

using ::testing::ElementsAre;
using testing_support::ModelTypes;

template <typename Model>
using SplitSingleEdgeInternalLines = testing_support::SurfaceStepsTest<Model>;
TYPED_TEST_SUITE(SplitSingleEdgeInternalLines, ModelTypes);

// The unit square of two triangles with a one-edge line along its diagonal, from unique vertex 0
// at (0, 0) to unique vertex 3 at (1, 1), internal to the surface. Unique vertex 4 is free.
template <typename Model>
struct DiagonalScene : testing_support::SurfaceScene<Model> {
  explicit DiagonalScene(const MeshImpl& impl) {
    this->make_grid_places(1, 1, 1);
    this->place(4, testing_support::at<Model::dim>(0.5, 0.5));
    surface = impl == this->triangulated() ? this->add_surface(impl, {{0, 1, 3}, {0, 3, 2}})
                                           : this->add_surface(impl, {{0, 1, 3, 2}});
    line = this->add_line({0, 3});
    this->builder().add_line_surface_internal_relationship(this->model.line(line),
                                                           this->model.surface(surface));
  }
  uuid surface;
  uuid line;
};

// The diagonal gets a middle vertex, at the midpoint unless a unique vertex stands there already
// (then one third of the way from its end 1). Both triangles are split at that point and share
// its new unique vertex; the line and polygon mappings follow the pieces through the clean-up,
// the wireframe holds the two new edges instead of the old one, and the surface is then cut open
// along the line.
TYPED_TEST(SplitSingleEdgeInternalLines, SplitsAtFreeLocation) {
  constexpr auto D = TypeParam::dim;
  for (const bool midpoint_taken : {false, true}) {
    SCOPED_TRACE(midpoint_taken);
    DiagonalScene<TypeParam> scene{DiagonalScene<TypeParam>::triangulated()};
    if (midpoint_taken) scene.add_corner(4);
    const auto nb_unique_vertices = scene.model.nb_unique_vertices();
    detail::split_single_edge_internal_lines(scene.start());

    const auto& line_mesh = scene.model.line(scene.line).mesh();
    ASSERT_EQ(line_mesh.nb_edges(), 2u);
    ASSERT_EQ(line_mesh.nb_vertices(), 3u);
    EXPECT_EQ(scene.model.nb_unique_vertices(), nb_unique_vertices + 1);
    const auto middle = scene.unique_vertex(scene.line, 2);
    EXPECT_EQ(middle, nb_unique_vertices);
    const auto expected = midpoint_taken ? testing_support::at<D>(2. / 3., 2. / 3.)
                                         : testing_support::at<D>(0.5, 0.5);
    EXPECT_TRUE(line_mesh.point(2).inexact_equal(expected)) << line_mesh.point(2).string();

    const auto& surface_mesh = scene.model.surface(scene.surface).mesh();
    EXPECT_EQ(surface_mesh.nb_polygons(), 4u);
    // Cut open along the line: the middle vertex has one copy on each side.
    EXPECT_EQ(scene.model.component_mesh_vertices(middle, scene.surface).size(), 2u);

    const auto& line_elements = scene.mappings.mesh_elements.lines;
    EXPECT_THAT(line_elements.in2out({scene.line, 0}),
                ElementsAre(MeshElement{scene.line, 0}, MeshElement{scene.line, 1}));
    std::set<index_t> pieces;
    for (index_t polygon = 0; polygon < 2; ++polygon) {
      const auto& targets = scene.mappings.mesh_elements.surfaces.in2out({scene.surface, polygon});
      EXPECT_EQ(targets.size(), 2u);
      for (const auto& target : targets) {
        EXPECT_EQ(target.component_id, scene.surface);
        EXPECT_LT(target.element, 4u);
        pieces.insert(target.element);
        const auto cycle = scene.cycle(scene.surface, target.element);
        EXPECT_NE(std::find(cycle.begin(), cycle.end(), middle), cycle.end());
      }
    }
    EXPECT_EQ(pieces.size(), 4u);

    const auto& wireframe = scene.wireframe();
    EXPECT_FALSE(wireframe.wireframe_edge_id({0, 3}));
    for (index_t edge = 0; edge < 2; ++edge) {
      const auto wireframe_edge = wireframe.wireframe_edge_id(
          edge_unique_vertices(scene.model, scene.model.line(scene.line), edge));
      ASSERT_TRUE(wireframe_edge);
      EXPECT_EQ(wireframe.line_uuid(*wireframe_edge), scene.line);
      EXPECT_EQ(wireframe.line_edge_id(*wireframe_edge), edge);
    }
  }
}

// Only triangulated models are split: with a quadrangle surface nothing changes at all.
TYPED_TEST(SplitSingleEdgeInternalLines, QuadrangleSurfaceIsLeftAlone) {
  DiagonalScene<TypeParam> scene{DiagonalScene<TypeParam>::polygonal()};
  const auto nb_unique_vertices = scene.model.nb_unique_vertices();
  detail::split_single_edge_internal_lines(scene.start());
  EXPECT_EQ(scene.model.line(scene.line).mesh().nb_edges(), 1u);
  EXPECT_EQ(scene.model.surface(scene.surface).mesh().nb_polygons(), 1u);
  EXPECT_EQ(scene.model.nb_unique_vertices(), nb_unique_vertices);
  EXPECT_TRUE(scene.mappings.mesh_elements.surfaces.empty());
  EXPECT_TRUE(scene.mappings.mesh_vertices.surfaces.empty());
  EXPECT_TRUE(scene.wireframe().wireframe_edge_id({0, 3}));
}

// The split also cuts the tetrahedra on the line edge; the block mesh element mapping follows
// them like the surface one: sources of a replaced polyhedron map to its pieces, an unmapped
// polyhedron of a block the run started from maps to its own pieces, all renumbered by clean().
TEST(SplitSingleEdgeInternalLinesBRep, BlockMappingsFollowSplitTetrahedra) {
  testing_support::SurfaceScene<BRep> scene{};
  scene.make_grid_places(1, 1, 1);
  const Point<3> apex{{0.5, 0.5, 1.}};
  const auto surface = scene.add_surface(scene.triangulated(), {{0, 1, 3}, {0, 3, 2}});
  const auto line = scene.add_line({0, 3});
  scene.builder().add_line_surface_internal_relationship(scene.model.line(line),
                                                         scene.model.surface(surface));
  const auto block = scene.builder().add_block(MeshImpl{"OstrelTetrahedralSolid3D"});
  {
    auto block_builder = scene.builder().block_mesh_builder(block);
    for (index_t v = 0; v < 4; ++v) {
      block_builder->create_point(testing_support::at<3>(v % 2, v / 2));
    }
    block_builder->create_point(apex);
    block_builder->create_polyhedron(std::vector<index_t>{0, 1, 3, 4}, {});
    block_builder->create_polyhedron(std::vector<index_t>{0, 3, 2, 4}, {});
    block_builder->compute_polyhedron_adjacencies();
    for (index_t v = 0; v < 5; ++v) {
      scene.builder().set_unique_vertex({scene.model.block(block).component_id(), v}, v);
    }
  }
  // An earlier step mapped polyhedron 0 of a replaced block onto polyhedron 0 of this one.
  const MeshElement replaced{uuid{}, 0};
  auto& blocks = scene.mappings.mesh_elements.blocks;
  blocks.map(replaced, {block, 0});
  detail::split_single_edge_internal_lines(scene.start());

  const auto& mesh = scene.model.block(block).mesh();
  ASSERT_EQ(mesh.nb_polyhedra(), 4u);
  const auto middle = scene.model.nb_unique_vertices() - 1;
  const auto middle_vertices = scene.model.component_mesh_vertices(middle, block);
  ASSERT_EQ(middle_vertices.size(), 1u);
  std::set<index_t> pieces;
  for (const auto& source : {replaced, MeshElement{block, 1}}) {
    const auto& targets = blocks.in2out(source);
    EXPECT_EQ(targets.size(), 2u);
    for (const auto& target : targets) {
      EXPECT_EQ(target.component_id, block);
      ASSERT_LT(target.element, 4u);
      pieces.insert(target.element);
      const auto vertices = mesh.polyhedron_vertices(target.element);
      EXPECT_NE(std::find(vertices.begin(), vertices.end(), middle_vertices.front()),
                vertices.end());
    }
  }
  EXPECT_EQ(pieces.size(), 4u);
  EXPECT_EQ(blocks.size_in(), 2u);
}

}  // namespace
}  // namespace veyra
