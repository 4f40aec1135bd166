// SPDX-License-Identifier: MIT
// Native BRep files (".tq_brep"): a compact, versioned binary layout that holds everything in a
// BRep, meshes and attributes included, and reads back exactly what was saved.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <ostrel/model/brep.h>

namespace veyra {

/// Writes the model to `filename` through a temporary file in the same folder, renamed over the
/// target once complete. Returns the files written (here `filename`). Attributes of value types
/// the file cannot hold are skipped with a warning.
/// \throw OstrelModelException (input) when the extension is not ".tq_brep" or the file cannot
/// be written.
std::vector<std::string> save_brep(const BRep& brep, std::string_view filename);

/// \throw OstrelModelException (input) when the file is missing, truncated, corrupted, of
/// another kind or of an unknown version, with a message that says which.
BRep load_brep(std::string_view filename);

}  // namespace veyra
