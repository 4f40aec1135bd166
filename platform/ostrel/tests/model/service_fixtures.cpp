// SPDX-License-Identifier: MIT
#include "service_fixtures.h"

#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>

namespace veyra::test {
namespace {

/// Lattice points of the cube with lowest vertex `lowest`, in decreasing order.
std::array<index_t, 8> cube_points(index_t lowest) {
  std::array<index_t, 8> points{};
  for (index_t k = 0; k < 8; ++k) {
    const index_t corner = 7 - k;
    points[k] = lowest + (corner & 1) + 3 * ((corner >> 1) & 1) + 6 * ((corner >> 2) & 1);
  }
  return points;
}

}  // namespace

Point<3> lattice_point(index_t vertex) {
  return Point<3>{{double(vertex % 3), double((vertex / 3) % 2), double(vertex / 6)}};
}

std::vector<std::array<index_t, 4>> cube_tetrahedra(index_t lowest_vertex) {
  std::vector<std::array<index_t, 4>> tetrahedra;
  for (const index_t a : {1u, 3u, 6u}) {
    for (const index_t b : {1u, 3u, 6u}) {
      if (a == b) continue;
      tetrahedra.push_back(
          {lowest_vertex, lowest_vertex + a, lowest_vertex + a + b, lowest_vertex + 10});
    }
  }
  return tetrahedra;
}

index_t block_vertex(index_t block, index_t vertex) {
  return cube_points(block)[vertex];
}

TwoCubes make_two_cubes(bool one_block, const std::vector<MeshImpl>& impls) {
  TwoCubes cubes;
  auto& brep = cubes.brep;
  BRepBuilder builder{brep};
  builder.create_unique_vertices(13);

  cubes.corner = builder.add_corner();
  builder.corner_mesh_builder(cubes.corner)->create_point(lattice_point(0));
  builder.set_unique_vertex({brep.corner(cubes.corner).component_id(), 0}, 0);

  cubes.line = builder.add_line();
  {
    auto mesh = builder.line_mesh_builder(cubes.line);
    mesh->create_point(lattice_point(1));
    mesh->create_point(lattice_point(4));
    mesh->create_edge(0, 1);
    builder.set_unique_vertex({brep.line(cubes.line).component_id(), 0}, 1);
    builder.set_unique_vertex({brep.line(cubes.line).component_id(), 1}, 4);
  }

  cubes.interface = builder.add_surface();
  {
    auto mesh = builder.surface_mesh_builder(cubes.interface);
    for (const auto vertex : TwoCubes::interface_vertices)
      mesh->create_point(lattice_point(vertex));
    mesh->create_polygon(std::vector<index_t>{0, 1, 3});
    mesh->create_polygon(std::vector<index_t>{0, 3, 2});
    mesh->compute_polygon_adjacencies();
    for (index_t k = 0; k < 4; ++k) {
      builder.set_unique_vertex({brep.surface(cubes.interface).component_id(), k},
                                TwoCubes::interface_vertices[k]);
    }
  }
  const auto& interface = brep.surface(cubes.interface);

  const std::vector<std::vector<local_index_t>> facets{{1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}};
  if (one_block) {
    cubes.blocks.push_back(builder.add_block(impls.at(0)));
    const auto& block = brep.block(cubes.blocks[0]);
    auto mesh = builder.block_mesh_builder(block.id());
    for (index_t vertex = 0; vertex < 12; ++vertex) mesh->create_point(lattice_point(vertex));
    for (const index_t lowest : {0u, 1u}) {
      for (const auto& tetrahedron : cube_tetrahedra(lowest)) {
        mesh->create_polyhedron(tetrahedron, facets);
      }
    }
    mesh->compute_polyhedron_adjacencies();
    for (index_t vertex = 0; vertex < 12; ++vertex) {
      builder.set_unique_vertex({block.component_id(), vertex}, vertex);
    }
    builder.add_surface_block_internal_relationship(interface, block);
    return cubes;
  }
  for (const index_t lowest : {0u, 1u}) {
    cubes.blocks.push_back(builder.add_block(impls.at(lowest)));
    const auto& block = brep.block(cubes.blocks.back());
    auto mesh = builder.block_mesh_builder(block.id());
    const auto points = cube_points(lowest);
    std::array<index_t, 12> local_of{};
    for (index_t k = 0; k < 8; ++k) {
      mesh->create_point(lattice_point(points[k]));
      local_of[points[k]] = k;
      builder.set_unique_vertex({block.component_id(), k}, points[k]);
    }
    // A polyhedral block lists its facets in another order, which conversions must keep; a
    // tetrahedral one ignores the lists.
    const std::vector<std::vector<local_index_t>> rotated_facets{
        {0, 2, 1}, {1, 2, 3}, {0, 3, 2}, {0, 1, 3}};
    for (const auto& tetrahedron : cube_tetrahedra(lowest)) {
      std::vector<index_t> local;
      for (const auto vertex : tetrahedron) local.push_back(local_of[vertex]);
      mesh->create_polyhedron(local, rotated_facets);
    }
    mesh->compute_polyhedron_adjacencies();
    builder.add_surface_block_boundary_relationship(interface, block);
  }
  return cubes;
}

}  // namespace veyra::test
