// SPDX-License-Identifier: MIT
// Surface identification: making the surfaces of a model agree with its lines (one surface per
// piece cut out by the lines, duplicates merged, surfaces meeting along edges without line
// merged) and cutting every surface open along its internal lines.
#pragma once

#include <absl/types/span.h>

#include <ostrel/basic/generic_mapping.h>
#include <ostrel/basic/mesh_element.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section_builder.h>
#include <model/common/mappings.h>
#include <model/topology/engine_context.h>
#include <model/wireframe/corners_lines_builder.h>

namespace veyra::internal {

/// The surface pass of the topology engine (Model is BRep or Section), run once corners and lines
/// are known. A unique edge is on a line when the wireframe of `corners_lines` has an edge there.
/// In order:
///   1. split along lines: every surface is related to the lines its polygon edges lie on; a
///      surface whose polygons fall into several groups once adjacency across line edges is cut
///      (or into none: an empty surface) is replaced by one new surface per group;
///   2. surfaces with the same unique vertices and polygons are merged into one (a clone of the
///      first, keeping the line relationships of the first);
///   3. with `merge_components`, polygons present more than once in the model stop being
///      adjacent to their neighbours;
///   4. surfaces sharing border edges that are on no line are grouped, and each group (a
///      surface alone included) is replaced by one merged surface, of the group's mesh type when
///      they all share one and polygonal otherwise, oriented and made manifold;
///   5. split_surfaces_on_internal_lines.
/// Every replacement is recorded in `mappings`: old to new surface ids in the "Surface" component
/// mapping (which must be present), old to new mesh vertices and polygons in the surface mesh
/// mappings, entries starting only from `old_surfaces` (the surfaces the run started from) and
/// chains through surfaces made during the run collapsed. A merged surface that cannot be
/// oriented is logged as a warning "[ModelBuilderFromUniqueVertices::create_polygonal_merged_mesh]
/// Unorientable surface detected (<name or id> <id>)." and kept.
/// \throw VeyraConversionModelException (internal) "[ModelBuilderFromUniqueVertices::
/// group_surfaces_from_common_polygon_edges] Wrong number of surface edges not linked by lines
/// (<count>, expected 1 or 2)" when a border edge on no line is shared by 3 surfaces or more.
/// The line-surface relationship steps throw their own errors (line_surface_relationships.h).
template <typename Model>
void identify_surfaces(const Model& model, typename Model::Builder& builder,
                       const detail::CornersLinesBuilder<Model>& corners_lines,
                       ModelMappings<Model>& mappings, absl::Span<const uuid> old_surfaces,
                       bool merge_components);

/// identify_surfaces with the engine's model, builders, mappings, old surfaces and flag.
template <typename Model>
void identify_surfaces(detail::EngineContext<Model>& context);

/// Cuts every surface of the model open along the lines of the model (found through unique
/// vertices): polygons on the two sides of a line edge stop being adjacent, and each vertex of
/// a cut gets one copy per fan of polygons around it. Each copy (old, new) is recorded in
/// `surface_vertices`: the sources of `old`, when it is already a target, also map to `new`;
/// otherwise `old` maps to `new`. Existing targets stay.
template <typename Model>
void split_surfaces_on_internal_lines(const Model& model, typename Model::Builder& builder,
                                      GenericMapping<MeshVertex>& surface_vertices);

}  // namespace veyra::internal
