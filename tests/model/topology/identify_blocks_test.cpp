// SPDX-License-Identifier: MIT
#include <model/topology/identify_blocks.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <ostrel/basic/attribute.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/canonical_cycle.h>
#include <veyra_testing/brep_from_points.h>
#include <veyra_testing/mesh_generators.h>

#include <model/common/library.h>
#include <model/topology/brep_block_builder.h>

namespace veyra {
namespace {

using testing::BRepFromPoints;
using testing::PointChain;
using Ids = std::vector<uuid>;

const ComponentType block_type{"Block"};

std::vector<Point<3>> solid_points(const SolidMesh<3>& solid) {
  std::vector<Point<3>> points;
  for (index_t v = 0; v < solid.nb_vertices(); ++v) points.push_back(solid.point(v));
  return points;
}

Vector<3> axis_vector(int axis, double sign) {
  Vector<3> result;
  result.set_value(axis, sign);
  return result;
}

// The box [0, 2] x [0, 1] x [0, 1] as 96 Kuhn tetrahedra over a 5 x 3 x 3 lattice, with its six
// faces as surfaces. With `cut`, the faces across x = 1 are split there and the plane x = 1 is a
// surface too, as the topology engine leaves them once a surface cuts the box in two.
class BoxModel {
 public:
  explicit BoxModel(bool cut)
      : solid(testing::make_box_tetrahedra(4, 2, 2, Point<3>{{0., 0., 0.}},
                                           Point<3>{{2., 1., 1.}})),
        maker(model, solid_points(*solid)) {
    left.push_back(face(0, 0., -1., 0., 2.));
    right.push_back(face(0, 2., 1., 0., 2.));
    for (int axis = 1; axis < 3; ++axis) {
      for (const double value : {0., 1.}) {
        const double sign = value == 0. ? -1. : 1.;
        if (cut) {
          left.push_back(face(axis, value, sign, 0., 1.));
          right.push_back(face(axis, value, sign, 1., 2.));
        } else {
          whole.push_back(face(axis, value, sign, 0., 2.));
        }
      }
    }
    if (cut) cut_surface = face(0, 1., 1., 0., 2.);
    maker.add_lines_from_surface_borders();
  }

  // The tetrahedra with their barycenter where `keep` holds, as a block tied to the lattice.
  uuid block(const std::function<bool(const Point<3>&)>& keep, const Ids& boundaries) {
    const auto part = testing::extract_polyhedra(*solid, keep);
    const auto id = maker.add_block(*part.mesh, part.vertex_points);
    for (const auto& surface : boundaries) {
      builder().add_surface_block_boundary_relationship(model.surface(surface), model.block(id));
    }
    return id;
  }

  BRepBuilder& builder() { return maker.builder(); }

  static bool is_left(const Point<3>& point) { return point.value(0) < 1.; }
  static bool is_right(const Point<3>& point) { return point.value(0) > 1.; }

  std::unique_ptr<TetrahedralSolid<3>> solid;
  BRep model;
  BRepFromPoints maker;
  Ids left;
  Ids right;
  Ids whole;
  uuid cut_surface;

