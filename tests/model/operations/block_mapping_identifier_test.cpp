// SPDX-License-Identifier: MIT
#include <model/operations/block_mapping_identifier.h>

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
using Pairs = std::vector<std::pair<uuid, std::vector<index_t>>>;

// Old blocks are real blocks of the model bounded by surfaces without meshes; candidates name
// their boundary surfaces by index in `surfaces`.
class BlockMappingIdentifierTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { VeyraConversionModelLibrary::initialize(); }

  Ids make_surfaces(index_t count) {
    Ids result;
    for (index_t s = 0; s < count; ++s) result.push_back(builder.add_surface());
    return result;
  }
  uuid make_block(const Ids& boundaries) {
    const auto id = builder.add_block();
    for (const auto& surface : boundaries) {
      builder.add_surface_block_boundary_relationship(model.surface(surface), model.block(id));
    }
    return id;
  }
  static BlockRelationships candidate(Ids boundaries) {
    BlockRelationships result;
    result.boundary_surfaces = std::move(boundaries);
    return result;
  }
  Pairs mappings(const std::vector<BlockRelationships>& candidates) const {
    const internal::BlockMappingIdentifier identifier{model, candidates};
    const auto result = identifier.create_block_mappings();
    EXPECT_EQ(identifier.create_block_mappings(), result);
    Pairs pairs;
    for (const auto& [block, targets] : result.in2out_map()) {
      pairs.emplace_back(block, std::vector<index_t>(targets.begin(), targets.end()));
    }
    return pairs;
  }

  BRep model;
  BRepBuilder builder{model};
};

TEST_F(BlockMappingIdentifierTest, SameBoundariesMatchOneToOne) {
  const auto s = make_surfaces(3);
  const auto a = make_block({s[0], s[1]});
  const auto b = make_block({s[1], s[2]});
  EXPECT_EQ(mappings({candidate({s[2], s[1]}), candidate({s[0], s[1]})}),
            (Pairs{{a, {1}}, {b, {0}}}));
}

TEST_F(BlockMappingIdentifierTest, BlockSplitByANewSurfaceMapsToBothCandidates) {
  // A shell inside the old block: the outer candidate keeps the old boundary, the inner one is
  // reached through the new surface only.
  const auto s = make_surfaces(1);
  const uuid shell;
  const auto a = make_block({s[0]});
  EXPECT_EQ(mappings({candidate({s[0], shell}), candidate({shell})}), (Pairs{{a, {0, 1}}}));
}

TEST_F(BlockMappingIdentifierTest, CavityOfABlockIsNotAdopted) {
  // The old block is bounded by an outer and an inner shell; the region inside the inner shell
  // had no block.
  const auto s = make_surfaces(2);
  const auto a = make_block({s[0], s[1]});
  EXPECT_EQ(mappings({candidate({s[0], s[1]}), candidate({s[1]})}), (Pairs{{a, {0}}}));
}

TEST_F(BlockMappingIdentifierTest, NewSeparationDecidesBetweenNeighbours) {
  // Old blocks A (a, o) and B (o, b). A is cut by the new surface n into candidates 0 and 1;
  // candidate 1 touches both candidate 0 (through n) and B's candidate 2 (through o).
  const auto s = make_surfaces(3);
  const uuid n;
  const auto a = make_block({s[0], s[1]});
  const auto b = make_block({s[1], s[2]});
  EXPECT_EQ(mappings({candidate({s[0], n}), candidate({n, s[1]}), candidate({s[1], s[2]})}),
            (Pairs{{a, {0, 1}}, {b, {2}}}));
}

TEST_F(BlockMappingIdentifierTest, BlocksMergedIntoOneCandidate) {
  const auto s = make_surfaces(3);
  const auto a = make_block({s[0], s[1]});
  const auto b = make_block({s[1], s[2]});
  EXPECT_EQ(mappings({candidate({s[0], s[2]})}), (Pairs{{a, {0}}, {b, {0}}}));
}

TEST_F(BlockMappingIdentifierTest, UnreachedBlocksAndCandidatesStayUnmapped) {
  const auto s = make_surfaces(3);
  const auto a = make_block({s[0]});
  make_block({s[1]});
  EXPECT_EQ(mappings({candidate({uuid{}}), candidate({s[0]}), candidate({})}), (Pairs{{a, {1}}}));
  EXPECT_TRUE(mappings({}).empty());
}

}  // namespace
}  // namespace veyra
