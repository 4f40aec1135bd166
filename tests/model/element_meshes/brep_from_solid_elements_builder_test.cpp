// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <model/common/library.h>
#include <model/element_meshes/brep_from_solid_elements_builder.h>
#include <model/element_meshes/surface_facets_from_attribute.h>
#include <ostrel/mesh/convert_solid_mesh.h>
#include <ostrel/model/io/brep_io.h>
#include <tbb/global_control.h>
#include <veyra_testing/log_capture.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "solid_elements_fixtures.h"
#include "support/expect_valid_model.h"

namespace veyra {
namespace {

using testing::expect_conformal_block_meshes;
using testing::expect_consistent_mappings;
using testing::LatticeBox;
using testing::LogCapture;

constexpr std::string_view problem_edges_message =
    "Found some edges which would lead to topology problems, they will be split in the result to "
    "output a valid model.";
constexpr std::string_view non_tetrahedral_message =
    "[build_brep_with_block_mesh], we can only assure the validity of the result if the solid is "
    "a tetrahedral solid";

class BRepFromSolidElements : public ::testing::Test {
 protected:
  void SetUp() override { VeyraConversionModelLibrary::initialize(); }
};

index_t count_lines(LogCapture& log, std::string_view text) {
  const auto lines = log.lines();
  return static_cast<index_t>(std::count_if(lines.begin(), lines.end(),
                                            [&](const auto& line) { return line.text == text; }));
}

// The unique component of `brep` whose mesh has `nb` elements; fails when there is not exactly
// one.
template <typename Range, typename Count>
const auto& component_with(const Range& components, index_t nb, Count count) {
  const std::remove_reference_t<decltype(*components.begin())>* found = nullptr;
  for (const auto& component : components) {
    if (count(component) != nb) continue;
    EXPECT_EQ(found, nullptr) << "several components of " << nb << " elements";
    found = &component;
  }
  EXPECT_NE(found, nullptr) << "no component of " << nb << " elements";
  return *found;
}
const Line<3>& line_with_edges(const BRep& brep, index_t nb) {
  return component_with(brep.lines(), nb, [](const auto& l) { return l.mesh().nb_edges(); });
}
const Surface<3>& surface_with_polygons(const BRep& brep, index_t nb) {
  return component_with(brep.surfaces(), nb, [](const auto& s) { return s.mesh().nb_polygons(); });
}

// The corner at `point`.
const Corner<3>& corner_at(const BRep& brep, const Point<3>& point) {
  for (const auto& corner : brep.corners()) {
    if (corner.mesh().point(0) == point) return corner;
  }
  ADD_FAILURE() << "no corner at " << point.string();
  return *brep.corners().begin();
}

template <typename Mesh>
bool has_vertex_at(const Mesh& mesh, const Point<3>& point) {
  for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
    if (Vector<3>{mesh.point(v), point}.length() < 1e-12) return true;
  }
  return false;
}

// The patch x = 2, (y, z) in [1, 3]^2 of a 4 x 4 x 4 box: 8 triangles inside the box. Two of its
// diagonals, (2, 2, 1)-(2, 3, 2) and (2, 1, 2)-(2, 2, 3), join points of its border.
std::vector<index_t> inner_patch(const LatticeBox& box) {
  return box.plane_facets(0, 2., {1., 3.}, {1., 3.});
}

TEST_F(BRepFromSolidElements, WithoutListsTheSkinBoundsOneBlockPerConnectedSolid) {
  LatticeBox box{2, 2, 2};
  auto& solid = box.solid();
  const auto input = solid.clone();
  LogCapture log;
  const auto [brep, vertices, elements] = convert_solid_elements_into_brep(solid, {}, {}, {});

  EXPECT_EQ(brep.nb_corners(), 0);
  EXPECT_EQ(brep.nb_lines(), 0);
  ASSERT_EQ(brep.nb_surfaces(), 1);
  ASSERT_EQ(brep.nb_blocks(), 1);
  const auto& skin = *brep.surfaces().begin();
  const auto& block = *brep.blocks().begin();
  EXPECT_EQ(skin.mesh().nb_polygons(), 48);
  EXPECT_EQ(block.mesh().nb_polyhedra(), 48);
  EXPECT_EQ(block.mesh().nb_vertices(), 27);
  EXPECT_TRUE(brep.is_boundary(skin, block));
  EXPECT_EQ(brep.nb_boundaries(block), 1);
  EXPECT_EQ(brep.nb_internals(block.id()), 0);
  ASSERT_EQ(brep.nb_model_boundaries(), 1);
  EXPECT_EQ(brep.nb_model_boundary_items(*brep.model_boundaries().begin()), 1);
  EXPECT_EQ(count_lines(log, non_tetrahedral_message), 0);
  EXPECT_EQ(count_lines(log, problem_edges_message), 0);

  // Nothing was split: unique vertex i is solid vertex i and block polyhedron p is solid
  // polyhedron p.
  EXPECT_EQ(brep.nb_unique_vertices(), 27);
  EXPECT_EQ(vertices.size_in(), 27);
  for (index_t v = 0; v < 27; ++v) EXPECT_EQ(vertices.in2out(v).front(), v);
  EXPECT_TRUE(elements.corners.empty());
  EXPECT_TRUE(elements.lines.empty());
  EXPECT_EQ(elements.surfaces.size_in(), 48);
  for (index_t p = 0; p < 48; ++p) {
    EXPECT_EQ(
        elements.blocks.in2out(p),
        (GenericMapping<index_t, MeshElement>::Values<MeshElement>{MeshElement{block.id(), p}}));
  }
  expect_consistent_mappings(brep, *input, vertices, elements);
  expect_conformal_block_meshes(brep);
  test::expect_valid(brep);
}

TEST_F(BRepFromSolidElements, WithoutBlockMeshesAndFacetsTheModelIsEmpty) {
  LatticeBox box{1, 1, 1};
  BRep brep;
  LogCapture log;
  detail::BRepFromSolidElementsBuilder builder{brep, box.solid(), {}, {}, {}};
  const auto [vertices, elements] = builder.build_brep_without_block_mesh();
  EXPECT_EQ(brep.nb_corners() + brep.nb_lines() + brep.nb_surfaces() + brep.nb_blocks(), 0);
  EXPECT_EQ(brep.nb_unique_vertices(), 0);
  EXPECT_TRUE(vertices.empty());
  EXPECT_EQ(elements, IndexToModelMeshElementsMapping{});
  EXPECT_EQ(count_lines(log,
                        "[build_blocks] Cannot build BRep blocks without surface or with "
                        "existing blocks"),
            1);
  test::expect_valid(brep);
}

TEST_F(BRepFromSolidElements, FacetGroupsMeetingOnATwoFacetEdgeFormOneSurfaceUnlessItIsALine) {
  // The square x = 1 inside a 2 x 2 x 2 box, as the facets of its halves y < 1 and y > 1, which
  // share the edges (1, 1, 0)-(1, 1, 1)-(1, 1, 2), each of two surface facets.
  for (const bool middle_is_line : {false, true}) {
    SCOPED_TRACE(middle_is_line ? "middle declared" : "nothing declared");
    LatticeBox box{2, 2, 2};
    auto& solid = box.solid();
    const auto input = solid.clone();
    auto facets = box.plane_facets(0, 1., {0., 1.}, {0., 2.});
    const auto upper = box.plane_facets(0, 1., {1., 2.}, {0., 2.});
    ASSERT_EQ(facets.size(), 4);
    ASSERT_EQ(upper.size(), 4);
    facets.insert(facets.end(), upper.begin(), upper.end());
    std::vector<index_t> lines;
    if (middle_is_line) {
      lines = {box.edge(box.vertex(1, 1, 0), box.vertex(1, 1, 1)),
               box.edge(box.vertex(1, 1, 1), box.vertex(1, 1, 2))};
    }
    BRep brep;
    detail::BRepFromSolidElementsBuilder builder{brep, solid, {}, lines, facets};
    const auto [vertices, elements] = builder.build_brep_without_block_mesh();

    // An open surface bounds no region: no block, no model boundary.
    EXPECT_EQ(brep.nb_blocks(), 0);
    EXPECT_EQ(brep.nb_model_boundaries(), 0);
    EXPECT_EQ(brep.nb_unique_vertices(), 9);
    if (!middle_is_line) {
      EXPECT_EQ(brep.nb_corners(), 0);
      ASSERT_EQ(brep.nb_lines(), 1);
      ASSERT_EQ(brep.nb_surfaces(), 1);
      const auto& border = line_with_edges(brep, 8);
      const auto& square = surface_with_polygons(brep, 8);
      EXPECT_EQ(border.mesh().nb_vertices(), 8);
      EXPECT_EQ(brep.nb_boundaries(border), 0);
      EXPECT_TRUE(brep.is_boundary(border, square));
      EXPECT_EQ(brep.nb_internal_lines(square), 0);
      EXPECT_EQ(elements.lines.size_in(), 8);
    } else {
      ASSERT_EQ(brep.nb_corners(), 2);
      ASSERT_EQ(brep.nb_lines(), 3);
      ASSERT_EQ(brep.nb_surfaces(), 2);
      const auto& bottom = corner_at(brep, Point<3>{{1., 1., 0.}});
      const auto& top = corner_at(brep, Point<3>{{1., 1., 2.}});
      std::vector<const Line<3>*> halves;
      for (const auto& line : brep.lines()) {
        EXPECT_TRUE(brep.is_boundary(bottom, line));
        EXPECT_TRUE(brep.is_boundary(top, line));
        if (line.mesh().nb_edges() == 4) halves.push_back(&line);
      }
      const auto& middle = line_with_edges(brep, 2);
      ASSERT_EQ(halves.size(), 2);
      for (const auto& surface : brep.surfaces()) {
        EXPECT_EQ(surface.mesh().nb_polygons(), 4);
        EXPECT_TRUE(brep.is_boundary(middle, surface));
        EXPECT_EQ(brep.nb_boundaries(surface), 2);
        EXPECT_NE(brep.is_boundary(*halves[0], surface), brep.is_boundary(*halves[1], surface));
      }
      EXPECT_EQ(elements.corners.size_in(), 2);
      EXPECT_EQ(elements.lines.size_in(), 10);
    }
    EXPECT_EQ(elements.surfaces.size_in(), 8);
    expect_consistent_mappings(brep, *input, vertices, elements);
    test::expect_valid(brep);
  }
}

TEST_F(BRepFromSolidElements, LineVertexBetweenOneAndThreeFacetEdgesIsACorner) {
  // The skin of a 2 x 2 x 2 box and the half square x = 1, y < 1 hanging from it: its edges on
  // the skin are edges of three surface facets, its free edge y = 1 of one. Where they meet, at
  // (1, 1, 0) and (1, 1, 2), two line edges meet but the count changes.
  LatticeBox box{2, 2, 2};
  auto& solid = box.solid();
  const auto input = solid.clone();
  auto facets = box.skin_facets();
  ASSERT_EQ(facets.size(), 48);
  const auto half = box.plane_facets(0, 1., {0., 1.}, {0., 2.});
  facets.insert(facets.end(), half.begin(), half.end());
  BRep brep;
  detail::BRepFromSolidElementsBuilder builder{brep, solid, {}, {}, facets};
  const auto [vertices, elements] = builder.build_brep_without_block_mesh();

  ASSERT_EQ(brep.nb_corners(), 2);
  ASSERT_EQ(brep.nb_lines(), 2);
  ASSERT_EQ(brep.nb_surfaces(), 2);
  ASSERT_EQ(brep.nb_blocks(), 1);
  const auto& bottom = corner_at(brep, Point<3>{{1., 1., 0.}});
  const auto& top = corner_at(brep, Point<3>{{1., 1., 2.}});
  const auto& junction = line_with_edges(brep, 4);
  const auto& free_border = line_with_edges(brep, 2);
  const auto& skin = surface_with_polygons(brep, 48);
  const auto& hanging = surface_with_polygons(brep, 4);
  const auto& block = *brep.blocks().begin();
  for (const auto* line : {&junction, &free_border}) {
    EXPECT_TRUE(brep.is_boundary(bottom, *line));
    EXPECT_TRUE(brep.is_boundary(top, *line));
    EXPECT_TRUE(brep.is_boundary(*line, hanging));
  }
  EXPECT_TRUE(brep.is_internal(junction, skin));
  EXPECT_EQ(brep.nb_relations(free_border.id()), 3);
  EXPECT_TRUE(brep.is_internal(bottom, skin));
  EXPECT_TRUE(brep.is_internal(top, skin));
  EXPECT_TRUE(brep.is_boundary(skin, block));
  EXPECT_TRUE(brep.is_internal(hanging, block));
  EXPECT_EQ(block.mesh().nb_polyhedra(), 0);
  ASSERT_EQ(brep.nb_model_boundaries(), 1);
  EXPECT_TRUE(brep.is_item(skin.id(), brep.model_boundaries().begin()->id()));

  EXPECT_EQ(brep.nb_unique_vertices(), 27);
  EXPECT_EQ(vertices.size_in(), 27);
  EXPECT_EQ(elements.corners.size_in(), 2);
  EXPECT_EQ(elements.lines.size_in(), 6);
  EXPECT_EQ(elements.surfaces.size_in(), 52);
  expect_consistent_mappings(brep, *input, vertices, elements);
  test::expect_valid(brep);
}

TEST_F(BRepFromSolidElements, InnerPatchIsInternalToItsBlockAndItsBorderToBorderEdgesAreSplit) {
  LatticeBox box{4, 4, 4};
  auto& solid = box.solid();
  const auto input = solid.clone();
  const auto patch = inner_patch(box);
  ASSERT_EQ(patch.size(), 8);
  LogCapture log;
  const auto [brep, vertices, elements] = convert_solid_elements_into_brep(solid, {}, {}, patch);

  EXPECT_EQ(brep.nb_corners(), 0);
  ASSERT_EQ(brep.nb_lines(), 1);
  ASSERT_EQ(brep.nb_surfaces(), 2);
  ASSERT_EQ(brep.nb_blocks(), 1);
  const auto& border = *brep.lines().begin();
  const auto& skin = surface_with_polygons(brep, 192);
  // Each of the two diagonals is split at its middle: its two triangles become four.
  const auto& inner = surface_with_polygons(brep, 12);
  const auto& block = *brep.blocks().begin();
  EXPECT_EQ(border.mesh().nb_edges(), 8);
  EXPECT_TRUE(brep.is_boundary(border, inner));
  EXPECT_EQ(brep.nb_relations(border.id()), 1);
  EXPECT_TRUE(brep.is_boundary(skin, block));
  EXPECT_TRUE(brep.is_internal(inner, block));
  EXPECT_EQ(count_lines(log, problem_edges_message), 1);

  // The middles of the diagonals are new unique vertices, in the surface and in the block, whose
  // tetrahedra around each diagonal (two on each side) are split in two.
  EXPECT_EQ(brep.nb_unique_vertices(), 127);
  for (const auto& middle : {Point<3>{{2., 2.5, 1.5}}, Point<3>{{2., 1.5, 2.5}}}) {
    EXPECT_TRUE(has_vertex_at(inner.mesh(), middle)) << middle.string();
    EXPECT_TRUE(has_vertex_at(block.mesh(), middle)) << middle.string();
  }
  EXPECT_EQ(block.mesh().nb_polyhedra(), 384 + 8);
  // The block is cut along the patch: its inner vertex and the two middles get a second copy.
  EXPECT_EQ(block.mesh().nb_vertices(), 127 + 3);
  const auto diagonal = solid.facets().facet_from_vertices(
      std::vector<index_t>{box.vertex(2, 2, 1), box.vertex(2, 3, 1), box.vertex(2, 3, 2)});
  ASSERT_TRUE(diagonal);
  EXPECT_EQ(elements.surfaces.in2out(*diagonal).size(), 2);
  EXPECT_EQ(vertices.size_in(), 125);
  expect_consistent_mappings(brep, *input, vertices, elements);
  expect_conformal_block_meshes(brep);
  test::expect_valid(brep);
}

TEST_F(BRepFromSolidElements, IsolatedTriangleIsSplitAtItsBarycenterInSurfaceAndBlock) {
  LatticeBox box{4, 4, 4};
  auto& solid = box.solid();
  const auto input = solid.clone();
  const auto triangle = solid.facets().facet_from_vertices(
      std::vector<index_t>{box.vertex(2, 1, 1), box.vertex(2, 2, 1), box.vertex(2, 2, 2)});
  ASSERT_TRUE(triangle);
  LogCapture log;
  const auto [brep, vertices, elements] =
      convert_solid_elements_into_brep(solid, {}, {}, std::vector<index_t>{*triangle});

  EXPECT_EQ(brep.nb_corners(), 0);
  ASSERT_EQ(brep.nb_lines(), 1);
  ASSERT_EQ(brep.nb_surfaces(), 2);
  ASSERT_EQ(brep.nb_blocks(), 1);
  const auto& border = *brep.lines().begin();
  const auto& inner = surface_with_polygons(brep, 3);
  const auto& block = *brep.blocks().begin();
  EXPECT_EQ(border.mesh().nb_edges(), 3);
  EXPECT_TRUE(brep.is_boundary(border, inner));
  EXPECT_TRUE(brep.is_internal(inner, block));
  EXPECT_EQ(count_lines(log, problem_edges_message), 0);

  const Point<3> barycenter{{2., 5. / 3., 4. / 3.}};
  EXPECT_EQ(brep.nb_unique_vertices(), 126);
  EXPECT_TRUE(has_vertex_at(inner.mesh(), barycenter));
  EXPECT_TRUE(has_vertex_at(block.mesh(), barycenter));
  // The two tetrahedra on the triangle are split in three each.
  EXPECT_EQ(block.mesh().nb_polyhedra(), 384 + 4);
  EXPECT_EQ(block.mesh().nb_vertices(), 126 + 1);
  ASSERT_EQ(elements.surfaces.in2out(*triangle).size(), 3);
  for (const auto& piece : elements.surfaces.in2out(*triangle)) {
    EXPECT_EQ(piece.component_id, inner.id());
  }
  const auto pieces =
      std::count_if(elements.blocks.in2out_map().begin(), elements.blocks.in2out_map().end(),
                    [](const auto& entry) { return entry.second.size() == 3; });
  EXPECT_EQ(pieces, 2);
  expect_consistent_mappings(brep, *input, vertices, elements);
  expect_conformal_block_meshes(brep);
  test::expect_valid(brep);
}

TEST_F(BRepFromSolidElements, SingleEdgeLineInsideTheSkinIsSplitAtItsMiddleInEveryMesh) {
  // The diagonal (0, 0, 0)-(1, 1, 0) of the face z = 0 of a 2 x 2 x 2 box, declared as a line:
  // a line of one edge inside the skin, split at (0.5, 0.5, 0) in the line, the skin and, with
  // block meshes, the two tetrahedra on it.
  for (const bool with_block_mesh : {true, false}) {
    SCOPED_TRACE(with_block_mesh ? "with block mesh" : "without block mesh");
    LatticeBox box{2, 2, 2};
    auto& solid = box.solid();
    const auto input = solid.clone();
    const auto diagonal = box.edge(box.vertex(0, 0, 0), box.vertex(1, 1, 0));
    BRep brep;
    detail::BRepFromSolidElementsBuilder builder{
        brep,
        solid,
        {},
        std::vector<index_t>{diagonal},
        with_block_mesh ? std::vector<index_t>{} : box.skin_facets()};
    GenericMapping<index_t> vertices;
    IndexToBRepMeshElementsMapping elements;
    if (with_block_mesh) {
      std::tie(vertices, elements) = builder.build_brep_with_block_mesh();
    } else {
      std::tie(vertices, static_cast<IndexToModelMeshElementsMapping&>(elements)) =
          builder.build_brep_without_block_mesh();
    }

    ASSERT_EQ(brep.nb_corners(), 2);
    ASSERT_EQ(brep.nb_lines(), 1);
    ASSERT_EQ(brep.nb_surfaces(), 1);
    ASSERT_EQ(brep.nb_blocks(), 1);
    const auto& line = *brep.lines().begin();
    const auto& skin = *brep.surfaces().begin();
    const auto& block = *brep.blocks().begin();
    EXPECT_EQ(line.mesh().nb_edges(), 2);
    EXPECT_TRUE(has_vertex_at(line.mesh(), Point<3>{{0.5, 0.5, 0.}}));
    EXPECT_TRUE(has_vertex_at(skin.mesh(), Point<3>{{0.5, 0.5, 0.}}));
    EXPECT_EQ(skin.mesh().nb_polygons(), 50);
    EXPECT_TRUE(brep.is_internal(line, skin));
    for (const auto& corner : brep.corners()) {
      EXPECT_TRUE(brep.is_boundary(corner, line));
      EXPECT_TRUE(brep.is_internal(corner, skin));
    }
    EXPECT_TRUE(brep.is_boundary(skin, block));
    ASSERT_EQ(elements.lines.in2out(diagonal).size(), 2);
    if (with_block_mesh) {
      EXPECT_EQ(block.mesh().nb_polyhedra(), 50);
      EXPECT_TRUE(has_vertex_at(block.mesh(), Point<3>{{0.5, 0.5, 0.}}));
      EXPECT_EQ(brep.nb_unique_vertices(), 28);
      EXPECT_EQ(vertices.size_in(), 27);
      expect_conformal_block_meshes(brep);
      expect_consistent_mappings(brep, *input, vertices, elements);
    } else {
      // The center of the box is in no component.
      EXPECT_EQ(block.mesh().nb_polyhedra(), 0);
      EXPECT_EQ(brep.nb_unique_vertices(), 27);
      EXPECT_EQ(vertices.size_in(), 26);
      EXPECT_FALSE(vertices.has_mapping_input(box.vertex(1, 1, 1)));
      expect_consistent_mappings(brep, *input, vertices,
                                 static_cast<const IndexToModelMeshElementsMapping&>(elements));
    }
    test::expect_valid(brep);
  }
}

TEST_F(BRepFromSolidElements, TwoRegionBoxGivesTwoBlocksThreeSurfacesAndOneClosedLine) {
  // The box [0, 4]^3 cut by the plane x = 2 into two regions given as an attribute. The edges
  // where the plane meets the skin are edges of three surface facets all along: one closed line
  // without corner. Nothing needs a split.
  LatticeBox box{4, 4, 4};
  box.add_region_attribute("region", 2.);
  auto& solid = box.solid();
  const auto input = solid.clone();
  const auto facets = surface_facets_from_attribute(solid, "region");
  EXPECT_EQ(facets.size(), 32);
  LogCapture log;
  const auto [brep, vertices, elements] = convert_solid_elements_into_brep(solid, {}, {}, facets);

  EXPECT_EQ(brep.nb_corners(), 0);
  ASSERT_EQ(brep.nb_lines(), 1);
  ASSERT_EQ(brep.nb_surfaces(), 3);
  ASSERT_EQ(brep.nb_blocks(), 2);
  const auto& loop = *brep.lines().begin();
  EXPECT_EQ(loop.mesh().nb_edges(), 16);
  EXPECT_EQ(loop.mesh().nb_vertices(), 16);
  EXPECT_EQ(brep.nb_boundaries(loop), 0);
  const auto& plane = surface_with_polygons(brep, 32);
  // Block 0 holds polyhedron 0, which is in the region x < 2.
  const auto& left = *brep.blocks().begin();
  const auto& right = *std::next(brep.blocks().begin());
  ASSERT_EQ(brep.nb_model_boundaries(), 1);
  const auto& boundary = *brep.model_boundaries().begin();
  EXPECT_EQ(brep.nb_model_boundary_items(boundary), 2);
  for (const auto& surface : brep.surfaces()) {
    EXPECT_TRUE(brep.is_boundary(loop, surface));
    EXPECT_EQ(brep.nb_boundaries(surface), 1);
    EXPECT_EQ(brep.nb_internal_lines(surface), 0);
    EXPECT_EQ(brep.nb_embeddings(surface.id()), 0);
    if (surface.id() == plane.id()) {
      EXPECT_TRUE(brep.is_boundary(plane, left));
      EXPECT_TRUE(brep.is_boundary(plane, right));
      EXPECT_FALSE(brep.is_item(plane.id(), boundary.id()));
      continue;
    }
    // The skin of each half: 16 cells on its end face and 8 on each of four sides.
    EXPECT_EQ(surface.mesh().nb_polygons(), 96);
    EXPECT_EQ(brep.nb_incidences(surface), 1);
    EXPECT_TRUE(brep.is_item(surface.id(), boundary.id()));
    const bool on_left =
        surface.mesh().point(0).value(0) < 2. || surface.mesh().bounding_box().min().value(0) < 2.;
    EXPECT_TRUE(brep.is_boundary(surface, on_left ? left : right));
  }
  EXPECT_EQ(brep.nb_incidences(loop), 3);
  EXPECT_EQ(brep.nb_embeddings(loop.id()), 0);
  for (const auto& block : {&left, &right}) {
    EXPECT_EQ(brep.nb_boundaries(*block), 2);
    EXPECT_EQ(brep.nb_internals(block->id()), 0);
    EXPECT_EQ(block->mesh().nb_polyhedra(), 192);
    EXPECT_EQ(block->mesh().nb_vertices(), 75);
  }
  EXPECT_EQ(count_lines(log, problem_edges_message), 0);

  const auto region = input->polyhedron_attribute_manager().find_attribute<int>("region");
  for (index_t p = 0; p < input->nb_polyhedra(); ++p) {
    const auto& pieces = elements.blocks.in2out(p);
    ASSERT_EQ(pieces.size(), 1);
    EXPECT_EQ(pieces.front().component_id, region->value(p) == 0 ? left.id() : right.id());
  }
  // The region attribute follows the polyhedra into the block meshes.
  const auto right_region =
      right.mesh().polyhedron_attribute_manager().find_attribute<int>("region");
  for (index_t p = 0; p < right.mesh().nb_polyhedra(); ++p) {
    EXPECT_EQ(right_region->value(p), 1);
  }
  EXPECT_EQ(brep.nb_unique_vertices(), 125);
  EXPECT_EQ(elements.lines.size_in(), 16);
  EXPECT_EQ(elements.surfaces.size_in(), 96 + 96 + 32);
  expect_consistent_mappings(brep, *input, vertices, elements);
  expect_conformal_block_meshes(brep);
  test::expect_valid(brep);
}

TEST_F(BRepFromSolidElements, SmallRegionKeepsItsPolyhedraAndAttributeValues) {
  // The corner cell [3, 4]^3 of a 4 x 4 x 4 box is a region of its own: a small block, whose
  // attribute values come through tables of its own elements only. Its three inner faces meet
  // the skin along a closed loop of six edges of three surface facets each.
  LatticeBox box{4, 4, 4};
  auto& solid = box.solid();
  auto region =
      solid.polyhedron_attribute_manager().find_or_create_attribute<VariableAttribute, int>(
          "region", 0);
  for (index_t p = 0; p < solid.nb_polyhedra(); ++p) {
    const auto center = solid.polyhedron_barycenter(p);
    region->set_value(p, center.value(0) > 3 && center.value(1) > 3 && center.value(2) > 3);
  }
  auto height =
      solid.vertex_attribute_manager().find_or_create_attribute<VariableAttribute, double>("height",
                                                                                           0.);
  for (index_t v = 0; v < solid.nb_vertices(); ++v) height->set_value(v, solid.point(v).value(2));
  const auto input = solid.clone();
  const auto facets = surface_facets_from_attribute(solid, "region");
  EXPECT_EQ(facets.size(), 6);
  const auto [brep, vertices, elements] = convert_solid_elements_into_brep(solid, {}, {}, facets);

  EXPECT_EQ(brep.nb_corners(), 0);
  ASSERT_EQ(brep.nb_lines(), 1);
  EXPECT_EQ(brep.lines().begin()->mesh().nb_edges(), 6);
  ASSERT_EQ(brep.nb_surfaces(), 3);
  ASSERT_EQ(brep.nb_blocks(), 2);
  const auto& large = *brep.blocks().begin();
  const auto& small = *std::next(brep.blocks().begin());
  EXPECT_EQ(large.mesh().nb_polyhedra(), 378);
  ASSERT_EQ(small.mesh().nb_polyhedra(), 6);
  ASSERT_EQ(small.mesh().nb_vertices(), 8);
  const auto small_region =
      small.mesh().polyhedron_attribute_manager().find_attribute<int>("region");
  const auto small_height =
      small.mesh().vertex_attribute_manager().find_attribute<double>("height");
  for (index_t p = 0; p < 6; ++p) EXPECT_EQ(small_region->value(p), 1);
  for (index_t v = 0; v < 8; ++v) {
    EXPECT_EQ(small_height->value(v), small.mesh().point(v).value(2));
  }
  // The large skin, the small skin (three half faces) and the inner faces, the only surface
  // between the two blocks.
  index_t nb_shared = 0;
  for (const auto& surface : brep.surfaces()) {
    const bool shared = brep.nb_incidences(surface) == 2;
    nb_shared += shared ? 1 : 0;
    if (shared || surface.mesh().nb_polygons() == 6) {
      EXPECT_EQ(surface.mesh().nb_polygons(), 6);
      EXPECT_TRUE(brep.is_boundary(surface, small));
    }
    EXPECT_EQ(brep.is_boundary(surface, large), shared || surface.mesh().nb_polygons() != 6);
  }
  EXPECT_EQ(nb_shared, 1);
  EXPECT_EQ(brep.nb_boundaries(small), 2);
  EXPECT_EQ(brep.nb_boundaries(large), 2);
  expect_consistent_mappings(brep, *input, vertices, elements);
  expect_conformal_block_meshes(brep);
  test::expect_valid(brep);
}

TEST_F(BRepFromSolidElements, NonTetrahedralSolidIsUsedAsItIsWithAWarning) {
  // The inner patch of a polyhedral copy of the box: its border-to-border diagonals are not
  // split, and the model is not promised to be valid.
  LatticeBox box{4, 4, 4};
  const auto patch = inner_patch(box);
  auto solid = convert_solid_mesh_into_polyhedral_solid(box.solid());
  const auto input = solid->clone();
  LogCapture log;
  const auto [brep, vertices, elements] = convert_solid_elements_into_brep(*solid, {}, {}, patch);

  EXPECT_EQ(count_lines(log, non_tetrahedral_message), 1);
  EXPECT_EQ(count_lines(log, problem_edges_message), 0);
  ASSERT_EQ(brep.nb_lines(), 1);
  ASSERT_EQ(brep.nb_surfaces(), 2);
  ASSERT_EQ(brep.nb_blocks(), 1);
  const auto& inner = surface_with_polygons(brep, 8);
  const auto& block = *brep.blocks().begin();
  EXPECT_TRUE(brep.is_internal(inner, block));
  EXPECT_EQ(block.mesh().nb_polyhedra(), 384);
  EXPECT_EQ(block.mesh().type_name(), solid->type_name());
  EXPECT_EQ(brep.nb_unique_vertices(), 125);
  expect_consistent_mappings(brep, *input, vertices, elements);
  expect_conformal_block_meshes(brep);
  test::expect_valid(brep);
  // The cut along the patch keeps the input's adjacency off the patch facets.
  const auto facet = input->facets().facet_vertices(patch.front());
  const auto polyhedron_facet = solid->polyhedron_facet_from_vertices(facet);
  ASSERT_TRUE(polyhedron_facet);
  EXPECT_FALSE(solid->polyhedron_adjacent(*polyhedron_facet));
}

TEST_F(BRepFromSolidElements, SurfaceFacetsFromAttribute) {
  LatticeBox box{2, 2, 2};
  // A solid without facet table: the call builds it.
  auto solid =
      testing::make_box_tetrahedra(2, 2, 2, Point<3>{{0., 0., 0.}}, Point<3>{{2., 2., 2.}});
  ASSERT_FALSE(solid->are_facets_enabled());
  auto attribute =
      solid->polyhedron_attribute_manager().find_or_create_attribute<VariableAttribute, float>(
          "value", 1.f);
  EXPECT_TRUE(surface_facets_from_attribute(*solid, "value").empty());
  EXPECT_TRUE(solid->are_facets_enabled());

  // A NaN differs from everything, itself included: every facet of polyhedron 5 with a
  // neighbour is listed.
  const index_t nan_polyhedron = 5;
  attribute->set_value(nan_polyhedron, std::numeric_limits<float>::quiet_NaN());
  auto found = surface_facets_from_attribute(*solid, "value");
  std::vector<index_t> expected;
  for (local_index_t local = 0; local < 4; ++local) {
    if (!solid->polyhedron_adjacent({nan_polyhedron, local})) continue;
    expected.push_back(
        solid->facets()
            .facet_from_vertices(solid->polyhedron_facet_vertices({nan_polyhedron, local}))
            .value());
  }
  ASSERT_FALSE(expected.empty());
  std::sort(found.begin(), found.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);

  try {
    surface_facets_from_attribute(*solid, "missing");
    FAIL() << "no exception";
  } catch (const VeyraConversionModelException& error) {
    EXPECT_STREQ(error.what(), "[surface_facets_from_attribute] Attribute not found");
    EXPECT_EQ(error.type(), OstrelException::TYPE::input);
    EXPECT_TRUE(std::any_cast<std::nullptr_t>(&error.data()) != nullptr);
  }
}

TEST_F(BRepFromSolidElements, ResultsDoNotDependOnTheThreadCount) {
  const auto folder =
      std::filesystem::temp_directory_path() /
      str_cat("veyra_solid_elements_", ::testing::UnitTest::GetInstance()->random_seed());
  std::filesystem::create_directories(folder);
  std::vector<std::string> files;
  std::vector<std::tuple<GenericMapping<index_t>, IndexToBRepMeshElementsMapping>> mappings;
  for (const std::size_t threads : {1, 2}) {
    const tbb::global_control limit{tbb::global_control::max_allowed_parallelism, threads};
    uuid::seed(42);
    // Two regions and the inner patch on the cutting plane's side: several blocks, splits.
    LatticeBox box{4, 4, 4};
    box.add_region_attribute("region", 3.);
    auto facets = surface_facets_from_attribute(box.solid(), "region");
    const auto patch = inner_patch(box);
    facets.insert(facets.end(), patch.begin(), patch.end());
    auto [brep, vertices, elements] = convert_solid_elements_into_brep(box.solid(), {}, {}, facets);
    EXPECT_EQ(brep.nb_blocks(), 2);
    test::expect_valid(brep);
    files.push_back((folder / str_cat("threads_", threads, ".tq_brep")).string());
    save_brep(brep, files.back());
    mappings.emplace_back(std::move(vertices), std::move(elements));
  }
  const auto bytes = [](const std::string& file) {
    std::ifstream stream{file, std::ios::binary};
    return std::string{std::istreambuf_iterator<char>{stream}, {}};
  };
  EXPECT_EQ(bytes(files[0]), bytes(files[1]));
  EXPECT_EQ(mappings[0], mappings[1]);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace veyra
