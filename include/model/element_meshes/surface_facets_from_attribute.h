// SPDX-License-Identifier: MIT
// surface_facets_from_attribute: the facets of a solid between two polyhedra whose values of a
// polyhedron attribute differ, ready to be given as the surface facets of a solid conversion.
#pragma once

#include <ostrel/basic/common.h>
#include <ostrel/mesh/solid_mesh.h>

#include <string_view>
#include <vector>

namespace veyra {

/// Enables the solid's facet table, then lists, in the order of polyhedra and of their local
/// facets, the id in solid.facets() of every facet shared by two adjacent polyhedra whose values
/// of the polyhedron attribute `attribute_name`, read as floats, differ or are not a number.
/// Each shared facet is examined once, from the polyhedron of smaller index.
/// \throw VeyraConversionModelException (input) "[surface_facets_from_attribute] Attribute not
/// found" when the solid has no polyhedron attribute of that name.
std::vector<index_t> surface_facets_from_attribute(SolidMesh<3>& solid,
                                                   std::string_view attribute_name);

}  // namespace veyra
