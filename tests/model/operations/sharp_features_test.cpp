// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_set.h>
#include <gtest/gtest.h>
#include <model/common/library.h>
#include <model/operations/propagated_polygon_normals.h>
#include <model/operations/sharp_features.h>
#include <ostrel/basic/str_cat.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>
#include <ostrel/model/section_builder.h>
#include <support/expect_mappings.h>
#include <support/expect_valid_model.h>
#include <tbb/global_control.h>
#include <veyra_testing/brep_from_points.h>
#include <veyra_testing/mesh_generators.h>
#include <veyra_testing/model_generators.h>

#include <any>
#include <source_location>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace veyra {
namespace {

const ComponentType corner_type{"Corner"};
const ComponentType line_type{"Line"};
const ComponentType surface_type{"Surface"};

class SharpFeaturesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { VeyraConversionModelLibrary::initialize(); }
};

// Adds a surface with this mesh, each mesh vertex tied to a unique vertex of its own.
uuid add_tied_surface(BRep& model, std::unique_ptr<SurfaceMesh<3>> mesh) {
  BRepBuilder builder{model};
  const auto id = builder.add_surface(mesh->impl_name());
  const auto first = builder.create_unique_vertices(mesh->nb_vertices());
  const auto nb_vertices = mesh->nb_vertices();
  builder.update_surface_mesh(model.surface(id), std::move(mesh));
  const auto component = model.surface(id).component_id();
  for (index_t v = 0; v < nb_vertices; ++v) builder.set_unique_vertex({component, v}, first + v);
  return id;
}

template <typename Model>
std::vector<uuid> collections_named(const Model& model, const ComponentType& type,
                                    std::string_view name) {
  std::vector<uuid> ids;
  const auto visit = [&](const auto& collections) {
    for (const auto& collection : collections) {
      if (collection.name() && *collection.name() == name) ids.push_back(collection.id());
    }
  };
  if (type == corner_type) visit(model.corner_collections());
  if (type == line_type) visit(model.line_collections());
  return ids;
}

template <typename Model>
std::vector<uuid> sharp_corners(const Model& model) {
  std::vector<uuid> ids;
  for (const auto& id : collections_named(model, corner_type, "sharp_collection")) {
    for (const auto& corner : model.corner_collection_items(model.corner_collection(id))) {
      ids.push_back(corner.id());
    }
  }
  return ids;
}

template <typename Model>
std::vector<uuid> sharp_lines(const Model& model) {
  std::vector<uuid> ids;
  for (const auto& id : collections_named(model, line_type, "sharp_collection")) {
    for (const auto& line : model.line_collection_items(model.line_collection(id))) {
      ids.push_back(line.id());
    }
  }
  return ids;
}

// The mappings of add_sharp_features lead from the caller's model to the result. The sharp
// components, which the caller finds in the collections, are the target of no mapping entry; they
// may still be listed as created or unchanged.
template <typename Model>
void expect_add_mappings(const test::MeshesSnapshot<Model::dim>& before, const Model& model,
                         const ModelMappings<Model>& mappings,
                         std::source_location where = std::source_location::current()) {
  absl::flat_hash_set<uuid> sharp;
  for (const auto& id : sharp_corners(model)) sharp.insert(id);
  for (const auto& id : sharp_lines(model)) sharp.insert(id);
  test::expect_mappings_follow(before, model, mappings, sharp, where);
}

template <typename Model>
const std::vector<uuid>& created(const ModelMappings<Model>& mappings, const ComponentType& type) {
  return mappings.created_components.at(type);
}

bool on_cube_edge(const Point<3>& point) {
  int nb_on_faces = 0;
  for (local_index_t axis = 0; axis < 3; ++axis) {
    if (point.value(axis) == 0. || point.value(axis) == 1.) ++nb_on_faces;
  }
  return nb_on_faces >= 2;
}

