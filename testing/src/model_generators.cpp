// SPDX-License-Identifier: MIT
#include <veyra_testing/model_generators.h>

#include <utility>
#include <vector>

#include <ostrel/basic/str_cat.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section_builder.h>
#include <veyra_testing/mesh_generators.h>

namespace veyra::testing {
namespace {

// Adds a corner on `point` tied to `unique_vertex`.
template <typename Model>
uuid add_corner(Model& model, typename Model::Builder& builder,
                const Point<Model::dim>& point, index_t unique_vertex) {
  const auto id = builder.add_corner();
  builder.corner_mesh_builder(id)->create_point(point);
  builder.set_unique_vertex({model.corner(id).component_id(), 0}, unique_vertex);
  return id;
}

// Adds a line through the lattice points `chain` (their points given by `point`), bounded by
// the two corners.
template <typename Model, typename PointOf>
uuid add_line(Model& model, typename Model::Builder& builder, const std::vector<index_t>& chain,
              const PointOf& point, const uuid& first_corner, const uuid& last_corner) {
  const auto id = builder.add_line();
  {
    auto mesh = builder.line_mesh_builder(id);
    for (const auto lattice : chain) mesh->create_point(point(lattice));
    for (index_t edge = 0; edge + 1 < chain.size(); ++edge) mesh->create_edge(edge, edge + 1);
  }
  const auto& line = model.line(id);
  for (index_t vertex = 0; vertex < chain.size(); ++vertex) {
    builder.set_unique_vertex({line.component_id(), vertex}, chain[vertex]);
  }
  builder.add_corner_line_boundary_relationship(model.corner(first_corner), line);
  builder.add_corner_line_boundary_relationship(model.corner(last_corner), line);
  return id;
}

// Adds a triangulated surface made of the lattice triangles, each lattice point becoming one
// surface vertex tied to it.
template <typename Model, typename PointOf>
uuid add_surface(Model& model, typename Model::Builder& builder,
                 const std::vector<std::array<index_t, 3>>& triangles, index_t nb_lattice_points,
                 const PointOf& point) {
  const auto id =
      builder.add_surface(MeshImpl{str_cat("OstrelTriangulatedSurface", Model::dim, "D")});
  std::vector<index_t> lattice_to_vertex(nb_lattice_points, NO_ID);
  std::vector<index_t> vertex_to_lattice;
  {
    auto mesh = builder.surface_mesh_builder(id);
    mesh->reserve_polygons(static_cast<index_t>(triangles.size()));
    for (const auto& triangle : triangles) {
      std::array<index_t, 3> vertices;
      for (index_t k = 0; k < 3; ++k) {
        auto& vertex = lattice_to_vertex[triangle[k]];
        if (vertex == NO_ID) {
          vertex = mesh->create_point(point(triangle[k]));
          vertex_to_lattice.push_back(triangle[k]);
        }
        vertices[k] = vertex;
      }
      mesh->create_polygon(vertices);
    }
    mesh->compute_polygon_adjacencies();
  }
  const auto& surface = model.surface(id);
  for (index_t vertex = 0; vertex < vertex_to_lattice.size(); ++vertex) {
    builder.set_unique_vertex({surface.component_id(), vertex}, vertex_to_lattice[vertex]);
  }
  return id;
}

}  // namespace

BoxBRep make_box_brep(index_t nx, index_t ny, index_t nz, const Point<3>& min,
                      const Point<3>& max) {
  BoxBRep box;
  auto& model = box.brep;
  BRepBuilder builder{model};
  auto solid = make_box_tetrahedra(nx, ny, nz, min, max);
  const std::array<index_t, 3> cells{nx, ny, nz};
  const auto lattice = [&](const std::array<index_t, 3>& coordinates) {
    return (coordinates[2] * (ny + 1) + coordinates[1]) * (nx + 1) + coordinates[0];
  };
  const auto coordinates = [&](index_t point) {
    return std::array<index_t, 3>{point % (nx + 1), (point / (nx + 1)) % (ny + 1),
                                  point / ((nx + 1) * (ny + 1))};
  };
  const auto nb_points = solid->nb_vertices();
  const auto point_of = [&](index_t point) { return solid->point(point); };
  builder.create_unique_vertices(nb_points);

  for (index_t corner = 0; corner < 8; ++corner) {
    std::array<index_t, 3> at{};
    for (index_t axis = 0; axis < 3; ++axis) at[axis] = (corner >> axis) & 1 ? cells[axis] : 0;
    box.corners[corner] = add_corner(model, builder, point_of(lattice(at)), lattice(at));
  }
  for (index_t axis = 0; axis < 3; ++axis) {
    const index_t low_axis = axis == 0 ? 1 : 0;
    const index_t high_axis = axis == 2 ? 1 : 2;
    for (index_t rank = 0; rank < 4; ++rank) {
      std::array<index_t, 3> at{};
      at[low_axis] = rank & 1 ? cells[low_axis] : 0;
      at[high_axis] = rank & 2 ? cells[high_axis] : 0;
      std::vector<index_t> chain;
      for (index_t step = 0; step <= cells[axis]; ++step) {
        at[axis] = step;
        chain.push_back(lattice(at));
      }
      const auto corner_bits = ((rank & 1) << low_axis) | (((rank >> 1) & 1) << high_axis);
      box.lines[axis * 4 + rank] =
          add_line(model, builder, chain, point_of, box.corners[corner_bits],
                   box.corners[corner_bits | (1u << axis)]);
    }
  }

  // Border facets, sorted by side.
  std::array<std::vector<std::array<index_t, 3>>, 6> side_triangles;
  for (index_t polyhedron = 0; polyhedron < solid->nb_polyhedra(); ++polyhedron) {
    for (local_index_t facet = 0; facet < 4; ++facet) {
      if (!solid->is_polyhedron_facet_on_border({polyhedron, facet})) continue;
      const auto vertices = solid->polyhedron_facet_vertices({polyhedron, facet});
      const std::array<index_t, 3> triangle{vertices[0], vertices[1], vertices[2]};
      for (index_t side = 0; side < 6; ++side) {
        const auto axis = side / 2;
        const auto value = side % 2 == 0 ? 0 : cells[axis];
        if (coordinates(triangle[0])[axis] == value && coordinates(triangle[1])[axis] == value &&
            coordinates(triangle[2])[axis] == value) {
          side_triangles[side].push_back(triangle);
          break;
        }
      }
    }
  }
  box.boundary = builder.add_model_boundary();
  const auto& boundary = model.model_boundary(box.boundary);
  for (index_t side = 0; side < 6; ++side) {
    box.surfaces[side] = add_surface(model, builder, side_triangles[side], nb_points, point_of);
    const auto& surface = model.surface(box.surfaces[side]);
    const auto axis = side / 2;
    const auto value = side % 2;
    for (index_t line_axis = 0; line_axis < 3; ++line_axis) {
      if (line_axis == axis) continue;
      const index_t low_axis = line_axis == 0 ? 1 : 0;
      for (index_t rank = 0; rank < 4; ++rank) {
        const auto bit = axis == low_axis ? rank & 1 : (rank >> 1) & 1;
        if (bit == value) {
          builder.add_line_surface_boundary_relationship(model.line(box.lines[line_axis * 4 + rank]),
                                                         surface);
        }
      }
    }
    builder.add_surface_in_model_boundary(surface, boundary);
  }

  box.block = builder.add_block(TetrahedralSolid<3>::create()->impl_name());
  builder.update_block_mesh(model.block(box.block), std::move(solid));
  const auto& block = model.block(box.block);
  for (index_t point = 0; point < nb_points; ++point) {
    builder.set_unique_vertex({block.component_id(), point}, point);
  }
  for (const auto& id : box.surfaces) {
    builder.add_surface_block_boundary_relationship(model.surface(id), block);
  }
  return box;
}

TwoSquaresSection make_two_squares_section(index_t n) {
  TwoSquaresSection result;
  auto& model = result.section;
  SectionBuilder builder{model};
  const auto width = 2 * n + 1;
  const auto lattice = [&](index_t x, index_t y) { return y * width + x; };
  const auto point_of = [&](index_t point) {
    return Point<2>{{static_cast<double>(point % width) / static_cast<double>(n),
                     static_cast<double>(point / width) / static_cast<double>(n)}};
  };
  builder.create_unique_vertices(width * (n + 1));

  const std::array<std::array<index_t, 2>, 6> corner_cells{
      {{0, 0}, {n, 0}, {2 * n, 0}, {2 * n, n}, {n, n}, {0, n}}};
  for (index_t corner = 0; corner < 6; ++corner) {
    const auto point = lattice(corner_cells[corner][0], corner_cells[corner][1]);
    result.corners[corner] = add_corner(model, builder, point_of(point), point);
  }
  const std::array<std::array<index_t, 2>, 7> line_corners{
      {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 0}, {1, 4}}};
  for (index_t line = 0; line < 7; ++line) {
    const auto& from = corner_cells[line_corners[line][0]];
    const auto& to = corner_cells[line_corners[line][1]];
    std::vector<index_t> chain;
    for (index_t step = 0; step <= n; ++step) {
      const auto along = [&](index_t a, index_t b) { return (a * (n - step) + b * step) / n; };
      chain.push_back(lattice(along(from[0], to[0]), along(from[1], to[1])));
    }
    result.lines[line] = add_line(model, builder, chain, point_of, result.corners[line_corners[line][0]],
                                  result.corners[line_corners[line][1]]);
  }
  const std::array<std::array<index_t, 4>, 2> surface_lines{{{0, 6, 4, 5}, {1, 2, 3, 6}}};
  for (index_t square = 0; square < 2; ++square) {
    std::vector<std::array<index_t, 3>> triangles;
    for (index_t y = 0; y < n; ++y) {
      for (index_t x = square * n; x < (square + 1) * n; ++x) {
        triangles.push_back({lattice(x, y), lattice(x + 1, y), lattice(x + 1, y + 1)});
        triangles.push_back({lattice(x, y), lattice(x + 1, y + 1), lattice(x, y + 1)});
      }
    }
    result.surfaces[square] = add_surface(model, builder, triangles, width * (n + 1), point_of);
    const auto& surface = model.surface(result.surfaces[square]);
    for (const auto line : surface_lines[square]) {
      builder.add_line_surface_boundary_relationship(model.line(result.lines[line]), surface);
    }
  }
  result.boundary = builder.add_model_boundary();
  for (index_t line = 0; line < 6; ++line) {
    builder.add_line_in_model_boundary(model.line(result.lines[line]),
                                       model.model_boundary(result.boundary));
  }
  return result;
}

}  // namespace veyra::testing
