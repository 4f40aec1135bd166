// SPDX-License-Identifier: MIT
// veyra segment MODEL -o OUT [--remove]: the large blocks of a native BRep file cut into pieces
// sized by the block and the thread count (see --threads), each piece a block, the new
// components tagged by the "segmentation_collection" collections; or those pieces merged back.
// A summary goes to stdout.
#include <model/common/library.h>
#include <model/operations/brep_segmentation.h>
#include <ostrel/model/io/brep_io.h>

#include <iostream>
#include <string>

#include "../command.h"
#include "../model_files.h"
#include "../topology_changes.h"

namespace veyra::tools {
namespace {

class SegmentCommand final : public Command {
 public:
  CLI::App* add_to(CLI::App& program) override {
    auto* command = program.add_subcommand(
        "segment",
        "Cut the large blocks of a BRep (.tq_brep) into pieces, more of them with more threads "
        "(--threads), each piece a block; the new corners, lines and surfaces are gathered in "
        "the \"segmentation_collection\" collections. With --remove, merge the pieces back");
    command->add_option("model", input_, "BRep file (.tq_brep)")
        ->required()
        ->check(CLI::ExistingFile);
    command->add_option("-o,--output", output_, "BRep file to write (.tq_brep)")->required();
    command->add_flag("--remove", remove_,
                      "Remove the components of the \"segmentation_collection\" collections and "
                      "merge what they separated");
    return command;
  }

  void run() override {
    VeyraConversionModelLibrary::initialize();
    if (model_file_kind(input_) != ModelFileKind::brep) {
      throw VeyraConversionModelException{nullptr, OstrelException::TYPE::input,
                                          "[veyra segment] Segmentation works on BRep files "
                                          "(.tq_brep): ",
                                          input_};
    }
    if (model_file_kind(output_) != ModelFileKind::brep) {
      throw VeyraConversionModelException{nullptr, OstrelException::TYPE::input,
                                          "[veyra segment] The output ", output_,
                                          " must be a .tq_brep file"};
    }
    auto model = load_brep(input_);
    const auto nb_blocks = model.nb_blocks();
    const auto mappings = remove_ ? remove_brep_segmentation(model) : add_brep_segmentation(model);
    save_brep(model, output_);
    std::cout << (remove_ ? "Merged " : "Segmented ") << nb_blocks << " blocks into "
              << model.nb_blocks() << " blocks\n";
    print_model_counts(std::cout, model);
    print_collection_items(std::cout, "Segmentation", model, "segmentation_collection");
    print_topology_changes<BRep>(std::cout, mappings);
    std::cout << "Wrote " << output_ << '\n';
  }

 private:
  std::string input_;
  std::string output_;
  bool remove_{false};
};

}  // namespace
}  // namespace veyra::tools

VEYRA_REGISTER_COMMAND("segment", veyra::tools::SegmentCommand)
