// SPDX-License-Identifier: MIT
// The format readers behind read_mesh: each parses its file into a RawMesh (the Gmsh reader also
// keeps what the per-entity reader needs), failing with located messages through the source.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>

#include <ostrel/mesh/io/mesh_format.h>

#include "raw_mesh.h"
#include "text_scanner.h"

namespace veyra::internal {

struct MshFile {
  /// Every node and every element, with the int32 cell data "gmsh_physical" and "gmsh_entity".
  RawMesh mesh;
  std::vector<std::uint64_t> node_tags;
  /// Physical groups of each (dimension, entity) listed in an MSH 4.1 $Entities section.
  absl::flat_hash_map<std::pair<index_t, int>, std::vector<int>> entity_physicals;
  /// Names of the physical groups, by (dimension, physical tag).
  absl::flat_hash_map<std::pair<index_t, int>, std::string> physical_names;
};

/// "OFF" with the optional ST, C and N prefixes of its variants.
bool is_off_keyword(std::string_view word);

MshFile read_msh_file(const InputSource& source);
RawMesh read_off_file(const InputSource& source);
RawMesh read_obj_file(const InputSource& source);
RawMesh read_stl_file(const InputSource& source, double merge_distance);
RawMesh read_vtk_legacy_file(const InputSource& source);
/// Unstructured grids (.vtu) and poly data (.vtp), whatever the extension says.
RawMesh read_vtk_xml_file(const InputSource& source);

}  // namespace veyra::internal
