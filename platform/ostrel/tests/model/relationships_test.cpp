// SPDX-License-Identifier: MIT
#include <ostrel/model/relationships.h>
#include <ostrel/model/relationships_builder.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <ostrel/basic/ostrel_exception.h>

namespace veyra {
namespace {

std::vector<ComponentID> listed(const Relationships::RelationRange& range) {
  return {range.begin(), range.end()};
}

// Two corners bounding a line that bounds two surfaces; a corner internal to a surface; the
// line in a collection and a surface in a model boundary.
class RelationshipsTest : public ::testing::Test {
 protected:
  RelationshipsTest() {
    for (const auto* component :
         {&corner0, &corner1, &corner2, &line, &surface0, &surface1, &collection, &boundary}) {
      builder.register_component(*component);
    }
    builder.add_boundary_relation(corner1, line);
    builder.add_boundary_relation(corner0, line);
    builder.add_boundary_relation(line, surface0);
    builder.add_boundary_relation(line, surface1);
    builder.add_internal_relation(corner2, surface0);
    builder.add_item_in_collection(line, collection);
    builder.add_item_in_collection(surface0, boundary);
  }

  ComponentID corner0{ComponentType{"Corner"}, uuid{}};
  ComponentID corner1{ComponentType{"Corner"}, uuid{}};
  ComponentID corner2{ComponentType{"Corner"}, uuid{}};
  ComponentID line{ComponentType{"Line"}, uuid{}};
  ComponentID surface0{ComponentType{"Surface"}, uuid{}};
  ComponentID surface1{ComponentType{"Surface"}, uuid{}};
  ComponentID collection{ComponentType{"LineCollection"}, uuid{}};
  ComponentID boundary{ComponentType{"ModelBoundary"}, uuid{}};
  Relationships relationships;
  RelationshipsBuilder builder{relationships};
};

TEST_F(RelationshipsTest, RangesFollowTheOrderOfAdditionOnBothSides) {
  using Ids = std::vector<ComponentID>;
  struct Case {
    std::string query;
    Ids result;
    index_t count;
  };
  const auto& r = relationships;
  const std::vector<Case> cases{
      {"boundaries(line)", listed(r.boundaries(line.id())), r.nb_boundaries(line.id())},
      {"incidences(line)", listed(r.incidences(line.id())), r.nb_incidences(line.id())},
      {"incidences(corner0)", listed(r.incidences(corner0.id())), r.nb_incidences(corner0.id())},
      {"internals(surface0)", listed(r.internals(surface0.id())), r.nb_internals(surface0.id())},
      {"embeddings(corner2)", listed(r.embeddings(corner2.id())), r.nb_embeddings(corner2.id())},
      {"items(collection)", listed(r.items(collection.id())), r.nb_items(collection.id())},
      {"collections(line)", listed(r.collections(line.id())), r.nb_collections(line.id())},
      {"items(boundary)", listed(r.items(boundary.id())), r.nb_items(boundary.id())},
      {"collections(surface0)", listed(r.collections(surface0.id())),
       r.nb_collections(surface0.id())},
      {"unknown id", listed(r.boundaries(uuid{})), r.nb_boundaries(uuid{})},
  };
  const std::vector<Ids> expected{
      {corner1, corner0}, {surface0, surface1}, {line},     {corner2}, {surface0}, {line},
      {collection},       {surface0},           {boundary}, {}};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(cases[i].result, expected[i]) << cases[i].query;
    EXPECT_EQ(cases[i].count, expected[i].size()) << cases[i].query;
  }
  EXPECT_EQ(r.nb_relations(line.id()), 5);
  EXPECT_EQ(r.nb_relations(uuid{}), 0);
  EXPECT_EQ(r.collections(surface0.id()).begin()->type().get(), "ModelBoundary");

  EXPECT_TRUE(r.is_boundary(corner0.id(), line.id()));
  EXPECT_FALSE(r.is_boundary(line.id(), corner0.id()));
  EXPECT_TRUE(r.is_internal(corner2.id(), surface0.id()));
  EXPECT_FALSE(r.is_internal(corner2.id(), surface1.id()));
  EXPECT_TRUE(r.is_item(surface0.id(), boundary.id()));
  EXPECT_FALSE(r.is_item(boundary.id(), surface0.id()));

