// SPDX-License-Identifier: MIT
#include "base64.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace veyra::internal {
namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

/// Value of each character: 0-63, 64 for '=', 255 for anything else.
constexpr std::array<std::uint8_t, 256> make_values() {
  std::array<std::uint8_t, 256> values{};
  values.fill(255);
  for (std::uint8_t i = 0; i < 64; ++i) values[static_cast<unsigned char>(alphabet[i])] = i;
  values[static_cast<unsigned char>('=')] = 64;
  return values;
}
constexpr auto values = make_values();

bool is_blank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

}  // namespace

void base64_encode(const void* data, std::size_t size, std::string& out) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  const auto start = out.size();
  out.resize(start + (size + 2) / 3 * 4);
  auto* text = out.data() + start;
  std::size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    const std::uint32_t group = (std::uint32_t{bytes[i]} << 16) |
                                (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
    *text++ = alphabet[(group >> 18) & 63];
    *text++ = alphabet[(group >> 12) & 63];
    *text++ = alphabet[(group >> 6) & 63];
    *text++ = alphabet[group & 63];
  }
  if (i < size) {
    std::uint32_t group = std::uint32_t{bytes[i]} << 16;
    if (i + 1 < size) group |= std::uint32_t{bytes[i + 1]} << 8;
    *text++ = alphabet[(group >> 18) & 63];
    *text++ = alphabet[(group >> 12) & 63];
    *text++ = i + 1 < size ? alphabet[(group >> 6) & 63] : '=';
    *text++ = '=';
  }
}

bool Base64Decoder::decode_group() {
  std::array<std::uint8_t, 4> group;
  std::size_t nb = 0;
  while (nb < 4) {
    if (position_ >= text_.size()) return false;
    const auto c = text_[position_++];
    if (is_blank(c)) continue;
    const auto value = values[static_cast<unsigned char>(c)];
    if (value == 255) return false;
    group[nb++] = value;
  }
  // Padding may only end a group: "xx==" gives one byte, "xxx=" two.
  if (group[0] == 64 || group[1] == 64 || (group[2] == 64 && group[3] != 64)) return false;
  const std::uint32_t bits = (std::uint32_t{group[0]} << 18) | (std::uint32_t{group[1]} << 12) |
                             (static_cast<std::uint32_t>(group[2] & 63) << 6) |
                             static_cast<std::uint32_t>(group[3] & 63);
  buffer_[0] = static_cast<char>((bits >> 16) & 0xff);
  buffer_[1] = static_cast<char>((bits >> 8) & 0xff);
  buffer_[2] = static_cast<char>(bits & 0xff);
  nb_buffered_ = group[2] == 64 ? 1 : (group[3] == 64 ? 2 : 3);
  buffer_start_ = 0;
  return true;
}

bool Base64Decoder::read(char* out, std::size_t size) {
  while (size > 0) {
    if (nb_buffered_ == 0 && !decode_group()) return false;
    const auto nb = std::min(size, nb_buffered_);
    std::copy_n(buffer_ + buffer_start_, nb, out);
    out += nb;
    size -= nb;
    buffer_start_ += nb;
    nb_buffered_ -= nb;
  }
  return true;
}

}  // namespace veyra::internal
