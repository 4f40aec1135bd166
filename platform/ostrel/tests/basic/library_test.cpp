// SPDX-License-Identifier: MIT
#include <ostrel/basic/library.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace veyra {
namespace {

std::atomic<int> nb_initializations{0};

class CountingLibrary : public Library {
 public:
  static void initialize() { initialize_library<CountingLibrary>("Counting"); }
  static const CountingLibrary* registered() {
    lock();
    const auto* found = instance(typeid(CountingLibrary));
    unlock();
    return static_cast<const CountingLibrary*>(found);
  }

 private:
  void do_initialize() final { ++nb_initializations; }
};

TEST(Library, InitializeFromManyThreadsRegistersAndRunsOnce) {
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) threads.emplace_back([] { CountingLibrary::initialize(); });
  for (auto& thread : threads) thread.join();
  const auto* first = CountingLibrary::registered();
  CountingLibrary::initialize();
  EXPECT_EQ(CountingLibrary::registered(), first);
  EXPECT_EQ(nb_initializations.load(), 1);
}

}  // namespace
}  // namespace veyra
