// SPDX-License-Identifier: MIT
#include <model/operations/validation_report.h>

#include <algorithm>

#include <ostrel/basic/str_cat.h>

namespace veyra {

std::string_view validation_problem_kind_name(ValidationProblemKind kind) {
  using Kind = ValidationProblemKind;
  switch (kind) {
    case Kind::untied_vertex: return "untied_vertex";
    case Kind::scattered_unique_vertex: return "scattered_unique_vertex";
    case Kind::unique_vertex_tied_twice: return "unique_vertex_tied_twice";
    case Kind::corner_vertex_count: return "corner_vertex_count";
    case Kind::line_without_edge: return "line_without_edge";
    case Kind::degenerate_line_edge: return "degenerate_line_edge";
    case Kind::repeated_line_edge: return "repeated_line_edge";
    case Kind::line_not_a_chain: return "line_not_a_chain";
    case Kind::line_end_not_on_corner: return "line_end_not_on_corner";
    case Kind::line_inner_vertex_on_corner: return "line_inner_vertex_on_corner";
    case Kind::line_corner_not_at_end: return "line_corner_not_at_end";
    case Kind::surface_border_edge_not_on_line: return "surface_border_edge_not_on_line";
    case Kind::boundary_line_not_on_surface_border: return "boundary_line_not_on_surface_border";
    case Kind::internal_line_not_inside_surface: return "internal_line_not_inside_surface";
    case Kind::internal_corner_not_on_mesh: return "internal_corner_not_on_mesh";
    case Kind::internal_line_not_on_mesh: return "internal_line_not_on_mesh";
    case Kind::non_manifold_edge: return "non_manifold_edge";
    case Kind::non_manifold_vertex: return "non_manifold_vertex";
    case Kind::inconsistent_adjacency: return "inconsistent_adjacency";
    case Kind::inconsistent_orientation: return "inconsistent_orientation";
    case Kind::unorientable_surface: return "unorientable_surface";
    case Kind::open_block_shell: return "open_block_shell";
    case Kind::block_border_facet_not_on_surface: return "block_border_facet_not_on_surface";
    case Kind::boundary_polygon_not_on_block_border: return "boundary_polygon_not_on_block_border";
    case Kind::internal_polygon_not_inner_facets: return "internal_polygon_not_inner_facets";
    case Kind::inverted_polyhedron: return "inverted_polyhedron";
    case Kind::dangling_relation: return "dangling_relation";
    case Kind::invalid_relation: return "invalid_relation";
    case Kind::both_boundary_and_internal: return "both_boundary_and_internal";
    case Kind::too_many_incidences: return "too_many_incidences";
    case Kind::model_boundary_missing_item: return "model_boundary_missing_item";
    case Kind::model_boundary_wrong_item: return "model_boundary_wrong_item";
    case Kind::empty_model_boundary: return "empty_model_boundary";
    case Kind::check_aborted: return "check_aborted";
  }
  return "unknown";
}

bool is_validation_warning(ValidationProblemKind kind) {
  return kind == ValidationProblemKind::unorientable_surface;
}

std::string_view validation_element_type_name(ValidationElementType type) {
  using Type = ValidationElementType;
  switch (type) {
    case Type::vertex: return "vertex";
    case Type::edge: return "edge";
    case Type::polygon: return "polygon";
    case Type::polygon_edge: return "polygon_edge";
    case Type::polyhedron: return "polyhedron";
    case Type::polyhedron_facet: return "polyhedron_facet";
    case Type::unique_vertex: return "unique_vertex";
  }
  return "unknown";
}

std::string ValidationElement::string(std::string_view component_type) const {
  using Type = ValidationElementType;
  const auto owner = str_cat(component_type, " ", component.string(), " ");
  switch (type) {
    case Type::vertex: return str_cat(owner, "vertex ", index);
    case Type::edge: return str_cat(owner, "edge ", index);
    case Type::polygon: return str_cat(owner, "polygon ", index);
    case Type::polygon_edge: return str_cat(owner, "polygon ", index, " edge ", int{local});
    case Type::polyhedron: return str_cat(owner, "polyhedron ", index);
    case Type::polyhedron_facet:
      return str_cat(owner, "polyhedron ", index, " facet ", int{local});
    case Type::unique_vertex: return str_cat("unique vertex ", index);
  }
  return {};
}

template <index_t D>
index_t ValidationReport<D>::nb_errors() const {
  return static_cast<index_t>(std::count_if(problems.begin(), problems.end(), [](const auto& p) {
    return !is_validation_warning(p.kind);
  }));
}

template <index_t D>
index_t ValidationReport<D>::nb_warnings() const {
  return static_cast<index_t>(problems.size()) - nb_errors();
}

template <index_t D>
std::string validation_problem_line(const ValidationProblem<D>& problem) {
  auto line = str_cat(is_validation_warning(problem.kind) ? "warning " : "error ",
                      validation_problem_kind_name(problem.kind), ": ", problem.message);
  if (problem.point) line += str_cat(" at ", problem.point->string());
  return line;
}

template <index_t D>
std::string validation_report_text(const ValidationReport<D>& report) {
  std::string text;
  for (const auto& problem : report.problems) {
    text += validation_problem_line(problem);
    text += '\n';
  }
  return text;
}

template struct ValidationReport<2>;
template struct ValidationReport<3>;
template std::string validation_problem_line(const ValidationProblem<2>&);
template std::string validation_problem_line(const ValidationProblem<3>&);
template std::string validation_report_text(const ValidationReport<2>&);
template std::string validation_report_text(const ValidationReport<3>&);

}  // namespace veyra
