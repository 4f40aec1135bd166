// SPDX-License-Identifier: MIT
// Native Section files (".tq_sctn"): a compact, versioned binary layout that holds everything in a
// Section, meshes and attributes included, and reads back exactly what was saved.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <ostrel/model/section.h>

namespace veyra {

/// Writes the model to `filename` through a temporary file in the same folder, renamed over the
/// target once complete. Returns the files written (here `filename`). Attributes of value types
/// the file cannot hold are skipped with a warning.
/// \throw OstrelModelException (input) when the extension is not ".tq_sctn" or the file cannot
/// be written.
std::vector<std::string> save_section(const Section& section, std::string_view filename);

/// \throw OstrelModelException (input) when the file is missing, truncated, corrupted, of
/// another kind or of an unknown version, with a message that says which.
Section load_section(std::string_view filename);

}  // namespace veyra
