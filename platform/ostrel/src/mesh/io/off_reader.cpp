// SPDX-License-Identifier: MIT
// OFF reader: "OFF" (or COFF, NOFF, CNOFF, STOFF...), the vertex, face and edge counts, one
// vertex per line and one face per line. Values after the coordinates or the face indices
// (colors, normals, texture coordinates) are ignored, as are '#' comments.
#include <array>

#include <absl/container/inlined_vector.h>

#include "mesh_readers.h"

namespace veyra::internal {

bool is_off_keyword(std::string_view word) {
  if (!word.ends_with("OFF")) return false;
  word.remove_suffix(3);
  if (word.starts_with("ST")) word.remove_prefix(2);
  if (word.starts_with("C")) word.remove_prefix(1);
  if (word.starts_with("N")) word.remove_prefix(1);
  return word.empty();
}

RawMesh read_off_file(const InputSource& source) {
  TextScanner scanner{source, 0, '#'};
  const auto start = scanner.position();
  const auto keyword = scanner.token("the OFF keyword");
  if (!is_off_keyword(keyword)) {
    scanner.fail_at(start, "expected the OFF keyword, found \"", printable(keyword), "\"");
  }
  RawMesh mesh;
  const auto nb_vertices = scanner.count("vertices", 6);
  const auto nb_faces = scanner.count("faces", 4);
  scanner.integer<std::uint64_t>("the edge count");
  scanner.next_line();
  mesh.coordinates.reserve(3 * static_cast<std::size_t>(nb_vertices));
  for (index_t v = 0; v < nb_vertices; ++v) {
    const auto x = scanner.real("a vertex x coordinate");
    const auto y = scanner.real("a vertex y coordinate");
    const auto z = scanner.real("a vertex z coordinate");
    mesh.add_point(x, y, z);
    scanner.next_line();
  }
  mesh.cell_kinds.reserve(nb_faces);
  absl::InlinedVector<index_t, 8> vertices;
  for (index_t f = 0; f < nb_faces; ++f) {
    const auto face_start = scanner.position();
    const auto size = scanner.count("face vertices", 2);
    if (size == 0 || size > 254) {
      scanner.fail_at(face_start, "a face of ", size, " vertices (1 to 254 are supported)");
    }
    vertices.clear();
    for (index_t i = 0; i < size; ++i) {
      const auto index_start = scanner.position();
      const auto index = scanner.integer<std::int64_t>("a face vertex index");
      if (index < 0 || index >= nb_vertices) {
        scanner.fail_at(index_start, "face vertex index ", index, " is out of range (",
                        nb_vertices, " vertices)");
      }
      vertices.push_back(static_cast<index_t>(index));
    }
    const auto kind =
        size == 1 ? CellKind::vertex : (size == 2 ? CellKind::edge : CellKind::polygon);
    mesh.add_cell(kind, vertices);
    scanner.next_line();
  }
  return mesh;
}

}  // namespace veyra::internal
