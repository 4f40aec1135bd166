// SPDX-License-Identifier: MIT
// BReps for tests and benchmarks built over one list of points: every mesh vertex standing on
// point i is tied to unique vertex i, and lines can be derived from the surface borders.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <absl/types/span.h>

#include <ostrel/basic/uuid.h>
#include <ostrel/geometry/point.h>
#include <ostrel/geometry/vector.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>

namespace veyra::testing {

/// A list of point indices: one polygon, one polyhedron facet or one line chain.
using PointChain = std::vector<index_t>;

/// Fills a BRep whose unique vertex i is point i (all created by the constructor). The model
/// must have no unique vertex yet and must outlive this object.
class BRepFromPoints {
 public:
  BRepFromPoints(BRep& model, std::vector<Point<3>> points);

  BRepBuilder& builder() { return builder_; }
  const std::vector<Point<3>>& points() const { return points_; }

  /// A surface with these polygons, given over point indices. Its mesh vertices are the points
  /// used, in order of first use; the mesh is triangulated when every polygon is a triangle.
  /// Polygon adjacencies are computed.
  uuid add_surface(absl::Span<const PointChain> polygons);
  /// A line along the chain of points (a closed chain repeats its first point at the end).
  uuid add_line(const PointChain& chain);
  /// A corner on one point.
  uuid add_corner(index_t point);
  /// A block whose mesh is a clone of `mesh`, its vertex i standing on point vertex_points[i]
  /// (on point i when `vertex_points` is empty).
  uuid add_block(const SolidMesh<3>& mesh, absl::Span<const index_t> vertex_points = {});

  /// Lines along the border edges of the surfaces made so far: edges bordering the same set of
  /// surfaces are chained up to the points where that set changes or more than two such edges
  /// meet, where corners are made. Each line bounds the surfaces it borders and is internal to
  /// the surfaces in which its edges are inner edges; each corner bounds the lines it ends.
  void add_lines_from_surface_borders();

 private:
  BRep& model_;
  BRepBuilder builder_;
  std::vector<Point<3>> points_;
  // Polygons of each surface made so far, over point indices.
  std::vector<std::pair<uuid, std::vector<PointChain>>> surfaces_;
};

/// The polyhedra of a solid whose barycenter satisfies a test, as a solid of their own.
struct SolidPart {
  std::unique_ptr<SolidMesh<3>> mesh;
  /// The vertex of the whole solid that each vertex of the part copies.
  std::vector<index_t> vertex_points;
};
SolidPart extract_polyhedra(const SolidMesh<3>& solid,
                            const std::function<bool(const Point<3>&)>& keep);

/// The distinct facets of the solid (as lists of mesh vertices) whose points all satisfy `keep`,
/// each reversed when needed so that its normal has a positive dot product with `direction`.
std::vector<PointChain> solid_facets_where(const SolidMesh<3>& solid,
                                           const std::function<bool(const Point<3>&)>& keep,
                                           const Vector<3>& direction);

}  // namespace veyra::testing
