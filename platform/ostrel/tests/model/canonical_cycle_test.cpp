// SPDX-License-Identifier: MIT
#include <ostrel/model/canonical_cycle.h>

#include <gtest/gtest.h>

#include <vector>

#include <ostrel/basic/common.h>

namespace veyra {
namespace {

using Cycle = std::vector<index_t>;

TEST(CanonicalCycle, EveryStartAndDirectionGivesTheSameCycle) {
  struct Case {
    Cycle input;
    Cycle expected;
  };
  const std::vector<Case> cases{
      {{}, {}},
      {{7}, {7}},
      {{9, 4}, {4, 9}},
      {{5, 2, 8}, {2, 5, 8}},
      {{4, 3, 2, 1}, {1, 2, 3, 4}},
      {{3, 9, 1, 6}, {1, 6, 3, 9}},
      {{2, 1, 2, 1}, {1, 2, 1, 2}},  // repeated smallest: the first one starts
  };
  for (const auto& test : cases) {
    for (std::size_t start = 0; start < test.input.size(); ++start) {
      Cycle rotated{test.input};
      std::rotate(rotated.begin(), rotated.begin() + static_cast<std::ptrdiff_t>(start),
                  rotated.end());
      Cycle reversed{rotated.rbegin(), rotated.rend()};
      EXPECT_EQ(canonical_cycle(rotated), test.expected);
      EXPECT_EQ(canonical_cycle(reversed), test.expected);
    }
  }
  EXPECT_EQ(canonical_cycle(Cycle{}), Cycle{});
  EXPECT_NE(canonical_cycle(Cycle{1, 2, 3, 4}), canonical_cycle(Cycle{1, 3, 2, 4}));
}

}  // namespace
}  // namespace veyra
