// SPDX-License-Identifier: MIT
// write_mesh: writes a mesh in an exchange format chosen by the file extension: VTK XML .vtu
// (every kind) and .vtp (point sets, curves, surfaces), Gmsh MSH 4.1 ASCII (every kind, with
// polygons of at most 4 vertices and polyhedra that are tetrahedra, hexahedra, prisms or
// pyramids), OFF and OBJ (point sets, curves, surfaces). Polyhedra other than the four fixed
// cells become VTK polyhedron cells with their facets.
//
// VTK files carry every genericable attribute as a data array of its own value type (bool as
// UInt8, other genericable types as Float32 items). MSH files carry the "gmsh_physical" and
// "gmsh_entity" element attributes as physical groups and entities; OFF and OBJ carry geometry
// only. 2D meshes are written with z = 0.
//
// The file is written to a temporary file in the same folder, renamed over the target only once
// complete, so a failed write never leaves a partial file behind.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <ostrel/mesh/io/loaded_mesh.h>
#include <ostrel/mesh/io/mesh_format.h>

namespace veyra {

struct MeshWriteOptions {
  /// The file's format; by default its extension decides.
  std::optional<MeshFormat> format;
  /// VTK XML data arrays as base64-encoded binary (the default), or as ASCII text.
  bool binary{true};
  /// (name, text) pairs attached to the whole data set of VTK XML files as FieldData string
  /// arrays, shown by ParaView with the data set (the model writer puts component ids there).
  std::vector<std::pair<std::string, std::string>> vtk_field_texts;
};

/// \throw OstrelMeshException (input) when the format is unknown, cannot hold this kind of
/// mesh, or the file cannot be written.
template <index_t D>
void write_mesh(const PointSet<D>& mesh, std::string_view path,
                const MeshWriteOptions& options = {});
template <index_t D>
void write_mesh(const EdgedCurve<D>& mesh, std::string_view path,
                const MeshWriteOptions& options = {});
template <index_t D>
void write_mesh(const SurfaceMesh<D>& mesh, std::string_view path,
                const MeshWriteOptions& options = {});
void write_mesh(const SolidMesh<3>& mesh, std::string_view path,
                const MeshWriteOptions& options = {});
void write_mesh(const LoadedMesh& mesh, std::string_view path,
                const MeshWriteOptions& options = {});

}  // namespace veyra
