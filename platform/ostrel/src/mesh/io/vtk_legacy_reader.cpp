// SPDX-License-Identifier: MIT
// VTK legacy reader, ASCII, POLYDATA and UNSTRUCTURED_GRID datasets, in the classic cell layout
// (one "n id0 ... idn-1" row per cell) and in the OFFSETS/CONNECTIVITY layout of version 5.
// Point and cell data: SCALARS, COLOR_SCALARS, VECTORS, NORMALS, TENSORS, TEXTURE_COORDINATES
// and FIELD arrays; lookup tables and METADATA blocks are skipped.
#include <optional>

#include "data_values.h"
#include "mesh_readers.h"
#include "vtk_cells.h"

namespace veyra::internal {
namespace {

class VtkLegacyReader {
 public:
  explicit VtkLegacyReader(const InputSource& source) : source_(source), scanner_(source) {}

  RawMesh read() {
    read_header();
    read_dataset();
    while (!scanner_.at_end()) {
      const auto start = scanner_.position();
      const auto keyword = scanner_.token("a section");
      if (keyword == "POINT_DATA") {
        read_data(point_data_, mesh_.nb_points(), "point");
      } else if (keyword == "CELL_DATA") {
        read_data(cell_data_, nb_file_cells_, "cell");
      } else {
        scanner_.fail_at(start, "expected POINT_DATA or CELL_DATA, found \"", printable(keyword),
                         "\"");
      }
    }
    mesh_.point_data = std::move(point_data_);
    mesh_.cell_data = std::move(cell_data_);
    return std::move(mesh_);
  }

 private:
  void read_header() {
    const auto header = scanner_.rest_of_line();
    if (!header.starts_with("# vtk DataFile Version")) {
      scanner_.fail_at(0, "expected \"# vtk DataFile Version\", found \"", printable(header),
                       "\"");
    }
    const auto version = header.substr(header.find_last_of(' ') + 1);
    version5_ = version.starts_with("5");
    mesh_.name = std::string{scanner_.rest_of_line()};
    const auto start = scanner_.position();
    const auto format = scanner_.token("ASCII or BINARY");
    if (format == "BINARY") {
      scanner_.fail_at(start, "binary legacy VTK files are not supported, only ASCII ones");
    }
    if (format != "ASCII") {
      scanner_.fail_at(start, "expected ASCII, found \"", printable(format), "\"");
    }
  }

  void read_dataset() {
    scanner_.expect("DATASET");
    const auto start = scanner_.position();
    const auto type = scanner_.token("the dataset type");
    const bool is_poly_data = type == "POLYDATA";
    if (!is_poly_data && type != "UNSTRUCTURED_GRID") {
      scanner_.fail_at(start, "dataset type ", printable(type),
                       " is not supported (POLYDATA and UNSTRUCTURED_GRID are)");
    }
    bool has_points = false;
    VtkCellArray verts, lines, polys, strips, cells;
    std::vector<std::int64_t> types;
    std::size_t cells_location = start;
    std::size_t types_location = start;
    while (!scanner_.at_end()) {
      const auto section_start = scanner_.position();
      const auto keyword = scanner_.token("a section");
      if (keyword == "POINT_DATA" || keyword == "CELL_DATA") {
        scanner_.set_position(section_start);
        break;
      }
      if (keyword == "FIELD") {
        std::vector<DataArray> ignored;
        read_field(ignored, std::nullopt);
      } else if (keyword == "POINTS") {
        read_points();
        has_points = true;
      } else if (!has_points) {
        scanner_.fail_at(section_start, "expected POINTS, found \"", printable(keyword), "\"");
      } else if (is_poly_data && keyword == "VERTICES") {
        read_cell_array(verts, "VERTICES");
      } else if (is_poly_data && keyword == "LINES") {
        read_cell_array(lines, "LINES");
      } else if (is_poly_data && keyword == "POLYGONS") {
        read_cell_array(polys, "POLYGONS");
      } else if (is_poly_data && keyword == "TRIANGLE_STRIPS") {
        read_cell_array(strips, "TRIANGLE_STRIPS");
      } else if (!is_poly_data && keyword == "CELLS") {
        cells_location = section_start;
        read_cell_array(cells, "CELLS");
      } else if (!is_poly_data && keyword == "CELL_TYPES") {
        types_location = section_start;
        const auto nb = scanner_.count("cell types", 2);
        types = integers(ValueType::int64, nb, "a cell type");
      } else {
        scanner_.fail_at(section_start, "unexpected section \"", printable(keyword), "\"");
      }
    }
    if (!has_points) scanner_.fail("expected POINTS, found the end of the file");
    if (is_poly_data) {
      add_poly_data_cells(mesh_, verts, lines, polys, strips, {source_, start});
      nb_file_cells_ = verts.nb_cells() + lines.nb_cells() + polys.nb_cells() + strips.nb_cells();
    } else {
      if (types.size() != cells.nb_cells()) {
        source_.fail_at_line(types_location, "CELL_TYPES lists ", types.size(),
                             " types, CELLS holds ", cells.nb_cells(), " cells");
      }
      add_unstructured_cells(mesh_, cells, types, {source_, cells_location});
      nb_file_cells_ = cells.nb_cells();
    }
  }

