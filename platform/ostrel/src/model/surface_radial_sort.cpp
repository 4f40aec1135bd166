// SPDX-License-Identifier: MIT
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/geometry/epsilon.h>
#include <ostrel/geometry/vector.h>
#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/component_mesh_edges.h>
#include <ostrel/model/surface_radial_sort.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace veyra {
namespace {

constexpr auto degenerate_message =
    "[surface_radial_sort] Cannot sort degenerate polygon around line";

struct Wing {
  uuid surface;
  PolygonEdge polygon_edge;
  double angle{0.};
};

/// The part of `point - origin` orthogonal to the unit axis.
Vector<3> radial_part(const Point<3>& point, const Point<3>& origin, const Vector<3>& axis) {
  const Vector<3> offset{origin, point};
  return offset - axis * offset.dot(axis);
}

/// Direction from the axis to the wing's polygon: its barycenter, or its vertex farthest from
/// the axis when the barycenter lies on it.
Vector<3> wing_direction(const SurfaceMesh<3>& mesh, index_t polygon, const Point<3>& origin,
                         const Vector<3>& axis) {
  auto direction = radial_part(mesh.polygon_barycenter(polygon), origin, axis);
  if (direction.length() > global_epsilon) return direction;
  for (const auto vertex : mesh.polygon_vertices(polygon)) {
    const auto candidate = radial_part(mesh.point(vertex), origin, axis);
    if (candidate.length2() > direction.length2()) direction = candidate;
  }
  OSTREL_EXCEPTION(OstrelGeometryException, direction.length() > global_epsilon,
                   degenerate_message);
  return direction;
}

}  // namespace

std::vector<index_t> SortedSurfaces::find(const SidedSurface& surface) const {
  std::vector<index_t> positions;
  for (index_t position = 0; position < surfaces.size(); ++position) {
    if (surfaces[position] == surface) positions.push_back(position);
  }
  return positions;
}

index_t SortedSurfaces::next(index_t position) const {
  const index_t nb_wings = nb_surfaces() / 2;
  OSTREL_INPUT_CHECK(OstrelModelException, position < nb_surfaces(),
                     "[SortedSurfaces::next] Position ", position, " out of range (", nb_surfaces(),
                     " sides)");
  const index_t wing = position / 2;
  if (position % 2 == 1) return 2 * ((wing + 1) % nb_wings);
  return 2 * ((wing + nb_wings - 1) % nb_wings) + 1;
}

SortedSurfaces surface_radial_sort(const BRep& model, const Line<3>& line) {
  SortedSurfaces sorted;
  const auto& line_mesh = line.mesh();
  if (line_mesh.nb_edges() == 0) return sorted;
  const auto unique_vertices = edge_unique_vertices(model, line, 0);
  const auto line_vertices = line_mesh.edge_vertices(0);
  const auto& origin = line_mesh.point(line_vertices[0]);
  const Vector<3> axis_vector{origin, line_mesh.point(line_vertices[1])};

  std::vector<Wing> wings;
  for (const auto& [surface, edges] : surface_component_mesh_edges(model, unique_vertices)) {
    for (const auto& edge : edges) wings.push_back({surface, edge, 0.});
  }
  if (wings.empty()) return sorted;

  if (wings.size() > 1) {
    const auto axis_length = axis_vector.length();
    OSTREL_EXCEPTION(OstrelGeometryException, axis_length > global_epsilon, degenerate_message);
    const auto axis = axis_vector / axis_length;
    std::optional<Vector<3>> reference;
    for (auto& wing : wings) {
      const auto& mesh = model.surface(wing.surface).mesh();
      const auto direction = wing_direction(mesh, wing.polygon_edge.polygon_id, origin, axis);
      if (!reference) reference = direction;
      wing.angle = std::atan2(reference->cross(direction).dot(axis), reference->dot(direction));
      if (wing.angle < 0.) wing.angle += 2. * std::numbers::pi;
    }
    std::stable_sort(wings.begin(), wings.end(),
                     [](const Wing& lhs, const Wing& rhs) { return lhs.angle < rhs.angle; });
  }

  sorted.surfaces.reserve(2 * wings.size());
  for (const auto& wing : wings) {
    const auto& surface = model.surface(wing.surface);
    // Going from u0 to u1 along the polygon puts the front towards increasing angles.
    const bool front_increasing =
        edge_unique_vertices(model, surface, wing.polygon_edge) == unique_vertices;
    sorted.surfaces.emplace_back(wing.surface, wing.polygon_edge, front_increasing);
    sorted.surfaces.emplace_back(wing.surface, wing.polygon_edge, !front_increasing);
  }
  return sorted;
}

}  // namespace veyra
