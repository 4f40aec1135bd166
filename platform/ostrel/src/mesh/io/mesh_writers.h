// SPDX-License-Identifier: MIT
// The format writers behind write_mesh, each writing a flattened mesh to a stream.
#pragma once

#include <ostream>
#include <string_view>

#include "mesh_view.h"

namespace veyra::internal {

/// VTK XML: an UnstructuredGrid (.vtu) or a PolyData (.vtp) with every genericable attribute.
void write_vtk_xml(std::ostream& stream, const MeshView& view, bool poly_data, bool binary);
/// Gmsh MSH 4.1 ASCII. \throw OstrelMeshException (input) for polygons of more than 4 vertices.
void write_msh(std::ostream& stream, const MeshView& view, std::string_view path);
void write_off(std::ostream& stream, const MeshView& view);
void write_obj(std::ostream& stream, const MeshView& view);

}  // namespace veyra::internal
