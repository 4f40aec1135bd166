// SPDX-License-Identifier: MIT
// Models written for ParaView: one data set per component, grouped by kind in a .vtm file, each
// carrying its component's id, name and active flag and its whole mesh.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <ostrel/mesh/io/read_mesh.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/io/write_vtm.h>
#include <ostrel/model/section_builder.h>

#include "../model_fixtures.h"

namespace veyra {
namespace {

namespace fs = std::filesystem;

class WriteVtm : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              str_cat("veyra_vtm_", ::testing::UnitTest::GetInstance()->random_seed(), "_",
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path folder_;
};

std::string file_text(const fs::path& path) {
  std::ifstream stream{path};
  std::stringstream text;
  text << stream.rdbuf();
  return text.str();
}

/// The FieldData string array `name` of a VTK XML file written in ASCII character codes.
std::string field_text(const std::string& xml, std::string_view name) {
  const auto start = xml.find(str_cat("Name=\"", name, "\""));
  if (start == std::string::npos) return "<absent>";
  std::istringstream codes{xml.substr(xml.find('>', start) + 1)};
  std::string text;
  int code = 0;
  while (codes >> code && code != 0) text.push_back(static_cast<char>(code));
  return text;
}

/// (block name, [(data set name, file)]) as listed in a .vtm file.
std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> blocks(
    const std::string& vtm) {
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> result;
  const std::regex element{R"re(<(Block|DataSet) index="\d+" name="([^"]*)"(?: file="([^"]*)")?)re"};
  for (std::sregex_iterator it{vtm.begin(), vtm.end(), element}, end; it != end; ++it) {
    if ((*it)[1] == "Block") {
      result.push_back({(*it)[2], {}});
    } else {
      result.back().second.emplace_back((*it)[2], (*it)[3]);
    }
  }
  return result;
}

TEST_F(WriteVtm, WritesOneDataSetPerComponentOfABRep) {
  auto cube = test::make_cube();
  BRepBuilder builder{cube.brep};
  builder.set_surface_name(cube.surfaces[2], "front & <side>");
  builder.set_line_active(cube.lines[5], false);
  const auto vtm = (folder_ / "cube.vtm").string();
  const auto files = write_vtm(cube.brep, vtm);
  ASSERT_EQ(files.size(), 8u + 12u + 6u + 1u + 1u);
  EXPECT_EQ(files.back(), vtm);

  const auto listed = blocks(file_text(vtm));
  ASSERT_EQ(listed.size(), 4u);
  const std::vector<std::pair<std::string, std::size_t>> expected{
      {"Corners", 8}, {"Lines", 12}, {"Surfaces", 6}, {"Blocks", 1}};
  for (std::size_t b = 0; b < 4; ++b) {
    EXPECT_EQ(listed[b].first, expected[b].first);
    EXPECT_EQ(listed[b].second.size(), expected[b].second);
  }
  EXPECT_EQ(listed[2].second[2].first, "front &amp; &lt;side&gt;");
  EXPECT_EQ(listed[2].second[0].first, str_cat("Surface ", cube.surfaces[0].string()));
  EXPECT_EQ(listed[2].second[2].second, "cube/Surface_2.vtu");

  // Every data set is its component's mesh with the component's texts.
  index_t surface_index = 0;
  for (const auto& surface : cube.brep.surfaces()) {
    const auto path = folder_ / listed[2].second[surface_index].second;
    const auto read = read_mesh(path.string());
    EXPECT_EQ(read.vertex_set().nb_vertices(), surface.mesh().nb_vertices());
    EXPECT_EQ(read.get<SurfaceMesh<3>>().nb_polygons(), surface.mesh().nb_polygons());
    const auto xml = file_text(path);
    EXPECT_EQ(field_text(xml, "component_id"), surface.id().string());
    EXPECT_EQ(field_text(xml, "component_type"), "Surface");
    EXPECT_EQ(field_text(xml, "component_name"), surface_index == 2 ? "front & <side>" : "");
    ++surface_index;
  }
  const auto line_xml = file_text(folder_ / "cube" / "Line_5.vtp");
  EXPECT_EQ(field_text(line_xml, "active"), "false");
  EXPECT_EQ(read_mesh((folder_ / "cube" / "Line_5.vtp").string()).get<EdgedCurve<3>>().nb_edges(),
            1u);
  const auto block = read_mesh((folder_ / "cube" / "Block_0.vtu").string());
  EXPECT_EQ(block.get<SolidMesh<3>>().nb_polyhedra(), 6u);
  EXPECT_EQ(field_text(file_text(folder_ / "cube" / "Corner_7.vtp"), "component_id"),
            cube.corners[7].string());
}

TEST_F(WriteVtm, WritesASectionWithoutBlocksAndRefusesOtherExtensions) {
  const auto square = test::make_square();
  MeshWriteOptions ascii;
  ascii.binary = false;
  const auto files = write_vtm(square.section, (folder_ / "square.vtm").string(), ascii);
  EXPECT_EQ(files.size(), 6u + 7u + 2u + 1u);
  const auto listed = blocks(file_text(folder_ / "square.vtm"));
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[2].first, "Surfaces");
  EXPECT_NE(file_text(folder_ / "square" / "Surface_1.vtu").find("format=\"ascii\""),
            std::string::npos);
  MeshReadOptions in_2d;
  in_2d.dimension = 2;
  EXPECT_EQ(read_mesh((folder_ / "square" / "Surface_1.vtu").string(), in_2d)
                .get<SurfaceMesh<2>>()
                .nb_polygons(),
            2u);
  try {
    write_vtm(square.section, (folder_ / "square.vtu").string());
    FAIL() << "a .vtu name is refused";
  } catch (const OstrelModelException& exception) {
    EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
    EXPECT_NE(std::string{exception.what()}.find("must end with .vtm"), std::string::npos);
  }
}

}  // namespace
}  // namespace veyra
