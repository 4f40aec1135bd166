// SPDX-License-Identifier: MIT
// BinaryWriter and BinaryReader: the little-endian byte streams of the native model files. The
// reader checks every read and every count against the bytes left, so a truncated or corrupted
// file gives an OstrelModelException (input), never a crash or an oversized allocation.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include <absl/types/span.h>

#include <ostrel/basic/common.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/basic/uuid.h>

namespace veyra::internal {

static_assert(std::endian::native == std::endian::little,
              "The native model files are written in little-endian byte order");

class BinaryWriter {
 public:
  void reserve(std::size_t nb_bytes) { bytes_.reserve(nb_bytes); }
  const std::string& bytes() const { return bytes_; }
  std::string& bytes() { return bytes_; }

  template <typename T>
  void write(const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    bytes_.append(reinterpret_cast<const char*>(&value), sizeof(T));
  }
  template <typename T>
  void write_array(absl::Span<const T> values) {
    static_assert(std::is_trivially_copyable_v<T>);
    bytes_.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
  }
  void write_bool(bool value) { write<std::uint8_t>(value ? 1 : 0); }
  void write_index(index_t value) { write<std::uint32_t>(value); }
  void write_string(std::string_view text) {
    write_index(static_cast<index_t>(text.size()));
    bytes_.append(text.data(), text.size());
  }
  void write_uuid(const uuid& id) { write(id.bytes()); }

 private:
  std::string bytes_;
};

class BinaryReader {
 public:
  /// `context` starts every error message, for example "[load_brep] File cube.tq_brep".
  BinaryReader(std::string_view bytes, std::string context)
      : bytes_(bytes), context_(std::move(context)) {}

  std::size_t remaining() const { return bytes_.size() - position_; }
  bool at_end() const { return position_ == bytes_.size(); }

  template <typename... Args>
  [[noreturn]] void fail(const Args&... pieces) const {
    throw OstrelModelException(nullptr, OstrelException::TYPE::input, context_,
                               " is corrupted: ", pieces..., " (at byte ", position_, ")");
  }

  template <typename T>
  T read(std::string_view what) {
    static_assert(std::is_trivially_copyable_v<T>);
    require(sizeof(T), what);
    T value;
    std::memcpy(&value, bytes_.data() + position_, sizeof(T));
    position_ += sizeof(T);
    return value;
  }
  /// Reads `values.size()` items into `values`.
  template <typename T>
  void read_array(absl::Span<T> values, std::string_view what) {
    static_assert(std::is_trivially_copyable_v<T>);
    require(values.size() * sizeof(T), what);
    if (!values.empty()) {
      std::memcpy(values.data(), bytes_.data() + position_, values.size() * sizeof(T));
    }
    position_ += values.size() * sizeof(T);
  }
  bool read_bool(std::string_view what) {
    const auto value = read<std::uint8_t>(what);
    if (value > 1) fail("invalid flag for ", what);
    return value == 1;
  }
  index_t read_index(std::string_view what) { return read<std::uint32_t>(what); }
  /// A count of items that take at least `min_item_bytes` each in the file: a count the bytes
  /// left cannot hold is corruption, found before anything is allocated for it.
  index_t read_count(std::size_t min_item_bytes, std::string_view what) {
    const auto count = read_index(what);
    if (static_cast<std::uint64_t>(count) * min_item_bytes > remaining()) {
      fail(what, " ", count, " exceeds what the file holds");
    }
    return count;
  }
  std::string read_string(std::string_view what) {
    const auto size = read_count(1, what);
    std::string text{bytes_.substr(position_, size)};
    position_ += size;
    return text;
  }
  uuid read_uuid(std::string_view what) {
    return uuid::from_bytes(read<std::array<std::uint8_t, 16>>(what));
  }
  /// An index that must be below `bound`.
  index_t read_index_below(index_t bound, std::string_view what) {
    const auto value = read_index(what);
    if (value >= bound) fail(what, " ", value, " out of range (", bound, ")");
    return value;
  }

 private:
  void require(std::size_t nb_bytes, std::string_view what) const {
    if (nb_bytes > remaining()) fail("unexpected end of data while reading ", what);
  }

  std::string_view bytes_;
  std::string context_;
  std::size_t position_{0};
};

/// 64-bit checksum of `bytes`: each 8-byte word goes through an invertible xor-multiply-rotate
/// step, so changing any single word always changes the result.
inline std::uint64_t checksum(std::string_view bytes) {
  constexpr std::uint64_t multiplier = 0x9E3779B97F4A7C15ULL;
  std::uint64_t hash = 0x243F6A8885A308D3ULL ^ bytes.size();
  const auto step = [&hash](std::uint64_t word) {
    hash = std::rotl((hash ^ word) * multiplier, 29);
  };
  std::size_t position = 0;
  for (; position + 8 <= bytes.size(); position += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + position, 8);
    step(word);
  }
  std::uint64_t tail = 0;
  if (position < bytes.size()) {
    std::memcpy(&tail, bytes.data() + position, bytes.size() - position);
  }
  step(tail);
  return hash ^ (hash >> 31);
}

}  // namespace veyra::internal
