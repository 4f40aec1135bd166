// SPDX-License-Identifier: MIT
// RawMesh: what every reader extracts from its file (points, cells of any kind, data arrays)
// before build_mesh turns it into a point set, curve or surface with attributes. Keeping the
// choice of mesh kind, the checks and the attribute creation in one place makes every format
// behave the same.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <absl/types/span.h>

#include <ostrel/mesh/io/loaded_mesh.h>
#include <ostrel/mesh/io/read_mesh.h>

#include "text_scanner.h"

namespace veyra::internal {

enum struct CellKind : std::uint8_t {
  vertex,
  edge,
  polygon,
  tetrahedron,
  hexahedron,
  prism,
  pyramid,
  polyhedron
};

/// 0 for vertices, 1 for edges, 2 for polygons, 3 for the volume cells.
index_t cell_dimension(CellKind kind);

using ArrayValues =
    std::variant<std::vector<std::int8_t>, std::vector<std::uint8_t>, std::vector<std::int16_t>,
                 std::vector<std::uint16_t>, std::vector<std::int32_t>,
                 std::vector<std::uint32_t>, std::vector<std::int64_t>,
                 std::vector<std::uint64_t>, std::vector<float>, std::vector<double>>;

/// One named array of a file: tuples of nb_components values each.
struct DataArray {
  std::string name;
  index_t nb_components{1};
  ArrayValues values;

  std::size_t nb_values() const;
  std::size_t nb_tuples() const { return nb_components == 0 ? 0 : nb_values() / nb_components; }
};

struct RawMesh {
  std::string name;
  /// x, y, z of each point.
  std::vector<double> coordinates;
  std::vector<CellKind> cell_kinds;
  /// Cell c uses cell_vertices[cell_offsets[c], cell_offsets[c + 1]).
  std::vector<index_t> cell_offsets{0};
  std::vector<index_t> cell_vertices;
  /// When not empty, cell c takes the cell data tuple cell_data_tuple[c] (a file cell split into
  /// several, such as a polyline into segments, gives several cells with one tuple).
  std::vector<index_t> cell_data_tuple;
  /// Facets of the cells of kind polyhedron, in cell order: for each, its facet count, then
  /// each facet's vertex count and vertices as positions in the cell's vertex list.
  std::vector<index_t> polyhedron_facets;
  std::vector<DataArray> point_data;
  std::vector<DataArray> cell_data;

  index_t nb_points() const { return static_cast<index_t>(coordinates.size() / 3); }
  index_t nb_cells() const { return static_cast<index_t>(cell_kinds.size()); }
  void add_point(double x, double y, double z) {
    coordinates.push_back(x);
    coordinates.push_back(y);
    coordinates.push_back(z);
  }
  void add_cell(CellKind kind, absl::Span<const index_t> vertices) {
    cell_kinds.push_back(kind);
    cell_vertices.insert(cell_vertices.end(), vertices.begin(), vertices.end());
    cell_offsets.push_back(static_cast<index_t>(cell_vertices.size()));
  }
  absl::Span<const index_t> cell(index_t c) const {
    return absl::MakeConstSpan(cell_vertices)
        .subspan(cell_offsets[c], cell_offsets[c + 1] - cell_offsets[c]);
  }
};

/// Turns the raw mesh into the mesh its highest cell dimension calls for (see read_mesh.h).
/// Volume cells give a TetrahedralSolid when all are tetrahedra, otherwise a PolyhedralSolid
/// whose fixed cells take the facets of cell_shapes.h.
/// \throw OstrelMeshException (input), through `source`, on inconsistent content: indices out of
/// range, arrays of the wrong length, duplicate array names, polygons of more than 254
/// vertices, malformed polyhedron facets, volume cells in 2D, non-zero z in 2D.
LoadedMesh build_mesh(RawMesh raw, const MeshReadOptions& options, const InputSource& source);

}  // namespace veyra::internal
