// SPDX-License-Identifier: MIT
#include <model/element_meshes/convert_surface_into_section_from_attribute.h>

#include <absl/container/flat_hash_set.h>

#include <algorithm>
#include <any>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>
#include <tbb/global_control.h>

#include <model/common/library.h>
#include <model/operations/curve_from_surface_borders.h>
#include <ostrel/basic/attribute.h>
#include <ostrel/basic/str_cat.h>
#include <ostrel/model/io/section_io.h>
#include <veyra_testing/mesh_generators.h>

#include "support/expect_valid_model.h"

namespace veyra {
namespace {

class SurfaceIntoSectionFromAttribute : public ::testing::Test {
 protected:
  void SetUp() override { VeyraConversionModelLibrary::initialize(); }
};

// Adjacency of every polygon edge, in polygon then edge order.
std::vector<index_t> adjacencies(const SurfaceMesh<2>& mesh) {
  std::vector<index_t> result;
  for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
    for (local_index_t edge = 0; edge < mesh.nb_polygon_edges(polygon); ++edge) {
      result.push_back(mesh.polygon_adjacent({polygon, edge}).value_or(NO_ID));
    }
  }
  return result;
}

// The surface each input polygon went to, through the element mapping.
std::vector<uuid> surface_of_polygons(const SurfaceMesh<2>& mesh,
                                      const ModelMeshesElementMapping& elements) {
  std::vector<uuid> surfaces;
  for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
    const auto& targets = elements.surfaces.in2out({mesh.id(), polygon});
    EXPECT_EQ(targets.size(), 1) << polygon;
    surfaces.push_back(targets.front().component_id);
  }
  return surfaces;
}

bool near(const Point<2>& a, const Point<2>& b) {
  return std::hypot(a.value(0) - b.value(0), a.value(1) - b.value(1)) < 1e-9;
}

// The edges of the border curve the conversion builds, as the keys of its line element mapping
// number them: the curve repeats each cut edge (once per side) and the model keeps only the first
// of two edges on the same vertices, renumbering the others in order.
std::vector<std::array<index_t, 2>> keyed_curve_edges(const EdgedCurve<2>& curve) {
  std::vector<std::array<index_t, 2>> edges;
  absl::flat_hash_set<std::pair<index_t, index_t>> seen;
  for (index_t edge = 0; edge < curve.nb_edges(); ++edge) {
    const auto ends = curve.edge_vertices(edge);
    if (seen.insert(std::minmax(ends[0], ends[1])).second) edges.push_back(ends);
  }
  return edges;
}

