// SPDX-License-Identifier: MIT
// GenericMapping<T1, T2>: a one-to-many relation between inputs and outputs, readable from both
// sides, each side keeping insertion order. A pair is stored at most once.
#pragma once

#include <algorithm>
#include <utility>

#include <absl/container/inlined_vector.h>

#include <ostrel/basic/common.h>
#include <ostrel/basic/linked_hash_map.h>

namespace veyra {

template <typename T1, typename T2 = T1>
class GenericMapping {
 public:
  /// Values of one key, in insertion order. Most keys have exactly one value, kept inline.
  template <typename T>
  using Values = absl::InlinedVector<T, 1>;
  using In2Out = linked_hash_map<T1, Values<T2>>;
  using Out2In = linked_hash_map<T2, Values<T1>>;

  /// Adds the pair unless it is already present.
  void map(const T1& in, const T2& out) {
    auto& outputs = in2out_[in];
    if (std::find(outputs.begin(), outputs.end(), out) != outputs.end()) return;
    outputs.push_back(out);
    out2in_[out].push_back(in);
  }

  /// Removes the pair from both sides; a key left without value is erased.
  void unmap(const T1& in, const T2& out) {
    const auto found = in2out_.find(in);
    if (found == in2out_.end()) return;
    if (!remove_value(found->second, out)) return;
    if (found->second.empty()) in2out_.erase(found);
    remove_from_key(out2in_, out, in);
  }

  /// Removes input `in` and all its pairs.
  void erase_in(const T1& in) {
    const auto found = in2out_.find(in);
    if (found == in2out_.end()) return;
    for (const auto& out : found->second) remove_from_key(out2in_, out, in);
    in2out_.erase(found);
  }

  /// Removes output `out` and all its pairs.
  void erase_out(const T2& out) {
    const auto found = out2in_.find(out);
    if (found == out2in_.end()) return;
    for (const auto& in : found->second) remove_from_key(in2out_, in, out);
    out2in_.erase(found);
  }

  bool has_mapping_input(const T1& in) const { return in2out_.contains(in); }
  bool has_mapping_output(const T2& out) const { return out2in_.contains(out); }

  /// \throw std::out_of_range("absl::linked_hash_map::at") when `in` is no input.
  const Values<T2>& in2out(const T1& in) const { return in2out_.at(in); }
  /// \throw std::out_of_range("absl::linked_hash_map::at") when `out` is no output.
  const Values<T1>& out2in(const T2& out) const { return out2in_.at(out); }

  const In2Out& in2out_map() const { return in2out_; }
  const Out2In& out2in_map() const { return out2in_; }

  index_t size_in() const { return static_cast<index_t>(in2out_.size()); }
  index_t size_out() const { return static_cast<index_t>(out2in_.size()); }
  bool empty() const { return in2out_.empty(); }

  void reserve(index_t count) {
    in2out_.reserve(count);
    out2in_.reserve(count);
  }
  void clear() {
    in2out_.clear();
    out2in_.clear();
  }

  /// Same pairs in the same orders on both sides.
  friend bool operator==(const GenericMapping& lhs, const GenericMapping& rhs) {
    return lhs.in2out_ == rhs.in2out_ && lhs.out2in_ == rhs.out2in_;
  }

 private:
  template <typename T>
  static bool remove_value(Values<T>& values, const T& value) {
    const auto found = std::find(values.begin(), values.end(), value);
    if (found == values.end()) return false;
    values.erase(found);
    return true;
  }

  template <typename Map, typename K, typename V>
  static void remove_from_key(Map& map, const K& key, const V& value) {
    const auto found = map.find(key);
    if (found == map.end()) return;
    remove_value(found->second, value);
    if (found->second.empty()) map.erase(found);
  }

  In2Out in2out_;
  Out2In out2in_;
};

}  // namespace veyra
