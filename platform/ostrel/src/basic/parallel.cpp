// SPDX-License-Identifier: MIT
#include <ostrel/basic/parallel.h>

#include <atomic>

namespace veyra {
namespace {
std::atomic<bool> parallel_enabled{true};
}  // namespace

void set_parallel_enabled(bool enabled) { parallel_enabled.store(enabled); }
bool is_parallel_enabled() { return parallel_enabled.load(); }

}  // namespace veyra
