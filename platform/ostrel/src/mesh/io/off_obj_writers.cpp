// SPDX-License-Identifier: MIT
// OFF and OBJ writers: geometry only. Edges become two-vertex OFF faces and OBJ "l" lines; a
// point set is a vertex list without faces.
#include "mesh_writers.h"
#include "output_buffer.h"

namespace veyra::internal {

void write_off(std::ostream& stream, const MeshView& view) {
  OutputBuffer out{stream};
  out << "OFF\n" << view.nb_vertices() << ' ' << view.nb_elements() << " 0\n";
  for (index_t v = 0; v < view.nb_vertices(); ++v) {
    out << view.coordinates[3 * v] << ' ' << view.coordinates[3 * v + 1] << ' '
        << view.coordinates[3 * v + 2] << '\n';
  }
  for (index_t e = 0; e < view.nb_elements(); ++e) {
    const auto vertices = view.element(e);
    out << vertices.size();
    for (const auto vertex : vertices) out << ' ' << vertex;
    out << '\n';
  }
}

void write_obj(std::ostream& stream, const MeshView& view) {
  OutputBuffer out{stream};
  for (index_t v = 0; v < view.nb_vertices(); ++v) {
    out << "v " << view.coordinates[3 * v] << ' ' << view.coordinates[3 * v + 1] << ' '
        << view.coordinates[3 * v + 2] << '\n';
  }
  const std::string_view statement = view.element_dimension == 1 ? "l" : "f";
  for (index_t e = 0; e < view.nb_elements(); ++e) {
    out << statement;
    for (const auto vertex : view.element(e)) out << ' ' << vertex + 1;
    out << '\n';
  }
}

}  // namespace veyra::internal
