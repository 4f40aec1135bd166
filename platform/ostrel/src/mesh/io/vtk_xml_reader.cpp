// SPDX-License-Identifier: MIT
// VTK XML reader for unstructured grids (.vtu) and poly data (.vtp) of one piece. Data arrays
// may be ASCII, inline base64 binary or appended (raw or base64), uncompressed or zlib
// compressed (what VTK and ParaView write by default), with UInt32 or UInt64 block headers, in
// either byte order. Every array's size is known before it is read (from the piece's counts,
// or the last offset for connectivity) and checked against the bytes actually there; a
// compressed block never decompresses beyond the size expected.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>

#include <zlib.h>

#include "base64.h"
#include "data_values.h"
#include "mesh_readers.h"
#include "vtk_cells.h"
#include "xml_document.h"

namespace veyra::internal {
namespace {

class VtkXmlReader {
 public:
  explicit VtkXmlReader(const InputSource& source) : source_(source), document_(source) {}

  RawMesh read() {
    const auto& root = document_.root();
    if (root.name != "VTKFile") fail(root, "expected a <VTKFile> root element");
    const auto* type = root.attribute("type");
    if (type == nullptr || (*type != "UnstructuredGrid" && *type != "PolyData")) {
      fail(root, "expected a VTKFile of type UnstructuredGrid or PolyData");
    }
    if (const auto* order = root.attribute("byte_order")) {
      if (*order != "LittleEndian" && *order != "BigEndian") {
        fail(root, "unknown byte_order ", printable(*order));
      }
      big_endian_ = *order == "BigEndian";
    }
    if (const auto* header = root.attribute("header_type")) {
      if (*header != "UInt32" && *header != "UInt64") {
        fail(root, "unknown header_type ", printable(*header), " (UInt32 or UInt64 expected)");
      }
      header_size_ = *header == "UInt64" ? 8 : 4;
    }
    if (const auto* compressor = root.attribute("compressor"); compressor && !compressor->empty()) {
      if (*compressor != "vtkZLibDataCompressor") {
        fail(root, "compressed data (", printable(*compressor),
             ") is not supported: only zlib compression is (vtkZLibDataCompressor)");
      }
      compressed_ = true;
    }
    if (document_.appended_data() && document_.appended_encoding() != "raw" &&
        document_.appended_encoding() != "base64") {
      fail(root, "unknown appended data encoding \"", printable(document_.appended_encoding()),
           "\"");
    }
    const auto* dataset = document_.child(root, *type);
    if (dataset == nullptr) fail(root, "no <", *type, "> element");
    const auto pieces = document_.children(*dataset, "Piece");
    if (pieces.size() != 1) {
      fail(*dataset, "expected one <Piece>, found ", pieces.size());
    }
    const auto& piece = *pieces.front();
    *type == "UnstructuredGrid" ? read_unstructured_grid(piece) : read_poly_data(piece);
    read_data(piece, "PointData", mesh_.nb_points(), mesh_.point_data);
    read_data(piece, "CellData", nb_file_cells_, mesh_.cell_data);
    return std::move(mesh_);
  }

 private:
  template <typename... Args>
  [[noreturn]] void fail(const XmlElement& element, const Args&... pieces) const {
    source_.fail_at_line(element.offset, pieces...);
  }

  index_t count_attribute(const XmlElement& element, std::string_view name) const {
    const auto* text = element.attribute(name);
    if (text == nullptr) return 0;
    std::uint64_t value{};
    if (!parse_number(std::string_view{*text}, value) || value >= NO_ID) {
      fail(element, "expected a count for ", name, ", found \"", printable(*text), "\"");
    }
    // Every item takes at least one byte of the file, whatever the encoding.
    if (value > source_.content().size()) {
      fail(element, name, " = ", value, " does not fit in a file of ", source_.content().size(),
           " bytes");
    }
    return static_cast<index_t>(value);
  }

  void read_points(const XmlElement& piece, index_t nb_points) {
    const auto* points = document_.child(piece, "Points");
    if (points == nullptr) {
      if (nb_points > 0) fail(piece, "no <Points> for ", nb_points, " points");
      return;
    }
    const auto* array = first_data_array(*points);
    if (components(*array) != 3) fail(*array, "points need 3 components");
    if (!values_to_doubles(read_array(*array, 3 * std::size_t{nb_points}), mesh_.coordinates)) {
      fail(*array, "a point coordinate is not a finite number");
    }
  }