// Checks every entry of the returned mappings against the input mesh, as the conversion left it,
// and against the curve of its borders rebuilt the same way:
// - input polygon -> one surface polygon at the same place (barycentre, area);
// - input vertex -> one vertex, at its point, in each surface of the polygons around it;
// - curve edge -> one line edge with the same ends; curve vertex -> line vertices at its point;
// - every vertex and element of every line and surface is reached from exactly one key, except
//   in a component kept whole (no entry): the input mesh as the only surface, the curve as the
//   only line;
// - there is no corner entry: corners come from no input mesh.
void expect_complete_mappings(const Section& section, const SurfaceMesh<2>& mesh,
                              const ModelMeshesVertexMapping& vertices,
                              const ModelMeshesElementMapping& elements) {
  const auto curve = curve_from_surface_borders(mesh);
  const auto curve_edges = keyed_curve_edges(*curve);
  // The curve's id is the conversion's own; every line key must carry the same one.
  absl::flat_hash_set<uuid> curve_ids;
  const auto curve_key = [&](const uuid& mesh_id, index_t index) {
    EXPECT_NE(mesh_id, mesh.id());
    curve_ids.insert(mesh_id);
    return index;
  };

  if (section.has_surface(mesh.id())) {
    EXPECT_EQ(section.nb_surfaces(), 1);
    EXPECT_EQ(elements.surfaces.size_in(), 0);
    EXPECT_EQ(vertices.surfaces.size_in(), 0);
    const auto& kept = section.surface(mesh.id()).mesh();
    ASSERT_EQ(kept.nb_polygons(), mesh.nb_polygons());
    ASSERT_EQ(kept.nb_vertices(), mesh.nb_vertices());
    for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
      EXPECT_EQ(kept.point(vertex), mesh.point(vertex));
    }
  } else {
    std::vector<absl::flat_hash_set<uuid>> surfaces_around(mesh.nb_vertices());
    for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
      const auto& targets = elements.surfaces.in2out({mesh.id(), polygon});
      ASSERT_EQ(targets.size(), 1) << "polygon " << polygon;
      const auto& piece = section.surface(targets.front().component_id).mesh();
      EXPECT_TRUE(
          near(piece.polygon_barycenter(targets.front().element), mesh.polygon_barycenter(polygon)))
          << "polygon " << polygon;
      EXPECT_NEAR(piece.polygon_area(targets.front().element), mesh.polygon_area(polygon), 1e-9);
      for (const auto vertex : mesh.polygon_vertices(polygon)) {
        surfaces_around[vertex].insert(targets.front().component_id);
      }
    }
    for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
      absl::flat_hash_set<uuid> reached;
      for (const auto& target : vertices.surfaces.in2out({mesh.id(), vertex})) {
        EXPECT_TRUE(reached.insert(target.component_id).second) << "vertex " << vertex;
        EXPECT_EQ(section.surface(target.component_id).mesh().point(target.vertex),
                  mesh.point(vertex));
      }
      EXPECT_EQ(reached, surfaces_around[vertex]) << "vertex " << vertex;
    }
    for (const auto& surface : section.surfaces()) {
      const auto& piece = surface.mesh();
      for (index_t polygon = 0; polygon < piece.nb_polygons(); ++polygon) {
        EXPECT_EQ(elements.surfaces.out2in({surface.id(), polygon}).size(), 1);
      }
      for (index_t vertex = 0; vertex < piece.nb_vertices(); ++vertex) {
        EXPECT_EQ(vertices.surfaces.out2in({surface.id(), vertex}).size(), 1);
      }
    }
  }

  for (const auto& [key, targets] : elements.lines.in2out_map()) {
    const auto edge = curve_key(key.component_id, key.element);
    ASSERT_LT(edge, curve_edges.size());
    ASSERT_EQ(targets.size(), 1) << "curve edge " << edge;
    const auto& line = section.line(targets.front().component_id).mesh();
    const auto ends = line.edge_vertices(targets.front().element);
    const auto& a = curve->point(curve_edges[edge][0]);
    const auto& b = curve->point(curve_edges[edge][1]);
    EXPECT_TRUE((near(line.point(ends[0]), a) && near(line.point(ends[1]), b)) ||
                (near(line.point(ends[0]), b) && near(line.point(ends[1]), a)))
        << "curve edge " << edge;
  }
  for (const auto& [key, targets] : vertices.lines.in2out_map()) {
    const auto vertex = curve_key(key.component_id, key.vertex);
    ASSERT_LT(vertex, curve->nb_vertices());
    for (const auto& target : targets) {
      EXPECT_EQ(section.line(target.component_id).mesh().point(target.vertex),
                curve->point(vertex));
    }
  }
  index_t nb_line_edges = 0;
  for (const auto& line : section.lines()) {
    nb_line_edges += line.mesh().nb_edges();
    if (!elements.lines.has_mapping_output({line.id(), 0})) {
      // The curve itself, kept whole: one closed border.
      EXPECT_EQ(section.nb_lines(), 1);
      continue;
    }
    for (index_t edge = 0; edge < line.mesh().nb_edges(); ++edge) {
      EXPECT_EQ(elements.lines.out2in({line.id(), edge}).size(), 1);
    }
    for (index_t vertex = 0; vertex < line.mesh().nb_vertices(); ++vertex) {
      EXPECT_EQ(vertices.lines.out2in({line.id(), vertex}).size(), 1);
    }
  }
  EXPECT_EQ(nb_line_edges, curve_edges.size());
  EXPECT_LE(curve_ids.size(), 1);
  EXPECT_EQ(elements.corners.size_in(), 0);
  EXPECT_EQ(vertices.corners.size_in(), 0);
}

TEST_F(SurfaceIntoSectionFromAttribute, ThreeRegionsGiveThreeSurfacesAndTheLinesBetweenThem) {
  // 6 x 2 cells in three regions of 2 x 2 cells side by side: x in [0, 2], [2, 4], [4, 6].
  auto mesh = testing::make_grid_2d(6, 2);
  testing::add_grid_regions(*mesh, 6, 2, 3, 1, "region");
  const auto [section, vertices, elements] =
      convert_surface_into_section_from_attribute(*mesh, "region");

  EXPECT_EQ(section.nb_surfaces(), 3);
  EXPECT_EQ(section.nb_corners(), 4);
  // Two lines between regions, the two middle border pieces, and the left and right border
  // pieces, each from corner to corner.
  EXPECT_EQ(section.nb_lines(), 6);
  index_t nb_lines_between_regions = 0;
  for (const auto& line : section.lines()) {
    if (section.nb_incidences(line) == 2) {
      ++nb_lines_between_regions;
      EXPECT_EQ(line.mesh().nb_edges(), 2);
      for (index_t vertex = 0; vertex < line.mesh().nb_vertices(); ++vertex) {
        const auto x = line.mesh().point(vertex).value(0);
        EXPECT_TRUE(x == 2 || x == 4) << x;
      }
    } else {
      EXPECT_EQ(section.nb_incidences(line), 1);
    }
  }
  EXPECT_EQ(nb_lines_between_regions, 2);

  const auto regions = mesh->polygon_attribute_manager().find_attribute<index_t>("region");
  const auto surfaces = surface_of_polygons(*mesh, elements);
  for (index_t p = 0; p < mesh->nb_polygons(); ++p) {
    for (index_t q = 0; q < mesh->nb_polygons(); ++q) {
      EXPECT_EQ(surfaces[p] == surfaces[q], regions->value(p) == regions->value(q))
          << p << " " << q;
    }
  }
  for (const auto& surface : section.surfaces()) {
    EXPECT_EQ(surface.mesh().nb_polygons(), 8);
  }
  expect_complete_mappings(section, *mesh, vertices, elements);
  test::expect_valid(section);
}

