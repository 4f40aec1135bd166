// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <model/element_meshes/element_mapping_maintenance.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace veyra {
namespace {

using internal::IndexToMeshElements;

const uuid component_a{};
const uuid component_b{};

// The pairs of the mapping, keys in insertion order, values in insertion order.
std::vector<std::pair<index_t, MeshElement>> pairs(const IndexToMeshElements& mapping) {
  std::vector<std::pair<index_t, MeshElement>> result;
  for (const auto& [key, values] : mapping.in2out_map()) {
    for (const auto& value : values) result.emplace_back(key, value);
  }
  return result;
}

TEST(ElementMappingMaintenance, SplitPiecesGoToTheFirstKeyOfTheReplacedElement) {
  IndexToMeshElements surfaces;
  surfaces.map(7, {component_a, 5});
  surfaces.map(9, {component_a, 5});
  surfaces.map(4, {component_b, 0});
  linked_hash_map<uuid, std::vector<PolygonSplit>> splits;
  // Polygon 5 of a is cut in two; polygon 2 of a has no key; polygon 0 of b in three.
  splits[component_a].push_back({5, 12, {20, 21}});
  splits[component_a].push_back({2, 12, {22, 23}});
  splits[component_b].push_back({0, 13, {30, 31, 32}});
  internal::record_polygon_splits(surfaces, splits);
  const std::vector<std::pair<index_t, MeshElement>> expected{
      {7, {component_a, 5}},  {7, {component_a, 20}}, {7, {component_a, 21}},
      {9, {component_a, 5}},  {4, {component_b, 0}},  {4, {component_b, 30}},
      {4, {component_b, 31}}, {4, {component_b, 32}}};
  EXPECT_EQ(pairs(surfaces), expected);
}

TEST(ElementMappingMaintenance, CleanRenumberingMovesEachElementOnce) {
  struct Case {
    std::string name;
    std::vector<index_t> old2new;
    std::vector<std::pair<index_t, index_t>> before;  // key -> element of component a
    std::vector<std::pair<index_t, index_t>> after;   // sorted by key
  };
  const std::vector<Case> cases{
      // Compaction after removing element 1: 2 -> 1, 3 -> 2.
      {"compaction",
       {0, NO_ID, 1, 2},
       {{10, 0}, {11, 1}, {12, 2}, {13, 3}},
       {{10, 0}, {12, 1}, {13, 2}}},
      // A swap: moving in place would carry key 10 to 1 and back to 0.
      {"swap", {1, 0, 2}, {{10, 0}, {11, 1}, {12, 2}}, {{10, 1}, {11, 0}, {12, 2}}},
      // Two keys on one element follow it together.
      {"shared element", {NO_ID, 0}, {{10, 1}, {11, 1}, {12, 0}}, {{10, 0}, {11, 0}}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    IndexToMeshElements part;
    for (const auto& [key, element] : test.before) part.map(key, {component_a, element});
    part.map(99, {component_b, 3});
    linked_hash_map<uuid, ComponentRenumbering> renumberings;
    renumberings[component_a].elements = test.old2new;
    internal::apply_clean_renumbering(part, renumberings);

    std::vector<std::pair<index_t, index_t>> after;
    for (const auto& [key, element] : pairs(part)) {
      if (element.component_id == component_a) after.emplace_back(key, element.element);
    }
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, test.after);
    // Components without renumbering are left alone.
    EXPECT_EQ(part.in2out(99).front(), (MeshElement{component_b, 3}));
    // The backward side holds the same pairs.
    index_t nb_backward_pairs = 0;
    for (const auto& [element, keys] : part.out2in_map()) {
      for (const auto key : keys) {
        const auto& values = part.in2out(key);
        EXPECT_NE(std::find(values.begin(), values.end(), element), values.end());
        ++nb_backward_pairs;
      }
    }
    EXPECT_EQ(nb_backward_pairs, pairs(part).size());
  }
}

TEST(ElementMappingMaintenance, VertexMappingSkipsVerticesWithoutUniqueVertex) {
  const std::vector<index_t> final_unique_vertices{2, NO_ID, 0, 1};
  const auto mapping = internal::vertex_mapping_from_renumbering(final_unique_vertices);
  EXPECT_EQ(mapping.size_in(), 3);
  EXPECT_FALSE(mapping.has_mapping_input(1));
  EXPECT_EQ(mapping.in2out(0).front(), 2);
  EXPECT_EQ(mapping.out2in(1).front(), 3);
}

}  // namespace
}  // namespace veyra
