// SPDX-License-Identifier: MIT
// repair_non_manifold_vertices: gives each fan of polygons (or polyhedra) around a vertex its
// own vertex.
#pragma once

#include <absl/types/span.h>

#include <ostrel/basic/common.h>
#include <ostrel/basic/generic_mapping.h>

namespace veyra {

template <index_t D>
class SurfaceMesh;
template <index_t D>
class SurfaceMeshBuilder;
template <index_t D>
class SolidMesh;
template <index_t D>
class SolidMeshBuilder;

/// Modifies the mesh in place through `builder` (a builder of `mesh`). For each vertex present
/// at the start, ascending, its corners are grouped into fans (two corners are in one fan when
/// an edge of one at the vertex is adjacent, on either side, to the other's polygon through an
/// edge at the vertex). Fans are ordered by their smallest corner: the first keeps the vertex,
/// each other gets a new vertex at the same point with the same attribute values.
/// Returns split vertex -> its new vertices; vertices that were not split do not appear.
template <index_t D>
GenericMapping<index_t> repair_non_manifold_vertices(const SurfaceMesh<D>& mesh,
                                                     SurfaceMeshBuilder<D>& builder);
/// The same repair for the listed vertices only, taken in ascending order (duplicates ignored).
/// Splitting along cut edges uses it: only the vertices of the cut need a look.
/// \throw OstrelMeshException (input) for a vertex out of range.
template <index_t D>
GenericMapping<index_t> repair_non_manifold_vertices(const SurfaceMesh<D>& mesh,
                                                     SurfaceMeshBuilder<D>& builder,
                                                     absl::Span<const index_t> vertices);

/// The same for a solid: two corners of a vertex are in one fan when a facet of one containing
/// the vertex is adjacent, on either side, to the other's polyhedron through its matching facet,
/// which contains the vertex too. Fans are ordered by their smallest corner; the first keeps the
/// vertex, each other gets a new one (same point and attribute values).
/// Returns split vertex -> its new vertices; vertices that were not split do not appear.
GenericMapping<index_t> repair_non_manifold_vertices(const SolidMesh<3>& mesh,
                                                     SolidMeshBuilder<3>& builder);
/// The same repair for the listed vertices only, taken in ascending order (duplicates ignored).
/// \throw OstrelMeshException (input) for a vertex out of range.
GenericMapping<index_t> repair_non_manifold_vertices(const SolidMesh<3>& mesh,
                                                     SolidMeshBuilder<3>& builder,
                                                     absl::Span<const index_t> vertices);

}  // namespace veyra
