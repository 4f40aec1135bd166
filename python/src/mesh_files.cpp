// SPDX-License-Identifier: MIT
// Mesh files: read_mesh, read_msh_entities and write_mesh over every exchange format.
#include <optional>
#include <string>

#include <ostrel/mesh/io/read_mesh.h>
#include <ostrel/mesh/io/read_msh_entities.h>
#include <ostrel/mesh/io/write_mesh.h>

#include "meshes.h"

namespace veyra::python {
namespace {

MeshReadOptions read_options(index_t dimension, std::optional<double> stl_merge_distance) {
  if (dimension != 2 && dimension != 3) throw py::value_error("dimension: expected 2 or 3");
  MeshReadOptions options;
  options.dimension = dimension;
  if (stl_merge_distance) options.stl_merge_distance = *stl_merge_distance;
  return options;
}

template <typename PyMesh>
void write_any(const PyMesh& mesh, const std::string& path, const MeshWriteOptions& options) {
  mesh.visit([&](const auto& handle) {
    const auto& typed = handle.get();
    call_without_gil([&] { write_mesh(typed, path, options); });
  });
}

// One overload of write_mesh per kind of mesh, so that pybind11 picks it from the argument.
template <typename PyMesh>
void def_write_mesh(py::module_& module, const char* doc) {
  module.def(
      "write_mesh",
      [](const PyMesh& mesh, const std::string& path, bool binary) {
        MeshWriteOptions options;
        options.binary = binary;
        write_any(mesh, path, options);
      },
      py::arg("mesh"), py::arg("path"), py::arg("binary") = true, doc);
}

}  // namespace

void bind_mesh_files(py::module_& module) {
  module.def(
      "read_mesh",
      [](const std::string& path, index_t dimension, std::optional<double> stl_merge_distance) {
        const auto options = read_options(dimension, stl_merge_distance);
        auto loaded = call_without_gil([&] { return read_mesh(path, options); });
        return wrap_loaded_mesh(std::move(loaded));
      },
      py::arg("path"), py::arg("dimension") = 3, py::arg("stl_merge_distance") = py::none(),
      R"(Reads a mesh file: Gmsh MSH 2.2 or 4.1 (.msh), OFF, OBJ, STL, VTK legacy (.vtk) or VTK
XML (.vtu, .vtp); the extension, else the first bytes, give the format.

Returns a PointSet, EdgedCurve, SurfaceMesh or SolidMesh after the file's highest element
dimension (triangles give a triangulated surface, tetrahedra a tetrahedral solid), with point
and cell data as vertex and element attributes (Gmsh tags as "gmsh_physical" and
"gmsh_entity"). dimension=2 reads a planar file into 2D meshes. STL corners closer than
stl_merge_distance (default 1e-6) become one vertex. Raises VeyraError (type "input") for a
missing or malformed file.)");

  module.def(
      "read_msh_entities",
      [](const std::string& path, index_t dimension) {
        const auto options = read_options(dimension, std::nullopt);
        auto entities = call_without_gil([&] { return read_msh_entities(path, options); });
        py::list result;
        for (auto& entity : entities) {
          py::dict item;
          item["dimension"] = entity.dimension;
          item["entity"] = entity.entity;
          item["physicals"] = entity.physicals;
          item["mesh"] = wrap_loaded_mesh(std::move(entity.mesh));
          result.append(item);
        }
        return result;
      },
      py::arg("path"), py::arg("dimension") = 3,
      R"(Reads a Gmsh MSH file as one mesh per elementary entity and dimension (six surface
meshes for a box meshed face by face), ordered by dimension then entity tag. Returns a list of
dicts with "dimension" (0 to 3), "entity" (the entity tag), "physicals" (its physical groups)
and "mesh"; vertex attribute "gmsh_node" holds each vertex's node tag.)");

  const auto write_doc = R"(Writes a mesh in the format of the file's extension: VTK XML .vtu (every
kind) or .vtp (point sets, curves, surfaces), Gmsh MSH 4.1 .msh (every kind; polygons of at most
4 vertices, polyhedra that are tetrahedra, hexahedra, prisms or pyramids), OFF and OBJ (point
sets, curves, surfaces). VTK files carry every numeric attribute; binary=False writes their
arrays as text. The file is replaced only once completely written.)";
  def_write_mesh<PyPointSet>(module, write_doc);
  def_write_mesh<PyEdgedCurve>(module, write_doc);
  def_write_mesh<PySurfaceMesh>(module, write_doc);
  def_write_mesh<PySolidMesh>(module, write_doc);
}

}  // namespace veyra::python
