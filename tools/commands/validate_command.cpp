// SPDX-License-Identifier: MIT
// veyra validate MODEL [--json]: checks the invariants of a native model file and lists every
// problem found; the exit code is 3 when the model has errors.
#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

#include <model/common/library.h>
#include <model/operations/validate_model.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>

#include "../command.h"
#include "../model_files.h"

namespace veyra::tools {
namespace {

constexpr int exit_invalid_model = 3;

template <index_t D>
nlohmann::ordered_json problem_json(const ValidationProblem<D>& problem) {
  nlohmann::ordered_json json;
  json["kind"] = std::string{validation_problem_kind_name(problem.kind)};
  json["severity"] = is_validation_warning(problem.kind) ? "warning" : "error";
  json["message"] = problem.message;
  auto& components = json["components"] = nlohmann::ordered_json::array();
  for (const auto& component : problem.components) {
    components.push_back({{"type", component.type().get()}, {"id", component.id().string()}});
  }
  auto& elements = json["elements"] = nlohmann::ordered_json::array();
  for (const auto& element : problem.elements) {
    nlohmann::ordered_json entry;
    entry["type"] = std::string{validation_element_type_name(element.type)};
    if (element.type != ValidationElementType::unique_vertex) {
      entry["component"] = element.component.string();
    }
    entry["index"] = element.index;
    if (element.local != NO_LID) entry["local"] = static_cast<int>(element.local);
    elements.push_back(std::move(entry));
  }
  if (problem.point) {
    auto& point = json["point"] = nlohmann::ordered_json::array();
    for (local_index_t axis = 0; axis < D; ++axis) point.push_back(problem.point->value(axis));
  } else {
    json["point"] = nullptr;
  }
  return json;
}

class ValidateCommand final : public Command {
 public:
  CLI::App* add_to(CLI::App& program) override {
    auto* command = program.add_subcommand(
        "validate",
        "Check that a model file (.tq_brep, .tq_sctn) holds the invariants of a topological "
        "model: ties of unique vertices, corners, lines, surfaces, block shells and meshes, "
        "relationships and model boundaries. Exit code 3 when errors were found");
    command->add_option("model", file_, "Model file (tq_brep, tq_sctn)")->required();
    command->add_flag("--json", json_, "Print one JSON object instead of text");
    return command;
  }

  void run() override {
    VeyraConversionModelLibrary::initialize();
    const auto kind = model_file_kind(file_);
    if (!kind) {
      throw VeyraConversionModelException{
          nullptr, OstrelException::TYPE::input, "[veyra validate] Not a model file: ", file_,
          " (expected a .tq_brep or .tq_sctn file)"};
    }
    if (*kind == ModelFileKind::brep) {
      print(validate_brep(load_brep(file_)), "BRep");
    } else {
      print(validate_section(load_section(file_)), "Section");
    }
  }

  int exit_code() const override { return valid_ ? 0 : exit_invalid_model; }

 private:
  template <index_t D>
  void print(const ValidationReport<D>& report, std::string_view model_kind) {
    valid_ = report.is_valid();
    if (json_) {
      nlohmann::ordered_json json;
      json["file"] = file_;
      json["kind"] = std::string{model_kind};
      json["valid"] = valid_;
      json["errors"] = report.nb_errors();
      json["warnings"] = report.nb_warnings();
      auto& problems = json["problems"] = nlohmann::ordered_json::array();
      for (const auto& problem : report.problems) problems.push_back(problem_json(problem));
      std::cout << json.dump(2) << '\n';
      return;
    }
    std::cout << file_ << ": " << model_kind << (valid_ ? " is valid" : " is not valid") << ", "
              << report.nb_errors() << " errors, " << report.nb_warnings() << " warnings\n"
              << validation_report_text(report);
  }

  std::string file_;
  bool json_{false};
  bool valid_{true};
};

}  // namespace
}  // namespace veyra::tools

VEYRA_REGISTER_COMMAND("validate", veyra::tools::ValidateCommand)