  const XmlElement* first_data_array(const XmlElement& parent) const {
    const auto arrays = document_.children(parent, "DataArray");
    if (arrays.empty()) fail(parent, "no <DataArray> in <", parent.name, ">");
    return arrays.front();
  }

  const XmlElement& named_array(const XmlElement& parent, std::string_view name) const {
    for (const auto* array : document_.children(parent, "DataArray")) {
      const auto* array_name = array->attribute("Name");
      if (array_name != nullptr && *array_name == name) return *array;
    }
    fail(parent, "no DataArray named \"", name, "\" in <", parent.name, ">");
  }

  index_t components(const XmlElement& array) const {
    const auto* text = array.attribute("NumberOfComponents");
    if (text == nullptr) return 1;
    std::uint32_t value{};
    if (!parse_number(std::string_view{*text}, value) || value == 0 || value > 1024) {
      fail(array, "expected 1 to 1024 components, found \"", printable(*text), "\"");
    }
    return value;
  }

  std::vector<std::int64_t> read_integers(const XmlElement& array, std::size_t count) {
    std::vector<std::int64_t> result;
    if (!values_to_integers(read_array(array, count), result)) {
      fail(array, "expected integer values");
    }
    return result;
  }

  /// Cells given by "connectivity" and "offsets" arrays of `parent`, `nb_cells` of them.
  VtkCellArray read_cell_array(const XmlElement& parent, index_t nb_cells) {
    VtkCellArray cells;
    if (nb_cells == 0) return cells;
    const auto& offsets = named_array(parent, "offsets");
    cells.ends = read_integers(offsets, nb_cells);
    const auto size = cells.ends.back();
    if (size < 0 || static_cast<std::uint64_t>(size) > source_.content().size()) {
      fail(offsets, "the last offset ", size, " is not a possible connectivity size");
    }
    cells.connectivity = read_integers(named_array(parent, "connectivity"),
                                       static_cast<std::size_t>(size));
    check_cell_array(cells, mesh_.nb_points(), parent.name, {source_, parent.offset});
    return cells;
  }

  void read_unstructured_grid(const XmlElement& piece) {
    const auto nb_points = count_attribute(piece, "NumberOfPoints");
    const auto nb_cells = count_attribute(piece, "NumberOfCells");
    read_points(piece, nb_points);
    nb_file_cells_ = nb_cells;
    if (nb_cells == 0) return;
    const auto* cells_element = document_.child(piece, "Cells");
    if (cells_element == nullptr) fail(piece, "no <Cells> for ", nb_cells, " cells");
    const auto cells = read_cell_array(*cells_element, nb_cells);
    const auto types = read_integers(named_array(*cells_element, "types"), nb_cells);
    if (std::find(types.begin(), types.end(), vtk::polyhedron) == types.end()) {
      add_unstructured_cells(mesh_, cells, types, {source_, cells_element->offset});
      return;
    }
    VtkPolyhedronFaces faces;
    const auto& face_ends_array = named_array(*cells_element, "faceoffsets");
    faces.face_ends = read_integers(face_ends_array, nb_cells);
    const auto size = *std::max_element(faces.face_ends.begin(), faces.face_ends.end());
    if (size < 0 || static_cast<std::uint64_t>(size) > source_.content().size()) {
      fail(face_ends_array, "the largest face offset ", size, " is not a possible faces size");
    }
    faces.faces = read_integers(named_array(*cells_element, "faces"), static_cast<std::size_t>(size));
    add_unstructured_cells(mesh_, cells, types, {source_, cells_element->offset}, &faces);
  }

  void read_poly_data(const XmlElement& piece) {
    const auto nb_points = count_attribute(piece, "NumberOfPoints");
    read_points(piece, nb_points);
    std::array<VtkCellArray, 4> cells;
    static constexpr std::array<std::string_view, 4> sections{"Verts", "Lines", "Polys",
                                                              "Strips"};
    std::uint64_t total = 0;
    for (std::size_t s = 0; s < sections.size(); ++s) {
      const auto nb = count_attribute(piece, str_cat("NumberOf", sections[s]));
      total += nb;
      if (nb == 0) continue;
      const auto* element = document_.child(piece, sections[s]);
      if (element == nullptr) fail(piece, "no <", sections[s], "> for ", nb, " cells");
      cells[s] = read_cell_array(*element, nb);
    }
    if (total >= NO_ID) fail(piece, "too many cells");
    nb_file_cells_ = static_cast<index_t>(total);
    add_poly_data_cells(mesh_, cells[0], cells[1], cells[2], cells[3], {source_, piece.offset});
  }

