// SPDX-License-Identifier: MIT
#include <ostrel/mesh/io/write_mesh.h>

#include "file_content.h"
#include "mesh_writers.h"

namespace veyra {
namespace {

MeshFormat writing_format(std::string_view path, const MeshWriteOptions& options) {
  const auto format = options.format ? options.format : mesh_format_from_path(path);
  OSTREL_INPUT_CHECK(OstrelMeshException, format.has_value(), "[write_mesh] ", path,
                     ": unknown extension (msh, off, obj, vtu and vtp files can be written)");
  OSTREL_INPUT_CHECK(OstrelMeshException,
                     *format != MeshFormat::stl && *format != MeshFormat::vtk, "[write_mesh] ",
                     path, ": ", mesh_format_extension(*format),
                     " files are read only (msh, off, obj, vtu and vtp files can be written)");
  return *format;
}

void write_view(const internal::MeshView& view, std::string_view path,
                const MeshWriteOptions& options) {
  const auto format = writing_format(path, options);
  OSTREL_INPUT_CHECK(OstrelMeshException,
                     view.element_dimension < 3 || format == MeshFormat::msh ||
                         format == MeshFormat::vtu,
                     "[write_mesh] ", path, ": ", mesh_format_extension(format),
                     " files cannot hold solids (msh and vtu files can)");
  internal::write_file_atomically(path, "write_mesh", [&](std::ostream& stream) {
    switch (format) {
      case MeshFormat::msh:
        return internal::write_msh(stream, view, path);
      case MeshFormat::off:
        return internal::write_off(stream, view);
      case MeshFormat::obj:
        return internal::write_obj(stream, view);
      case MeshFormat::vtp:
        return internal::write_vtk_xml(stream, view, true, options.binary,
                                       options.vtk_field_texts);
      default:
        return internal::write_vtk_xml(stream, view, false, options.binary,
                                       options.vtk_field_texts);
    }
  });
}

}  // namespace

template <index_t D>
void write_mesh(const PointSet<D>& mesh, std::string_view path, const MeshWriteOptions& options) {
  write_view(internal::make_mesh_view(mesh), path, options);
}

template <index_t D>
void write_mesh(const EdgedCurve<D>& mesh, std::string_view path,
                const MeshWriteOptions& options) {
  write_view(internal::make_mesh_view(mesh), path, options);
}

template <index_t D>
void write_mesh(const SurfaceMesh<D>& mesh, std::string_view path,
                const MeshWriteOptions& options) {
  write_view(internal::make_mesh_view(mesh), path, options);
}

void write_mesh(const SolidMesh<3>& mesh, std::string_view path, const MeshWriteOptions& options) {
  write_view(internal::make_mesh_view(mesh), path, options);
}

void write_mesh(const LoadedMesh& mesh, std::string_view path, const MeshWriteOptions& options) {
  mesh.visit([&](const auto& typed) { write_mesh(typed, path, options); });
}

template void write_mesh(const PointSet<2>&, std::string_view, const MeshWriteOptions&);
template void write_mesh(const PointSet<3>&, std::string_view, const MeshWriteOptions&);
template void write_mesh(const EdgedCurve<2>&, std::string_view, const MeshWriteOptions&);
template void write_mesh(const EdgedCurve<3>&, std::string_view, const MeshWriteOptions&);
template void write_mesh(const SurfaceMesh<2>&, std::string_view, const MeshWriteOptions&);
template void write_mesh(const SurfaceMesh<3>&, std::string_view, const MeshWriteOptions&);

}  // namespace veyra
