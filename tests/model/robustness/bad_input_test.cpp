// SPDX-License-Identifier: MIT
// Bad input at the library's entry points, one table per family of entry points: empty input,
// ids beyond the counts, NaN and infinite coordinates, polygons that repeat a vertex, models
// without unique vertices. Each case ends in a correct result or in a
// VeyraConversionModelException of TYPE input that says what is wrong, never in a crash, a
// hang or another exception. The sanitizer build runs these tables too.
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <ostrel/basic/attribute.h>
#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section_builder.h>
#include <support/expect_valid_model.h>
#include <veyra_testing/mesh_generators.h>

#include <model/common/convert_meshes.h>
#include <model/common/library.h>
#include <model/element_meshes/brep_from_solid_elements_builder.h>
#include <model/element_meshes/convert_surface_into_section_from_attribute.h>
#include <model/element_meshes/section_from_surface_elements_builder.h>
#include <model/operations/sharp_features.h>
#include <model/topology/model_builder_from_unique_vertices.h>

namespace veyra {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

/// One bad input: `run` calls the entry point and checks its result itself. With an empty
/// `error`, the call must succeed; otherwise it must throw a VeyraConversionModelException of
/// TYPE input whose message contains `error`.
struct Case {
  std::string name;
  std::function<void()> run;
  std::string error;
};

void run_table(const std::vector<Case>& cases) {
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    try {
      test.run();
      EXPECT_TRUE(test.error.empty()) << "no exception, expected: " << test.error;
    } catch (const VeyraConversionModelException& exception) {
      EXPECT_EQ(exception.type(), OstrelException::TYPE::input) << exception.what();
      EXPECT_FALSE(test.error.empty()) << "unexpected: " << exception.what();
      EXPECT_NE(std::string{exception.what()}.find(test.error), std::string::npos)
          << exception.what();
    } catch (const std::exception& exception) {
      ADD_FAILURE() << "not a library exception: " << exception.what();
    }
  }
}

template <index_t D>
using Points = std::vector<Point<D>>;
using Polygons = std::vector<std::vector<index_t>>;
using Edges = std::vector<std::array<index_t, 2>>;

template <index_t D>
std::unique_ptr<SurfaceMesh<D>> surface(const Points<D>& points, const Polygons& polygons) {
  auto mesh = SurfaceMesh<D>::create();
  auto builder = SurfaceMeshBuilder<D>::create(*mesh);
  for (const auto& point : points) builder->create_point(point);
  for (const auto& polygon : polygons) builder->create_polygon(polygon);
  builder->compute_polygon_adjacencies();
  return mesh;
}

template <index_t D>
std::unique_ptr<EdgedCurve<D>> curve(const Points<D>& points, const Edges& edges) {
  auto mesh = EdgedCurve<D>::create();
  auto builder = EdgedCurveBuilder<D>::create(*mesh);
  for (const auto& point : points) builder->create_point(point);
  for (const auto& [v0, v1] : edges) builder->create_edge(v0, v1);
  return mesh;
}

template <index_t D>
std::unique_ptr<PointSet<D>> point_set(const Points<D>& points) {
  auto mesh = PointSet<D>::create();
  auto builder = PointSetBuilder<D>::create(*mesh);
  for (const auto& point : points) builder->create_point(point);
  return mesh;
}

/// The unit square of the plane z = 0 (or of the 2D plane) in two triangles.
template <index_t D>
Points<D> square_points() {
  Points<D> points(4);
  for (index_t v = 0; v < 4; ++v) {
    points[v].set_value(0, v == 1 || v == 2 ? 1. : 0.);
    points[v].set_value(1, v >= 2 ? 1. : 0.);
  }
  return points;
}
const Polygons square_triangles{{0, 1, 2}, {0, 2, 3}};

class BadInput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { VeyraConversionModelLibrary::initialize(); }
};

// ---------------------------------------------------------------------------------------------
// Meshes into a model.

template <index_t D>
struct Meshes {
  std::vector<std::unique_ptr<PointSet<D>>> point_sets;
  std::vector<std::unique_ptr<EdgedCurve<D>>> curves;
  std::vector<std::unique_ptr<SurfaceMesh<D>>> surfaces;
};