 private:
  uuid face(int axis, double value, double sign, double x_min, double x_max) {
    const auto on_face = [=](const Point<3>& point) {
      return point.value(axis) == value && point.value(0) >= x_min && point.value(0) <= x_max;
    };
    return maker.add_surface(testing::solid_facets_where(*solid, on_face, axis_vector(axis, sign)));
  }
};

Ids concat(Ids first, const Ids& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

Ids block_ids(const BRep& model) {
  Ids result;
  for (const auto& block : model.blocks()) result.push_back(block.id());
  return result;
}

class IdentifyBlocks : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { VeyraConversionModelLibrary::initialize(); }
};

TEST_F(IdentifyBlocks, ModelWithoutBlockIsLeftAlone) {
  BoxModel box{true};
  BRepMappings mappings;
  internal::identify_blocks(box.model, box.builder(), mappings);
  EXPECT_EQ(box.model.nb_blocks(), 0);
  EXPECT_EQ(mappings.component_mappings.size(), 0);
  EXPECT_EQ(mappings.unchanged_components.size(), 0);
}

TEST_F(IdentifyBlocks, UnchangedSurfacesKeepEveryBlock) {
  BoxModel box{true};
  const auto left = box.block(BoxModel::is_left, concat(box.left, {box.cut_surface}));
  const auto right = box.block(BoxModel::is_right, concat({box.cut_surface}, box.right));
  BRepMappings mappings;
  internal::identify_blocks(box.model, box.builder(), mappings);
  EXPECT_EQ(block_ids(box.model), (Ids{left, right}));
  EXPECT_EQ(mappings.unchanged_components.at(block_type), (Ids{left, right}));
  EXPECT_TRUE(mappings.component_mappings.at(block_type).empty());
  EXPECT_TRUE(mappings.mesh_elements.blocks.empty());
  EXPECT_TRUE(mappings.mesh_vertices.blocks.empty());
  EXPECT_EQ(box.model.block(left).mesh().nb_polyhedra(), 48);
}

TEST_F(IdentifyBlocks, CavityOfABlockDoesNotBecomeABlock) {
  // The cube [0, 3]^3 without the cell [1, 2]^3: the old block is bounded by the outer faces and
  // by the faces of the cavity.
  const auto solid = testing::make_box_tetrahedra(3, 3, 3, Point<3>{{0., 0., 0.}},
                                                  Point<3>{{3., 3., 3.}});
  const auto in_cavity = [](const Point<3>& point) {
    for (int axis = 0; axis < 3; ++axis) {
      if (point.value(axis) < 1. || point.value(axis) > 2.) return false;
    }
    return true;
  };
  BRep model;
  BRepFromPoints maker{model, solid_points(*solid)};
  Ids boundaries;
  for (int axis = 0; axis < 3; ++axis) {
    for (const double value : {0., 3., 1., 2.}) {
      const bool inner = value == 1. || value == 2.;
      const auto on_face = [&](const Point<3>& point) {
        return point.value(axis) == value && (!inner || in_cavity(point));
      };
      boundaries.push_back(maker.add_surface(testing::solid_facets_where(
          *solid, on_face, axis_vector(axis, value < 1.5 ? -1. : 1.))));
    }
  }
  maker.add_lines_from_surface_borders();
  const auto part = testing::extract_polyhedra(
      *solid, [&](const Point<3>& point) { return !in_cavity(point); });
  const auto block = maker.add_block(*part.mesh, part.vertex_points);
  for (const auto& surface : boundaries) {
    maker.builder().add_surface_block_boundary_relationship(model.surface(surface),
                                                            model.block(block));
  }
  BRepMappings mappings;
  internal::identify_blocks(model, maker.builder(), mappings);
  EXPECT_EQ(block_ids(model), Ids{block});
  EXPECT_EQ(mappings.unchanged_components.at(block_type), Ids{block});
}

TEST_F(IdentifyBlocks, BlockCutByANewSurfaceIsSplitWithItsMesh) {
  BoxModel box{true};
  const auto old_block = box.block([](const Point<3>&) { return true; },
                                   concat(box.left, box.right));
  box.builder().set_block_name(old_block, "rock");
  box.builder().set_block_active(old_block, false);
  const auto collection = box.builder().add_block_collection();
  box.builder().add_block_in_block_collection(box.model.block(old_block),
                                              box.model.block_collection(collection));
  const auto old_mesh = box.model.block(old_block).mesh().clone();
  const auto old_ties = box.model.component_unique_vertices(old_block);
  const std::vector<index_t> old_unique_vertices(old_ties.begin(), old_ties.end());
  const auto nb_old_polyhedra = old_mesh->nb_polyhedra();

  BRepMappings mappings;
  internal::identify_blocks(box.model, box.builder(), mappings);

  ASSERT_EQ(box.model.nb_blocks(), 2);
  EXPECT_FALSE(box.model.has_block(old_block));
  const auto new_blocks = block_ids(box.model);
  const auto& component_mapping = mappings.component_mappings.at(block_type);
  EXPECT_EQ(component_mapping.in2out(old_block).size(), 2);
  EXPECT_EQ(Ids(component_mapping.in2out(old_block).begin(),
                component_mapping.in2out(old_block).end()),
            new_blocks);
  for (const auto& id : new_blocks) {
    const auto& block = box.model.block(id);
    EXPECT_EQ(block.name(), "rock");
    EXPECT_FALSE(block.is_active());
    EXPECT_TRUE(box.model.is_item(id, collection));
    EXPECT_EQ(block.mesh().nb_polyhedra(), nb_old_polyhedra / 2);
  }
  // The left block keeps the left tetrahedra.
  const auto& left_mesh = box.model.block(new_blocks[0]).mesh();
  for (index_t p = 0; p < left_mesh.nb_polyhedra(); ++p) {
    EXPECT_LT(left_mesh.polyhedron_barycenter(p).value(0), 1.);
  }

  const auto& elements = mappings.mesh_elements.blocks;
  EXPECT_EQ(elements.size_in(), nb_old_polyhedra);
  for (index_t p = 0; p < nb_old_polyhedra; ++p) {
    const auto& targets = elements.in2out({old_block, p});
    ASSERT_EQ(targets.size(), 1);
    const auto& mesh = box.model.block(targets[0].component_id).mesh();
    EXPECT_EQ(mesh.polyhedron_barycenter(targets[0].element), old_mesh->polyhedron_barycenter(p));
  }
  const auto& vertices = mappings.mesh_vertices.blocks;
  EXPECT_EQ(vertices.size_in(), old_mesh->nb_vertices());
  for (index_t v = 0; v < old_mesh->nb_vertices(); ++v) {
    const auto& point = old_mesh->point(v);
    const auto& targets = vertices.in2out({old_block, v});
    ASSERT_EQ(targets.size(), point.value(0) == 1. ? 2 : 1);
    for (const auto& target : targets) {
      const auto& block = box.model.block(target.component_id);
      EXPECT_EQ(block.mesh().point(target.vertex), point);
      EXPECT_EQ(box.model.unique_vertex({block.component_id(), target.vertex}),
                old_unique_vertices[v]);
    }
  }
}

TEST_F(IdentifyBlocks, BlocksWithoutSeparationAreMergedWithTheirMeshes) {
  // The separating surface is gone. The two old meshes overlap on the tetrahedra around x = 1,
  // which the merged mesh must hold once.
  BoxModel box{false};
  const auto left = box.block([](const Point<3>& point) { return point.value(0) < 1.25; },
                              concat({box.left[0]}, box.whole));
  const auto right = box.block([](const Point<3>& point) { return point.value(0) > 0.75; },
                               concat({box.right[0]}, box.whole));
  box.builder().set_block_name(left, "a");
  box.builder().set_block_name(right, "b");
  box.builder().set_block_active(right, false);
  for (const auto& [id, value] : {std::pair{left, 1u}, std::pair{right, 2u}}) {
    const auto& mesh = box.model.block(id).mesh();
    auto region = mesh.polyhedron_attribute_manager().find_or_create_attribute<VariableAttribute>(
        "region", 0u);
    for (index_t p = 0; p < mesh.nb_polyhedra(); ++p) region->set_value(p, value);
  }

  BRepMappings mappings;
  internal::identify_blocks(box.model, box.builder(), mappings);

  ASSERT_EQ(box.model.nb_blocks(), 1);
  const auto& merged = *box.model.blocks().begin();
  const auto& component_mapping = mappings.component_mappings.at(block_type);
  EXPECT_EQ(component_mapping.in2out(left).front(), merged.id());
  EXPECT_EQ(component_mapping.in2out(right).front(), merged.id());
  EXPECT_TRUE(merged.name() == "a_b" || merged.name() == "b_a");
  EXPECT_FALSE(merged.is_active());

  const auto& mesh = merged.mesh();
  EXPECT_EQ(mesh.nb_vertices(), box.solid->nb_vertices());
  EXPECT_EQ(mesh.nb_polyhedra(), box.solid->nb_polyhedra());
  std::set<std::vector<index_t>> cycles;
  for (index_t p = 0; p < mesh.nb_polyhedra(); ++p) {
    const auto vertices = canonical_cycle(mesh.polyhedron_vertices(p));
    cycles.emplace(vertices.begin(), vertices.end());
  }
  EXPECT_EQ(cycles.size(), mesh.nb_polyhedra());
  std::set<index_t> unique_vertices;
  for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
    const auto unique_vertex = box.model.unique_vertex({merged.component_id(), v});
    EXPECT_EQ(mesh.point(v), box.solid->point(unique_vertex));
    unique_vertices.insert(unique_vertex);
  }
  EXPECT_EQ(unique_vertices.size(), mesh.nb_vertices());

