// SPDX-License-Identifier: MIT
#include <veyra_testing/mesh_generators.h>

#include <cmath>

#include <absl/container/flat_hash_map.h>

#include <ostrel/basic/attribute_manager.h>
#include <ostrel/mesh/tetrahedral_solid_builder.h>
#include <ostrel/mesh/triangulated_surface_builder.h>

namespace veyra::testing {
namespace {

// Grid coordinate i / n computed the same way everywhere, so that two faces sharing a cube
// edge produce bitwise-equal points.
double fraction(index_t i, index_t n) { return static_cast<double>(i) / static_cast<double>(n); }

template <index_t D>
void add_grid_triangles(TriangulatedSurfaceBuilder<D>& builder, index_t first_vertex, index_t nx,
                        index_t ny) {
  const auto vertex = [&](index_t i, index_t j) { return first_vertex + j * (nx + 1) + i; };
  for (index_t j = 0; j < ny; ++j) {
    for (index_t i = 0; i < nx; ++i) {
      builder.create_triangle({vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1)});
      builder.create_triangle({vertex(i, j), vertex(i + 1, j + 1), vertex(i, j + 1)});
    }
  }
}

// A cube face: which axis is fixed, at which value, and the two in-plane axes in the order that
// makes (u x v) point outwards.
struct CubeFace {
  int fixed_axis;
  double value;
  int u_axis;
  int v_axis;
};

constexpr std::array<CubeFace, 6> cube_faces{{{0, 0., 2, 1},
                                              {0, 1., 1, 2},
                                              {1, 0., 0, 2},
                                              {1, 1., 2, 0},
                                              {2, 0., 1, 0},
                                              {2, 1., 0, 1}}};

Point<3> cube_face_point(const CubeFace& face, index_t i, index_t j, index_t n) {
  Point<3> point;
  point.set_value(face.fixed_axis, face.value);
  point.set_value(face.u_axis, fraction(i, n));
  point.set_value(face.v_axis, fraction(j, n));
  return point;
}

}  // namespace

std::unique_ptr<TriangulatedSurface<3>> make_grid_surface(index_t n, const Point<3>& origin,
                                                          const Point<3>& u, const Point<3>& v) {
  auto surface = TriangulatedSurface<3>::create();
  auto builder = TriangulatedSurfaceBuilder<3>::create(*surface);
  builder->create_vertices((n + 1) * (n + 1));
  for (index_t j = 0; j <= n; ++j) {
    for (index_t i = 0; i <= n; ++i) {
      builder->set_point(j * (n + 1) + i, origin + u * fraction(i, n) + v * fraction(j, n));
    }
  }
  builder->reserve_polygons(2 * n * n);
  add_grid_triangles(*builder, 0, n, n);
  builder->compute_polygon_adjacencies();
  return surface;
}

std::vector<std::unique_ptr<TriangulatedSurface<3>>> make_cube_faces(index_t n) {
  std::vector<std::unique_ptr<TriangulatedSurface<3>>> faces;
  for (const auto& face : cube_faces) {
    auto surface = TriangulatedSurface<3>::create();
    auto builder = TriangulatedSurfaceBuilder<3>::create(*surface);
    builder->create_vertices((n + 1) * (n + 1));
    for (index_t j = 0; j <= n; ++j) {
      for (index_t i = 0; i <= n; ++i) {
        builder->set_point(j * (n + 1) + i, cube_face_point(face, i, j, n));
      }
    }
    builder->reserve_polygons(2 * n * n);
    add_grid_triangles(*builder, 0, n, n);
    builder->compute_polygon_adjacencies();
    faces.push_back(std::move(surface));
  }
  return faces;
}