template <index_t D>
auto convert(const Meshes<D>& meshes) {
  std::vector<std::reference_wrapper<const PointSet<D>>> point_sets;
  for (const auto& mesh : meshes.point_sets) point_sets.emplace_back(*mesh);
  std::vector<std::reference_wrapper<const EdgedCurve<D>>> curves;
  for (const auto& mesh : meshes.curves) curves.emplace_back(*mesh);
  std::vector<std::reference_wrapper<const SurfaceMesh<D>>> surfaces;
  for (const auto& mesh : meshes.surfaces) surfaces.emplace_back(*mesh);
  if constexpr (D == 3) {
    return std::get<0>(convert_meshes_into_brep(point_sets, curves, surfaces));
  } else {
    return std::get<0>(convert_meshes_into_section(point_sets, curves, surfaces));
  }
}

template <index_t D>
std::vector<Case> mesh_collection_cases() {
  const auto with_point = [](Point<D> point) {
    auto points = square_points<D>();
    points[2] = point;
    return points;
  };
  Point<D> nan_point;
  Point<D> infinite_point;
  for (index_t d = 0; d < D; ++d) {
    nan_point.set_value(d, d == 0 ? nan : 1.);
    infinite_point.set_value(d, d == 1 ? -infinity : 1.);
  }
  const auto square = [](Meshes<D>& meshes, const Points<D>& points, const Polygons& polygons) {
    meshes.surfaces.push_back(surface<D>(points, polygons));
  };
  std::vector<Case> cases{
      {"no mesh at all", [] { convert(Meshes<D>{}); }, "No unique vertices in input model"},
      {"meshes without vertices",
       [] {
         Meshes<D> meshes;
         meshes.point_sets.push_back(point_set<D>({}));
         meshes.curves.push_back(curve<D>({}, {}));
         meshes.surfaces.push_back(surface<D>({}, {}));
         convert(meshes);
       },
       "No unique vertices in input model"},
      {"a surface with a NaN coordinate",
       [=] {
         Meshes<D> meshes;
         square(meshes, with_point(nan_point), square_triangles);
         convert(meshes);
       },
       "[ModelBuilderFromMeshes::build_model] Vertex 2 of the surface mesh "},
      {"a surface with an infinite coordinate",
       [=] {
         Meshes<D> meshes;
         square(meshes, with_point(infinite_point), square_triangles);
         convert(meshes);
       },
       "is not at a finite position"},
      {"a curve with a NaN coordinate",
       [=] {
         Meshes<D> meshes;
         meshes.curves.push_back(curve<D>({square_points<D>()[0], nan_point}, {{0, 1}}));
         convert(meshes);
       },
       "Vertex 1 of the curve "},
      {"a point with a NaN coordinate",
       [=] {
         Meshes<D> meshes;
         meshes.point_sets.push_back(point_set<D>({nan_point}));
         convert(meshes);
       },
       "is not at a finite position"},
      {"a triangle with a repeated vertex beside a good one",
       [=] {
         Meshes<D> meshes;
         square(meshes, square_points<D>(), {{0, 1, 2}, {0, 2, 2}});
         const auto model = convert(meshes);
         EXPECT_EQ(model.nb_surfaces(), 1);
         test::expect_valid(model);
       },
       ""},
      {"a quadrangle with a repeated vertex",
       [=] {
         Meshes<D> meshes;
         square(meshes, square_points<D>(), {{0, 1, 2, 1}, {0, 2, 3}});
         const auto model = convert(meshes);
         test::expect_valid(model);
       },
       ""},
      {"a curve edge from a vertex to itself",
       [=] {
         Meshes<D> meshes;
         meshes.curves.push_back(curve<D>(square_points<D>(), {{0, 1}, {1, 1}, {1, 2}}));
         const auto model = convert(meshes);
         EXPECT_EQ(model.nb_lines(), 1);
         test::expect_valid(model);
       },
       ""},
  };
  return cases;
}

TEST_F(BadInput, MeshesIntoBRep) { run_table(mesh_collection_cases<3>()); }

TEST_F(BadInput, MeshesIntoSection) { run_table(mesh_collection_cases<2>()); }

// ---------------------------------------------------------------------------------------------
// One 2D mesh with declared corner vertices and line edges into a Section.

