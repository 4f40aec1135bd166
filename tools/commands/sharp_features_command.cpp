// SPDX-License-Identifier: MIT
// veyra sharp-features MODEL -o OUT --angle DEG | --remove: the creases of a native model's
// surfaces become lines and the bends of its lines corners, tagged by the "sharp_collection"
// collections, or those sharp components are removed again. A summary goes to stdout.
#include <model/common/library.h>
#include <model/operations/sharp_features.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>

#include <iostream>
#include <string>

#include "../command.h"
#include "../model_files.h"
#include "../topology_changes.h"

namespace veyra::tools {
namespace {

class SharpFeaturesCommand final : public Command {
 public:
  CLI::App* add_to(CLI::App& program) override {
    auto* command = program.add_subcommand(
        "sharp-features",
        "Add the sharp features of a model (.tq_brep, .tq_sctn): creases of its surfaces become "
        "lines (BRep) and bends of its lines corners, all gathered in the \"sharp_collection\" "
        "collections; or remove them again");
    command->add_option("model", input_, "Model file (.tq_brep, .tq_sctn)")
        ->required()
        ->check(CLI::ExistingFile);
    command->add_option("-o,--output", output_, "Model file to write, of the input's kind")
        ->required();
    auto* mode = command->add_option_group("mode", "Exactly one of");
    mode->add_option("--angle", angle_,
                     "Add the features whose polygons (or line edges) meet at an angle of at "
                     "most this many degrees")
        ->check(CLI::Range(0., 180.));
    mode->add_flag("--remove", remove_,
                   "Remove the corners and lines of the \"sharp_collection\" collections");
    mode->require_option(1);
    return command;
  }

  void run() override {
    VeyraConversionModelLibrary::initialize();
    const auto kind = model_file_kind(input_);
    if (!kind) {
      throw VeyraConversionModelException{nullptr, OstrelException::TYPE::input,
                                          "[veyra sharp-features] Not a model file: ", input_,
                                          " (expected a .tq_brep or .tq_sctn file)"};
    }
    if (model_file_kind(output_) != kind) {
      throw VeyraConversionModelException{nullptr,
                                          OstrelException::TYPE::input,
                                          "[veyra sharp-features] The output ",
                                          output_,
                                          " must be a ",
                                          *kind == ModelFileKind::brep ? ".tq_brep" : ".tq_sctn",
                                          " file like the input"};
    }
    if (*kind == ModelFileKind::brep) {
      edit(load_brep(input_), [this](const BRep& model) { save_brep(model, output_); });
    } else {
      edit(load_section(input_), [this](const Section& model) { save_section(model, output_); });
    }
  }

 private:
  template <typename Model, typename Save>
  void edit(Model model, Save&& save) {
    const auto mappings =
        remove_ ? remove_sharp_features(model) : add_sharp_features(model, angle_);
    save(model);
    if (remove_) {
      std::cout << "Removed the sharp features\n";
    } else {
      std::cout << "Added the sharp features at " << angle_ << " degrees\n";
    }
    print_model_counts(std::cout, model);
    print_collection_items(std::cout, "Sharp features", model, "sharp_collection");
    print_topology_changes<Model>(std::cout, mappings);
    std::cout << "Wrote " << output_ << '\n';
  }

  std::string input_;
  std::string output_;
  double angle_{0.};
  bool remove_{false};
};

}  // namespace
}  // namespace veyra::tools

VEYRA_REGISTER_COMMAND("sharp-features", veyra::tools::SharpFeaturesCommand)
