// SPDX-License-Identifier: MIT
// veyra rebuild MODEL -o OUT.tq_brep [--non-conformal SURFACE_ID ...]: rebuilds the topology of a
// native BRep file whose blocks carry meshes, through one solid made of all blocks, optionally
// cutting the blocks apart along some surfaces. The new model is written natively, and a summary
// of it and of how the old components map to the new ones goes to stdout.
#include <model/common/library.h>
#include <model/element_meshes/brep_topology_rebuilder.h>
#include <ostrel/basic/str_cat.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/model/io/brep_io.h>

#include <iostream>
#include <string>
#include <vector>

#include "../command.h"
#include "../model_files.h"

namespace veyra::tools {
namespace {

std::string brep_required(const std::string& path) {
  return model_file_kind(path) == ModelFileKind::brep ? "" : "the file must end in .tq_brep";
}

void print_counts(std::ostream& out, std::string_view title, const BRep& model) {
  out << title << ": " << model.nb_corners() << " corners, " << model.nb_lines() << " lines, "
      << model.nb_surfaces() << " surfaces, " << model.nb_blocks() << " blocks, "
      << model.nb_model_boundaries() << " model boundaries\n";
}

// Per component type, the old components that became several new ones, and those that became
// none.
void print_component_changes(std::ostream& out, const BRep& input,
                             const ModelGenericMapping& mappings) {
  struct Type {
    std::string_view name;
    index_t nb_components;
  };
  const Type types[] = {{"Corner", input.nb_corners()},
                        {"Line", input.nb_lines()},
                        {"Surface", input.nb_surfaces()},
                        {"Block", input.nb_blocks()}};
  std::string split;
  std::string dropped;
  for (const auto& type : types) {
    const ComponentType key{std::string{type.name}};
    index_t nb_split = 0;
    index_t nb_mapped = 0;
    if (mappings.has_mapping_type(key)) {
      for (const auto& [old_id, new_ids] : mappings.at(key).in2out_map()) {
        ++nb_mapped;
        if (new_ids.size() > 1) ++nb_split;
      }
    }
    split += str_cat(" ", nb_split, " ", type.name);
    dropped += str_cat(" ", type.nb_components - nb_mapped, " ", type.name);
  }
  out << "Split:" << split << "\nWithout counterpart:" << dropped << '\n';
}

class RebuildCommand final : public Command {
 public:
  CLI::App* add_to(CLI::App& program) override {
    auto* command = program.add_subcommand(
        "rebuild",
        "Rebuild the corners, lines, surfaces and blocks of a BRep whose blocks carry meshes, "
        "optionally making surfaces non-conformal (the blocks on their two sides stop sharing "
        "vertices there); names, collections and mesh attributes are carried over");
    command->add_option("model", input_, "BRep file (.tq_brep)")
        ->required()
        ->check(CLI::ExistingFile)
        ->check(brep_required);
    command->add_option("-o,--output", output_, "Model file to write (.tq_brep)")
        ->required()
        ->check(brep_required);
    command->add_option("--non-conformal", non_conformal_, "Ids of surfaces to make non-conformal");
    return command;
  }

  void run() override {
    VeyraConversionModelLibrary::initialize();
    const auto input = load_brep(input_);
    detail::BRepTopologyRebuilder rebuilder{input};
    for (const auto& id : non_conformal_) {
      rebuilder.remove_conformity_on_model_surface(input.surface(uuid{id}));
    }
    const auto [rebuilt, mappings] = rebuilder.rebuild();
    save_brep(rebuilt, output_);
    print_counts(std::cout, str_cat("Read ", input_), input);
    std::cout << "Non-conformal surfaces: " << non_conformal_.size() << '\n';
    print_counts(std::cout, "BRep", rebuilt);
    print_component_changes(std::cout, input, mappings.component_mappings);
    std::cout << "Wrote " << output_ << '\n';
  }

 private:
  std::string input_;
  std::string output_;
  std::vector<std::string> non_conformal_;
};

}  // namespace
}  // namespace veyra::tools

VEYRA_REGISTER_COMMAND("rebuild", veyra::tools::RebuildCommand)
