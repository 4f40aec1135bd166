// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <model/common/library.h>
#include <model/operations/brep_segmentation.h>
#include <ostrel/basic/attribute.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/str_cat.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/io/brep_io.h>
#include <support/expect_mappings.h>
#include <support/expect_valid_model.h>
#include <tbb/global_control.h>
#include <tbb/task_arena.h>
#include <veyra_testing/log_capture.h>
#include <veyra_testing/model_generators.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace veyra {
namespace {

using testing::LogCapture;

const ComponentType corner_type{"Corner"};
const ComponentType line_type{"Line"};
const ComponentType surface_type{"Surface"};

class BRepSegmentationTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { VeyraConversionModelLibrary::initialize(); }
};

// Runs `run` as if the machine had `nb_threads` hardware threads.
template <typename Run>
auto with_threads(int nb_threads, Run&& run) {
  const tbb::global_control limit{tbb::global_control::max_allowed_parallelism,
                                  static_cast<std::size_t>(nb_threads)};
  tbb::task_arena arena{nb_threads};
  return arena.execute(run);
}

testing::BoxBRep make_box(index_t nx, index_t ny, index_t nz) {
  return testing::make_box_brep(nx, ny, nz, Point<3>{{0., 0., 0.}},
                                Point<3>{{double(nx), double(ny), double(nz)}});
}

std::vector<std::string> debug_lines(LogCapture& log) {
  std::vector<std::string> lines;
  for (const auto& line : log.lines()) {
    if (line.level == Logger::LEVEL::debug && line.text.front() != '[') lines.push_back(line.text);
  }
  return lines;
}

// The collections of each kind named exactly "segmentation_collection".
struct SegmentationCollections {
  std::vector<uuid> corners;
  std::vector<uuid> lines;
  std::vector<uuid> surfaces;
};

SegmentationCollections segmentation_collections(const BRep& model) {
  const auto named = [](const auto& collection) {
    return collection.name() && *collection.name() == "segmentation_collection";
  };
  SegmentationCollections result;
  for (const auto& c : model.corner_collections()) {
    if (named(c)) result.corners.push_back(c.id());
  }
  for (const auto& c : model.line_collections()) {
    if (named(c)) result.lines.push_back(c.id());
  }
  for (const auto& c : model.surface_collections()) {
    if (named(c)) result.surfaces.push_back(c.id());
  }
  return result;
}

TEST_F(BRepSegmentationTest, PieceCountRule) {
  struct Case {
    index_t nb_polyhedra;
    index_t nb_threads;
    index_t nb_pieces;
  };
  for (const auto& [nb_polyhedra, nb_threads, nb_pieces] :
       {Case{1000000, 8, 48}, Case{10000, 8, 6}, Case{100, 8, 10}, Case{19, 8, 1}, Case{0, 8, 0},
        Case{2016, 2, 1}, Case{2016, 8, 6}, Case{24, 2, 2}, Case{29, 2, 2}, Case{30, 2, 3},
        Case{40000, 1, 1}, Case{40960, 1, 2}, Case{40960, 2, 2}, Case{5, 0, 0}}) {
    EXPECT_EQ(internal::segmentation_piece_count(nb_polyhedra, nb_threads), nb_pieces)
        << nb_polyhedra << " polyhedra, " << nb_threads << " threads";
  }
}

// Checks that every block of the model is one piece of the segmentation, the pieces
// 0 to nb_pieces - 1 each giving one block.
void expect_one_block_per_piece(const BRep& model, index_t nb_pieces) {
  EXPECT_EQ(model.nb_blocks(), nb_pieces);
  std::set<index_t> pieces;
  for (const auto& block : model.blocks()) {
    const auto& mesh = block.mesh();
    ASSERT_GT(mesh.nb_polyhedra(), 0u);
    const auto attribute =
        mesh.polyhedron_attribute_manager().find_attribute<index_t>("segmentation_id");
    std::set<index_t> block_pieces;
    for (index_t p = 0; p < mesh.nb_polyhedra(); ++p) block_pieces.insert(attribute->value(p));
    EXPECT_EQ(block_pieces.size(), 1u);
    pieces.insert(block_pieces.begin(), block_pieces.end());
  }
  EXPECT_EQ(pieces.size(), nb_pieces);
  EXPECT_EQ(*pieces.rbegin(), nb_pieces - 1);
}

