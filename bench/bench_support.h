// SPDX-License-Identifier: MIT
// Helpers shared by the benchmark programs: peak memory reporting.
#pragma once

#include <benchmark/benchmark.h>

namespace veyra::bench {

/// Peak resident memory of the process so far, in mebibytes (getrusage).
double peak_memory_mib();

/// Adds the "peak_MiB" counter and the items-per-second rate to a finished benchmark run.
void report(benchmark::State& state, double nb_items_per_iteration);

}  // namespace veyra::bench