TEST_F(SurfaceIntoSectionFromAttribute, ConstantValueCutsNothingAndNaNIsolatesItsPolygon) {
  auto mesh = testing::make_grid_2d(3, 3);
  auto values =
      mesh->polygon_attribute_manager().find_or_create_attribute<VariableAttribute, double>("value",
                                                                                            1.5);
  const auto before = adjacencies(*mesh);
  {
    const auto [section, vertices, elements] =
        convert_surface_into_section_from_attribute(*mesh, "value");
    EXPECT_EQ(adjacencies(*mesh), before);
    EXPECT_EQ(section.nb_surfaces(), 1);
    EXPECT_EQ(section.nb_lines(), 1);
    EXPECT_EQ(section.nb_corners(), 0);
    test::expect_valid(section);
    expect_complete_mappings(section, *mesh, vertices, elements);
  }
  // Triangles 8 and 9 make the middle cell, with no border edge; two NaN values differ too.
  values->set_value(8, std::numeric_limits<double>::quiet_NaN());
  values->set_value(9, std::numeric_limits<double>::quiet_NaN());
  const auto [section, vertices, elements] =
      convert_surface_into_section_from_attribute(*mesh, "value");
  for (const index_t polygon : {8u, 9u}) {
    for (local_index_t edge = 0; edge < 3; ++edge) {
      EXPECT_FALSE(mesh->polygon_adjacent({polygon, edge}));
    }
  }
  EXPECT_EQ(section.nb_surfaces(), 3);
  const auto surfaces = surface_of_polygons(*mesh, elements);
  for (index_t polygon = 0; polygon < mesh->nb_polygons(); ++polygon) {
    EXPECT_EQ(surfaces[polygon] == surfaces[8], polygon == 8) << polygon;
    EXPECT_EQ(surfaces[polygon] == surfaces[9], polygon == 9) << polygon;
  }
  test::expect_valid(section);
  expect_complete_mappings(section, *mesh, vertices, elements);
}

TEST_F(SurfaceIntoSectionFromAttribute, UnknownAttributeLeavesTheMeshUntouched) {
  auto mesh = testing::make_grid_2d(2, 2);
  testing::add_grid_regions(*mesh, 2, 2, 2, 1, "region");
  const auto before = adjacencies(*mesh);
  try {
    convert_surface_into_section_from_attribute(*mesh, "regions");
    FAIL() << "no exception";
  } catch (const VeyraConversionModelException& exception) {
    EXPECT_STREQ(exception.what(),
                 "[convert_surface_into_section_from_attribute] Attribute not found.");
    EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
    EXPECT_EQ(exception.data().type(), typeid(std::nullptr_t));
  }
  EXPECT_EQ(adjacencies(*mesh), before);
}

// The saved Section of a 40 x 40 grid in 16 regions, built with the given number of threads;
// ids are seeded so that two runs can be compared byte for byte.
std::string saved_section(std::size_t nb_threads, const std::filesystem::path& file) {
  tbb::global_control threads{tbb::global_control::max_allowed_parallelism, nb_threads};
  uuid::seed(1234);
  auto mesh = testing::make_grid_2d(40, 40);
  testing::add_grid_regions(*mesh, 40, 40, 4, 4, "region");
  const auto [section, vertices, elements] =
      convert_surface_into_section_from_attribute(*mesh, "region");
  EXPECT_EQ(section.nb_surfaces(), 16);
  save_section(section, file.string());
  std::ifstream stream{file, std::ios::binary};
  return {std::istreambuf_iterator<char>{stream}, std::istreambuf_iterator<char>{}};
}

TEST_F(SurfaceIntoSectionFromAttribute, ResultDoesNotDependOnTheThreadCount) {
  const auto folder =
      std::filesystem::temp_directory_path() / str_cat("veyra_section_from_attribute_", ::getpid());
  std::filesystem::create_directories(folder);
  const auto one = saved_section(1, folder / "one.tq_sctn");
  const auto two = saved_section(2, folder / "two.tq_sctn");
  std::filesystem::remove_all(folder);
  ASSERT_FALSE(one.empty());
  EXPECT_TRUE(one == two);
}

}  // namespace
}  // namespace veyra