  ValueType read_type(std::string_view what) {
    const auto start = scanner_.position();
    const auto name = scanner_.token(what);
    const auto type = vtk_legacy_value_type(name);
    if (!type) {
      scanner_.fail_at(start, "expected a value type (", what, ") such as float or int, found \"",
                       printable(name), "\"");
    }
    return *type;
  }

  /// `count` integers stored in a value type of the file (floating types must hold integers).
  std::vector<std::int64_t> integers(ValueType type, std::size_t count, std::string_view what) {
    const auto start = scanner_.position();
    std::vector<std::int64_t> result;
    if (!values_to_integers(read_text_values(scanner_, type, count, what, true), result)) {
      scanner_.fail_at(start, "expected integers (", what, ")");
    }
    return result;
  }

  void read_points() {
    const auto nb = scanner_.count("points", 6);
    const auto type = read_type("the point type");
    const auto values = read_text_values(scanner_, type, 3 * std::size_t{nb}, "a point coordinate",
                                         true);
    values_to_doubles(values, mesh_.coordinates);
  }

  void read_cell_array(VtkCellArray& cells, std::string_view section) {
    const auto start = scanner_.position();
    if (version5_) {
      const auto nb_offsets = scanner_.count("offsets", 2);
      const auto nb_connectivity = scanner_.count("connectivity entries", 2);
      scanner_.expect("OFFSETS");
      const auto offsets = integers(read_type("the offset type"), nb_offsets, "an offset");
      scanner_.expect("CONNECTIVITY");
      cells.connectivity =
          integers(read_type("the connectivity type"), nb_connectivity, "a point id");
      if (!offsets.empty() && offsets.front() != 0) {
        scanner_.fail_at(start, section, ": the first offset must be 0, not ", offsets.front());
      }
      cells.ends.assign(offsets.begin() + (offsets.empty() ? 0 : 1), offsets.end());
    } else {
      const auto nb_cells = scanner_.count("cells", 4);
      const auto size = scanner_.count("cell list entries", 2);
      if (size < nb_cells) {
        scanner_.fail_at(start, section, ": ", nb_cells, " cells cannot fit in ", size,
                         " entries");
      }
      cells.ends.reserve(nb_cells);
      cells.connectivity.reserve(size - nb_cells);
      std::size_t nb_read = 0;
      for (index_t cell = 0; cell < nb_cells; ++cell) {
        const auto cell_start = scanner_.position();
        const auto nb_ids = scanner_.count("cell points", 2);
        nb_read += 1 + std::size_t{nb_ids};
        if (nb_read > size) {
          scanner_.fail_at(cell_start, section, ": the cells hold more than the ", size,
                           " entries announced");
        }
        for (index_t i = 0; i < nb_ids; ++i) {
          cells.connectivity.push_back(scanner_.integer<std::int64_t>("a point id"));
        }
        cells.ends.push_back(static_cast<std::int64_t>(cells.connectivity.size()));
      }
      if (nb_read != size) {
        scanner_.fail_at(start, section, ": the cells hold ", nb_read, " entries, ", size,
                         " were announced");
      }
    }
    check_cell_array(cells, mesh_.nb_points(), section, {source_, start});
  }

