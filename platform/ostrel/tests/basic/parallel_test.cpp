// SPDX-License-Identifier: MIT
#include <ostrel/basic/parallel.h>

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <stdexcept>

#include <tbb/global_control.h>

namespace veyra {
namespace {

std::vector<index_t> chunked_squares(index_t nb_items) {
  auto chunks = parallel_map_chunks(nb_items, parallel_chunk_size(nb_items),
                                    [](index_t begin, index_t end) {
                                      std::vector<index_t> squares;
                                      for (auto i = begin; i < end; ++i) {
                                        if (i % 7 == 0) squares.push_back(i * i);
                                      }
                                      return squares;
                                    });
  std::vector<index_t> joined;
  for (const auto& chunk : chunks) joined.insert(joined.end(), chunk.begin(), chunk.end());
  return joined;
}

TEST(Parallel, ChunkedResultsDoNotDependOnThreadCount) {
  constexpr index_t nb_items = 100000;
  std::vector<index_t> expected;
  for (index_t i = 0; i < nb_items; i += 7) expected.push_back(i * i);
  for (const auto threads : {1, 2}) {
    const tbb::global_control limit{tbb::global_control::max_allowed_parallelism,
                                    static_cast<std::size_t>(threads)};
    EXPECT_EQ(hardware_concurrency(), static_cast<index_t>(threads));
    EXPECT_EQ(chunked_squares(nb_items), expected) << threads << " threads";

    std::vector<index_t> touched(nb_items, 0);
    parallel_for_range(nb_items, parallel_chunk_size(nb_items), [&](index_t begin, index_t end) {
      for (auto i = begin; i < end; ++i) touched[i] += i;
    });
    std::vector<index_t> identity(nb_items);
    std::iota(identity.begin(), identity.end(), 0);
    EXPECT_EQ(touched, identity);

    const auto results = parallel_map_tasks(5, [](index_t i) { return i * 10; });
    EXPECT_EQ(results, (std::vector<index_t>{0, 10, 20, 30, 40}));

    // bool results: std::vector<bool> shares words between neighbours, so the tasks must not
    // write into one (the thread sanitizer run watches this case).
    const auto odd = parallel_map_tasks(64, [](index_t i) { return i % 2 == 1; });
    const auto odd_chunks = parallel_map_chunks(
        64, 1, [](index_t begin, index_t) { return begin % 2 == 1; });
    for (index_t i = 0; i < 64; ++i) {
      EXPECT_EQ(odd[i], i % 2 == 1);
      EXPECT_EQ(odd_chunks[i], i % 2 == 1);
    }
  }
}

TEST(Parallel, ChunkSizeFollowsTheRule) {
  const tbb::global_control limit{tbb::global_control::max_allowed_parallelism, 2};
  EXPECT_EQ(parallel_chunk_size(0), 1u);
  EXPECT_EQ(parallel_chunk_size(10000), 625u);
  EXPECT_EQ(parallel_chunk_size(1000000), 2048u);
}

TEST(Parallel, TaskExceptionReachesTheCaller) {
  EXPECT_THROW(parallel_map_tasks(4,
                                  [](index_t i) -> int {
                                    if (i == 2) throw std::runtime_error("task failed");
                                    return 0;
                                  }),
               std::runtime_error);
  EXPECT_THROW(parallel_for_range(10000, 16,
                                  [](index_t begin, index_t) {
                                    if (begin > 5000) throw std::runtime_error("chunk failed");
                                  }),
               std::runtime_error);
}

// The runner that thread-sanitizer builds use in place of the TBB pool.
TEST(Parallel, OwnThreadsRunEachJobOnceAndStopAfterAFailure) {
  constexpr index_t nb_jobs = 5000;
  {
    const tbb::global_control limit{tbb::global_control::max_allowed_parallelism, 2};
    std::vector<std::atomic<int>> runs(nb_jobs);
    detail::run_jobs_on_threads(nb_jobs, [&](index_t job) { runs[job].fetch_add(1); });
    for (index_t job = 0; job < nb_jobs; ++job) ASSERT_EQ(runs[job].load(), 1) << "job " << job;
  }
  const tbb::global_control limit{tbb::global_control::max_allowed_parallelism, 1};
  index_t started = 0;
  EXPECT_THROW(detail::run_jobs_on_threads(nb_jobs,
                                           [&](index_t job) {
                                             ++started;
                                             if (job == 3) throw std::runtime_error("job failed");
                                           }),
               std::runtime_error);
  EXPECT_EQ(started, 4u);
}

}  // namespace
}  // namespace veyra
