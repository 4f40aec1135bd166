// SPDX-License-Identifier: MIT
#include "data_values.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace veyra::internal {
namespace {

template <typename F>
ArrayValues with_empty_values(ValueType type, F&& fill) {
  switch (type) {
    case ValueType::int8:
      return fill(std::vector<std::int8_t>{});
    case ValueType::uint8:
      return fill(std::vector<std::uint8_t>{});
    case ValueType::int16:
      return fill(std::vector<std::int16_t>{});
    case ValueType::uint16:
      return fill(std::vector<std::uint16_t>{});
    case ValueType::int32:
      return fill(std::vector<std::int32_t>{});
    case ValueType::uint32:
      return fill(std::vector<std::uint32_t>{});
    case ValueType::int64:
      return fill(std::vector<std::int64_t>{});
    case ValueType::uint64:
      return fill(std::vector<std::uint64_t>{});
    case ValueType::float32:
      return fill(std::vector<float>{});
    case ValueType::float64:
      return fill(std::vector<double>{});
  }
  return fill(std::vector<double>{});
}

}  // namespace

std::size_t value_size(ValueType type) {
  switch (type) {
    case ValueType::int8:
    case ValueType::uint8:
      return 1;
    case ValueType::int16:
    case ValueType::uint16:
      return 2;
    case ValueType::int32:
    case ValueType::uint32:
    case ValueType::float32:
      return 4;
    default:
      return 8;
  }
}

std::optional<ValueType> vtk_xml_value_type(std::string_view name) {
  static constexpr std::pair<std::string_view, ValueType> names[] = {
      {"Int8", ValueType::int8},       {"UInt8", ValueType::uint8},
      {"Int16", ValueType::int16},     {"UInt16", ValueType::uint16},
      {"Int32", ValueType::int32},     {"UInt32", ValueType::uint32},
      {"Int64", ValueType::int64},     {"UInt64", ValueType::uint64},
      {"Float32", ValueType::float32}, {"Float64", ValueType::float64},
      {"Char", ValueType::int8},       {"UChar", ValueType::uint8},
      {"Short", ValueType::int16},     {"UShort", ValueType::uint16},
      {"Int", ValueType::int32},       {"UInt", ValueType::uint32},
      {"Float", ValueType::float32},   {"Double", ValueType::float64}};
  for (const auto& [text, type] : names) {
    if (text == name) return type;
  }
  return std::nullopt;
}

std::optional<ValueType> vtk_legacy_value_type(std::string_view name) {
  static constexpr std::pair<std::string_view, ValueType> names[] = {
      {"bit", ValueType::uint8},          {"char", ValueType::int8},
      {"unsigned_char", ValueType::uint8}, {"short", ValueType::int16},
      {"unsigned_short", ValueType::uint16}, {"int", ValueType::int32},
      {"unsigned_int", ValueType::uint32}, {"long", ValueType::int64},
      {"unsigned_long", ValueType::uint64}, {"vtktypeint8", ValueType::int8},
      {"vtktypeuint8", ValueType::uint8}, {"vtktypeint16", ValueType::int16},
      {"vtktypeuint16", ValueType::uint16}, {"vtktypeint32", ValueType::int32},
      {"vtktypeuint32", ValueType::uint32}, {"vtktypeint64", ValueType::int64},
      {"vtktypeuint64", ValueType::uint64}, {"vtkIdType", ValueType::int64},
      {"float", ValueType::float32},       {"double", ValueType::float64},
      {"vtktypefloat32", ValueType::float32}, {"vtktypefloat64", ValueType::float64}};
  for (const auto& [text, type] : names) {
    if (text == name) return type;
  }
  return std::nullopt;
}

std::string_view vtk_xml_type_name(ValueType type) {
  static constexpr std::string_view names[] = {"Int8",  "UInt8",  "Int16", "UInt16",  "Int32",
                                               "UInt32", "Int64", "UInt64", "Float32", "Float64"};
  return names[static_cast<std::size_t>(type)];
}

ArrayValues read_text_values(TextScanner& scanner, ValueType type, std::size_t count,
                             std::string_view what, bool finite_only) {
  if (!fits_in(count, 2, scanner.remaining())) {
    scanner.fail(count, " values (", what, ") do not fit in the rest of the file (",
                 scanner.remaining(), " bytes)");
  }
  return with_empty_values(type, [&](auto values) -> ArrayValues {
    using T = typename decltype(values)::value_type;
    values.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      if constexpr (std::is_floating_point_v<T>) {
        if (finite_only) {
          values.push_back(scanner.number<T>(what));
        } else {
          const auto start = scanner.position();
          const auto text = scanner.token(what);
          T value{};
          if (!parse_number(text, value)) {
            scanner.fail_at(start, "expected a number (", what, "), found \"", printable(text),
                            "\"");
          }
          values.push_back(value);
        }
      } else {
        values.push_back(scanner.integer<T>(what));
      }
    }
    return values;
  });
}

ArrayValues decode_binary_values(const char* bytes, ValueType type, std::size_t count,
                                 bool big_endian) {
  return with_empty_values(type, [&](auto values) -> ArrayValues {
    using T = typename decltype(values)::value_type;
    values.resize(count);
    if (count > 0) std::memcpy(values.data(), bytes, count * sizeof(T));
    const bool swap = big_endian != (std::endian::native == std::endian::big);
    if (swap && sizeof(T) > 1) {
      for (auto& value : values) {
        std::array<char, sizeof(T)> buffer;
        std::memcpy(buffer.data(), &value, sizeof(T));
        std::reverse(buffer.begin(), buffer.end());
        std::memcpy(&value, buffer.data(), sizeof(T));
      }
    }
    return values;
  });
}

bool values_to_doubles(const ArrayValues& values, std::vector<double>& result) {
  return std::visit(
      [&](const auto& typed) {
        result.resize(typed.size());
        bool finite = true;
        for (std::size_t i = 0; i < typed.size(); ++i) {
          result[i] = static_cast<double>(typed[i]);
          finite = finite && std::isfinite(result[i]);
        }
        return finite;
      },
      values);
}

bool values_to_integers(const ArrayValues& values, std::vector<std::int64_t>& result) {
  return std::visit(
      [&](const auto& typed) {
        using T = typename std::decay_t<decltype(typed)>::value_type;
        result.resize(typed.size());
        for (std::size_t i = 0; i < typed.size(); ++i) {
          const auto value = typed[i];
          if constexpr (std::is_floating_point_v<T>) {
            if (!(std::abs(value) < 9e18) || std::trunc(value) != value) return false;
          } else if constexpr (std::is_same_v<T, std::uint64_t>) {
            if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
              return false;
            }
          }
          result[i] = static_cast<std::int64_t>(value);
        }
        return true;
      },
      values);
}

std::string decode_percent_escapes(std::string_view name) {
  const auto hex_digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string result;
  result.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '%' && i + 2 < name.size()) {
      const auto high = hex_digit(name[i + 1]);
      const auto low = hex_digit(name[i + 2]);
      if (high >= 0 && low >= 0) {
        result.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    result.push_back(name[i]);
  }
  return result;
}

}  // namespace veyra::internal
