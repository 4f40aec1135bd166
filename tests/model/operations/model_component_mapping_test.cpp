// SPDX-License-Identifier: MIT
#include <model/operations/model_component_mapping.h>

#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section.h>
#include <ostrel/model/section_builder.h>

#include <model/common/library.h>

namespace veyra {
namespace {

using Pairs = std::vector<std::pair<uuid, std::vector<uuid>>>;

Pairs pairs(const GenericMapping<uuid>& mapping) {
  Pairs result;
  for (const auto& [source, targets] : mapping.in2out_map()) {
    result.emplace_back(source, std::vector<uuid>(targets.begin(), targets.end()));
  }
  return result;
}

// Components with meshes of the given number of elements; geometry does not matter here.
template <typename Model>
class MeshedComponents {
  static constexpr index_t D = Model::dim;

 public:
  explicit MeshedComponents(Model& model) : builder_(model) {}

  uuid corner(index_t nb_vertices) {
    const auto id = builder_.add_corner();
    auto mesh = builder_.corner_mesh_builder(id);
    for (index_t v = 0; v < nb_vertices; ++v) mesh->create_point(Point<D>{});
    return id;
  }
  uuid line(index_t nb_edges) {
    const auto id = builder_.add_line();
    auto mesh = builder_.line_mesh_builder(id);
    mesh->create_point(Point<D>{});
    for (index_t e = 0; e < nb_edges; ++e) mesh->create_edge(e, mesh->create_point(Point<D>{}));
    return id;
  }
  uuid surface(index_t nb_polygons) {
    const auto id = builder_.add_surface();
    auto mesh = builder_.surface_mesh_builder(id);
    for (index_t p = 0; p < nb_polygons; ++p) {
      const auto first = mesh->create_vertices(3);
      mesh->create_polygon({first, first + 1, first + 2});
    }
    return id;
  }
  typename Model::Builder& builder() { return builder_; }

 private:
  typename Model::Builder builder_;
};

template <typename Model>
class BuildModelComponentMapping : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { VeyraConversionModelLibrary::initialize(); }
};

using ModelTypes = ::testing::Types<Section, BRep>;
TYPED_TEST_SUITE(BuildModelComponentMapping, ModelTypes);

TYPED_TEST(BuildModelComponentMapping, OnePairPerLinkedComponentsWhateverTheElementCount) {
  TypeParam model;
  MeshedComponents<TypeParam> components{model};
  // Old components are ids only: the model is the target side of the element mapping.
  const uuid old_corner;
  const uuid old_line;
  const uuid old_a;
  const uuid old_b;
  const uuid old_c;
  const auto corner = components.corner(2);
  const auto line = components.line(3);
  const auto merged = components.surface(3);
  const auto split1 = components.surface(1);
  const auto split2 = components.surface(2);
  const auto unlinked = components.surface(2);
  static_cast<void>(unlinked);

  ModelMeshesElementMapping elements;
  elements.corners.map({old_corner, 0}, {corner, 1});
  for (index_t e = 0; e < 3; ++e) elements.lines.map({old_line, e}, {line, e});
  elements.surfaces.map({old_b, 0}, {merged, 2});
  elements.surfaces.map({old_a, 0}, {merged, 0});
  elements.surfaces.map({old_a, 1}, {merged, 1});
  elements.surfaces.map({old_c, 0}, {split1, 0});
  elements.surfaces.map({old_c, 1}, {split2, 1});
  // An element of a component of another model is ignored.
  elements.surfaces.map({old_c, 2}, {uuid{}, 0});

  const auto mapping = build_model_component_mapping(model, elements);
  EXPECT_EQ(mapping.size(), 3);
  EXPECT_EQ(pairs(mapping.at(Corner<TypeParam::dim>::component_type_static())),
            (Pairs{{old_corner, {corner}}}));
  EXPECT_EQ(pairs(mapping.at(Line<TypeParam::dim>::component_type_static())),
            (Pairs{{old_line, {line}}}));
  // Sources come in the order the new components' elements meet them.
  EXPECT_EQ(pairs(mapping.at(Surface<TypeParam::dim>::component_type_static())),
            (Pairs{{old_a, {merged}}, {old_b, {merged}}, {old_c, {split1, split2}}}));
}

TEST(BuildBRepComponentMapping, BlocksAreJudgedByTheirFirstPolyhedron) {
  VeyraConversionModelLibrary::initialize();
  BRep model;
  BRepBuilder builder{model};
  const auto make_block = [&] {
    const auto id = builder.add_block();
    auto mesh = builder.block_mesh_builder(id);
    const auto first = mesh->create_vertices(5);
    const std::vector<std::vector<local_index_t>> facets{
        {0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {2, 3, 0}};
    mesh->create_polyhedron({first, first + 1, first + 2, first + 3}, facets);
    mesh->create_polyhedron({first + 1, first + 2, first + 3, first + 4}, facets);
    return id;
  };
  const auto linked = make_block();
  const auto second_only = make_block();
  const uuid old_block;
  const uuid other_block;
  const uuid old_surface;
  const auto surface = MeshedComponents<BRep>{model}.surface(1);

  BRepMeshesElementMapping elements;
  elements.surfaces.map({old_surface, 0}, {surface, 0});
  elements.blocks.map({old_block, 3}, {linked, 0});
  elements.blocks.map({other_block, 0}, {linked, 1});
  elements.blocks.map({old_block, 0}, {second_only, 1});

  const auto mapping = build_brep_component_mapping(model, elements);
  EXPECT_EQ(mapping.size(), 4);
  EXPECT_EQ(pairs(mapping.at(Surface<3>::component_type_static())),
            (Pairs{{old_surface, {surface}}}));
  EXPECT_EQ(pairs(mapping.at(Block<3>::component_type_static())), (Pairs{{old_block, {linked}}}));
}

}  // namespace
}  // namespace veyra
