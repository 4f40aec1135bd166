// SPDX-License-Identifier: MIT
// PolygonCycleTable: distinct canonical vertex cycles stored in one flat pool, found by content in
// O(1) on average, for the passes that match polygons by their unique vertices.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_set.h>
#include <absl/hash/hash.h>
#include <absl/types/span.h>

#include <ostrel/basic/common.h>
#include <ostrel/model/canonical_cycle.h>

namespace veyra::detail {

/// Each distinct cycle gets an id 0, 1, 2... in order of first insertion. Cycles are made
/// canonical on insertion (rotated to their smallest entry, then reversed after it when the last
/// entry is smaller than the second), so one polygon listed from another start or in the other
/// direction finds the same id. Adding a cycle allocates nothing beyond the amortized growth of
/// the pool and the set. Not copyable or movable: the set's hash and equality read the pool
/// through a pointer to the table.
class PolygonCycleTable {
 public:
  PolygonCycleTable() : ids_(0, CycleHash{this}, CycleEq{this}) {}
  PolygonCycleTable(const PolygonCycleTable&) = delete;
  PolygonCycleTable& operator=(const PolygonCycleTable&) = delete;

  void reserve(index_t nb_cycles, index_t nb_values) {
    offsets_.reserve(nb_cycles + 1);
    values_.reserve(nb_values);
    ids_.reserve(nb_cycles);
  }

  index_t nb_cycles() const { return static_cast<index_t>(offsets_.size() - 1); }

  /// The canonical cycle of id `cycle`.
  absl::Span<const index_t> cycle(index_t cycle) const {
    return absl::MakeConstSpan(values_).subspan(offsets_[cycle],
                                                offsets_[cycle + 1] - offsets_[cycle]);
  }

  /// The id of the cycle of `vertices`, inserted with the next id when absent; `second` is true
  /// when it was inserted.
  template <typename Vertices>
  std::pair<index_t, bool> find_or_insert(const Vertices& vertices) {
    // The candidate goes at the end of the pool under the next id; it stays only when new.
    const auto start = values_.size();
    values_.insert(values_.end(), std::begin(vertices), std::end(vertices));
    auto added = absl::MakeSpan(values_).subspan(start);
    make_canonical_cycle(added);
    const auto candidate = nb_cycles();
    offsets_.push_back(values_.size());
    const auto [found, inserted] = ids_.insert(candidate);
    if (!inserted) {
      offsets_.pop_back();
      values_.resize(start);
    }
    return {*found, inserted};
  }

 private:
  struct CycleHash {
    const PolygonCycleTable* table;
    std::size_t operator()(index_t id) const {
      return absl::Hash<absl::Span<const index_t>>{}(table->cycle(id));
    }
  };
  struct CycleEq {
    const PolygonCycleTable* table;
    bool operator()(index_t lhs, index_t rhs) const {
      return lhs == rhs || table->cycle(lhs) == table->cycle(rhs);
    }
  };

  std::vector<std::size_t> offsets_{0};
  std::vector<index_t> values_;
  absl::flat_hash_set<index_t, CycleHash, CycleEq> ids_;
};

}  // namespace veyra::detail
