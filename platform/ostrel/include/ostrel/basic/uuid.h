// SPDX-License-Identifier: MIT
// uuid: the 128-bit identifier of meshes, components and models. Fresh ids come from one
// process-wide generator that can be seeded for reproducible runs.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace veyra {

class uuid {
 public:
  /// A fresh random (version 4) id.
  uuid();
  /// Parses the 36-character 8-4-4-4-12 hexadecimal text of string(); upper or lower case.
  /// \throw OstrelBasicException (input) on any other text.
  explicit uuid(std::string_view text);

  /// Lowercase hexadecimal in 8-4-4-4-12 groups.
  std::string string() const;

  const std::array<std::uint8_t, 16>& bytes() const { return bytes_; }
  static uuid from_bytes(const std::array<std::uint8_t, 16>& bytes);

  /// Two 64-bit comparisons: ids are compared on every lookup of the mapping and component
  /// tables, where a byte-wise compare call shows up.
  friend bool operator==(const uuid& lhs, const uuid& rhs) {
    std::uint64_t lhs_words[2];
    std::uint64_t rhs_words[2];
    std::memcpy(lhs_words, lhs.bytes_.data(), sizeof(lhs_words));
    std::memcpy(rhs_words, rhs.bytes_.data(), sizeof(rhs_words));
    return ((lhs_words[0] ^ rhs_words[0]) | (lhs_words[1] ^ rhs_words[1])) == 0;
  }
  /// Lexicographic over the 16 bytes, which is also the order of the string() texts.
  friend auto operator<=>(const uuid&, const uuid&) = default;

  /// Restarts the generator from `value`: later ids depend only on the order of creation.
  static void seed(std::uint64_t value);

  template <typename H>
  friend H AbslHashValue(H h, const uuid& id) {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    for (int i = 0; i < 8; ++i) {
      high = (high << 8) | id.bytes_[i];
      low = (low << 8) | id.bytes_[i + 8];
    }
    return H::combine(std::move(h), high, low);
  }

 private:
  struct NoInit {};
  explicit uuid(NoInit) {}

  std::array<std::uint8_t, 16> bytes_{};
};

}  // namespace veyra