TEST_F(SharpFeaturesTest, CubeSurfaceCreasesBecomeTheTwelveCubeEdges) {
  BRep model;
  const auto surface = add_tied_surface(model, testing::make_cube_surface(3));
  const auto before = test::snapshot_meshes(model);
  const auto mappings = add_sharp_features(model, 100.);
  expect_add_mappings(before, model, mappings);

  const auto lines = sharp_lines(model);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(model.nb_lines(), 12u);
  for (const auto& id : lines) {
    const auto& mesh = model.line(id).mesh();
    EXPECT_EQ(mesh.nb_edges(), 3u);
    for (index_t v = 0; v < mesh.nb_vertices(); ++v) EXPECT_TRUE(on_cube_edge(mesh.point(v)));
    EXPECT_FALSE(mappings.component_mappings.at(line_type).has_mapping_output(id));
    for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
      EXPECT_FALSE(mappings.mesh_vertices.lines.has_mapping_output({id, v}));
    }
    for (index_t e = 0; e < mesh.nb_edges(); ++e) {
      EXPECT_FALSE(mappings.mesh_elements.lines.has_mapping_output({id, e}));
    }
  }
  EXPECT_TRUE(mappings.mesh_vertices.lines.empty());
  EXPECT_TRUE(created<BRep>(mappings, line_type).empty());

  // The engine made the corners where three sharp lines meet; they stay listed as created and
  // are the items of the corner collection.
  const auto corners = sharp_corners(model);
  EXPECT_EQ(corners, created<BRep>(mappings, corner_type));
  ASSERT_EQ(corners.size(), 8u);
  for (const auto& id : corners) {
    const auto& point = model.corner(id).mesh().point(0);
    for (local_index_t axis = 0; axis < 3; ++axis) {
      EXPECT_TRUE(point.value(axis) == 0. || point.value(axis) == 1.);
    }
    EXPECT_EQ(model.nb_incidences(model.corner(id)), 3u);
  }
  EXPECT_EQ(collections_named(model, corner_type, "sharp_collection").size(), 1u);
  EXPECT_EQ(collections_named(model, line_type, "sharp_collection").size(), 1u);

  EXPECT_EQ(model.nb_surfaces(), 6u);
  EXPECT_EQ(mappings.component_mappings.at(surface_type).in2out(surface).size(), 6u);
  test::expect_valid(model);
}

TEST_F(SharpFeaturesTest, ModelWithoutCreaseNorBendIsLeftAsItIs) {
  auto box = testing::make_box_brep(2, 2, 2, Point<3>{{0., 0., 0.}}, Point<3>{{1., 1., 1.}});
  auto& model = box.brep;
  const auto before = test::snapshot_meshes(model);
  const auto mappings = add_sharp_features(model, 100.);
  expect_add_mappings(before, model, mappings);
  EXPECT_EQ(model.nb_corner_collections(), 0u);
  EXPECT_EQ(model.nb_line_collections(), 0u);
  EXPECT_EQ(model.nb_corners(), 8u);
  EXPECT_EQ(model.nb_lines(), 12u);
  EXPECT_EQ(model.nb_surfaces(), 6u);
  for (const auto& type : {corner_type, line_type, surface_type}) {
    EXPECT_TRUE(mappings.created_components.at(type).empty()) << type.get();
    EXPECT_TRUE(mappings.removed_components.at(type).empty()) << type.get();
  }
  EXPECT_EQ(mappings.unchanged_components.at(corner_type).size(), 8u);
  EXPECT_EQ(mappings.unchanged_components.at(line_type).size(), 12u);
  EXPECT_EQ(mappings.unchanged_components.at(surface_type).size(), 6u);
  test::expect_valid(model);
}

