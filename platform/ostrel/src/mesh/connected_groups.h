// SPDX-License-Identifier: MIT
// ConnectedGroups: union-find over element indices and the numbering of the resulting groups by
// their smallest member, shared by the graph, surface and solid identifiers. Not installed.
#pragma once

#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>

#include <ostrel/basic/common.h>

namespace veyra::internal {

class ConnectedGroups {
 public:
  /// Every element alone in its group.
  explicit ConnectedGroups(index_t nb_elements) : parent_(nb_elements) {
    std::iota(parent_.begin(), parent_.end(), index_t{0});
  }

  index_t root(index_t element) {
    while (parent_[element] != element) {
      parent_[element] = parent_[parent_[element]];
      element = parent_[element];
    }
    return element;
  }

  void unite(index_t element0, index_t element1) {
    auto root0 = root(element0);
    auto root1 = root(element1);
    if (root0 == root1) return;
    if (root1 < root0) std::swap(root0, root1);
    parent_[root1] = root0;  // the smallest member stays the root
  }

  /// group[e] for every element: groups numbered 0, 1... in order of their smallest member.
  std::vector<index_t> number_groups() {
    std::vector<index_t> group(parent_.size(), NO_ID);
    index_t nb_groups = 0;
    for (index_t element = 0; element < parent_.size(); ++element) {
      const auto element_root = root(element);
      if (group[element_root] == NO_ID) group[element_root] = nb_groups++;
      group[element] = group[element_root];
    }
    return group;
  }

 private:
  std::vector<index_t> parent_;
};

/// Members of each group, ascending, from the group of each element.
inline std::vector<std::vector<index_t>> group_members(const std::vector<index_t>& group,
                                                       index_t nb_groups) {
  std::vector<std::vector<index_t>> members(nb_groups);
  for (index_t element = 0; element < group.size(); ++element) {
    members[group[element]].push_back(element);
  }
  return members;
}

/// The state shared by the identifiers: one group number per element, computed on demand.
class IdentifiedGroups {
 public:
  template <typename LinkVisitor>
  index_t identify(index_t nb_elements, LinkVisitor&& for_each_link) {
    ConnectedGroups groups{nb_elements};
    for_each_link([&groups](index_t element0, index_t element1) {
      groups.unite(element0, element1);
    });
    group_ = groups.number_groups();
    nb_groups_ = 0;
    for (const auto value : group_) nb_groups_ = std::max(nb_groups_, value + 1);
    identified_ = true;
    return nb_groups_;
  }

  bool identified() const { return identified_; }
  std::vector<std::vector<index_t>> members() const { return group_members(group_, nb_groups_); }
  index_t identifier(index_t element) const {
    return element < group_.size() ? group_[element] : NO_ID;
  }

 private:
  std::vector<index_t> group_;
  index_t nb_groups_{0};
  bool identified_{false};
};

}  // namespace veyra::internal
