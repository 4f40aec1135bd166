// SPDX-License-Identifier: MIT
// Generated models shared by tests and benchmarks: a tetrahedral box BRep whose surfaces are the
// box's border facets, and a rectangle Section of two triangulated squares, both complete (ties,
// relationships, model boundary) and valid at any size.
#pragma once

#include <array>

#include <ostrel/basic/uuid.h>
#include <ostrel/geometry/point.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/section.h>

namespace veyra::testing {

/// The box [min, max] meshed by make_box_tetrahedra(nx, ny, nz, min, max) as one block. Unique
/// vertex i is lattice point i of the block mesh (block vertex i).
struct BoxBRep {
  BRep brep;
  /// Corner c on the box corner whose coordinate on axis a is max when bit a of c is set.
  std::array<uuid, 8> corners;
  /// Lines along axis 0 (four of them), then axis 1, then axis 2; along one axis, the line on the
  /// box edge whose two other coordinates are max at bits 0 and 1 of its rank (lower axis first).
  /// Each has one edge per cell along the axis, and its two corners as boundaries.
  std::array<uuid, 12> lines;
  /// The sides x = min, x = max, y = min, y = max, z = min, z = max, as triangulated surfaces made
  /// of the block mesh's border facets (oriented outwards), each bounded by its four lines.
  std::array<uuid, 6> surfaces;
  /// Bounded by the six surfaces.
  uuid block;
  /// Holds the six surfaces.
  uuid boundary;
};

BoxBRep make_box_brep(index_t nx, index_t ny, index_t nz, const Point<3>& min,
                      const Point<3>& max);

/// The rectangle [0, 2] x [0, 1] made of two unit squares of n x n cells each (two triangles
/// per cell, counterclockwise). Unique vertex i is lattice point i, numbered x fastest over the
/// (2n + 1) x (n + 1) points.
struct TwoSquaresSection {
  Section section;
  /// At (0,0) (1,0) (2,0) (2,1) (1,1) (0,1).
  std::array<uuid, 6> corners;
  /// Joining corners (0,1) (1,2) (2,3) (3,4) (4,5) (5,0) (1,4), n edges each.
  std::array<uuid, 7> lines;
  /// The left square, bounded by lines 0, 6, 4, 5; the right one by lines 1, 2, 3, 6.
  std::array<uuid, 2> surfaces;
  /// Holds lines 0 to 5.
  uuid boundary;
};

TwoSquaresSection make_two_squares_section(index_t n);

}  // namespace veyra::testing
