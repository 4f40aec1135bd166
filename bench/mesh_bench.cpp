// SPDX-License-Identifier: MIT
// Mesh layer: building large triangulated grids (creation, adjacency, edge table) and point in
// closed surface queries on spheres of growing resolution.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include <ostrel/mesh/is_point_inside_closed_surface.h>
#include <ostrel/mesh/mesh_aabb_tree.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/mesh/triangulated_surface_builder.h>

#include "bench_support.h"

namespace {

using veyra::index_t;

/// Points and triangles of an n x n grid of squares, two triangles each.
struct Grid {
  explicit Grid(index_t n) {
    for (index_t row = 0; row <= n; ++row) {
      for (index_t column = 0; column <= n; ++column) {
        points.push_back(veyra::Point<3>{{1. * column, 1. * row, 0.01 * ((row * column) % 7)}});
      }
    }
    const auto vertex = [n](index_t row, index_t column) { return row * (n + 1) + column; };
    for (index_t row = 0; row < n; ++row) {
      for (index_t column = 0; column < n; ++column) {
        triangles.push_back({vertex(row, column), vertex(row, column + 1),
                             vertex(row + 1, column + 1)});
        triangles.push_back({vertex(row, column), vertex(row + 1, column + 1),
                             vertex(row + 1, column)});
      }
    }
  }

  std::vector<veyra::Point<3>> points;
  std::vector<std::array<index_t, 3>> triangles;
};

std::unique_ptr<veyra::TriangulatedSurface<3>> build(const Grid& grid) {
  auto mesh = veyra::TriangulatedSurface<3>::create();
  auto builder = veyra::TriangulatedSurfaceBuilder<3>::create(*mesh);
  builder->reserve_vertices(static_cast<index_t>(grid.points.size()));
  builder->reserve_polygons(static_cast<index_t>(grid.triangles.size()));
  for (const auto& point : grid.points) builder->create_point(point);
  for (const auto& triangle : grid.triangles) builder->create_triangle(triangle);
  return mesh;
}

// Arrays to a triangulated surface with adjacency and an edge table.
void BM_BuildSurfaceWithAdjacencyAndEdges(benchmark::State& state) {
  const Grid grid{static_cast<index_t>(state.range(0))};
  for (auto _ : state) {
    auto mesh = build(grid);
    veyra::TriangulatedSurfaceBuilder<3>::create(*mesh)->compute_polygon_adjacencies();
    mesh->enable_edges();
    benchmark::DoNotOptimize(mesh->edges().nb_edges());
  }
  veyra::bench::report(state, static_cast<double>(grid.triangles.size()));
}
BENCHMARK(BM_BuildSurfaceWithAdjacencyAndEdges)
    ->Arg(71)
    ->Arg(224)
    ->Arg(708)
    ->Unit(benchmark::kMillisecond);

// Each phase alone on the 1M-triangle grid.
void BM_SurfacePhase(benchmark::State& state) {
  const Grid grid{708};
  const auto phase = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    auto mesh = phase == 0 ? nullptr : build(grid);
    auto builder = mesh ? veyra::TriangulatedSurfaceBuilder<3>::create(*mesh) : nullptr;
    if (phase == 2) builder->compute_polygon_adjacencies();
    state.ResumeTiming();
    if (phase == 0) {
      benchmark::DoNotOptimize(build(grid)->nb_polygons());
    } else if (phase == 1) {
      builder->compute_polygon_adjacencies();
    } else {
      mesh->enable_edges();
    }
  }
  state.SetLabel(phase == 0 ? "create" : phase == 1 ? "adjacency" : "edges");
  veyra::bench::report(state, static_cast<double>(grid.triangles.size()));
}
BENCHMARK(BM_SurfacePhase)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

std::unique_ptr<veyra::SurfaceMesh<3>> sphere(index_t nb_slices, index_t nb_stacks) {
  auto mesh = veyra::SurfaceMesh<3>::create();
  auto builder = veyra::SurfaceMeshBuilder<3>::create(*mesh);
  builder->create_point(veyra::Point<3>{{0., 0., 1.}});
  builder->create_point(veyra::Point<3>{{0., 0., -1.}});
  for (index_t stack = 1; stack < nb_stacks; ++stack) {
    const double theta = M_PI * stack / nb_stacks;
    for (index_t slice = 0; slice < nb_slices; ++slice) {
      const double phi = 2. * M_PI * slice / nb_slices;
      builder->create_point(veyra::Point<3>{{std::sin(theta) * std::cos(phi),
                                             std::sin(theta) * std::sin(phi), std::cos(theta)}});
    }
  }
  const auto ring = [&](index_t stack, index_t slice) {
    return 2 + (stack - 1) * nb_slices + slice % nb_slices;
  };
  for (index_t slice = 0; slice < nb_slices; ++slice) {
    builder->create_polygon(std::vector<index_t>{0, ring(1, slice), ring(1, slice + 1)});
    builder->create_polygon(
        std::vector<index_t>{1, ring(nb_stacks - 1, slice + 1), ring(nb_stacks - 1, slice)});
    for (index_t stack = 1; stack + 1 < nb_stacks; ++stack) {
      builder->create_polygon(std::vector<index_t>{ring(stack, slice), ring(stack + 1, slice),
                                                   ring(stack + 1, slice + 1)});
      builder->create_polygon(std::vector<index_t>{ring(stack, slice), ring(stack + 1, slice + 1),
                                                   ring(stack, slice + 1)});
    }
  }
  return mesh;
}

// Random queries in the sphere's box; items are queries.
void BM_PointInsideSphere(benchmark::State& state) {
  const auto nb_slices = static_cast<index_t>(state.range(0));
  const auto mesh = sphere(nb_slices, nb_slices / 2);
  const auto tree = veyra::create_aabb_tree(*mesh);
  std::mt19937 random{7};
  std::uniform_real_distribution<double> coordinate{-1.2, 1.2};
  std::vector<veyra::Point<3>> queries;
  for (int i = 0; i < 1000; ++i) {
    queries.push_back(veyra::Point<3>{{coordinate(random), coordinate(random), coordinate(random)}});
  }
  for (auto _ : state) {
    index_t nb_inside = 0;
    for (const auto& query : queries) {
      try {
        nb_inside += veyra::is_point_inside_closed_surface(query, *mesh, tree) ? 1 : 0;
      } catch (const veyra::OstrelException&) {
      }
    }
    benchmark::DoNotOptimize(nb_inside);
  }
  state.counters["triangles"] = mesh->nb_polygons();
  veyra::bench::report(state, static_cast<double>(queries.size()));
}
BENCHMARK(BM_PointInsideSphere)->Arg(32)->Arg(128)->Arg(512)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
