// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <model/common/library.h>
#include <model/element_meshes/brep_from_brep_element.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/polyhedral_solid_builder.h>
#include <ostrel/model/brep_builder.h>
#include <veyra_testing/mesh_generators.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/expect_valid_model.h"

namespace veyra {
namespace {

class BRepFromBRepElement : public ::testing::Test {
 protected:
  void SetUp() override { VeyraConversionModelLibrary::initialize(); }

  // A model with one block holding `mesh`.
  const Block<3>& add_block(std::unique_ptr<SolidMesh<3>> mesh) {
    BRepBuilder builder{model_};
    const auto id = builder.add_block();
    builder.update_block_mesh(model_.block(id), std::move(mesh));
    return model_.block(id);
  }

  BRep model_;
};

// The unit cube as one hexahedron (vertex i at the cube corner whose coordinate on axis a is 1
// at bit a of i), next to a second hexahedron that must play no part.
std::unique_ptr<SolidMesh<3>> two_hexahedra() {
  auto solid = PolyhedralSolid<3>::create();
  auto builder = PolyhedralSolidBuilder<3>::create(*solid);
  for (index_t shift = 0; shift < 2; ++shift) {
    for (index_t i = 0; i < 8; ++i) {
      builder->create_point(
          Point<3>{{static_cast<double>((i & 1) + 5 * shift), static_cast<double>((i >> 1) & 1),
                    static_cast<double>((i >> 2) & 1)}});
    }
  }
  const std::vector<std::vector<local_index_t>> facets{{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                                       {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  builder->create_polyhedron(std::vector<index_t>{8, 9, 10, 11, 12, 13, 14, 15}, facets);
  builder->create_polyhedron(std::vector<index_t>{0, 1, 2, 3, 4, 5, 6, 7}, facets);
  return solid;
}

std::vector<Point<3>> sorted_points(std::vector<Point<3>> points) {
  std::sort(points.begin(), points.end());
  return points;
}

struct ElementCase {
  std::string name;
  index_t nb_corners;
  index_t nb_lines;
  index_t nb_surfaces;
  index_t nb_triangles_per_surface;
};

// A tetrahedron of a box block and a hexahedron of a polyhedral block each become a closed
// one-block model: one surface per facet (the quadrangles split into two triangles whose
// diagonal is no line), one line per polyhedron edge and one corner per polyhedron vertex, at
// the polyhedron's own points only.
TEST_F(BRepFromBRepElement, PolyhedronBecomesOneBlockBoundedByItsFacets) {
  const auto& tetrahedra =
      add_block(testing::make_box_tetrahedra(2, 1, 1, Point<3>{{0, 0, 0}}, Point<3>{{2, 1, 1}}));
  const auto& hexahedra = add_block(two_hexahedra());
  struct Run {
    ElementCase expected;
    const Block<3>* block;
    index_t polyhedron;
  };
  for (const auto& run : {Run{{"tetrahedron", 4, 6, 4, 1}, &tetrahedra, 7},
                          Run{{"hexahedron", 8, 12, 6, 2}, &hexahedra, 1}}) {
    SCOPED_TRACE(run.expected.name);
    const auto brep = detail::build_brep_from_brep_element(*run.block, run.polyhedron);
    test::expect_valid(brep);
    EXPECT_EQ(brep.nb_corners(), run.expected.nb_corners);
    EXPECT_EQ(brep.nb_lines(), run.expected.nb_lines);
    EXPECT_EQ(brep.nb_surfaces(), run.expected.nb_surfaces);
    ASSERT_EQ(brep.nb_blocks(), 1u);
    EXPECT_EQ(brep.nb_model_boundaries(), 1u);
    const auto& block = *brep.blocks().begin();
    EXPECT_EQ(brep.nb_boundaries(block), run.expected.nb_surfaces);
    EXPECT_EQ(block.mesh().nb_polyhedra(), 0u);
    for (const auto& surface : brep.surfaces()) {
      EXPECT_EQ(surface.mesh().nb_polygons(), run.expected.nb_triangles_per_surface);
      EXPECT_EQ(brep.nb_boundaries(surface), surface.mesh().nb_polygons() == 1 ? 3u : 4u);
    }
    for (const auto& line : brep.lines()) EXPECT_EQ(line.mesh().nb_edges(), 1u);

    const auto& solid = run.block->mesh();
    std::vector<Point<3>> expected;
    for (const auto vertex : solid.polyhedron_vertices(run.polyhedron)) {
      expected.push_back(solid.point(vertex));
    }
    std::vector<Point<3>> corners;
    for (const auto& corner : brep.corners()) corners.push_back(corner.mesh().point(0));
    EXPECT_EQ(sorted_points(corners), sorted_points(expected));
  }
}

TEST_F(BRepFromBRepElement, PolyhedronOutsideTheMeshIsRefused) {
  const auto& block = add_block(two_hexahedra());
  try {
    detail::build_brep_from_brep_element(block, 2);
    FAIL() << "no exception";
  } catch (const VeyraConversionModelException& error) {
    EXPECT_EQ(error.type(), OstrelException::TYPE::input);
    EXPECT_EQ(std::string{error.what()},
              str_cat("[build_brep_from_brep_element] Polyhedron 2 is not in the mesh of Block ",
                      block.id().string(), " (2 polyhedra)"));
  }
}

}  // namespace
}  // namespace veyra
