// SPDX-License-Identifier: MIT
// veyra info FILE [--json]: what a mesh file holds.
#include <iostream>

#include <ostrel/mesh/io/read_mesh.h>

#include "../command.h"
#include "../mesh_summary.h"

namespace veyra::tools {
namespace {

class InfoCommand final : public Command {
 public:
  CLI::App* add_to(CLI::App& program) override {
    auto* command = program.add_subcommand(
        "info", "Describe a mesh file: kind, counts of vertices and elements by type, "
                "attributes and bounding box");
    command->add_option("file", file_, "Mesh file (msh, off, obj, stl, vtk, vtu, vtp)")
        ->required();
    command->add_flag("--json", json_, "Print one JSON object instead of text");
    command->add_option("--dimension", dimension_, "Read the mesh in 2D or 3D (default 3)")
        ->check(CLI::IsMember({2, 3}));
    return command;
  }

  void run() override {
    MeshReadOptions options;
    options.dimension = dimension_;
    const auto mesh = read_mesh(file_, options);
    if (json_) {
      std::cout << mesh_summary(mesh).dump(2) << '\n';
    } else {
      print_mesh_summary(std::cout, file_, mesh);
    }
  }

 private:
  std::string file_;
  bool json_{false};
  index_t dimension_{3};
};

}  // namespace
}  // namespace veyra::tools

VEYRA_REGISTER_COMMAND("info", veyra::tools::InfoCommand)
