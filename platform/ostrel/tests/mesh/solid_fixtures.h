// SPDX-License-Identifier: MIT
// Small solids built in code for the mesh tests: tetrahedra given as vertex quadruples, a Kuhn
// grid of cubes split into six tetrahedra each, and the unit cube and prism as polyhedra.
#pragma once

#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>

#include <array>
#include <memory>
#include <vector>

namespace veyra::test {

using Tetrahedra = std::vector<std::array<index_t, 4>>;
using Facets = std::vector<std::vector<local_index_t>>;

/// The fixed facets of a tetrahedron, given explicitly to polyhedral solids.
inline const Facets& tetrahedron_facet_lists() {
  static const Facets facets{{1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}};
  return facets;
}

inline MeshImpl polyhedral_impl() {
  return OstrelPolyhedralSolid<3>::impl_name_static();
}
inline MeshImpl tetrahedral_impl() {
  return OstrelTetrahedralSolid<3>::impl_name_static();
}

/// A solid of the given implementation with the given points and tetrahedra (explicit facets in
/// the fixed order for polyhedral solids), adjacency computed on request.
inline std::unique_ptr<SolidMesh<3>> make_solid(const MeshImpl& impl,
                                                const std::vector<Point<3>>& points,
                                                const Tetrahedra& tetrahedra,
                                                bool with_adjacency = true) {
  auto mesh = SolidMesh<3>::create(impl);
  auto builder = SolidMeshBuilder<3>::create(*mesh);
  for (const auto& point : points) builder->create_point(point);
  for (const auto& tetrahedron : tetrahedra) {
    builder->create_polyhedron(tetrahedron, tetrahedron_facet_lists());
  }
  if (with_adjacency) builder->compute_polyhedron_adjacencies();
  return mesh;
}

/// Points of an (n + 1)^3 lattice with unit spacing, x fastest.
inline std::vector<Point<3>> lattice_points(index_t n) {
  std::vector<Point<3>> points;
  for (index_t z = 0; z <= n; ++z) {
    for (index_t y = 0; y <= n; ++y) {
      for (index_t x = 0; x <= n; ++x)
        points.emplace_back(std::array<double, 3>{1. * x, 1. * y, 1. * z});
    }
  }
  return points;
}

/// Each cube of the n^3 lattice split into the six tetrahedra around its main diagonal; the
/// split is the same in every cube, so neighbouring cubes share whole facets.
inline Tetrahedra kuhn_tetrahedra(index_t n) {
  const auto vertex = [n](index_t x, index_t y, index_t z) {
    return (z * (n + 1) + y) * (n + 1) + x;
  };
  static constexpr std::array<std::array<int, 3>, 6> axis_orders{
      {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}}};
  Tetrahedra tetrahedra;
  for (index_t z = 0; z < n; ++z) {
    for (index_t y = 0; y < n; ++y) {
      for (index_t x = 0; x < n; ++x) {
        for (const auto& order : axis_orders) {
          std::array<index_t, 3> corner{x, y, z};
          std::array<index_t, 4> tetrahedron{};
          tetrahedron[0] = vertex(corner[0], corner[1], corner[2]);
          for (int step = 0; step < 3; ++step) {
            ++corner[order[step]];
            tetrahedron[step + 1] = vertex(corner[0], corner[1], corner[2]);
          }
          tetrahedra.push_back(tetrahedron);
        }
      }
    }
  }
  return tetrahedra;
}

/// Vertex i of the unit cube is (i & 1, (i >> 1) & 1, i >> 2); the quads face outwards.
inline const Facets& cube_facet_lists() {
  static const Facets facets{{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  return facets;
}

/// Vertices 0, 1, 2 at z = 0 and 3, 4, 5 above them at z = 1; the facets face outwards.
inline const Facets& prism_facet_lists() {
  static const Facets facets{{0, 2, 1}, {3, 4, 5}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}};
  return facets;
}

}  // namespace veyra::test
