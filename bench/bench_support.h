// SPDX-License-Identifier: MIT
// Helpers shared by the benchmark programs: peak memory reporting and reset.
#pragma once

#include <benchmark/benchmark.h>

namespace veyra::bench {

/// Peak resident memory of the process so far, in mebibytes (getrusage).
double peak_memory_mib();

/// Restarts the peak count from the current resident memory (Linux /proc/self/clear_refs), so
/// that a benchmark's peak leaves out the temporaries of its setup.
void reset_peak_memory();

/// Adds the "peak_MiB" counter and the items-per-second rate to a finished benchmark run.
void report(benchmark::State& state, double nb_items_per_iteration);

}  // namespace veyra::bench
