// SPDX-License-Identifier: MIT
// The part of a block mesh's border that no surface of the model covers yet, as a new surface,
// so that the topology engine keeps every block boundary.
#pragma once

#include <memory>
#include <vector>

#include <ostrel/basic/common.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/model/block.h>

namespace veyra {

class BRep;
class BRepBuilder;

namespace detail {

struct BlockBoundaryMesh {
  /// The unique vertex of each vertex of `mesh`, by vertex index (NO_ID for a block vertex that
  /// has none).
  std::vector<index_t> unique_vertices;
  std::unique_ptr<SurfaceMesh<3>> mesh;
};

/// Every border facet of the block mesh (all facets of each polyhedron) that no surface polygon
/// of the model lies on, as one surface mesh: one vertex per unique vertex, one polygon per
/// vertex cycle, adjacencies computed and orientations made consistent. Triangulated for a
/// tetrahedral block mesh, polygonal otherwise.
/// \throw OstrelMeshException (input) when the polygons cannot be oriented consistently.
BlockBoundaryMesh block_boundary_surface_mesh(const BRep& model, const Block<3>& block);

}  // namespace detail

namespace internal {

/// For each block, in model order, adds one surface whose mesh is block_boundary_surface_mesh,
/// tied to its unique vertices, even when it is empty. No relationship is created.
void add_block_boundaries_as_surfaces_in_model(const BRep& model, BRepBuilder& builder);

}  // namespace internal

}  // namespace veyra
