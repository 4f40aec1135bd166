// SPDX-License-Identifier: MIT
// add_brep_segmentation and remove_brep_segmentation: large blocks of a BRep cut into pieces
// (new blocks with their interface surfaces, lines and corners), and the pieces merged back.
#pragma once

#include <model/common/mappings.h>
#include <ostrel/basic/common.h>
#include <ostrel/model/brep.h>

namespace veyra {

/// Cuts every large block of the BRep, modified in place, into pieces and rebuilds the topology:
///   1. for each block in model order, the piece count is segmentation_piece_count of its
///      polyhedron count and hardware_concurrency(); with two pieces or more the block mesh is
///      partitioned (mesh_partitionner), each polyhedron's piece index is stored in the dense
///      polyhedron attribute "segmentation_id" (kept afterwards), and the adjacency between
///      polyhedra of different pieces is unset;
///   2. the topology engine, keeping every boundary present, turns the cuts into surfaces,
///      lines, corners and blocks;
///   3. the corners, lines and surfaces the engine created go into one new collection per type
///      named "segmentation_collection" (none for a type without created component).
/// Returns the engine's mappings.
/// \throw the partitioner's and the engine's errors; nothing is rolled back.
BRepMappings add_brep_segmentation(BRep& model);

/// Removes every surface, then line, then corner held by a collection named exactly
/// "segmentation_collection", and those collections, then runs the topology engine merging what
/// is no longer split. Returns the engine's mappings (which cannot mention the removed
/// components). The "segmentation_id" attributes stay.
BRepMappings remove_brep_segmentation(BRep& model);

namespace internal {

/// The number of pieces a block of `nb_polyhedra` polyhedra is cut into on a machine of
/// `nb_threads` hardware threads: nb_polyhedra / (10 x chunk), where chunk is
/// nb_polyhedra / (8 x nb_threads) clamped to [1, 2048] (integer divisions). Fewer than two
/// means the block is not cut.
index_t segmentation_piece_count(index_t nb_polyhedra, index_t nb_threads);

}  // namespace internal

}  // namespace veyra
