// SPDX-License-Identifier: MIT
#include <ostrel/basic/linked_hash_map.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veyra {
namespace {

template <typename Map>
std::vector<int> keys_of(const Map& map) {
  std::vector<int> keys;
  for (const auto& entry : map) {
    if constexpr (std::is_same_v<std::decay_t<decltype(entry)>, int>) {
      keys.push_back(entry);
    } else {
      keys.push_back(entry.first);
    }
  }
  return keys;
}

// The ordering contract, shared by every insertion-ordered container.
template <typename Container>
class InsertionOrderTest : public testing::Test {
 protected:
  static void insert(linked_hash_map<int, std::string>& map, int key) {
    map.try_emplace(key, std::to_string(key));
  }
  static void insert(linked_hash_set<int>& set, int key) { set.insert(key); }
};

using Containers = testing::Types<linked_hash_map<int, std::string>, linked_hash_set<int>>;
TYPED_TEST_SUITE(InsertionOrderTest, Containers);

TYPED_TEST(InsertionOrderTest, KeepsOrderThroughErasuresAndReinsertions) {
  TypeParam container;
  for (const auto key : {5, 3, 9, 1, 7}) this->insert(container, key);
  this->insert(container, 3);  // already present: nothing moves
  EXPECT_EQ(keys_of(container), (std::vector<int>{5, 3, 9, 1, 7}));

  EXPECT_EQ(container.erase(9), 1u);
  EXPECT_EQ(container.erase(42), 0u);
  this->insert(container, 9);
  EXPECT_EQ(keys_of(container), (std::vector<int>{5, 3, 1, 7, 9}));

  const auto next = container.erase(container.find(7));
  EXPECT_EQ(keys_of(container), (std::vector<int>{5, 3, 1, 9}));
  ASSERT_NE(next, container.end());
  const auto after_last = container.erase(container.find(9));
  EXPECT_EQ(after_last, container.end());
  EXPECT_EQ(container.size(), 3u);
  EXPECT_TRUE(container.contains(1));
  EXPECT_FALSE(container.contains(9));
}

TYPED_TEST(InsertionOrderTest, CompactionKeepsOrderAndLookups) {
  TypeParam container;
  for (int key = 0; key < 1000; ++key) this->insert(container, key);
  for (int key = 0; key < 1000; key += 3) container.erase(key);
  for (int key = 1000; key < 1100; ++key) this->insert(container, key);  // triggers compaction
  std::vector<int> expected;
  for (int key = 0; key < 1100; ++key) {
    if (key >= 1000 || key % 3 != 0) expected.push_back(key);
  }
  EXPECT_EQ(keys_of(container), expected);
  for (const auto key : expected) EXPECT_TRUE(container.contains(key)) << key;
}

TEST(LinkedHashMap, AtThrowsTheDocumentedText) {
  linked_hash_map<int, int> map{{1, 10}};
  EXPECT_EQ(map.at(1), 10);
  try {
    map.at(2);
    FAIL();
  } catch (const std::out_of_range& error) {
    EXPECT_STREQ(error.what(), "absl::linked_hash_map::at");
  }
  map[2] += 5;
  map.insert_or_assign(1, 11);
  EXPECT_EQ(map.at(1), 11);
  EXPECT_EQ(map.at(2), 5);
}

}  // namespace
}  // namespace veyra
