// SPDX-License-Identifier: MIT
// convert_surface_mesh and convert_block_mesh: replace the mesh of a model component by a mesh of
// another type (for example a polygonal surface made of triangles by a triangulated one) with the
// same numbering.
#pragma once

#include <ostrel/mesh/mesh_type.h>
#include <ostrel/model/block.h>
#include <ostrel/model/surface.h>

namespace veyra {

/// Gives the surface a mesh of type `target` (its default implementation) with the same
/// vertices, polygons, adjacencies, edge table ids and attributes, and ties every vertex again
/// to its unique vertex (the surface's ties move to the end of their unique vertices' lists).
/// Returns true when the mesh already has that type (nothing changes) or was converted. A
/// polygonal surface converts to a triangulated one only when it holds triangles only; the
/// reverse always works. Otherwise the mesh stays, the warning "[convert_surface_mesh] Cannot
/// convert mesh of <id> to <target>" is logged and the result is false.
template <typename Model>
bool convert_surface_mesh(const Model& model, typename Model::Builder& builder,
                          const Surface<Model::dim>& surface, const MeshType& target);

class BRep;
class BRepBuilder;

/// The same for a block: a polyhedral solid converts to a tetrahedral one only when it holds
/// tetrahedra only (facet k of each becoming the one opposite its vertex k); the reverse always
/// works. The warning reads "[convert_block_mesh] Cannot convert mesh of <id> to <target>".
bool convert_block_mesh(const BRep& model, BRepBuilder& builder, const Block<3>& block,
                        const MeshType& target);

}  // namespace veyra
