// SPDX-License-Identifier: MIT
// NamedType: a strong typedef over a value, so that a mesh type, an implementation key and a
// component type cannot be mixed up although all three are strings.
#pragma once

#include <ostream>
#include <utility>

namespace veyra {

template <typename T, typename Tag>
class NamedType {
 public:
  NamedType() = default;
  explicit NamedType(T value) : value_(std::move(value)) {}

  const T& get() const { return value_; }

  friend bool operator==(const NamedType& lhs, const NamedType& rhs) = default;
  friend auto operator<=>(const NamedType& lhs, const NamedType& rhs) = default;

  template <typename H>
  friend H AbslHashValue(H h, const NamedType& type) {
    return H::combine(std::move(h), type.value_);
  }

  friend std::ostream& operator<<(std::ostream& os, const NamedType& type) {
    return os << type.value_;
  }

 private:
  T value_{};
};

}  // namespace veyra
