// SPDX-License-Identifier: MIT
#include "text_scanner.h"

#include <algorithm>

namespace veyra::internal {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
bool is_space(char c) { return is_blank(c) || c == '\n'; }

}  // namespace

std::string printable(std::string_view text) {
  constexpr std::size_t max_length = 40;
  std::string result;
  for (const auto c : text.substr(0, max_length)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f && c != '\\' && c != '"') {
      result.push_back(c);
    } else {
      constexpr char digits[] = "0123456789abcdef";
      result += "\\x";
      result.push_back(digits[byte >> 4]);
      result.push_back(digits[byte & 0xf]);
    }
  }
  if (text.size() > max_length) result += "...";
  return result;
}

std::size_t InputSource::line_at(std::size_t offset) const {
  offset = std::min(offset, content_.size());
  return 1 + static_cast<std::size_t>(std::count(content_.begin(),
                                                 content_.begin() + static_cast<long>(offset),
                                                 '\n'));
}

void TextScanner::skip_blanks() {
  while (position_ < text_.size()) {
    const auto c = text_[position_];
    if (is_space(c)) {
      ++position_;
    } else if (comment_ != '\0' && c == comment_) {
      const auto end = text_.find('\n', position_);
      position_ = end == std::string_view::npos ? text_.size() : end;
    } else {
      return;
    }
  }
}

void TextScanner::skip_line_blanks() {
  while (position_ < text_.size() && is_blank(text_[position_])) ++position_;
  if (comment_ != '\0' && position_ < text_.size() && text_[position_] == comment_) {
    const auto end = text_.find('\n', position_);
    position_ = end == std::string_view::npos ? text_.size() : end;
  }
}

bool TextScanner::at_end() {
  skip_blanks();
  return position_ >= text_.size();
}

std::size_t TextScanner::skip_to_token(std::string_view what) {
  skip_blanks();
  if (position_ >= text_.size()) {
    source_.fail_at_line(text_.size(), "expected ", what, ", found ", end_name_);
  }
  return position_;
}

std::string_view TextScanner::take_token() {
  const auto start = position_;
  while (position_ < text_.size() && !is_space(text_[position_])) ++position_;
  return text_.substr(start, position_ - start);
}

std::string_view TextScanner::token(std::string_view what) {
  skip_to_token(what);
  return take_token();
}

std::string_view TextScanner::line_token() {
  skip_line_blanks();
  if (position_ >= text_.size() || text_[position_] == '\n') return {};
  return take_token();
}

bool TextScanner::line_has_token() {
  skip_line_blanks();
  return position_ < text_.size() && text_[position_] != '\n';
}

void TextScanner::next_line() {
  const auto end = text_.find('\n', position_);
  position_ = end == std::string_view::npos ? text_.size() : end + 1;
}

std::string_view TextScanner::rest_of_line() {
  const auto start = std::min(position_, text_.size());
  auto end = text_.find('\n', start);
  if (end == std::string_view::npos) end = text_.size();
  position_ = end < text_.size() ? end + 1 : end;
  auto line = text_.substr(start, end - start);
  while (!line.empty() && is_blank(line.back())) line.remove_suffix(1);
  while (!line.empty() && is_blank(line.front())) line.remove_prefix(1);
  return line;
}

double TextScanner::real(std::string_view what) { return number<double>(what); }

index_t TextScanner::count(std::string_view what, std::size_t min_bytes) {
  const auto start = skip_to_token(what);
  const auto text = take_token();
  std::int64_t value{};
  if (!parse_number(text, value) || value < 0) {
    bad_token(start, text, "a non-negative count (", what, ")");
  }
  if (value >= static_cast<std::int64_t>(NO_ID) ||
      !fits_in(static_cast<std::uint64_t>(value), min_bytes, remaining())) {
    source_.fail_at_line(start, "the count ", value, " (", what,
                         ") does not fit in the rest of the file (", remaining(), " bytes)");
  }
  return static_cast<index_t>(value);
}

void TextScanner::expect(std::string_view word) {
  const auto start = skip_to_token(word);
  const auto text = take_token();
  if (text != word) bad_token(start, text, "\"", word, "\"");
}

}  // namespace veyra::internal
