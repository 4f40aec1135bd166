// SPDX-License-Identifier: MIT
// Each writer's output read back by the matching reader gives the same mesh type, vertices,
// elements and attributes; writes replace the target only when complete.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include <ostrel/mesh/io/read_mesh.h>
#include <ostrel/mesh/io/write_mesh.h>

#include "mesh_io_fixtures.h"

namespace veyra {
namespace {

using test::ScratchFolder;

enum struct Kept { all_attributes, gmsh_tags, geometry };

struct RoundTrip {
  std::string name;
  std::function<LoadedMesh()> make;
  std::string extension;
  bool binary;
  Kept kept;
};

void expect_same_points(const LoadedMesh& expected, const LoadedMesh& actual) {
  ASSERT_EQ(expected.dimension(), actual.dimension());
  expected.visit([&](const auto& original) {
    using Mesh = std::decay_t<decltype(original)>;
    const auto& read = actual.get<Mesh>();
    ASSERT_EQ(original.nb_vertices(), read.nb_vertices());
    for (index_t v = 0; v < original.nb_vertices(); ++v) {
      EXPECT_EQ(original.point(v), read.point(v)) << "vertex " << v;
    }
  });
}

void expect_same_mesh(const LoadedMesh& expected, const LoadedMesh& actual, Kept kept) {
  ASSERT_EQ(expected.kind(), actual.kind());
  EXPECT_EQ(expected.vertex_set().type_name(), actual.vertex_set().type_name());
  expect_same_points(expected, actual);
  EXPECT_EQ(test::elements(expected), test::elements(actual));
  if (expected.holds<SolidMesh<3>>()) {
    EXPECT_EQ(test::solid_facets(expected.get<SolidMesh<3>>()),
              test::solid_facets(actual.get<SolidMesh<3>>()));
  }
  const auto& original_vertices = expected.vertex_set().vertex_attribute_manager();
  const auto& read_vertices = actual.vertex_set().vertex_attribute_manager();
  const auto* original_elements = test::element_attributes(expected);
  const auto* read_elements = test::element_attributes(actual);
  switch (kept) {
    case Kept::all_attributes:
      EXPECT_EQ(original_vertices.attribute_names(), read_vertices.attribute_names());
      test::expect_same_typed_attributes(original_vertices, read_vertices);
      if (original_elements != nullptr) {
        EXPECT_EQ(original_elements->attribute_names(), read_elements->attribute_names());
        test::expect_same_typed_attributes(*original_elements, *read_elements);
      }
      break;
    case Kept::gmsh_tags:
      EXPECT_TRUE(read_vertices.attribute_names().empty());
      if (read_elements != nullptr) {
        EXPECT_EQ(read_elements->attribute_names(),
                  (std::vector<std::string>{"gmsh_entity", "gmsh_physical"}));
      }
      break;
    case Kept::geometry:
      EXPECT_TRUE(read_vertices.attribute_names().empty());
      if (read_elements != nullptr) {
        EXPECT_TRUE(read_elements->attribute_names().empty());
      }
      break;
  }
}

std::vector<RoundTrip> round_trips() {
  const auto point_set = [] { return LoadedMesh{test::make_point_set()}; };
  const auto curve = [] { return LoadedMesh{test::make_curve()}; };
  const auto triangles = [] { return LoadedMesh{test::make_surface(true, false)}; };
  const auto polygons = [] { return LoadedMesh{test::make_surface(false, true)}; };
  const auto quads = [] { return LoadedMesh{test::make_surface(false, false)}; };
  const auto tetrahedra = [] { return LoadedMesh{test::make_tetrahedral_solid()}; };
  const auto mixed = [] { return LoadedMesh{test::make_mixed_solid(true)}; };
  const auto fixed_cells = [] { return LoadedMesh{test::make_mixed_solid(false)}; };
  std::vector<RoundTrip> cases;
  for (const bool binary : {true, false}) {
    for (const auto& extension : {"vtu", "vtp"}) {
      cases.push_back({"point set", point_set, extension, binary, Kept::all_attributes});
      cases.push_back({"curve", curve, extension, binary, Kept::all_attributes});
      cases.push_back({"triangles", triangles, extension, binary, Kept::all_attributes});
      cases.push_back({"polygons", polygons, extension, binary, Kept::all_attributes});
    }
    cases.push_back({"tetrahedra", tetrahedra, "vtu", binary, Kept::all_attributes});
    cases.push_back({"mixed polyhedra", mixed, "vtu", binary, Kept::all_attributes});
  }
  for (const auto& extension : {"off", "obj"}) {
    cases.push_back({"point set", point_set, extension, true, Kept::geometry});
    cases.push_back({"curve", curve, extension, true, Kept::geometry});
    cases.push_back({"triangles", triangles, extension, true, Kept::geometry});
    cases.push_back({"polygons", polygons, extension, true, Kept::geometry});
  }
  cases.push_back({"point set", point_set, "msh", true, Kept::gmsh_tags});
  cases.push_back({"curve", curve, "msh", true, Kept::gmsh_tags});
  cases.push_back({"triangles", triangles, "msh", true, Kept::gmsh_tags});
  cases.push_back({"quads and triangles", quads, "msh", true, Kept::gmsh_tags});
  cases.push_back({"tetrahedra", tetrahedra, "msh", true, Kept::gmsh_tags});
  cases.push_back({"fixed cells", fixed_cells, "msh", true, Kept::gmsh_tags});
  return cases;
}

TEST(MeshIoRoundTrip, WrittenMeshesReadBackTheSame) {
  const ScratchFolder folder{"round_trip"};
  for (const auto& round_trip : round_trips()) {
    SCOPED_TRACE(str_cat(round_trip.name, " as ", round_trip.extension,
                         round_trip.binary ? "" : " (ascii)"));
    const auto original = round_trip.make();
    const auto path = folder.file(str_cat("mesh.", round_trip.extension));
    MeshWriteOptions options;
    options.binary = round_trip.binary;
    write_mesh(original, path, options);
    const auto read = read_mesh(path);
    expect_same_mesh(original, read, round_trip.kept);
  }
  EXPECT_EQ(folder.nb_entries(), 5u) << "temporary files were left behind (one file per format)";
}

TEST(MeshIoRoundTrip, TwoDimensionalMeshesComeBackWhenReadIn2D) {
  const ScratchFolder folder{"round_trip_2d"};
  const LoadedMesh original{test::make_surface_2d()};
  for (const auto& extension : {"vtu", "msh", "off", "obj"}) {
    SCOPED_TRACE(extension);
    const auto path = folder.file(str_cat("square.", extension));
    write_mesh(original, path);
    MeshReadOptions options;
    options.dimension = 2;
    const auto read = read_mesh(path, options);
    expect_same_points(original, read);
    EXPECT_EQ(test::elements(original), test::elements(read));
    EXPECT_EQ(read_mesh(path).dimension(), 3u);
  }
}

TEST(MeshIoRoundTrip, GmshTagsSurviveAndConflictingEntitiesAreRenumbered) {
  const ScratchFolder folder{"gmsh_tags"};
  auto surface = test::make_surface(true, false);
  auto& manager = surface->polygon_attribute_manager();
  auto entity = manager.find_or_create_attribute<VariableAttribute, int>("gmsh_entity", 0);
  auto physical = manager.find_or_create_attribute<VariableAttribute, int>("gmsh_physical", 0);
  // Entities 4 and 9 each with one physical group: their tags stay.
  const std::vector<int> entities{4, 4, 9, 9, 4, 9};
  const std::vector<int> physicals{2, 2, 0, 0, 2, 0};
  for (index_t p = 0; p < 6; ++p) {
    entity->set_value(p, entities[p]);
    physical->set_value(p, physicals[p]);
  }
  const auto path = folder.file("tags.msh");
  write_mesh(*surface, path);
  auto read = read_mesh(path);
  const auto& read_manager = *test::element_attributes(read);
  for (index_t p = 0; p < 6; ++p) {
    EXPECT_EQ(read_manager.find_attribute<int>("gmsh_entity")->value(p), entities[p]);
    EXPECT_EQ(read_manager.find_attribute<int>("gmsh_physical")->value(p), physicals[p]);
  }
  // Entity 4 now also holds physical group 3: entities become 1, 2, 3 by first use.
  physical->set_value(4, 3);
  write_mesh(*surface, path);
  read = read_mesh(path);
  const auto& renumbered = *test::element_attributes(read);
  const std::vector<int> expected_entities{1, 1, 2, 2, 3, 2};
  const std::vector<int> expected_physicals{2, 2, 0, 0, 3, 0};
  for (index_t p = 0; p < 6; ++p) {
    EXPECT_EQ(renumbered.find_attribute<int>("gmsh_entity")->value(p), expected_entities[p]);
    EXPECT_EQ(renumbered.find_attribute<int>("gmsh_physical")->value(p), expected_physicals[p]);
  }
}

TEST(MeshIoRoundTrip, FailedWritesLeaveTheTargetAndNoTemporaryFile) {
  const ScratchFolder folder{"failed_write"};
  const auto path = folder.file("mesh.msh");
  {
    std::ofstream previous{path};
    previous << "previous content";
  }
  const auto surface = test::make_surface(false, true);
  try {
    write_mesh(*surface, path);
    FAIL() << "a pentagon cannot go into an MSH file";
  } catch (const OstrelException& exception) {
    EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
    EXPECT_NE(std::string{exception.what()}.find("polygon 4 has 5 vertices"), std::string::npos)
        << exception.what();
  }
  std::ifstream kept{path};
  std::string content;
  std::getline(kept, content);
  EXPECT_EQ(content, "previous content");
  EXPECT_EQ(folder.nb_entries(), 1u);

  const auto expect_input_error = [&](const auto& write, std::string_view expected) {
    try {
      write();
      FAIL() << "expected an error containing " << expected;
    } catch (const OstrelException& exception) {
      EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
      EXPECT_NE(std::string{exception.what()}.find(expected), std::string::npos)
          << exception.what();
    }
  };
  const auto solid = test::make_tetrahedral_solid();
  expect_input_error([&] { write_mesh(*solid, folder.file("solid.off")); },
                     "off files cannot hold solids");
  expect_input_error([&] { write_mesh(*surface, folder.file("surface.stl")); },
                     "stl files are read only");
  expect_input_error([&] { write_mesh(*surface, folder.file("surface.xyz")); },
                     "unknown extension");
  expect_input_error([&] { write_mesh(*surface, folder.file("missing/surface.vtu")); },
                     "Cannot write file");
  expect_input_error([&] { write_mesh(*test::make_mixed_solid(true), folder.file("s.msh")); },
                     "polyhedron 4 is not a tetrahedron");
  EXPECT_EQ(folder.nb_entries(), 1u);
}

}  // namespace
}  // namespace veyra