/// A 2 x 1 grid of four triangles: vertices 0..5 at (0,0) (1,0) (2,0) (0,1) (1,1) (2,1).
std::unique_ptr<SurfaceMesh<2>> grid(const Polygons& polygons = {{0, 1, 4}, {0, 4, 3},
                                                                 {1, 2, 5}, {1, 5, 4}}) {
  Points<2> points;
  for (index_t v = 0; v < 6; ++v) points.push_back(Point<2>{{double(v % 3), double(v / 3)}});
  return surface<2>(points, polygons);
}

void convert_elements(SurfaceMesh<2>& mesh, const std::vector<index_t>& corners,
                      const std::vector<index_t>& lines) {
  const auto [section, vertices, elements] =
      convert_surface_elements_into_section(mesh, corners, lines);
  test::expect_valid(section);
}

TEST_F(BadInput, SurfaceElementsIntoSection) {
  const auto inner_edge = [](SurfaceMesh<2>& mesh) {
    mesh.enable_edges();
    return *mesh.edges().edge_from_vertices({1, 4});
  };
  run_table({
      {"an empty mesh", [] { convert_elements(*surface<2>({}, {}), {}, {}); }, ""},
      {"a corner vertex beyond the vertices",
       [] { convert_elements(*grid(), {0, 6}, {}); },
       "[WireframeBuilderFromOneMesh::add_corner_vertices] Corner vertex 6 is out of range (the "
       "mesh has 6 vertices)"},
      {"the no-id value as corner vertex",
       [] { convert_elements(*grid(), {NO_ID}, {}); },
       "Corner vertex 4294967295 is out of range"},
      {"a line edge beyond the edges",
       [] { convert_elements(*grid(), {}, {9}); },
       "[WireframeBuilderFromOneMesh::add_line_edges] Line edge 9 is out of range (the mesh has "
       "9 edges)"},
      {"repeated and unordered ids",
       [&] {
         auto mesh = grid();
         const auto edge = inner_edge(*mesh);
         convert_elements(*mesh, {4, 1, 4}, {edge, edge});
       },
       ""},
      {"a NaN coordinate",
       [] {
         auto mesh = grid();
         SurfaceMeshBuilder<2>::create(*mesh)->set_point(5, Point<2>{{nan, 1.}});
         convert_elements(*mesh, {}, {});
       },
       "[WireframeBuilderFromOneMesh] Vertex 5 of the input mesh is not at a finite position"},
      {"a triangle with a repeated vertex",
       [] { convert_elements(*grid({{0, 1, 4}, {0, 4, 3}, {1, 2, 5}, {1, 5, 5}}), {}, {}); },
       "[WireframeBuilderFromOneMesh] Polygon 3 of the input mesh repeats vertex 5"},
      {"a model that is not empty",
       [] {
         auto mesh = grid();
         Section section;
         SectionBuilder{section}.create_unique_vertices(2);
         detail::SectionFromSurfaceElementsBuilder builder{section, *mesh, {}, {}};
       },
       "[WireframeBuilderFromOneMesh] The model must be empty, it has 2 unique vertices"},
  });
}

// ---------------------------------------------------------------------------------------------
// One 2D mesh cut into regions by a polygon attribute.

/// The grid with region values `values` (one per triangle) in the attribute "region".
std::unique_ptr<SurfaceMesh<2>> grid_with_regions(const std::vector<double>& values,
                                                  const Polygons& polygons = {{0, 1, 4},
                                                                              {0, 4, 3},
                                                                              {1, 2, 5},
                                                                              {1, 5, 4}}) {
  auto mesh = grid(polygons);
  auto regions = mesh->polygon_attribute_manager()
                     .find_or_create_attribute<VariableAttribute, double>("region", 0.);
  for (index_t polygon = 0; polygon < values.size(); ++polygon) {
    regions->set_value(polygon, values[polygon]);
  }
  return mesh;
}

void convert_regions(SurfaceMesh<2>& mesh, index_t nb_surfaces) {
  const auto [section, vertices, elements] =
      convert_surface_into_section_from_attribute(mesh, "region");
  EXPECT_EQ(section.nb_surfaces(), nb_surfaces);
  test::expect_valid(section);
}

