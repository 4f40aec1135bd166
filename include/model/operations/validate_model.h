// SPDX-License-Identifier: MIT
// The model validity checker: validate_brep and validate_section check the invariants that a
// topological model must hold and report every breach they find, without changing the model.
#pragma once

#include <model/operations/validation_report.h>

namespace veyra {

class BRep;
class Section;

/// Checks, in this order (the kinds reported are in brackets):
///
/// Unique vertices
/// - every vertex of every corner, line, surface and block mesh is tied to a unique vertex of the
///   model [untied_vertex];
/// - all the ties of one unique vertex lie within global_epsilon of its first tie in model order
///   (corners, lines, surfaces, blocks) [scattered_unique_vertex];
/// - no unique vertex is tied to two vertices of one component [unique_vertex_tied_twice], except:
///   - a line that closes on a corner: the line's two chain ends are distinct mesh vertices tied
///     to the unique vertex of a corner;
///   - a surface cut open along an internal line (a seam): every copy of a vertex along the cut
///     lies on the mesh border and is tied to the unique vertex of a vertex of one of the
///     surface's internal lines (two copies inside the line, more where lines cross);
///   - a block mesh cut open along an internal surface of the block: the copies are tied to the
///     unique vertex of a vertex of one of the block's internal surfaces.
///
/// Corners: exactly one vertex each [corner_vertex_count].
///
/// Lines
/// - at least one edge [line_without_edge]; no edge on one vertex twice, on a missing vertex or
///   not longer than global_epsilon [degenerate_line_edge]; no two edges on the same two vertices
///   [repeated_line_edge]; the edges form one chain or one closed loop [line_not_a_chain];
/// - an open line's two ends are tied to its boundary corners [line_end_not_on_corner], each
///   boundary corner is at one of the ends [line_corner_not_at_end] and no other vertex is tied to
///   a corner [line_inner_vertex_on_corner]; a closed loop has no boundary corner, or one corner
///   on one of its vertices, and no other corner on its vertices (same kinds).
///
/// Surfaces
/// - every border polygon edge lies, through unique vertices, on an edge of a line that bounds
///   the surface or is internal to it (a cut seam) [surface_border_edge_not_on_line];
/// - each edge of a boundary line is exactly one polygon edge of the surface, on the border
///   [boundary_line_not_on_surface_border]; each edge of an internal line is exactly two polygon
///   edges, adjacent to each other or both on the border of the cut
///   [internal_line_not_inside_surface];
/// - every corner internal to the surface is tied to one of its vertices
///   [internal_corner_not_on_mesh];
/// - the mesh is manifold: no pair of mesh vertices carries three polygon edges or more
///   [non_manifold_edge], the polygons around each vertex form one fan [non_manifold_vertex], and
///   every adjacency points to a polygon that has the edge and points back
///   [inconsistent_adjacency];
/// - adjacent polygons run along their common edge in opposite directions
///   [inconsistent_orientation]; a surface on which no orientation is consistent (a Moebius band)
///   is reported as a warning [unorientable_surface] and not as an error.
///
/// Blocks (BRep only)
/// - the boundary surfaces close around the block: around each unique-vertex edge, the border
///   polygon edges of the block's boundary surfaces come in pairs [open_block_shell];
/// - when the block has a mesh: each border facet of the mesh is, through unique vertices, a
///   polygon of one of the block's boundary or internal surfaces
///   [block_border_facet_not_on_surface]; each boundary surface polygon is exactly one facet of
///   the mesh, on its border [boundary_polygon_not_on_block_border]; each internal surface
///   polygon is exactly two facets, adjacent to each other or both on the border of the cut
///   [internal_polygon_not_inner_facets]; no polyhedron has a negative volume
///   [inverted_polyhedron]; corners and lines internal to the block are on vertices of its mesh
///   [internal_corner_not_on_mesh, internal_line_not_on_mesh]; adjacencies as for surfaces.
///
/// Relationships, collections and model boundaries
/// - every relation names components of the model [dangling_relation] of kinds that can be related
///   that way: corner-line, line-surface, surface-block boundaries; corner, line or surface
///   internal to a surface or block of higher dimension; items of the collection of their kind and
///   of a model boundary (Section: lines, BRep: surfaces) [invalid_relation];
/// - no component is both a boundary of and internal to the same component
///   [both_boundary_and_internal];
/// - Section: a line bounds at most two surfaces, is internal to at most one, and not both; a
///   corner is internal to at most one surface. BRep: a surface bounds at most two blocks, is
///   internal to at most one, and not both; a corner or a line is internal to at most one block
///   [too_many_incidences];
/// - model boundaries hold exactly the border components, those with one incidence (Section:
///   lines, BRep: surfaces): each such component is in a model boundary
///   [model_boundary_missing_item], and a member is on the border and in one model boundary only
///   [model_boundary_wrong_item]; a BRep surface that bounds no block may stay a member, as the
///   topology engine leaves it; no model boundary is empty [empty_model_boundary]. Names are
///   plain values that refer to nothing, so the only dangling references are relations.
///
/// Never throws on a model that loaded: every index and lookup is guarded, and a framework error
/// raised inside one check becomes a check_aborted problem. A component with many problems of
/// one kind gets the first 20 of them, then one more problem of that kind counting the rest (at
/// the end of the report). Single-threaded; the time grows with the size of the meshes as a sort
/// of each line's edges and hash lookups of polygons and border facets do.
ValidationReport<3> validate_brep(const BRep& model);

/// The checks of validate_brep that apply to a Section.
ValidationReport<2> validate_section(const Section& model);

}  // namespace veyra
