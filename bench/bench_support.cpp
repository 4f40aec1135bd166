// SPDX-License-Identifier: MIT
#include "bench_support.h"

#include <sys/resource.h>

#include <fstream>

namespace veyra::bench {

double peak_memory_mib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

void reset_peak_memory() {
  std::ofstream clear_refs("/proc/self/clear_refs");
  clear_refs << "5";
}

void report(benchmark::State& state, double nb_items_per_iteration) {
  state.SetItemsProcessed(
      static_cast<std::int64_t>(nb_items_per_iteration * static_cast<double>(state.iterations())));
  state.counters["peak_MiB"] = peak_memory_mib();
}

}  // namespace veyra::bench
