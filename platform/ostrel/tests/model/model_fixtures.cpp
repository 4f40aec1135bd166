// SPDX-License-Identifier: MIT
#include "model_fixtures.h"

#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section_builder.h>

namespace veyra::test {
namespace {

Point<3> cube_point(index_t vertex) {
  return Point<3>{{double(vertex & 1), double((vertex >> 1) & 1), double((vertex >> 2) & 1)}};
}

}  // namespace

Cube make_cube() {
  Cube cube;
  BRepBuilder builder{cube.brep};
  builder.set_name("cube");
  index_t nb_lines = 0;
  for (index_t a = 0; a < 8; ++a) {
    for (const index_t bit : {1u, 2u, 4u}) {
      if ((a & bit) == 0) cube.line_ends[nb_lines++] = {a, a | bit};
    }
  }
  // Faces: for each axis and side, the four vertices in cyclic order.
  index_t nb_faces = 0;
  for (const index_t bit : {1u, 2u, 4u}) {
    const index_t u = bit == 1 ? 2 : 1;
    const index_t v = bit == 4 ? 2 : 4;
    for (const index_t side : {0u, bit}) {
      cube.face_vertices[nb_faces++] = {side, side | u, side | u | v, side | v};
    }
  }

  builder.create_unique_vertices(8);
  for (index_t c = 0; c < 8; ++c) {
    cube.corners[c] = builder.add_corner();
    builder.set_corner_name(cube.corners[c], "corner" + std::to_string(c));
    builder.corner_mesh_builder(cube.corners[c])->create_point(cube_point(c));
    const auto& corner = cube.brep.corner(cube.corners[c]);
    builder.set_unique_vertex({corner.component_id(), 0}, c);
  }
  for (index_t l = 0; l < 12; ++l) {
    cube.lines[l] = builder.add_line();
    auto mesh = builder.line_mesh_builder(cube.lines[l]);
    const auto [a, b] = cube.line_ends[l];
    mesh->create_point(cube_point(a));
    mesh->create_point(cube_point(b));
    mesh->create_edge(0, 1);
    const auto& line = cube.brep.line(cube.lines[l]);
    builder.add_corner_line_boundary_relationship(cube.brep.corner(cube.corners[a]), line);
    builder.add_corner_line_boundary_relationship(cube.brep.corner(cube.corners[b]), line);
    builder.set_unique_vertex({line.component_id(), 0}, a);
    builder.set_unique_vertex({line.component_id(), 1}, b);
  }
  cube.boundary = builder.add_model_boundary();
  builder.set_model_boundary_name(cube.boundary, "outside");
  for (index_t f = 0; f < 6; ++f) {
    cube.surfaces[f] = builder.add_surface();
    auto mesh = builder.surface_mesh_builder(cube.surfaces[f]);
    for (const auto vertex : cube.face_vertices[f]) mesh->create_point(cube_point(vertex));
    mesh->create_polygon(std::vector<index_t>{0, 1, 2});
    mesh->create_polygon(std::vector<index_t>{0, 2, 3});
    mesh->compute_polygon_adjacencies();
    const auto& surface = cube.brep.surface(cube.surfaces[f]);
    for (index_t k = 0; k < 4; ++k) {
      const auto a = cube.face_vertices[f][k];
      const auto b = cube.face_vertices[f][(k + 1) % 4];
      for (index_t l = 0; l < 12; ++l) {
        const auto& ends = cube.line_ends[l];
        if ((ends[0] == a && ends[1] == b) || (ends[0] == b && ends[1] == a)) {
          builder.add_line_surface_boundary_relationship(cube.brep.line(cube.lines[l]), surface);
        }
      }
      builder.set_unique_vertex({surface.component_id(), k}, a);
    }
    builder.add_surface_in_model_boundary(surface, cube.brep.model_boundary(cube.boundary));
  }
  // Six tetrahedra (0, a, a | b, 7), one per order of the three axes.
  cube.block = builder.add_block(MeshImpl{"OstrelTetrahedralSolid3D"});
  {
    auto mesh = builder.block_mesh_builder(cube.block);
    for (index_t vertex = 0; vertex < 8; ++vertex) mesh->create_point(cube_point(vertex));
    const std::vector<std::vector<local_index_t>> facets{
        {1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}};
    for (const index_t a : {1u, 2u, 4u}) {
      for (const index_t b : {1u, 2u, 4u}) {
        if (a != b) mesh->create_polyhedron(std::vector<index_t>{0, a, a | b, 7}, facets);
      }
    }
    mesh->compute_polyhedron_adjacencies();
  }
  const auto& block = cube.brep.block(cube.block);
  for (const auto& surface : cube.brep.surfaces()) {
    builder.add_surface_block_boundary_relationship(surface, block);
  }
  for (index_t vertex = 0; vertex < 8; ++vertex) {
    builder.set_unique_vertex({block.component_id(), vertex}, vertex);
  }
  cube.line_collection = builder.add_line_collection();
  const auto& collection = cube.brep.line_collection(cube.line_collection);
  builder.add_line_in_line_collection(cube.brep.line(cube.lines[0]), collection);
  builder.add_line_in_line_collection(cube.brep.line(cube.lines[1]), collection);
  return cube;
}

Square make_square() {
  Square square;
  SectionBuilder builder{square.section};
  const std::array<Point<2>, 6> points{Point<2>{{0, 0}}, Point<2>{{0.5, 0}}, Point<2>{{1, 0}},
                                       Point<2>{{1, 1}}, Point<2>{{0.5, 1}}, Point<2>{{0, 1}}};
  const std::array<std::array<index_t, 2>, 7> line_ends{
      {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 0}, {1, 4}}};
  const std::array<std::array<index_t, 4>, 2> quads{{{0, 1, 4, 5}, {1, 2, 3, 4}}};
  builder.create_unique_vertices(6);
  for (index_t c = 0; c < 6; ++c) {
    square.corners[c] = builder.add_corner();
    builder.corner_mesh_builder(square.corners[c])->create_point(points[c]);
    builder.set_unique_vertex({square.section.corner(square.corners[c]).component_id(), 0}, c);
  }
  for (index_t l = 0; l < 7; ++l) {
    square.lines[l] = builder.add_line();
    auto mesh = builder.line_mesh_builder(square.lines[l]);
    mesh->create_point(points[line_ends[l][0]]);
    mesh->create_point(points[line_ends[l][1]]);
    mesh->create_edge(0, 1);
    const auto& line = square.section.line(square.lines[l]);
    for (index_t end = 0; end < 2; ++end) {
      const auto corner = line_ends[l][end];
      builder.add_corner_line_boundary_relationship(square.section.corner(square.corners[corner]),
                                                    line);
      builder.set_unique_vertex({line.component_id(), end}, corner);
    }
  }
  const std::array<std::array<index_t, 4>, 2> surface_lines{{{0, 6, 4, 5}, {1, 2, 3, 6}}};
  for (index_t s = 0; s < 2; ++s) {
    square.surfaces[s] = builder.add_surface();
    auto mesh = builder.surface_mesh_builder(square.surfaces[s]);
    for (const auto corner : quads[s]) mesh->create_point(points[corner]);
    mesh->create_polygon(std::vector<index_t>{0, 1, 2});
    mesh->create_polygon(std::vector<index_t>{0, 2, 3});
    mesh->compute_polygon_adjacencies();
    const auto& surface = square.section.surface(square.surfaces[s]);
    for (const auto l : surface_lines[s]) {
      builder.add_line_surface_boundary_relationship(square.section.line(square.lines[l]), surface);
    }
    for (index_t k = 0; k < 4; ++k) {
      builder.set_unique_vertex({surface.component_id(), k}, quads[s][k]);
    }
  }
  return square;
}

}  // namespace veyra::test
