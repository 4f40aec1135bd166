// SPDX-License-Identifier: MIT
// STL reader, ASCII and binary. A file is binary when its size is exactly 84 bytes plus 50 per
// announced triangle, ASCII when it starts with "solid" otherwise. Normals and the binary
// attribute bytes are ignored. STL repeats each corner for every triangle, so corners are merged
// into vertices with NNSearch colocation; triangles left with a repeated vertex are dropped.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include <absl/strings/ascii.h>

#include <ostrel/basic/logger.h>
#include <ostrel/geometry/nn_search.h>

#include "mesh_readers.h"

namespace veyra::internal {
namespace {

constexpr std::size_t binary_header_bytes = 84;
constexpr std::size_t binary_triangle_bytes = 50;

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return absl::ascii_tolower(static_cast<unsigned char>(x)) ==
                  absl::ascii_tolower(static_cast<unsigned char>(y));
         });
}

bool starts_with_solid(std::string_view content) {
  const auto first = content.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos &&
         equals_ignoring_case(content.substr(first, 5), "solid");
}

template <typename T>
T read_little_endian(const char* bytes) {
  std::array<char, sizeof(T)> buffer;
  std::memcpy(buffer.data(), bytes, sizeof(T));
  if constexpr (std::endian::native == std::endian::big) {
    std::reverse(buffer.begin(), buffer.end());
  }
  T value;
  std::memcpy(&value, buffer.data(), sizeof(T));
  return value;
}

/// Corners of the triangles, three per triangle, before merging.
using Corners = std::vector<Point<3>>;

void read_binary(const InputSource& source, Corners& corners) {
  const auto content = source.content();
  const auto nb_triangles = read_little_endian<std::uint32_t>(content.data() + 80);
  corners.reserve(3 * static_cast<std::size_t>(nb_triangles));
  for (std::uint32_t t = 0; t < nb_triangles; ++t) {
    const auto* triangle = content.data() + binary_header_bytes + t * binary_triangle_bytes;
    for (index_t corner = 0; corner < 3; ++corner) {
      std::array<double, 3> xyz;
      for (index_t axis = 0; axis < 3; ++axis) {
        const auto offset = 12 + 12 * corner + 4 * axis;
        const auto value = read_little_endian<float>(triangle + offset);
        if (!std::isfinite(value)) {
          source.fail_at_byte(static_cast<std::size_t>(triangle - content.data()) + offset,
                              "triangle ", t, " has a coordinate that is not a finite number");
        }
        xyz[axis] = value;
      }
      corners.emplace_back(xyz);
    }
  }
}

class AsciiStlReader {
 public:
  AsciiStlReader(const InputSource& source, Corners& corners, std::string& name)
      : scanner_(source), corners_(corners), name_(name) {}

  void read() {
    bool first_solid = true;
    while (!scanner_.at_end()) {
      expect_keyword("solid");
      const auto solid_name = scanner_.rest_of_line();
      if (first_solid) name_ = std::string{solid_name};
      first_solid = false;
      read_facets();
    }
    if (first_solid) scanner_.fail("expected \"solid\", found the end of the file");
  }

 private:
  void expect_keyword(std::string_view keyword) {
    if (scanner_.at_end()) {
      scanner_.fail("expected \"", keyword, "\", found the end of the file");
    }
    const auto start = scanner_.position();
    const auto word = scanner_.token(keyword);
    if (!equals_ignoring_case(word, keyword)) {
      scanner_.fail_at(start, "expected \"", keyword, "\", found \"", printable(word), "\"");
    }
  }

  void read_facets() {
    while (true) {
      const auto start = scanner_.position();
      const auto word = scanner_.token("\"facet\" or \"endsolid\"");
      if (equals_ignoring_case(word, "endsolid")) {
        scanner_.rest_of_line();
        return;
      }
      if (!equals_ignoring_case(word, "facet")) {
        scanner_.fail_at(start, "expected \"facet\" or \"endsolid\", found \"", printable(word),
                         "\"");
      }
      expect_keyword("normal");
      for (index_t axis = 0; axis < 3; ++axis) scanner_.real("a normal coordinate");
      expect_keyword("outer");
      expect_keyword("loop");
      for (index_t corner = 0; corner < 3; ++corner) {
        expect_keyword("vertex");
        std::array<double, 3> xyz;
        for (index_t axis = 0; axis < 3; ++axis) xyz[axis] = scanner_.real("a vertex coordinate");
        corners_.emplace_back(xyz);
      }
      expect_keyword("endloop");
      expect_keyword("endfacet");
    }
  }

  TextScanner scanner_;
  Corners& corners_;
  std::string& name_;
};

}  // namespace

RawMesh read_stl_file(const InputSource& source, double merge_distance) {
  if (!(merge_distance >= 0)) {
    source.fail("the STL merge distance must be a non-negative number, not ", merge_distance);
  }
  const auto content = source.content();
  Corners corners;
  RawMesh mesh;
  bool is_binary = false;
  if (content.size() >= binary_header_bytes) {
    const auto nb_triangles = read_little_endian<std::uint32_t>(content.data() + 80);
    is_binary = binary_header_bytes + binary_triangle_bytes * std::uint64_t{nb_triangles} ==
                content.size();
    if (!is_binary && !starts_with_solid(content)) {
      source.fail_at_byte(80, "binary STL announcing ", nb_triangles, " triangles needs ",
                          binary_header_bytes + binary_triangle_bytes * std::uint64_t{nb_triangles},
                          " bytes, the file has ", content.size());
    }
  }
  if (is_binary) {
    read_binary(source, corners);
  } else {
    if (!starts_with_solid(content)) {
      source.fail_at_byte(0, "expected an ASCII STL file starting with \"solid\" or a binary "
                             "STL file of at least 84 bytes");
    }
    AsciiStlReader{source, corners, mesh.name}.read();
  }

  const auto nb_triangles = static_cast<index_t>(corners.size() / 3);
  const auto colocation = NNSearch<3>{std::move(corners)}.colocated_index_mapping(merge_distance);
  mesh.coordinates.reserve(3 * colocation.unique_points.size());
  for (const auto& point : colocation.unique_points) {
    mesh.add_point(point.value(0), point.value(1), point.value(2));
  }
  mesh.cell_kinds.reserve(nb_triangles);
  mesh.cell_vertices.reserve(3 * static_cast<std::size_t>(nb_triangles));
  index_t nb_degenerate = 0;
  for (index_t t = 0; t < nb_triangles; ++t) {
    const std::array<index_t, 3> triangle{colocation.colocated_mapping[3 * t],
                                          colocation.colocated_mapping[3 * t + 1],
                                          colocation.colocated_mapping[3 * t + 2]};
    if (triangle[0] == triangle[1] || triangle[1] == triangle[2] || triangle[0] == triangle[2]) {
      ++nb_degenerate;
      continue;
    }
    mesh.add_cell(CellKind::polygon, triangle);
  }
  if (nb_degenerate > 0) {
    Logger::log_warn("[STL reader] ", source.file(), ": ", nb_degenerate,
                     " triangles with merged corners were dropped");
  }
  return mesh;
}

}  // namespace veyra::internal
