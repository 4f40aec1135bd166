// SPDX-License-Identifier: MIT
// convert_brep_into_solid: one solid mesh holding every block of a BRep, numbered by unique
// vertices, with the correspondences from model elements to solid elements.
#pragma once

#include <ostrel/basic/generic_mapping.h>
#include <ostrel/basic/mesh_element.h>
#include <ostrel/mesh/solid_mesh.h>

#include <memory>
#include <tuple>

namespace veyra {

class BRep;

struct ModelToMeshMappings {
  /// (corner, 0) -> solid vertex.
  GenericMapping<MeshElement, index_t> corner_mapping;
  /// (line, edge) -> solid edge.
  GenericMapping<MeshElement, index_t> line_mapping;
  /// (surface, polygon) -> solid facet.
  GenericMapping<MeshElement, index_t> surface_mapping;
  /// (block, polyhedron) -> solid polyhedron.
  GenericMapping<MeshElement, index_t> block_mapping;
  /// Unique vertex -> solid vertex (the identity).
  GenericMapping<index_t, index_t> unique_vertex_mapping;
};

/// The solid:
/// - vertex i is unique vertex i, for every unique vertex, at the point of its first tie (the
///   origin when it has none); unique vertices no block uses are isolated vertices;
/// - polyhedra are those of the blocks in model order, each block's ascending, with their
///   vertices translated through their unique vertices and their local vertex order and facet
///   lists kept, so block facet (p, f) is solid facet (p', f);
/// - a TetrahedralSolid3D when every block mesh (at least one) is tetrahedral, a
///   PolyhedralSolid3D otherwise (default implementations);
/// - adjacencies copied from each block mesh only: none across blocks, none across facets that
///   are not adjacent in their block;
/// - edge and facet tables enabled.
/// The mappings give every corner the solid vertex of its vertex 0, every line edge and surface
/// polygon the solid edge or facet on its unique vertices (when the solid has one), and every
/// block polyhedron its solid polyhedron.
/// \throw OstrelModelException (input) when a block vertex has no unique vertex.
std::tuple<std::unique_ptr<SolidMesh<3>>, ModelToMeshMappings> convert_brep_into_solid(
    const BRep& brep);

}  // namespace veyra
