// SPDX-License-Identifier: MIT
// The repairs that keep tetrahedral block meshes conformal with the surfaces of a BRep built from
// one tetrahedral solid, then the block meshes themselves and the final mappings.
#pragma once

#include <absl/types/span.h>
#include <model/common/mappings.h>
#include <model/element_meshes/wireframe_builder_from_one_mesh.h>
#include <ostrel/basic/generic_mapping.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <veyra_common/modifier/brep_geometric_modifier.h>

#include <utility>
#include <vector>

namespace veyra::internal {

using SolidSplitEdge = detail::WireframeBuilderFromOneMesh<BRep, SolidMesh<3>>::SplitEdge;

/// What the solid conversion knows when the surfaces are built: its element lists (solid ids)
/// and the number of surface facets around each solid edge.
struct SolidElementLists {
  /// Surface facets, ids in solid.facets(); extended and renumbered by the repairs.
  std::vector<index_t>& surface_facets;
  /// Line edges, ids in solid.edges(); a working copy extended and renumbered like the facets.
  std::vector<index_t> line_edges;
  /// Number of surface facets around each edge of solid.edges().
  absl::Span<const index_t> surface_facet_counts;
  /// Vertex count of the input solid.
  index_t nb_input_vertices;
};

/// Continues a BRep built from the tetrahedral `solid` (not changed) after its surfaces were
/// built with `modifier`, which split the lines listed in `split_edges`. On a tetrahedral copy of
/// the solid whose vertex i stays unique vertex i of the BRep:
///   1. the line splits are replayed;
///   2. each surface triangle whose three edges are free surface borders is split at its
///      barycenter, in the copy and in the BRep;
///   3. each surface edge joining two vertices of free border lines of its surface across the
///      surface is split at its middle, in both (with an info line when there is any);
/// then the copy is cut along the surface facets into block meshes, the BRep is cleaned, cut
/// along its lines and block borders, related and finished. `mapping` is the element mapping of
/// the surfaces build. Returns the input vertex -> unique vertex mapping and the element
/// mapping, whose blocks part maps each input polyhedron to the block polyhedra that cover it.
/// \throw std::bad_optional_access when a vertex pair has no edge in the copy; std::out_of_range
/// when an isolated facet has no surface polygon.
std::pair<GenericMapping<index_t>, IndexToBRepMeshElementsMapping> repair_tetrahedral_block_meshes(
    BRep& brep, BRepBuilder& builder, const SolidMesh<3>& solid, SolidElementLists lists,
    IndexToModelMeshElementsMapping mapping, absl::Span<const SolidSplitEdge> split_edges,
    BRepGeometricModifier& modifier);

/// The input vertex -> final unique vertex mapping from a renumbering of the unique vertices,
/// whose first `nb_input_vertices` entries are the input vertices (the others were made by
/// splits and stand for no input vertex).
GenericMapping<index_t> input_vertex_mapping(absl::Span<const index_t> final_unique_vertices,
                                             index_t nb_input_vertices);

}  // namespace veyra::internal
