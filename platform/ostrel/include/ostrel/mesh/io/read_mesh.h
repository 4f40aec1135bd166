// SPDX-License-Identifier: MIT
// read_mesh: reads a mesh from one of the exchange formats (Gmsh MSH 2.2/4.1, OFF, OBJ, STL,
// VTK legacy, VTK XML .vtu/.vtp) into a point set, an edged curve or a surface mesh.
//
// What a file becomes:
// - The mesh kind follows the highest dimension among the file's elements: volume elements give
//   a solid, polygons a surface, segments an edged curve, and a file with only points or point
//   elements a point set. Elements of lower dimensions are left out of read_mesh (the Gmsh
//   per-entity reader of read_msh_entities.h keeps them).
// - Every point of the file becomes a vertex, in file order, whether an element uses it or not.
//   Elements keep file order.
// - A surface made only of triangles is a TriangulatedSurface, otherwise a PolygonalSurface.
//   Polygon adjacencies are computed.
// - Point data arrays become vertex attributes and cell data arrays element attributes, with
//   the array's value type (std::array<T, N> for N components, N in 2, 3, 4, 6, 9; other
//   component counts give one attribute per component, named "<name>_<k>"). Gmsh physical and
//   elementary tags become the int element attributes "gmsh_physical" and "gmsh_entity" (0
//   when absent).
// - STL triangle corners closer than MeshReadOptions::stl_merge_distance become one vertex.
//
// Malformed input throws OstrelMeshException (input) whose message names the file, the line (or
// byte offset for binary content) and what was expected. Counts are checked against the file
// size before anything is allocated, coordinates must be finite, and indices must name existing
// points.
#pragma once

#include <optional>
#include <string_view>

#include <ostrel/geometry/epsilon.h>
#include <ostrel/mesh/io/loaded_mesh.h>
#include <ostrel/mesh/io/mesh_format.h>

namespace veyra {

struct MeshReadOptions {
  /// 3, or 2 to read a planar file into 2D meshes: every z coordinate must then be within
  /// global_epsilon of 0.
  index_t dimension{3};
  /// The file's format; by default the extension decides, then the first bytes.
  std::optional<MeshFormat> format;
  /// STL files repeat each corner for every triangle: corners within this distance of each
  /// other are merged (NNSearch colocation). Exact copies, what STL writers produce, merge at
  /// any non-negative value; the default absorbs round-off of files written in single precision
  /// from nearby double values.
  double stl_merge_distance{global_epsilon};
};

/// \throw OstrelMeshException (input) when the file cannot be read, its format is unknown or
/// its content is malformed.
LoadedMesh read_mesh(std::string_view path, const MeshReadOptions& options = {});

/// Reads a mesh from bytes already in memory; `name` stands for the file in messages and, when
/// options.format is empty, its extension chooses the format.
LoadedMesh read_mesh_from_buffer(std::string_view content, std::string_view name,
                                 const MeshReadOptions& options = {});

}  // namespace veyra
