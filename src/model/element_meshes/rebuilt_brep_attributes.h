// SPDX-License-Identifier: MIT
// transfer_rebuilt_brep_attributes: carries the mesh attributes of a BRep over to the BRep rebuilt
// from it, through the element and vertex mappings between the two, interpolating the vertices
// that splits created.
#pragma once

#include <model/common/mappings.h>
#include <ostrel/model/brep.h>

namespace veyra::internal {

/// For the corners, lines, surfaces and blocks of `to`, in that order:
/// 1. the vertex attributes of each old mesh are imported into each new mesh through the vertex
///    mapping, grouped by old component;
/// 2. likewise the line edge, surface polygon and block polyhedron attributes through the element
///    mapping;
/// 3. a new vertex without old vertex gets its attribute values interpolated: on a line, from the
///    new vertices at the ends of the old edge it lies on, weighted by distance; in a surface or a
///    block, from the new vertices at the corners of the old triangle or tetrahedron that was
///    split into several new elements of that component, with barycentric weights.
/// \throw VeyraConversionModelException (internal, data: the point of the old vertex) when a
/// corner of a split triangle or tetrahedron has no new vertex in the component.
void transfer_rebuilt_brep_attributes(const BRep& from, const BRep& to,
                                      const BRepMeshesElementMapping& elements,
                                      const BRepMeshesVertexMapping& vertices);

}  // namespace veyra::internal
