// SPDX-License-Identifier: MIT
// Small surfaces built in code for the mesh tests.
#pragma once

#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/mesh/surface_mesh_builder.h>

namespace veyra::test {

using Polygons = std::vector<std::vector<index_t>>;

/// A polygonal surface with the given points and polygons, adjacency computed on request.
inline std::unique_ptr<SurfaceMesh<3>> make_surface(const std::vector<Point<3>>& points,
                                                    const Polygons& polygons,
                                                    bool with_adjacency = true) {
  auto mesh = SurfaceMesh<3>::create();
  auto builder = SurfaceMeshBuilder<3>::create(*mesh);
  for (const auto& point : points) builder->create_point(point);
  for (const auto& polygon : polygons) builder->create_polygon(polygon);
  if (with_adjacency) builder->compute_polygon_adjacencies();
  return mesh;
}

inline std::vector<Point<3>> unit_cube_points() {
  std::vector<Point<3>> points;
  for (index_t i = 0; i < 8; ++i) {
    points.emplace_back(std::array<double, 3>{1. * (i & 1), 1. * ((i >> 1) & 1), 1. * (i >> 2)});
  }
  return points;
}

/// The six quads of the unit cube [0, 1]^3, facing outwards.
inline const Polygons& unit_cube_quads() {
  static const Polygons quads{{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                              {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  return quads;
}

/// A UV sphere of radius 1 around the origin, triangles facing outwards.
inline std::unique_ptr<SurfaceMesh<3>> make_sphere(index_t nb_slices, index_t nb_stacks) {
  std::vector<Point<3>> points{Point<3>{{0., 0., 1.}}, Point<3>{{0., 0., -1.}}};
  for (index_t stack = 1; stack < nb_stacks; ++stack) {
    const double theta = M_PI * stack / nb_stacks;
    for (index_t slice = 0; slice < nb_slices; ++slice) {
      const double phi = 2. * M_PI * slice / nb_slices;
      points.emplace_back(std::array<double, 3>{std::sin(theta) * std::cos(phi),
                                                std::sin(theta) * std::sin(phi),
                                                std::cos(theta)});
    }
  }
  const auto ring = [&](index_t stack, index_t slice) {
    return 2 + (stack - 1) * nb_slices + slice % nb_slices;
  };
  Polygons triangles;
  for (index_t slice = 0; slice < nb_slices; ++slice) {
    triangles.push_back({0, ring(1, slice), ring(1, slice + 1)});
    triangles.push_back({1, ring(nb_stacks - 1, slice + 1), ring(nb_stacks - 1, slice)});
    for (index_t stack = 1; stack + 1 < nb_stacks; ++stack) {
      triangles.push_back({ring(stack, slice), ring(stack + 1, slice), ring(stack + 1, slice + 1)});
      triangles.push_back({ring(stack, slice), ring(stack + 1, slice + 1), ring(stack, slice + 1)});
    }
  }
  return make_surface(points, triangles);
}

}  // namespace veyra::test
