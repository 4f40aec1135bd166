// SPDX-License-Identifier: MIT
// split_single_edge_internal_lines: the last surface step of the topology engine, which gives
// every single-edge line inside a triangulated surface a middle vertex so that the surface can be
// cut open along it, with the wireframe and mapping updates that go with each split.
#pragma once

#include <type_traits>

#include <ostrel/basic/uuid.h>
#include <ostrel/geometry/nn_search.h>
#include <ostrel/geometry/point.h>
#include <veyra_common/modifier/brep_geometric_modifier.h>
#include <veyra_common/modifier/section_geometric_modifier.h>
#include <model/topology/engine_context.h>

namespace veyra::detail {

/// The geometric modifier of a model type and the report of one of its edge splits.
template <typename Model>
using GeometricModifier =
    std::conditional_t<Model::dim == 3, BRepGeometricModifier, SectionGeometricModifier>;
template <typename Model>
using SplitEdgeInfo =
    std::conditional_t<Model::dim == 3, BRepGeometricModifier::BRepSplitPolygonEdgeInfo,
                       SectionGeometricModifier::SectionSplitPolygonEdgeInfo>;

/// Runs only when every surface mesh of the model is a triangulated surface; otherwise does
/// nothing at all. Then:
///   1. for each surface in model order and each of its internal lines that has a single edge,
///      splits that edge at determine_new_location_on_edge (a point near no existing unique
///      vertex) through the geometric modifier, which splits the triangles on both sides of the
///      edge in every surface holding it (and the tetrahedra of tetrahedral blocks, for a BRep),
///      and updates the wireframe (update_wireframe_after_split);
///   2. every replaced line edge, polygon and block polyhedron is replaced in the mesh element
///      mappings by its pieces: its sources map to the pieces instead, and an element of an old
///      component that was no target maps to its pieces;
///   3. cleans the modifier and renumbers the targets of the line, surface and block mesh vertex
///      and element mappings accordingly (targets that no longer exist are dropped);
///   4. internal::split_surfaces_on_internal_lines with the surface mesh vertex mapping.
/// \throw VeyraConversionModelException as determine_new_location_on_edge and
/// update_wireframe_after_split.
template <typename Model>
void split_single_edge_internal_lines(EngineContext<Model>& context);

/// The first of the points (j p0 + (i - j) p1) / i, for i = 2, 3, ..., 19 and j = 1, ..., i - 1,
/// whose nearest point of `search` is not equal to it within the framework's tolerance. The
/// first candidate is the midpoint.
/// \throw VeyraConversionModelException (internal, data: p0) "[ModelBuilderFromUniqueVertices::
/// determine_new_location_on_edge] Unable to determine new location on edge far from existing
/// points" when every candidate is taken.
template <index_t D>
Point<D> determine_new_location_on_edge(const Point<D>& p0, const Point<D>& p1,
                                        const NNSearch<D>& search);

/// Registers in the wireframe the two line edges that replaced the split edge of `line` (first
/// split of the report; more than one split for the line logs the warning
/// "[ModelBuilderFromUniqueVertices::update_wireframe_after_split] Several edges splitted in the
/// same line"), declares them as edges of the line, and releases the wireframe edge that was
/// split: it is declared as an edge of `released_line`, an id that belongs to no line, for the
/// caller to remove with remove_line_edges.
/// \throw VeyraConversionModelException (internal, data: the new point, or null when the report
/// has no split for the line) "[ModelBuilderFromUniqueVertices::update_wireframe_after_split]
/// Expected 2 old edge unique vertices" when the report does not give the line two pieces around
/// the new unique vertex.
template <typename Model>
void update_wireframe_after_split(EngineContext<Model>& context, const uuid& line,
                                  const SplitEdgeInfo<Model>& info, const uuid& released_line);

}  // namespace veyra::detail
