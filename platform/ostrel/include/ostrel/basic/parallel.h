// SPDX-License-Identifier: MIT
// The task pool helpers every parallel loop goes through: the hardware thread count, the
// chunk size rule, a chunked loop whose per-chunk results come back in chunk order, and a task
// group for one task per component. Results never depend on the thread count or on scheduling.
#pragma once

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>
#include <tbb/task_arena.h>
#include <tbb/task_group.h>

#include <absl/functional/function_ref.h>

#include <ostrel/basic/common.h>

// ThreadSanitizer cannot see the synchronisation inside the prebuilt TBB runtime, so each task
// hand-over would be reported as a race and real races would drown among them. Builds made with
// it run the helpers below on threads of their own (detail::run_jobs_on_threads), whose start,
// join and shared counter it does see. Chunks, tasks and the order of their results stay the
// same; parallel_for_range hands out pieces of exactly `grain` items there.
#if defined(__SANITIZE_THREAD__)
#define VEYRA_OWN_THREADS_FOR_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VEYRA_OWN_THREADS_FOR_SANITIZER 1
#endif
#endif

namespace veyra {

/// Number of threads of the task pool: the arena's concurrency, capped by an active
/// tbb::global_control limit (which tests and tools use to set the thread count).
inline index_t hardware_concurrency() {
  const auto arena = static_cast<std::size_t>(tbb::this_task_arena::max_concurrency());
  const auto allowed =
      tbb::global_control::active_value(tbb::global_control::max_allowed_parallelism);
  return static_cast<index_t>(std::max<std::size_t>(std::min(arena, allowed), 1));
}

/// When false, every helper below runs serially in the calling thread (debugging aid).
void set_parallel_enabled(bool enabled);
bool is_parallel_enabled();

/// The chunk size of the library's parallel loops: n / (8 x hardware threads) in integer
/// division, clamped to [1, 2048].
inline index_t parallel_chunk_size(index_t nb_items) {
  const auto chunk = nb_items / (8 * std::max<index_t>(hardware_concurrency(), 1));
  return std::clamp<index_t>(chunk, 1, 2048);
}

namespace detail {

/// Runs job(j) for every j in [0, nb_jobs) on up to hardware_concurrency() threads, the caller
/// being one of them; each thread takes the next job from a shared counter. After a job throws,
/// no new job starts, and the first exception is rethrown in the caller once all threads stopped.
void run_jobs_on_threads(index_t nb_jobs, absl::FunctionRef<void(index_t)> job);

#if defined(VEYRA_OWN_THREADS_FOR_SANITIZER)
inline constexpr bool use_own_threads = true;
#else
inline constexpr bool use_own_threads = false;
#endif

}  // namespace detail

/// Calls body(begin, end) over sub-ranges of [0, nb_items): the range is halved down to `grain`
/// items, one half running as a pool task and the other in the current thread. An exception
/// thrown by a body is rethrown in the caller.
template <typename Body>
void parallel_for_range(index_t nb_items, index_t grain, Body&& body) {
  if (nb_items == 0) return;
  grain = std::max<index_t>(grain, 1);
  if (!is_parallel_enabled() || nb_items <= grain) {
    body(index_t{0}, nb_items);
    return;
  }
  if constexpr (detail::use_own_threads) {
    const auto nb_pieces = (nb_items + grain - 1) / grain;
    detail::run_jobs_on_threads(nb_pieces, [&](index_t piece) {
      const auto begin = piece * grain;
      body(begin, std::min(begin + grain, nb_items));
    });
    return;
  }
  tbb::parallel_for(
      tbb::blocked_range<index_t>(0, nb_items, grain),
      [&body](const tbb::blocked_range<index_t>& range) { body(range.begin(), range.end()); },
      tbb::simple_partitioner{});
}

namespace detail {

/// One task's result in its own object. Tasks write their results concurrently, and
/// std::vector<bool> packs neighbouring results into one shared word, which would be a data race.
template <typename Result>
struct ResultSlot {
  Result value{};
};

template <typename Result>
std::vector<Result> take_results(std::vector<ResultSlot<Result>>& slots) {
  std::vector<Result> results;
  results.reserve(slots.size());
  for (auto& slot : slots) results.push_back(std::move(slot.value));
  return results;
}

}  // namespace detail

/// Splits [0, nb_items) into consecutive chunks of `chunk_size` (the last one holds the rest),
/// runs chunk_body(begin, end) for each as one task, and returns the results in chunk order.
template <typename ChunkBody>
auto parallel_map_chunks(index_t nb_items, index_t chunk_size, ChunkBody&& chunk_body)
    -> std::vector<decltype(chunk_body(index_t{}, index_t{}))> {
  using Result = decltype(chunk_body(index_t{}, index_t{}));
  chunk_size = std::max<index_t>(chunk_size, 1);
  const auto nb_chunks = (nb_items + chunk_size - 1) / chunk_size;
  std::vector<detail::ResultSlot<Result>> results(nb_chunks);
  const auto run_chunk = [&](index_t chunk) {
    const auto begin = chunk * chunk_size;
    results[chunk].value = chunk_body(begin, std::min(begin + chunk_size, nb_items));
  };
  if (!is_parallel_enabled() || nb_chunks <= 1) {
    for (index_t chunk = 0; chunk < nb_chunks; ++chunk) run_chunk(chunk);
  } else if constexpr (detail::use_own_threads) {
    detail::run_jobs_on_threads(nb_chunks, run_chunk);
  } else {
    tbb::parallel_for(index_t{0}, nb_chunks, run_chunk);
  }
  return detail::take_results(results);
}

/// Runs task(i) for i in [0, nb_tasks), one pool task each, and returns the results in index
/// order ("one task per component", joined in component order).
template <typename Task>
auto parallel_map_tasks(index_t nb_tasks, Task&& task)
    -> std::vector<decltype(task(index_t{}))> {
  using Result = decltype(task(index_t{}));
  std::vector<detail::ResultSlot<Result>> results(nb_tasks);
  if (!is_parallel_enabled() || nb_tasks <= 1) {
    for (index_t i = 0; i < nb_tasks; ++i) results[i].value = task(i);
  } else if constexpr (detail::use_own_threads) {
    detail::run_jobs_on_threads(nb_tasks, [&](index_t i) { results[i].value = task(i); });
  } else {
    tbb::task_group group;
    for (index_t i = 0; i < nb_tasks; ++i) {
      group.run([&results, &task, i] { results[i].value = task(i); });
    }
    group.wait();  // rethrows the first exception of a task
  }
  return detail::take_results(results);
}

}  // namespace veyra
