// SPDX-License-Identifier: MIT
#include "xml_document.h"

#include <charconv>

namespace veyra::internal {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

bool is_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == ':' || c == '-' || c == '.';
}

class XmlParser {
 public:
  XmlParser(const InputSource& source, std::vector<XmlElement>& elements,
            std::optional<std::size_t>& appended_data, std::string& appended_encoding)
      : source_(source),
        text_(source.content()),
        elements_(elements),
        appended_data_(appended_data),
        appended_encoding_(appended_encoding) {}

  void parse() {
    std::vector<std::size_t> open;
    while (true) {
      const auto next = text_.find('<', position_);
      if (open.empty() && !is_blank_range(position_, next)) {
        source_.fail_at_line(position_, "expected an XML element, found text");
      }
      if (next == std::string_view::npos) {
        if (!open.empty()) {
          source_.fail_at_line(text_.size(), "expected </", elements_[open.back()].name,
                               ">, found the end of the file");
        }
        break;
      }
      position_ = next;
      const auto rest = text_.substr(position_);
      if (rest.starts_with("<?")) {
        skip_past("?>", "the end of a processing instruction");
      } else if (rest.starts_with("<!--")) {
        skip_past("-->", "the end of a comment");
      } else if (rest.starts_with("<!")) {
        skip_past(">", "'>'");
      } else if (rest.starts_with("</")) {
        close_element(open);
        if (open.empty()) break;
      } else {
        if (open.empty() && !elements_.empty()) {
          source_.fail_at_line(position_, "a second root element");
        }
        if (open_element(open)) return;
      }
    }
    if (elements_.empty()) source_.fail_at_line(text_.size(), "no XML element in the file");
  }

 private:
  bool is_blank_range(std::size_t begin, std::size_t end) const {
    end = std::min(end, text_.size());
    for (auto i = begin; i < end; ++i) {
      if (!is_blank(text_[i])) return false;
    }
    return true;
  }

  void skip_past(std::string_view marker, std::string_view what) {
    const auto found = text_.find(marker, position_);
    if (found == std::string_view::npos) {
      source_.fail_at_line(position_, "expected ", what, ", found the end of the file");
    }
    position_ = found + marker.size();
  }

  void skip_blanks() {
    while (position_ < text_.size() && is_blank(text_[position_])) ++position_;
  }

  std::string_view read_name(std::string_view what) {
    const auto start = position_;
    while (position_ < text_.size() && is_name_char(text_[position_])) ++position_;
    if (position_ == start) {
      source_.fail_at_line(start, "expected ", what, ", found \"",
                           printable(text_.substr(start, 10)), "\"");
    }
    return text_.substr(start, position_ - start);
  }

  void close_element(std::vector<std::size_t>& open) {
    const auto start = position_;
    position_ += 2;
    const auto name = read_name("an element name");
    skip_blanks();
    if (position_ >= text_.size() || text_[position_] != '>') {
      source_.fail_at_line(position_, "expected '>' to close </", name, ">");
    }
    if (open.empty() || elements_[open.back()].name != name) {
      source_.fail_at_line(start, "</", name, "> does not close the open element",
                           open.empty() ? std::string_view{} : " <",
                           open.empty() ? std::string_view{} : elements_[open.back()].name,
                           open.empty() ? std::string_view{} : ">");
    }
    elements_[open.back()].content_end = start;
    open.pop_back();
    ++position_;
  }

