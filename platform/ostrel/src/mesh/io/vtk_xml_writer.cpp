// SPDX-License-Identifier: MIT
// VTK XML writer (version 1.0 files, UInt64 block headers, little-endian). Binary arrays are
// written inline as one base64 stream of header and data, as VTK itself does for uncompressed
// data; ASCII arrays as text.
#include <bit>
#include <cstdint>
#include <numeric>

#include "data_values.h"
#include "mesh_writers.h"
#include "output_buffer.h"
#include "vtk_cells.h"

namespace veyra::internal {
namespace {

static_assert(std::endian::native == std::endian::little,
              "the VTK XML writer writes the machine's bytes as little-endian data");

std::string xml_escape(std::string_view text) {
  std::string escaped;
  for (const auto c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&apos;";
        break;
      default:
        escaped.push_back(c);
    }
  }
  return escaped;
}

template <typename T>
constexpr ValueType value_type_of() {
  if constexpr (std::is_same_v<T, std::int8_t>) return ValueType::int8;
  if constexpr (std::is_same_v<T, std::uint8_t>) return ValueType::uint8;
  if constexpr (std::is_same_v<T, std::int16_t>) return ValueType::int16;
  if constexpr (std::is_same_v<T, std::uint16_t>) return ValueType::uint16;
  if constexpr (std::is_same_v<T, std::int32_t>) return ValueType::int32;
  if constexpr (std::is_same_v<T, std::uint32_t>) return ValueType::uint32;
  if constexpr (std::is_same_v<T, std::int64_t>) return ValueType::int64;
  if constexpr (std::is_same_v<T, std::uint64_t>) return ValueType::uint64;
  if constexpr (std::is_same_v<T, float>) return ValueType::float32;
  if constexpr (std::is_same_v<T, double>) return ValueType::float64;
}

std::uint8_t vtk_type(CellKind kind, std::size_t nb_vertices) {
  switch (kind) {
    case CellKind::vertex:
      return vtk::vertex;
    case CellKind::edge:
      return vtk::line;
    case CellKind::polygon:
      return nb_vertices == 3 ? vtk::triangle : (nb_vertices == 4 ? vtk::quad : vtk::polygon);
    case CellKind::tetrahedron:
      return vtk::tetra;
    case CellKind::hexahedron:
      return vtk::hexahedron;
    case CellKind::prism:
      return vtk::wedge;
    case CellKind::pyramid:
      return vtk::pyramid;
    default:
      return 0;
  }
}

class VtkXmlWriter {
 public:
  VtkXmlWriter(std::ostream& stream, const MeshView& view, bool poly_data, bool binary,
               const std::vector<std::pair<std::string, std::string>>& field_texts)
      : out_(stream),
        view_(view),
        poly_data_(poly_data),
        binary_(binary),
        field_texts_(field_texts) {}

  void write() {
    const std::string_view type = poly_data_ ? "PolyData" : "UnstructuredGrid";
    out_ << "<?xml version=\"1.0\"?>\n<VTKFile type=\"" << type
         << "\" version=\"1.0\" byte_order=\"LittleEndian\" header_type=\"UInt64\">\n  <"
         << type << ">\n";
    write_field_texts();
    const auto nb_cells = view_.element_dimension == 0 ? view_.nb_vertices() : view_.nb_elements();
    out_ << "    <Piece NumberOfPoints=\"" << view_.nb_vertices() << '"';
    if (poly_data_) {
      const auto section = std::array<std::string_view, 3>{"Verts", "Lines", "Polys"};
      for (index_t d = 0; d < 3; ++d) {
        out_ << " NumberOf" << section[d] << "=\""
             << (d == view_.element_dimension ? nb_cells : index_t{0}) << '"';
      }
      out_ << " NumberOfStrips=\"0\">\n";
    } else {
      out_ << " NumberOfCells=\"" << nb_cells << "\">\n";
    }
    write_data("PointData", attribute_data_arrays(view_.mesh->vertex_attribute_manager()));
    if (view_.element_attributes != nullptr) {
      write_data("CellData", attribute_data_arrays(*view_.element_attributes));
    }
    out_ << "      <Points>\n";
    write_array("Points", 3, absl::MakeConstSpan(view_.coordinates));
    out_ << "      </Points>\n";
    write_cells();
    out_ << "    </Piece>\n  </" << type << ">\n</VTKFile>\n";
  }

 private:
  /// Each text as a one-tuple string array: its character codes and a terminating 0.
  void write_field_texts() {
    if (field_texts_.empty()) return;
    out_ << "    <FieldData>\n";
    for (const auto& [name, text] : field_texts_) {
      out_ << "      <Array type=\"String\" Name=\"" << xml_escape(name)
           << "\" NumberOfTuples=\"1\" format=\"ascii\">\n        ";
      for (const auto c : text) out_ << static_cast<int>(static_cast<unsigned char>(c)) << ' ';
      out_ << "0\n      </Array>\n";
    }
    out_ << "    </FieldData>\n";
  }

