// SPDX-License-Identifier: MIT
// Basic layer: GenericMapping insertion.
#include <benchmark/benchmark.h>

#include <ostrel/basic/generic_mapping.h>

#include "bench_support.h"

namespace {

void BM_GenericMappingMap(benchmark::State& state) {
  const auto nb_pairs = static_cast<veyra::index_t>(state.range(0));
  for (auto _ : state) {
    veyra::GenericMapping<veyra::index_t> mapping;
    for (veyra::index_t i = 0; i < nb_pairs; ++i) mapping.map(i, nb_pairs - i);
    benchmark::DoNotOptimize(mapping.size_out());
  }
  veyra::bench::report(state, nb_pairs);
}
BENCHMARK(BM_GenericMappingMap)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