  // line's list: corner1, corner0, surface0, surface1, collection.
  EXPECT_EQ(r.relation_index(line.id(), surface1.id()), 3);
  EXPECT_EQ(r.relation_index(surface1.id(), line.id()), 0);
  EXPECT_EQ(r.relation_index(line.id(), corner2.id()), std::nullopt);
}

TEST_F(RelationshipsTest, DuplicatesAreIgnoredAndRemovalKeepsTheOthersInOrder) {
  builder.add_boundary_relation(corner1, line);  // already there
  builder.add_internal_relation(corner1, line);  // another type on the same pair
  EXPECT_EQ(relationships.nb_relations(line.id()), 6);
  EXPECT_TRUE(relationships.is_internal(corner1.id(), line.id()));

  builder.remove_relation(line.id(), corner1.id());
  EXPECT_EQ(listed(relationships.boundaries(line.id())), (std::vector<ComponentID>{corner0}));
  EXPECT_FALSE(relationships.is_boundary(corner1.id(), line.id()));
  EXPECT_FALSE(relationships.is_internal(corner1.id(), line.id()));
  EXPECT_EQ(relationships.nb_relations(corner1.id()), 0);
  EXPECT_EQ(relationships.relation_index(line.id(), surface0.id()), 1);

  // Added again: it goes to the end of both lists.
  builder.add_boundary_relation(corner1, line);
  EXPECT_EQ(listed(relationships.boundaries(line.id())),
            (std::vector<ComponentID>{corner0, corner1}));
  EXPECT_EQ(relationships.relation_index(line.id(), corner1.id()), 4);
}

TEST_F(RelationshipsTest, UnregisteringRemovesEveryRelationInBothRoles) {
  builder.unregister_component(line.id());
  EXPECT_FALSE(builder.is_registered(line.id()));
  EXPECT_EQ(relationships.nb_relations(line.id()), 0);
  for (const auto* other : {&corner0, &corner1, &surface1, &collection}) {
    EXPECT_EQ(relationships.nb_relations(other->id()), 0) << other->string();
  }
  EXPECT_EQ(listed(relationships.incidences(corner2.id())), std::vector<ComponentID>{});
  EXPECT_EQ(relationships.nb_relations(surface0.id()), 2);

  // A removed collection loses its items; the items stay known.
  builder.unregister_component(boundary.id());
  EXPECT_TRUE(builder.is_registered(surface0.id()));
  EXPECT_EQ(relationships.nb_collections(surface0.id()), 0);
}

TEST_F(RelationshipsTest, RelationsListsEverythingInTheOrderOfAddition) {
  builder.remove_relation(corner0.id(), line.id());
  builder.add_boundary_relation(corner0, line);
  const auto records = relationships.relations();
  const std::vector<RelationRecord> expected{
      {corner1, line, RelationType::boundary},  {line, surface0, RelationType::boundary},
      {line, surface1, RelationType::boundary}, {corner2, surface0, RelationType::internal},
      {line, collection, RelationType::item},   {surface0, boundary, RelationType::item},
      {corner0, line, RelationType::boundary}};
  EXPECT_EQ(records, expected);
}

TEST_F(RelationshipsTest, BadInputThrowsWithTheReason) {
  const ComponentID stranger{ComponentType{"Corner"}, uuid{}};
  const ComponentID liar{ComponentType{"Surface"}, line.id()};
  struct Case {
    std::function<void()> call;
    std::string message;
  };
  const std::vector<Case> cases{
      {[&] { builder.add_boundary_relation(stranger, line); },
       "[RelationshipsBuilder::add_boundary_relation] Unknown component: " + stranger.string()},
      {[&] { builder.add_item_in_collection(liar, collection); },
       "[RelationshipsBuilder::add_item_in_collection] Component " + line.id().string() +
           " is a Line, not a Surface"},
      {[&] { builder.add_internal_relation(line, line); },
       "[RelationshipsBuilder::add_internal_relation] A component cannot be related to "
       "itself: " +
           line.string()},
      {[&] { builder.register_component(line); },
       "[RelationshipsBuilder::register_component] Component already registered: " + line.string()},
  };
  for (const auto& test : cases) {
    try {
      test.call();
      ADD_FAILURE() << "no exception for: " << test.message;
    } catch (const OstrelModelException& exception) {
      EXPECT_EQ(exception.what(), test.message);
      EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
    }
  }
  EXPECT_EQ(relationships.nb_relations(line.id()), 5);
}

}  // namespace
}  // namespace veyra
