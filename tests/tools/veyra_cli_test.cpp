// SPDX-License-Identifier: MIT
// The veyra program run as users run it: help, info and convert on every example file, global
// options, and exit codes with one-line error messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include <ostrel/basic/str_cat.h>
#include <ostrel/mesh/io/element_type_counts.h>
#include <ostrel/mesh/io/read_mesh.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section_builder.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>

#include <veyra_testing/model_generators.h>

#include "model/model_fixtures.h"

#include "program_test.h"

namespace veyra {
namespace {

namespace fs = std::filesystem;

class VeyraProgram : public test::ProgramTest {};

/// Every mesh file of examples/data, in name order.
std::vector<fs::path> example_files() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator{VEYRA_TEST_DATA_DIR}) {
    if (entry.is_regular_file() && mesh_format_from_path(entry.path().string())) {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string shell_quoted(const fs::path& path) { return str_cat("\"", path.string(), "\""); }

TEST_F(VeyraProgram, EveryCommandHasHelp) {
  const auto help = run("--help");
  EXPECT_EQ(help.exit_code, 0);
  for (const auto* command :
       {"info", "convert", "validate", "solid-to-brep", "surface-to-section", "rebuild",
        "extract-element"}) {
    EXPECT_NE(help.out.find(command), std::string::npos) << command;
    const auto command_help = run(str_cat(command, " --help"));
    EXPECT_EQ(command_help.exit_code, 0) << command;
    EXPECT_NE(command_help.out.find(str_cat("Usage: veyra ", command)), std::string::npos)
        << command_help.out;
  }
  EXPECT_EQ(run("").exit_code, 0);
  EXPECT_EQ(run("--version").out, "0.1.0\n");
}

TEST_F(VeyraProgram, InfoDescribesEveryExampleFile) {
  const auto files = example_files();
  ASSERT_GE(files.size(), 10u);
  for (const auto& path : files) {
    SCOPED_TRACE(path.string());
    const auto mesh = read_mesh(path.string());
    const auto text = run(str_cat("info ", shell_quoted(path)));
    EXPECT_EQ(text.exit_code, 0) << text.err;
    EXPECT_NE(text.out.find(str_cat(": ", mesh.vertex_set().type_name().get(), "\n")),
              std::string::npos)
        << text.out;

    const auto json_run = run(str_cat("info --json ", shell_quoted(path)));
    ASSERT_EQ(json_run.exit_code, 0) << json_run.err;
    const auto json = nlohmann::ordered_json::parse(json_run.out);
    std::vector<std::string> keys;
    for (const auto& [key, value] : json.items()) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"kind", "vertices", "elements", "attributes",
                                              "bounding_box"}));
    EXPECT_EQ(json["kind"], mesh.vertex_set().type_name().get());
    EXPECT_EQ(json["vertices"], mesh.vertex_set().nb_vertices());
    nlohmann::ordered_json elements = nlohmann::ordered_json::object();
    for (const auto& [type, count] : element_type_counts(mesh)) elements[std::string{type}] = count;
    EXPECT_EQ(json["elements"], elements);
    EXPECT_EQ(json["attributes"]["vertex"],
              nlohmann::ordered_json(mesh.vertex_set().vertex_attribute_manager().attribute_names()));
    const auto box = mesh.visit([](const auto& typed) {
      return std::pair{typed.bounding_box().min().value(0), typed.bounding_box().max().value(1)};
    });
    EXPECT_EQ(json["bounding_box"][0][0], box.first);
    EXPECT_EQ(json["bounding_box"][1][1], box.second);
  }
  const auto flat = run(str_cat("info --json --dimension 2 ",
                                shell_quoted(fs::path{VEYRA_TEST_DATA_DIR} / "square_2d.msh")));
  ASSERT_EQ(flat.exit_code, 0) << flat.err;
  const auto json = nlohmann::ordered_json::parse(flat.out);
  EXPECT_EQ(json["kind"], "TriangulatedSurface2D");
  EXPECT_EQ(json["bounding_box"], nlohmann::ordered_json::parse("[[0.0, 0.0], [2.0, 2.0]]"));
  EXPECT_EQ(json["attributes"]["polygon"],
            nlohmann::ordered_json::parse(R"(["gmsh_entity", "gmsh_physical"])"));
}