TEST_F(BadInput, SurfaceIntoSectionFromAttribute) {
  run_table({
      {"an empty mesh",
       [] {
         auto mesh = surface<2>({}, {});
         mesh->polygon_attribute_manager().find_or_create_attribute<VariableAttribute, double>(
             "region", 0.);
         convert_regions(*mesh, 0);
       },
       "No unique vertices in input model"},
      {"no attribute of that name",
       [] { convert_surface_into_section_from_attribute(*grid(), "region"); },
       "[convert_surface_into_section_from_attribute] Attribute not found."},
      {"the name of a vertex attribute",
       [] {
         auto mesh = grid();
         mesh->vertex_attribute_manager().find_or_create_attribute<VariableAttribute, double>(
             "region", 0.);
         convert_surface_into_section_from_attribute(*mesh, "region");
       },
       "Attribute not found."},
      {"NaN and infinite region values",
       [] { convert_regions(*grid_with_regions({nan, nan, infinity, -infinity}), 4); },
       ""},
      {"a NaN coordinate",
       [] {
         auto mesh = grid_with_regions({0., 0., 1., 1.});
         SurfaceMeshBuilder<2>::create(*mesh)->set_point(5, Point<2>{{nan, 1.}});
         convert_regions(*mesh, 2);
       },
       "[convert_surface_into_section_from_attribute] Vertex 5 of the input mesh is not at a "
       "finite position: [nan 1]"},
      {"a triangle with a repeated vertex",
       [] {
         convert_regions(
             *grid_with_regions({0., 0., 1., 1.}, {{0, 1, 4}, {0, 4, 3}, {1, 2, 5}, {1, 5, 5}}),
             2);
       },
       "[convert_surface_into_section_from_attribute] Polygon 3 of the input mesh repeats "
       "vertex 5"},
  });
}

// ---------------------------------------------------------------------------------------------
// One solid with declared corner vertices, line edges and surface facets into a BRep.

/// The unit cube in six tetrahedra (8 vertices, 19 edges, 18 facets).
std::unique_ptr<TetrahedralSolid<3>> cube_tetrahedra() {
  return testing::make_box_tetrahedra(1, 1, 1, Point<3>{{0., 0., 0.}}, Point<3>{{1., 1., 1.}});
}

/// Converts with and without block meshes (each on its own copy of the solid).
void convert_solid(const SolidMesh<3>& solid, const std::vector<index_t>& corners,
                   const std::vector<index_t>& lines, const std::vector<index_t>& facets) {
  {
    auto copy = solid.clone();
    const auto [brep, vertices, elements] =
        convert_solid_elements_into_brep(*copy, corners, lines, facets);
    test::expect_valid(brep);
  }
  auto copy = solid.clone();
  BRep brep;
  detail::BRepFromSolidElementsBuilder builder{brep, *copy, corners, lines, facets};
  static_cast<void>(builder.build_brep_without_block_mesh());
  test::expect_valid(brep);
}

TEST_F(BadInput, SolidElementsIntoBRep) {
  run_table({
      {"an empty solid",
       [] {
         auto solid = TetrahedralSolid<3>::create();
         const auto [brep, vertices, elements] =
             convert_solid_elements_into_brep(*solid, {}, {}, {});
         EXPECT_EQ(brep.nb_surfaces(), 0);
         EXPECT_EQ(brep.nb_blocks(), 0);
       },
       ""},
      {"a corner vertex beyond the vertices",
       [] { convert_solid(*cube_tetrahedra(), {8}, {}, {}); },
       "[WireframeBuilderFromOneMesh::add_corner_vertices] Corner vertex 8 is out of range (the "
       "mesh has 8 vertices)"},
      {"a line edge beyond the edges",
       [] { convert_solid(*cube_tetrahedra(), {}, {19}, {}); },
       "[WireframeBuilderFromOneMesh::add_line_edges] Line edge 19 is out of range (the mesh has "
       "19 edges)"},
      {"a surface facet beyond the facets",
       [] { convert_solid(*cube_tetrahedra(), {}, {}, {0, NO_ID}); },
       "[BRepFromSolidElementsBuilder] Surface facet 4294967295 is out of range (the mesh has 18 "
       "facets)"},
      {"an infinite coordinate",
       [] {
         auto solid = cube_tetrahedra();
         SolidMeshBuilder<3>::create(*solid)->set_point(7, Point<3>{{1., infinity, 1.}});
         convert_solid(*solid, {}, {}, {});
       },
       "[WireframeBuilderFromOneMesh] Vertex 7 of the input mesh is not at a finite position"},
      {"a tetrahedron with a repeated vertex",
       [] {
         auto solid = cube_tetrahedra();
         auto builder = SolidMeshBuilder<3>::create(*solid);
         builder->set_polyhedron_vertex({0, 0}, solid->polyhedron_vertex({0, 1}));
         builder->compute_polyhedron_adjacencies();
         convert_solid(*solid, {}, {}, {});
       },
       "[WireframeBuilderFromOneMesh] Polyhedron 0 of the input mesh repeats vertex "},
      {"an inverted tetrahedron",
       [] {
         auto solid = cube_tetrahedra();
         auto builder = SolidMeshBuilder<3>::create(*solid);
         const auto v0 = solid->polyhedron_vertex({0, 0});
         const auto v1 = solid->polyhedron_vertex({0, 1});
         builder->set_polyhedron_vertex({0, 0}, v1);
         builder->set_polyhedron_vertex({0, 1}, v0);
         builder->compute_polyhedron_adjacencies();
         // Without block meshes no polyhedron reaches the model: the result is valid.
         BRep brep;
         detail::BRepFromSolidElementsBuilder{brep, *solid->clone(), {}, {}, {}}
             .build_brep_without_block_mesh();
         test::expect_valid(brep);
         convert_solid_elements_into_brep(*solid, {}, {}, {});
       },
       "[BRepFromSolidElementsBuilder::build_brep_with_block_mesh] Polyhedron 0 of the input "
       "solid is inverted (volume -"},
  });
}

