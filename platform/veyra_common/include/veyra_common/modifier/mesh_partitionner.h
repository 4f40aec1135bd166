// SPDX-License-Identifier: MIT
// mesh_partitionner: splits the polyhedra of a solid mesh into parts of similar size with small
// interfaces, by partitioning the dual graph (polyhedra linked across their adjacent facets) with
// METIS. Deterministic for a given mesh; METIS never writes to the console.
#pragma once

#include <vector>

#include <ostrel/basic/common.h>
#include <ostrel/mesh/solid_mesh.h>

namespace veyra {

struct PartitionnerParameters {
  index_t nb_parts{2};
};

/// The polyhedra of each part, parts by number, each list ascending; every polyhedron is in
/// exactly one part, and a part may be empty. When the mesh is connected through its facet
/// adjacencies, so is each part. One part takes every polyhedron without calling METIS.
/// \throw OstrelModelException (input) when nb_parts is 0 or more than the number of
/// polyhedra; (internal) when METIS fails, naming its return code.
std::vector<std::vector<index_t>> mesh_partitionner(const SolidMesh<3>& mesh,
                                                    const PartitionnerParameters& parameters);

}  // namespace veyra