TEST_F(VeyraProgram, ConvertWritesEveryExampleFileInOtherFormats) {
  for (const auto& path : example_files()) {
    SCOPED_TRACE(path.string());
    const auto original = read_mesh(path.string());
    for (const auto* extension : {"vtu", "msh"}) {
      const auto output = file(str_cat("converted.", extension));
      const auto converted = run(str_cat("-q convert ", shell_quoted(path), " ", shell_quoted(output)));
      ASSERT_EQ(converted.exit_code, 0) << converted.err;
      EXPECT_TRUE(converted.err.empty()) << converted.err;
      const auto read = read_mesh(output);
      EXPECT_EQ(read.vertex_set().type_name(), original.vertex_set().type_name());
      EXPECT_EQ(read.vertex_set().nb_vertices(), original.vertex_set().nb_vertices());
      EXPECT_EQ(element_type_counts(read), element_type_counts(original));
    }
  }
}

TEST_F(VeyraProgram, GlobalOptionsSetLoggingThreadsAndSeed) {
  const auto mesh = str_cat(shell_quoted(fs::path{VEYRA_TEST_DATA_DIR} / "tet_box.msh"));
  const auto verbose = run(str_cat("-v --threads 1 --seed 42 info ", mesh));
  EXPECT_EQ(verbose.exit_code, 0);
  EXPECT_NE(verbose.err.find("48 polygon elements left out of the volume mesh"), std::string::npos)
      << verbose.err;
  const auto normal = run(str_cat("convert ", mesh, " ", shell_quoted(file("box.vtu"))));
  EXPECT_NE(normal.err.find("Wrote"), std::string::npos) << normal.err;
  EXPECT_EQ(run(str_cat("-q convert ", mesh, " ", shell_quoted(file("box.vtu")))).err, "");
  EXPECT_EQ(run(str_cat("-q -v info ", mesh)).exit_code, 1);
  EXPECT_EQ(run(str_cat("--threads 0 info ", mesh)).exit_code, 1);
}

TEST_F(VeyraProgram, BadInputExitsWithOneAndAOneLineMessage) {
  {
    std::ofstream broken{file("broken.off")};
    broken << "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 7\n";
  }
  struct Case {
    std::string arguments;
    std::string message;
  };
  const std::vector<Case> cases{
      {str_cat("info ", shell_quoted(file("missing.msh"))), "no such file"},
      {str_cat("info ", shell_quoted(file("broken.off"))),
       "broken.off, line 6: face vertex index 7 is out of range (3 vertices)"},
      {str_cat("convert ", shell_quoted(file("broken.off")), " ", shell_quoted(file("out.vtu"))),
       "face vertex index 7"},
      {str_cat("convert ", shell_quoted(fs::path{VEYRA_TEST_DATA_DIR} / "tet_box.msh"), " ",
               shell_quoted(file("out.off"))),
       "off files cannot hold solids"},
      {"info", "file is required"},
      {"frobnicate", "frobnicate"},
      {"info --dimension 4 x.msh", "--dimension"},
      {str_cat("validate ", shell_quoted(fs::path{VEYRA_TEST_DATA_DIR} / "tet_box.msh")),
       "Not a model file"},
      {str_cat("validate ", shell_quoted(file("missing.tq_sctn"))), "missing.tq_sctn"},
  };
  for (const auto& test_case : cases) {
    SCOPED_TRACE(test_case.arguments);
    const auto result = run(test_case.arguments);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find(test_case.message), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("terminate"), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(file("out.vtu")));
  EXPECT_FALSE(fs::exists(file("out.off")));
}

