// SPDX-License-Identifier: MIT
#include <model/operations/breps_block_mapping.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>

#include <model/common/library.h>

namespace veyra {
namespace {

using Ids = std::vector<uuid>;
using Pairs = std::vector<std::pair<uuid, Ids>>;

Pairs pairs(const GenericMapping<uuid>& mapping) {
  Pairs result;
  for (const auto& [source, targets] : mapping.in2out_map()) {
    result.emplace_back(source, Ids(targets.begin(), targets.end()));
  }
  return result;
}

// A BRep of blocks bounded by surfaces without meshes.
struct Blocks {
  Blocks(index_t nb_surfaces, const std::vector<std::vector<index_t>>& blocks) {
    for (index_t s = 0; s < nb_surfaces; ++s) surfaces.push_back(builder.add_surface());
    for (const auto& boundaries : blocks) {
      const auto id = builder.add_block();
      for (const auto s : boundaries) {
        builder.add_surface_block_boundary_relationship(model.surface(surfaces[s]),
                                                        model.block(id));
      }
      block_ids.push_back(id);
    }
  }

  BRep model;
  BRepBuilder builder{model};
  Ids surfaces;
  Ids block_ids;
};

// The surfaces of `first` mapped to those of `second` by index pairs.
ModelGenericMapping surface_mapping(const Blocks& first, const Blocks& second,
                                    const std::vector<std::pair<index_t, index_t>>& pairs) {
  GenericMapping<uuid> surfaces;
  for (const auto& [from, to] : pairs) surfaces.map(first.surfaces[from], second.surfaces[to]);
  ModelGenericMapping result;
  result.emplace(Surface<3>::component_type_static(), std::move(surfaces));
  return result;
}

class BRepsBlockMapping : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { VeyraConversionModelLibrary::initialize(); }
};

const ComponentType block_type{"Block"};

// Each block's targets, sorted, for comparisons that do not depend on the order of pairs.
std::vector<std::pair<uuid, Ids>> sorted_pairs(const GenericMapping<uuid>& mapping) {
  auto result = pairs(mapping);
  for (auto& [source, targets] : result) std::sort(targets.begin(), targets.end());
  std::sort(result.begin(), result.end());
  return result;
}

TEST_F(BRepsBlockMapping, AdjacentBlocksPairOneToOneOnlyWhenAllSurfacesMustMatch) {
  // X (s0, s1) and Y (s1, s2) against the same blocks in the other order.
  const Blocks first{3, {{0, 1}, {1, 2}}};
  const Blocks second{3, {{1, 2}, {0, 1}}};
  const auto [x, y] = std::pair{first.block_ids[0], first.block_ids[1]};
  const auto [b0, b1] = std::pair{second.block_ids[0], second.block_ids[1]};

  auto bijective = surface_mapping(first, second, {{0, 0}, {1, 1}, {2, 2}});
  add_breps_block_mapping_case_bijective(first.model, second.model, bijective);
  EXPECT_EQ(pairs(bijective.at(block_type)), (Pairs{{y, {b0}}, {x, {b1}}}));

  // With any shared surface, both blocks touch both others through s1 and neither partner is
  // exclusive: the refinement changes nothing and ends.
  for (const auto add :
       {&add_breps_block_mapping_case_surjective, &add_breps_block_mapping_case_multivaluate}) {
    auto mapping = surface_mapping(first, second, {{0, 0}, {1, 1}, {2, 2}});
    add(first.model, second.model, mapping);
    auto both = Ids{b0, b1};
    std::sort(both.begin(), both.end());
    auto expected = Pairs{{x, both}, {y, both}};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sorted_pairs(mapping.at(block_type)), expected);
  }
}

TEST_F(BRepsBlockMapping, MergeIsOnlySeenBySurjectiveCase) {
  // First: X (s0, s1) and Y (s1, s2); second: Z (t0, t2), s1 is gone.
  const Blocks first{3, {{0, 1}, {1, 2}}};
  const Blocks second{3, {{0, 2}}};
  const auto z = second.block_ids[0];

  auto bijective = surface_mapping(first, second, {{0, 0}, {2, 2}});
  add_breps_block_mapping_case_bijective(first.model, second.model, bijective);
  EXPECT_TRUE(bijective.at(block_type).empty());

  auto surjective = surface_mapping(first, second, {{0, 0}, {2, 2}});
  add_breps_block_mapping_case_surjective(first.model, second.model, surjective);
  EXPECT_EQ(pairs(surjective.at(block_type)),
            (Pairs{{first.block_ids[0], {z}}, {first.block_ids[1], {z}}}));
}

