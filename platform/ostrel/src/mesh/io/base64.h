// SPDX-License-Identifier: MIT
// Base64 as VTK XML files use it: an encoder appending to a string, and a decoder reading bytes
// one request at a time from text that may hold blanks, several padded segments in a row
// (a header encoded apart from its data) or one unbroken segment.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace veyra::internal {

/// Appends the base64 text of `size` bytes (padded with '=') to `out`.
void base64_encode(const void* data, std::size_t size, std::string& out);

class Base64Decoder {
 public:
  /// Decodes `text` from `position`.
  Base64Decoder(std::string_view text, std::size_t position) : text_(text), position_(position) {}

  /// Writes the next `size` decoded bytes to `out`; false when the text ends first or holds a
  /// character that is not base64.
  bool read(char* out, std::size_t size);
  /// Offset in the text of the next character to decode.
  std::size_t position() const { return position_; }
  /// Upper bound of the bytes left to decode, from the characters left.
  std::size_t max_remaining_bytes() const {
    return (text_.size() - std::min(position_, text_.size())) / 4 * 3 + nb_buffered_;
  }

 private:
  /// Decodes one group of four characters into the buffer; false at the end or on a bad one.
  bool decode_group();

  std::string_view text_;
  std::size_t position_;
  char buffer_[3]{};
  std::size_t nb_buffered_{0};
  std::size_t buffer_start_{0};
};

}  // namespace veyra::internal
