// SPDX-License-Identifier: MIT
// The format writers behind write_mesh, each writing a flattened mesh to a stream.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mesh_view.h"

namespace veyra::internal {

/// VTK XML: an UnstructuredGrid (.vtu) or a PolyData (.vtp) with every genericable attribute,
/// and `field_texts` as FieldData string arrays.
void write_vtk_xml(std::ostream& stream, const MeshView& view, bool poly_data, bool binary,
                   const std::vector<std::pair<std::string, std::string>>& field_texts = {});
/// Gmsh MSH 4.1 ASCII. \throw OstrelMeshException (input) for polygons of more than 4 vertices.
void write_msh(std::ostream& stream, const MeshView& view, std::string_view path);
void write_off(std::ostream& stream, const MeshView& view);
void write_obj(std::ostream& stream, const MeshView& view);

}  // namespace veyra::internal
