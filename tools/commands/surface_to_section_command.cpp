// SPDX-License-Identifier: MIT
// veyra surface-to-section MESH -o OUT.tq_sctn: one 2D surface mesh into a Section. By default
// every region of a polygon attribute (--attribute, "gmsh_physical" unless told otherwise)
// becomes a surface, with lines where the region changes and along the border. With --corners
// and/or --lines, the given vertices become corners and the given edges lines instead, and
// surfaces are the regions those lines and the border enclose.
//
// Id files are plain text: whitespace-separated non-negative integers, "#" starting a comment
// that runs to the end of the line. A corners file lists mesh vertex ids (0-based, in the order
// the mesh file gives its points). A lines file lists mesh edges as pairs of vertex ids, "a b",
// conventionally one pair per line; every pair must be joined by a polygon edge of the mesh.
#include <cctype>
#include <charconv>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <ostrel/basic/logger.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/io/read_mesh.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/model/io/section_io.h>
#include <ostrel/model/io/write_vtm.h>

#include <model/common/library.h>
#include <model/element_meshes/convert_surface_into_section_from_attribute.h>
#include <model/element_meshes/section_from_surface_elements_builder.h>

#include "../command.h"
#include "../model_files.h"

namespace veyra::tools {
namespace {

// A number read from an id file with the line it stands on, for messages.
struct IdToken {
  index_t value;
  index_t line;
};

std::vector<IdToken> read_ids(const std::string& path) {
  std::ifstream file{path};
  if (!file) {
    throw OstrelMeshException{nullptr, OstrelException::TYPE::input, path,
                              ": cannot open the file"};
  }
  std::vector<IdToken> ids;
  std::string text;
  index_t line_number = 0;
  while (std::getline(file, text)) {
    ++line_number;
    std::string_view line{text};
    line = line.substr(0, line.find('#'));
    std::size_t position = 0;
    while (position < line.size()) {
      if (std::isspace(static_cast<unsigned char>(line[position]))) {
        ++position;
        continue;
      }
      auto end = position;
      while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end]))) ++end;
      const auto token = line.substr(position, end - position);
      index_t value{};
      const auto [parsed, error] =
          std::from_chars(token.data(), token.data() + token.size(), value);
      if (error != std::errc{} || parsed != token.data() + token.size() || value == NO_ID) {
        throw OstrelMeshException{nullptr, OstrelException::TYPE::input, path, ":", line_number,
                                  ": expected a vertex id, got \"", token, "\""};
      }
      ids.push_back({value, line_number});
      position = end;
    }
  }
  return ids;
}

std::vector<index_t> read_corner_vertices(const std::string& path, const SurfaceMesh<2>& mesh) {
  std::vector<index_t> corners;
  for (const auto& id : read_ids(path)) {
    if (id.value >= mesh.nb_vertices()) {
      throw OstrelMeshException{nullptr, OstrelException::TYPE::input, path, ":", id.line,
                                ": vertex ", id.value, " beyond the mesh's ",
                                mesh.nb_vertices(), " vertices"};
    }
    corners.push_back(id.value);
  }
  return corners;
}

std::vector<index_t> read_line_edges(const std::string& path, SurfaceMesh<2>& mesh) {
  const auto ids = read_ids(path);
  if (ids.size() % 2 != 0) {
    throw OstrelMeshException{nullptr, OstrelException::TYPE::input, path,
                              ": an odd number of vertex ids, edges are pairs \"a b\""};
  }
  mesh.enable_edges();
  std::vector<index_t> edges;
  edges.reserve(ids.size() / 2);
  for (std::size_t i = 0; i < ids.size(); i += 2) {
    const auto edge = mesh.edges().edge_from_vertices({ids[i].value, ids[i + 1].value});
    if (!edge) {
      throw OstrelMeshException{nullptr, OstrelException::TYPE::input, path, ":", ids[i].line,
                                ": no mesh edge joins vertices ", ids[i].value, " and ",
                                ids[i + 1].value};
    }
    edges.push_back(*edge);
  }
  return edges;
}

class SurfaceToSectionCommand final : public Command {
 public:
  CLI::App* add_to(CLI::App& program) override {
    auto* command = program.add_subcommand(
        "surface-to-section",
        "Build a Section from one 2D surface mesh: one surface per region of a polygon "
        "attribute, or, with --corners/--lines, from declared corner vertices and line edges");
    command->add_option("mesh", input_, "2D surface mesh file (msh, off, obj, vtk, vtu, vtp)")
        ->required()
        ->check(CLI::ExistingFile);
    command->add_option("-o,--output", output_, "Model file to write (.tq_sctn)")
        ->required()
        ->check([](const std::string& path) -> std::string {
          return model_file_kind(path) == ModelFileKind::section
                     ? std::string{}
                     : std::string{"the output must end in .tq_sctn"};
        });
    auto* attribute = command->add_option(
        "--attribute", attribute_,
        "Polygon attribute whose regions become surfaces (default gmsh_physical)");
    auto* corners = command->add_option(
        "--corners", corners_file_,
        "Text file of mesh vertex ids that become corners (whitespace-separated, # comments)");
    auto* lines = command->add_option(
        "--lines", lines_file_,
        "Text file of mesh edges that become line edges, as vertex id pairs \"a b\"");
    corners->check(CLI::ExistingFile)->excludes(attribute);
    lines->check(CLI::ExistingFile)->excludes(attribute);
    command->add_option("--vtk", vtk_output_, "Also write the model as a .vtm multiblock");
    return command;
  }

  void run() override {
    VeyraConversionModelLibrary::initialize();
    MeshReadOptions options;
    options.dimension = 2;
    auto mesh = read_mesh(input_, options).release<SurfaceMesh<2>>();
    std::cout << "Read " << input_ << ": " << mesh->nb_vertices() << " vertices, "
              << mesh->nb_polygons() << " polygons\n";
    if (corners_file_.empty() && lines_file_.empty()) {
      auto [section, vertices, elements] =
          convert_surface_into_section_from_attribute(*mesh, attribute_);
      finish(section);
      return;
    }
    const auto corners =
        corners_file_.empty() ? std::vector<index_t>{} : read_corner_vertices(corners_file_, *mesh);
    const auto lines =
        lines_file_.empty() ? std::vector<index_t>{} : read_line_edges(lines_file_, *mesh);
    std::cout << "Declared " << corners.size() << " corner vertices, " << lines.size()
              << " line edges\n";
    auto [section, vertices, elements] =
        convert_surface_elements_into_section(*mesh, corners, lines);
    finish(section);
  }

 private:
  void finish(const Section& section) const {
    save_section(section, output_);
    if (!vtk_output_.empty()) {
      const auto files = write_vtm(section, vtk_output_);
      Logger::log_info("Wrote ", vtk_output_, " (", files.size(), " files)");
    }
    std::cout << "Section: " << section.nb_corners() << " corners, " << section.nb_lines()
              << " lines, " << section.nb_surfaces() << " surfaces, "
              << section.nb_model_boundaries() << " model boundaries\n";
    std::cout << "Wrote " << output_ << '\n';
  }

  std::string input_;
  std::string output_;
  std::string attribute_{"gmsh_physical"};
  std::string corners_file_;
  std::string lines_file_;
  std::string vtk_output_;
};

}  // namespace
}  // namespace veyra::tools

VEYRA_REGISTER_COMMAND("surface-to-section", veyra::tools::SurfaceToSectionCommand)