  void read_data(const XmlElement& piece, std::string_view section, index_t nb_tuples,
                 std::vector<DataArray>& arrays) {
    const auto* element = document_.child(piece, section);
    if (element == nullptr) return;
    for (const auto* array : document_.children(*element, "DataArray")) {
      const auto* name = array->attribute("Name");
      if (name == nullptr || name->empty()) fail(*array, "a data array without a Name");
      const auto nb_components = components(*array);
      arrays.push_back(DataArray{*name, nb_components,
                                 read_array(*array, std::size_t{nb_tuples} * nb_components)});
    }
  }

  ValueType value_type(const XmlElement& array) const {
    const auto* name = array.attribute("type");
    if (name == nullptr) fail(array, "a DataArray without a type");
    const auto type = vtk_xml_value_type(*name);
    if (!type) {
      fail(array, "DataArray type \"", printable(*name),
           "\" is not supported (Int8 to Int64, UInt8 to UInt64, Float32, Float64 are)");
    }
    return *type;
  }

  /// The `count` values of a DataArray, whatever its format.
  ArrayValues read_array(const XmlElement& array, std::size_t count) {
    const auto type = value_type(array);
    const auto* format = array.attribute("format");
    if (format == nullptr || *format == "ascii") return read_ascii(array, type, count);
    if (*format == "binary") {
      ByteSource bytes{source_.content().substr(0, array.content_end), array.content_begin, true};
      return read_binary(array, bytes, type, count);
    }
    if (*format == "appended") return read_appended(array, type, count);
    fail(array, "unknown DataArray format \"", printable(*format), "\"");
  }

  ArrayValues read_ascii(const XmlElement& array, ValueType type, std::size_t count) {
    TextScanner scanner{source_, array.content_begin, '\0', array.content_end};
    scanner.set_end_name("the end of the DataArray");
    auto values = read_text_values(scanner, type, count, "a DataArray value", false);
    if (!scanner.at_end()) {
      scanner.fail("the DataArray holds more than ", count, " values");
    }
    return values;
  }

  /// The bytes of a binary DataArray: base64 text decoded on the fly, or raw appended bytes.
  class ByteSource {
   public:
    ByteSource(std::string_view text, std::size_t position, bool is_base64)
        : text_(text), position_(position) {
      if (is_base64) decoder_.emplace(text, position);
    }
    bool read(char* out, std::size_t size) {
      if (decoder_) return decoder_->read(out, size);
      if (size > max_remaining()) return false;
      std::memcpy(out, text_.data() + position_, size);
      position_ += size;
      return true;
    }
    std::size_t max_remaining() const {
      if (decoder_) return decoder_->max_remaining_bytes();
      return text_.size() - std::min(position_, text_.size());
    }

   private:
    std::string_view text_;
    std::size_t position_;
    std::optional<Base64Decoder> decoder_;
  };

  std::uint64_t read_header_value(const XmlElement& array, ByteSource& bytes) {
    std::array<char, 8> buffer{};
    if (!bytes.read(buffer.data(), header_size_)) {
      fail(array, "the DataArray's binary data ends before its header, or is not valid base64");
    }
    if (big_endian_ != (std::endian::native == std::endian::big)) {
      std::reverse(buffer.begin(), buffer.begin() + static_cast<long>(header_size_));
    }
    if (header_size_ == 4) {
      std::uint32_t value;
      std::memcpy(&value, buffer.data(), 4);
      return value;
    }
    std::uint64_t value;
    std::memcpy(&value, buffer.data(), 8);
    return value;
  }

