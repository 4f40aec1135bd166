// SPDX-License-Identifier: MIT
#include "mesh_splits.h"

#include <algorithm>

#include <ostrel/basic/attribute_linear_interpolation.h>
#include <ostrel/geometry/barycentric_coordinates.h>
#include <ostrel/geometry/epsilon.h>

namespace veyra::internal {
namespace {

using Kind = SideOrigin::Kind;

template <index_t D>
class SurfaceSides {
 public:
  SurfaceSides(const SurfaceMesh<D>& mesh, SurfaceMeshBuilder<D>& builder)
      : mesh_(mesh), builder_(builder) {}

  std::optional<index_t> adjacent(index_t polygon, local_index_t edge) const {
    return mesh_.polygon_adjacent({polygon, edge});
  }
  std::optional<local_index_t> adjacent_side(index_t polygon, local_index_t edge) const {
    const auto adjacent_edge = mesh_.polygon_adjacent_edge({polygon, edge});
    if (!adjacent_edge) return std::nullopt;
    return adjacent_edge->edge_id;
  }
  void set_adjacent(index_t polygon, local_index_t edge, index_t adjacent) {
    builder_.set_polygon_adjacent({polygon, edge}, adjacent);
  }
  void unset_adjacent(index_t polygon, local_index_t edge) {
    builder_.unset_polygon_adjacent({polygon, edge});
  }

 private:
  const SurfaceMesh<D>& mesh_;
  SurfaceMeshBuilder<D>& builder_;
};

class SolidSides {
 public:
  SolidSides(const SolidMesh<3>& mesh, SolidMeshBuilder<3>& builder)
      : mesh_(mesh), builder_(builder) {}

  std::optional<index_t> adjacent(index_t polyhedron, local_index_t facet) const {
    return mesh_.polyhedron_adjacent({polyhedron, facet});
  }
  std::optional<local_index_t> adjacent_side(index_t polyhedron, local_index_t facet) const {
    const auto adjacent_facet = mesh_.polyhedron_adjacent_facet({polyhedron, facet});
    if (!adjacent_facet) return std::nullopt;
    return adjacent_facet->facet_id;
  }
  void set_adjacent(index_t polyhedron, local_index_t facet, index_t adjacent) {
    builder_.set_polyhedron_adjacent({polyhedron, facet}, adjacent);
  }
  void unset_adjacent(index_t polyhedron, local_index_t facet) {
    builder_.unset_polyhedron_adjacent({polyhedron, facet});
  }

