// SPDX-License-Identifier: MIT
#include <model/topology/model_boundaries_update.h>

#include <vector>

#include <gtest/gtest.h>

#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section.h>
#include <ostrel/model/section_builder.h>

#include <model/common/library.h>

namespace veyra {
namespace {

using Ids = std::vector<uuid>;

class ModelBoundariesUpdate : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { VeyraConversionModelLibrary::initialize(); }
};

template <typename Model>
Ids items(const Model& model, const uuid& boundary) {
  Ids result;
  for (const auto& item : model.items(boundary)) result.push_back(item.id());
  return result;
}

template <typename Model>
Ids boundaries(const Model& model) {
  Ids result;
  for (const auto& boundary : model.model_boundaries()) result.push_back(boundary.id());
  return result;
}

// Two blocks sharing surface s[1]; s[0] and s[2] bound one block each, s[3] bounds none.
struct TwoBlocks {
  BRep model;
  BRepBuilder builder{model};
  Ids surfaces;
  Ids blocks;

  TwoBlocks() {
    for (int s = 0; s < 4; ++s) surfaces.push_back(builder.add_surface());
    for (int b = 0; b < 2; ++b) blocks.push_back(builder.add_block());
    bound(0, 0);
    bound(1, 0);
    bound(1, 1);
    bound(2, 1);
  }
  void bound(int surface, int block) {
    builder.add_surface_block_boundary_relationship(model.surface(surfaces[surface]),
                                                    model.block(blocks[block]));
  }
  uuid boundary_of(std::initializer_list<int> members) {
    const auto boundary = builder.add_model_boundary();
    for (const auto s : members) {
      builder.add_surface_in_model_boundary(model.surface(surfaces[s]),
                                            model.model_boundary(boundary));
    }
    return boundary;
  }
};

TEST_F(ModelBoundariesUpdate, NewBoundaryGathersUncoveredBorderSurfacesOnce) {
  TwoBlocks brep;
  // Another kind of collection does not cover its items.
  const auto collection = brep.builder.add_surface_collection();
  brep.builder.add_surface_in_surface_collection(brep.model.surface(brep.surfaces[2]),
                                                 brep.model.surface_collection(collection));
  const auto covering = brep.boundary_of({0});

  const auto created = internal::build_new_model_boundary(brep.model, brep.builder);
  ASSERT_TRUE(created.has_value());
  EXPECT_EQ(boundaries(brep.model), (Ids{covering, *created}));
  EXPECT_EQ(brep.model.model_boundary(*created).name(), "new_model_boundary");
  EXPECT_EQ(items(brep.model, *created), (Ids{brep.surfaces[2]}));

  // Everything on the border is covered now.
  EXPECT_FALSE(internal::build_new_model_boundary(brep.model, brep.builder).has_value());
  EXPECT_EQ(brep.model.nb_model_boundaries(), 2);
}

TEST_F(ModelBoundariesUpdate, SharedSurfaceLeavesItsBoundaryAndEmptyBoundariesGo) {
  TwoBlocks brep;
  const auto empty_before = brep.builder.add_model_boundary();
  const auto only_shared = brep.boundary_of({1});
  const auto mixed = brep.boundary_of({0, 1, 3});

  const auto removed = internal::remove_obsolete_model_boundaries(brep.model, brep.builder);
  EXPECT_EQ(removed, (Ids{empty_before, only_shared}));
  EXPECT_EQ(boundaries(brep.model), (Ids{mixed}));
  // The surface bounding no block stays a member.
  EXPECT_EQ(items(brep.model, mixed), (Ids{brep.surfaces[0], brep.surfaces[3]}));
  EXPECT_EQ(brep.model.nb_collections(brep.surfaces[1]), 0);
}

TEST_F(ModelBoundariesUpdate, SectionLinesFollowTheirSurfaceCount) {
  Section model;
  SectionBuilder builder{model};
  Ids lines;
  for (int l = 0; l < 4; ++l) lines.push_back(builder.add_line());
  const auto s0 = builder.add_surface();
  const auto s1 = builder.add_surface();
  // l0 bounds s0, l1 bounds s0 and s1, l2 bounds nothing, l3 bounds s1.
  builder.add_line_surface_boundary_relationship(model.line(lines[0]), model.surface(s0));
  builder.add_line_surface_boundary_relationship(model.line(lines[1]), model.surface(s0));
  builder.add_line_surface_boundary_relationship(model.line(lines[1]), model.surface(s1));
  builder.add_line_surface_boundary_relationship(model.line(lines[3]), model.surface(s1));
  const auto old_boundary = builder.add_model_boundary();
  for (const auto l : {0, 1, 2}) {
    builder.add_line_in_model_boundary(model.line(lines[l]), model.model_boundary(old_boundary));
  }

  const auto created = internal::build_new_model_boundary(model, builder);
  ASSERT_TRUE(created.has_value());
  EXPECT_EQ(items(model, *created), (Ids{lines[3]}));

  EXPECT_TRUE(internal::remove_obsolete_model_boundaries(model, builder).empty());
  // The line bounding two surfaces and the one bounding none leave.
  EXPECT_EQ(items(model, old_boundary), (Ids{lines[0]}));
  EXPECT_EQ(boundaries(model), (Ids{old_boundary, *created}));
}

TEST_F(ModelBoundariesUpdate, ModelWithoutBorderGetsNoBoundary) {
  Section model;
  SectionBuilder builder{model};
  builder.add_line();
  builder.add_surface();
  EXPECT_FALSE(internal::build_new_model_boundary(model, builder).has_value());
  EXPECT_EQ(model.nb_model_boundaries(), 0);
  EXPECT_TRUE(internal::remove_obsolete_model_boundaries(model, builder).empty());
}

}  // namespace
}  // namespace veyra