  void read_data(std::vector<DataArray>& arrays, index_t nb_expected, std::string_view kind) {
    const auto start = scanner_.position();
    const auto nb = scanner_.count("data tuples", 0);
    if (nb != nb_expected) {
      scanner_.fail_at(start, kind, " data for ", nb, " ", kind, "s, the dataset has ",
                       nb_expected);
    }
    while (!scanner_.at_end()) {
      const auto section_start = scanner_.position();
      const auto keyword = scanner_.token("a data array");
      if (keyword == "POINT_DATA" || keyword == "CELL_DATA") {
        scanner_.set_position(section_start);
        return;
      }
      if (keyword == "SCALARS") {
        auto name = read_name();
        const auto type = read_type("the scalar type");
        index_t nb_components = 1;
        if (scanner_.line_has_token()) nb_components = read_components(4);
        const auto table_start = scanner_.position();
        if (!scanner_.at_end() && scanner_.token("LOOKUP_TABLE") == "LOOKUP_TABLE") {
          scanner_.token("the lookup table name");
        } else {
          scanner_.set_position(table_start);
        }
        read_array(arrays, std::move(name), type, nb_components, nb);
      } else if (keyword == "COLOR_SCALARS") {
        auto name = read_name();
        const auto nb_components = read_components(4);
        read_array(arrays, std::move(name), ValueType::float32, nb_components, nb);
      } else if (keyword == "VECTORS" || keyword == "NORMALS") {
        auto name = read_name();
        read_array(arrays, std::move(name), read_type("the value type"), 3, nb);
      } else if (keyword == "TENSORS" || keyword == "TENSORS6") {
        auto name = read_name();
        read_array(arrays, std::move(name), read_type("the value type"),
                   keyword == "TENSORS" ? 9 : 6, nb);
      } else if (keyword == "TEXTURE_COORDINATES") {
        auto name = read_name();
        const auto nb_components = read_components(3);
        read_array(arrays, std::move(name), read_type("the value type"), nb_components, nb);
      } else if (keyword == "LOOKUP_TABLE") {
        scanner_.token("the lookup table name");
        const auto size = scanner_.count("lookup table entries", 8);
        read_text_values(scanner_, ValueType::float32, 4 * std::size_t{size}, "a table value",
                         false);
      } else if (keyword == "FIELD") {
        read_field(arrays, nb);
      } else if (keyword == "METADATA") {
        skip_metadata();
      } else {
        scanner_.fail_at(section_start, "expected a data array (SCALARS, VECTORS, FIELD...), "
                                        "found \"", printable(keyword), "\"");
      }
    }
  }

  std::string read_name() { return decode_percent_escapes(scanner_.token("an array name")); }

  index_t read_components(index_t max) {
    const auto start = scanner_.position();
    const auto nb = scanner_.integer<std::int64_t>("the number of components");
    if (nb < 1 || nb > max) {
      scanner_.fail_at(start, "expected 1 to ", max, " components, found ", nb);
    }
    return static_cast<index_t>(nb);
  }

  void read_array(std::vector<DataArray>& arrays, std::string name, ValueType type,
                  index_t nb_components, index_t nb_tuples) {
    auto values = read_text_values(scanner_, type, std::size_t{nb_tuples} * nb_components,
                                   "a data value", false);
    arrays.push_back(DataArray{std::move(name), nb_components, std::move(values)});
  }

  /// FIELD arrays; dataset-level fields (nb_tuples empty) are read and dropped.
  void read_field(std::vector<DataArray>& arrays, std::optional<index_t> nb_tuples) {
    scanner_.token("the field name");
    const auto nb_arrays = scanner_.count("field arrays", 8);
    for (index_t a = 0; a < nb_arrays; ++a) {
      auto name = read_name();
      if (name == "NULL_ARRAY") continue;
      const auto start = scanner_.position();
      const auto nb_components = scanner_.count("components", 2);
      const auto nb = scanner_.count("tuples", 2);
      if (nb_components == 0) scanner_.fail_at(start, "a field array with 0 components");
      const auto type = read_type("the value type");
      if (nb_tuples && nb != *nb_tuples) {
        scanner_.fail_at(start, "field array \"", printable(name), "\" has ", nb,
                         " tuples, expected ", *nb_tuples);
      }
      if (!fits_in(std::uint64_t{nb} * nb_components, 2, scanner_.remaining())) {
        scanner_.fail_at(start, "field array \"", printable(name), "\" does not fit in the file");
      }
      auto values = read_text_values(scanner_, type, std::size_t{nb} * nb_components,
                                     "a data value", false);
      if (nb_tuples) arrays.push_back(DataArray{std::move(name), nb_components, std::move(values)});
    }
  }

  /// METADATA blocks run to the next empty line.
  void skip_metadata() {
    scanner_.next_line();
    while (scanner_.remaining() > 0 && !scanner_.rest_of_line().empty()) {
    }
  }

  const InputSource& source_;
  TextScanner scanner_;
  bool version5_{false};
  RawMesh mesh_;
  index_t nb_file_cells_{0};
  std::vector<DataArray> point_data_;
  std::vector<DataArray> cell_data_;
};

}  // namespace

RawMesh read_vtk_legacy_file(const InputSource& source) { return VtkLegacyReader{source}.read(); }

}  // namespace veyra::internal
