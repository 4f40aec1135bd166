// SPDX-License-Identifier: MIT
// The report of the model validity checker: one record per problem found (its kind, the
// components and mesh elements concerned, a point where one applies and a one-line message), the
// stable text names of the kinds, and the text form of a report.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <ostrel/basic/common.h>
#include <ostrel/basic/component_id.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/geometry/point.h>

namespace veyra {

/// What is wrong. Each kind has a stable snake_case text name (validation_problem_kind_name) that
/// the command line and the JSON output print; names are never changed, only added.
enum struct ValidationProblemKind : std::uint8_t {
  // Unique vertices.
  untied_vertex,             ///< a component mesh vertex tied to no (or to an unknown) unique vertex
  scattered_unique_vertex,   ///< the ties of one unique vertex are farther apart than global_epsilon
  unique_vertex_tied_twice,  ///< two vertices of one component on one unique vertex, not allowed there
  // Corners.
  corner_vertex_count,  ///< a corner mesh without exactly one vertex
  // Lines.
  line_without_edge,            ///< a line mesh without edges
  degenerate_line_edge,         ///< an edge on one vertex twice, on no vertex, or not longer than global_epsilon
  repeated_line_edge,           ///< two edges of one line on the same two vertices
  line_not_a_chain,             ///< the edges branch or fall into several pieces
  line_end_not_on_corner,       ///< an end of an open line is tied to none of its boundary corners
  line_inner_vertex_on_corner,  ///< a vertex inside a line is tied to a corner
  line_corner_not_at_end,       ///< a boundary corner of the line is not where the line ends or closes
  // Surfaces.
  surface_border_edge_not_on_line,    ///< a border polygon edge on no boundary or internal line
  boundary_line_not_on_surface_border,  ///< a boundary line edge is not exactly one border polygon edge
  internal_line_not_inside_surface,   ///< an internal line edge is not two polygon edges inside the surface
  internal_corner_not_on_mesh,        ///< an internal corner is on no vertex of the surface or block mesh
  internal_line_not_on_mesh,          ///< a line internal to a block is not on vertices of its mesh
  non_manifold_edge,                  ///< three polygon edges or more on one pair of mesh vertices
  non_manifold_vertex,                ///< the polygons around a vertex form several fans
  inconsistent_adjacency,             ///< an adjacency to no element, to an element without the edge or facet, or one-sided
  inconsistent_orientation,           ///< two adjacent polygons run along their common edge the same way
  unorientable_surface,               ///< no orientation of the surface is consistent (a warning)
  // Blocks.
  open_block_shell,                    ///< a border edge of the block's boundary surfaces is not paired
  block_border_facet_not_on_surface,   ///< a border facet of the block mesh is no polygon of its surfaces
  boundary_polygon_not_on_block_border,  ///< a boundary surface polygon is not exactly one border facet
  internal_polygon_not_inner_facets,   ///< an internal surface polygon is not two facets inside the block
  inverted_polyhedron,                 ///< a block mesh polyhedron of negative volume
  // Relationships and collections.
  dangling_relation,           ///< a relation to a component the model does not have
  invalid_relation,            ///< a relation between kinds of components that cannot be related that way
  both_boundary_and_internal,  ///< a component both a boundary of and internal to another
  too_many_incidences,         ///< more incidences or embeddings than the model kind allows
  model_boundary_missing_item,  ///< a border component in no model boundary
  model_boundary_wrong_item,    ///< a model boundary member that is not on the border, or in several
  empty_model_boundary,         ///< a model boundary without members
  // The checker itself.
  check_aborted,  ///< a check stopped on an unexpected error of the framework; the model is suspect
};

/// The stable text name of the kind, e.g. "untied_vertex".
std::string_view validation_problem_kind_name(ValidationProblemKind kind);

/// True for the kinds that do not make a model invalid (unorientable_surface only).
bool is_validation_warning(ValidationProblemKind kind);

/// What a ValidationElement points at.
enum struct ValidationElementType : std::uint8_t {
  vertex,            ///< mesh vertex `index`
  edge,              ///< line edge `index`
  polygon,           ///< polygon `index`
  polygon_edge,      ///< edge `local` of polygon `index`
  polyhedron,        ///< polyhedron `index`
  polyhedron_facet,  ///< facet `local` of polyhedron `index`
  unique_vertex,     ///< unique vertex `index` of the model (component is sentinel_uuid)
};

/// The stable text name of the type, e.g. "polygon_edge".
std::string_view validation_element_type_name(ValidationElementType type);

/// One mesh element concerned by a problem.
struct ValidationElement {
  uuid component;
  ValidationElementType type{ValidationElementType::vertex};
  index_t index{NO_ID};
  local_index_t local{NO_LID};

  /// "Surface <id> polygon 3 edge 1", "unique vertex 7"... with the component type given.
  std::string string(std::string_view component_type) const;

  friend bool operator==(const ValidationElement&, const ValidationElement&) = default;
};

template <index_t D>
struct ValidationProblem {
  ValidationProblemKind kind{ValidationProblemKind::check_aborted};
  /// The components concerned, the one at fault first.
  std::vector<ComponentID> components;
  std::vector<ValidationElement> elements;
  /// Where the problem is, when it has a place (a vertex, an element's barycenter).
  std::optional<Point<D>> point;
  /// One line, without the kind's name.
  std::string message;
};

template <index_t D>
struct ValidationReport {
  /// In the order the checks run: unique vertices, corners, lines, surfaces, blocks,
  /// relationships, model boundaries; within each, components in model order and elements
  /// ascending. Last come the problems that count what was not listed, for the components that
  /// had more problems of one kind than the checker lists. The same model always gives the same
  /// report.
  std::vector<ValidationProblem<D>> problems;

  /// No problem other than warnings.
  bool is_valid() const { return nb_errors() == 0; }
  index_t nb_errors() const;
  index_t nb_warnings() const;
};

/// "error <kind>: <message>" (or "warning ..."), followed by " at <x> <y> [<z>]" when the
/// problem has a point.
template <index_t D>
std::string validation_problem_line(const ValidationProblem<D>& problem);

/// One validation_problem_line per problem, each ending with a newline; empty for no problem.
template <index_t D>
std::string validation_report_text(const ValidationReport<D>& report);

}  // namespace veyra