TEST_F(VeyraProgram, SolidToBRepBuildsOneBlockPerPhysicalVolume) {
  const auto mesh = shell_quoted(fs::path{VEYRA_TEST_DATA_DIR} / "tet_box.msh");
  const auto output = file("box.tq_brep");
  const auto views = file("box.vtm");
  const auto result = run(
      str_cat("solid-to-brep ", mesh, " -o ", shell_quoted(output), " --vtk ", shell_quoted(views)));
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_NE(result.out.find("48 polyhedra"), std::string::npos) << result.out;
  // The two halves meet on the 8 triangles of the plane x = 1/2.
  EXPECT_NE(result.out.find("Surface facets from gmsh_physical: 8"), std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("BRep: 0 corners, 1 lines, 3 surfaces, 2 blocks, 1 model boundaries"),
            std::string::npos)
      << result.out;
  const auto brep = load_brep(output);
  EXPECT_EQ(brep.nb_blocks(), 2);
  EXPECT_EQ(brep.nb_surfaces(), 3);
  index_t nb_polyhedra = 0;
  for (const auto& block : brep.blocks()) nb_polyhedra += block.mesh().nb_polyhedra();
  EXPECT_EQ(nb_polyhedra, 48);
  EXPECT_TRUE(fs::exists(views));
  EXPECT_EQ(run(str_cat("validate ", shell_quoted(output))).exit_code, 0);

  const auto other = run(str_cat("solid-to-brep ", mesh, " -o ", shell_quoted(file("other.tq_brep")),
                                 " --attribute gmsh_entity"));
  EXPECT_EQ(other.exit_code, 0) << other.err;
  const auto missing = run(str_cat("solid-to-brep ", mesh, " -o ",
                                   shell_quoted(file("missing.tq_brep")), " --attribute region"));
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_NE(missing.err.find("[surface_facets_from_attribute] Attribute not found"),
            std::string::npos)
      << missing.err;
  const auto surface =
      run(str_cat("solid-to-brep ", shell_quoted(fs::path{VEYRA_TEST_DATA_DIR} / "square_2d.msh"),
                  " -o ", shell_quoted(file("square.tq_brep"))));
  EXPECT_EQ(surface.exit_code, 1);
  EXPECT_NE(surface.err.find("not a solid"), std::string::npos) << surface.err;
  EXPECT_FALSE(fs::exists(file("missing.tq_brep")));
}

TEST_F(VeyraProgram, InfoAndConvertDescribeAndExportNativeModels) {
  auto cube = test::make_cube();
  BRepBuilder{cube.brep}.set_block_name(cube.block, "box");
  const auto brep_file = file("cube.tq_brep");
  save_brep(cube.brep, brep_file);
  const auto json_run = run(str_cat("info --json ", shell_quoted(brep_file)));
  ASSERT_EQ(json_run.exit_code, 0) << json_run.err;
  const auto json = nlohmann::ordered_json::parse(json_run.out);
  std::vector<std::string> keys;
  for (const auto& [key, value] : json.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"kind", "counts", "corners", "lines", "surfaces",
                                            "blocks", "model_boundaries", "collections"}));
  EXPECT_EQ(json["kind"], "BRep");
  EXPECT_EQ(json["counts"], nlohmann::ordered_json::parse(R"({"corners": 8, "lines": 12,
      "surfaces": 6, "blocks": 1, "model_boundaries": 1, "corner_collections": 0,
      "line_collections": 1, "surface_collections": 0, "unique_vertices": 8})"));
  const auto& line = json["lines"][0];
  EXPECT_EQ(line["id"], cube.lines[0].string());
  EXPECT_TRUE(line["name"].is_null());
  EXPECT_EQ(line["active"], true);
  EXPECT_EQ(line["vertices"], 2);
  EXPECT_EQ(line["edges"], 1);
  EXPECT_EQ(line["boundaries"].size(), 2u);
  EXPECT_EQ(line["boundaries"][0], cube.corners[cube.line_ends[0][0]].string());
  EXPECT_EQ(line["incidences"].size(), 2u);
  EXPECT_TRUE(line["internals"].empty());
  const auto& block = json["blocks"][0];
  EXPECT_EQ(block["name"], "box");
  EXPECT_EQ(block["polyhedra"], 6);
  EXPECT_EQ(block["boundaries"].size(), 6u);
  EXPECT_EQ(json["surfaces"][0]["polygons"], 2);
  EXPECT_EQ(json["corners"][0].contains("edges"), false);
  EXPECT_EQ(json["model_boundaries"][0]["type"], "ModelBoundary");
  EXPECT_EQ(json["model_boundaries"][0]["items"].size(), 6u);
  EXPECT_EQ(json["collections"][0]["type"], "LineCollection");
  EXPECT_EQ(json["collections"][0]["items"],
            nlohmann::ordered_json::array({cube.lines[0].string(), cube.lines[1].string()}));

  const auto text = run(str_cat("info ", shell_quoted(brep_file)));
  EXPECT_EQ(text.exit_code, 0);
  EXPECT_NE(text.out.find(str_cat("block ", cube.block.string(), " \"box\": 8 vertices, 6 "
                                  "polyhedra, 6 boundaries, 0 incidences")),
            std::string::npos)
      << text.out;

  const auto converted =
      run(str_cat("-q convert ", shell_quoted(brep_file), " ", shell_quoted(file("cube.vtm"))));
  EXPECT_EQ(converted.exit_code, 0) << converted.err;
  EXPECT_TRUE(fs::exists(file("cube.vtm")));
  EXPECT_EQ(read_mesh(file("cube/Block_0.vtu")).get<SolidMesh<3>>().nb_polyhedra(), 6u);

  const auto square = test::make_square();
  save_section(square.section, file("square.tq_sctn"));
  const auto section_json = nlohmann::ordered_json::parse(
      run(str_cat("info --json ", shell_quoted(file("square.tq_sctn")))).out);
  EXPECT_EQ(section_json["kind"], "Section");
  EXPECT_EQ(section_json["counts"]["surfaces"], 2);
  EXPECT_TRUE(section_json["blocks"].empty());

  {
    std::ofstream corrupt{file("corrupt.tq_brep"), std::ios::binary};
    corrupt << "not a model";
  }
  const auto corrupt = run(str_cat("info ", shell_quoted(file("corrupt.tq_brep"))));
  EXPECT_EQ(corrupt.exit_code, 1);
  EXPECT_NE(corrupt.err.find("veyra: error: "), std::string::npos) << corrupt.err;
}

