// SPDX-License-Identifier: MIT
// Invariant checks shared by the modifier tests: conformal meshes with consistent adjacency,
// looking only at the elements a predicate calls active.
#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/surface_mesh.h>

namespace veyra::test {

using IsActive = std::function<bool(index_t)>;

inline bool all_active(index_t) { return true; }

/// Every edge of the active polygons is used by at most two of them; an edge used twice is
/// linked both ways, an edge used once has no active neighbour.
template <index_t D>
void expect_conformal_surface(const SurfaceMesh<D>& mesh, const IsActive& is_active = all_active) {
  std::map<std::array<index_t, 2>, std::vector<PolygonEdge>> uses;
  for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
    if (!is_active(polygon)) continue;
    for (local_index_t edge = 0; edge < mesh.nb_polygon_edges(polygon); ++edge) {
      auto vertices = mesh.polygon_edge_vertices({polygon, edge});
      std::sort(vertices.begin(), vertices.end());
      uses[vertices].push_back({polygon, edge});
    }
  }
  for (const auto& [vertices, edges] : uses) {
    ASSERT_LE(edges.size(), 2u) << "edge " << vertices[0] << " " << vertices[1];
    if (edges.size() == 2) {
      EXPECT_EQ(mesh.polygon_adjacent(edges[0]), edges[1].polygon_id) << edges[0].string();
      EXPECT_EQ(mesh.polygon_adjacent(edges[1]), edges[0].polygon_id) << edges[1].string();
    } else {
      const auto adjacent = mesh.polygon_adjacent(edges[0]);
      EXPECT_TRUE(!adjacent || !is_active(*adjacent)) << edges[0].string();
    }
  }
}

/// The same for the facets of the active polyhedra; every active polyhedron also has a positive
/// volume.
inline void expect_conformal_solid(const SolidMesh<3>& mesh,
                                   const IsActive& is_active = all_active) {
  std::map<std::vector<index_t>, std::vector<PolyhedronFacet>> uses;
  for (index_t polyhedron = 0; polyhedron < mesh.nb_polyhedra(); ++polyhedron) {
    if (!is_active(polyhedron)) continue;
    EXPECT_GT(mesh.polyhedron_volume(polyhedron), 0.) << "polyhedron " << polyhedron;
    for (local_index_t facet = 0; facet < mesh.nb_polyhedron_facets(polyhedron); ++facet) {
      const auto facet_vertices = mesh.polyhedron_facet_vertices({polyhedron, facet});
      std::vector<index_t> vertices(facet_vertices.begin(), facet_vertices.end());
      std::sort(vertices.begin(), vertices.end());
      uses[vertices].push_back({polyhedron, facet});
    }
  }
  for (const auto& [vertices, facets] : uses) {
    ASSERT_LE(facets.size(), 2u) << "facet of vertex " << vertices[0];
    if (facets.size() == 2) {
      EXPECT_EQ(mesh.polyhedron_adjacent(facets[0]), facets[1].polyhedron_id)
          << facets[0].string();
      EXPECT_EQ(mesh.polyhedron_adjacent(facets[1]), facets[0].polyhedron_id)
          << facets[1].string();
    } else {
      const auto adjacent = mesh.polyhedron_adjacent(facets[0]);
      EXPECT_TRUE(!adjacent || !is_active(*adjacent)) << facets[0].string();
    }
  }
}

/// Sum of the volumes of the active polyhedra.
inline double active_volume(const SolidMesh<3>& mesh, const IsActive& is_active = all_active) {
  double volume = 0.;
  for (index_t polyhedron = 0; polyhedron < mesh.nb_polyhedra(); ++polyhedron) {
    if (is_active(polyhedron)) volume += mesh.polyhedron_volume(polyhedron);
  }
  return volume;
}

template <typename Vertices>
std::vector<index_t> as_vector(const Vertices& vertices) {
  return {vertices.begin(), vertices.end()};
}

}  // namespace veyra::test
