// SPDX-License-Identifier: MIT
// repair_polygon_orientations: flips polygons so that adjacent polygons run through their shared
// edge in opposite directions.
#pragma once

#include <ostrel/basic/common.h>

namespace veyra {

template <index_t D>
class SurfaceMesh;
template <index_t D>
class SurfaceMeshBuilder;

/// Modifies the mesh in place through `builder` (a builder of `mesh`). Adjacency must be
/// computed. In each connected group (adjacency on either side) the smallest polygon keeps its
/// orientation and the others are reversed where needed; ids, attributes and edges stay.
/// \throw OstrelMeshException (input) "[repair_polygon_orientations] Surface polygons cannot be
/// oriented consistently" when some group cannot be oriented (a Moebius strip), before anything
/// is changed.
template <index_t D>
void repair_polygon_orientations(const SurfaceMesh<D>& mesh, SurfaceMeshBuilder<D>& builder);

}  // namespace veyra