TEST_F(VeyraProgram, ValidateReportsTheProblemsOfNativeModels) {
  const auto box = testing::make_box_brep(2, 2, 2, Point<3>{{0, 0, 0}}, Point<3>{{1, 1, 1}});
  const auto valid_file = file("box.tq_brep");
  save_brep(box.brep, valid_file);
  const auto valid_text = run(str_cat("validate ", shell_quoted(valid_file)));
  EXPECT_EQ(valid_text.exit_code, 0) << valid_text.err;
  EXPECT_EQ(valid_text.out, str_cat(valid_file, ": BRep is valid, 0 errors, 0 warnings\n"));
  const auto valid_json = run(str_cat("validate --json ", shell_quoted(valid_file)));
  EXPECT_EQ(valid_json.exit_code, 0);
  EXPECT_EQ(nlohmann::ordered_json::parse(valid_json.out),
            nlohmann::ordered_json({{"file", valid_file},
                                    {"kind", "BRep"},
                                    {"valid", true},
                                    {"errors", 0},
                                    {"warnings", 0},
                                    {"problems", nlohmann::ordered_json::array()}}));

  // A corner with a second point: the point is untied and the corner has two vertices.
  auto squares = testing::make_two_squares_section(1);
  SectionBuilder{squares.section}.corner_mesh_builder(squares.corners[2])->create_point(
      Point<2>{{3, 0}});
  const auto corner = squares.corners[2].string();
  const auto invalid_file = file("squares.tq_sctn");
  save_section(squares.section, invalid_file);
  const auto invalid_text = run(str_cat("validate ", shell_quoted(invalid_file)));
  EXPECT_EQ(invalid_text.exit_code, 3) << invalid_text.err;
  EXPECT_EQ(invalid_text.out,
            str_cat(invalid_file, ": Section is not valid, 2 errors, 0 warnings\n",
                    "error untied_vertex: Corner ", corner,
                    " vertex 1 is tied to no unique vertex at 3 0\n",
                    "error corner_vertex_count: Corner ", corner, " has 2 vertices, not 1 at 2 0\n"));
  const auto invalid_json = run(str_cat("validate --json ", shell_quoted(invalid_file)));
  EXPECT_EQ(invalid_json.exit_code, 3);
  const auto json = nlohmann::ordered_json::parse(invalid_json.out);
  EXPECT_EQ(json["valid"], false);
  EXPECT_EQ(json["errors"], 2);
  ASSERT_EQ(json["problems"].size(), 2u);
  EXPECT_EQ(json["problems"][0], nlohmann::ordered_json::parse(str_cat(R"({
      "kind": "untied_vertex", "severity": "error",
      "message": "Corner )", corner, R"( vertex 1 is tied to no unique vertex",
      "components": [{"type": "Corner", "id": ")", corner, R"("}],
      "elements": [{"type": "vertex", "component": ")", corner, R"(", "index": 1}],
      "point": [3.0, 0.0]})")));
  EXPECT_EQ(json["problems"][1]["kind"], "corner_vertex_count");
  EXPECT_EQ(json["problems"][1]["elements"], nlohmann::ordered_json::array());
}

TEST_F(VeyraProgram, MeshesToBRepBuildsTheBoxOfTheExampleFaces) {
  const fs::path faces = fs::path{VEYRA_TEST_DATA_DIR} / "box_faces";
  std::string inputs;
  for (const auto* side : {"xmin", "xmax", "ymin", "ymax", "zmin", "zmax"}) {
    inputs += str_cat(" ", shell_quoted(faces / str_cat("box_", side, ".off")));
  }
  const auto model_file = file("box.tq_brep");
  const auto views = file("box.vtm");
  const auto conversion = run(str_cat("--seed 7 meshes-to-brep", inputs, " -o ",
                                      shell_quoted(model_file), " --vtk ", shell_quoted(views)));
  ASSERT_EQ(conversion.exit_code, 0) << conversion.err;
  EXPECT_EQ(conversion.out,
            str_cat("Read 6 meshes\n"
                    "BRep: 8 corners, 12 lines, 6 surfaces, 1 blocks, 1 model boundaries\n"
                    "Created: 8 Corner 12 Line 0 Surface 0 Block 0 ModelBoundary\n"
                    "Removed: 0 Corner 0 Line 0 Surface 0 Block 0 ModelBoundary\n"
                    "Wrote ",
                    model_file, "\n"));
  EXPECT_TRUE(fs::exists(views));

  const auto info = run(str_cat("info --json ", shell_quoted(model_file)));
  ASSERT_EQ(info.exit_code, 0) << info.err;
  const auto json = nlohmann::ordered_json::parse(info.out);
  EXPECT_EQ(json["kind"], "BRep");
  EXPECT_EQ(json["counts"]["corners"], 8);
  EXPECT_EQ(json["counts"]["lines"], 12);
  EXPECT_EQ(json["counts"]["surfaces"], 6);
  EXPECT_EQ(json["counts"]["blocks"], 1);
  EXPECT_EQ(json["counts"]["model_boundaries"], 1);
  EXPECT_EQ(json["counts"]["unique_vertices"], 26);
}

TEST_F(VeyraProgram, MeshesToSectionTakesEveryEntityOfAGmshFile) {
  const auto model_file = file("square.tq_sctn");
  const auto conversion =
      run(str_cat("meshes-to-section ",
                  shell_quoted(fs::path{VEYRA_TEST_DATA_DIR} / "square_2d.msh"), " -o ",
                  shell_quoted(model_file)));
  ASSERT_EQ(conversion.exit_code, 0) << conversion.err;
  EXPECT_NE(conversion.out.find("Section: 4 corners, 4 lines, 1 surfaces, 1 model boundaries\n"),
            std::string::npos)
      << conversion.out;
  const auto info = run(str_cat("info --json ", shell_quoted(model_file)));
  ASSERT_EQ(info.exit_code, 0) << info.err;
  const auto json = nlohmann::ordered_json::parse(info.out);
  EXPECT_EQ(json["counts"]["surfaces"], 1);
  EXPECT_EQ(json["counts"]["lines"], 4);

  // The wrong model extension and a missing file are bad input.
  const auto wrong = run(str_cat("meshes-to-section ",
                                 shell_quoted(fs::path{VEYRA_TEST_DATA_DIR} / "square_2d.msh"),
                                 " -o ", shell_quoted(file("square.tq_brep"))));
  EXPECT_EQ(wrong.exit_code, 1);
  const auto missing =
      run(str_cat("meshes-to-brep ", shell_quoted(file("none.off")), " -o ",
                  shell_quoted(file("none.tq_brep"))));
  EXPECT_EQ(missing.exit_code, 1);
}

TEST_F(VeyraProgram, ExtractElementWritesOnePolyhedronAsABRep) {
  const auto box = testing::make_box_brep(1, 1, 1, Point<3>{{0, 0, 0}}, Point<3>{{1, 1, 1}});
  const auto model_file = file("box.tq_brep");
  save_brep(box.brep, model_file);
  const auto output = file("tetrahedron.tq_brep");
  const auto result = run(str_cat("extract-element ", shell_quoted(model_file), " ",
                                  box.block.string(), " 3 -o ", shell_quoted(output)));
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out,
            str_cat("Polyhedron 3 of Block ", box.block.string(), ": 4 vertices, 4 facets\n",
                    "BRep: 4 corners, 6 lines, 4 surfaces, 1 blocks, 1 model boundaries\n",
                    "Wrote ", output, "\n"));
  const auto tetrahedron = load_brep(output);
  EXPECT_EQ(tetrahedron.nb_surfaces(), 4u);
  EXPECT_EQ(tetrahedron.nb_blocks(), 1u);

  struct Case {
    std::string arguments;
    std::string message;
  };
  const std::vector<Case> cases{
      {str_cat(shell_quoted(model_file), " ", box.block.string(), " 6"),
       "[build_brep_from_brep_element] Polyhedron 6 is not in the mesh of Block"},
      {str_cat(shell_quoted(model_file), " ", box.corners[0].string(), " 0"), "Unknown block"},
      {str_cat(shell_quoted(model_file), " not-an-id 0"), "not-an-id"},
      {str_cat(shell_quoted(fs::path{VEYRA_TEST_DATA_DIR} / "tet_box.msh"), " ",
               box.block.string(), " 0"),
       ".tq_brep"},
  };
  for (const auto& test_case : cases) {
    SCOPED_TRACE(test_case.arguments);
    const auto failed = run(str_cat("extract-element ", test_case.arguments, " -o ",
                                    shell_quoted(file("failed.tq_brep"))));
    EXPECT_EQ(failed.exit_code, 1);
    EXPECT_NE(failed.err.find(test_case.message), std::string::npos) << failed.err;
  }
  EXPECT_FALSE(fs::exists(file("failed.tq_brep")));
}

