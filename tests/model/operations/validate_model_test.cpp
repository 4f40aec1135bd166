// SPDX-License-Identifier: MIT
#include <model/operations/validate_model.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <model/common/library.h>
#include <ostrel/basic/str_cat.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section_builder.h>
#include <ostrel/model/split_along_block_mesh_borders.h>
#include <ostrel/model/split_along_surface_mesh_borders.h>
#include <support/expect_valid_model.h>
#include <veyra_testing/model_generators.h>

namespace veyra {
namespace {

using Kind = ValidationProblemKind;
using testing::make_box_brep;
using testing::make_two_squares_section;

class ValidateModel : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { VeyraConversionModelLibrary::initialize(); }
};

template <index_t D>
bool has_kind(const ValidationReport<D>& report, Kind kind) {
  return std::any_of(report.problems.begin(), report.problems.end(),
                     [&](const auto& problem) { return problem.kind == kind; });
}

template <index_t D>
std::set<std::string_view> kind_names(const ValidationReport<D>& report) {
  std::set<std::string_view> names;
  for (const auto& problem : report.problems) {
    names.insert(validation_problem_kind_name(problem.kind));
  }
  return names;
}

testing::BoxBRep unit_box(index_t n) {
  return make_box_brep(n, n, n, Point<3>{{0, 0, 0}}, Point<3>{{1, 1, 1}});
}

// The unique vertex of a component mesh vertex.
template <typename Model, typename Component>
index_t unique_vertex_of(const Model& model, const Component& component, index_t vertex) {
  return model.unique_vertex({component.component_id(), vertex});
}

// ---- Hand-built valid models with the allowed double ties -----------------------------------

// Adds a line through the points, tied to the unique vertices, bounded by the corners.
template <typename Model>
uuid add_chain(Model& model, typename Model::Builder& builder,
               const std::vector<Point<Model::dim>>& points,
               const std::vector<index_t>& unique_vertices, const std::vector<uuid>& corners) {
  const auto id = builder.add_line();
  {
    auto mesh = builder.line_mesh_builder(id);
    for (const auto& point : points) mesh->create_point(point);
    for (index_t v = 0; v + 1 < points.size(); ++v) mesh->create_edge(v, v + 1);
  }
  const auto& line = model.line(id);
  for (index_t v = 0; v < points.size(); ++v) {
    builder.set_unique_vertex({line.component_id(), v}, unique_vertices[v]);
  }
  for (const auto& corner : corners) {
    builder.add_corner_line_boundary_relationship(model.corner(corner), line);
  }
  return id;
}

template <typename Model>
uuid add_point_corner(Model& model, typename Model::Builder& builder,
                      const Point<Model::dim>& point, index_t unique_vertex) {
  const auto id = builder.add_corner();
  builder.corner_mesh_builder(id)->create_point(point);
  builder.set_unique_vertex({model.corner(id).component_id(), 0}, unique_vertex);
  return id;
}

// The square [0, 2]^2 of 2 x 2 cells (unique vertex 3 y + x on (x, y)), with an internal line
// from (1, 1) to the border point (2, 1), cut open: the surface has two copies of (2, 1).
Section make_section_with_cut_line() {
  Section model;
  SectionBuilder builder{model};
  builder.create_unique_vertices(9);
  const auto at = [](index_t uv) {
    return Point<2>{{static_cast<double>(uv % 3), static_cast<double>(uv / 3)}};
  };
  std::array<uuid, 9> corners;
  for (const index_t uv : {0u, 2u, 4u, 5u, 6u, 8u}) corners[uv] = add_point_corner(model, builder, at(uv), uv);
  const auto chain = [&](const std::vector<index_t>& uvs) {
    std::vector<Point<2>> points;
    for (const auto uv : uvs) points.push_back(at(uv));
    return add_chain(model, builder, points, uvs, {corners[uvs.front()], corners[uvs.back()]});
  };
  const std::array<uuid, 5> border{chain({0, 1, 2}), chain({2, 5}), chain({5, 8}),
                                   chain({8, 7, 6}), chain({6, 3, 0})};
  const auto cut = chain({4, 5});
  const auto surface_id = builder.add_surface();
  {
    auto mesh = builder.surface_mesh_builder(surface_id);
    for (index_t uv = 0; uv < 9; ++uv) mesh->create_point(at(uv));
    for (const index_t y : {0u, 1u}) {
      for (const index_t x : {0u, 1u}) {
        const auto a = 3 * y + x;
        mesh->create_polygon(std::vector<index_t>{a, a + 1, a + 4});
        mesh->create_polygon(std::vector<index_t>{a, a + 4, a + 3});
      }
    }
    mesh->compute_polygon_adjacencies();
  }
  const auto& surface = model.surface(surface_id);
  for (index_t uv = 0; uv < 9; ++uv) builder.set_unique_vertex({surface.component_id(), uv}, uv);
  const auto boundary = builder.add_model_boundary();
  for (const auto& id : border) {
    builder.add_line_surface_boundary_relationship(model.line(id), surface);
    builder.add_line_in_model_boundary(model.line(id), model.model_boundary(boundary));
  }
  builder.add_line_surface_internal_relationship(model.line(cut), surface);
  SplitAlongSurfaceMeshBorders<Section>{model, builder}.split_all_surfaces();
  return model;
}

enum struct ClosedLine {
  chain_on_corner,   // a chain from a corner at the origin back to it
  loop_with_corner,  // a loop with a corner on one of its vertices
  loop,              // a loop without corner
};

// The unit square of two triangles bounded by one line that runs around it.
Section make_section_with_closed_line(ClosedLine kind) {
  const bool closes_on_corner = kind == ClosedLine::chain_on_corner;
  Section model;
  SectionBuilder builder{model};
  builder.create_unique_vertices(4);
  const std::array<Point<2>, 4> points{Point<2>{{0, 0}}, Point<2>{{1, 0}}, Point<2>{{1, 1}},
                                       Point<2>{{0, 1}}};
  const auto line_id = builder.add_line();
  {
    auto mesh = builder.line_mesh_builder(line_id);
    for (const auto& point : points) mesh->create_point(point);
    if (closes_on_corner) mesh->create_point(points[0]);
    for (index_t v = 0; v < 3; ++v) mesh->create_edge(v, v + 1);
    mesh->create_edge(3, closes_on_corner ? 4 : 0);
  }
  const auto& line = model.line(line_id);
  for (index_t v = 0; v < line.mesh().nb_vertices(); ++v) {
    builder.set_unique_vertex({line.component_id(), v}, v % 4);
  }
  if (kind != ClosedLine::loop) {
    const auto corner = add_point_corner(model, builder, points[0], 0);
    builder.add_corner_line_boundary_relationship(model.corner(corner), line);
  }
  const auto surface_id = builder.add_surface();
  {
    auto mesh = builder.surface_mesh_builder(surface_id);
    for (const auto& point : points) mesh->create_point(point);
    mesh->create_polygon(std::vector<index_t>{0, 1, 2});
    mesh->create_polygon(std::vector<index_t>{0, 2, 3});
    mesh->compute_polygon_adjacencies();
  }
  const auto& surface = model.surface(surface_id);
  for (index_t v = 0; v < 4; ++v) builder.set_unique_vertex({surface.component_id(), v}, v);
  builder.add_line_surface_boundary_relationship(line, surface);
  builder.add_line_in_model_boundary(line, model.model_boundary(builder.add_model_boundary()));
  return model;
}

// The box [0, 4]^3 of 4^3 cells with a square patch x = 2, y and z in [1, 3], internal to the
// block and bounded by four lines; the block mesh is cut open along the patch, which gives its
// middle vertex two copies.
BRep make_brep_with_internal_surface() {
  auto box = make_box_brep(4, 4, 4, Point<3>{{0, 0, 0}}, Point<3>{{4, 4, 4}});
  auto& model = box.brep;
  BRepBuilder builder{model};
  const auto uv = [](index_t x, index_t y, index_t z) { return (z * 5 + y) * 5 + x; };
  const auto at = [](index_t x, index_t y, index_t z) {
    return Point<3>{{double(x), double(y), double(z)}};
  };
  // Patch corners in cycle order (y, z): (1,1) (3,1) (3,3) (1,3).
  const std::array<std::array<index_t, 2>, 4> ring{{{1, 1}, {3, 1}, {3, 3}, {1, 3}}};
  std::array<uuid, 4> corners;
  for (index_t c = 0; c < 4; ++c) {
    corners[c] = add_point_corner(model, builder, at(2, ring[c][0], ring[c][1]),
                                  uv(2, ring[c][0], ring[c][1]));
  }
  std::array<uuid, 4> lines;
  for (index_t l = 0; l < 4; ++l) {
    const auto& from = ring[l];
    const auto& to = ring[(l + 1) % 4];
    std::vector<Point<3>> points;
    std::vector<index_t> uvs;
    for (index_t step = 0; step <= 2; ++step) {
      const auto y = (from[0] * (2 - step) + to[0] * step) / 2;
      const auto z = (from[1] * (2 - step) + to[1] * step) / 2;
      points.push_back(at(2, y, z));
      uvs.push_back(uv(2, y, z));
    }
    lines[l] = add_chain(model, builder, points, uvs, {corners[l], corners[(l + 1) % 4]});
  }
  const auto patch_id = builder.add_surface();
  {
    auto mesh = builder.surface_mesh_builder(patch_id);
    for (index_t z = 1; z <= 3; ++z) {
      for (index_t y = 1; y <= 3; ++y) mesh->create_point(at(2, y, z));
    }
    // The block mesh splits each cell face along its (y, z) -> (y + 1, z + 1) diagonal.
    const auto local = [](index_t y, index_t z) { return (z - 1) * 3 + (y - 1); };
    for (index_t z = 1; z < 3; ++z) {
      for (index_t y = 1; y < 3; ++y) {
        mesh->create_polygon(
            std::vector<index_t>{local(y, z), local(y + 1, z), local(y + 1, z + 1)});
        mesh->create_polygon(
            std::vector<index_t>{local(y, z), local(y + 1, z + 1), local(y, z + 1)});
      }
    }
    mesh->compute_polygon_adjacencies();
  }
  const auto& patch = model.surface(patch_id);
  for (index_t z = 1; z <= 3; ++z) {
    for (index_t y = 1; y <= 3; ++y) {
      builder.set_unique_vertex({patch.component_id(), (z - 1) * 3 + (y - 1)}, uv(2, y, z));
    }
  }
  for (const auto& id : lines) builder.add_line_surface_boundary_relationship(model.line(id), patch);
  builder.add_surface_block_internal_relationship(patch, model.block(box.block));
  const auto copies = SplitAlongBlockMeshBorders{model, builder}.split_all_blocks();
  EXPECT_EQ(copies.size(), 1u);
  return std::move(model);
}

TEST_F(ValidateModel, ValidModelsGiveEmptyReports) {
  for (const index_t n : {1u, 3u}) {
    SCOPED_TRACE(n);
    const auto box = make_box_brep(n, n + 1, n + 2, Point<3>{{0, 0, 0}}, Point<3>{{1, 2, 3}});
    const auto brep_report = validate_brep(box.brep);
    EXPECT_TRUE(brep_report.problems.empty()) << validation_report_text(brep_report);
    const auto squares = make_two_squares_section(n);
    const auto section_report = validate_section(squares.section);
    EXPECT_TRUE(section_report.problems.empty()) << validation_report_text(section_report);
  }
}

TEST_F(ValidateModel, AllowedDoubleTiesGiveEmptyReports) {
  const auto cut = make_section_with_cut_line();
  const auto cut_report = validate_section(cut);
  EXPECT_TRUE(cut_report.problems.empty()) << validation_report_text(cut_report);

  for (const auto kind :
       {ClosedLine::chain_on_corner, ClosedLine::loop_with_corner, ClosedLine::loop}) {
    const auto closed = make_section_with_closed_line(kind);
    const auto closed_report = validate_section(closed);
    EXPECT_TRUE(closed_report.problems.empty())
        << static_cast<int>(kind) << "\n" << validation_report_text(closed_report);
  }

  const auto internal = make_brep_with_internal_surface();
  const auto internal_report = validate_brep(internal);
  EXPECT_TRUE(internal_report.problems.empty()) << validation_report_text(internal_report);
}

TEST_F(ValidateModel, DoubleTiesOutsideTheAllowedPlacesAreReported) {
  // A line whose two ends share a unique vertex without a corner there.
  auto closed = make_section_with_closed_line(ClosedLine::chain_on_corner);
  {
    SectionBuilder builder{closed};
    builder.remove_corner(*closed.corners().begin());
  }
  EXPECT_TRUE(has_kind(validate_section(closed), Kind::unique_vertex_tied_twice));

  // A surface with two vertices on one unique vertex, away from any internal line.
  auto squares = make_two_squares_section(2);
  {
    SectionBuilder builder{squares.section};
    const auto& surface = squares.section.surface(squares.surfaces[0]);
    builder.set_unique_vertex({surface.component_id(), 4},
                              unique_vertex_of(squares.section, surface, 0));
  }
  EXPECT_TRUE(has_kind(validate_section(squares.section), Kind::unique_vertex_tied_twice));
}

TEST_F(ValidateModel, ClosedLineWithTwoCornersIsReported) {
  auto model = make_section_with_closed_line(ClosedLine::loop_with_corner);
  {
    SectionBuilder builder{model};
    const auto corner = add_point_corner(model, builder, Point<2>{{1, 1}}, 2);
    builder.add_corner_line_boundary_relationship(model.corner(corner), *model.lines().begin());
  }
  const auto report = validate_section(model);
  EXPECT_EQ(kind_names(report), (std::set<std::string_view>{"line_corner_not_at_end",
                                                            "line_inner_vertex_on_corner"}))
      << validation_report_text(report);
}

// ---- Broken models --------------------------------------------------------------------------

struct BRepCase {
  std::string_view name;
  std::function<void(testing::BoxBRep&, BRepBuilder&)> mutate;
  Kind expected;
};

TEST_F(ValidateModel, BrokenBRepsGiveTheExpectedProblem) {
  const std::vector<BRepCase> cases{
      {"untied surface vertex",
       [](auto& box, auto& builder) {
         const auto& surface = box.brep.surface(box.surfaces[0]);
         builder.unset_unique_vertex({surface.component_id(), 2},
                                     unique_vertex_of(box.brep, surface, 2));
       },
       Kind::untied_vertex},
      {"two-point corner",
       [](auto& box, auto& builder) {
         builder.corner_mesh_builder(box.corners[0])->create_point(Point<3>{{0.5, 0, 0}});
       },
       Kind::corner_vertex_count},
      {"line bounded by a corner away from its end",
       [](auto& box, auto& builder) {
         const auto& line = box.brep.line(box.lines[0]);
         builder.remove_relation(box.corners[0], line.id());
         builder.add_corner_line_boundary_relationship(box.brep.corner(box.corners[7]), line);
       },
       Kind::line_end_not_on_corner},
      {"surface border edge on no line",
       [](auto& box, auto& builder) {
         // Cut polygon 0 of a side from its first neighbour.
         auto mesh = builder.surface_mesh_builder(box.surfaces[2]);
         const auto& surface_mesh = box.brep.surface(box.surfaces[2]).mesh();
         for (local_index_t edge = 0; edge < 3; ++edge) {
           if (const auto across = surface_mesh.polygon_adjacent_edge({0, edge})) {
             mesh->unset_polygon_adjacent({0, edge});
             mesh->unset_polygon_adjacent(*across);
             break;
           }
         }
       },
       Kind::surface_border_edge_not_on_line},
      {"open shell around the block",
       [](auto& box, auto& builder) { builder.remove_relation(box.surfaces[5], box.block); },
       Kind::open_block_shell},
      {"block mesh facet missing from its boundary surface",
       [](auto& box, auto& builder) {
         std::vector<bool> to_delete(box.brep.surface(box.surfaces[1]).mesh().nb_polygons(),
                                     false);
         to_delete[3] = true;
         builder.surface_mesh_builder(box.surfaces[1])->delete_polygons(to_delete);
       },
       Kind::block_border_facet_not_on_surface},
      {"surface polygon inside the block as a boundary",
       [](auto& box, auto& builder) {
         // A triangle of the plane x = 0.5, which two tetrahedra share.
         const auto id = builder.add_surface();
         {
           auto mesh = builder.surface_mesh_builder(id);
           mesh->create_point(Point<3>{{0.5, 0, 0}});
           mesh->create_point(Point<3>{{0.5, 0.5, 0}});
           mesh->create_point(Point<3>{{0.5, 0.5, 0.5}});
           mesh->create_polygon(std::vector<index_t>{0, 1, 2});
         }
         const auto& surface = box.brep.surface(id);
         const auto& block = box.brep.block(box.block);
         for (index_t v = 0; v < 3; ++v) {
           builder.set_unique_vertex({surface.component_id(), v},
                                     unique_vertex_of(box.brep, block, std::array{1u, 4u, 13u}[v]));
         }
         builder.add_surface_block_boundary_relationship(surface, block);
       },
       Kind::boundary_polygon_not_on_block_border},
      {"inverted tetrahedron",
       [](auto& box, auto& builder) {
         const auto& mesh = box.brep.block(box.block).mesh();
         const auto v1 = mesh.polyhedron_vertex({0, 1});
         const auto v2 = mesh.polyhedron_vertex({0, 2});
         auto solid = builder.block_mesh_builder(box.block);
         solid->set_polyhedron_vertex({0, 1}, v2);
         solid->set_polyhedron_vertex({0, 2}, v1);
       },
       Kind::inverted_polyhedron},
      {"scattered unique vertex",
       [](auto& box, auto& builder) {
         builder.surface_mesh_builder(box.surfaces[0])->set_point(0, Point<3>{{0, 0.1, 0.1}});
       },
       Kind::scattered_unique_vertex},
      {"surface bounding three blocks",
       [](auto& box, auto& builder) {
         for (int b = 0; b < 2; ++b) {
           builder.add_surface_block_boundary_relationship(
               box.brep.surface(box.surfaces[0]), box.brep.block(builder.add_block()));
         }
       },
       Kind::too_many_incidences},
      {"corner as a boundary of a surface",
       [](auto& box, auto& builder) {
         builder.add_boundary_relation(box.brep.corner(box.corners[0]).component_id(),
                                       box.brep.surface(box.surfaces[0]).component_id());
       },
       Kind::invalid_relation},
      {"empty model boundary", [](auto&, auto& builder) { builder.add_model_boundary(); },
       Kind::empty_model_boundary},
      {"reversed triangle",
       [](auto& box, auto& builder) {
         builder.surface_mesh_builder(box.surfaces[4])->reverse_polygon(2);
       },
       Kind::inconsistent_orientation},
  };
  for (const auto& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    auto box = unit_box(2);
    {
      BRepBuilder builder{box.brep};
      test_case.mutate(box, builder);
    }
    const auto report = validate_brep(box.brep);
    EXPECT_FALSE(report.is_valid());
    EXPECT_TRUE(has_kind(report, test_case.expected)) << validation_report_text(report);
  }
}

struct SectionCase {
  std::string_view name;
  std::function<void(testing::TwoSquaresSection&, SectionBuilder&)> mutate;
  Kind expected;
};

TEST_F(ValidateModel, BrokenSectionsGiveTheExpectedProblem) {
  const std::vector<SectionCase> cases{
      {"line both boundary and internal",
       [](auto& squares, auto& builder) {
         builder.add_line_surface_internal_relationship(
             squares.section.line(squares.lines[0]), squares.section.surface(squares.surfaces[0]));
       },
       Kind::both_boundary_and_internal},
      {"boundary relation missing",
       [](auto& squares, auto& builder) {
         builder.remove_relation(squares.lines[2], squares.surfaces[1]);
       },
       Kind::surface_border_edge_not_on_line},
      {"border line out of the model boundary",
       [](auto& squares, auto& builder) {
         builder.remove_relation(squares.lines[3], squares.boundary);
       },
       Kind::model_boundary_missing_item},
      {"inner line in the model boundary",
       [](auto& squares, auto& builder) {
         builder.add_line_in_model_boundary(squares.section.line(squares.lines[6]),
                                            squares.section.model_boundary(squares.boundary));
       },
       Kind::model_boundary_wrong_item},
      {"line without edge", [](auto&, auto& builder) { builder.add_line(); },
       Kind::line_without_edge},
      {"branching line",
       [](auto& squares, auto& builder) {
         auto mesh = builder.line_mesh_builder(squares.lines[0]);
         const auto tip = mesh->create_point(Point<2>{{0.5, 0.5}});
         mesh->create_edge(1, tip);
       },
       Kind::line_not_a_chain},
      {"repeated line edge",
       [](auto& squares, auto& builder) {
         builder.line_mesh_builder(squares.lines[1])->create_edge(1, 0);
       },
       Kind::repeated_line_edge},
      {"degenerate line edge",
       [](auto& squares, auto& builder) {
         builder.line_mesh_builder(squares.lines[1])->create_edge(1, 1);
       },
       Kind::degenerate_line_edge},
      {"corner inside a line",
       [](auto& squares, auto& builder) {
         const auto& line = squares.section.line(squares.lines[6]);
         const auto id = builder.add_corner();
         builder.corner_mesh_builder(id)->create_point(line.mesh().point(1));
         builder.set_unique_vertex({squares.section.corner(id).component_id(), 0},
                                   unique_vertex_of(squares.section, line, 1));
       },
       Kind::line_inner_vertex_on_corner},
      {"internal corner off the surface",
       [](auto& squares, auto& builder) {
         builder.add_corner_surface_internal_relationship(
             squares.section.corner(squares.corners[0]),
             squares.section.surface(squares.surfaces[1]));
       },
       Kind::internal_corner_not_on_mesh},
      {"split fan",
       [](auto& squares, auto& builder) {
         // Unset two adjacencies around the inner vertex (0.5, 0.5) of the left square.
         const auto& mesh = squares.section.surface(squares.surfaces[0]).mesh();
         auto surface = builder.surface_mesh_builder(squares.surfaces[0]);
         index_t vertex = NO_ID;
         for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
           if (mesh.point(v) == Point<2>{{0.5, 0.5}}) vertex = v;
         }
         const auto fan = mesh.polygons_around_vertex(vertex);
         for (const auto index : {std::size_t{0}, fan.size() / 2}) {
           const PolygonEdge edge{fan[index].polygon_id, fan[index].vertex_id};
           const auto across = *mesh.polygon_adjacent_edge(edge);
           surface->unset_polygon_adjacent(edge);
           surface->unset_polygon_adjacent(across);
         }
       },
       Kind::non_manifold_vertex},
  };
  for (const auto& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    auto squares = make_two_squares_section(2);
    {
      SectionBuilder builder{squares.section};
      test_case.mutate(squares, builder);
    }
    const auto report = validate_section(squares.section);
    EXPECT_FALSE(report.is_valid());
    EXPECT_TRUE(has_kind(report, test_case.expected)) << validation_report_text(report);
  }
}

