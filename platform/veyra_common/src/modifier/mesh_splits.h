// SPDX-License-Identifier: MIT
// Split kernels on one mesh, shared by every modifier: polygons cut on an edge or around an inner
// point, tetrahedra cut on an edge or a facet, and the attribute values of the new vertex. The
// replaced elements are left in place; the caller keeps track of them. Not installed.
#pragma once

#include <array>
#include <vector>

#include <absl/types/span.h>

#include <ostrel/mesh/element_references.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/mesh/surface_mesh_builder.h>

#include "element_pieces.h"

namespace veyra::internal {

/// Appends a vertex at `point` whose attribute values are interpolated from the edge ends,
/// each weighted by the distance to the other end. Returns the new vertex.
template <index_t D>
index_t create_vertex_on_edge(const GeometricMesh<D>& mesh, GeometricMeshBuilder<D>& builder,
                              const std::array<index_t, 2>& edge, const Point<D>& point);

/// Appends a vertex at `point` whose attribute values are interpolated from the triangle's
/// corners with the barycentric coordinates of the point. Returns the new vertex.
template <index_t D>
index_t create_vertex_in_triangle(const GeometricMesh<D>& mesh, GeometricMeshBuilder<D>& builder,
                                  const std::array<index_t, 3>& triangle, const Point<D>& point);

/// Splits the polygon of each edge at `vertex`, which goes between the edge's ends. A triangle
/// (a, b, c) cut on a -> b gives (a, n, c) then (n, b, c); a polygon v0 ... vk-1 cut on
/// vi -> vi+1 gives (vi, n, vm, ..., vi-1) then (n, vi+1, ..., vm) with
/// m = (i + 1 + ceil((k - 2) / 2)) mod k. The pieces copy the polygon's attribute values and are
/// linked to each other, to the old outside neighbours and, across the cut edge, to the pieces
/// of the polygon split on the other side. The edges must join the same two vertices and belong
/// to distinct polygons. Returns the pieces per given edge, in order.
template <index_t D>
std::vector<ElementPieces> split_polygon_edges(const SurfaceMesh<D>& mesh,
                                               SurfaceMeshBuilder<D>& builder,
                                               absl::Span<const PolygonEdge> edges,
                                               index_t vertex);

/// Splits each triangle (a, b, c) into (a, b, n), (b, c, n), (c, a, n) around `vertex`, with
/// the same attribute and adjacency rules. The triangles must be distinct.
template <index_t D>
std::vector<ElementPieces> split_triangles(const SurfaceMesh<D>& mesh,
                                           SurfaceMeshBuilder<D>& builder,
                                           absl::Span<const index_t> triangles, index_t vertex);

/// Splits each tetrahedron holding the edge (a, b) into the copy with b replaced by `vertex`,
/// then the copy with a replaced by it. Pieces copy the attribute values of their tetrahedron
/// and are linked as the polygon pieces are.
std::vector<ElementPieces> split_tetrahedra_on_edge(const SolidMesh<3>& mesh,
                                                    SolidMeshBuilder<3>& builder,
                                                    absl::Span<const index_t> tetrahedra,
                                                    const std::array<index_t, 2>& edge,
                                                    index_t vertex);

/// Splits each tetrahedron holding the facet {a, b, c} into three copies with a, b and c
/// replaced by `vertex` in turn.
std::vector<ElementPieces> split_tetrahedra_on_facet(const SolidMesh<3>& mesh,
                                                     SolidMeshBuilder<3>& builder,
                                                     absl::Span<const index_t> tetrahedra,
                                                     const std::array<index_t, 3>& facet,
                                                     index_t vertex);

}  // namespace veyra::internal
