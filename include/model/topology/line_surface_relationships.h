// SPDX-License-Identifier: MIT
// The relationships between lines and surfaces that the topology engine derives from the meshes:
// whether a line bounds a surface or lies inside it, found from the polygons around its edges,
// and the same decision for a surface that replaces others.
#pragma once

#include <vector>

#include <absl/functional/function_ref.h>
#include <absl/types/span.h>

#include <ostrel/basic/common.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/mesh/element_references.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section_builder.h>
#include <model/wireframe/corners_lines_builder.h>

namespace veyra::detail {

/// Fills `corners` (cleared first) with the polygon corners of one surface on a unique vertex.
using PolygonCornersLookup =
    absl::FunctionRef<void(index_t unique_vertex, std::vector<PolygonVertex>& corners)>;

/// Relates the surface to every line one of its polygon edges lies on (a unique edge is on a line
/// when the wireframe of `corners_lines` has an edge there). For each polygon edge, in polygon
/// then local order:
///   - an edge with an adjacent polygon makes the line internal to the surface;
///   - an edge on the mesh border counts its incident polygon edges: for each polygon corner on
///     the edge's first unique vertex (from `lookup`), one per surface mesh vertex on the second
///     unique vertex that belongs to that polygon. One makes the line a boundary of the surface,
///     two or more (a seam where the surface touches itself) internal.
/// Relationships already present are not added again.
/// \throw VeyraConversionModelException (internal) "[ModelBuilderFromUniqueVertices::
/// add_line_surface_relationships] Number of incident polygon edges should not be equal to 0".
/// \throw VeyraConversionModelException (internal, data: the point of the line's vertex 0)
/// "... Line with id <id> has evidence of being both internal and boundary of a surface." after
/// writing the model to error.tq_brep or error.tq_sctn in the current directory.
template <typename Model>
void add_line_surface_relationships(const Model& model, typename Model::Builder& builder,
                                    const CornersLinesBuilder<Model>& corners_lines,
                                    const uuid& surface, PolygonCornersLookup lookup);

/// The same for a surface whose polygon adjacencies are set: the lookup gives the polygons
/// around each of its mesh vertices on the unique vertex, each corner once.
template <typename Model>
void add_line_surface_relationships(const Model& model, typename Model::Builder& builder,
                                    const CornersLinesBuilder<Model>& corners_lines,
                                    const uuid& surface);

/// Relates `new_surface` to the lines that bound or are internal to `old_surfaces` (each line
/// once, in order of first appearance: for each old surface its boundaries, then its internal
/// lines). A line whose edge 0 matches exactly one polygon edge of the new surface, on its mesh
/// border, bounds it; a line matching more is internal to it.
/// \throw VeyraConversionModelException (internal, data: the barycenter of the line's edge 0)
/// "[ModelBuilderFromUniqueVertices::transfer_line_surface_relationships] One or more polygon
/// edges should be on the line" when no polygon edge of the new surface lies on that edge.
template <typename Model>
void transfer_line_surface_relationships(const Model& model, typename Model::Builder& builder,
                                         const uuid& new_surface,
                                         absl::Span<const uuid> old_surfaces);

}  // namespace veyra::detail
