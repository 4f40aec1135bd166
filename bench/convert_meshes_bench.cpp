// SPDX-License-Identifier: MIT
// Mesh collections into a BRep: convert_meshes_into_brep on the six faces of the unit cube given
// as six separate triangulated surfaces, from about 10,000 to 1,000,000 triangles in all. Items
// are the input triangles.
#include <benchmark/benchmark.h>

#include <cmath>
#include <functional>
#include <vector>

#include <ostrel/mesh/triangulated_surface.h>
#include <veyra_testing/mesh_generators.h>

#include <model/common/convert_meshes.h>
#include <model/common/library.h>

#include "bench_support.h"

namespace {

using veyra::index_t;

void BM_ConvertCubeFacesIntoBRep(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  // 6 faces of 2 n^2 triangles each.
  const auto n = static_cast<index_t>(
      std::lround(std::sqrt(static_cast<double>(state.range(0)) / 12.)));
  const auto faces = veyra::testing::make_cube_faces(n);
  std::vector<std::reference_wrapper<const veyra::SurfaceMesh<3>>> surfaces;
  for (const auto& face : faces) surfaces.emplace_back(*face);
  for (auto _ : state) {
    auto [brep, mappings] = veyra::convert_meshes_into_brep({}, {}, surfaces);
    if (brep.nb_blocks() != 1 || brep.nb_lines() != 12) {
      state.SkipWithError("unexpected topology");
    }
    benchmark::DoNotOptimize(mappings);
  }
  veyra::bench::report(state, 12. * n * n);
}
BENCHMARK(BM_ConvertCubeFacesIntoBRep)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
