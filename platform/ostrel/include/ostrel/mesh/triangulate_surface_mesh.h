// SPDX-License-Identifier: MIT
// triangulate_surface_mesh: splits every polygon of more than three vertices into a fan of
// triangles, keeping polygon ids, attributes and the adjacency of original edges.
#pragma once

#include <ostrel/basic/common.h>

namespace veyra {

template <index_t D>
class SurfaceMesh;
template <index_t D>
class SurfaceMeshBuilder;

/// Modifies the mesh in place through `builder` (a builder of `mesh`). Polygon p of n > 3
/// vertices becomes triangle (v0, v1, v2); triangles (v0, vk, vk+1), k = 2..n-2, are appended
/// after all polygons, in order of p then k, and take p's attribute values. Each original edge
/// keeps its adjacency on the triangle that carries it (neighbours are re-pointed), diagonals
/// link consecutive pieces both ways, and no adjacency is created across original edges. The
/// mesh type does not change.
template <index_t D>
void triangulate_surface_mesh(const SurfaceMesh<D>& mesh, SurfaceMeshBuilder<D>& builder);

/// Same, with a builder made for the mesh.
template <index_t D>
void triangulate_surface_mesh(SurfaceMesh<D>& mesh);

}  // namespace veyra