  void write_data(std::string_view section, const std::vector<DataArray>& arrays) {
    if (arrays.empty()) return;
    out_ << "      <" << section << ">\n";
    for (const auto& array : arrays) {
      std::visit(
          [&](const auto& values) {
            write_array(array.name, array.nb_components, absl::MakeConstSpan(values));
          },
          array.values);
    }
    out_ << "      </" << section << ">\n";
  }

  template <typename T>
  void write_array(std::string_view name, index_t nb_components, absl::Span<const T> values) {
    out_ << "        <DataArray type=\"" << vtk_xml_type_name(value_type_of<T>())
         << "\" Name=\"" << xml_escape(name) << '"';
    if (nb_components != 1) out_ << " NumberOfComponents=\"" << nb_components << '"';
    out_ << " format=\"" << (binary_ ? "binary" : "ascii") << "\">\n          ";
    if (binary_) {
      const std::uint64_t nb_bytes = values.size() * sizeof(T);
      out_.write_base64(&nb_bytes, sizeof(nb_bytes));
      out_.write_base64(values.data(), nb_bytes);
      out_.end_base64();
    } else {
      for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out_ << (i % 12 == 0 ? std::string_view{"\n          "} : std::string_view{" "});
        out_ << values[i];
      }
    }
    out_ << "\n        </DataArray>\n";
  }

  void write_cells() {
    std::vector<std::int64_t> connectivity;
    std::vector<std::int64_t> offsets;
    std::vector<std::uint8_t> types;
    std::vector<std::int64_t> faces;
    std::vector<std::int64_t> face_offsets;
    if (view_.element_dimension == 0) {
      connectivity.resize(view_.nb_vertices());
      std::iota(connectivity.begin(), connectivity.end(), 0);
      offsets.resize(view_.nb_vertices());
      std::iota(offsets.begin(), offsets.end(), 1);
      types.assign(view_.nb_vertices(), vtk::vertex);
    } else {
      connectivity.reserve(view_.element_vertices.size());
      offsets.reserve(view_.nb_elements());
      types.reserve(view_.nb_elements());
      const bool has_polyhedra = !view_.polyhedron_faces.empty();
      std::size_t face_cursor = 0;
      for (index_t e = 0; e < view_.nb_elements(); ++e) {
        const auto kind = view_.element_kinds[e];
        const auto vertices = view_.element(e);
        if (kind == CellKind::prism) {
          // Our prism's base turns towards its top, VTK's wedge base away from it.
          for (const auto local : {0, 2, 1, 3, 5, 4}) connectivity.push_back(vertices[local]);
        } else {
          connectivity.insert(connectivity.end(), vertices.begin(), vertices.end());
        }
        offsets.push_back(static_cast<std::int64_t>(connectivity.size()));
        if (kind == CellKind::polyhedron) {
          types.push_back(vtk::polyhedron);
          const auto nb_facets = view_.polyhedron_faces[face_cursor++];
          faces.push_back(nb_facets);
          for (index_t f = 0; f < nb_facets; ++f) {
            const auto size = view_.polyhedron_faces[face_cursor++];
            faces.push_back(size);
            for (index_t i = 0; i < size; ++i) faces.push_back(view_.polyhedron_faces[face_cursor++]);
          }
        } else {
          types.push_back(vtk_type(kind, vertices.size()));
        }
        if (has_polyhedra) {
          face_offsets.push_back(kind == CellKind::polyhedron
                                     ? static_cast<std::int64_t>(faces.size())
                                     : std::int64_t{-1});
        }
      }
    }
    static constexpr std::array<std::string_view, 3> sections{"Verts", "Lines", "Polys"};
    const auto section = poly_data_ ? sections[view_.element_dimension] : "Cells";
    out_ << "      <" << section << ">\n";
    write_array("connectivity", 1, absl::MakeConstSpan(connectivity));
    write_array("offsets", 1, absl::MakeConstSpan(offsets));
    if (!poly_data_) write_array("types", 1, absl::MakeConstSpan(types));
    if (!faces.empty()) {
      write_array("faces", 1, absl::MakeConstSpan(faces));
      write_array("faceoffsets", 1, absl::MakeConstSpan(face_offsets));
    }
    out_ << "      </" << section << ">\n";
  }

  OutputBuffer out_;
  const MeshView& view_;
  bool poly_data_;
  bool binary_;
  const std::vector<std::pair<std::string, std::string>>& field_texts_;
};

}  // namespace

void write_vtk_xml(std::ostream& stream, const MeshView& view, bool poly_data, bool binary,
                   const std::vector<std::pair<std::string, std::string>>& field_texts) {
  VtkXmlWriter{stream, view, poly_data, binary, field_texts}.write();
}

}  // namespace veyra::internal