// Two triangles sharing the edge from point 0 to point 1, bordered by lines.
BRep two_triangles(const Point<3>& apex0, const Point<3>& apex1) {
  BRep model;
  testing::BRepFromPoints points{model,
                                 {Point<3>{{0., 0., 0.}}, Point<3>{{1., 0., 0.}}, apex0, apex1}};
  points.add_surface(std::vector<testing::PointChain>{{0, 1, 2}, {1, 0, 3}});
  points.add_lines_from_surface_borders();
  return model;
}

TEST_F(SharpFeaturesTest, FoldBackIsCreasedAtAnyAngleAndFlatOnlyAt180) {
  struct Case {
    const char* shape;
    Point<3> apex1;
    double angle;
    bool creased;
  };
  // The second apex folds the second triangle fully back onto the first, or opens it flat.
  const Point<3> folded{{0.5, 1., 0.}};
  const Point<3> flat{{0.5, -1., 0.}};
  for (const auto& [shape, apex1, angle, creased] :
       {Case{"folded", folded, 0., true}, Case{"folded", folded, 30., true},
        Case{"folded", folded, 179., true}, Case{"flat", flat, 0., false},
        Case{"flat", flat, 90., false}, Case{"flat", flat, 179.9, false},
        Case{"flat", flat, 180., true}}) {
    SCOPED_TRACE(str_cat(shape, " at ", angle));
    auto model = two_triangles(Point<3>{{0., 1., 0.}}, apex1);
    const auto before = test::snapshot_meshes(model);
    expect_add_mappings(before, model, add_sharp_features(model, angle));
    const auto lines = sharp_lines(model);
    if (!creased) {
      EXPECT_EQ(model.nb_line_collections(), 0u);
      EXPECT_EQ(model.nb_surfaces(), 1u);
      continue;
    }
    ASSERT_EQ(lines.size(), 1u);
    const auto& mesh = model.line(lines.front()).mesh();
    ASSERT_EQ(mesh.nb_edges(), 1u);
    const auto ends = mesh.edge_vertices(0);
    EXPECT_EQ(mesh.point(ends[0]).value(1), 0.);
    EXPECT_EQ(mesh.point(ends[1]).value(1), 0.);
    EXPECT_EQ(model.nb_surfaces(), 2u);
    test::expect_valid(model);
  }
}

TEST_F(SharpFeaturesTest, DegeneratePatchesTakeTheFirstNeighbourNormal) {
  // Polygon 0 is tilted; 1 and 2 are flat segments (degenerate) touching 0 then each other;
  // polygon 3 is a degenerate triangle alone; polygon 4 is flat and touches 2 only.
  auto mesh = TriangulatedSurface<3>::create();
  auto builder = SurfaceMeshBuilder<3>::create(*mesh);
  for (const auto& point :
       {Point<3>{{0., 0., 0.}}, Point<3>{{3., 0., 0.}}, Point<3>{{1., 0., 0.}},
        Point<3>{{1., 1., 1.}}, Point<3>{{2., 0., 0.}}, Point<3>{{5., 5., 5.}},
        Point<3>{{6., 6., 6.}}, Point<3>{{7., 7., 7.}}, Point<3>{{2., -1., 0.}}}) {
    builder->create_point(point);
  }
  builder->create_polygon(std::vector<index_t>{0, 1, 3});
  builder->create_polygon(std::vector<index_t>{1, 0, 2});
  builder->create_polygon(std::vector<index_t>{1, 2, 4});
  builder->create_polygon(std::vector<index_t>{5, 6, 7});
  builder->create_polygon(std::vector<index_t>{2, 8, 4});
  builder->compute_polygon_adjacencies();

  const auto normals = internal::propagated_polygon_normals(*mesh);
  ASSERT_EQ(normals.size(), 5u);
  ASSERT_TRUE(normals[0] && normals[1] && normals[2] && normals[4]);
  EXPECT_EQ(*normals[1], *normals[0]);
  EXPECT_EQ(*normals[2], *normals[0]);
  EXPECT_FALSE(normals[3]);
  EXPECT_EQ(*normals[4], *mesh->polygon_normal(4));
  EXPECT_NE(*normals[4], *normals[0]);
}