TEST_F(BRepsBlockMapping, SplitKeepsOnePartnerUnlessMultivaluate) {
  // First: X (s0, s1); second: P (t0, t2) and Q (t2, t1), t2 is new.
  const Blocks first{2, {{0, 1}}};
  const Blocks second{3, {{0, 2}, {2, 1}}};
  const auto x = first.block_ids[0];
  const auto [p, q] = std::pair{second.block_ids[0], second.block_ids[1]};
  const auto line_source = uuid{};
  const auto line_target = uuid{};

  for (const auto add :
       {&add_breps_block_mapping_case_bijective, &add_breps_block_mapping_case_surjective}) {
    auto mapping = surface_mapping(first, second, {{0, 0}, {1, 1}});
    add(first.model, second.model, mapping);
    EXPECT_EQ(pairs(mapping.at(block_type)), (Pairs{{x, {p}}}));
  }

  auto mapping = surface_mapping(first, second, {{0, 0}, {1, 1}});
  GenericMapping<uuid> lines;
  lines.map(line_source, line_target);
  mapping.emplace(Line<3>::component_type_static(), lines);
  mapping.emplace(ComponentType{"ModelBoundary"}, GenericMapping<uuid>{});
  add_breps_block_mapping_case_multivaluate(first.model, second.model, mapping);
  EXPECT_EQ(pairs(mapping.at(block_type)), (Pairs{{x, {p, q}}}));
  EXPECT_EQ(mapping.at(Line<3>::component_type_static()), lines);
  EXPECT_EQ(pairs(mapping.at(Surface<3>::component_type_static())),
            (Pairs{{first.surfaces[0], {second.surfaces[0]}},
                   {first.surfaces[1], {second.surfaces[1]}}}));
  EXPECT_FALSE(mapping.has_mapping_type(ComponentType{"ModelBoundary"}));
}

TEST_F(BRepsBlockMapping, AmbiguityThatNoSweepResolvesEndsTheRefinement) {
  // Every first-model block is bounded by both mapped surfaces, and so is every second-model
  // block: no partner is ever exclusive.
  const Blocks two_first{2, {{0, 1}, {0, 1}}};
  const Blocks three_first{2, {{0, 1}, {0, 1}, {0, 1}}};
  const Blocks second{2, {{0, 1}, {0, 1}}};
  const Ids targets = second.block_ids;

  auto equal_sizes = surface_mapping(two_first, second, {{0, 0}, {1, 1}});
  add_breps_block_mapping_case_bijective(two_first.model, second.model, equal_sizes);
  EXPECT_EQ(pairs(equal_sizes.at(block_type)),
            (Pairs{{two_first.block_ids[0], targets}, {two_first.block_ids[1], targets}}));

  auto surjective = surface_mapping(three_first, second, {{0, 0}, {1, 1}});
  add_breps_block_mapping_case_surjective(three_first.model, second.model, surjective);
  EXPECT_EQ(pairs(surjective.at(block_type)).size(), 3);

  auto unequal_sizes = surface_mapping(three_first, second, {{0, 0}, {1, 1}});
  try {
    add_breps_block_mapping_case_bijective(three_first.model, second.model, unequal_sizes);
    ADD_FAILURE() << "no exception thrown";
  } catch (const VeyraConversionModelException& exception) {
    EXPECT_STREQ(exception.what(),
                 "[add_sharp_feature::build_in2out_block_mapping] Inconsistent block mapping");
    EXPECT_EQ(exception.type(), OstrelException::TYPE::internal);
  }
  EXPECT_FALSE(unequal_sizes.has_mapping_type(block_type));
}

TEST_F(BRepsBlockMapping, MappingMustHoldSurfacesAndNoBlocks) {
  const Blocks first{1, {{0}}};
  const Blocks second{1, {{0}}};
  ModelGenericMapping no_surface;
  EXPECT_THROW(add_breps_block_mapping_case_bijective(first.model, second.model, no_surface),
               std::out_of_range);
  auto with_blocks = surface_mapping(first, second, {{0, 0}});
  with_blocks.emplace(block_type, GenericMapping<uuid>{});
  EXPECT_THROW(add_breps_block_mapping_case_surjective(first.model, second.model, with_blocks),
               OstrelModelException);
}

}  // namespace
}  // namespace veyra