 private:
  const SolidMesh<3>& mesh_;
  SolidMeshBuilder<3>& builder_;
};

template <index_t D>
index_t create_interpolated_vertex(const GeometricMesh<D>& mesh, GeometricMeshBuilder<D>& builder,
                                   const Point<D>& point,
                                   AttributeLinearInterpolation interpolation) {
  const auto vertex = builder.create_point(point);
  mesh.vertex_attribute_manager().interpolate_attribute_value(interpolation, vertex);
  return vertex;
}

template <index_t D>
index_t create_polygon_piece(const SurfaceMesh<D>& mesh, SurfaceMeshBuilder<D>& builder,
                             absl::Span<const index_t> vertices, index_t old_polygon) {
  const auto polygon = builder.create_polygon(vertices);
  mesh.polygon_attribute_manager().assign_attribute_value(old_polygon, polygon);
  return polygon;
}

index_t create_tetrahedron_piece(const SolidMesh<3>& mesh, SolidMeshBuilder<3>& builder,
                                 const PolyhedronVertices& vertices, index_t old_tetrahedron) {
  const auto tetrahedron = builder.create_polyhedron(vertices, {});
  mesh.polyhedron_attribute_manager().assign_attribute_value(old_tetrahedron, tetrahedron);
  return tetrahedron;
}

local_index_t position_in(const PolyhedronVertices& vertices, index_t vertex) {
  return static_cast<local_index_t>(std::find(vertices.begin(), vertices.end(), vertex) -
                                    vertices.begin());
}

}  // namespace

template <index_t D>
index_t create_vertex_on_edge(const GeometricMesh<D>& mesh, GeometricMeshBuilder<D>& builder,
                              const std::array<index_t, 2>& edge, const Point<D>& point) {
  // Copy the ends' points first: creating the vertex may move the point storage.
  const auto point0 = mesh.point(edge[0]);
  const auto point1 = mesh.point(edge[1]);
  const double distance0 = point_point_distance(point, point0);
  const double distance1 = point_point_distance(point, point1);
  const double total = distance0 + distance1;
  double lambda0 = 0.5;
  if (total > global_epsilon) lambda0 = distance1 / total;
  return create_interpolated_vertex(mesh, builder, point,
                                    {{edge[0], edge[1]}, {lambda0, 1. - lambda0}});
}

template <index_t D>
index_t create_vertex_in_triangle(const GeometricMesh<D>& mesh, GeometricMeshBuilder<D>& builder,
                                  const std::array<index_t, 3>& triangle, const Point<D>& point) {
  const auto lambdas = safe_triangle_barycentric_coordinates(
      point, Triangle<D>{mesh.point(triangle[0]), mesh.point(triangle[1]),
                         mesh.point(triangle[2])});
  return create_interpolated_vertex(mesh, builder, point,
                                    {{triangle[0], triangle[1], triangle[2]},
                                     {lambdas[0], lambdas[1], lambdas[2]}});
}

template <index_t D>
std::vector<ElementPieces> split_polygon_edges(const SurfaceMesh<D>& mesh,
                                               SurfaceMeshBuilder<D>& builder,
                                               absl::Span<const PolygonEdge> edges,
                                               index_t vertex) {
  std::vector<ElementPieces> splits;
  splits.reserve(edges.size());
  absl::InlinedVector<index_t, 8> first;
  absl::InlinedVector<index_t, 8> second;
  for (const auto& edge : edges) {
    const auto polygon = edge.polygon_id;
    const auto corners = mesh.polygon_vertices(polygon);
    const index_t k = static_cast<index_t>(corners.size());
    const index_t i = edge.edge_id;
    const index_t next = (i + 1) % k;
    const index_t m = (i + 1 + (k - 1) / 2) % k;
    auto& split = splits.emplace_back();
    split.old_element = polygon;
    split.pieces.resize(2);

    // (vi, n, vm, ..., vi-1): the cut half keeping vi, the inner edge n -> vm, then old edges.
    auto& piece0 = split.pieces[0];
    first.assign({corners[i], vertex});
    piece0.sides.push_back(SideOrigin::cut(edge.edge_id, corners[next]));
    piece0.sides.push_back(SideOrigin::inner(0));
    for (auto j = m; j != i; j = (j + 1) % k) {
      first.push_back(corners[j]);
      piece0.sides.push_back(SideOrigin::outer(static_cast<local_index_t>(j)));
    }
    // (n, vi+1, ..., vm): the cut half keeping vi+1, old edges, then the inner edge vm -> n.
    auto& piece1 = split.pieces[1];
    second.assign({vertex});
    piece1.sides.push_back(SideOrigin::cut(edge.edge_id, corners[i]));
    for (auto j = next; j != m; j = (j + 1) % k) {
      second.push_back(corners[j]);
      piece1.sides.push_back(SideOrigin::outer(static_cast<local_index_t>(j)));
    }
    second.push_back(corners[m]);
    piece1.sides.push_back(SideOrigin::inner(0));

    piece0.element = create_polygon_piece(mesh, builder, first, polygon);
    piece1.element = create_polygon_piece(mesh, builder, second, polygon);
  }
  SurfaceSides<D> sides{mesh, builder};
  link_pieces(sides, splits);
  return splits;
}

template <index_t D>
std::vector<ElementPieces> split_triangles(const SurfaceMesh<D>& mesh,
                                           SurfaceMeshBuilder<D>& builder,
                                           absl::Span<const index_t> triangles, index_t vertex) {
  std::vector<ElementPieces> splits;
  splits.reserve(triangles.size());
  for (const auto triangle : triangles) {
    const auto corners = mesh.polygon_vertices(triangle);
    auto& split = splits.emplace_back();
    split.old_element = triangle;
    split.pieces.resize(3);
    for (index_t j = 0; j < 3; ++j) {
      const auto next = (j + 1) % 3;
      auto& piece = split.pieces[j];
      const std::array<index_t, 3> vertices{corners[j], corners[next], vertex};
      // Edge vj+1 -> n is shared with the next piece, edge n -> vj with the previous one.
      piece.sides = {SideOrigin::outer(static_cast<local_index_t>(j)), SideOrigin::inner(next),
                     SideOrigin::inner(j)};
      piece.element = create_polygon_piece(mesh, builder, vertices, triangle);
    }
  }
  SurfaceSides<D> sides{mesh, builder};
  link_pieces(sides, splits);
  return splits;
}

std::vector<ElementPieces> split_tetrahedra_on_edge(const SolidMesh<3>& mesh,
                                                    SolidMeshBuilder<3>& builder,
                                                    absl::Span<const index_t> tetrahedra,
                                                    const std::array<index_t, 2>& edge,
                                                    index_t vertex) {
  std::vector<ElementPieces> splits;
  splits.reserve(tetrahedra.size());
  for (const auto tetrahedron : tetrahedra) {
    const auto corners = mesh.polyhedron_vertices(tetrahedron);
    const std::array<local_index_t, 2> ends{position_in(corners, edge[0]),
                                            position_in(corners, edge[1])};
    auto& split = splits.emplace_back();
    split.old_element = tetrahedron;
    split.pieces.resize(2);
    // Copy r replaces end r' = 1 - r: it keeps the old facet opposite r', shares the facet
    // opposite end r with the other copy, and holds half of each facet along the edge.
    for (const local_index_t kept : {0, 1}) {
      const auto replaced = 1 - kept;
      auto vertices = corners;
      vertices[ends[replaced]] = vertex;
      auto& piece = split.pieces[kept];
      for (local_index_t facet = 0; facet < 4; ++facet) {
        if (facet == ends[replaced]) {
          piece.sides.push_back(SideOrigin::outer(facet));
        } else if (facet == ends[kept]) {
          piece.sides.push_back(SideOrigin::inner(0));
        } else {
          piece.sides.push_back(SideOrigin::cut(facet, edge[replaced]));
        }
      }
      piece.element = create_tetrahedron_piece(mesh, builder, vertices, tetrahedron);
    }
  }
  SolidSides sides{mesh, builder};
  link_pieces(sides, splits);
  return splits;
}

std::vector<ElementPieces> split_tetrahedra_on_facet(const SolidMesh<3>& mesh,
                                                     SolidMeshBuilder<3>& builder,
                                                     absl::Span<const index_t> tetrahedra,
                                                     const std::array<index_t, 3>& facet,
                                                     index_t vertex) {
  std::vector<ElementPieces> splits;
  splits.reserve(tetrahedra.size());
  for (const auto tetrahedron : tetrahedra) {
    const auto corners = mesh.polyhedron_vertices(tetrahedron);
    std::array<local_index_t, 3> positions{};
    for (int r = 0; r < 3; ++r) positions[r] = position_in(corners, facet[r]);
    // The corner off the facet: the one position the facet does not use.
    const auto apex = static_cast<local_index_t>(6 - positions[0] - positions[1] - positions[2]);
    auto& split = splits.emplace_back();
    split.old_element = tetrahedron;
    split.pieces.resize(3);
    for (int r = 0; r < 3; ++r) {
      auto vertices = corners;
      vertices[positions[r]] = vertex;
      auto& piece = split.pieces[r];
      for (local_index_t side = 0; side < 4; ++side) {
        if (side == positions[r]) {
          piece.sides.push_back(SideOrigin::outer(side));
        } else if (side == apex) {
          piece.sides.push_back(SideOrigin::cut(side, facet[r]));
        } else {
          // Shared with the copy that replaced the corner at `side`.
          const auto low = std::min(side, positions[r]);
          const auto high = std::max(side, positions[r]);
          piece.sides.push_back(SideOrigin::inner(index_t{low} * 4 + high));
        }
      }
      piece.element = create_tetrahedron_piece(mesh, builder, vertices, tetrahedron);
    }
  }
  SolidSides sides{mesh, builder};
  link_pieces(sides, splits);
  return splits;
}

#define VEYRA_INSTANTIATE_SPLITS(D)                                                            \
  template index_t create_vertex_on_edge(const GeometricMesh<D>&, GeometricMeshBuilder<D>&,    \
                                         const std::array<index_t, 2>&, const Point<D>&);      \
  template index_t create_vertex_in_triangle(const GeometricMesh<D>&, GeometricMeshBuilder<D>&, \
                                             const std::array<index_t, 3>&, const Point<D>&);  \
  template std::vector<ElementPieces> split_polygon_edges(                                      \
      const SurfaceMesh<D>&, SurfaceMeshBuilder<D>&, absl::Span<const PolygonEdge>, index_t);   \
  template std::vector<ElementPieces> split_triangles(                                          \
      const SurfaceMesh<D>&, SurfaceMeshBuilder<D>&, absl::Span<const index_t>, index_t)

VEYRA_INSTANTIATE_SPLITS(2);
VEYRA_INSTANTIATE_SPLITS(3);

#undef VEYRA_INSTANTIATE_SPLITS

}  // namespace veyra::internal