  ArrayValues read_binary(const XmlElement& array, ByteSource& bytes, ValueType type,
                          std::size_t count) {
    const std::uint64_t expected = count * value_size(type);
    std::string data;
    if (compressed_) {
      data = read_compressed(array, bytes, expected);
    } else {
      const auto nb_bytes = read_header_value(array, bytes);
      if (nb_bytes != expected) {
        fail(array, "the DataArray holds ", nb_bytes, " bytes, expected ", count,
             " values of ", value_size(type), " bytes");
      }
      if (nb_bytes > bytes.max_remaining()) {
        fail(array, "the DataArray announces ", nb_bytes, " bytes, its data holds at most ",
             bytes.max_remaining());
      }
      data.resize(static_cast<std::size_t>(nb_bytes));
      if (!bytes.read(data.data(), data.size())) {
        fail(array, "the DataArray's binary data is truncated or not valid base64");
      }
    }
    return decode_binary_values(data.data(), type, count, big_endian_);
  }

  /// zlib blocks: a header of the block count, the block size, the size of the last block (0
  /// when full) and each block's compressed size, then the compressed blocks.
  std::string read_compressed(const XmlElement& array, ByteSource& bytes,
                              std::uint64_t expected) {
    const auto nb_blocks = read_header_value(array, bytes);
    const auto block_size = read_header_value(array, bytes);
    const auto last_size = read_header_value(array, bytes);
    if (nb_blocks > bytes.max_remaining() / header_size_) {
      fail(array, "the compressed DataArray announces ", nb_blocks,
           " blocks, more than its data can hold");
    }
    const auto last_block = last_size == 0 ? block_size : last_size;
    const bool sizes_match =
        nb_blocks == 0 ? expected == 0
                       : (last_block <= expected && block_size != 0 &&
                          (nb_blocks - 1) <= (expected - last_block) / block_size &&
                          (nb_blocks - 1) * block_size + last_block == expected);
    if (!sizes_match) {
      fail(array, "the compressed DataArray's blocks do not hold the ", expected,
           " bytes expected");
    }
    std::vector<std::uint64_t> compressed_sizes(static_cast<std::size_t>(nb_blocks));
    for (auto& size : compressed_sizes) size = read_header_value(array, bytes);
    std::string data(static_cast<std::size_t>(expected), '\0');
    std::string compressed;
    std::size_t written = 0;
    for (std::size_t block = 0; block < compressed_sizes.size(); ++block) {
      const auto size = compressed_sizes[block];
      if (size > bytes.max_remaining()) {
        fail(array, "compressed block ", block, " announces ", size,
             " bytes, more than the data holds");
      }
      compressed.resize(static_cast<std::size_t>(size));
      if (!bytes.read(compressed.data(), compressed.size())) {
        fail(array, "compressed block ", block, " is truncated or not valid base64");
      }
      const auto wanted = block + 1 == compressed_sizes.size() ? last_block : block_size;
      auto produced = static_cast<uLongf>(wanted);
      const auto status =
          ::uncompress(reinterpret_cast<Bytef*>(data.data() + written), &produced,
                       reinterpret_cast<const Bytef*>(compressed.data()),
                       static_cast<uLong>(compressed.size()));
      if (status != Z_OK || produced != wanted) {
        fail(array, "compressed block ", block, " does not decompress to its ", wanted,
             " bytes");
      }
      written += static_cast<std::size_t>(wanted);
    }
    return data;
  }

  ArrayValues read_appended(const XmlElement& array, ValueType type, std::size_t count) {
    const auto appended = document_.appended_data();
    if (!appended) fail(array, "an appended DataArray without <AppendedData>");
    const auto* offset_text = array.attribute("offset");
    std::uint64_t offset{};
    if (offset_text == nullptr || !parse_number(std::string_view{*offset_text}, offset) ||
        offset > source_.content().size() - *appended) {
      fail(array, "expected an offset within the appended data");
    }
    ByteSource bytes{source_.content(), *appended + static_cast<std::size_t>(offset),
                     document_.appended_encoding() == "base64"};
    return read_binary(array, bytes, type, count);
  }

  const InputSource& source_;
  XmlDocument document_;
  bool big_endian_{false};
  bool compressed_{false};
  std::size_t header_size_{4};
  RawMesh mesh_;
  index_t nb_file_cells_{0};
};

}  // namespace

RawMesh read_vtk_xml_file(const InputSource& source) { return VtkXmlReader{source}.read(); }

}  // namespace veyra::internal
