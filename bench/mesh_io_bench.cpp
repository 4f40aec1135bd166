// SPDX-License-Identifier: MIT
// Exchange formats: reading Gmsh MSH 4.1 and writing binary VTK XML for Kuhn grids of
// tetrahedra (6 per cube, up to about a million) and triangle grids (2 per square, up to about
// a million); the files are generated once per size, outside the timed loops.
#include <benchmark/benchmark.h>

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include <ostrel/mesh/io/read_mesh.h>
#include <ostrel/mesh/io/write_mesh.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/mesh/triangulated_surface_builder.h>

#include "bench_support.h"

namespace {

using veyra::index_t;

/// n^3 cubes of [0, 1]^3, each cut into the six tetrahedra around its main diagonal.
std::unique_ptr<veyra::TetrahedralSolid<3>> kuhn_grid(index_t n) {
  auto mesh = veyra::TetrahedralSolid<3>::create();
  auto builder = veyra::SolidMeshBuilder<3>::create(*mesh);
  const auto vertex = [n](index_t x, index_t y, index_t z) {
    return (z * (n + 1) + y) * (n + 1) + x;
  };
  builder->reserve_vertices((n + 1) * (n + 1) * (n + 1));
  for (index_t z = 0; z <= n; ++z) {
    for (index_t y = 0; y <= n; ++y) {
      for (index_t x = 0; x <= n; ++x) {
        builder->create_point(veyra::Point<3>{{1. * x / n, 1. * y / n, 1. * z / n}});
      }
    }
  }
  static constexpr std::array<std::array<int, 3>, 6> axis_orders{
      {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}}};
  builder->reserve_polyhedra(6 * n * n * n);
  for (index_t z = 0; z < n; ++z) {
    for (index_t y = 0; y < n; ++y) {
      for (index_t x = 0; x < n; ++x) {
        for (const auto& order : axis_orders) {
          std::array<index_t, 3> corner{x, y, z};
          std::array<index_t, 4> tetrahedron{vertex(x, y, z)};
          for (int step = 0; step < 3; ++step) {
            ++corner[order[step]];
            tetrahedron[step + 1] = vertex(corner[0], corner[1], corner[2]);
          }
          builder->create_polyhedron(tetrahedron, {});
        }
      }
    }
  }
  builder->compute_polyhedron_adjacencies();
  return mesh;
}

/// An n x n grid of squares of [0, 1]^2, two triangles each.
std::unique_ptr<veyra::TriangulatedSurface<3>> triangle_grid(index_t n) {
  auto mesh = veyra::TriangulatedSurface<3>::create();
  auto builder = veyra::TriangulatedSurfaceBuilder<3>::create(*mesh);
  builder->reserve_vertices((n + 1) * (n + 1));
  for (index_t row = 0; row <= n; ++row) {
    for (index_t column = 0; column <= n; ++column) {
      builder->create_point(veyra::Point<3>{{1. * column / n, 1. * row / n, 0.}});
    }
  }
  builder->reserve_polygons(2 * n * n);
  const auto vertex = [n](index_t row, index_t column) { return row * (n + 1) + column; };
  for (index_t row = 0; row < n; ++row) {
    for (index_t column = 0; column < n; ++column) {
      builder->create_triangle(
          {vertex(row, column), vertex(row, column + 1), vertex(row + 1, column + 1)});
      builder->create_triangle(
          {vertex(row, column), vertex(row + 1, column + 1), vertex(row + 1, column)});
    }
  }
  builder->compute_polygon_adjacencies();
  return mesh;
}

std::string scratch_file(std::string_view name) {
  return (std::filesystem::temp_directory_path() /
          veyra::str_cat("veyra_io_bench_", ::getpid(), "_", name))
      .string();
}

void BM_ReadMshTetrahedra(benchmark::State& state) {
  const auto n = static_cast<index_t>(state.range(0));
  const auto path = scratch_file(veyra::str_cat("tets_", n, ".msh"));
  veyra::write_mesh(*kuhn_grid(n), path);
  for (auto _ : state) {
    const auto mesh = veyra::read_mesh(path);
    benchmark::DoNotOptimize(mesh.vertex_set().nb_vertices());
  }
  std::filesystem::remove(path);
  veyra::bench::report(state, 6. * n * n * n);
}
BENCHMARK(BM_ReadMshTetrahedra)->Arg(14)->Arg(28)->Arg(56)->Unit(benchmark::kMillisecond);

void BM_WriteVtuTetrahedra(benchmark::State& state) {
  const auto n = static_cast<index_t>(state.range(0));
  const auto mesh = kuhn_grid(n);
  const auto path = scratch_file(veyra::str_cat("tets_", n, ".vtu"));
  for (auto _ : state) veyra::write_mesh(*mesh, path);
  std::filesystem::remove(path);
  veyra::bench::report(state, 6. * n * n * n);
}
BENCHMARK(BM_WriteVtuTetrahedra)->Arg(14)->Arg(28)->Arg(56)->Unit(benchmark::kMillisecond);

void BM_ReadVtuTetrahedra(benchmark::State& state) {
  const auto n = static_cast<index_t>(state.range(0));
  const auto path = scratch_file(veyra::str_cat("tets_read_", n, ".vtu"));
  veyra::write_mesh(*kuhn_grid(n), path);
  for (auto _ : state) {
    const auto mesh = veyra::read_mesh(path);
    benchmark::DoNotOptimize(mesh.vertex_set().nb_vertices());
  }
  std::filesystem::remove(path);
  veyra::bench::report(state, 6. * n * n * n);
}
BENCHMARK(BM_ReadVtuTetrahedra)->Arg(14)->Arg(56)->Unit(benchmark::kMillisecond);

void BM_WriteMshTetrahedra(benchmark::State& state) {
  const auto n = static_cast<index_t>(state.range(0));
  const auto mesh = kuhn_grid(n);
  const auto path = scratch_file(veyra::str_cat("tets_write_", n, ".msh"));
  for (auto _ : state) veyra::write_mesh(*mesh, path);
  std::filesystem::remove(path);
  veyra::bench::report(state, 6. * n * n * n);
}
BENCHMARK(BM_WriteMshTetrahedra)->Arg(14)->Arg(56)->Unit(benchmark::kMillisecond);

void BM_ReadMshTriangles(benchmark::State& state) {
  const auto n = static_cast<index_t>(state.range(0));
  const auto path = scratch_file(veyra::str_cat("triangles_", n, ".msh"));
  veyra::write_mesh(*triangle_grid(n), path);
  for (auto _ : state) {
    const auto mesh = veyra::read_mesh(path);
    benchmark::DoNotOptimize(mesh.vertex_set().nb_vertices());
  }
  std::filesystem::remove(path);
  veyra::bench::report(state, 2. * n * n);
}
BENCHMARK(BM_ReadMshTriangles)->Arg(100)->Arg(250)->Arg(708)->Unit(benchmark::kMillisecond);

void BM_WriteVtuTriangles(benchmark::State& state) {
  const auto n = static_cast<index_t>(state.range(0));
  const auto mesh = triangle_grid(n);
  const auto path = scratch_file(veyra::str_cat("triangles_", n, ".vtu"));
  for (auto _ : state) veyra::write_mesh(*mesh, path);
  std::filesystem::remove(path);
  veyra::bench::report(state, 2. * n * n);
}
BENCHMARK(BM_WriteVtuTriangles)->Arg(100)->Arg(250)->Arg(708)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
