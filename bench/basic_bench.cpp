// SPDX-License-Identifier: MIT
// Basic layer: GenericMapping insertion and attribute value access.
#include <benchmark/benchmark.h>

#include <ostrel/basic/attribute_manager.h>
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

// One set_value pass then one value pass over a dense attribute.
void BM_VariableAttributeSetThenRead(benchmark::State& state) {
  const auto nb_elements = static_cast<veyra::index_t>(state.range(0));
  veyra::AttributeManager manager;
  manager.resize(nb_elements);
  auto attribute = manager.find_or_create_attribute<veyra::VariableAttribute, double>("value", 0.);
  for (auto _ : state) {
    for (veyra::index_t i = 0; i < nb_elements; ++i) attribute->set_value(i, 0.5 * i);
    double sum = 0;
    for (veyra::index_t i = 0; i < nb_elements; ++i) sum += attribute->value(i);
    benchmark::DoNotOptimize(sum);
  }
  veyra::bench::report(state, nb_elements);
}
BENCHMARK(BM_VariableAttributeSetThenRead)
    ->RangeMultiplier(10)
    ->Range(100000, 10000000)
    ->Unit(benchmark::kMillisecond);

// The same two passes through the untyped view the library's generic code uses.
void BM_GenericAttributeRead(benchmark::State& state) {
  const auto nb_elements = static_cast<veyra::index_t>(state.range(0));
  veyra::AttributeManager manager;
  manager.resize(nb_elements);
  manager.find_or_create_attribute<veyra::VariableAttribute, float>("value", 1.f);
  const auto attribute = manager.find_generic_attribute("value");
  for (auto _ : state) {
    float sum = 0;
    for (veyra::index_t i = 0; i < nb_elements; ++i) sum += attribute->generic_value(i);
    benchmark::DoNotOptimize(sum);
  }
  veyra::bench::report(state, nb_elements);
}
BENCHMARK(BM_GenericAttributeRead)
    ->RangeMultiplier(10)
    ->Range(100000, 10000000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
