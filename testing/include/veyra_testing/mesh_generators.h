// SPDX-License-Identifier: MIT
// Generated meshes shared by tests and benchmarks: grids, cube faces, spheres and 2D region
// grids of any size, with exact shared points where pieces meet.
#pragma once

#include <array>
#include <memory>
#include <string_view>
#include <vector>

#include <ostrel/geometry/point.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/triangulated_surface.h>

namespace veyra::testing {

/// An n x n grid of 2 n^2 triangles covering origin + s u + t v, s and t in [0, 1]. Triangles
/// are oriented along u x v. Adjacencies are computed.
std::unique_ptr<TriangulatedSurface<3>> make_grid_surface(index_t n, const Point<3>& origin,
                                                          const Point<3>& u, const Point<3>& v);

/// The six faces of the unit cube [0, 1]^3 as six separate surfaces of n x n grids, oriented
/// outwards, in the order x = 0, x = 1, y = 0, y = 1, z = 0, z = 1. Points on shared cube edges
/// are bitwise equal from one face to the next.
std::vector<std::unique_ptr<TriangulatedSurface<3>>> make_cube_faces(index_t n);

/// The closed surface of the unit cube, n x n grid per face, vertices shared, oriented outwards.
std::unique_ptr<TriangulatedSurface<3>> make_cube_surface(index_t n);

/// A closed sphere: an icosahedron subdivided `subdivisions` times (20 x 4^subdivisions
/// triangles), oriented outwards.
std::unique_ptr<TriangulatedSurface<3>> make_sphere(index_t subdivisions, const Point<3>& center,
                                                    double radius);

/// An nx x ny grid of 2 nx ny triangles covering [0, nx] x [0, ny], oriented counterclockwise.
std::unique_ptr<TriangulatedSurface<2>> make_grid_2d(index_t nx, index_t ny);

/// Adds the polygon attribute `name` (index_t) giving each triangle of a make_grid_2d(nx, ny)
/// grid its region: the grid is cut into regions_x x regions_y blocks of cells, numbered row by
/// row from 0.
void add_grid_regions(TriangulatedSurface<2>& grid, index_t nx, index_t ny, index_t regions_x,
                      index_t regions_y, std::string_view name);

/// The box [min, max] cut into nx x ny x nz cells, each cell split into six tetrahedra around its
/// diagonal from the smallest corner (the same split in every cell, so the mesh is conformal):
/// 6 nx ny nz tetrahedra of positive volume over the (nx + 1)(ny + 1)(nz + 1) lattice points,
/// numbered x fastest. Adjacencies are computed.
std::unique_ptr<TetrahedralSolid<3>> make_box_tetrahedra(index_t nx, index_t ny, index_t nz,
                                                         const Point<3>& min,
                                                         const Point<3>& max);

/// Adds the polyhedron attribute `name` (int) giving each tetrahedron of a make_box_tetrahedra
/// box over the unit cube its region: the column of its barycenter when the x-y square is cut
/// into regions_x x regions_y blocks, numbered row by row from 0. With nx (ny) a multiple of
/// regions_x (regions_y), the region borders are lattice planes.
void add_box_regions(TetrahedralSolid<3>& box, index_t regions_x, index_t regions_y,
                     std::string_view name);

}  // namespace veyra::testing
