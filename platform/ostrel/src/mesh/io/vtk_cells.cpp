// SPDX-License-Identifier: MIT
#include "vtk_cells.h"

#include <algorithm>
#include <array>

#include <absl/container/inlined_vector.h>

namespace veyra::internal {
namespace {

using Ids = absl::Span<const std::int64_t>;

Ids cell_ids(const VtkCellArray& cells, index_t cell) {
  const auto begin = cell == 0 ? 0 : cells.ends[cell - 1];
  return absl::MakeConstSpan(cells.connectivity)
      .subspan(static_cast<std::size_t>(begin), static_cast<std::size_t>(cells.ends[cell] - begin));
}

class CellAdder {
 public:
  CellAdder(RawMesh& mesh, const VtkLocation& location) : mesh_(mesh), location_(location) {}

  /// Face stream of the next polyhedron cell.
  void set_polyhedron_faces(Ids faces) {
    faces_ = faces;
    face_cursor_ = 0;
  }

  /// Appends the cells for file cell `tuple`, of VTK type `type`.
  void add(std::int64_t type, Ids ids, index_t tuple) {
    tuple_ = tuple;
    const auto size = ids.size();
    switch (type) {
      case vtk::vertex:
        expect_size(type, "vertex", size, 1);
        return add_each_vertex(ids);
      case vtk::poly_vertex:
        return add_each_vertex(ids);
      case vtk::line:
        expect_size(type, "line", size, 2);
        return add_cell(CellKind::edge, ids, {0, 1});
      case vtk::poly_line:
        if (size < 2) fail_size(type, "polyline", size, "at least 2");
        for (std::size_t i = 0; i + 1 < size; ++i) add_cell(CellKind::edge, ids.subspan(i, 2), {0, 1});
        return;
      case vtk::triangle:
        expect_size(type, "triangle", size, 3);
        return add_cell(CellKind::polygon, ids, {0, 1, 2});
      case vtk::triangle_strip:
        if (size < 3) fail_size(type, "triangle strip", size, "at least 3");
        for (std::size_t i = 0; i + 2 < size; ++i) {
          // Every other triangle is reversed so that the strip keeps one orientation.
          if (i % 2 == 0) {
            add_cell(CellKind::polygon, ids.subspan(i, 3), {0, 1, 2});
          } else {
            add_cell(CellKind::polygon, ids.subspan(i, 3), {1, 0, 2});
          }
        }
        return;
      case vtk::polygon:
        if (size < 3 || size > 254) fail_size(type, "polygon", size, "3 to 254");
        return add_polygon(ids);
      case vtk::pixel:
        expect_size(type, "pixel", size, 4);
        return add_cell(CellKind::polygon, ids, {0, 1, 3, 2});
      case vtk::quad:
        expect_size(type, "quad", size, 4);
        return add_cell(CellKind::polygon, ids, {0, 1, 2, 3});
      case vtk::tetra:
        expect_size(type, "tetrahedron", size, 4);
        return add_cell(CellKind::tetrahedron, ids, {0, 1, 2, 3});
      case vtk::voxel:
        expect_size(type, "voxel", size, 8);
        return add_cell(CellKind::hexahedron, ids, {0, 1, 3, 2, 4, 5, 7, 6});
      case vtk::hexahedron:
        expect_size(type, "hexahedron", size, 8);
        return add_cell(CellKind::hexahedron, ids, {0, 1, 2, 3, 4, 5, 6, 7});
      case vtk::wedge:
        // VTK's wedge base (0, 1, 2) turns away from its top face; ours turns towards it.
        expect_size(type, "wedge", size, 6);
        return add_cell(CellKind::prism, ids, {0, 2, 1, 3, 5, 4});
      case vtk::pyramid:
        expect_size(type, "pyramid", size, 5);
        return add_cell(CellKind::pyramid, ids, {0, 1, 2, 3, 4});
      case vtk::polyhedron:
        return add_polyhedron(ids);
      default:
        location_.source.fail_at_line(
            location_.offset, "cell ", tuple_, " has VTK cell type ", type,
            ", which is not supported (vertices, lines, polylines, triangles, strips, polygons, "
            "pixels, quads, tetrahedra, voxels, hexahedra, wedges and pyramids are)");
    }
  }

 private:
  void expect_size(std::int64_t type, std::string_view name, std::size_t size,
                   std::size_t expected) {
    if (size != expected) fail_size(type, name, size, std::to_string(expected));
  }
  [[noreturn]] void fail_size(std::int64_t type, std::string_view name, std::size_t size,
                              std::string_view expected) {
    location_.source.fail_at_line(location_.offset, "cell ", tuple_, " (VTK type ", type, ", ",
                                  name, ") has ", size, " points, expected ", expected);
  }

  void add_each_vertex(Ids ids) {
    for (const auto id : ids) push(CellKind::vertex, {static_cast<index_t>(id)});
  }

  void add_cell(CellKind kind, Ids ids, std::initializer_list<index_t> order) {
    std::array<index_t, 8> vertices;
    std::size_t i = 0;
    for (const auto local : order) vertices[i++] = static_cast<index_t>(ids[local]);
    push(kind, absl::MakeConstSpan(vertices.data(), order.size()));
  }

  std::int64_t next_face_value() {
    if (face_cursor_ >= faces_.size()) {
      location_.source.fail_at_line(location_.offset, "cell ", tuple_,
                                    ": the polyhedron faces end early");
    }
    return faces_[face_cursor_++];
  }

