// SPDX-License-Identifier: MIT
// What `veyra info` says about a mesh: its type, vertex count, element counts by type,
// attribute names by element kind and bounding box, as JSON or as text.
#pragma once

#include <ostream>
#include <string_view>

#include <nlohmann/json.hpp>

#include <ostrel/mesh/io/loaded_mesh.h>

namespace veyra::tools {

/// {"kind": type name, "vertices": n, "elements": {type: count}, "attributes": {element kind:
/// [names]}, "bounding_box": [[min...], [max...]] (null without vertices)}.
nlohmann::ordered_json mesh_summary(const LoadedMesh& mesh);

/// The same as indented lines of text.
void print_mesh_summary(std::ostream& out, std::string_view file, const LoadedMesh& mesh);

}  // namespace veyra::tools