  /// Parses a start tag; true when it opens appended data, which ends the parsing.
  bool open_element(std::vector<std::size_t>& open) {
    XmlElement element;
    element.offset = position_;
    ++position_;
    element.name = read_name("an element name");
    bool self_closing = false;
    while (true) {
      skip_blanks();
      if (position_ >= text_.size()) {
        source_.fail_at_line(element.offset, "the tag <", element.name, " is not closed");
      }
      if (text_[position_] == '>') {
        ++position_;
        break;
      }
      if (text_.substr(position_).starts_with("/>")) {
        position_ += 2;
        self_closing = true;
        break;
      }
      const auto name = read_name("an attribute name");
      skip_blanks();
      if (position_ >= text_.size() || text_[position_] != '=') {
        source_.fail_at_line(position_, "expected '=' after attribute ", name);
      }
      ++position_;
      skip_blanks();
      if (position_ >= text_.size() || (text_[position_] != '"' && text_[position_] != '\'')) {
        source_.fail_at_line(position_, "expected a quoted value for attribute ", name);
      }
      const auto quote = text_[position_++];
      const auto end = text_.find(quote, position_);
      if (end == std::string_view::npos) {
        source_.fail_at_line(position_, "the value of attribute ", name, " is not closed");
      }
      element.attributes.emplace_back(name, decode(text_.substr(position_, end - position_)));
      position_ = end + 1;
    }
    element.content_begin = position_;
    element.content_end = position_;
    const auto index = elements_.size();
    if (!open.empty()) elements_[open.back()].children.push_back(index);
    const bool is_appended = element.name == "AppendedData" && !self_closing;
    if (is_appended) {
      if (const auto* encoding = element.attribute("encoding")) appended_encoding_ = *encoding;
    }
    elements_.push_back(std::move(element));
    if (is_appended) {
      skip_blanks();
      if (position_ >= text_.size() || text_[position_] != '_') {
        source_.fail_at_line(position_, "expected '_' to open the appended data");
      }
      appended_data_ = position_ + 1;
      return true;
    }
    if (!self_closing) open.push_back(index);
    return false;
  }

  /// Replaces the predefined and numeric character references.
  std::string decode(std::string_view value) const {
    std::string result;
    result.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
      if (value[i] != '&') {
        result.push_back(value[i]);
        continue;
      }
      const auto end = value.find(';', i);
      if (end == std::string_view::npos) {
        result.push_back(value[i]);
        continue;
      }
      const auto entity = value.substr(i + 1, end - i - 1);
      if (entity == "lt") {
        result.push_back('<');
      } else if (entity == "gt") {
        result.push_back('>');
      } else if (entity == "amp") {
        result.push_back('&');
      } else if (entity == "quot") {
        result.push_back('"');
      } else if (entity == "apos") {
        result.push_back('\'');
      } else if (entity.size() > 1 && entity.front() == '#') {
        unsigned code = 0;
        const bool hex = entity[1] == 'x' || entity[1] == 'X';
        const auto digits = entity.substr(hex ? 2 : 1);
        const auto [ptr, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
        if (error != std::errc{} || ptr != digits.data() + digits.size() || code > 0x10ffff) {
          result.append(value.substr(i, end - i + 1));
        } else {
          append_utf8(code, result);
        }
      } else {
        result.append(value.substr(i, end - i + 1));
      }
      i = end;
    }
    return result;
  }

  static void append_utf8(unsigned code, std::string& out) {
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xc0 | (code >> 6)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xe0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3f)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
    } else {
      out.push_back(static_cast<char>(0xf0 | (code >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3f)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3f)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
    }
  }

  const InputSource& source_;
  std::string_view text_;
  std::size_t position_{0};
  std::vector<XmlElement>& elements_;
  std::optional<std::size_t>& appended_data_;
  std::string& appended_encoding_;
};

}  // namespace

const std::string* XmlElement::attribute(std::string_view attribute_name) const {
  for (const auto& [name, value] : attributes) {
    if (name == attribute_name) return &value;
  }
  return nullptr;
}

XmlDocument::XmlDocument(const InputSource& source) : source_(source) {
  XmlParser{source, elements_, appended_data_, appended_encoding_}.parse();
}

std::vector<const XmlElement*> XmlDocument::children(const XmlElement& parent,
                                                     std::string_view name) const {
  std::vector<const XmlElement*> result;
  for (const auto index : parent.children) {
    if (elements_[index].name == name) result.push_back(&elements_[index]);
  }
  return result;
}

const XmlElement* XmlDocument::child(const XmlElement& parent, std::string_view name) const {
  const auto found = children(parent, name);
  if (found.size() > 1) {
    source_.fail_at_line(found[1]->offset, "a second <", name, "> in <", parent.name, ">");
  }
  return found.empty() ? nullptr : found.front();
}

}  // namespace veyra::internal