// A Moebius band: a strip of quads whose last one joins the first edge reversed.
TEST_F(ValidateModel, UnorientableSurfaceIsAWarningNotAnInconsistency) {
  BRep model;
  BRepBuilder builder{model};
  const index_t nb_quads = 6;
  const auto id = builder.add_surface();
  {
    auto mesh = builder.surface_mesh_builder(id);
    for (index_t i = 0; i < nb_quads; ++i) {
      const double angle = 2 * 3.14159265358979 * i / nb_quads;
      const double half = angle / 2;
      for (const double side : {-0.2, 0.2}) {
        const double radius = 1 + side * std::cos(half);
        mesh->create_point(Point<3>{{radius * std::cos(angle), radius * std::sin(angle),
                                     side * std::sin(half)}});
      }
    }
    for (index_t i = 0; i < nb_quads; ++i) {
      const index_t a = 2 * i;
      const index_t b = 2 * i + 1;
      // After a half turn the two sides of the strip have swapped.
      const bool last = i + 1 == nb_quads;
      const index_t next_a = last ? 1 : a + 2;
      const index_t next_b = last ? 0 : b + 2;
      mesh->create_polygon(std::vector<index_t>{a, next_a, next_b});
      mesh->create_polygon(std::vector<index_t>{a, next_b, b});
    }
    mesh->compute_polygon_adjacencies();
  }
  builder.create_unique_vertices(2 * nb_quads);
  for (index_t v = 0; v < 2 * nb_quads; ++v) {
    builder.set_unique_vertex({model.surface(id).component_id(), v}, v);
  }
  const auto report = validate_brep(model);
  EXPECT_TRUE(has_kind(report, Kind::unorientable_surface)) << validation_report_text(report);
  EXPECT_FALSE(has_kind(report, Kind::inconsistent_orientation));
  EXPECT_EQ(report.nb_warnings(), 1u);
}

