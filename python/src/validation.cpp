// SPDX-License-Identifier: MIT
// The model validity checker: validate, validate_brep and validate_section return a
// ValidationReport of ValidationProblems.
#include <optional>
#include <string>
#include <vector>

#include <ostrel/basic/str_cat.h>

#include <model/common/library.h>
#include <model/operations/validate_model.h>

#include "models.h"

namespace veyra::python {
namespace {

/// One problem, with the dimension of its point erased.
struct Problem {
  std::string kind;
  bool warning{false};
  std::vector<std::pair<std::string, std::string>> components;
  std::vector<ValidationElement> elements;
  std::optional<std::vector<double>> point;
  std::string message;
  std::string line;
};

struct Report {
  std::vector<Problem> problems;
  index_t nb_errors{0};
  index_t nb_warnings{0};
  std::string text;
};

template <index_t D>
Report report_of(const ValidationReport<D>& report) {
  Report result;
  result.nb_errors = report.nb_errors();
  result.nb_warnings = report.nb_warnings();
  result.text = validation_report_text(report);
  for (const auto& problem : report.problems) {
    Problem converted;
    converted.kind = std::string{validation_problem_kind_name(problem.kind)};
    converted.warning = is_validation_warning(problem.kind);
    for (const auto& component : problem.components) {
      converted.components.emplace_back(component.type().get(), component.id().string());
    }
    converted.elements = problem.elements;
    if (problem.point) {
      std::vector<double> point(D);
      for (index_t axis = 0; axis < D; ++axis) point[axis] = problem.point->value(axis);
      converted.point = std::move(point);
    }
    converted.message = problem.message;
    converted.line = validation_problem_line(problem);
    result.problems.push_back(std::move(converted));
  }
  return result;
}

Report validate_any(const py::handle& model) {
  if (py::isinstance<BRep>(model)) {
    const auto brep = model.cast<std::shared_ptr<BRep>>();
    return report_of(call_without_gil([&] { return validate_brep(*brep); }));
  }
  if (py::isinstance<Section>(model)) {
    const auto section = model.cast<std::shared_ptr<Section>>();
    return report_of(call_without_gil([&] { return validate_section(*section); }));
  }
  throw py::type_error("expected a BRep or a Section");
}

}  // namespace

void bind_validation(py::module_& module) {
  py::class_<ValidationElement>(module, "ValidationElement",
                                "One mesh element concerned by a validation problem.")
      .def_property_readonly(
          "component", [](const ValidationElement& self) { return self.component.string(); },
          "Id of the component whose mesh holds the element (for a unique vertex, an id that\n"
          "names no component).")
      .def_property_readonly(
          "type",
          [](const ValidationElement& self) {
            return std::string{validation_element_type_name(self.type)};
          },
          "\"vertex\", \"edge\", \"polygon\", \"polygon_edge\", \"polyhedron\",\n"
          "\"polyhedron_facet\" or \"unique_vertex\".")
      .def_readonly("index", &ValidationElement::index, "The vertex, edge, polygon... index.")
      .def_property_readonly(
          "local",
          [](const ValidationElement& self) -> std::optional<int> {
            if (self.local == NO_LID) return std::nullopt;
            return self.local;
          },
          "The edge of a polygon or facet of a polyhedron, or None.")
      .def("__repr__", [](const ValidationElement& self) {
        return str_cat("<veyra.ValidationElement ", validation_element_type_name(self.type), " ",
                       self.index, ">");
      });

  py::class_<Problem>(module, "ValidationProblem", "One problem found in a model.")
      .def_readonly("kind", &Problem::kind,
                    "The stable name of what is wrong, e.g. \"untied_vertex\".")
      .def_readonly("is_warning", &Problem::warning,
                    "True for problems that do not make the model invalid.")
      .def_readonly("components", &Problem::components,
                    "The components concerned, as (type, id) tuples, the one at fault first.")
      .def_readonly("elements", &Problem::elements, "The mesh elements concerned.")
      .def_readonly("point", &Problem::point, "Where the problem is, as a list of coordinates, "
                                              "or None.")
      .def_readonly("message", &Problem::message, "One line saying what is wrong.")
      .def("__str__", [](const Problem& self) { return self.line; },
           "\"error <kind>: <message>\" (or \"warning ...\"), with the point when there is one.")
      .def("__repr__", [](const Problem& self) {
        return str_cat("<veyra.ValidationProblem ", self.kind, ">");
      });

  py::class_<Report>(module, "ValidationReport",
                     "What the validity checker found: problems in check order (unique vertices, "
                     "corners, lines, surfaces, blocks, relationships, model boundaries).")
      .def_readonly("problems", &Report::problems, "Every problem found, as ValidationProblems.")
      .def_property_readonly(
          "is_valid", [](const Report& self) { return self.nb_errors == 0; },
          "True when no problem other than a warning was found.")
      .def_readonly("nb_errors", &Report::nb_errors, "Number of problems that are errors.")
      .def_readonly("nb_warnings", &Report::nb_warnings, "Number of warnings.")
      .def("__str__", [](const Report& self) { return self.text; },
           "One line per problem, as the veyra program prints them.")
      .def("__len__", [](const Report& self) { return self.problems.size(); },
           "Number of problems.")
      .def("__repr__", [](const Report& self) {
        return str_cat("<veyra.ValidationReport ", self.nb_errors, " errors, ", self.nb_warnings,
                       " warnings>");
      });

  module.def("validate", &validate_any, py::arg("model"),
             R"(Checks the invariants of a BRep or Section (ties of unique vertices, corners,
lines, surfaces, block shells and block meshes, relationships, model boundaries) without
changing it, and returns a ValidationReport; a valid model gives no problem.)");
  module.def(
      "validate_brep",
      [](const std::shared_ptr<BRep>& brep) {
        return report_of(call_without_gil([&] { return validate_brep(*brep); }));
      },
      py::arg("brep"), "validate for a BRep.");
  module.def(
      "validate_section",
      [](const std::shared_ptr<Section>& section) {
        return report_of(call_without_gil([&] { return validate_section(*section); }));
      },
      py::arg("section"), "validate for a Section.");
}

}  // namespace veyra::python
