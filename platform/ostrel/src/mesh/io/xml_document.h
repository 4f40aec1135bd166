// SPDX-License-Identifier: MIT
// XmlDocument: the element tree of a VTK XML file (names, attributes, children and the text
// range of each element), enough for the VTK XML reader. Parsing stops at an <AppendedData>
// element, whose raw content is binary; its start is recorded instead.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text_scanner.h"

namespace veyra::internal {

struct XmlElement {
  std::string_view name;
  std::vector<std::pair<std::string_view, std::string>> attributes;
  /// Offset of the element's '<', for messages.
  std::size_t offset{0};
  /// Text between the start and end tags (empty for <x/>).
  std::size_t content_begin{0};
  std::size_t content_end{0};
  std::vector<std::size_t> children;

  /// The attribute's decoded value; nullptr when absent.
  const std::string* attribute(std::string_view attribute_name) const;
};

class XmlDocument {
 public:
  /// \throw OstrelMeshException (input), through `source`, on malformed XML.
  explicit XmlDocument(const InputSource& source);

  const XmlElement& root() const { return elements_.front(); }
  const XmlElement& element(std::size_t index) const { return elements_[index]; }
  /// The children of `parent` named `name`, in order.
  std::vector<const XmlElement*> children(const XmlElement& parent, std::string_view name) const;
  /// The single child named `name`; nullptr when absent. \throw when there are several.
  const XmlElement* child(const XmlElement& parent, std::string_view name) const;
  /// Offset of the first byte after the '_' that opens appended data.
  std::optional<std::size_t> appended_data() const { return appended_data_; }
  /// The encoding attribute of <AppendedData> ("raw" or "base64").
  std::string_view appended_encoding() const { return appended_encoding_; }

 private:
  const InputSource& source_;
  std::vector<XmlElement> elements_;
  std::optional<std::size_t> appended_data_;
  std::string appended_encoding_;
};

}  // namespace veyra::internal