TEST_F(ValidateModel, ManyProblemsOfOneComponentAreCounted) {
  auto box = unit_box(5);
  const auto& surface = box.brep.surface(box.surfaces[0]);
  const auto nb_vertices = surface.mesh().nb_vertices();
  {
    BRepBuilder builder{box.brep};
    for (index_t v = 0; v < nb_vertices; ++v) {
      builder.unset_unique_vertex({surface.component_id(), v},
                                  unique_vertex_of(box.brep, surface, v));
    }
  }
  const auto report = validate_brep(box.brep);
  std::vector<const ValidationProblem<3>*> untied;
  for (const auto& problem : report.problems) {
    if (problem.kind == Kind::untied_vertex) untied.push_back(&problem);
  }
  ASSERT_EQ(untied.size(), 21u);
  EXPECT_EQ(untied[0]->elements, (std::vector<ValidationElement>{
                                     {surface.id(), ValidationElementType::vertex, 0, NO_LID}}));
  EXPECT_EQ(untied.back()->message,
            str_cat("Surface ", surface.id().string(), " has ", nb_vertices - 20,
                    " more problems of this kind, not listed"));
}

TEST_F(ValidateModel, ProblemLinesAndNames) {
  auto squares = make_two_squares_section(1);
  {
    SectionBuilder builder{squares.section};
    builder.corner_mesh_builder(squares.corners[2])->create_point(Point<2>{{3, 0}});
  }
  const auto report = validate_section(squares.section);
  const auto corner_id = squares.section.corner(squares.corners[2]).component_id();
  const auto problem = std::find_if(report.problems.begin(), report.problems.end(),
                                    [](const auto& p) { return p.kind == Kind::corner_vertex_count; });
  ASSERT_NE(problem, report.problems.end());
  EXPECT_EQ(problem->components, std::vector<ComponentID>{corner_id});
  EXPECT_EQ(validation_problem_line(*problem),
            str_cat("error corner_vertex_count: Corner ", corner_id.id().string(),
                    " has 2 vertices, not 1 at 2 0"));
  EXPECT_EQ(kind_names(report),
            (std::set<std::string_view>{"corner_vertex_count", "untied_vertex"}));

  std::set<std::string_view> names;
  for (int kind = 0; kind <= static_cast<int>(Kind::check_aborted); ++kind) {
    names.insert(validation_problem_kind_name(static_cast<Kind>(kind)));
  }
  EXPECT_EQ(names.size(), static_cast<std::size_t>(Kind::check_aborted) + 1);
  EXPECT_FALSE(names.contains("unknown"));
}

