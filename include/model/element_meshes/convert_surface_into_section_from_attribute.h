// SPDX-License-Identifier: MIT
// convert_surface_into_section_from_attribute: a Section from ONE 2D surface mesh whose polygons
// carry region values, one surface per region and lines where the value changes.
#pragma once

#include <string_view>
#include <tuple>

#include <model/common/mappings.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/model/section.h>

namespace veyra {

/// Cuts the mesh (modified in place) wherever the polygon attribute `attribute_name` changes
/// across an edge: polygon adjacencies are unset on both sides of every edge whose two values,
/// read as floats, differ, or where either value is NaN. The border of the cut mesh (the true
/// border and every cut edge) becomes one curve, and the mesh and the curve are converted into a
/// Section as a collection of meshes tied where they touch, so that every region becomes a
/// surface and the lines run between regions and along the border. Returns the Section with the
/// mesh vertex and mesh element mappings from the two meshes (the input mesh's id and the
/// curve's) to the Section's components. The curve is made here, as curve_from_surface_borders
/// of the cut mesh: it holds each cut edge twice, once per side, and the line element keys number
/// its edges with the second of two edges on the same vertices left out. The cut runs on the task
/// pool; the result does not depend on the thread count.
/// \throw VeyraConversionModelException (input) "[convert_surface_into_section_from_attribute]
/// Attribute not found." when the mesh has no polygon attribute of that name; the mesh is then
/// untouched. Also "Vertex <v> of the input mesh is not at a finite position: [<point>]" and
/// "Polygon <p> of the input mesh repeats vertex <v>", checked before the mesh is modified.
std::tuple<Section, ModelMeshesVertexMapping, ModelMeshesElementMapping>
convert_surface_into_section_from_attribute(SurfaceMesh<2>& mesh, std::string_view attribute_name);

}  // namespace veyra