  /// The cell's point list, then its faces from the face stream, as positions in that list.
  void add_polyhedron(Ids ids) {
    if (ids.size() < 4 || ids.size() > 254) fail_size(vtk::polyhedron, "polyhedron", ids.size(), "4 to 254");
    const auto nb_faces = next_face_value();
    if (nb_faces < 4 || nb_faces > 254) {
      location_.source.fail_at_line(location_.offset, "cell ", tuple_, " is a polyhedron of ",
                                    nb_faces, " faces (4 to 254 are supported)");
    }
    mesh_.polyhedron_facets.push_back(static_cast<index_t>(nb_faces));
    for (std::int64_t f = 0; f < nb_faces; ++f) {
      const auto size = next_face_value();
      if (size < 3 || size > static_cast<std::int64_t>(ids.size())) {
        location_.source.fail_at_line(location_.offset, "cell ", tuple_, " has a face of ", size,
                                      " points");
      }
      mesh_.polyhedron_facets.push_back(static_cast<index_t>(size));
      for (std::int64_t i = 0; i < size; ++i) {
        const auto id = next_face_value();
        const auto found = std::find(ids.begin(), ids.end(), id);
        if (found == ids.end()) {
          location_.source.fail_at_line(location_.offset, "cell ", tuple_, ": face point ", id,
                                        " is not one of the cell's points");
        }
        mesh_.polyhedron_facets.push_back(static_cast<index_t>(found - ids.begin()));
      }
    }
    add_polygon(ids, CellKind::polyhedron);
  }

  void add_polygon(Ids ids, CellKind kind = CellKind::polygon) {
    absl::InlinedVector<index_t, 8> vertices;
    for (const auto id : ids) vertices.push_back(static_cast<index_t>(id));
    push(kind, vertices);
  }

  void push(CellKind kind, absl::Span<const index_t> vertices) {
    mesh_.add_cell(kind, vertices);
    mesh_.cell_data_tuple.push_back(tuple_);
  }

  RawMesh& mesh_;
  const VtkLocation& location_;
  index_t tuple_{0};
  Ids faces_;
  std::size_t face_cursor_{0};
};

}  // namespace

void check_cell_array(const VtkCellArray& cells, index_t nb_points, std::string_view what,
                      const VtkLocation& location) {
  std::int64_t previous = 0;
  const auto size = static_cast<std::int64_t>(cells.connectivity.size());
  for (index_t cell = 0; cell < cells.nb_cells(); ++cell) {
    const auto end = cells.ends[cell];
    if (end < previous || end > size) {
      location.source.fail_at_line(location.offset, what, ": cell ", cell, " ends at offset ",
                                   end, ", expected an offset from ", previous, " to ", size);
    }
    previous = end;
  }
  for (const auto id : cells.connectivity) {
    if (id < 0 || id >= nb_points) {
      location.source.fail_at_line(location.offset, what, ": point id ", id,
                                   " is out of range (", nb_points, " points)");
    }
  }
}

void add_poly_data_cells(RawMesh& mesh, const VtkCellArray& verts, const VtkCellArray& lines,
                         const VtkCellArray& polys, const VtkCellArray& strips,
                         const VtkLocation& location) {
  CellAdder adder{mesh, location};
  index_t tuple = 0;
  const auto add_all = [&](const VtkCellArray& cells, std::uint8_t type) {
    for (index_t cell = 0; cell < cells.nb_cells(); ++cell) {
      adder.add(type, cell_ids(cells, cell), tuple++);
    }
  };
  add_all(verts, vtk::poly_vertex);
  add_all(lines, vtk::poly_line);
  add_all(polys, vtk::polygon);
  add_all(strips, vtk::triangle_strip);
}

void add_unstructured_cells(RawMesh& mesh, const VtkCellArray& cells,
                            const std::vector<std::int64_t>& types, const VtkLocation& location,
                            const VtkPolyhedronFaces* polyhedron_faces) {
  if (types.size() != cells.nb_cells()) {
    location.source.fail_at_line(location.offset, types.size(), " cell types for ",
                                 cells.nb_cells(), " cells");
  }
  CellAdder adder{mesh, location};
  std::int64_t face_start = 0;
  for (index_t cell = 0; cell < cells.nb_cells(); ++cell) {
    if (types[cell] == vtk::polyhedron) {
      if (polyhedron_faces == nullptr || cell >= polyhedron_faces->face_ends.size()) {
        location.source.fail_at_line(location.offset, "cell ", cell,
                                     " is a polyhedron, but the file gives no faces for it");
      }
      const auto end = polyhedron_faces->face_ends[cell];
      const auto size = static_cast<std::int64_t>(polyhedron_faces->faces.size());
      if (end < face_start || end > size) {
        location.source.fail_at_line(location.offset, "cell ", cell, ": face offset ", end,
                                     " is out of range (", face_start, " to ", size, ")");
      }
      adder.set_polyhedron_faces(absl::MakeConstSpan(polyhedron_faces->faces)
                                     .subspan(static_cast<std::size_t>(face_start),
                                              static_cast<std::size_t>(end - face_start)));
      face_start = end;
    }
    adder.add(types[cell], cell_ids(cells, cell), cell);
  }
}

}  // namespace veyra::internal
