// SPDX-License-Identifier: MIT
#include <model/topology/brep_block_builder.h>

#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>

namespace veyra::detail {

std::vector<uuid> BRepBlockBuilder::build_blocks(
    absl::Span<const BlockRelationships> relationships) {
  std::vector<uuid> result;
  result.reserve(relationships.size());
  for (const auto& record : relationships) {
    const auto id = builder_.add_block();
    const auto& block = model_.block(id);
    for (const auto& surface : record.boundary_surfaces) {
      builder_.add_surface_block_boundary_relationship(model_.surface(surface), block);
    }
    for (const auto& surface : record.internal_surfaces) {
      builder_.add_surface_block_internal_relationship(model_.surface(surface), block);
    }
    for (const auto& line : record.internal_lines) {
      builder_.add_line_block_internal_relationship(model_.line(line), block);
    }
    for (const auto& corner : record.internal_corners) {
      builder_.add_corner_block_internal_relationship(model_.corner(corner), block);
    }
    result.push_back(id);
  }
  return result;
}

}  // namespace veyra::detail
