// SPDX-License-Identifier: MIT
#include <ostrel/mesh/io/mesh_format.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include <absl/strings/ascii.h>

#include "mesh_readers.h"

namespace veyra {
namespace {

constexpr std::array<std::pair<std::string_view, MeshFormat>, 7> extensions{{
    {"msh", MeshFormat::msh},
    {"off", MeshFormat::off},
    {"obj", MeshFormat::obj},
    {"stl", MeshFormat::stl},
    {"vtk", MeshFormat::vtk},
    {"vtu", MeshFormat::vtu},
    {"vtp", MeshFormat::vtp},
}};

std::string_view first_token(std::string_view text) {
  const auto begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string_view::npos) return {};
  const auto end = text.find_first_of(" \t\r\n", begin);
  return text.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin);
}

bool is_binary_stl(std::string_view content) {
  if (content.size() < 84) return false;
  std::uint32_t nb_triangles;
  std::memcpy(&nb_triangles, content.data() + 80, 4);
  return 84 + 50 * std::uint64_t{nb_triangles} == content.size();
}

/// The first statement of a text whose '#' lines are comments.
std::string_view first_statement(std::string_view text) {
  while (true) {
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos) return {};
    text.remove_prefix(begin);
    if (text.front() != '#') return first_token(text);
    const auto end = text.find('\n');
    if (end == std::string_view::npos) return {};
    text.remove_prefix(end);
  }
}

}  // namespace

std::string_view mesh_format_extension(MeshFormat format) {
  for (const auto& [extension, known] : extensions) {
    if (known == format) return extension;
  }
  return {};
}

std::optional<MeshFormat> mesh_format_from_path(std::string_view path) {
  auto extension = std::filesystem::path{path}.extension().string();
  if (extension.size() < 2) return std::nullopt;
  extension = absl::AsciiStrToLower(extension.substr(1));
  for (const auto& [known, format] : extensions) {
    if (known == extension) return format;
  }
  return std::nullopt;
}

std::optional<MeshFormat> detect_mesh_format(std::string_view content) {
  const auto start = content.find_first_not_of(" \t\r\n");
  const auto text = start == std::string_view::npos ? std::string_view{} : content.substr(start);
  if (text.starts_with("$MeshFormat")) return MeshFormat::msh;
  if (text.starts_with("# vtk DataFile")) return MeshFormat::vtk;
  if (text.starts_with("<?xml") || text.starts_with("<VTKFile")) {
    const auto head = text.substr(0, 4096);
    if (head.find("\"UnstructuredGrid\"") != std::string_view::npos) return MeshFormat::vtu;
    if (head.find("\"PolyData\"") != std::string_view::npos) return MeshFormat::vtp;
    return std::nullopt;
  }
  if (is_binary_stl(content)) return MeshFormat::stl;
  const auto token = first_token(text);
  if (internal::is_off_keyword(token)) return MeshFormat::off;
  if (absl::AsciiStrToLower(std::string{token.substr(0, 5)}) == "solid") return MeshFormat::stl;
  static constexpr std::string_view obj_statements[] = {"v", "vt", "vn", "f", "o", "g",
                                                        "mtllib", "usemtl", "s", "l", "p"};
  const auto statement = first_statement(text);
  for (const auto known : obj_statements) {
    if (statement == known) return MeshFormat::obj;
  }
  return std::nullopt;
}

}  // namespace veyra
