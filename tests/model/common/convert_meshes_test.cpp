// SPDX-License-Identifier: MIT
#include <model/common/convert_meshes.h>

#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/mesh/triangulated_surface_builder.h>
#include <support/expect_valid_model.h>
#include <veyra_testing/log_capture.h>
#include <veyra_testing/mesh_generators.h>

#include <model/common/library.h>
#include <model/common/model_builder_from_meshes.h>

namespace veyra {
namespace {

using Ids = std::vector<uuid>;

class ConvertMeshes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { VeyraConversionModelLibrary::initialize(); }
};

template <index_t D>
std::vector<std::reference_wrapper<const SurfaceMesh<D>>> surface_refs(
    const std::vector<std::unique_ptr<TriangulatedSurface<D>>>& meshes) {
  std::vector<std::reference_wrapper<const SurfaceMesh<D>>> refs;
  for (const auto& mesh : meshes) refs.emplace_back(*mesh);
  return refs;
}

// The blocks are built after the topology update: the mappings never mention them.
void expect_no_block_in(const BRepMappings& mappings) {
  const auto& block = Block<3>::component_type_static();
  for (const auto* lists : {&mappings.created_components, &mappings.removed_components,
                            &mappings.unchanged_components}) {
    EXPECT_FALSE(lists->has_mapping_type(block) && !lists->at(block).empty());
  }
  EXPECT_FALSE(mappings.component_mappings.has_mapping_type(block) &&
               !mappings.component_mappings.at(block).empty());
  EXPECT_TRUE(mappings.mesh_elements.blocks.empty());
  EXPECT_TRUE(mappings.mesh_vertices.blocks.empty());
}

TEST_F(ConvertMeshes, CubeFacesGiveOneBlockAndEveryInputIsMapped) {
  const auto faces = testing::make_cube_faces(3);
  const auto refs = surface_refs(faces);
  auto [brep, mappings] = convert_meshes_into_brep({}, {}, refs);

  EXPECT_EQ(brep.nb_corners(), 8);
  EXPECT_EQ(brep.nb_lines(), 12);
  EXPECT_EQ(brep.nb_surfaces(), 6);
  EXPECT_EQ(brep.nb_blocks(), 1);
  ASSERT_EQ(brep.nb_model_boundaries(), 1);
  const auto& boundary = *brep.model_boundaries().begin();
  EXPECT_EQ(brep.nb_model_boundary_items(boundary), 6);
  for (const auto& corner : brep.corners()) EXPECT_EQ(brep.nb_incidences(corner), 3);
  for (const auto& line : brep.lines()) {
    EXPECT_EQ(brep.nb_incidences(line), 2);
    EXPECT_EQ(brep.nb_boundaries(line), 2);
  }
  for (const auto& surface : brep.surfaces()) {
    EXPECT_EQ(brep.nb_boundaries(surface), 4);
    EXPECT_EQ(brep.nb_incidences(surface), 1);
  }
  test::expect_valid(brep);

  // Each face is its own surface, kept as it came: its id, vertices and triangles stand
  // unchanged in the result, and the mappings list it as unchanged.
  const auto& surface_type = Surface<3>::component_type_static();
  EXPECT_TRUE(mappings.component_mappings.at(surface_type).empty());
  Ids unchanged;
  for (const auto& face : faces) {
    unchanged.push_back(face->id());
    const auto& mesh = brep.surface(face->id()).mesh();
    ASSERT_EQ(mesh.nb_vertices(), face->nb_vertices());
    ASSERT_EQ(mesh.nb_polygons(), face->nb_polygons());
    for (index_t v = 0; v < face->nb_vertices(); ++v) {
      EXPECT_EQ(mesh.point(v), face->point(v));
      EXPECT_FALSE(mappings.mesh_vertices.surfaces.has_mapping_input({face->id(), v}));
    }
    for (index_t t = 0; t < face->nb_polygons(); ++t) {
      EXPECT_EQ(mesh.polygon_vertices(t), face->polygon_vertices(t));
    }
  }
  EXPECT_EQ(mappings.unchanged_components.at(surface_type), unchanged);
  EXPECT_EQ(mappings.created_components.at(Corner<3>::component_type_static()).size(), 8);
  EXPECT_EQ(mappings.created_components.at(Line<3>::component_type_static()).size(), 12);
  expect_no_block_in(mappings);
}

}  // namespace
}  // namespace veyra
