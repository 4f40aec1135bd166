// SPDX-License-Identifier: MIT
// veyra convert IN OUT: reads a mesh in any readable format and writes it in the format of
// OUT's extension; a native model file becomes a .vtm multiblock for ParaView (or is saved
// again in its native format).
#include <ostrel/basic/logger.h>
#include <ostrel/mesh/io/read_mesh.h>
#include <ostrel/mesh/io/write_mesh.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>
#include <ostrel/model/io/write_vtm.h>

#include "../command.h"
#include "../model_files.h"

namespace veyra::tools {
namespace {

class ConvertCommand final : public Command {
 public:
  CLI::App* add_to(CLI::App& program) override {
    auto* command = program.add_subcommand(
        "convert",
        "Convert a mesh file to another format, chosen by the output extension, or a model file "
        "(.tq_brep, .tq_sctn) to a .vtm multiblock");
    command
        ->add_option("input", input_,
                     "File to read: mesh (msh, off, obj, stl, vtk, vtu, vtp) or model (tq_brep, "
                     "tq_sctn)")
        ->required();
    command
        ->add_option("output", output_,
                     "File to write: mesh (msh, off, obj, vtu, vtp) or, for a model, vtm")
        ->required();
    command->add_option("--dimension", dimension_, "Read a mesh in 2D or 3D (default 3)")
        ->check(CLI::IsMember({2, 3}));
    command->add_flag("--ascii", ascii_, "Write VTK data arrays as text instead of base64");
    command->add_option("--stl-merge-distance", merge_distance_,
                        "Distance under which STL triangle corners become one vertex")
        ->check(CLI::NonNegativeNumber);
    return command;
  }

  void run() override {
    MeshWriteOptions write_options;
    write_options.binary = !ascii_;
    if (const auto model = model_file_kind(input_)) {
      convert_model(*model, write_options);
      return;
    }
    MeshReadOptions read_options;
    read_options.dimension = dimension_;
    read_options.stl_merge_distance = merge_distance_;
    const auto mesh = read_mesh(input_, read_options);
    write_mesh(mesh, output_, write_options);
    Logger::log_info("Wrote ", output_, " (", mesh.vertex_set().type_name().get(), ", ",
                     mesh.vertex_set().nb_vertices(), " vertices)");
  }

 private:
  void convert_model(ModelFileKind kind, const MeshWriteOptions& write_options) const {
    const auto output_kind = model_file_kind(output_);
    std::vector<std::string> files;
    if (kind == ModelFileKind::brep) {
      const auto model = load_brep(input_);
      files = output_kind ? save_brep(model, output_) : write_vtm(model, output_, write_options);
    } else {
      const auto model = load_section(input_);
      files = output_kind ? save_section(model, output_)
                          : write_vtm(model, output_, write_options);
    }
    Logger::log_info("Wrote ", output_, " (", files.size(), " files)");
  }

  std::string input_;
  std::string output_;
  index_t dimension_{3};
  bool ascii_{false};
  double merge_distance_{MeshReadOptions{}.stl_merge_distance};
};

}  // namespace
}  // namespace veyra::tools

VEYRA_REGISTER_COMMAND("convert", veyra::tools::ConvertCommand)
