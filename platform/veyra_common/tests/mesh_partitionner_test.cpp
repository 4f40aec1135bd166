// SPDX-License-Identifier: MIT
#include <veyra_common/modifier/mesh_partitionner.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <ostrel/mesh/tetrahedral_solid_builder.h>
#include <veyra_testing/mesh_generators.h>

namespace veyra {
namespace {

using Parts = std::vector<std::vector<index_t>>;

/// Every polyhedron is in exactly one part and each part lists its polyhedra ascending.
void expect_cover(const SolidMesh<3>& mesh, const Parts& parts) {
  std::vector<index_t> seen(mesh.nb_polyhedra(), 0);
  for (const auto& part : parts) {
    EXPECT_TRUE(std::is_sorted(part.begin(), part.end()));
    for (const auto polyhedron : part) ++seen[polyhedron];
  }
  EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](index_t count) { return count == 1; }));
}

/// The polyhedra of the part are all reached from its first one through adjacencies inside it.
bool is_part_connected(const SolidMesh<3>& mesh, const std::vector<index_t>& part) {
  if (part.empty()) return true;
  std::vector<bool> in_part(mesh.nb_polyhedra(), false);
  for (const auto polyhedron : part) in_part[polyhedron] = true;
  std::vector<bool> reached(mesh.nb_polyhedra(), false);
  std::vector<index_t> queue{part.front()};
  reached[part.front()] = true;
  for (std::size_t next = 0; next < queue.size(); ++next) {
    for (local_index_t facet = 0; facet < 4; ++facet) {
      const auto adjacent = mesh.polyhedron_adjacent({queue[next], facet});
      if (!adjacent || !in_part[*adjacent] || reached[*adjacent]) continue;
      reached[*adjacent] = true;
      queue.push_back(*adjacent);
    }
  }
  return queue.size() == part.size();
}

/// Runs the partitioner and fails on anything written to the console.
Parts silent_partition(const SolidMesh<3>& mesh, index_t nb_parts) {
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  auto parts = mesh_partitionner(mesh, {nb_parts});
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  return parts;
}

TEST(MeshPartitionner, CubeGivesConnectedPartsOfSimilarSize) {
  const auto cube = testing::make_box_tetrahedra(12, 12, 12, Point<3>{{0., 0., 0.}},
                                                 Point<3>{{1., 1., 1.}});
  ASSERT_EQ(cube->nb_polyhedra(), 10368u);

  const auto parts = silent_partition(*cube, 6);

  ASSERT_EQ(parts.size(), 6u);
  expect_cover(*cube, parts);
  const double mean = cube->nb_polyhedra() / 6.;
  for (const auto& part : parts) {
    EXPECT_GE(part.size(), 0.7 * mean);
    EXPECT_LE(part.size(), 1.3 * mean);
    EXPECT_TRUE(is_part_connected(*cube, part));
  }
  EXPECT_EQ(mesh_partitionner(*cube, {6}), parts);
}

TEST(MeshPartitionner, DisconnectedAndUnlinkedMeshesStillPartition) {
  // Two boxes apart in one mesh.
  const auto left = testing::make_box_tetrahedra(4, 4, 4, Point<3>{{0., 0., 0.}},
                                                 Point<3>{{1., 1., 1.}});
  const auto right = testing::make_box_tetrahedra(3, 3, 3, Point<3>{{2., 0., 0.}},
                                                  Point<3>{{3., 1., 1.}});
  auto boxes = TetrahedralSolid<3>::create();
  auto unlinked = TetrahedralSolid<3>::create();
  for (auto* solid : {boxes.get(), unlinked.get()}) {
    auto builder = TetrahedralSolidBuilder<3>::create(*solid);
    for (const auto* box : {left.get(), right.get()}) {
      const auto offset = solid->nb_vertices();
      for (index_t v = 0; v < box->nb_vertices(); ++v) builder->create_point(box->point(v));
      for (index_t p = 0; p < box->nb_polyhedra(); ++p) {
        const auto vertices = box->polyhedron_vertices(p);
        builder->create_tetrahedron({vertices[0] + offset, vertices[1] + offset,
                                     vertices[2] + offset, vertices[3] + offset});
      }
    }
    if (solid == boxes.get()) builder->compute_polyhedron_adjacencies();
  }

  for (const auto* solid : {boxes.get(), unlinked.get()}) {
    const auto parts = silent_partition(*solid, 4);
    ASSERT_EQ(parts.size(), 4u);
    expect_cover(*solid, parts);
    EXPECT_EQ(mesh_partitionner(*solid, {4}), parts);
  }
}

TEST(MeshPartitionner, OnePartTakesEverythingAndBadCountsAreRefused) {
  const auto box = testing::make_box_tetrahedra(1, 1, 1, Point<3>{{0., 0., 0.}},
                                                Point<3>{{1., 1., 1.}});
  EXPECT_EQ(mesh_partitionner(*box, {1}), (Parts{{0, 1, 2, 3, 4, 5}}));
  for (const index_t nb_parts : {0u, 7u}) {
    try {
      mesh_partitionner(*box, {nb_parts});
      ADD_FAILURE() << nb_parts << " parts accepted";
    } catch (const OstrelModelException& error) {
      EXPECT_EQ(error.type(), OstrelException::TYPE::input);
      EXPECT_EQ(std::string{error.what()}, "[mesh_partitionner] Cannot split 6 polyhedra into " +
                                               std::to_string(nb_parts) + " parts");
    }
  }
  // As many parts as polyhedra.
  const auto parts = silent_partition(*box, 6);
  expect_cover(*box, parts);
}

}  // namespace
}  // namespace veyra
