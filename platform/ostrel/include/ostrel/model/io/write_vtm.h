// SPDX-License-Identifier: MIT
// write_vtm: a whole BRep or Section for viewing in ParaView, as a VTK multiblock file whose
// blocks Corners, Lines, Surfaces (and Blocks) hold one data set per component.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <ostrel/mesh/io/write_mesh.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/section.h>

namespace veyra {

/// Writes `filename` (a ".vtm" file) and, in the folder of the same name without the extension
/// beside it, one file per component in model order: Corner_<i>.vtp, Line_<i>.vtp,
/// Surface_<i>.vtu, Block_<i>.vtu. Each data set is named after its component (its name, else
/// its id) and carries FieldData texts "component_type", "component_id", "component_name" and
/// "active" with every attribute of its mesh. The component files are written first and the
/// .vtm last, each through a temporary file renamed once complete. `options.binary` chooses
/// base64 or ASCII arrays. Returns the files written, the .vtm last.
/// \throw OstrelModelException (input) when the extension is not ".vtm" or a file cannot be
/// written.
std::vector<std::string> write_vtm(const BRep& brep, std::string_view filename,
                                   const MeshWriteOptions& options = {});
std::vector<std::string> write_vtm(const Section& section, std::string_view filename,
                                   const MeshWriteOptions& options = {});

}  // namespace veyra
