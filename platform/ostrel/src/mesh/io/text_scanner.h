// SPDX-License-Identifier: MIT
// The readers' view of their input: InputSource turns byte offsets into the file/line (or byte)
// locations of error messages, TextScanner reads whitespace-separated tokens and numbers out of
// text, failing with a located message whenever something else is found.
#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

#include <ostrel/basic/common.h>
#include <ostrel/basic/ostrel_exception.h>

namespace veyra::internal {

/// At most 40 characters of `text`, with non-printable bytes written as \xNN, for messages.
std::string printable(std::string_view text);

class InputSource {
 public:
  /// `reader` prefixes messages ("MSH reader"); `file` names the input.
  InputSource(std::string_view content, std::string_view file, std::string_view reader)
      : content_(content), file_(file), reader_(reader) {}

  std::string_view content() const { return content_; }
  std::string_view file() const { return file_; }

  /// 1-based line holding the byte at `offset`.
  std::size_t line_at(std::size_t offset) const;

  /// "[reader] file, line L: pieces".
  template <typename... Args>
  [[noreturn]] void fail_at_line(std::size_t offset, const Args&... pieces) const {
    throw OstrelMeshException(nullptr, OstrelException::TYPE::input, "[", reader_, "] ", file_,
                              ", line ", line_at(offset), ": ", pieces...);
  }
  /// "[reader] file, byte N: pieces", for binary content.
  template <typename... Args>
  [[noreturn]] void fail_at_byte(std::size_t offset, const Args&... pieces) const {
    throw OstrelMeshException(nullptr, OstrelException::TYPE::input, "[", reader_, "] ", file_,
                              ", byte ", offset, ": ", pieces...);
  }
  /// "[reader] file: pieces", for faults that belong to no place in the file.
  template <typename... Args>
  [[noreturn]] void fail(const Args&... pieces) const {
    throw OstrelMeshException(nullptr, OstrelException::TYPE::input, "[", reader_, "] ", file_,
                              ": ", pieces...);
  }

 private:
  std::string_view content_;
  std::string_view file_;
  std::string_view reader_;
};

/// Parses all of `text` as a number of type T (a leading '+' is accepted); false otherwise or
/// when out of T's range. Floating values may be infinite or NaN: callers check.
template <typename T>
bool parse_number(std::string_view text, T& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const auto* const end = text.data() + text.size();
  if constexpr (std::is_floating_point_v<T>) {
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (error == std::errc::result_out_of_range && ptr == end) {
      // Underflow to a denormal or zero is harmless; overflow is caught as infinite later.
      value = static_cast<T>(std::strtod(std::string{text}.c_str(), nullptr));
      return true;
    }
    return error == std::errc{} && ptr == end;
  } else {
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc{} && ptr == end;
  }
}

class TextScanner {
 public:
  /// Reads source.content() from `begin` up to `end`; `comment` starts a comment running to the
  /// end of the line ('\0' for none).
  explicit TextScanner(const InputSource& source, std::size_t begin = 0, char comment = '\0',
                       std::size_t end = std::string_view::npos)
      : source_(source),
        text_(source.content().substr(0, end)),
        position_(begin),
        comment_(comment) {}

  const InputSource& source() const { return source_; }
  /// What the end of the scanned text is called in messages ("the end of the file").
  void set_end_name(std::string_view end_name) { end_name_ = end_name; }
  std::size_t position() const { return position_; }
  void set_position(std::size_t position) { position_ = position; }
  std::size_t remaining() const { return text_.size() - std::min(position_, text_.size()); }

  /// Skips blanks, line ends and comments; true when nothing else is left.
  bool at_end();
  /// The next token, wherever it is. \throw at the end of the input, naming `what`.
  std::string_view token(std::string_view what);
  /// The next token on the current line; empty when the line (or the input) ends first.
  std::string_view line_token();
  /// True when the current line holds another token.
  bool line_has_token();
  /// Moves to the start of the next line, skipping whatever is left on this one.
  void next_line();
  /// The rest of the current line without its line end (trailing blanks removed); moves to the
  /// next line.
  std::string_view rest_of_line();

  /// The next token as an integer of type T. \throw when it is not one or out of T's range.
  template <typename T>
  T integer(std::string_view what) {
    const auto start = skip_to_token(what);
    const auto text = take_token();
    T value{};
    if (!parse_number(text, value)) {
      bad_token(start, text, "an integer (", what, ")");
    }
    return value;
  }
  /// The next token as a finite double. \throw when it is not one.
  double real(std::string_view what);
  /// The next token as a number of type T (finite for floating types).
  template <typename T>
  T number(std::string_view what) {
    if constexpr (std::is_floating_point_v<T>) {
      const auto start = skip_to_token(what);
      const auto text = take_token();
      T value{};
      if (!parse_number(text, value) || !std::isfinite(value)) {
        bad_token(start, text, "a finite number (", what, ")");
      }
      return value;
    } else {
      return integer<T>(what);
    }
  }
  /// A non-negative count of items that each take at least `min_bytes` of the rest of the input.
  /// \throw when it is negative, not an integer, or cannot fit in what is left of the input.
  index_t count(std::string_view what, std::size_t min_bytes);
  /// Fails unless the next token is `word` exactly.
  void expect(std::string_view word);

  template <typename... Args>
  [[noreturn]] void fail(const Args&... pieces) const {
    source_.fail_at_line(position_, pieces...);
  }
  template <typename... Args>
  [[noreturn]] void fail_at(std::size_t offset, const Args&... pieces) const {
    source_.fail_at_line(offset, pieces...);
  }

 private:
  /// Skips to the next token; fails at the end of the input. Returns its offset.
  std::size_t skip_to_token(std::string_view what);
  std::string_view take_token();
  void skip_blanks();
  void skip_line_blanks();
  template <typename... Args>
  [[noreturn]] void bad_token(std::size_t start, std::string_view text, const Args&... expected) {
    source_.fail_at_line(start, "expected ", expected..., ", found \"", printable(text), "\"");
  }

  const InputSource& source_;
  std::string_view text_;
  std::size_t position_;
  char comment_;
  std::string_view end_name_{"the end of the file"};
};

/// Checks that `count` items of `min_bytes` each (separator included, which the last item may
/// lack) fit in `remaining` bytes.
inline bool fits_in(std::uint64_t count, std::size_t min_bytes, std::size_t remaining) {
  return min_bytes == 0 || count <= (std::uint64_t{remaining} + 1) / min_bytes;
}

}  // namespace veyra::internal