  // Both old copies of an overlapping tetrahedron map to the same new one.
  const auto& elements = mappings.mesh_elements.blocks;
  EXPECT_EQ(elements.size_out(), mesh.nb_polyhedra());
  const auto region =
      mesh.polyhedron_attribute_manager().find_attribute<index_t>("region");
  for (index_t p = 0; p < mesh.nb_polyhedra(); ++p) {
    const auto x = mesh.polyhedron_barycenter(p).value(0);
    const auto& sources = elements.out2in({merged.id(), p});
    EXPECT_EQ(sources.size(), x > 0.75 && x < 1.25 ? 2 : 1);
    if (x < 0.75) {
      EXPECT_EQ(region->value(p), 1u);
    } else if (x > 1.25) {
      EXPECT_EQ(region->value(p), 2u);
    }
  }
}

TEST_F(IdentifyBlocks, EmptyMeshSplitGivesEmptyMeshesWithItsAttributes) {
  BoxModel box{true};
  const auto old_block = box.builder().add_block();
  for (const auto& surface : concat(box.left, box.right)) {
    box.builder().add_surface_block_boundary_relationship(box.model.surface(surface),
                                                          box.model.block(old_block));
  }
  const auto& old_mesh = box.model.block(old_block).mesh();
  old_mesh.vertex_attribute_manager().find_or_create_attribute<VariableAttribute>("weight", 1.);
  old_mesh.polyhedron_attribute_manager().find_or_create_attribute<VariableAttribute>("region",
                                                                                      0u);
  BRepMappings mappings;
  internal::identify_blocks(box.model, box.builder(), mappings);
  ASSERT_EQ(box.model.nb_blocks(), 2);
  for (const auto& block : box.model.blocks()) {
    EXPECT_EQ(block.mesh().nb_vertices(), 0);
    EXPECT_TRUE(block.mesh().vertex_attribute_manager().attribute_exists("weight"));
    EXPECT_TRUE(block.mesh().polyhedron_attribute_manager().attribute_exists("region"));
  }
}

TEST_F(IdentifyBlocks, ReplaceBlocksRefusesMappingsItCannotApply) {
  BoxModel box{true};
  const auto old_block = box.block(BoxModel::is_left, concat(box.left, {box.cut_surface}));
  BlockRelationships record;
  record.boundary_surfaces = concat(box.left, {box.cut_surface});
  GenericMapping<uuid, index_t> one_to_one;
  one_to_one.map(old_block, 0);
  const auto expect_failure = [&](const std::vector<BlockRelationships>& records,
                                  const std::string& message) {
    BRepMappings mappings;
    try {
      detail::BRepBlockBuilder{box.model, box.builder()}.replace_blocks(mappings, records,
                                                                         one_to_one);
      ADD_FAILURE() << "no exception thrown";
    } catch (const VeyraConversionModelException& exception) {
      EXPECT_EQ(exception.what(), message);
      EXPECT_EQ(exception.type(), OstrelException::TYPE::internal);
    }
  };
  expect_failure({record, record}, "[BRepBlockBuilder::replace_blocks] Wrong mapping sizes");
  // One new block made of one old block with a mesh is no split and no merge.
  expect_failure({record},
                 "[BRepBlockBuilder::transfer_block_meshes] Mapping configuration not managed.");
}

}  // namespace
}  // namespace veyra
