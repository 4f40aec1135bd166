// SPDX-License-Identifier: MIT
// TriangulatedSurfaceModifier<D>: inserts points on the edges of a triangulated surface, splitting
// the triangle and its neighbour across the edge. Each split appends exactly one vertex and reports
// its new triangles and edge table entries with their parents. Replaced triangles stay, inactive,
// until clean() removes them together with the edge table entries left unused.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include <ostrel/geometry/point.h>
#include <ostrel/mesh/element_references.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/mesh/triangulated_surface_builder.h>

namespace veyra {

template <index_t D>
class TriangulatedSurfaceModifier {
 public:
  struct SplitInfo {
    index_t new_vertex{NO_ID};
    /// (new triangle, the triangle it replaces), in creation order.
    std::vector<std::pair<index_t, index_t>> polygons;
    /// (new edge table entry, the entry it lies on or NO_ID).
    std::vector<std::pair<index_t, index_t>> edges;
  };

  /// Old-to-new indices (NO_ID for removed items); vertices are the identity.
  struct CleanInfo {
    std::vector<index_t> vertices;
    std::vector<index_t> edges;
    std::vector<index_t> polygons;
  };

  /// Enables the surface's edge table when it is not.
  TriangulatedSurfaceModifier(TriangulatedSurface<D>& surface,
                              TriangulatedSurfaceBuilder<D>& builder);
  ~TriangulatedSurfaceModifier();
  TriangulatedSurfaceModifier(const TriangulatedSurfaceModifier&) = delete;
  TriangulatedSurfaceModifier& operator=(const TriangulatedSurfaceModifier&) = delete;

  /// Appends a vertex at `point` and splits the edge's triangle and, when it is active, its
  /// neighbour across the edge: (a, b, c) cut on a -> b gives (a, n, c) then (n, b, c).
  /// \throw OstrelMeshException (input) when the triangle is out of range or was replaced, or
  /// the point is not finite.
  SplitInfo split_edge(const PolygonEdge& edge, const Point<D>& point);
  /// False only for the triangles replaced since the last clean.
  bool is_triangle_active(index_t polygon) const;
  /// Deletes the replaced triangles, then the edge table entries no triangle uses any more.
  CleanInfo clean();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