TEST_F(VeyraProgram, RebuildKeepsOrCutsTheBlocksOfANativeBRep) {
  const auto mesh = shell_quoted(fs::path{VEYRA_TEST_DATA_DIR} / "tet_box.msh");
  const auto two = file("two.tq_brep");
  ASSERT_EQ(run(str_cat("solid-to-brep ", mesh, " -o ", shell_quoted(two))).exit_code, 0);
  const auto same = file("same.tq_brep");
  const auto kept = run(str_cat("rebuild ", shell_quoted(two), " -o ", shell_quoted(same)));
  ASSERT_EQ(kept.exit_code, 0) << kept.err;
  EXPECT_EQ(kept.out,
            str_cat("Read ", two, ": 0 corners, 1 lines, 3 surfaces, 2 blocks, 1 model boundaries\n",
                    "Non-conformal surfaces: 0\n",
                    "BRep: 0 corners, 1 lines, 3 surfaces, 2 blocks, 1 model boundaries\n",
                    "Split: 0 Corner 0 Line 0 Surface 0 Block\n",
                    "Without counterpart: 0 Corner 0 Line 0 Surface 0 Block\n", "Wrote ", same,
                    "\n"));
  EXPECT_EQ(run(str_cat("validate ", shell_quoted(same))).exit_code, 0);

  // The surface between the two halves, made non-conformal: each half gets its own side.
  const auto input = load_brep(two);
  std::string shared;
  for (const auto& surface : input.surfaces()) {
    if (input.nb_incidences(surface) == 2) shared = surface.id().string();
  }
  ASSERT_FALSE(shared.empty());
  const auto cut_file = file("cut.tq_brep");
  const auto cut = run(str_cat("rebuild ", shell_quoted(two), " --non-conformal ", shared,
                               " -o ", shell_quoted(cut_file)));
  ASSERT_EQ(cut.exit_code, 0) << cut.err;
  EXPECT_NE(cut.out.find("Non-conformal surfaces: 1\nBRep: 0 corners, 2 lines, 4 surfaces, 2 "
                         "blocks, 2 model boundaries\nSplit: 0 Corner 1 Line 1 Surface 0 Block\n"),
            std::string::npos)
      << cut.out;
  EXPECT_EQ(run(str_cat("validate ", shell_quoted(cut_file))).exit_code, 0);
  const auto rebuilt = load_brep(cut_file);
  for (const auto& surface : rebuilt.surfaces()) EXPECT_EQ(rebuilt.nb_incidences(surface), 1u);

  const auto unknown = run(str_cat("rebuild ", shell_quoted(two), " --non-conformal ",
                                   input.blocks().begin()->id().string(), " -o ",
                                   shell_quoted(file("failed.tq_brep"))));
  EXPECT_EQ(unknown.exit_code, 1);
  EXPECT_NE(unknown.err.find("Unknown surface"), std::string::npos) << unknown.err;
  EXPECT_FALSE(fs::exists(file("failed.tq_brep")));
}

}  // namespace
}  // namespace veyra