TEST_F(SharpFeaturesTest, DegenerateStripCreasesOnlyAgainstTheOtherSide) {
  // A fold whose hinge is a flat degenerate triangle (0, 1 and their middle 4): the strip takes
  // the normal of the first side, so the crease runs between the strip and the folded side.
  BRep model;
  testing::BRepFromPoints points{
      model,
      {Point<3>{{0., 0., 0.}}, Point<3>{{1., 0., 0.}}, Point<3>{{0., 1., 0.}},
       Point<3>{{0.5, 1., 0.}}, Point<3>{{0.5, 0., 0.}}}};
  points.add_surface(std::vector<testing::PointChain>{{0, 1, 2}, {1, 0, 4}, {4, 0, 3}, {1, 4, 3}});
  points.add_lines_from_surface_borders();
  const auto before = test::snapshot_meshes(model);
  expect_add_mappings(before, model, add_sharp_features(model, 30.));
  const auto lines = sharp_lines(model);
  ASSERT_EQ(lines.size(), 1u);
  const auto& mesh = model.line(lines.front()).mesh();
  EXPECT_EQ(mesh.nb_edges(), 2u);
  for (index_t v = 0; v < mesh.nb_vertices(); ++v) EXPECT_EQ(mesh.point(v).value(1), 0.);
  EXPECT_EQ(model.nb_surfaces(), 2u);
  test::expect_valid(model);
}

TEST_F(SharpFeaturesTest, InactiveSurfaceIsNotSearched) {
  BRep model;
  const auto surface = add_tied_surface(model, testing::make_cube_surface(2));
  BRepBuilder{model}.set_surface_active(surface, false);
  const auto before = test::snapshot_meshes(model);
  expect_add_mappings(before, model, add_sharp_features(model, 100.));
  EXPECT_EQ(model.nb_line_collections(), 0u);
  EXPECT_EQ(model.nb_corner_collections(), 0u);
  EXPECT_EQ(model.nb_lines(), 0u);
  EXPECT_EQ(model.nb_surfaces(), 1u);
  test::expect_valid(model);
}

TEST_F(SharpFeaturesTest, MissingUniqueVertexFailsBeforeTheEngineRuns) {
  BRep model;
  const auto surface_id = add_tied_surface(model, testing::make_cube_surface(2));
  const auto& surface = model.surface(surface_id);
  // Untie a vertex in the middle of a cube edge.
  index_t untied = NO_ID;
  for (index_t v = 0; v < surface.mesh().nb_vertices(); ++v) {
    const auto& point = surface.mesh().point(v);
    if (point.value(0) == 0. && point.value(1) == 0. && point.value(2) == 0.5) untied = v;
  }
  ASSERT_NE(untied, NO_ID);
  BRepBuilder{model}.unset_unique_vertex({surface.component_id(), untied},
                                         model.unique_vertex({surface.component_id(), untied}));
  try {
    add_sharp_features(model, 100.);
    FAIL() << "no exception";
  } catch (const VeyraConversionModelException& exception) {
    EXPECT_STREQ(exception.what(), "[add_sharp_features] Missing unique vertices on input model");
    EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
    EXPECT_EQ(std::any_cast<Point<3>>(exception.data()), surface.mesh().point(untied));
  }
  // The temporary line is left in place and the surface was not split.
  EXPECT_EQ(sharp_lines(model).size(), 1u);
  EXPECT_EQ(model.nb_surfaces(), 1u);
}

