// SPDX-License-Identifier: MIT
// Unique-vertex queries on polygons: the unique vertices of a polygon, and every polygon (or
// block polyhedron facet) whose unique vertices form the same cycle as a given polygon's,
// whatever the start and orientation. Components come in the order their vertices appear among
// the ties of the first unique vertex; elements of one component are ascending. Elements with an
// untied vertex never match, and a polygon with an untied vertex finds nothing.
#pragma once

#include <vector>

#include <absl/types/span.h>

#include <ostrel/basic/common.h>
#include <ostrel/basic/linked_hash_map.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/mesh/element_references.h>
#include <ostrel/model/block.h>
#include <ostrel/model/surface.h>

namespace veyra {

struct ModelComponentMeshPolygons {
  /// Surface -> its polygons with the same unique-vertex cycle.
  linked_hash_map<uuid, std::vector<index_t>> surface_polygons;
  /// Block -> its polyhedron facets with the same unique-vertex cycle (BRep only).
  linked_hash_map<uuid, std::vector<PolyhedronFacet>> block_facets;
};

/// Unique vertices of the polygon in polygon vertex order, NO_ID where untied.
template <typename Model>
PolygonVertices polygon_unique_vertices(const Model& model, const Surface<Model::dim>& surface,
                                        index_t polygon);

/// Every polygon and block facet on the same unique vertices as the polygon, the queried
/// polygon included.
template <typename Model>
ModelComponentMeshPolygons component_mesh_polygons(const Model& model,
                                                   const Surface<Model::dim>& surface,
                                                   index_t polygon);

class BRep;

/// Unique vertices of the polyhedron facet in its vertex order, NO_ID where untied.
PolygonVertices polyhedron_facet_unique_vertices(const BRep& model, const Block<3>& block,
                                                 const PolyhedronFacet& facet);

/// Every polygon and block facet on the same unique vertices as the block facet, the queried
/// facet included; the surface part is empty when no surface has that facet.
ModelComponentMeshPolygons component_mesh_polygons(const BRep& model, const Block<3>& block,
                                                   const PolyhedronFacet& facet);

/// Every block facet whose unique vertices form the same cycle as `unique_vertices`.
linked_hash_map<uuid, std::vector<PolyhedronFacet>> block_component_mesh_polygons(
    const BRep& model, absl::Span<const index_t> unique_vertices);

/// The facets of the block's polyhedra that lie on the surface polygon (0, 1 or 2), ascending.
std::vector<PolyhedronFacet> block_mesh_polyhedra_from_surface_polygon(const BRep& model,
                                                                       const Block<3>& block,
                                                                       const Surface<3>& surface,
                                                                       index_t polygon);

}  // namespace veyra
