// SPDX-License-Identifier: MIT
// Models built in code for the tests of the model services: two unit cubes side by side, meshed
// by Kuhn tetrahedra, as two blocks or as one.
#pragma once

#include <ostrel/basic/uuid.h>
#include <ostrel/mesh/mesh_type.h>
#include <ostrel/model/brep.h>

#include <array>
#include <vector>

namespace veyra::test {

/// Lattice point i of [0, 2] x [0, 1] x [0, 1]: i = x + 3 y + 6 z.
Point<3> lattice_point(index_t vertex);
/// The six tetrahedra (c, c + a, c + a + b, c + 10) of the unit cube with lowest lattice vertex
/// c, one per order of the axes (a, b), in lattice numbering. Both cubes share the diagonal
/// (1, 10) on x = 1, so their tetrahedra meet facet to facet there.
std::vector<std::array<index_t, 4>> cube_tetrahedra(index_t lowest_vertex);

/// Unique vertex i is lattice point i (12 of them), plus unique vertex 12 without any tie.
/// The surface x = 1 holds triangles (1, 4, 10) and (1, 10, 7) (mesh vertex k is lattice point
/// interface_vertices[k]); a line runs from 1 to 4 and a corner sits on 0.
struct TwoCubes {
  static constexpr std::array<index_t, 4> interface_vertices{1, 4, 7, 10};

  /// Blocks: one per cube, or a single one holding both.
  std::vector<uuid> blocks;
  uuid interface;
  uuid line;
  uuid corner;
  BRep brep;
};

/// With `one_block` false: block 0 holds the cube at x in [0, 1] and block 1 the other; block
/// mesh vertex k is lattice point block_vertex(b, k) = the cube's lattice points in decreasing
/// order, and a polyhedral block lists each tetrahedron's facets as (0,2,1) (1,2,3) (0,3,2)
/// (0,1,3); each block is bounded by the interface. With `one_block` true: one block over all 12
/// lattice points (mesh vertex i = lattice point i), the interface internal to it.
/// `impls` gives the block mesh implementations (one entry used per block).
TwoCubes make_two_cubes(bool one_block, const std::vector<MeshImpl>& impls);

/// The lattice point of mesh vertex k of block b when the cubes are separate blocks.
index_t block_vertex(index_t block, index_t vertex);

}  // namespace veyra::test