TEST_F(SharpFeaturesTest, RemoveAfterAddRestoresTheTopologyAndKeepsOtherCollections) {
  BRep model;
  add_tied_surface(model, testing::make_cube_surface(2));
  add_sharp_features(model, 100.);
  ASSERT_EQ(model.nb_lines(), 12u);
  const auto sharp = sharp_lines(model);
  const auto sharp_corners_before = sharp_corners(model);
  uuid other_lines;
  uuid unnamed_corners;
  uuid named_surfaces;
  {
    BRepBuilder builder{model};
    other_lines = builder.add_line_collection();
    builder.set_line_collection_name(other_lines, "sharp_collection_2");
    unnamed_corners = builder.add_corner_collection();
    // Only corner and line collections are sharp ones. (This one stays empty: a surface
    // collection holding some of the surfaces would keep the surfaces apart.)
    named_surfaces = builder.add_surface_collection();
    builder.set_surface_collection_name(named_surfaces, "sharp_collection");
  }

  auto before = test::snapshot_meshes(model);
  const auto mappings = remove_sharp_features(model);
  // The sharp components went before the engine ran: the mappings start from the model
  // without them.
  for (const auto& line : sharp) before.forget(line);
  for (const auto& corner : sharp_corners_before) before.forget(corner);
  test::expect_mappings_follow(before, model, mappings);
  for (const auto& line : sharp) {
    EXPECT_FALSE(mappings.component_mappings.at(line_type).has_mapping_input(line));
  }
  EXPECT_EQ(model.nb_corners(), 0u);
  EXPECT_EQ(model.nb_lines(), 0u);
  EXPECT_EQ(model.nb_surfaces(), 1u);
  EXPECT_TRUE(collections_named(model, corner_type, "sharp_collection").empty());
  EXPECT_TRUE(collections_named(model, line_type, "sharp_collection").empty());
  EXPECT_TRUE(model.has_line_collection(other_lines));
  EXPECT_TRUE(model.has_corner_collection(unnamed_corners));
  EXPECT_TRUE(model.has_surface_collection(named_surfaces));
  for (const auto& type : {corner_type, line_type}) {
    EXPECT_TRUE(mappings.created_components.at(type).empty()) << type.get();
  }
  test::expect_valid(model);
}

// A surface bounded by one closed line through `points` (by default the unit square) that starts
// and ends at a corner on the first point; the surface is a fan of triangles around that point.
struct SquareSection {
  Section section;
  uuid corner;
  uuid line;
  uuid surface;
};

SquareSection make_square_section(
    const std::vector<Point<2>>& points = {Point<2>{{0., 0.}}, Point<2>{{1., 0.}},
                                           Point<2>{{1., 1.}}, Point<2>{{0., 1.}}}) {
  SquareSection result;
  auto& model = result.section;
  SectionBuilder builder{model};
  const auto nb_points = static_cast<index_t>(points.size());
  builder.create_unique_vertices(nb_points);
  result.corner = builder.add_corner();
  builder.corner_mesh_builder(result.corner)->create_point(points[0]);
  builder.set_unique_vertex({model.corner(result.corner).component_id(), 0}, 0);
  result.line = builder.add_line();
  {
    auto mesh = builder.line_mesh_builder(result.line);
    for (const auto& point : points) mesh->create_point(point);
    for (index_t v = 0; v < nb_points; ++v) mesh->create_edge(v, (v + 1) % nb_points);
  }
  result.surface = builder.add_surface(OstrelTriangulatedSurface<2>::impl_name_static());
  {
    auto mesh = builder.surface_mesh_builder(result.surface);
    for (const auto& point : points) mesh->create_point(point);
    for (index_t v = 1; v + 1 < nb_points; ++v) {
      mesh->create_polygon(std::vector<index_t>{0, v, v + 1});
    }
    mesh->compute_polygon_adjacencies();
  }
  for (index_t v = 0; v < nb_points; ++v) {
    builder.set_unique_vertex({model.line(result.line).component_id(), v}, v);
    builder.set_unique_vertex({model.surface(result.surface).component_id(), v}, v);
  }
  builder.add_corner_line_boundary_relationship(model.corner(result.corner),
                                                model.line(result.line));
  builder.add_line_surface_boundary_relationship(model.line(result.line),
                                                 model.surface(result.surface));
  const auto boundary = builder.add_model_boundary();
  builder.add_line_in_model_boundary(model.line(result.line), model.model_boundary(boundary));
  return result;
}

