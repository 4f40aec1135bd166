// SPDX-License-Identifier: MIT
// Whole-file input and all-or-nothing output for the mesh readers and writers: a file is read
// into memory at once, and written to a temporary file in the target's folder that replaces
// the target only once complete.
#pragma once

#include <fstream>
#include <functional>
#include <string>
#include <string_view>

#include <ostrel/mesh/io/mesh_format.h>
#include <ostrel/mesh/io/read_mesh.h>

namespace veyra::internal {

/// The bytes of the file. \throw OstrelMeshException (input) "[caller] Cannot read file ..."
/// when it is missing, not a regular file or unreadable.
std::string read_file_content(std::string_view path, std::string_view caller);

/// The format a reader uses: the options', else the extension's, else the content's.
/// \throw OstrelMeshException (input) when none is known.
MeshFormat choose_format(std::string_view content, std::string_view name,
                         const MeshReadOptions& options);

/// Calls write(stream) on a temporary file next to `path`, then renames it over `path`. On any
/// failure (exception from write, stream error) the temporary file is removed and the target
/// left untouched. \throw OstrelMeshException (input) when the file cannot be written.
void write_file_atomically(std::string_view path, std::string_view caller,
                           const std::function<void(std::ostream&)>& write);

}  // namespace veyra::internal
