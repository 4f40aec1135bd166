// SPDX-License-Identifier: MIT
// Records shared by the model modifiers: what one split did to a line edge, a polygon or a
// polyhedron, and how clean() renumbered a component.
#pragma once

#include <array>
#include <vector>

#include <absl/container/inlined_vector.h>

#include <ostrel/basic/common.h>

namespace veyra {

/// A line edge replaced by two edges through a new line vertex.
struct LineEdgeSplit {
  index_t old_edge{NO_ID};
  index_t new_vertex{NO_ID};
  /// new_edges[0] keeps end 0 of the old edge, new_edges[1] its end 1.
  std::array<index_t, 2> new_edges{NO_ID, NO_ID};
};

/// A polygon replaced by 2 pieces (edge split) or 3 triangles (triangle split).
struct PolygonSplit {
  index_t old_polygon{NO_ID};
  index_t new_vertex{NO_ID};
  absl::InlinedVector<index_t, 3> new_polygons;
};

/// A tetrahedron of a block mesh replaced by 2 (edge split) or 3 (facet split) tetrahedra.
struct PolyhedronSplit {
  index_t old_polyhedron{NO_ID};
  index_t new_vertex{NO_ID};
  absl::InlinedVector<index_t, 3> new_polyhedra;
};

/// Old-to-new vertex and element indices of one component's mesh (NO_ID for a removed item).
struct ComponentRenumbering {
  std::vector<index_t> vertices;
  std::vector<index_t> elements;
};

}  // namespace veyra