// ---------------------------------------------------------------------------------------------
// Sharp features of a model.

/// A BRep holding the cube `mesh` as its only surface; with `tied`, surface vertex i is unique
/// vertex i.
BRep cube_model(std::unique_ptr<SurfaceMesh<3>> mesh, bool tied) {
  BRep model;
  BRepBuilder builder{model};
  const auto id = builder.add_surface(mesh->impl_name());
  const auto nb_vertices = mesh->nb_vertices();
  builder.update_surface_mesh(model.surface(id), std::move(mesh));
  if (tied) {
    builder.create_unique_vertices(nb_vertices);
    const auto component = model.surface(id).component_id();
    for (index_t v = 0; v < nb_vertices; ++v) builder.set_unique_vertex({component, v}, v);
  }
  return model;
}

TEST_F(BadInput, SharpFeatures) {
  run_table({
      {"an empty model",
       [] {
         BRep model;
         add_sharp_features(model, 100.);
       },
       "[ModelBuilderFromUniqueVertices::check_unique_vertices] No unique vertices in input "
       "model"},
      {"a surface without unique vertices",
       [] {
         auto model = cube_model(testing::make_cube_surface(2), false);
         add_sharp_features(model, 100.);
       },
       "[add_sharp_features] Missing unique vertices on input model"},
      {"a NaN angle",
       [] {
         auto model = cube_model(testing::make_cube_surface(2), true);
         add_sharp_features(model, nan);  // no angle compares with it
         EXPECT_EQ(model.nb_lines(), 0);
         test::expect_valid(model);
       },
       ""},
      {"a NaN coordinate",
       [] {
         auto mesh = testing::make_cube_surface(2);
         SurfaceMeshBuilder<3>::create(*mesh)->set_point(0, Point<3>{{nan, 0., 0.}});
         auto model = cube_model(std::move(mesh), true);
         add_sharp_features(model, 100.);
       },
       "[add_sharp_features] Vertex 0 of surface "},
  });
}

// ---------------------------------------------------------------------------------------------
// The topology engine on a whole model.

TEST_F(BadInput, TopologyEngine) {
  const auto update = [](Section& section) {
    const ModelBuildTopologyParameters parameters;
    detail::ModelBuilderFromUniqueVertices<Section> engine{section, parameters};
    static_cast<void>(engine.update_model());
  };
  run_table({
      {"an empty model",
       [&] {
         Section section;
         update(section);
       },
       "[ModelBuilderFromUniqueVertices::check_unique_vertices] No unique vertices in input "
       "model"},
      {"a surface without unique vertices",
       [&] {
         Section section;
         SectionBuilder builder{section};
         const auto id = builder.add_surface();
         builder.update_surface_mesh(section.surface(id), surface<2>(square_points<2>(), square_triangles));
         update(section);
       },
       "No unique vertices in input model"},
  });
}

}  // namespace
}  // namespace veyra