TEST_F(BRepSegmentationTest, LargeBlockCutIntoOneBlockPerPiece) {
  // 2,016 tetrahedra: one piece with 2 hardware threads, six with 8.
  {
    auto box = make_box(6, 7, 8);
    LogCapture log;
    const auto mappings = with_threads(2, [&] { return add_brep_segmentation(box.brep); });
    EXPECT_EQ(debug_lines(log), std::vector<std::string>{"nb_segmentations = 1"});
    EXPECT_EQ(box.brep.nb_blocks(), 1u);
    EXPECT_TRUE(box.brep.has_block(box.block));
    EXPECT_EQ(box.brep.nb_surface_collections(), 0u);
    EXPECT_FALSE(box.brep.block(box.block).mesh().polyhedron_attribute_manager().attribute_exists(
        "segmentation_id"));
  }
  auto box = make_box(6, 7, 8);
  LogCapture log;
  const auto before = test::snapshot_meshes(box.brep);
  const auto mappings = with_threads(8, [&] { return add_brep_segmentation(box.brep); });
  auto& model = box.brep;
  test::expect_mappings_follow(before, model, mappings);
  // Every tetrahedron went to one of the new blocks.
  EXPECT_EQ(mappings.mesh_elements.blocks.size_in(), 6u * 7 * 8 * 6);
  expect_one_block_per_piece(model, 6);
  const auto collections = segmentation_collections(model);
  ASSERT_EQ(collections.surfaces.size(), 1u);
  ASSERT_EQ(collections.lines.size(), 1u);
  ASSERT_EQ(collections.corners.size(), 1u);
  const auto items = [&](const auto& range) {
    std::vector<uuid> ids;
    for (const auto& item : range) ids.push_back(item.id());
    return ids;
  };
  EXPECT_EQ(
      items(model.surface_collection_items(model.surface_collection(collections.surfaces[0]))),
      mappings.created_components.at(surface_type));
  EXPECT_EQ(items(model.line_collection_items(model.line_collection(collections.lines[0]))),
            mappings.created_components.at(line_type));
  EXPECT_EQ(items(model.corner_collection_items(model.corner_collection(collections.corners[0]))),
            mappings.created_components.at(corner_type));
  EXPECT_EQ(debug_lines(log),
            (std::vector<std::string>{
                "nb_segmentations = 6",
                "\"Adding corners in segmentation collection\" = Adding corners in segmentation "
                "collection",
                "\"Adding lines in segmentation collection\" = Adding lines in segmentation "
                "collection",
                "\"Adding surfaces in segmentation collection\" = Adding surfaces in "
                "segmentation collection"}));
  test::expect_valid(model);
}

TEST_F(BRepSegmentationTest, ModelWithoutBlockOrWithEmptyBlockIsNotCut) {
  auto box = make_box(2, 2, 1);
  {
    BRepBuilder builder{box.brep};
    builder.remove_block(box.brep.block(box.block));
  }
  LogCapture log;
  const auto before = test::snapshot_meshes(box.brep);
  const auto mappings = with_threads(2, [&] { return add_brep_segmentation(box.brep); });
  test::expect_mappings_follow(before, box.brep, mappings);
  EXPECT_TRUE(debug_lines(log).empty());
  EXPECT_EQ(box.brep.nb_blocks(), 0u);
  EXPECT_EQ(box.brep.nb_surfaces(), 6u);
  EXPECT_EQ(box.brep.nb_corner_collections() + box.brep.nb_line_collections() +
                box.brep.nb_surface_collections(),
            0u);
  for (const auto& type : {corner_type, line_type, surface_type}) {
    EXPECT_TRUE(mappings.created_components.at(type).empty()) << type.get();
  }
  EXPECT_EQ(mappings.unchanged_components.at(surface_type).size(), 6u);
  test::expect_valid(box.brep);

  // A block whose mesh has no polyhedron has no piece.
  auto emptied = make_box(2, 2, 1);
  BRepBuilder{emptied.brep}.update_block_mesh(emptied.brep.block(emptied.block),
                                              TetrahedralSolid<3>::create());
  LogCapture empty_log;
  with_threads(2, [&] { return add_brep_segmentation(emptied.brep); });
  EXPECT_EQ(debug_lines(empty_log), std::vector<std::string>{"nb_segmentations = 0"});
  EXPECT_EQ(emptied.brep.nb_blocks(), 1u);
}