// Random edits of meshes, ties and relations, each of which the builders accept: however
// broken the result, the checker reports problems, never throws and never stops a check.
TEST_F(ValidateModel, RandomlyBrokenModelsNeverThrow) {
  std::mt19937 random{20240611};
  const auto pick = [&](index_t size) {
    return std::uniform_int_distribution<index_t>{0, size - 1}(random);
  };
  const auto edit_brep = [&](testing::BoxBRep& box, BRepBuilder& builder) {
    auto& model = box.brep;
    const auto& surface = model.surface(box.surfaces[pick(6)]);
    const auto& surface_mesh = surface.mesh();
    const auto& block = model.block(box.block);
    const auto& solid = block.mesh();
    switch (pick(9)) {
      case 0:
        builder.surface_mesh_builder(surface.id())
            ->set_polygon_adjacent({pick(surface_mesh.nb_polygons()),
                                    static_cast<local_index_t>(pick(3))},
                                   pick(surface_mesh.nb_polygons()));
        break;
      case 1:
        builder.block_mesh_builder(block.id())
            ->set_polyhedron_adjacent({pick(solid.nb_polyhedra()),
                                       static_cast<local_index_t>(pick(4))},
                                      pick(solid.nb_polyhedra()));
        break;
      case 2:
        builder.block_mesh_builder(block.id())
            ->set_polyhedron_vertex({pick(solid.nb_polyhedra()),
                                     static_cast<local_index_t>(pick(4))},
                                    pick(solid.nb_vertices()));
        break;
      case 3:
        builder.surface_mesh_builder(surface.id())
            ->set_polygon_vertex({pick(surface_mesh.nb_polygons()),
                                  static_cast<local_index_t>(pick(3))},
                                 pick(surface_mesh.nb_vertices()));
        break;
      case 4:
        builder.set_unique_vertex({block.component_id(), pick(solid.nb_vertices())},
                                  pick(model.nb_unique_vertices()));
        break;
      case 5: {
        std::vector<bool> to_delete(solid.nb_polyhedra(), false);
        to_delete[pick(solid.nb_polyhedra())] = true;
        builder.block_mesh_builder(block.id())->delete_polyhedra(to_delete);
        break;
      }
      case 6:
        builder.remove_relation(box.lines[pick(12)], box.surfaces[pick(6)]);
        break;
      case 7:
        builder.add_internal_relation(model.line(box.lines[pick(12)]).component_id(),
                                      model.surface(box.surfaces[pick(6)]).component_id());
        break;
      default: {
        const auto& line_id = box.lines[pick(12)];
        auto line = builder.line_mesh_builder(line_id);
        const auto& line_mesh = model.line(line_id).mesh();
        line->create_edge(pick(line_mesh.nb_vertices()), pick(line_mesh.nb_vertices()));
        break;
      }
    }
  };
  for (int run = 0; run < 150; ++run) {
    SCOPED_TRACE(run);
    auto box = unit_box(2);
    {
      BRepBuilder builder{box.brep};
      for (index_t edit = 0, nb = 1 + pick(4); edit < nb; ++edit) {
        try {
          edit_brep(box, builder);
        } catch (const OstrelException&) {
          // The builder refused the edit; the model stays as it was.
        }
      }
    }
    ValidationReport<3> report;
    EXPECT_NO_THROW(report = validate_brep(box.brep));
    // A framework error inside a check would mean an unguarded lookup.
    EXPECT_FALSE(has_kind(report, Kind::check_aborted)) << validation_report_text(report);
  }
}

TEST_F(ValidateModel, ExpectValidPassesOnValidModels) {
  test::expect_valid(unit_box(2).brep);
  test::expect_valid(make_two_squares_section(2).section);
}

}  // namespace
}  // namespace veyra
