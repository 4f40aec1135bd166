// SPDX-License-Identifier: MIT
// Sections from one 2D mesh: an nx x nx/2 grid of nx^2 triangles cut into 4 x 4 regions, turned
// into a Section from its region attribute (convert_surface_into_section_from_attribute) and from
// the same region borders declared as line edges (convert_surface_elements_into_section). Both cut
// the mesh in place, so each iteration works on a fresh grid made outside the timing (its memory
// counts in the peak). Items are triangles.
#include <benchmark/benchmark.h>

#include <model/common/library.h>
#include <model/element_meshes/convert_surface_into_section_from_attribute.h>
#include <model/element_meshes/section_from_surface_elements_builder.h>
#include <ostrel/mesh/surface_edges.h>
#include <veyra_testing/mesh_generators.h>

#include <vector>

#include "bench_support.h"

namespace {

using veyra::index_t;

constexpr index_t nb_region_rows = 4;

std::unique_ptr<veyra::TriangulatedSurface<2>> make_regions(index_t nx) {
  const auto ny = nx / 2;
  auto grid = veyra::testing::make_grid_2d(nx, ny);
  veyra::testing::add_grid_regions(*grid, nx, ny, nb_region_rows, nb_region_rows, "region");
  return grid;
}

void BM_ConvertSurfaceIntoSectionFromAttribute(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const auto nx = static_cast<index_t>(state.range(0));
  index_t nb_surfaces = 0;
  veyra::bench::reset_peak_memory();
  for (auto _ : state) {
    state.PauseTiming();
    auto grid = make_regions(nx);
    state.ResumeTiming();
    const auto [section, vertices, elements] =
        veyra::convert_surface_into_section_from_attribute(*grid, "region");
    nb_surfaces = section.nb_surfaces();
    benchmark::DoNotOptimize(nb_surfaces);
  }
  state.counters["surfaces"] = nb_surfaces;
  veyra::bench::report(state, static_cast<double>(nx) * (nx / 2) * 2);
}
BENCHMARK(BM_ConvertSurfaceIntoSectionFromAttribute)
    ->Arg(100)
    ->Arg(316)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

// The grid edges between cells of different regions.
std::vector<index_t> region_border_edges(veyra::TriangulatedSurface<2>& grid, index_t nx) {
  const auto ny = nx / 2;
  grid.enable_edges();
  const auto& edges = grid.edges();
  const auto vertex = [nx](index_t i, index_t j) { return j * (nx + 1) + i; };
  std::vector<index_t> lines;
  for (index_t k = 1; k < nb_region_rows; ++k) {
    // Cell i belongs to region column i * 4 / nx: the region changes before the first cell i
    // with i * 4 >= k nx.
    const auto i = (k * nx + nb_region_rows - 1) / nb_region_rows;
    for (index_t j = 0; j < ny; ++j) {
      lines.push_back(*edges.edge_from_vertices({vertex(i, j), vertex(i, j + 1)}));
    }
    const auto j = (k * ny + nb_region_rows - 1) / nb_region_rows;
    for (index_t c = 0; c < nx; ++c) {
      lines.push_back(*edges.edge_from_vertices({vertex(c, j), vertex(c + 1, j)}));
    }
  }
  return lines;
}

void BM_ConvertSurfaceElementsIntoSection(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const auto nx = static_cast<index_t>(state.range(0));
  index_t nb_surfaces = 0;
  veyra::bench::reset_peak_memory();
  for (auto _ : state) {
    state.PauseTiming();
    auto grid = make_regions(nx);
    const auto lines = region_border_edges(*grid, nx);
    state.ResumeTiming();
    const auto [section, vertices, elements] =
        veyra::convert_surface_elements_into_section(*grid, {}, lines);
    nb_surfaces = section.nb_surfaces();
    benchmark::DoNotOptimize(nb_surfaces);
  }
  state.counters["surfaces"] = nb_surfaces;
  veyra::bench::report(state, static_cast<double>(nx) * (nx / 2) * 2);
}
BENCHMARK(BM_ConvertSurfaceElementsIntoSection)
    ->Arg(100)
    ->Arg(316)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