TEST_F(SharpFeaturesTest, SectionBendsBecomeCornersBesideTheExistingOne) {
  auto square = make_square_section();
  auto& model = square.section;
  test::expect_valid(model);
  const auto before = test::snapshot_meshes(model);
  const auto mappings = add_sharp_features(model, 100.);
  expect_add_mappings(before, model, mappings);

  // The corner on (0, 0) is not doubled: three sharp corners, four in all.
  const auto corners = sharp_corners(model);
  ASSERT_EQ(corners.size(), 3u);
  EXPECT_EQ(model.nb_corners(), 4u);
  EXPECT_EQ(model.nb_lines(), 4u);
  EXPECT_EQ(mappings.component_mappings.at(line_type).in2out(square.line).size(), 4u);
  for (const auto& id : corners) {
    EXPECT_NE(id, square.corner);
    EXPECT_FALSE(mappings.component_mappings.at(corner_type).has_mapping_output(id));
    EXPECT_FALSE(mappings.mesh_vertices.corners.has_mapping_output({id, 0}));
  }
  EXPECT_EQ(mappings.unchanged_components.at(corner_type).front(), square.corner);
  test::expect_valid(model);

  auto before_removal = test::snapshot_meshes(model);
  const auto removal = remove_sharp_features(model);
  for (const auto& id : corners) before_removal.forget(id);
  test::expect_mappings_follow(before_removal, model, removal);
  EXPECT_EQ(removal.component_mappings.at(line_type).size_in(), 4u);
  EXPECT_EQ(model.nb_corners(), 1u);
  EXPECT_TRUE(model.has_corner(square.corner));
  EXPECT_EQ(model.nb_lines(), 1u);
  EXPECT_EQ(model.nb_corner_collections(), 0u);
  test::expect_valid(model);
}

TEST_F(SharpFeaturesTest, InactiveLineGetsNoCorner) {
  auto square = make_square_section();
  SectionBuilder{square.section}.set_line_active(square.line, false);
  const auto before = test::snapshot_meshes(square.section);
  expect_add_mappings(before, square.section, add_sharp_features(square.section, 100.));
  EXPECT_EQ(square.section.nb_corner_collections(), 0u);
  EXPECT_EQ(square.section.nb_corners(), 1u);
  test::expect_valid(square.section);
}

TEST_F(SharpFeaturesTest, SectionRemovalAcceptsCornersTheEngineCreates) {
  auto two = testing::make_two_squares_section(2);
  auto& model = two.section;
  {
    SectionBuilder builder{model};
    const auto collection = builder.add_corner_collection();
    builder.set_corner_collection_name(collection, "sharp_collection");
    // Three lines meet on this corner: the engine has to make it again.
    builder.add_corner_in_corner_collection(model.corner(two.corners[1]),
                                            model.corner_collection(collection));
  }
  const auto mappings = remove_sharp_features(model);
  EXPECT_FALSE(model.has_corner(two.corners[1]));
  EXPECT_EQ(mappings.created_components.at(corner_type).size(), 1u);
  EXPECT_EQ(model.nb_corners(), 6u);
  test::expect_valid(model);
}

