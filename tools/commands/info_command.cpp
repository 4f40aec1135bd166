// SPDX-License-Identifier: MIT
// veyra info FILE [--json]: what a mesh file or a native model file holds.
#include <iostream>

#include <ostrel/mesh/io/read_mesh.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>

#include "../command.h"
#include "../mesh_summary.h"
#include "../model_files.h"
#include "../model_summary.h"

namespace veyra::tools {
namespace {

class InfoCommand final : public Command {
 public:
  CLI::App* add_to(CLI::App& program) override {
    auto* command = program.add_subcommand(
        "info",
        "Describe a file: for a mesh, its kind, counts of vertices and elements by type, "
        "attributes and bounding box; for a model (.tq_brep, .tq_sctn), its components and "
        "relationships");
    command
        ->add_option("file", file_,
                     "Mesh file (msh, off, obj, stl, vtk, vtu, vtp) or model file (tq_brep, "
                     "tq_sctn)")
        ->required();
    command->add_flag("--json", json_, "Print one JSON object instead of text");
    command->add_option("--dimension", dimension_, "Read a mesh in 2D or 3D (default 3)")
        ->check(CLI::IsMember({2, 3}));
    return command;
  }

  void run() override {
    if (const auto model = model_file_kind(file_)) {
      const auto summary = *model == ModelFileKind::brep ? model_summary(load_brep(file_))
                                                         : model_summary(load_section(file_));
      if (json_) {
        std::cout << summary.dump(2) << '\n';
      } else {
        print_model_summary(std::cout, file_, summary);
      }
      return;
    }
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
