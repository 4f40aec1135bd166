// SPDX-License-Identifier: MIT
// Wavefront OBJ reader: vertices ("v"), faces ("f"), polylines ("l") and points ("p"). Texture
// and normal indices ("f 1/2/3") and every other statement (vt, vn, g, o, s, usemtl...) are
// ignored. Indices start at 1; negative ones count back from the last vertex defined so far.
#include <algorithm>
#include <iterator>

#include <absl/container/inlined_vector.h>

#include "mesh_readers.h"

namespace veyra::internal {
namespace {

/// Statements of the OBJ format that carry nothing this reader keeps.
bool is_ignored_statement(std::string_view statement) {
  static constexpr std::string_view ignored[] = {
      "vt",    "vn",   "vp",   "g",      "o",       "s",        "mg",        "usemtl",
      "mtllib", "cstype", "deg", "bmat", "step",   "curv",     "curv2",     "surf",
      "parm",  "trim", "hole", "scrv",   "sp",      "end",      "con",       "bevel",
      "c_interp", "d_interp", "lod", "maplib", "usemap", "shadow_obj", "trace_obj", "ctech",
      "stech", "call", "csh"};
  return std::find(std::begin(ignored), std::end(ignored), statement) != std::end(ignored);
}

}  // namespace

RawMesh read_obj_file(const InputSource& source) {
  TextScanner scanner{source, 0, '#'};
  RawMesh mesh;
  absl::InlinedVector<index_t, 8> vertices;
  const auto read_index = [&]() -> index_t {
    const auto start = scanner.position();
    auto token = scanner.line_token();
    token = token.substr(0, token.find('/'));
    std::int64_t index{};
    if (!parse_number(token, index)) {
      scanner.fail_at(start, "expected a vertex index, found \"", printable(token), "\"");
    }
    const auto nb_defined = static_cast<std::int64_t>(mesh.nb_points());
    const auto resolved = index < 0 ? nb_defined + index : index - 1;
    if (index == 0 || resolved < 0 || resolved >= nb_defined) {
      scanner.fail_at(start, "vertex index ", index, " is out of range (", nb_defined,
                      " vertices defined so far)");
    }
    return static_cast<index_t>(resolved);
  };
  while (!scanner.at_end()) {
    const auto start = scanner.position();
    const auto statement = scanner.line_token();
    if (statement == "v") {
      const auto x = scanner.real("a vertex x coordinate");
      const auto y = scanner.real("a vertex y coordinate");
      const auto z = scanner.real("a vertex z coordinate");
      mesh.add_point(x, y, z);
    } else if (statement == "f" || statement == "l" || statement == "p") {
      vertices.clear();
      while (scanner.line_has_token()) vertices.push_back(read_index());
      if (statement == "f") {
        if (vertices.size() < 3 || vertices.size() > 254) {
          scanner.fail_at(start, "a face of ", vertices.size(),
                          " vertices (3 to 254 are supported)");
        }
        mesh.add_cell(CellKind::polygon, vertices);
      } else if (statement == "l") {
        if (vertices.size() < 2) scanner.fail_at(start, "a line needs at least 2 vertices");
        for (std::size_t i = 0; i + 1 < vertices.size(); ++i) {
          mesh.add_cell(CellKind::edge, {vertices[i], vertices[i + 1]});
        }
      } else {
        for (const auto vertex : vertices) mesh.add_cell(CellKind::vertex, {vertex});
      }
    } else if (!is_ignored_statement(statement)) {
      scanner.fail_at(start, "expected an OBJ statement (v, f, l, p, vt, vn, g, o...), found \"",
                      printable(statement), "\"");
    }
    scanner.next_line();
  }
  return mesh;
}

}  // namespace veyra::internal
