// SPDX-License-Identifier: MIT
// Unique-vertex queries on edges: the unique vertices of a line edge or a polygon edge, and every
// component mesh edge whose two ends are tied to a given pair of unique vertices, in either order.
// Components come in the order their vertices appear among the ties of the first unique vertex;
// the edges of one component are ascending. An untied end never matches, and a query whose own
// unique vertices include NO_ID finds nothing.
#pragma once

#include <array>
#include <vector>

#include <ostrel/basic/common.h>
#include <ostrel/basic/linked_hash_map.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/mesh/element_references.h>
#include <ostrel/model/line.h>
#include <ostrel/model/surface.h>

namespace veyra {

struct ModelComponentMeshEdges {
  /// Line -> its edges on the pair.
  linked_hash_map<uuid, std::vector<index_t>> line_edges;
  /// Surface -> its polygon edges on the pair.
  linked_hash_map<uuid, std::vector<PolygonEdge>> surface_edges;
  /// Block -> the vertex pairs of its polyhedron edges on the pair (BRep only).
  linked_hash_map<uuid, std::vector<std::array<index_t, 2>>> block_edges;
};

/// Unique vertices of the edge's ends 0 and 1, NO_ID where untied.
template <typename Model>
std::array<index_t, 2> edge_unique_vertices(const Model& model, const Line<Model::dim>& line,
                                            index_t edge);
/// Unique vertices of the polygon edge's ends (its vertex k, then k + 1).
template <typename Model>
std::array<index_t, 2> edge_unique_vertices(const Model& model, const Surface<Model::dim>& surface,
                                            const PolygonEdge& edge);

/// Every line edge, polygon edge and block edge joining the two unique vertices.
template <typename Model>
ModelComponentMeshEdges component_mesh_edges(const Model& model,
                                             const std::array<index_t, 2>& unique_vertices);
/// The same for the unique vertices of a line edge (the line itself included).
template <typename Model>
ModelComponentMeshEdges component_mesh_edges(const Model& model, const Line<Model::dim>& line,
                                             index_t edge);

/// The surface part of component_mesh_edges.
template <typename Model>
linked_hash_map<uuid, std::vector<PolygonEdge>> surface_component_mesh_edges(
    const Model& model, const std::array<index_t, 2>& unique_vertices);
/// The polygon edges of one surface joining the two unique vertices, ascending.
template <typename Model>
std::vector<PolygonEdge> surface_component_mesh_edges(
    const Model& model, const Surface<Model::dim>& surface,
    const std::array<index_t, 2>& unique_vertices);

}  // namespace veyra
