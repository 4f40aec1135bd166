// SPDX-License-Identifier: MIT
// str_cat: absl::StrCat that also accepts std::string_view pieces. Debian's Abseil has its own
// absl::string_view class, which std::string_view does not convert to.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>

#include <absl/strings/str_cat.h>
#include <absl/strings/string_view.h>

namespace veyra {
namespace internal {

template <typename T>
decltype(auto) str_cat_piece(const T& piece) {
  if constexpr (std::is_convertible_v<const T&, std::string_view> &&
                !std::is_convertible_v<const T&, absl::string_view>) {
    const std::string_view view{piece};
    return absl::string_view{view.data(), view.size()};
  } else {
    return (piece);
  }
}

}  // namespace internal

/// The pieces written one after the other, as absl::StrCat writes them.
template <typename... Args>
std::string str_cat(const Args&... pieces) {
  return absl::StrCat(internal::str_cat_piece(pieces)...);
}

}  // namespace veyra
