// SPDX-License-Identifier: MIT
// veyra convert IN OUT: reads a mesh in any readable format and writes it in the format of
// OUT's extension.
#include <ostrel/basic/logger.h>
#include <ostrel/mesh/io/read_mesh.h>
#include <ostrel/mesh/io/write_mesh.h>

#include "../command.h"

namespace veyra::tools {
namespace {

class ConvertCommand final : public Command {
 public:
  CLI::App* add_to(CLI::App& program) override {
    auto* command = program.add_subcommand(
        "convert", "Convert a mesh file to another format, chosen by the output extension");
    command->add_option("input", input_, "Mesh file to read (msh, off, obj, stl, vtk, vtu, vtp)")
        ->required();
    command->add_option("output", output_, "Mesh file to write (msh, off, obj, vtu, vtp)")
        ->required();
    command->add_option("--dimension", dimension_, "Read the mesh in 2D or 3D (default 3)")
        ->check(CLI::IsMember({2, 3}));
    command->add_flag("--ascii", ascii_, "Write VTK data arrays as text instead of base64");
    command->add_option("--stl-merge-distance", merge_distance_,
                        "Distance under which STL triangle corners become one vertex")
        ->check(CLI::NonNegativeNumber);
    return command;
  }

  void run() override {
    MeshReadOptions read_options;
    read_options.dimension = dimension_;
    read_options.stl_merge_distance = merge_distance_;
    const auto mesh = read_mesh(input_, read_options);
    MeshWriteOptions write_options;
    write_options.binary = !ascii_;
    write_mesh(mesh, output_, write_options);
    Logger::log_info("Wrote ", output_, " (", mesh.vertex_set().type_name().get(), ", ",
                     mesh.vertex_set().nb_vertices(), " vertices)");
  }

 private:
  std::string input_;
  std::string output_;
  index_t dimension_{3};
  bool ascii_{false};
  double merge_distance_{MeshReadOptions{}.stl_merge_distance};
};

}  // namespace
}  // namespace veyra::tools

VEYRA_REGISTER_COMMAND("convert", veyra::tools::ConvertCommand)