std::unique_ptr<TriangulatedSurface<3>> make_cube_surface(index_t n) {
  auto surface = TriangulatedSurface<3>::create();
  auto builder = TriangulatedSurfaceBuilder<3>::create(*surface);
  // Integer grid coordinates identify the points shared by several faces.
  absl::flat_hash_map<std::array<index_t, 3>, index_t> vertex_of;
  builder->reserve_polygons(12 * n * n);
  for (const auto& face : cube_faces) {
    std::vector<index_t> local((n + 1) * (n + 1));
    for (index_t j = 0; j <= n; ++j) {
      for (index_t i = 0; i <= n; ++i) {
        std::array<index_t, 3> key{};
        key[face.fixed_axis] = face.value == 0. ? 0 : n;
        key[face.u_axis] = i;
        key[face.v_axis] = j;
        const auto [found, inserted] = vertex_of.try_emplace(key, surface->nb_vertices());
        if (inserted) builder->create_point(cube_face_point(face, i, j, n));
        local[j * (n + 1) + i] = found->second;
      }
    }
    for (index_t j = 0; j < n; ++j) {
      for (index_t i = 0; i < n; ++i) {
        const auto corner = [&](index_t di, index_t dj) {
          return local[(j + dj) * (n + 1) + i + di];
        };
        builder->create_triangle({corner(0, 0), corner(1, 0), corner(1, 1)});
        builder->create_triangle({corner(0, 0), corner(1, 1), corner(0, 1)});
      }
    }
  }
  builder->compute_polygon_adjacencies();
  return surface;
}

