// SPDX-License-Identifier: MIT
// Keeping an element mapping from a caller's element indices to model mesh elements up to date
// while a geometric modifier splits model elements and cleans them away: splits in the surface
// (or block) and line parts, clean renumberings, and the vertex mapping from a renumbering.
#pragma once

#include <absl/types/span.h>
#include <model/common/mappings.h>
#include <ostrel/basic/generic_mapping.h>
#include <ostrel/basic/linked_hash_map.h>
#include <ostrel/basic/mesh_element.h>
#include <ostrel/basic/uuid.h>
#include <veyra_common/modifier/split_records.h>

#include <vector>

namespace veyra::internal {

/// One part (corners, lines, surfaces or blocks) of an element mapping: caller's index -> model
/// mesh elements.
using IndexToMeshElements = GenericMapping<index_t, MeshElement>;

/// Records polygon splits in the surface part, modified in place: for each replaced polygon that
/// some key maps to, the first such key is also mapped to every polygon that now covers it. The
/// pairs with the replaced polygon stay until the clean renumbering drops them. Replaced polygons
/// without key are ignored.
void record_polygon_splits(IndexToMeshElements& surfaces,
                           const linked_hash_map<uuid, std::vector<PolygonSplit>>& splits);
/// The same for tetrahedra of block meshes, in the block part.
void record_polyhedron_splits(IndexToMeshElements& blocks,
                              const linked_hash_map<uuid, std::vector<PolyhedronSplit>>& splits);

/// Records line edge splits in the line part for `key`, the caller's edge that the split line
/// edge stands for, modified in place: every edge of each split line's mesh around a vertex the
/// split created is mapped from `key`, so the key reaches both halves of its former edge. Nothing
/// happens when `key` has no value. `Model` is Section or BRep (the lines are read from it).
template <typename Model>
void record_line_edge_splits(IndexToMeshElements& lines, index_t key,
                             const linked_hash_map<uuid, std::vector<LineEdgeSplit>>& splits,
                             const Model& model);

/// Applies the element renumberings of a modifier's clean() to one part, modified in place. For
/// each component, every element whose index changed loses its pairs, and its keys are mapped to
/// the new index unless the element was removed (NO_ID). The moved pairs are gathered per
/// component before any is written, so a new index equal to another old index is never moved
/// twice. Elements whose index did not change are left alone.
void apply_clean_renumbering(IndexToMeshElements& part,
                             const linked_hash_map<uuid, ComponentRenumbering>& renumberings);

/// From a list of final unique vertices indexed by input vertex (NO_ID for a vertex that has
/// none): each position i, ascending, maps to final_unique_vertices[i].
GenericMapping<index_t> vertex_mapping_from_renumbering(
    absl::Span<const index_t> final_unique_vertices);

/// Both split rules for one edge split reported by a Section or BRep modifier: the polygon
/// splits in the surface part, and the line edge splits in the line part for `line_key`.
template <typename Model, typename SplitInfo>
void record_edge_split(IndexToModelMeshElementsMapping& mapping, index_t line_key,
                       const SplitInfo& split_info, const Model& model) {
  record_polygon_splits(mapping.surfaces, split_info.surfaces);
  record_line_edge_splits(mapping.lines, line_key, split_info.lines, model);
}

/// The line and surface renumberings of a Section or BRep modifier's clean() applied to the
/// mapping's line and surface parts.
template <typename CleanInfo>
void apply_clean(IndexToModelMeshElementsMapping& mapping, const CleanInfo& clean_info) {
  apply_clean_renumbering(mapping.lines, clean_info.lines);
  apply_clean_renumbering(mapping.surfaces, clean_info.surfaces);
}

}  // namespace veyra::internal
