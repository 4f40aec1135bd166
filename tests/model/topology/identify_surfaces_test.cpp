// SPDX-License-Identifier: MIT
#include <model/topology/identify_surfaces.h>

#include <array>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "surface_steps_fixture.h"

namespace veyra {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;
using testing_support::ModelTypes;

template <typename Model>
using IdentifySurfaces = testing_support::SurfaceStepsTest<Model>;
TYPED_TEST_SUITE(IdentifySurfaces, ModelTypes);

template <typename Model>
void identify(testing_support::SurfaceScene<Model>& scene, bool merge_components = true) {
  internal::identify_surfaces(scene.start(merge_components));
}

// A line across the surface, from border to border, cuts it in two: the old id maps to both
// pieces, which the line bounds, and every old polygon and vertex follows into them.
TYPED_TEST(IdentifySurfaces, CrossingLineCutsSurfaceInTwo) {
  testing_support::SurfaceScene<TypeParam> scene;
  scene.make_grid_places(2, 1);
  const auto surface =
      scene.add_surface(scene.triangulated(), testing_support::grid_triangles(2, 1));
  const auto line = scene.add_line({1, 4});
  const auto old_cycles = scene.cycles(surface);
  std::vector<index_t> old_unique_vertices;
  for (index_t v = 0; v < 6; ++v) old_unique_vertices.push_back(scene.unique_vertex(surface, v));
  identify(scene);

  const auto pieces = scene.final_surfaces(surface);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(scene.model.nb_surfaces(), 2u);
  for (const auto& piece : pieces) {
    EXPECT_EQ(scene.model.surface(piece).mesh().nb_polygons(), 2u);
    EXPECT_THAT(scene.boundary_lines(piece), ElementsAre(line));
  }
  const auto targets = scene.expect_polygons_follow(surface, old_cycles);
  ASSERT_EQ(targets.size(), 4u);
  EXPECT_NE(targets[0].component_id, targets[2].component_id);
  // Vertices on the line go to both pieces, the others to one.
  const auto& vertices = scene.mappings.mesh_vertices.surfaces;
  for (index_t v = 0; v < 6; ++v) {
    const auto& values = vertices.in2out({surface, v});
    const auto on_line = old_unique_vertices[v] == 1 || old_unique_vertices[v] == 4;
    EXPECT_EQ(values.size(), on_line ? 2u : 1u) << "vertex " << v;
    for (const auto& value : values) {
      EXPECT_EQ(scene.unique_vertex(value.component_id, value.vertex), old_unique_vertices[v]);
    }
  }
}

TYPED_TEST(IdentifySurfaces, EmptySurfaceIsRemoved) {
  testing_support::SurfaceScene<TypeParam> scene;
  scene.make_grid_places(1, 1);
  const auto empty = scene.add_surface(scene.triangulated(), {});
  identify(scene);
  EXPECT_EQ(scene.model.nb_surfaces(), 0u);
  EXPECT_FALSE(scene.surface_mapping().has_mapping_input(empty));
}

// Two surfaces on the same polygons (other start and orientation) become one clone of the first,
// named after both, bounded by the first's lines; both ids, their polygons and their vertices
// map to it.
TYPED_TEST(IdentifySurfaces, DuplicatedSurfacesAreMerged) {
  testing_support::SurfaceScene<TypeParam> scene;
  scene.make_grid_places(1, 1);
  const auto first = scene.add_surface(scene.triangulated(), {{0, 1, 3}, {0, 3, 2}});
  const auto second = scene.add_surface(scene.triangulated(), {{2, 0, 3}, {3, 1, 0}});
  scene.builder().set_surface_name(first, "a");
  scene.builder().set_surface_name(second, "b");
  const std::vector<uuid> lines{scene.add_line({0, 1}), scene.add_line({1, 3}),
                                scene.add_line({3, 2}), scene.add_line({2, 0})};
  const auto first_cycles = scene.cycles(first);
  const auto second_cycles = scene.cycles(second);
  std::vector<std::array<index_t, 2>> old_vertices;
  for (index_t unique_vertex = 0; unique_vertex < 4; ++unique_vertex) {
    old_vertices.push_back(
        {scene.surface_vertex(first, unique_vertex), scene.surface_vertex(second, unique_vertex)});
  }
  identify(scene);

  ASSERT_EQ(scene.model.nb_surfaces(), 1u);
  const auto merged = scene.surface_ids().front();
  EXPECT_EQ(scene.final_surfaces(first), std::vector{merged});
  EXPECT_EQ(scene.final_surfaces(second), std::vector{merged});
  EXPECT_EQ(scene.model.surface(merged).name(), std::optional<std::string_view>{"a_b"});
  EXPECT_THAT(scene.boundary_lines(merged),
              UnorderedElementsAre(lines[0], lines[1], lines[2], lines[3]));
  const auto from_first = scene.expect_polygons_follow(first, first_cycles);
  const auto from_second = scene.expect_polygons_follow(second, second_cycles);
  ASSERT_EQ(from_second.size(), 2u);
  EXPECT_EQ(from_second[0], from_first[1]);
  EXPECT_EQ(from_second[1], from_first[0]);
  const auto& vertices = scene.mappings.mesh_vertices.surfaces;
  for (index_t unique_vertex = 0; unique_vertex < 4; ++unique_vertex) {
    const MeshVertex target{merged, scene.surface_vertex(merged, unique_vertex)};
    EXPECT_THAT(vertices.in2out({first, old_vertices[unique_vertex][0]}), ElementsAre(target));
    EXPECT_THAT(vertices.in2out({second, old_vertices[unique_vertex][1]}), ElementsAre(target));
  }
}

// Two squares side by side, bounded by lines all around but not along their common edge, become
// one surface: of their mesh type when they share it, polygonal otherwise. The vertices of the
// common edge become one.
TYPED_TEST(IdentifySurfaces, SurfacesAcrossEdgeWithoutLineAreMerged) {
  using Scene = testing_support::SurfaceScene<TypeParam>;
  const MeshImpl polygonal_key{"OstrelPolygonalSurface" + std::to_string(TypeParam::dim) + "D"};
  struct Case {
    MeshImpl left;
    MeshImpl right;
    MeshImpl merged;
  };
  for (const auto& [left_type, right_type, merged_type] :
       {Case{Scene::triangulated(), Scene::triangulated(), Scene::triangulated()},
        Case{Scene::triangulated(), Scene::polygonal(), polygonal_key},
        Case{Scene::polygonal(), Scene::polygonal(), Scene::polygonal()}}) {
    SCOPED_TRACE(left_type.get() + " + " + right_type.get());
    Scene scene;
    scene.make_grid_places(2, 1);
    const auto left = scene.add_surface(left_type, {{0, 1, 4}, {0, 4, 3}});
    const auto right = scene.add_surface(right_type, {{1, 2, 5}, {1, 5, 4}});
    const std::vector<uuid> lines{scene.add_line({0, 1, 2}), scene.add_line({2, 5}),
                                  scene.add_line({5, 4, 3}), scene.add_line({3, 0})};
    // The vertices of the common edge, in the left then the right surface.
    const std::array<std::array<index_t, 2>, 2> common{
        {{scene.surface_vertex(left, 1), scene.surface_vertex(right, 1)},
         {scene.surface_vertex(left, 4), scene.surface_vertex(right, 4)}}};
    identify(scene);

    ASSERT_EQ(scene.model.nb_surfaces(), 1u);
    const auto merged = scene.surface_ids().front();
    const auto& surface = scene.model.surface(merged);
    EXPECT_EQ(surface.mesh_type(), merged_type);
    EXPECT_EQ(surface.mesh().nb_polygons(), 4u);
    EXPECT_EQ(surface.mesh().nb_vertices(), 6u);
    EXPECT_EQ(scene.final_surfaces(left), std::vector{merged});
    EXPECT_EQ(scene.final_surfaces(right), std::vector{merged});
    EXPECT_THAT(scene.boundary_lines(merged),
                UnorderedElementsAre(lines[0], lines[1], lines[2], lines[3]));
    const auto& vertices = scene.mappings.mesh_vertices.surfaces;
    for (index_t i = 0; i < 2; ++i) {
      const MeshVertex target{merged, scene.surface_vertex(merged, i == 0 ? 1 : 4)};
      EXPECT_THAT(vertices.in2out({left, common[i][0]}), ElementsAre(target));
      EXPECT_THAT(vertices.in2out({right, common[i][1]}), ElementsAre(target));
    }
  }
}

// A surface cut in two by a line, whose right piece is then merged: with a neighbour across an
// edge without line, or with a surface on the same polygons. Every old polygon of both input
// surfaces ends on a surface of the model on the same unique vertices, and every old vertex on
// the vertices of its unique vertex in the surfaces its surface became.
TYPED_TEST(IdentifySurfaces, CutPieceMergedFurtherKeepsItsRecords) {
  struct Case {
    std::string name;
    std::vector<testing_support::Polygon> other;
  };
  for (const auto& [name, other] :
       {Case{"neighbour", {{2, 3, 7}, {2, 7, 6}}}, Case{"duplicate", {{1, 6, 5}, {1, 2, 6}}}}) {
    SCOPED_TRACE(name);
    testing_support::SurfaceScene<TypeParam> scene;
    scene.make_grid_places(3, 1);
    const auto cut =
        scene.add_surface(scene.triangulated(), {{0, 1, 5}, {0, 5, 4}, {1, 2, 6}, {1, 6, 5}});
    const auto merged = scene.add_surface(scene.triangulated(), other);
    scene.add_line({1, 5});
    const auto cut_cycles = scene.cycles(cut);
    const auto merged_cycles = scene.cycles(merged);
    struct OldVertex {
      uuid surface;
      index_t vertex;
      index_t unique_vertex;
    };
    std::vector<OldVertex> old_vertices;
    for (const auto& surface : {cut, merged}) {
      for (index_t v = 0; v < scene.model.surface(surface).mesh().nb_vertices(); ++v) {
        old_vertices.push_back({surface, v, scene.unique_vertex(surface, v)});
      }
    }
    identify(scene);

    EXPECT_EQ(scene.model.nb_surfaces(), 2u);
    EXPECT_EQ(scene.expect_polygons_follow(cut, cut_cycles).size(), 4u);
    EXPECT_EQ(scene.expect_polygons_follow(merged, merged_cycles).size(), 2u);
    const auto& vertices = scene.mappings.mesh_vertices.surfaces;
    for (const auto& [surface, vertex, unique_vertex] : old_vertices) {
      SCOPED_TRACE(unique_vertex);
      ASSERT_TRUE(vertices.has_mapping_input({surface, vertex}));
      // One target in each surface the old one became that holds the unique vertex.
      std::size_t nb_holders = 0;
      for (const auto& id : scene.final_surfaces(surface)) {
        const auto& mesh = scene.model.surface(id).mesh();
        for (index_t w = 0; w < mesh.nb_vertices(); ++w) {
          if (scene.unique_vertex(id, w) == unique_vertex) ++nb_holders;
        }
      }
      const auto& targets = vertices.in2out({surface, vertex});
      EXPECT_EQ(targets.size(), nb_holders);
      for (const auto& target : targets) {
        EXPECT_EQ(scene.unique_vertex(target.component_id, target.vertex), unique_vertex);
      }
    }
  }
}

// Only surfaces with a border edge on no line go through the group merge, even alone.
TYPED_TEST(IdentifySurfaces, SurfaceWithFreeBorderEdgeIsReplaced) {
  for (const bool all_borders_on_lines : {true, false}) {
    SCOPED_TRACE(all_borders_on_lines);
    testing_support::SurfaceScene<TypeParam> scene;
    scene.make_grid_places(1, 1);
    const auto surface = scene.add_surface(scene.triangulated(), {{0, 1, 3}, {0, 3, 2}});
    scene.add_line({0, 1, 3, 2});
    if (all_borders_on_lines) scene.add_line({2, 0});
    identify(scene);
    ASSERT_EQ(scene.model.nb_surfaces(), 1u);
    EXPECT_EQ(scene.model.has_surface(surface), all_borders_on_lines);
    EXPECT_EQ(scene.surface_mapping().has_mapping_input(surface), !all_borders_on_lines);
  }
}

// A border edge on no line shared by three surfaces cannot be merged across.
TYPED_TEST(IdentifySurfaces, EdgeSharedByThreeSurfacesFails) {
  testing_support::SurfaceScene<TypeParam> scene;
  scene.make_grid_places(2, 2);
  scene.add_surface(scene.triangulated(), {{0, 1, 4}});
  scene.add_surface(scene.triangulated(), {{1, 2, 4}});
  scene.add_surface(scene.triangulated(), {{4, 1, 6}});
  try {
    identify(scene);
    FAIL() << "no exception";
  } catch (const VeyraConversionModelException& exception) {
    EXPECT_STREQ(exception.what(),
                 "[ModelBuilderFromUniqueVertices::group_surfaces_from_common_polygon_edges] "
                 "Wrong number of surface edges not linked by lines (3, expected 1 or 2)");
    EXPECT_EQ(exception.type(), OstrelException::TYPE::internal);
  }
}

// A polygon present in both merged surfaces is created once; both old polygons map to it.
TYPED_TEST(IdentifySurfaces, PolygonSharedByMergedSurfacesOccursOnce) {
  testing_support::SurfaceScene<TypeParam> scene;
  scene.make_grid_places(2, 1);
  const auto left = scene.add_surface(scene.triangulated(), {{0, 1, 4}, {0, 4, 3}});
  const auto right = scene.add_surface(scene.triangulated(), {{4, 0, 1}, {1, 2, 5}, {1, 5, 4}});
  const auto left_cycles = scene.cycles(left);
  const auto right_cycles = scene.cycles(right);
  identify(scene);
  ASSERT_EQ(scene.model.nb_surfaces(), 1u);
  const auto merged = scene.surface_ids().front();
  EXPECT_EQ(scene.model.surface(merged).mesh().nb_polygons(), 4u);
  const auto from_left = scene.expect_polygons_follow(left, left_cycles);
  const auto from_right = scene.expect_polygons_follow(right, right_cycles);
  ASSERT_EQ(from_right.size(), 3u);
  EXPECT_EQ(from_right[0], from_left[0]);
}

// A merged surface that cannot be oriented is kept, with a warning; it is named after the group
// only afterwards, so the warning gives its id twice.
TYPED_TEST(IdentifySurfaces, UnorientableMergedSurfaceIsKeptWithWarning) {
  testing_support::SurfaceScene<TypeParam> scene;
  scene.make_grid_places(2, 1);
  const auto first = scene.add_surface(scene.polygonal(), {{3, 0, 1, 4}, {4, 1, 2, 5}});
  const auto second = scene.add_surface(scene.polygonal(), {{5, 2, 3, 0}});
  scene.builder().set_surface_name(first, "strip");
  veyra::testing::LogCapture capture;
  identify(scene);
  ASSERT_EQ(scene.model.nb_surfaces(), 1u);
  const auto merged = scene.surface_ids().front();
  EXPECT_EQ(scene.model.surface(merged).mesh().nb_polygons(), 3u);
  EXPECT_EQ(scene.final_surfaces(second), std::vector{merged});
  EXPECT_THAT(testing_support::warnings(capture),
              ElementsAre("[ModelBuilderFromUniqueVertices::create_polygonal_merged_mesh] "
                          "Unorientable surface detected (" +
                          merged.string() + " " + merged.string() + ")."));
  EXPECT_EQ(scene.model.surface(merged).name(), std::optional<std::string_view>{"strip"});
}

// Cutting along a line that ends inside the surface duplicates the vertex at its other end; the
// copy is recorded from the vertex's own sources when it has some, from the vertex otherwise.
TYPED_TEST(IdentifySurfaces, SplitOnInternalLinesRecordsCopies) {
  for (const bool vertex_has_source : {false, true}) {
    SCOPED_TRACE(vertex_has_source);
    testing_support::SurfaceScene<TypeParam> scene;
    scene.make_grid_places(2, 2);
    const auto surface =
        scene.add_surface(scene.triangulated(), testing_support::grid_triangles(2, 2));
    scene.add_line({1, 4});
    const MeshVertex old_vertex{surface, scene.surface_vertex(surface, 1)};
    const MeshVertex source{uuid{}, 7};
    auto& mapping = scene.mappings.mesh_vertices.surfaces;
    if (vertex_has_source) mapping.map(source, old_vertex);
    internal::split_surfaces_on_internal_lines(scene.model, scene.builder(), mapping);

    const auto copies = scene.model.component_mesh_vertices(1, surface);
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(scene.model.component_mesh_vertices(4, surface).size(), 1u);
    const MeshVertex copy{surface, copies[0] == old_vertex.vertex ? copies[1] : copies[0]};
    if (vertex_has_source) {
      EXPECT_THAT(mapping.in2out(source), ElementsAre(old_vertex, copy));
      EXPECT_FALSE(mapping.has_mapping_input(old_vertex));
    } else {
      EXPECT_THAT(mapping.in2out(old_vertex), ElementsAre(copy));
    }
  }
}

}  // namespace
}  // namespace veyra