TEST_F(BRepSegmentationTest, RemoveWithoutCollectionsStillRunsTheEngine) {
  auto box = make_box(2, 2, 1);
  LogCapture log;
  const auto before = test::snapshot_meshes(box.brep);
  const auto mappings = remove_brep_segmentation(box.brep);
  test::expect_mappings_follow(before, box.brep, mappings);
  EXPECT_EQ(debug_lines(log),
            (std::vector<std::string>{"brep.nb_corners() = 8", "brep.nb_lines() = 12",
                                      "brep.nb_surfaces() = 6", "brep.nb_blocks() = 1"}));
  EXPECT_EQ(mappings.unchanged_components.at(surface_type).size(), 6u);
  EXPECT_TRUE(box.brep.has_block(box.block));
  test::expect_valid(box.brep);
}

TEST_F(BRepSegmentationTest, RemoveAfterAddMergesThePiecesAndKeepsOtherCollections) {
  auto box = make_box(2, 2, 1);
  auto& model = box.brep;
  const auto before_add = test::snapshot_meshes(model);
  test::expect_mappings_follow(before_add, model,
                               with_threads(2, [&] { return add_brep_segmentation(model); }));
  expect_one_block_per_piece(model, 2);
  test::expect_valid(model);

  uuid lookalike;
  uuid unnamed;
  const auto collections = segmentation_collections(model);
  std::vector<uuid> segmentation_items;
  {
    BRepBuilder builder{model};
    // Same items as the segmentation collections, other names.
    lookalike = builder.add_surface_collection();
    builder.set_surface_collection_name(lookalike, "segmentation_collection_old");
    unnamed = builder.add_corner_collection();
    for (const auto& surface :
         model.surface_collection_items(model.surface_collection(collections.surfaces[0]))) {
      builder.add_surface_in_surface_collection(surface, model.surface_collection(lookalike));
      segmentation_items.push_back(surface.id());
    }
    for (const auto& corner :
         model.corner_collection_items(model.corner_collection(collections.corners[0]))) {
      builder.add_corner_in_corner_collection(corner, model.corner_collection(unnamed));
      segmentation_items.push_back(corner.id());
    }
    for (const auto& line :
         model.line_collection_items(model.line_collection(collections.lines[0]))) {
      segmentation_items.push_back(line.id());
    }
  }

  auto before = test::snapshot_meshes(model);
  for (const auto& id : segmentation_items) before.forget(id);
  const auto mappings = remove_brep_segmentation(model);
  test::expect_mappings_follow(before, model, mappings);
  EXPECT_EQ(model.nb_blocks(), 1u);
  EXPECT_EQ(model.nb_surfaces(), 6u);
  EXPECT_EQ(model.nb_lines(), 12u);
  EXPECT_EQ(model.nb_corners(), 8u);
  const auto left = segmentation_collections(model);
  EXPECT_TRUE(left.corners.empty() && left.lines.empty() && left.surfaces.empty());
  EXPECT_TRUE(model.has_surface_collection(lookalike));
  EXPECT_TRUE(model.has_corner_collection(unnamed));
  for (const auto& id : segmentation_items) {
    for (const auto& [type, mapping] : mappings.component_mappings) {
      EXPECT_FALSE(mapping.has_mapping_input(id)) << type.get();
      EXPECT_FALSE(mapping.has_mapping_output(id)) << type.get();
    }
  }
  test::expect_valid(model);
}

std::string saved_segmentation(int nb_threads) {
  uuid::seed(7);
  auto box = make_box(16, 16, 27);
  with_threads(nb_threads, [&] { return add_brep_segmentation(box.brep); });
  EXPECT_EQ(box.brep.nb_blocks(), 2u);
  const auto path = (std::filesystem::temp_directory_path() /
                     str_cat("segmentation_", ::testing::UnitTest::GetInstance()->random_seed(),
                             "_", nb_threads, ".tq_brep"))
                        .string();
  save_brep(box.brep, path);
  std::ifstream file{path, std::ios::binary};
  std::string bytes{std::istreambuf_iterator<char>{file}, std::istreambuf_iterator<char>{}};
  std::filesystem::remove(path);
  return bytes;
}

TEST_F(BRepSegmentationTest, ResultsDoNotDependOnTheThreadCount) {
  // 41,472 tetrahedra: two pieces with one thread as with two.
  const auto one = saved_segmentation(1);
  ASSERT_FALSE(one.empty());
  EXPECT_EQ(one, saved_segmentation(2));
}

}  // namespace
}  // namespace veyra
