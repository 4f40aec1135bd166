// SPDX-License-Identifier: MIT
// The model-editing commands of the veyra program run as users run them: sharp-features and
// segment on native model files, back and forth, and their input errors.
#include <gtest/gtest.h>
#include <ostrel/basic/str_cat.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>
#include <veyra_testing/mesh_generators.h>
#include <veyra_testing/model_generators.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "program_test.h"

namespace veyra {
namespace {

namespace fs = std::filesystem;

class ModelOperationsProgram : public test::ProgramTest {};

bool contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

// A BRep whose only component is the closed surface of a cube, its vertices tied.
std::string save_cube_surface(const std::string& path) {
  BRep model;
  BRepBuilder builder{model};
  auto mesh = testing::make_cube_surface(4);
  const auto nb_vertices = mesh->nb_vertices();
  const auto id = builder.add_surface(mesh->impl_name());
  builder.update_surface_mesh(model.surface(id), std::move(mesh));
  builder.create_unique_vertices(nb_vertices);
  for (index_t v = 0; v < nb_vertices; ++v) {
    builder.set_unique_vertex({model.surface(id).component_id(), v}, v);
  }
  save_brep(model, path);
  return path;
}

TEST_F(ModelOperationsProgram, SharpFeaturesAddAndRemove) {
  const auto input = save_cube_surface(file("cube.tq_brep"));
  const auto added =
      run(str_cat("sharp-features \"", input, "\" -o \"", file("sharp.tq_brep"), "\" --angle 100"));
  ASSERT_EQ(added.exit_code, 0) << added.err;
  EXPECT_TRUE(contains(added.out, "Added the sharp features at 100 degrees\n")) << added.out;
  EXPECT_TRUE(contains(added.out, "BRep: 8 corners, 12 lines, 6 surfaces, 0 blocks")) << added.out;
  EXPECT_TRUE(contains(added.out, "Sharp features: 8 corners, 12 lines, 0 surfaces\n"))
      << added.out;
  EXPECT_TRUE(contains(added.out, "Created: 8 Corner 0 Line 0 Surface 0 Block")) << added.out;
  const auto sharp = load_brep(file("sharp.tq_brep"));
  EXPECT_EQ(sharp.nb_lines(), 12u);
  EXPECT_EQ(sharp.nb_surfaces(), 6u);

  const auto removed = run(str_cat("sharp-features \"", file("sharp.tq_brep"), "\" -o \"",
                                   file("smooth.tq_brep"), "\" --remove"));
  ASSERT_EQ(removed.exit_code, 0) << removed.err;
  EXPECT_TRUE(contains(removed.out, "Sharp features: 0 corners, 0 lines, 0 surfaces\n"))
      << removed.out;
  const auto smooth = load_brep(file("smooth.tq_brep"));
  EXPECT_EQ(smooth.nb_lines(), 0u);
  EXPECT_EQ(smooth.nb_surfaces(), 1u);

  const auto section_path = file("squares.tq_sctn");
  save_section(testing::make_two_squares_section(2).section, section_path);
  const auto section = run(str_cat("sharp-features \"", section_path, "\" -o \"",
                                   file("squares_sharp.tq_sctn"), "\" --angle 45"));
  ASSERT_EQ(section.exit_code, 0) << section.err;
  EXPECT_TRUE(contains(section.out, "Section: 6 corners, 7 lines, 2 surfaces")) << section.out;
  EXPECT_EQ(load_section(file("squares_sharp.tq_sctn")).nb_lines(), 7u);
}

TEST_F(ModelOperationsProgram, SegmentAndMergeBack) {
  const auto input = file("box.tq_brep");
  save_brep(testing::make_box_brep(2, 2, 1, Point<3>{{0., 0., 0.}}, Point<3>{{2., 2., 1.}}).brep,
            input);
  const auto cut =
      run(str_cat("--threads 2 segment \"", input, "\" -o \"", file("cut.tq_brep"), "\""));
  ASSERT_EQ(cut.exit_code, 0) << cut.err;
  EXPECT_TRUE(contains(cut.out, "Segmented 1 blocks into 2 blocks\n")) << cut.out;
  EXPECT_EQ(load_brep(file("cut.tq_brep")).nb_blocks(), 2u);

  const auto merged = run(str_cat("segment \"", file("cut.tq_brep"), "\" -o \"",
                                  file("merged.tq_brep"), "\" --remove"));
  ASSERT_EQ(merged.exit_code, 0) << merged.err;
  EXPECT_TRUE(contains(merged.out, "Merged 2 blocks into 1 blocks\n")) << merged.out;
  EXPECT_TRUE(contains(merged.out, "Segmentation: 0 corners, 0 lines, 0 surfaces\n")) << merged.out;
  const auto model = load_brep(file("merged.tq_brep"));
  EXPECT_EQ(model.nb_blocks(), 1u);
  EXPECT_EQ(model.nb_surfaces(), 6u);
}

TEST_F(ModelOperationsProgram, BadInputExitsWithOne) {
  const auto brep = save_cube_surface(file("cube.tq_brep"));
  const auto section = file("squares.tq_sctn");
  save_section(testing::make_two_squares_section(1).section, section);
  struct Case {
    std::string arguments;
    std::string message;
  };
  for (const auto& [arguments, message] :
       {Case{str_cat("sharp-features \"", brep, "\" -o \"", file("out.tq_brep"), "\""),
             "Exactly 1 option from [--angle,--remove] is required"},
        Case{str_cat("sharp-features \"", brep, "\" -o \"", file("out.tq_brep"),
                     "\" --angle 90 --remove"),
             "Exactly 1 option from [--angle,--remove] is required"},
        Case{str_cat("sharp-features \"", brep, "\" -o \"", file("out.tq_brep"), "\" --angle 200"),
             "--angle"},
        Case{str_cat("sharp-features \"", brep, "\" -o \"", file("out.tq_sctn"), "\" --remove"),
             "must be a .tq_brep file like the input"},
        Case{str_cat("segment \"", section, "\" -o \"", file("out.tq_brep"), "\""),
             "[veyra segment] Segmentation works on BRep files (.tq_brep)"}}) {
    SCOPED_TRACE(arguments);
    const auto result = run(arguments);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_TRUE(contains(result.err, message)) << result.err;
    EXPECT_FALSE(fs::exists(file("out.tq_brep")));
  }
}

}  // namespace
}  // namespace veyra
