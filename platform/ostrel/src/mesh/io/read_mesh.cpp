// SPDX-License-Identifier: MIT
#include <ostrel/mesh/io/read_mesh.h>

#include <ostrel/mesh/ostrel_mesh_library.h>

#include "file_content.h"
#include "mesh_readers.h"

namespace veyra {
namespace {

std::string_view reader_name(MeshFormat format) {
  switch (format) {
    case MeshFormat::msh:
      return "MSH reader";
    case MeshFormat::off:
      return "OFF reader";
    case MeshFormat::obj:
      return "OBJ reader";
    case MeshFormat::stl:
      return "STL reader";
    case MeshFormat::vtk:
      return "VTK reader";
    default:
      return "VTK XML reader";
  }
}

}  // namespace

namespace internal {

MeshFormat choose_format(std::string_view content, std::string_view name,
                         const MeshReadOptions& options) {
  if (options.format) return *options.format;
  if (const auto format = mesh_format_from_path(name)) return *format;
  if (const auto format = detect_mesh_format(content)) return *format;
  throw OstrelMeshException(nullptr, OstrelException::TYPE::input, "[read_mesh] ", name,
                            ": unknown mesh format (neither the extension nor the content is "
                            "one of MSH, OFF, OBJ, STL, VTK, VTU, VTP)");
}

}  // namespace internal

LoadedMesh read_mesh(std::string_view path, const MeshReadOptions& options) {
  const auto content = internal::read_file_content(path, "read_mesh");
  return read_mesh_from_buffer(content, path, options);
}

LoadedMesh read_mesh_from_buffer(std::string_view content, std::string_view name,
                                 const MeshReadOptions& options) {
  OstrelMeshLibrary::initialize();
  const auto format = internal::choose_format(content, name, options);
  const internal::InputSource source{content, name, reader_name(format)};
  const auto raw = [&] {
    switch (format) {
      case MeshFormat::msh:
        return internal::read_msh_file(source).mesh;
      case MeshFormat::off:
        return internal::read_off_file(source);
      case MeshFormat::obj:
        return internal::read_obj_file(source);
      case MeshFormat::stl:
        return internal::read_stl_file(source, options.stl_merge_distance);
      case MeshFormat::vtk:
        return internal::read_vtk_legacy_file(source);
      default:
        return internal::read_vtk_xml_file(source);
    }
  };
  return internal::build_mesh(raw(), options, source);
}

}  // namespace veyra