TEST_F(SharpFeaturesTest, BRepRemovalFailsWhenTheEngineCreatesAComponent) {
  struct Case {
    bool corner;
    const char* message;
  };
  for (const auto& [corner, message] :
       {Case{true, "[remove_sharp_features] Conversion from unique vertices should not add corner"},
        Case{false,
             "[remove_sharp_features] Conversion from unique vertices should not add line"}}) {
    SCOPED_TRACE(message);
    auto box = testing::make_box_brep(1, 1, 1, Point<3>{{0., 0., 0.}}, Point<3>{{1., 1., 1.}});
    auto& model = box.brep;
    {
      BRepBuilder builder{model};
      if (corner) {
        const auto collection = builder.add_corner_collection();
        builder.set_corner_collection_name(collection, "sharp_collection");
        builder.add_corner_in_corner_collection(model.corner(box.corners[0]),
                                                model.corner_collection(collection));
      } else {
        // The side x = min is set apart by a collection, so its border edges are features
        // that need a line.
        const auto side = builder.add_surface_collection();
        builder.add_surface_in_surface_collection(model.surface(box.surfaces[0]),
                                                  model.surface_collection(side));
        const auto collection = builder.add_line_collection();
        builder.set_line_collection_name(collection, "sharp_collection");
        builder.add_line_in_line_collection(
            *model.boundaries(model.surface(box.surfaces[0])).begin(),
            model.line_collection(collection));
      }
    }
    try {
      remove_sharp_features(model);
      FAIL() << "no exception";
    } catch (const VeyraConversionModelException& exception) {
      EXPECT_STREQ(exception.what(), message);
      EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
    }
  }
}

std::string file_bytes(const std::string& path) {
  std::ifstream file{path, std::ios::binary};
  return {std::istreambuf_iterator<char>{file}, std::istreambuf_iterator<char>{}};
}

// Runs `make_and_run` under a thread limit with a seeded id generator and returns the saved
// model's bytes.
template <typename Run>
std::string saved_with_threads(std::size_t nb_threads, Run&& make_and_run) {
  const tbb::global_control limit{tbb::global_control::max_allowed_parallelism, nb_threads};
  uuid::seed(20240611);
  const auto path = (std::filesystem::temp_directory_path() /
                     str_cat("sharp_features_", ::testing::UnitTest::GetInstance()->random_seed(),
                             "_", nb_threads))
                        .string();
  make_and_run(path);
  auto bytes = file_bytes(path);
  std::filesystem::remove(path);
  return bytes;
}

TEST_F(SharpFeaturesTest, ResultsDoNotDependOnTheThreadCount) {
  const auto brep_run = [](const std::string& path) {
    BRep model;
    add_tied_surface(model, testing::make_cube_surface(12));
    auto second = testing::make_cube_surface(6);
    {
      auto builder = SurfaceMeshBuilder<3>::create(*second);
      for (index_t v = 0; v < second->nb_vertices(); ++v) {
        builder->set_point(v, second->point(v) + Point<3>{{3., 0., 0.}});
      }
    }
    add_tied_surface(model, std::move(second));
    add_sharp_features(model, 100.);
    save_brep(model, path + ".tq_brep");
    std::filesystem::rename(path + ".tq_brep", path);
  };
  const auto one = saved_with_threads(1, brep_run);
  ASSERT_FALSE(one.empty());
  EXPECT_EQ(one, saved_with_threads(2, brep_run));

  // A comb of 1,000 teeth: its line bends at every vertex, over several chunks.
  std::vector<Point<2>> comb{Point<2>{{0., 0.}}};
  for (index_t tooth = 0; tooth < 1000; ++tooth) {
    comb.push_back(Point<2>{{tooth + 0.25, 1.}});
    comb.push_back(Point<2>{{tooth + 0.5, 0.}});
  }
  const auto section_run = [&comb](const std::string& path) {
    auto square = make_square_section(comb);
    add_sharp_features(square.section, 100.);
    EXPECT_EQ(square.section.nb_corners(), comb.size());
    save_section(square.section, path + ".tq_sctn");
    std::filesystem::rename(path + ".tq_sctn", path);
  };
  const auto section_one = saved_with_threads(1, section_run);
  ASSERT_FALSE(section_one.empty());
  EXPECT_EQ(section_one, saved_with_threads(2, section_run));
}

}  // namespace
}  // namespace veyra
