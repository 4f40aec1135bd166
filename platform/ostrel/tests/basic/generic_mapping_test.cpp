// SPDX-License-Identifier: MIT
#include <ostrel/basic/generic_mapping.h>

#include <gtest/gtest.h>

#include <vector>

#include <ostrel/basic/mesh_element.h>
#include <ostrel/basic/model_mapping.h>

namespace veyra {
namespace {

using Mapping = GenericMapping<index_t, index_t>;

std::vector<index_t> values(const Mapping::Values<index_t>& list) {
  return {list.begin(), list.end()};
}

std::vector<std::pair<index_t, std::vector<index_t>>> sides(const Mapping::In2Out& side) {
  std::vector<std::pair<index_t, std::vector<index_t>>> result;
  for (const auto& [key, list] : side) result.emplace_back(key, values(list));
  return result;
}

TEST(GenericMapping, KeepsInsertionOrderOnBothSides) {
  Mapping mapping;
  mapping.map(2, 20);
  mapping.map(1, 10);
  mapping.map(2, 10);
  mapping.map(2, 20);  // already present
  EXPECT_EQ(sides(mapping.in2out_map()),
            (std::vector<std::pair<index_t, std::vector<index_t>>>{{2, {20, 10}}, {1, {10}}}));
  EXPECT_EQ(sides(mapping.out2in_map()),
            (std::vector<std::pair<index_t, std::vector<index_t>>>{{20, {2}}, {10, {1, 2}}}));
}

TEST(GenericMapping, RemovalsDropKeysLeftWithoutValues) {
  struct Case {
    const char* name;
    void (*edit)(Mapping&);
    std::vector<std::pair<index_t, std::vector<index_t>>> in2out;
    std::vector<std::pair<index_t, std::vector<index_t>>> out2in;
  };
  const std::vector<Case> cases{
      {"unmap", [](Mapping& m) { m.unmap(1, 10); }, {{2, {20, 10}}}, {{20, {2}}, {10, {2}}}},
      {"unmap absent pair", [](Mapping& m) { m.unmap(1, 20); },
       {{2, {20, 10}}, {1, {10}}}, {{20, {2}}, {10, {1, 2}}}},
      {"erase_in", [](Mapping& m) { m.erase_in(2); }, {{1, {10}}}, {{10, {1}}}},
      {"erase_out", [](Mapping& m) { m.erase_out(10); }, {{2, {20}}}, {{20, {2}}}},
      {"erase then map again", [](Mapping& m) { m.erase_in(2), m.map(2, 20); },
       {{1, {10}}, {2, {20}}}, {{10, {1}}, {20, {2}}}},
  };
  for (const auto& test : cases) {
    Mapping mapping;
    mapping.map(2, 20);
    mapping.map(1, 10);
    mapping.map(2, 10);
    test.edit(mapping);
    EXPECT_EQ(sides(mapping.in2out_map()), test.in2out) << test.name;
    EXPECT_EQ(sides(mapping.out2in_map()), test.out2in) << test.name;
  }
}

TEST(GenericMapping, AbsentKeyLookupThrowsOutOfRange) {
  GenericMapping<MeshElement> mapping;
  const uuid id;
  mapping.map({id, 0}, {id, 1});
  EXPECT_EQ(mapping.in2out({id, 0}).front(), (MeshElement{id, 1}));
  try {
    mapping.out2in({id, 0});
    FAIL();
  } catch (const std::out_of_range& error) {
    EXPECT_STREQ(error.what(), "absl::linked_hash_map::at");
  }
}

TEST(ModelMapping, EmplacingATypeTwiceFails) {
  ModelGenericMapping mappings;
  const ComponentType line{"Line"};
  mappings.emplace(line, {});
  EXPECT_TRUE(mappings.has_mapping_type(line));
  try {
    mappings.emplace(line, {});
    FAIL();
  } catch (const OstrelModelException& error) {
    EXPECT_STREQ(error.what(),
                 "[ModelMapping::emplace] A mapping with the given ComponentType is already "
                 "present, cannot emplace another.");
    EXPECT_EQ(error.type(), OstrelException::TYPE::internal);
  }
  EXPECT_THROW(mappings.at(ComponentType{"Corner"}), std::out_of_range);
}

}  // namespace
}  // namespace veyra
