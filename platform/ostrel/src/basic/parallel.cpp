// SPDX-License-Identifier: MIT
#include <ostrel/basic/parallel.h>

#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace veyra {
namespace {
std::atomic<bool> parallel_enabled{true};

/// What the threads of run_jobs_on_threads share: the next job and the first failure.
class JobQueue {
 public:
  JobQueue(index_t nb_jobs, absl::FunctionRef<void(index_t)> job) : nb_jobs_{nb_jobs}, job_{job} {}

  void work() {
    for (auto next = next_job_.fetch_add(1); next < nb_jobs_; next = next_job_.fetch_add(1)) {
      if (failed_.load()) return;
      try {
        job_(next);
      } catch (...) {
        keep_first_failure(std::current_exception());
        return;
      }
    }
  }

  void rethrow_failure() {
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  void keep_first_failure(std::exception_ptr failure) {
    const std::lock_guard<std::mutex> lock{mutex_};
    if (!failure_) failure_ = std::move(failure);
    failed_.store(true);
  }

  const index_t nb_jobs_;
  absl::FunctionRef<void(index_t)> job_;
  std::atomic<index_t> next_job_{0};
  std::atomic<bool> failed_{false};
  std::mutex mutex_;
  std::exception_ptr failure_;
};
}  // namespace

void set_parallel_enabled(bool enabled) { parallel_enabled.store(enabled); }
bool is_parallel_enabled() { return parallel_enabled.load(); }

namespace detail {

void run_jobs_on_threads(index_t nb_jobs, absl::FunctionRef<void(index_t)> job) {
  JobQueue queue{nb_jobs, job};
  const auto nb_threads = std::min(hardware_concurrency(), nb_jobs);
  std::vector<std::thread> helpers;
  for (index_t t = 1; t < nb_threads; ++t) {
    try {
      helpers.emplace_back([&queue] { queue.work(); });
    } catch (const std::system_error&) {
      break;  // no thread to spare: the threads already started and the caller do the jobs
    }
  }
  queue.work();
  for (auto& helper : helpers) helper.join();
  queue.rethrow_failure();
}

}  // namespace detail
}  // namespace veyra
