// SPDX-License-Identifier: MIT
// Small models built in code for the model tests: a unit cube BRep and a unit square Section
// split in two surfaces, both with their unique vertices tied.
#pragma once

#include <array>
#include <vector>

#include <ostrel/basic/uuid.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/section.h>

namespace veyra::test {

/// Cube vertex i sits at (i & 1, (i >> 1) & 1, (i >> 2) & 1); unique vertex i is cube vertex i.
struct Cube {
  /// Corner i on cube vertex i.
  std::array<uuid, 8> corners;
  /// Line l joins cube vertices line_ends[l], with mesh vertices 0 and 1 and one edge.
  std::array<uuid, 12> lines;
  std::array<std::array<index_t, 2>, 12> line_ends;
  /// Surface f covers cube vertices face_vertices[f] (a cycle starting at its smallest vertex,
  /// ending at its largest one); mesh vertex k is face vertex k, and the two triangles are
  /// (0, 1, 2) and (0, 2, 3).
  std::array<uuid, 6> surfaces;
  std::array<std::array<index_t, 4>, 6> face_vertices;
  /// The block: six tetrahedra around the diagonal (0, 7), vertex i on cube vertex i, bounded by
  /// the six surfaces; its triangulation agrees with the surfaces' triangles.
  uuid block;
  uuid boundary;
  uuid line_collection;
  BRep brep;
};

/// Corners, then lines (each bounded by its two corners), then surfaces (each bounded by its four
/// lines), then the block, all surfaces in one model boundary and lines 0 and 1 in a line
/// collection. Ties are made in the same order: corners, lines, surfaces, block.
Cube make_cube();

/// The unit square split at x = 0.5: corners 0..5 at (0,0) (0.5,0) (1,0) (1,1) (0.5,1) (0,1),
/// unique vertex i on corner i. Lines 0..6 join corners (0,1) (1,2) (2,3) (3,4) (4,5) (5,0)
/// (1,4); surface 0 is the left quad (0,1,4,5), surface 1 the right one (1,2,3,4), both made of
/// two triangles. Line 6 bounds both surfaces.
struct Square {
  std::array<uuid, 6> corners;
  std::array<uuid, 7> lines;
  std::array<uuid, 2> surfaces;
  Section section;
};

Square make_square();

}  // namespace veyra::test
