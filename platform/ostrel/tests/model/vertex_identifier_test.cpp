// SPDX-License-Identifier: MIT
#include <ostrel/model/vertex_identifier.h>
#include <ostrel/model/vertex_identifier_builder.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <ostrel/basic/ostrel_exception.h>

namespace veyra {
namespace {

class VertexIdentifierTest : public ::testing::Test {
 protected:
  VertexIdentifierTest() {
    for (const auto* component : {&corner, &line, &surface}) {
      builder.register_component(*component);
    }
  }

  std::vector<ComponentMeshVertex> ties(index_t unique_vertex) const {
    return identifier.component_mesh_vertices(unique_vertex);
  }
  ComponentMeshVertex at(const ComponentID& component, index_t vertex) const {
    return {component, vertex};
  }

  ComponentID corner{ComponentType{"Corner"}, uuid{}};
  ComponentID line{ComponentType{"Line"}, uuid{}};
  ComponentID surface{ComponentType{"Surface"}, uuid{}};
  VertexIdentifier identifier;
  VertexIdentifierBuilder builder{identifier};
};

TEST_F(VertexIdentifierTest, TiesKeepTheirOrderAndMoveWhenTiedElsewhere) {
  EXPECT_EQ(builder.create_unique_vertices(3), 0);
  EXPECT_EQ(builder.create_unique_vertex(), 3);
  EXPECT_EQ(builder.create_unique_vertices(2), 4);
  EXPECT_EQ(identifier.nb_unique_vertices(), 6);

  builder.set_unique_vertex(at(surface, 4), 0);
  builder.set_unique_vertex(at(line, 1), 0);
  builder.set_unique_vertex(at(corner, 0), 0);
  builder.set_unique_vertex(at(surface, 7), 0);
  builder.set_unique_vertex(at(line, 1), 2);     // moves to the end of unique vertex 2
  builder.set_unique_vertex(at(surface, 4), 0);  // already there: unchanged
  builder.set_unique_vertex(at(surface, 0), 2);

  EXPECT_EQ(ties(0),
            (std::vector<ComponentMeshVertex>{at(surface, 4), at(corner, 0), at(surface, 7)}));
  EXPECT_EQ(ties(2), (std::vector<ComponentMeshVertex>{at(line, 1), at(surface, 0)}));
  EXPECT_TRUE(identifier.component_mesh_vertices(1).empty());
  const auto range = identifier.component_mesh_vertices(0);
  EXPECT_EQ(range.size(), 3);
  EXPECT_EQ(range[1], at(corner, 0));
  EXPECT_EQ(range.back(), at(surface, 7));

  EXPECT_EQ(identifier.component_mesh_vertices(0, ComponentType{"Surface"}),
            (std::vector<ComponentMeshVertex>{at(surface, 4), at(surface, 7)}));
  EXPECT_EQ(identifier.component_mesh_vertices(0, surface.id()), (std::vector<index_t>{4, 7}));
  EXPECT_TRUE(identifier.has_component_mesh_vertices(2, ComponentType{"Line"}));
  EXPECT_FALSE(identifier.has_component_mesh_vertices(0, ComponentType{"Line"}));

  EXPECT_EQ(identifier.unique_vertex(at(surface, 7)), 0);
  EXPECT_EQ(identifier.unique_vertex(at(line, 1)), 2);
  EXPECT_EQ(identifier.unique_vertex(at(line, 0)), NO_ID);    // below the last tie, untied
  EXPECT_EQ(identifier.unique_vertex(at(line, 100)), NO_ID);  // beyond any tie

  builder.unset_unique_vertex(at(surface, 4), 1);  // not its unique vertex: nothing happens
  builder.unset_unique_vertex(at(corner, 0), 0);
  EXPECT_EQ(ties(0), (std::vector<ComponentMeshVertex>{at(surface, 4), at(surface, 7)}));
  EXPECT_EQ(identifier.unique_vertex(at(corner, 0)), NO_ID);
}

TEST_F(VertexIdentifierTest, UpdateRenumbersInPlaceAndDropsRemovedVertices) {
  builder.create_unique_vertices(4);
  builder.set_unique_vertex(at(line, 0), 0);
  for (index_t v = 0; v < 6; ++v) builder.set_unique_vertex(at(surface, v), v % 4);
  builder.set_unique_vertex(at(corner, 0), 1);
  // Ties: 0: line0 s0 s4 | 1: s1 s5 corner0 | 2: s2 | 3: s3
  // Surface vertex 1 deleted, 2 and 3 merged, 5 beyond the list keeps its index.
  builder.update_unique_vertices(surface, std::vector<index_t>{0, NO_ID, 1, 1, 2});

  EXPECT_EQ(ties(0),
            (std::vector<ComponentMeshVertex>{at(line, 0), at(surface, 0), at(surface, 2)}));
  EXPECT_EQ(ties(1), (std::vector<ComponentMeshVertex>{at(surface, 5), at(corner, 0)}));
  EXPECT_EQ(ties(2), (std::vector<ComponentMeshVertex>{at(surface, 1)}));
  EXPECT_TRUE(ties(3).empty());  // its only vertex was merged into vertex 1
  const std::vector<index_t> expected{0, 2, 0, NO_ID, NO_ID, 1, NO_ID};
  for (index_t v = 0; v < expected.size(); ++v) {
    EXPECT_EQ(identifier.unique_vertex(at(surface, v)), expected[v]) << v;
  }

  builder.set_unique_vertex(at(line, 3), 2);
  EXPECT_EQ(builder.delete_isolated_vertices(), (std::vector<index_t>{0, 1, 2, NO_ID}));
  builder.unset_component_unique_vertices(surface.id());
  EXPECT_EQ(builder.delete_isolated_vertices(), (std::vector<index_t>{0, 1, 2}));

  builder.unregister_component(line.id());
  EXPECT_EQ(builder.delete_isolated_vertices(), (std::vector<index_t>{NO_ID, 0, NO_ID}));
  EXPECT_EQ(ties(0), (std::vector<ComponentMeshVertex>{at(corner, 0)}));
  EXPECT_EQ(identifier.unique_vertex(at(corner, 0)), 0);
  EXPECT_FALSE(identifier.is_component_registered(line.id()));

  // A slot freed by the line is reused by a new component, without stale ties.
  const ComponentID block{ComponentType{"Block"}, uuid{}};
  builder.register_component(block);
  EXPECT_EQ(identifier.unique_vertex(at(block, 0)), NO_ID);
  builder.set_unique_vertex(at(block, 2), 0);
  EXPECT_EQ(ties(0), (std::vector<ComponentMeshVertex>{at(corner, 0), at(block, 2)}));
}

TEST_F(VertexIdentifierTest, BadInputThrowsWithTheReason) {
  builder.create_unique_vertices(2);
  const ComponentID stranger{ComponentType{"Surface"}, uuid{}};
  struct Case {
    std::function<void()> call;
    std::string message;
  };
  const std::vector<Case> cases{
      {[&] { (void)identifier.unique_vertex(at(stranger, 0)); },
       "[VertexIdentifier::unique_vertex] Unknown component: " + stranger.id().string()},
      {[&] { builder.set_unique_vertex(at(surface, 0), 2); },
       "[VertexIdentifierBuilder::set_unique_vertex] Unique vertex 2 out of range (2 unique "
       "vertices)"},
      {[&] { builder.set_unique_vertex(at(surface, NO_ID), 0); },
       "[VertexIdentifierBuilder::set_unique_vertex] Vertex index is NO_ID for " +
           surface.string()},
      {[&] { builder.update_unique_vertices(stranger, {}); },
       "[VertexIdentifierBuilder::update_unique_vertices] Unknown component: " +
           stranger.id().string()},
      {[&] { (void)identifier.component_mesh_vertices(5); },
       "[VertexIdentifier::component_mesh_vertices] Unique vertex 5 out of range (2 unique "
       "vertices)"},
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
}

}  // namespace
}  // namespace veyra
