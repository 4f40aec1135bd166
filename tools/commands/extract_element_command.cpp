// SPDX-License-Identifier: MIT
// veyra extract-element MODEL BLOCK_ID POLYHEDRON -o OUT.tq_brep: one polyhedron of a block mesh
// of a native BRep file becomes a BRep of its own, bounded by surfaces made of its facets. The
// new model is written natively and summed up on stdout.
#include <model/common/library.h>
#include <model/element_meshes/brep_from_brep_element.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/model/io/brep_io.h>

#include <iostream>
#include <string>

#include "../command.h"
#include "../model_files.h"

namespace veyra::tools {
namespace {

std::string brep_required(const std::string& path) {
  return model_file_kind(path) == ModelFileKind::brep ? "" : "the file must end in .tq_brep";
}

class ExtractElementCommand final : public Command {
 public:
  CLI::App* add_to(CLI::App& program) override {
    auto* command = program.add_subcommand(
        "extract-element",
        "Build a one-block BRep from one polyhedron of a block mesh: its facets become the "
        "surfaces, their borders the lines and corners");
    command->add_option("model", input_, "BRep file (.tq_brep)")
        ->required()
        ->check(CLI::ExistingFile)
        ->check(brep_required);
    command->add_option("block", block_, "Id of the block")->required();
    command->add_option("polyhedron", polyhedron_, "Index of the polyhedron in the block mesh")
        ->required();
    command->add_option("-o,--output", output_, "Model file to write (.tq_brep)")
        ->required()
        ->check(brep_required);
    return command;
  }

  void run() override {
    VeyraConversionModelLibrary::initialize();
    const auto model = load_brep(input_);
    const auto& block = model.block(uuid{block_});
    const auto brep = detail::build_brep_from_brep_element(block, polyhedron_);
    save_brep(brep, output_);
    const auto& mesh = block.mesh();
    std::cout << "Polyhedron " << polyhedron_ << " of Block " << block.id().string() << ": "
              << static_cast<int>(mesh.nb_polyhedron_vertices(polyhedron_)) << " vertices, "
              << static_cast<int>(mesh.nb_polyhedron_facets(polyhedron_)) << " facets\n";
    std::cout << "BRep: " << brep.nb_corners() << " corners, " << brep.nb_lines() << " lines, "
              << brep.nb_surfaces() << " surfaces, " << brep.nb_blocks() << " blocks, "
              << brep.nb_model_boundaries() << " model boundaries\n";
    std::cout << "Wrote " << output_ << '\n';
  }

 private:
  std::string input_;
  std::string block_;
  index_t polyhedron_{0};
  std::string output_;
};

}  // namespace
}  // namespace veyra::tools

VEYRA_REGISTER_COMMAND("extract-element", veyra::tools::ExtractElementCommand)