std::unique_ptr<TriangulatedSurface<3>> make_sphere(index_t subdivisions, const Point<3>& center,
                                                    double radius) {
  const double phi = (1. + std::sqrt(5.)) / 2.;
  std::vector<Point<3>> points{
      Point<3>{{-1, phi, 0}}, Point<3>{{1, phi, 0}},   Point<3>{{-1, -phi, 0}},
      Point<3>{{1, -phi, 0}}, Point<3>{{0, -1, phi}},  Point<3>{{0, 1, phi}},
      Point<3>{{0, -1, -phi}}, Point<3>{{0, 1, -phi}}, Point<3>{{phi, 0, -1}},
      Point<3>{{phi, 0, 1}},  Point<3>{{-phi, 0, -1}}, Point<3>{{-phi, 0, 1}}};
  std::vector<std::array<index_t, 3>> triangles{
      {0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
      {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
      {3, 8, 9},  {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
  for (index_t level = 0; level < subdivisions; ++level) {
    absl::flat_hash_map<std::pair<index_t, index_t>, index_t> middle_of;
    const auto middle = [&](index_t a, index_t b) {
      const auto key = std::minmax(a, b);
      const auto [found, inserted] =
          middle_of.try_emplace({key.first, key.second}, static_cast<index_t>(points.size()));
      if (inserted) points.push_back((points[a] + points[b]) * 0.5);
      return found->second;
    };
    std::vector<std::array<index_t, 3>> refined;
    refined.reserve(triangles.size() * 4);
    for (const auto& [a, b, c] : triangles) {
      const auto ab = middle(a, b);
      const auto bc = middle(b, c);
      const auto ca = middle(c, a);
      refined.push_back({a, ab, ca});
      refined.push_back({b, bc, ab});
      refined.push_back({c, ca, bc});
      refined.push_back({ab, bc, ca});
    }
    triangles = std::move(refined);
  }
  auto surface = TriangulatedSurface<3>::create();
  auto builder = TriangulatedSurfaceBuilder<3>::create(*surface);
  for (const auto& point : points) {
    const Vector<3> direction{point};
    builder->create_point(center + direction.normalize() * radius);
  }
  builder->reserve_polygons(static_cast<index_t>(triangles.size()));
  for (const auto& triangle : triangles) builder->create_triangle(triangle);
  builder->compute_polygon_adjacencies();
  return surface;
}

std::unique_ptr<TriangulatedSurface<2>> make_grid_2d(index_t nx, index_t ny) {
  auto surface = TriangulatedSurface<2>::create();
  auto builder = TriangulatedSurfaceBuilder<2>::create(*surface);
  builder->create_vertices((nx + 1) * (ny + 1));
  for (index_t j = 0; j <= ny; ++j) {
    for (index_t i = 0; i <= nx; ++i) {
      builder->set_point(j * (nx + 1) + i,
                         Point<2>{{static_cast<double>(i), static_cast<double>(j)}});
    }
  }
  builder->reserve_polygons(2 * nx * ny);
  add_grid_triangles(*builder, 0, nx, ny);
  builder->compute_polygon_adjacencies();
  return surface;
}

void add_grid_regions(TriangulatedSurface<2>& grid, index_t nx, index_t ny, index_t regions_x,
                      index_t regions_y, std::string_view name) {
  auto regions = grid.polygon_attribute_manager()
                     .find_or_create_attribute<VariableAttribute, index_t>(name, 0);
  for (index_t j = 0; j < ny; ++j) {
    const auto region_j = j * regions_y / ny;
    for (index_t i = 0; i < nx; ++i) {
      const auto region = region_j * regions_x + i * regions_x / nx;
      const auto first_triangle = 2 * (j * nx + i);
      regions->set_value(first_triangle, region);
      regions->set_value(first_triangle + 1, region);
    }
  }
}

std::unique_ptr<TetrahedralSolid<3>> make_box_tetrahedra(index_t nx, index_t ny, index_t nz,
                                                         const Point<3>& min,
                                                         const Point<3>& max) {
  const std::array<index_t, 3> cells{nx, ny, nz};
  const auto vertex = [&](const std::array<index_t, 3>& corner) {
    return (corner[2] * (ny + 1) + corner[1]) * (nx + 1) + corner[0];
  };
  auto solid = TetrahedralSolid<3>::create();
  auto builder = TetrahedralSolidBuilder<3>::create(*solid);
  builder->reserve_vertices((nx + 1) * (ny + 1) * (nz + 1));
  for (index_t z = 0; z <= nz; ++z) {
    for (index_t y = 0; y <= ny; ++y) {
      for (index_t x = 0; x <= nx; ++x) {
        const std::array<index_t, 3> corner{x, y, z};
        Point<3> point;
        for (int axis = 0; axis < 3; ++axis) {
          const double t = fraction(corner[axis], cells[axis]);
          point.set_value(axis, (1. - t) * min.value(axis) + t * max.value(axis));
        }
        builder->create_point(point);
      }
    }
  }
  // Walking from the smallest corner along the axes in each of the six orders gives the six
  // tetrahedra; an odd order gives a negative volume, fixed by swapping the last two vertices.
  struct AxisOrder {
    std::array<int, 3> axes;
    bool odd;
  };
  static constexpr std::array<AxisOrder, 6> orders{{{{0, 1, 2}, false},
                                                    {{0, 2, 1}, true},
                                                    {{1, 0, 2}, true},
                                                    {{1, 2, 0}, false},
                                                    {{2, 0, 1}, false},
                                                    {{2, 1, 0}, true}}};
  builder->reserve_polyhedra(6 * nx * ny * nz);
  for (index_t z = 0; z < nz; ++z) {
    for (index_t y = 0; y < ny; ++y) {
      for (index_t x = 0; x < nx; ++x) {
        for (const auto& order : orders) {
          std::array<index_t, 3> corner{x, y, z};
          std::array<index_t, 4> tetrahedron{vertex(corner), 0, 0, 0};
          for (int step = 0; step < 3; ++step) {
            ++corner[order.axes[step]];
            tetrahedron[step + 1] = vertex(corner);
          }
          if (order.odd) std::swap(tetrahedron[2], tetrahedron[3]);
          builder->create_tetrahedron(tetrahedron);
        }
      }
    }
  }
  builder->compute_polyhedron_adjacencies();
  return solid;
}

void add_box_regions(TetrahedralSolid<3>& box, index_t regions_x, index_t regions_y,
                     std::string_view name) {
  auto regions =
      box.polyhedron_attribute_manager().find_or_create_attribute<VariableAttribute, int>(name, 0);
  for (index_t p = 0; p < box.nb_polyhedra(); ++p) {
    const auto center = box.polyhedron_barycenter(p);
    const auto column = static_cast<int>(center.value(0) * regions_x);
    const auto row = static_cast<int>(center.value(1) * regions_y);
    regions->set_value(p, row * static_cast<int>(regions_x) + column);
  }
}

}  // namespace veyra::testing
