// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/brep_transfers.h>

#include <string>
#include <vector>

#include "model_fixtures.h"

namespace veyra {
namespace {

std::optional<std::string> name_of(const Identifier& component) {
  const auto name = component.name();
  return name ? std::optional<std::string>{std::string{*name}} : std::nullopt;
}

struct Transfer {
  Transfer() {
    BRepBuilder from_builder{cube.brep};
    from_builder.set_corner_name(cube.corners[3], "corner2");
    from_builder.set_corner_active(cube.corners[1], false);
    from_builder.set_block_name(cube.block, "rock");
    unmapped_collection = from_builder.add_corner_collection();
    from_builder.set_corner_collection_name(unmapped_collection, "lonely");
    from_builder.add_corner_in_corner_collection(cube.brep.corner(cube.corners[7]),
                                                 cube.brep.corner_collection(unmapped_collection));
    block_collection = from_builder.add_block_collection();
    from_builder.add_block_in_block_collection(cube.brep.block(cube.block),
                                               cube.brep.block_collection(block_collection));

    BRepBuilder builder{to};
    corners = {builder.add_corner(), builder.add_corner()};
    line = builder.add_line();
    surfaces = {builder.add_surface(), builder.add_surface(), builder.add_surface()};
    block = builder.add_block();
    builder.set_surface_active(surfaces[2], false);

    GenericMapping<uuid> corner_mapping;
    corner_mapping.map(cube.corners[0], corners[0]);
    corner_mapping.map(cube.corners[1], corners[0]);
    corner_mapping.map(cube.corners[2], corners[1]);
    corner_mapping.map(cube.corners[3], corners[1]);
    GenericMapping<uuid> line_mapping;
    line_mapping.map(cube.lines[0], line);
    line_mapping.map(cube.lines[1], line);
    GenericMapping<uuid> surface_mapping;
    for (index_t f = 0; f < 6; ++f) surface_mapping.map(cube.surfaces[f], surfaces[f / 3]);
    surface_mapping.map(uuid{}, surfaces[2]);  // unknown to the source model
    GenericMapping<uuid> block_mapping;
    block_mapping.map(cube.block, block);
    mapping.emplace(Corner<3>::component_type_static(), corner_mapping);
    mapping.emplace(Line<3>::component_type_static(), line_mapping);
    mapping.emplace(Surface<3>::component_type_static(), surface_mapping);
    mapping.emplace(Block<3>::component_type_static(), block_mapping);
  }

  test::Cube cube = test::make_cube();
  uuid unmapped_collection;
  uuid block_collection;
  BRep to;
  std::vector<uuid> corners;
  uuid line;
  std::vector<uuid> surfaces;
  uuid block;
  ModelGenericMapping mapping;
};

TEST(TransferBRepMetadata, JoinsDistinctNamesAndKeepsActiveOnlyWhenEverySourceIs) {
  Transfer transfer;
  auto& to = transfer.to;
  BRepBuilder builder{to};
  transfer_brep_metadata(transfer.cube.brep, builder, transfer.mapping);

  EXPECT_EQ(name_of(to.corner(transfer.corners[0])), "corner0_corner1");
  EXPECT_FALSE(to.corner(transfer.corners[0]).is_active());
  EXPECT_EQ(name_of(to.corner(transfer.corners[1])), "corner2");
  EXPECT_TRUE(to.corner(transfer.corners[1]).is_active());
  EXPECT_EQ(name_of(to.line(transfer.line)), std::nullopt);
  EXPECT_EQ(name_of(to.surface(transfer.surfaces[0])), std::nullopt);
  // Its only source is unknown: nothing inactive among the known ones.
  EXPECT_TRUE(to.surface(transfer.surfaces[2]).is_active());
  EXPECT_EQ(name_of(to.block(transfer.block)), "rock");
}

TEST(TransferBRepCollections, RebuildsEachCollectionThroughTheMapping) {
  Transfer transfer;
  auto& to = transfer.to;
  BRepBuilder builder{to};
  transfer_brep_collections(transfer.cube.brep, to, builder, transfer.mapping);

  ASSERT_EQ(to.nb_corner_collections(), 1);
  const auto& lonely = *to.corner_collections().begin();
  EXPECT_NE(lonely.id(), transfer.unmapped_collection);
  EXPECT_EQ(name_of(lonely), "lonely");
  EXPECT_EQ(to.nb_items(lonely.id()), 0);

  ASSERT_EQ(to.nb_line_collections(), 1);
  const auto& lines = *to.line_collections().begin();
  EXPECT_EQ(to.nb_items(lines.id()), 1);
  EXPECT_TRUE(to.is_item(transfer.line, lines.id()));

  ASSERT_EQ(to.nb_block_collections(), 1);
  EXPECT_TRUE(to.is_item(transfer.block, to.block_collections().begin()->id()));

  ASSERT_EQ(to.nb_model_boundaries(), 1);
  const auto& boundary = *to.model_boundaries().begin();
  EXPECT_EQ(name_of(boundary), "outside");
  std::vector<uuid> items;
  for (const auto& surface : to.model_boundary_items(boundary)) items.push_back(surface.id());
  EXPECT_EQ(items, (std::vector<uuid>{transfer.surfaces[0], transfer.surfaces[1]}));
}

}  // namespace
}  // namespace veyra
