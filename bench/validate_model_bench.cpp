// SPDX-License-Identifier: MIT
// The model validity checker: validate_brep on a tetrahedral box BRep (one block of 6 nx ny nz
// tetrahedra, its six sides as triangulated boundary surfaces, twelve lines, eight corners), up to
// 1.07M tetrahedra with 111k surface triangles, and validate_section on two squares of 2 n^2
// triangles each. Items are block tetrahedra plus surface triangles.
#include <benchmark/benchmark.h>

#include <model/operations/validate_model.h>
#include <veyra_testing/model_generators.h>

#include "bench_support.h"

namespace {

using veyra::index_t;
using veyra::Point;

double nb_brep_elements(const veyra::BRep& model) {
  double nb = 0;
  for (const auto& block : model.blocks()) nb += block.mesh().nb_polyhedra();
  for (const auto& surface : model.surfaces()) nb += surface.mesh().nb_polygons();
  return nb;
}

void BM_ValidateBRep(benchmark::State& state) {
  const auto n = static_cast<index_t>(state.range(0));
  const auto nz = static_cast<index_t>(state.range(1));
  const auto box = veyra::testing::make_box_brep(n, n, nz, Point<3>{{0, 0, 0}},
                                                 Point<3>{{1, 1, 0.05 * nz}});
  for (auto _ : state) {
    auto report = veyra::validate_brep(box.brep);
    if (!report.problems.empty()) state.SkipWithError("the box BRep is not valid");
    benchmark::DoNotOptimize(report);
  }
  state.counters["tetrahedra"] = 6. * n * n * nz;
  state.counters["triangles"] = nb_brep_elements(box.brep) - 6. * n * n * nz;
  veyra::bench::report(state, nb_brep_elements(box.brep));
}
BENCHMARK(BM_ValidateBRep)
    ->Args({40, 2})
    ->Args({80, 4})
    ->Args({160, 7})
    ->Unit(benchmark::kMillisecond);

void BM_ValidateSection(benchmark::State& state) {
  const auto n = static_cast<index_t>(state.range(0));
  const auto squares = veyra::testing::make_two_squares_section(n);
  for (auto _ : state) {
    auto report = veyra::validate_section(squares.section);
    if (!report.problems.empty()) state.SkipWithError("the Section is not valid");
    benchmark::DoNotOptimize(report);
  }
  veyra::bench::report(state, 4. * n * n);
}
BENCHMARK(BM_ValidateSection)->Arg(100)->Arg(300)->Arg(700)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
