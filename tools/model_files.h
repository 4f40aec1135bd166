// SPDX-License-Identifier: MIT
// Native model files among the files the veyra commands take: recognized by extension.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include <absl/strings/ascii.h>

namespace veyra::tools {

enum struct ModelFileKind { brep, section };

/// BRep for ".tq_brep", Section for ".tq_sctn" (any case); empty for other files.
inline std::optional<ModelFileKind> model_file_kind(std::string_view path) {
  const auto extension =
      absl::AsciiStrToLower(std::filesystem::path{path}.extension().string());
  if (extension == ".tq_brep") return ModelFileKind::brep;
  if (extension == ".tq_sctn") return ModelFileKind::section;
  return std::nullopt;
}

}  // namespace veyra::tools
