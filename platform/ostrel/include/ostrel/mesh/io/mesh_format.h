// SPDX-License-Identifier: MIT
// MeshFormat: the exchange formats the mesh readers and writers know, and how a file name or a
// file's first bytes tell which one a file is.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace veyra {

enum struct MeshFormat : std::uint8_t {
  msh,  ///< Gmsh MSH 2.2 or 4.1, ASCII
  off,  ///< Object File Format
  obj,  ///< Wavefront OBJ
  stl,  ///< STL, ASCII or binary
  vtk,  ///< VTK legacy, ASCII
  vtu,  ///< VTK XML unstructured grid
  vtp   ///< VTK XML poly data
};

/// The lowercase extension of the format, without the dot: "msh", "off"...
std::string_view mesh_format_extension(MeshFormat format);

/// The format named by the file's extension (case-insensitive); empty for any other extension.
std::optional<MeshFormat> mesh_format_from_path(std::string_view path);

/// The format whose signature starts `content` ("$MeshFormat", "OFF", "solid", "# vtk DataFile",
/// a VTKFile element...); empty when none is recognized.
std::optional<MeshFormat> detect_mesh_format(std::string_view content);

}  // namespace veyra
