// SPDX-License-Identifier: MIT
// Conversions between the solid kinds: a tetrahedral copy of a solid made of tetrahedra only,
// and a polyhedral copy of any solid, both keeping every numbering.
#pragma once

#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/tetrahedral_solid.h>

#include <memory>
#include <optional>

namespace veyra {

/// A TetrahedralSolid<3> (default implementation) with the same vertices, polyhedra (vertex
/// order kept), adjacencies, vertex incidence orders, enabled edge and facet tables with their
/// ids, attributes and name. Each polyhedron's facets are renumbered to the fixed tetrahedron
/// order by their vertex sets (facet k is the one without local vertex k), and its adjacencies
/// follow. Empty when some polyhedron is not a tetrahedron: 4 vertices and 4 triangular facets,
/// each leaving out a different vertex.
std::optional<std::unique_ptr<TetrahedralSolid<3>>> convert_solid_mesh_into_tetrahedral_solid(
    const SolidMesh<3>& mesh);

/// A PolyhedralSolid<3> (default implementation) with the same vertices, polyhedra, local
/// facets (a tetrahedron keeps its fixed facet order), adjacencies, vertex incidence orders,
/// enabled edge and facet tables with their ids, attributes and name. Every solid converts.
std::unique_ptr<PolyhedralSolid<3>> convert_solid_mesh_into_polyhedral_solid(
    const SolidMesh<3>& mesh);

}  // namespace veyra
