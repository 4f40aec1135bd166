// SPDX-License-Identifier: MIT
// Modifier library: edge splits on tetrahedral solids followed by clean(), edge splits in a BRep
// surface followed by clean(), and METIS partitioning of tetrahedral solids. Meshes are Kuhn
// boxes (six tetrahedra per cell) and grid surfaces of several sizes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <veyra_common/modifier/brep_geometric_modifier.h>
#include <veyra_common/modifier/mesh_partitionner.h>
#include <veyra_common/modifier/tetrahedral_solid_modifier.h>
#include <veyra_testing/mesh_generators.h>

#include "bench_support.h"

namespace {

using veyra::index_t;
using veyra::Point;

constexpr index_t nb_splits = 10000;

std::unique_ptr<veyra::TetrahedralSolid<3>> make_box(index_t n) {
  return veyra::testing::make_box_tetrahedra(n, n, n, Point<3>{{0., 0., 0.}},
                                             Point<3>{{1., 1., 1.}});
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// 10,000 edge splits spread over the edge table (each at the edge's middle), then clean().
// The tables are enabled before timing, as a caller of the modifier has them. Counters give the
// time of the splits and of the clean alone.
void BM_TetrahedralEdgeSplitsAndClean(benchmark::State& state) {
  const auto n = static_cast<index_t>(state.range(0));
  double split_seconds = 0;
  double clean_seconds = 0;
  index_t nb_tetrahedra = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto solid = make_box(n);
    nb_tetrahedra = solid->nb_polyhedra();
    solid->enable_edges();
    solid->enable_facets();
    auto builder = veyra::TetrahedralSolidBuilder<3>::create(*solid);
    const auto nb_edges = solid->edges().nb_edges();
    const auto stride = nb_edges / nb_splits;
    state.ResumeTiming();

    const auto start = std::chrono::steady_clock::now();
    veyra::TetrahedralSolidModifier modifier{*solid, *builder};
    for (index_t split = 0; split < nb_splits; ++split) {
      const auto edge = split * stride;
      const auto ends = solid->edges().edge_vertices(edge);
      const auto middle = (solid->point(ends[0]) + solid->point(ends[1])) * 0.5;
      benchmark::DoNotOptimize(modifier.split_edge(edge, middle));
    }
    const auto clean_start = std::chrono::steady_clock::now();
    split_seconds += seconds_since(start);
    benchmark::DoNotOptimize(modifier.clean());
    clean_seconds += seconds_since(clean_start);

    state.PauseTiming();
    solid.reset();
    state.ResumeTiming();
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["tetrahedra"] = nb_tetrahedra;
  state.counters["split_s"] = split_seconds / iterations;
  state.counters["clean_s"] = clean_seconds / iterations;
  veyra::bench::report(state, nb_splits);
}
// n = 12, 26 and 55: about 10 thousand, 105 thousand and 1 million tetrahedra.
BENCHMARK(BM_TetrahedralEdgeSplitsAndClean)
    ->Arg(12)
    ->Arg(26)
    ->Arg(55)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Partitioning a box into 48 parts. Items are tetrahedra.
void BM_MeshPartitionner(benchmark::State& state) {
  const auto solid = make_box(static_cast<index_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(veyra::mesh_partitionner(*solid, {48}));
  }
  state.counters["tetrahedra"] = solid->nb_polyhedra();
  veyra::bench::report(state, solid->nb_polyhedra());
}
BENCHMARK(BM_MeshPartitionner)->Arg(12)->Arg(26)->Arg(55)->Unit(benchmark::kMillisecond);

// 10,000 polygon edge splits in the one surface of a BRep (an n x n grid of 2 n^2 triangles,
// unique vertex i on mesh vertex i), then clean(). Items are splits.
void BM_BRepSurfaceEdgeSplitsAndClean(benchmark::State& state) {
  const auto n = static_cast<index_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    veyra::BRep brep;
    veyra::BRepBuilder builder{brep};
    const auto id = builder.add_surface();
    builder.update_surface_mesh(
        brep.surface(id), veyra::testing::make_grid_surface(n, Point<3>{{0., 0., 0.}},
                                                            Point<3>{{1., 0., 0.}},
                                                            Point<3>{{0., 1., 0.}}));
    const auto& surface = brep.surface(id);
    const auto nb_vertices = surface.mesh().nb_vertices();
    builder.create_unique_vertices(nb_vertices);
    for (index_t v = 0; v < nb_vertices; ++v) {
      builder.set_unique_vertex({surface.component_id(), v}, v);
    }
    const auto nb_polygons = surface.mesh().nb_polygons();
    const auto stride = nb_polygons / nb_splits;
    state.ResumeTiming();

    veyra::BRepGeometricModifier modifier{brep, builder};
    for (index_t split = 0; split < nb_splits; ++split) {
      const veyra::PolygonEdge edge{split * stride, 0};
      benchmark::DoNotOptimize(
          modifier.split_edge(surface, edge, surface.mesh().polygon_edge_barycenter(edge)));
    }
    benchmark::DoNotOptimize(modifier.clean());
  }
  veyra::bench::report(state, nb_splits);
}
// n = 100, 320: 20 thousand and 205 thousand triangles.
BENCHMARK(BM_BRepSurfaceEdgeSplitsAndClean)
    ->Arg(100)
    ->Arg(320)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
