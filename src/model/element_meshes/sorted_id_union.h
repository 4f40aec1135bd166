// SPDX-License-Identifier: MIT
// merge_ids: the sorted union of a list of element ids and ids given by the caller, with the
// caller's ids checked against the element count.
#pragma once

#include <absl/types/span.h>
#include <model/common/library.h>
#include <ostrel/basic/common.h>

#include <string_view>
#include <vector>

namespace veyra::detail {

/// Replaces `ids` (ascending, below `count`) with the sorted union of `ids` and `added`, through
/// a bit set over [0, count): linear in count, whatever the order and repetitions of `added`.
/// An added id at or beyond the count is the caller's mistake: it is reported, with `ids` left
/// as it was, instead of being written out of bounds.
/// \throw VeyraConversionModelException (input, null data) "[<operation>] <what> <id> is out of
/// range (the mesh has <count> <elements>)".
inline void merge_ids(std::vector<index_t>& ids, absl::Span<const index_t> added, index_t count,
                      std::string_view operation, std::string_view what,
                      std::string_view elements) {
  std::vector<bool> present(count, false);
  for (const auto id : ids) present[id] = true;
  for (const auto id : added) {
    if (id >= count) {
      throw VeyraConversionModelException{nullptr, OstrelException::TYPE::input, "[", operation,
                                          "] ", what, " ", id, " is out of range (the mesh has ",
                                          count, " ", elements, ")"};
    }
    present[id] = true;
  }
  ids.clear();
  for (index_t id = 0; id < count; ++id) {
    if (present[id]) ids.push_back(id);
  }
}

}  // namespace veyra::detail
