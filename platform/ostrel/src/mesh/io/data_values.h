// SPDX-License-Identifier: MIT
// Typed arrays of numbers as the VTK readers meet them: value types and their names in the
// legacy and XML formats, reading them from text or little/big-endian bytes, and converting
// them for coordinates and connectivity.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "raw_mesh.h"
#include "text_scanner.h"

namespace veyra::internal {

enum struct ValueType : std::uint8_t {
  int8,
  uint8,
  int16,
  uint16,
  int32,
  uint32,
  int64,
  uint64,
  float32,
  float64
};

std::size_t value_size(ValueType type);
/// "Int8", "UInt8"... "Float32", "Float64" (and "Char", "UChar", "Int", "Double"...).
std::optional<ValueType> vtk_xml_value_type(std::string_view name);
/// "char", "unsigned_char"... "float", "double", "vtkIdType", "vtktypeint64"...
std::optional<ValueType> vtk_legacy_value_type(std::string_view name);
std::string_view vtk_xml_type_name(ValueType type);

/// `count` numbers of `type` read from the scanner. Floating values must be finite when
/// `finite_only` is set; integers must fit the type.
ArrayValues read_text_values(TextScanner& scanner, ValueType type, std::size_t count,
                             std::string_view what, bool finite_only);

/// `count` values of `type` from raw bytes (which must hold count * value_size(type) bytes).
ArrayValues decode_binary_values(const char* bytes, ValueType type, std::size_t count,
                                 bool big_endian);

/// Every value as a double (coordinates); false when one is not finite.
bool values_to_doubles(const ArrayValues& values, std::vector<double>& result);
/// Every value as an int64 (offsets, connectivity, cell types); false for a floating value that
/// is not an integer or an unsigned one above the int64 range.
bool values_to_integers(const ArrayValues& values, std::vector<std::int64_t>& result);

/// Decodes %XX escapes (legacy VTK writes blanks in names as %20).
std::string decode_percent_escapes(std::string_view name);

}  // namespace veyra::internal
