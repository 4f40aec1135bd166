// SPDX-License-Identifier: MIT
// Mesh layer, solids: building tetrahedral and polyhedral solids from arrays of a Kuhn grid
// (each cube of an n^3 lattice split into six tetrahedra), with adjacency and the facet and edge
// tables, as a whole and phase by phase. Items are tetrahedra.
#include <benchmark/benchmark.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/polyhedral_solid_builder.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/tetrahedral_solid_builder.h>

#include <array>
#include <vector>

#include "bench_support.h"

namespace {

using veyra::index_t;
using veyra::local_index_t;

/// Points of the (n + 1)^3 lattice and the six tetrahedra of each of its n^3 cubes around the
/// cube's main diagonal (the same split in every cube, so neighbours share whole facets).
struct KuhnGrid {
  explicit KuhnGrid(index_t n) {
    const auto vertex = [n](std::array<index_t, 3> corner) {
      return (corner[2] * (n + 1) + corner[1]) * (n + 1) + corner[0];
    };
    for (index_t z = 0; z <= n; ++z) {
      for (index_t y = 0; y <= n; ++y) {
        for (index_t x = 0; x <= n; ++x) {
          points.push_back(veyra::Point<3>{{1. * x, 1. * y, 1. * z + 0.001 * ((x * y) % 5)}});
        }
      }
    }
    static constexpr std::array<std::array<int, 3>, 6> axis_orders{
        {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}}};
    tetrahedra.reserve(6 * std::size_t{n} * n * n);
    for (index_t z = 0; z < n; ++z) {
      for (index_t y = 0; y < n; ++y) {
        for (index_t x = 0; x < n; ++x) {
          for (const auto& order : axis_orders) {
            std::array<index_t, 3> corner{x, y, z};
            std::array<index_t, 4> tetrahedron{vertex(corner), 0, 0, 0};
            for (int step = 0; step < 3; ++step) {
              ++corner[order[step]];
              tetrahedron[step + 1] = vertex(corner);
            }
            tetrahedra.push_back(tetrahedron);
          }
        }
      }
    }
  }

  std::vector<veyra::Point<3>> points;
  std::vector<std::array<index_t, 4>> tetrahedra;
};

std::unique_ptr<veyra::TetrahedralSolid<3>> build_tetrahedral(const KuhnGrid& grid) {
  auto mesh = veyra::TetrahedralSolid<3>::create();
  auto builder = veyra::TetrahedralSolidBuilder<3>::create(*mesh);
  builder->reserve_vertices(static_cast<index_t>(grid.points.size()));
  builder->reserve_polyhedra(static_cast<index_t>(grid.tetrahedra.size()));
  for (const auto& point : grid.points) builder->create_point(point);
  for (const auto& tetrahedron : grid.tetrahedra) builder->create_tetrahedron(tetrahedron);
  return mesh;
}

std::unique_ptr<veyra::PolyhedralSolid<3>> build_polyhedral(const KuhnGrid& grid) {
  static const std::vector<std::vector<local_index_t>> facets{
      {1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}};
  auto mesh = veyra::PolyhedralSolid<3>::create();
  auto builder = veyra::PolyhedralSolidBuilder<3>::create(*mesh);
  builder->reserve_vertices(static_cast<index_t>(grid.points.size()));
  builder->reserve_polyhedra(static_cast<index_t>(grid.tetrahedra.size()));
  for (const auto& point : grid.points) builder->create_point(point);
  for (const auto& tetrahedron : grid.tetrahedra) builder->create_polyhedron(tetrahedron, facets);
  return mesh;
}

// Arrays to a solid with adjacency, facets and edges; range(1) = 1 for a polyhedral solid.
void BM_BuildSolidWithAdjacencyFacetsAndEdges(benchmark::State& state) {
  const KuhnGrid grid{static_cast<index_t>(state.range(0))};
  const bool polyhedral = state.range(1) == 1;
  for (auto _ : state) {
    std::unique_ptr<veyra::SolidMesh<3>> mesh;
    if (polyhedral) {
      mesh = build_polyhedral(grid);
    } else {
      mesh = build_tetrahedral(grid);
    }
    veyra::SolidMeshBuilder<3>::create(*mesh)->compute_polyhedron_adjacencies();
    mesh->enable_facets();
    mesh->enable_edges();
    benchmark::DoNotOptimize(mesh->facets().nb_facets() + mesh->edges().nb_edges());
  }
  state.SetLabel(polyhedral ? "polyhedral" : "tetrahedral");
  veyra::bench::report(state, static_cast<double>(grid.tetrahedra.size()));
}
// n = 10, 26 and 55: about 6 thousand, 105 thousand and 1 million tetrahedra.
BENCHMARK(BM_BuildSolidWithAdjacencyFacetsAndEdges)
    ->ArgsProduct({{10, 26, 55}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// Each phase alone on the 1M-tetrahedra tetrahedral solid.
void BM_TetrahedralSolidPhase(benchmark::State& state) {
  const KuhnGrid grid{55};
  const auto phase = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    auto mesh = phase == 0 ? nullptr : build_tetrahedral(grid);
    state.ResumeTiming();
    if (phase == 0) {
      benchmark::DoNotOptimize(build_tetrahedral(grid)->nb_polyhedra());
    } else if (phase == 1) {
      veyra::SolidMeshBuilder<3>::create(*mesh)->compute_polyhedron_adjacencies();
    } else if (phase == 2) {
      mesh->enable_facets();
    } else {
      mesh->enable_edges();
    }
    state.PauseTiming();
    mesh.reset();
    state.ResumeTiming();
  }
  static constexpr const char* labels[] = {"create", "adjacency", "facets", "edges"};
  state.SetLabel(labels[phase]);
  veyra::bench::report(state, static_cast<double>(grid.tetrahedra.size()));
}
BENCHMARK(BM_TetrahedralSolidPhase)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
