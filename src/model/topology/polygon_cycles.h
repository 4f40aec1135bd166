// SPDX-License-Identifier: MIT
// PolygonCycles: a list of canonical vertex cycles in one flat pool, and for each cycle the first
// cycle of the list equal to it, for the passes that match polygons by their unique vertices.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <vector>

#include <absl/types/span.h>

#include <ostrel/basic/common.h>
#include <ostrel/model/canonical_cycle.h>

namespace veyra::detail {

/// Cycles are made canonical when added (rotated to their smallest entry, then reversed after it
/// when the last entry is smaller than the second), so one polygon listed from another start or
/// in the other direction gives the same cycle. Matching sorts the cycles instead of hashing
/// them: cycles of up to four vertices (nearly all of them) are sorted as packed records, which
/// keeps a million polygons within cache-friendly passes; longer ones are sorted through the
/// pool.
class PolygonCycles {
 public:
  void reserve(index_t nb_cycles, index_t nb_values) {
    offsets_.reserve(nb_cycles + 1);
    values_.reserve(nb_values);
  }

  index_t size() const { return static_cast<index_t>(offsets_.size() - 1); }

  /// Appends the canonical cycle of `vertices`; returns its position in the list.
  template <typename Vertices>
  index_t add(const Vertices& vertices) {
    const auto start = values_.size();
    values_.insert(values_.end(), std::begin(vertices), std::end(vertices));
    absl::Span<index_t> added{values_.data() + start, values_.size() - start};
    make_canonical_cycle(added);
    offsets_.push_back(values_.size());
    return size() - 1;
  }

  absl::Span<const index_t> cycle(index_t position) const {
    return {values_.data() + offsets_[position], offsets_[position + 1] - offsets_[position]};
  }

  /// For each cycle, the smallest position holding an equal cycle (itself when it is the first).
  std::vector<index_t> first_occurrences() const {
    const auto nb_cycles = size();
    std::vector<index_t> first(nb_cycles);
    std::vector<Packed> packed;
    packed.reserve(nb_cycles);
    std::vector<index_t> long_cycles;
    for (index_t position = 0; position < nb_cycles; ++position) {
      const auto values = cycle(position);
      if (values.size() > 4) {
        long_cycles.push_back(position);
        continue;
      }
      Packed record{{NO_ID, NO_ID, NO_ID, NO_ID}, static_cast<index_t>(values.size()), position};
      std::copy(values.begin(), values.end(), record.vertices.begin());
      packed.push_back(record);
    }
    // Positions are ascending within a run of equal cycles, so the run's head is the first.
    std::sort(packed.begin(), packed.end());
    for (std::size_t i = 0; i < packed.size(); ++i) {
      const auto& record = packed[i];
      first[record.position] = i > 0 && packed[i - 1].same_cycle(record)
                                   ? first[packed[i - 1].position]
                                   : record.position;
    }
    std::sort(long_cycles.begin(), long_cycles.end(), [this](index_t lhs, index_t rhs) {
      const auto left = cycle(lhs);
      const auto right = cycle(rhs);
      if (left.size() != right.size()) return left.size() < right.size();
      if (left != right) {
        return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end());
      }
      return lhs < rhs;
    });
    for (std::size_t i = 0; i < long_cycles.size(); ++i) {
      const auto position = long_cycles[i];
      first[position] = i > 0 && cycle(long_cycles[i - 1]) == cycle(position)
                            ? first[long_cycles[i - 1]]
                            : position;
    }
    return first;
  }

 private:
  // A short cycle with its length and position; comparisons are spelled out so that sorting
  // stays in registers.
  struct Packed {
    std::array<index_t, 4> vertices;
    index_t size;
    index_t position;

    bool same_cycle(const Packed& other) const {
      return size == other.size && vertices[0] == other.vertices[0] &&
             vertices[1] == other.vertices[1] && vertices[2] == other.vertices[2] &&
             vertices[3] == other.vertices[3];
    }
    friend bool operator<(const Packed& lhs, const Packed& rhs) {
      if (lhs.size != rhs.size) return lhs.size < rhs.size;
      for (std::size_t i = 0; i < 4; ++i) {
        if (lhs.vertices[i] != rhs.vertices[i]) return lhs.vertices[i] < rhs.vertices[i];
      }
      return lhs.position < rhs.position;
    }
  };

  std::vector<std::size_t> offsets_{0};
  std::vector<index_t> values_;
};

}  // namespace veyra::detail
