// SPDX-License-Identifier: MIT
#include <model/common/convert_meshes.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/mesh/triangulated_surface_builder.h>
#include <support/expect_valid_model.h>
#include <veyra_testing/log_capture.h>
#include <veyra_testing/mesh_generators.h>

#include <model/common/library.h>
#include <model/common/model_builder_from_meshes.h>

namespace veyra {
namespace {

using Ids = std::vector<uuid>;
using testing::LogCapture;

class ConvertMeshes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { VeyraConversionModelLibrary::initialize(); }
};

template <index_t D>
std::vector<std::reference_wrapper<const SurfaceMesh<D>>> surface_refs(
    const std::vector<std::unique_ptr<TriangulatedSurface<D>>>& meshes) {
  std::vector<std::reference_wrapper<const SurfaceMesh<D>>> refs;
  for (const auto& mesh : meshes) refs.emplace_back(*mesh);
  return refs;
}

// The blocks are built after the topology update: the mappings never mention them.
void expect_no_block_in(const BRepMappings& mappings) {
  const auto& block = Block<3>::component_type_static();
  for (const auto* lists : {&mappings.created_components, &mappings.removed_components,
                            &mappings.unchanged_components}) {
    EXPECT_FALSE(lists->has_mapping_type(block) && !lists->at(block).empty());
  }
  EXPECT_FALSE(mappings.component_mappings.has_mapping_type(block) &&
               !mappings.component_mappings.at(block).empty());
  EXPECT_TRUE(mappings.mesh_elements.blocks.empty());
  EXPECT_TRUE(mappings.mesh_vertices.blocks.empty());
}

TEST_F(ConvertMeshes, CubeFacesGiveOneBlockAndEveryInputIsMapped) {
  const auto faces = testing::make_cube_faces(3);
  const auto refs = surface_refs(faces);
  auto [brep, mappings] = convert_meshes_into_brep({}, {}, refs);

  EXPECT_EQ(brep.nb_corners(), 8);
  EXPECT_EQ(brep.nb_lines(), 12);
  EXPECT_EQ(brep.nb_surfaces(), 6);
  EXPECT_EQ(brep.nb_blocks(), 1);
  ASSERT_EQ(brep.nb_model_boundaries(), 1);
  const auto& boundary = *brep.model_boundaries().begin();
  EXPECT_EQ(brep.nb_model_boundary_items(boundary), 6);
  for (const auto& corner : brep.corners()) EXPECT_EQ(brep.nb_incidences(corner), 3);
  for (const auto& line : brep.lines()) {
    EXPECT_EQ(brep.nb_incidences(line), 2);
    EXPECT_EQ(brep.nb_boundaries(line), 2);
  }
  for (const auto& surface : brep.surfaces()) {
    EXPECT_EQ(brep.nb_boundaries(surface), 4);
    EXPECT_EQ(brep.nb_incidences(surface), 1);
  }
  test::expect_valid(brep);

  // Each face is its own surface, kept as it came: its id, vertices and triangles stand
  // unchanged in the result, and the mappings list it as unchanged.
  const auto& surface_type = Surface<3>::component_type_static();
  EXPECT_TRUE(mappings.component_mappings.at(surface_type).empty());
  Ids unchanged;
  for (const auto& face : faces) {
    unchanged.push_back(face->id());
    const auto& mesh = brep.surface(face->id()).mesh();
    ASSERT_EQ(mesh.nb_vertices(), face->nb_vertices());
    ASSERT_EQ(mesh.nb_polygons(), face->nb_polygons());
    for (index_t v = 0; v < face->nb_vertices(); ++v) {
      EXPECT_EQ(mesh.point(v), face->point(v));
      EXPECT_FALSE(mappings.mesh_vertices.surfaces.has_mapping_input({face->id(), v}));
    }
    for (index_t t = 0; t < face->nb_polygons(); ++t) {
      EXPECT_EQ(mesh.polygon_vertices(t), face->polygon_vertices(t));
    }
  }
  EXPECT_EQ(mappings.unchanged_components.at(surface_type), unchanged);
  EXPECT_EQ(mappings.created_components.at(Corner<3>::component_type_static()).size(), 8);
  EXPECT_EQ(mappings.created_components.at(Line<3>::component_type_static()).size(), 12);
  expect_no_block_in(mappings);
}

// Unit cube faces, and those of the cube beside it along x, whose face x = 1 is the first
// cube's: 11 surfaces.
TEST_F(ConvertMeshes, TwoCubesSharingAFaceGiveTwoBlocks) {
  const auto first = testing::make_cube_faces(2);
  std::vector<std::unique_ptr<SurfaceMesh<3>>> second;
  for (index_t f = 1; f < 6; ++f) {
    auto face = testing::make_cube_faces(2)[f]->clone();
    auto builder = SurfaceMeshBuilder<3>::create(*face);
    for (index_t v = 0; v < face->nb_vertices(); ++v) {
      auto point = face->point(v);
      point.set_value(0, point.value(0) + 1.);
      builder->set_point(v, point);
    }
    second.push_back(std::move(face));
  }
  auto refs = surface_refs(first);
  for (const auto& face : second) refs.emplace_back(*face);
  auto [brep, mappings] = convert_meshes_into_brep({}, {}, refs);

  EXPECT_EQ(brep.nb_corners(), 12);
  EXPECT_EQ(brep.nb_lines(), 20);
  EXPECT_EQ(brep.nb_surfaces(), 11);
  ASSERT_EQ(brep.nb_blocks(), 2);
  const auto& shared = brep.surface(first[1]->id());
  EXPECT_EQ(brep.nb_incidences(shared), 2);
  for (const auto& block : brep.blocks()) {
    EXPECT_EQ(brep.nb_boundaries(block), 6);
    EXPECT_TRUE(brep.is_boundary(shared, block));
  }
  ASSERT_EQ(brep.nb_model_boundaries(), 1);
  Ids border;
  for (const auto& surface : brep.model_boundary_items(*brep.model_boundaries().begin())) {
    border.push_back(surface.id());
  }
  EXPECT_EQ(border.size(), 10);
  EXPECT_EQ(std::find(border.begin(), border.end(), shared.id()), border.end());
  test::expect_valid(brep);
  expect_no_block_in(mappings);
}

// The square [0, 2]^2 crossed by a curve along y = 1: two surfaces.
TEST_F(ConvertMeshes, SquareCrossedByACurveGivesTwoSurfaces) {
  const auto square = testing::make_grid_2d(2, 2);
  auto curve = EdgedCurve<2>::create();
  {
    auto builder = EdgedCurveBuilder<2>::create(*curve);
    for (const double x : {0., 1., 2.}) builder->create_point(Point<2>{{x, 1.}});
    builder->create_edge(0, 1);
    builder->create_edge(1, 2);
  }
  const std::vector<std::reference_wrapper<const EdgedCurve<2>>> curves{*curve};
  const std::vector<std::reference_wrapper<const SurfaceMesh<2>>> surfaces{*square};
  auto [section, mappings] = convert_meshes_into_section({}, curves, surfaces);

  ASSERT_EQ(section.nb_surfaces(), 2);
  // Corners only where the curve meets the border: the square's own corners are no place where
  // its border changes surfaces. Lines: the curve, the border below it and the border above.
  EXPECT_EQ(section.nb_corners(), 2);
  EXPECT_EQ(section.nb_lines(), 3);
  const auto& surface_mapping = mappings.component_mappings.at(Surface<2>::component_type_static());
  Ids pieces;
  for (const auto& surface : section.surfaces()) pieces.push_back(surface.id());
  EXPECT_EQ(Ids(surface_mapping.in2out(square->id()).begin(),
                surface_mapping.in2out(square->id()).end()),
            pieces);
  // The curve bounds both halves; each half has 4 triangles of the square.
  const auto& line_mapping = mappings.component_mappings.at(Line<2>::component_type_static());
  const auto middle = line_mapping.has_mapping_input(curve->id())
                          ? line_mapping.in2out(curve->id()).front()
                          : curve->id();
  for (const auto& surface : section.surfaces()) {
    EXPECT_TRUE(section.is_boundary(middle, surface.id()));
    EXPECT_EQ(section.nb_boundaries(surface), 2);
    EXPECT_EQ(surface.mesh().nb_polygons(), 4);
  }
  for (index_t t = 0; t < square->nb_polygons(); ++t) {
    EXPECT_EQ(mappings.mesh_elements.surfaces.in2out({square->id(), t}).size(), 1);
  }
  test::expect_valid(section);
}

std::unique_ptr<PointSet<3>> point_set(std::initializer_list<Point<3>> points) {
  auto mesh = PointSet<3>::create();
  auto builder = PointSetBuilder<3>::create(*mesh);
  for (const auto& point : points) builder->create_point(point);
  return mesh;
}

TEST_F(ConvertMeshes, PointsWithinToleranceShareAUniqueVertex) {
  // Two point sets on one place, one point set with two points on one place.
  const auto first = point_set({Point<3>{{0., 0., 0.}}});
  const auto second = point_set({Point<3>{{0., 0., 4e-7}}});
  const auto doubled = point_set({Point<3>{{1., 0., 0.}}, Point<3>{{1., 5e-7, 0.}}});
  BRep brep;
  const std::vector<std::reference_wrapper<const PointSet<3>>> point_sets{*first, *second,
                                                                          *doubled};
  const auto mappings =
      detail::ModelBuilderFromMeshes<BRep>{brep, point_sets, {}, {}}.build_model();
  EXPECT_EQ(brep.nb_unique_vertices(), 2);
  // The corners on one unique vertex are merged; the doubled corner is split into two corners
  // first.
  ASSERT_EQ(brep.nb_corners(), 2);
  const auto& corner_mapping = mappings.component_mappings.at(Corner<3>::component_type_static());
  EXPECT_EQ(corner_mapping.in2out(first->id()), corner_mapping.in2out(second->id()));
  EXPECT_EQ(corner_mapping.in2out(doubled->id()).size(), 1);
  for (const auto& corner : brep.corners()) EXPECT_EQ(corner.mesh().nb_vertices(), 1);
}

TEST_F(ConvertMeshes, CurveEndsJoinSurfaceVerticesWithinTolerance) {
  // A triangle and two curves hanging from two of its vertices: one end 5e-7 away from the
  // triangle's vertex (joined), the other 2e-6 away (left apart).
  auto triangle = SurfaceMesh<3>::create();
  {
    auto builder = SurfaceMeshBuilder<3>::create(*triangle);
    builder->create_point(Point<3>{{0., 0., 0.}});
    builder->create_point(Point<3>{{1., 0., 0.}});
    builder->create_point(Point<3>{{0., 1., 0.}});
    builder->create_polygon(std::vector<index_t>{0, 1, 2});
    builder->compute_polygon_adjacencies();
    builder->set_name("plate");
  }
  const auto make_curve = [](const Point<3>& start, const Point<3>& end) {
    auto curve = EdgedCurve<3>::create();
    auto builder = EdgedCurveBuilder<3>::create(*curve);
    builder->create_point(start);
    builder->create_point(end);
    builder->create_edge(0, 1);
    return curve;
  };
  const auto joined = make_curve(Point<3>{{5e-7, 0., 0.}}, Point<3>{{0., 0., -1.}});
  const auto apart = make_curve(Point<3>{{1., 2e-6, 0.}}, Point<3>{{1., 0., -1.}});
  const std::vector<std::reference_wrapper<const EdgedCurve<3>>> curves{*joined, *apart};
  const std::vector<std::reference_wrapper<const SurfaceMesh<3>>> surfaces{*triangle};
  LogCapture log;
  auto [brep, mappings] = convert_meshes_into_brep({}, curves, surfaces);
  // 3 triangle vertices, 2 lower curve ends, the apart curve's upper end.
  EXPECT_EQ(brep.nb_unique_vertices(), 6);
  EXPECT_EQ(brep.nb_blocks(), 0);
  const auto& plate = brep.surface(triangle->id());
  EXPECT_EQ(plate.name(), "plate");
  EXPECT_FALSE(brep.line(apart->id()).name().has_value());
  const auto joined_line = brep.line(joined->id()).component_id();
  EXPECT_EQ(brep.unique_vertex({joined_line, 0}), brep.unique_vertex({plate.component_id(), 0}));
  const auto apart_line = brep.line(apart->id()).component_id();
  EXPECT_NE(brep.unique_vertex({apart_line, 0}), brep.unique_vertex({plate.component_id(), 1}));
  // An open triangle bounds no region: no block, and block building says why.
  bool warned = false;
  for (const auto& line : log.lines()) {
    warned |= line.level == Logger::LEVEL::info &&
              line.text == "[BRepBlocksFinder::determine_blocks] No Block were determined";
  }
  EXPECT_TRUE(warned);
  test::expect_valid(brep);
}

TEST_F(ConvertMeshes, WithoutSurfaceNoBlockIsBuilt) {
  const auto points = point_set({Point<3>{{0., 0., 0.}}});
  const std::vector<std::reference_wrapper<const PointSet<3>>> point_sets{*points};
  LogCapture log;
  auto [brep, mappings] = convert_meshes_into_brep(point_sets, {}, {});
  EXPECT_EQ(brep.nb_corners(), 1);
  EXPECT_EQ(brep.nb_blocks(), 0);
  std::vector<std::string> warnings;
  for (const auto& line : log.lines()) {
    if (line.level == Logger::LEVEL::warn) warnings.push_back(line.text);
  }
  EXPECT_EQ(warnings, std::vector<std::string>{"[build_blocks] Cannot build BRep blocks without "
                                               "surface or with existing blocks"});
  expect_no_block_in(mappings);
}

TEST_F(ConvertMeshes, NoVertexAtAllIsAnError) {
  const auto empty = PointSet<3>::create();
  const std::vector<std::reference_wrapper<const PointSet<3>>> point_sets{*empty};
  try {
    convert_meshes_into_brep(point_sets, {}, {});
    ADD_FAILURE() << "meshes without vertex were accepted";
  } catch (const VeyraConversionModelException& exception) {
    EXPECT_STREQ(exception.what(),
                 "[ModelBuilderFromUniqueVertices::check_unique_vertices] No unique vertices in "
                 "input model");
    EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
  }
}

}  // namespace
}  // namespace veyra
