// SPDX-License-Identifier: MIT
// VTK cells shared by the legacy and XML readers and the XML writer: cell type codes, the
// checks of offset/connectivity arrays, and how each VTK cell becomes RawMesh cells (a polyline
// several segments, a strip several triangles, a pixel a quadrangle...).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "raw_mesh.h"
#include "text_scanner.h"

namespace veyra::internal {

namespace vtk {
inline constexpr std::uint8_t vertex = 1;
inline constexpr std::uint8_t poly_vertex = 2;
inline constexpr std::uint8_t line = 3;
inline constexpr std::uint8_t poly_line = 4;
inline constexpr std::uint8_t triangle = 5;
inline constexpr std::uint8_t triangle_strip = 6;
inline constexpr std::uint8_t polygon = 7;
inline constexpr std::uint8_t pixel = 8;
inline constexpr std::uint8_t quad = 9;
inline constexpr std::uint8_t tetra = 10;
inline constexpr std::uint8_t voxel = 11;
inline constexpr std::uint8_t hexahedron = 12;
inline constexpr std::uint8_t wedge = 13;
inline constexpr std::uint8_t pyramid = 14;
inline constexpr std::uint8_t polyhedron = 42;
}  // namespace vtk

/// One VTK cell array: cell i uses connectivity[ends[i - 1], ends[i]) (from 0 for cell 0).
struct VtkCellArray {
  std::vector<std::int64_t> ends;
  std::vector<std::int64_t> connectivity;

  index_t nb_cells() const { return static_cast<index_t>(ends.size()); }
};

/// Where structural faults are reported: the source and the offset of the section at fault.
struct VtkLocation {
  const InputSource& source;
  std::size_t offset;
};

/// Checks that the ends increase within the connectivity and that every id names a point.
void check_cell_array(const VtkCellArray& cells, index_t nb_points, std::string_view what,
                      const VtkLocation& location);

/// Adds the cells of a poly data set in VTK's cell order (vertices, lines, polygons, strips),
/// which is also the order of its cell data tuples.
void add_poly_data_cells(RawMesh& mesh, const VtkCellArray& verts, const VtkCellArray& lines,
                         const VtkCellArray& polys, const VtkCellArray& strips,
                         const VtkLocation& location);

/// Face streams of the polyhedron cells of an unstructured grid: for cell i of type polyhedron,
/// faces[end of the previous polyhedron cell, face_ends[i]) holds its face count, then each
/// face's point count and point ids; face_ends[i] is -1 for other cells.
struct VtkPolyhedronFaces {
  std::vector<std::int64_t> faces;
  std::vector<std::int64_t> face_ends;
};

/// Adds the cells of an unstructured grid; types[i] is the VTK type of cell i.
void add_unstructured_cells(RawMesh& mesh, const VtkCellArray& cells,
                            const std::vector<std::int64_t>& types, const VtkLocation& location,
                            const VtkPolyhedronFaces* polyhedron_faces = nullptr);

}  // namespace veyra::internal
