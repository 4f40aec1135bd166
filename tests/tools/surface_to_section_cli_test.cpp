// SPDX-License-Identifier: MIT
// veyra surface-to-section run as users run it: a Gmsh file with physical regions, declared
// corner and line files, the thread count, and the input errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <model/common/library.h>
#include <ostrel/basic/attribute.h>
#include <ostrel/basic/str_cat.h>
#include <ostrel/mesh/io/write_mesh.h>
#include <ostrel/model/io/section_io.h>
#include <veyra_testing/mesh_generators.h>

#include "program_test.h"

namespace veyra {
namespace {

namespace fs = std::filesystem;

class SurfaceToSectionCommand : public test::ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    VeyraConversionModelLibrary::initialize();
  }

  std::string write_text(std::string_view name, std::string_view content) const {
    std::ofstream{file(name)} << content;
    return file(name);
  }

  /// A 6 x 2 grid whose three 2 x 2 blocks of cells are Gmsh physical groups 1, 2 and 3.
  std::string write_regions_mesh() const {
    auto grid = testing::make_grid_2d(6, 2);
    testing::add_grid_regions(*grid, 6, 2, 3, 1, "region");
    const auto regions = grid->polygon_attribute_manager().find_attribute<index_t>("region");
    auto physicals =
        grid->polygon_attribute_manager().find_or_create_attribute<VariableAttribute, int>(
            "gmsh_physical", 0);
    for (index_t polygon = 0; polygon < grid->nb_polygons(); ++polygon) {
      physicals->set_value(polygon, static_cast<int>(regions->value(polygon)) + 1);
    }
    const auto path = file("regions.msh");
    write_mesh(*grid, path);
    return path;
  }
};

TEST_F(SurfaceToSectionCommand, PhysicalRegionsBecomeSurfaces) {
  const auto mesh = write_regions_mesh();
  const auto output = file("regions.tq_sctn");
  const auto result = run(str_cat("--seed 7 surface-to-section ", mesh, " -o ", output, " --vtk ",
                                  file("regions.vtm")));
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, str_cat("Read ", mesh,
                                ": 21 vertices, 24 polygons\n"
                                "Section: 4 corners, 6 lines, 3 surfaces, 1 model boundaries\n"
                                "Wrote ",
                                output, "\n"));
  const auto section = load_section(output);
  EXPECT_EQ(section.nb_surfaces(), 3);
  EXPECT_TRUE(fs::exists(file("regions.vtm")));

  // One thread or two: the same file, byte for byte.
  const auto one = file("one.tq_sctn");
  const auto two = file("two.tq_sctn");
  ASSERT_EQ(run(str_cat("--seed 7 --threads 1 surface-to-section ", mesh, " -o ", one)).exit_code,
            0);
  ASSERT_EQ(run(str_cat("--seed 7 --threads 2 surface-to-section ", mesh, " -o ", two)).exit_code,
            0);
  EXPECT_TRUE(content(one) == content(two));
  EXPECT_TRUE(content(one) == content(output));
}

TEST_F(SurfaceToSectionCommand, DeclaredCornersAndLines) {
  // 3 x 3 cells, vertex j * 4 + i at (i, j): a line along y = 1, a corner at the origin.
  auto grid = testing::make_grid_2d(3, 3);
  const auto mesh = file("grid.vtu");
  write_mesh(*grid, mesh);
  const auto corners = write_text("corners.txt", "# the origin\n0\n");
  const auto lines = write_text("lines.txt", "4 5\n5 6  # middle\n7 6\n");
  const auto output = file("grid.tq_sctn");
  const auto result = run(str_cat("surface-to-section ", mesh, " -o ", output, " --corners ",
                                  corners, " --lines ", lines));
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_NE(result.out.find("Declared 1 corner vertices, 3 line edges\n"), std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("Section: 3 corners, 4 lines, 2 surfaces, 1 model boundaries\n"),
            std::string::npos)
      << result.out;
  EXPECT_EQ(load_section(output).nb_surfaces(), 2);
}

TEST_F(SurfaceToSectionCommand, BadInputExitsWithOne) {
  const auto mesh = write_regions_mesh();
  const auto output = file("out.tq_sctn");
  struct Case {
    std::string arguments;
    std::string message;
  };
  const auto not_an_edge = write_text("not_an_edge.txt", "0 9\n");
  const auto odd = write_text("odd.txt", "0 1 2\n");
  const auto word = write_text("word.txt", "0\nthree\n");
  const auto beyond = write_text("beyond.txt", "21\n");
  const std::vector<Case> cases{
      {str_cat(mesh, " -o ", output, " --attribute region"),
       "[convert_surface_into_section_from_attribute] Attribute not found."},
      {str_cat(mesh, " -o ", output, " --lines ", not_an_edge),
       str_cat(not_an_edge, ":1: no mesh edge joins vertices 0 and 9")},
      {str_cat(mesh, " -o ", output, " --lines ", odd), "an odd number of vertex ids"},
      {str_cat(mesh, " -o ", output, " --corners ", word),
       str_cat(word, ":2: expected a vertex id, got \"three\"")},
      {str_cat(mesh, " -o ", output, " --corners ", beyond),
       str_cat(beyond, ":1: vertex 21 beyond the mesh's 21 vertices")},
      {str_cat(mesh, " -o ", file("out.tq_brep")), "tq_sctn"},
      {str_cat(mesh, " -o ", output, " --attribute region --corners ", beyond), "excludes"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.arguments);
    const auto result = run(str_cat("surface-to-section ", test.arguments));
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find(test.message), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(output));
  }
}

}  // namespace
}  // namespace veyra
