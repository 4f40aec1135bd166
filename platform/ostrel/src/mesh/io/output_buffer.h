// SPDX-License-Identifier: MIT
// OutputBuffer: text and bytes collected in memory and passed to a stream in large blocks, with
// numbers written in their shortest exact form (doubles read back bit for bit), plus base64
// output that streams bytes without holding them all.
#pragma once

#include <charconv>
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>

#include "base64.h"

namespace veyra::internal {

class OutputBuffer {
 public:
  explicit OutputBuffer(std::ostream& stream) : stream_(stream) { buffer_.reserve(block_size); }
  ~OutputBuffer() { flush(); }
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  OutputBuffer& operator<<(std::string_view text) {
    buffer_.append(text);
    flush_if_full();
    return *this;
  }
  OutputBuffer& operator<<(char c) {
    buffer_.push_back(c);
    flush_if_full();
    return *this;
  }
  /// Integers and floating values, shortest form that reads back exactly.
  template <typename T>
    requires std::is_arithmetic_v<T> && (!std::is_same_v<T, char>)
  OutputBuffer& operator<<(T value) {
    char text[32];
    if constexpr (std::is_same_v<T, bool>) {
      buffer_.push_back(value ? '1' : '0');
    } else if constexpr (sizeof(T) == 1) {
      const auto [end, error] = std::to_chars(text, text + sizeof(text), static_cast<int>(value));
      buffer_.append(text, end);
    } else {
      const auto [end, error] = std::to_chars(text, text + sizeof(text), value);
      buffer_.append(text, end);
    }
    flush_if_full();
    return *this;
  }

  /// Appends base64 text of the bytes given to write_base64 calls, until end_base64.
  void write_base64(const void* data, std::size_t size);
  void end_base64();

  void flush() {
    stream_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
  }

 private:
  static constexpr std::size_t block_size = 1 << 20;

  void flush_if_full() {
    if (buffer_.size() >= block_size) flush();
  }

  std::ostream& stream_;
  std::string buffer_;
  unsigned char carry_[3]{};
  std::size_t nb_carried_{0};
};

}  // namespace veyra::internal
