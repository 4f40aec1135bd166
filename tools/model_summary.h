// SPDX-License-Identifier: MIT
// What `veyra info` says about a native model file: component counts, then every component with
// its id, name, active flag, mesh counts and relations, as JSON or as text.
#pragma once

#include <ostream>
#include <string_view>

#include <nlohmann/json.hpp>

#include <ostrel/model/brep.h>
#include <ostrel/model/section.h>

namespace veyra::tools {

/// {"kind": "BRep" or "Section", "counts": {...}, "corners": [...], "lines": [...],
/// "surfaces": [...], "blocks": [...], "model_boundaries": [...], "collections": [...]}.
/// Components: "id", "name" (null when unset), "active", "vertices" and "edges", "polygons" or
/// "polyhedra", then the ids of their "boundaries", "incidences", "internals" and
/// "embeddings". Model boundaries and collections: "id", "type", "name" and "items".
nlohmann::ordered_json model_summary(const BRep& model);
nlohmann::ordered_json model_summary(const Section& model);

/// The same as lines of text: the counts, then one line per component.
void print_model_summary(std::ostream& out, std::string_view file,
                         const nlohmann::ordered_json& summary);

}  // namespace veyra::tools
