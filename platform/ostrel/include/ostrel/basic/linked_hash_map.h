// SPDX-License-Identifier: MIT
// linked_hash_map and linked_hash_set: hash containers that iterate in insertion order.
//
// Contract (the same promises as the upstream absl::linked_hash_map):
// - iteration follows insertion order; erasing keeps the order of the others; a key erased and
//   inserted again goes to the end;
// - lookups, insertions and erasures are O(1) on average;
// - insertions may invalidate every iterator and reference; erasures invalidate only the
//   iterators and references to the erased element;
// - lookups accept any type the key hashes and compares with (heterogeneous lookup);
// - strong exception safety for single-element insertion, nothrow erasure.
//
// Storage: the elements live in a vector of slots in insertion order, erased slots are emptied
// and skipped, and the vector is compacted on insertion once half of it is empty. An index map
// (absl::flat_hash_map) points from each key to its slot.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>

namespace veyra {
namespace internal {

/// Shared engine of linked_hash_map and linked_hash_set. `Value` is what iteration yields;
/// `KeyOf` extracts the key from a Value.
template <typename Key, typename Value, typename KeyOf>
class LinkedHashTable {
  using Slots = std::vector<std::optional<Value>>;
  // 32-bit slot numbers keep the index map small (the containers hold fewer than 4G entries).
  using SlotIndex = std::uint32_t;

 public:
  template <bool Const>
  class Iterator {
    using SlotIterator =
        std::conditional_t<Const, typename Slots::const_iterator, typename Slots::iterator>;

   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Value;
    using difference_type = std::ptrdiff_t;
    using reference = std::conditional_t<Const, const Value&, Value&>;
    using pointer = std::conditional_t<Const, const Value*, Value*>;

    Iterator() = default;
    Iterator(SlotIterator current, SlotIterator end) : current_(current), end_(end) { skip(); }
    // A mutable iterator converts to a const one.
    template <bool OtherConst, typename = std::enable_if_t<Const && !OtherConst>>
    Iterator(const Iterator<OtherConst>& other) : current_(other.current_), end_(other.end_) {}

    reference operator*() const { return **current_; }
    pointer operator->() const { return &**current_; }
    Iterator& operator++() {
      ++current_;
      skip();
      return *this;
    }
    Iterator operator++(int) {
      auto copy = *this;
      ++*this;
      return copy;
    }
    friend bool operator==(const Iterator& lhs, const Iterator& rhs) {
      return lhs.current_ == rhs.current_;
    }

   private:
    template <typename, typename, typename>
    friend class LinkedHashTable;
    template <bool>
    friend class Iterator;

    void skip() {
      while (current_ != end_ && !current_->has_value()) ++current_;
    }

    SlotIterator current_{};
    SlotIterator end_{};
  };

  using iterator = Iterator<false>;
  using const_iterator = Iterator<true>;

  iterator begin() { return {slots_.begin(), slots_.end()}; }
  iterator end() { return {slots_.end(), slots_.end()}; }
  const_iterator begin() const { return {slots_.cbegin(), slots_.cend()}; }
  const_iterator end() const { return {slots_.cend(), slots_.cend()}; }

  std::size_t size() const { return index_.size(); }
  bool empty() const { return index_.empty(); }

  void reserve(std::size_t count) {
    index_.reserve(count);
    slots_.reserve(count);
  }

  void clear() {
    index_.clear();
    slots_.clear();
  }

  template <typename K>
  iterator find(const K& key) {
    const auto found = index_.find(key);
    if (found == index_.end()) return end();
    return slot_iterator(found->second);
  }
  template <typename K>
  const_iterator find(const K& key) const {
    const auto found = index_.find(key);
    if (found == index_.end()) return end();
    return {slots_.cbegin() + found->second, slots_.cend()};
  }
  template <typename K>
  bool contains(const K& key) const {
    return index_.contains(key);
  }
  template <typename K>
  std::size_t count(const K& key) const {
    return index_.contains(key) ? 1 : 0;
  }

  /// Inserts the value built from `args` under `key` unless the key is present.
  template <typename... Args>
  std::pair<iterator, bool> emplace_with_key(const Key& key, Args&&... args) {
    compact_if_sparse();
    // One hash probe: claim the index entry first, then build the slot it points to.
    const auto [entry, inserted] = index_.try_emplace(key, static_cast<SlotIndex>(slots_.size()));
    if (!inserted) return {slot_iterator(entry->second), false};
    try {
      slots_.emplace_back(std::in_place, std::forward<Args>(args)...);
    } catch (...) {
      index_.erase(key);
      throw;
    }
    return {slot_iterator(slots_.size() - 1), true};
  }

  template <typename K>
  std::size_t erase(const K& key) {
    const auto found = index_.find(key);
    if (found == index_.end()) return 0;
    const auto slot = found->second;
    index_.erase(found);
    release_slot(slot);
    return 1;
  }

  iterator erase(const_iterator position) {
    const auto slot = static_cast<std::size_t>(position.current_ - slots_.cbegin());
    index_.erase(KeyOf{}(**position.current_));
    release_slot(slot);
    // Trailing slots may have gone with the erased one: the next element is then the end.
    return slot_iterator(std::min(slot, slots_.size()));
  }
  iterator erase(iterator position) { return erase(const_iterator{position}); }

  friend bool operator==(const LinkedHashTable& lhs, const LinkedHashTable& rhs) {
    if (lhs.size() != rhs.size()) return false;
    auto other = rhs.begin();
    for (const auto& value : lhs) {
      if (!(value == *other)) return false;
      ++other;
    }
    return true;
  }

 private:
  iterator slot_iterator(std::size_t slot) { return {slots_.begin() + slot, slots_.end()}; }

  void release_slot(std::size_t slot) {
    slots_[slot].reset();
    // Trailing empty slots can go at once: no live slot index changes.
    while (!slots_.empty() && !slots_.back().has_value()) slots_.pop_back();
  }

  void compact_if_sparse() {
    if (slots_.size() < 16 || index_.size() * 2 > slots_.size()) return;
    Slots compacted;
    compacted.reserve(index_.size() + 1);
    for (auto& slot : slots_) {
      if (!slot.has_value()) continue;
      index_[KeyOf{}(*slot)] = static_cast<SlotIndex>(compacted.size());
      compacted.emplace_back(std::in_place, std::move(*slot));
    }
    slots_ = std::move(compacted);
  }

  Slots slots_;
  absl::flat_hash_map<Key, SlotIndex> index_;
};

struct PairFirst {
  template <typename Pair>
  const auto& operator()(const Pair& pair) const {
    return pair.first;
  }
};
struct Identity {
  template <typename T>
  const T& operator()(const T& value) const {
    return value;
  }
};

}  // namespace internal

template <typename K, typename V>
class linked_hash_map
    : public internal::LinkedHashTable<K, std::pair<const K, V>, internal::PairFirst> {
  using Base = internal::LinkedHashTable<K, std::pair<const K, V>, internal::PairFirst>;

 public:
  using key_type = K;
  using mapped_type = V;
  using value_type = std::pair<const K, V>;
  using typename Base::const_iterator;
  using typename Base::iterator;

  linked_hash_map() = default;
  linked_hash_map(std::initializer_list<value_type> values) {
    for (const auto& value : values) this->emplace(value.first, value.second);
  }

  /// \throw std::out_of_range("absl::linked_hash_map::at") when the key is absent.
  template <typename Q>
  V& at(const Q& key) {
    const auto found = this->find(key);
    if (found == this->end()) throw std::out_of_range("absl::linked_hash_map::at");
    return found->second;
  }
  template <typename Q>
  const V& at(const Q& key) const {
    const auto found = this->find(key);
    if (found == this->end()) throw std::out_of_range("absl::linked_hash_map::at");
    return found->second;
  }

  V& operator[](const K& key) { return try_emplace(key).first->second; }

  template <typename... Args>
  std::pair<iterator, bool> try_emplace(const K& key, Args&&... args) {
    return this->emplace_with_key(key, std::piecewise_construct, std::forward_as_tuple(key),
                                  std::forward_as_tuple(std::forward<Args>(args)...));
  }
  template <typename M>
  std::pair<iterator, bool> emplace(const K& key, M&& mapped) {
    return try_emplace(key, std::forward<M>(mapped));
  }
  std::pair<iterator, bool> insert(const value_type& value) {
    return try_emplace(value.first, value.second);
  }
  template <typename M>
  std::pair<iterator, bool> insert_or_assign(const K& key, M&& mapped) {
    auto result = try_emplace(key, std::forward<M>(mapped));
    if (!result.second) result.first->second = std::forward<M>(mapped);
    return result;
  }
};

template <typename K>
class linked_hash_set : public internal::LinkedHashTable<K, K, internal::Identity> {
  using Base = internal::LinkedHashTable<K, K, internal::Identity>;

 public:
  using key_type = K;
  using value_type = K;
  using typename Base::const_iterator;
  using typename Base::iterator;

  linked_hash_set() = default;
  linked_hash_set(std::initializer_list<K> values) {
    for (const auto& value : values) insert(value);
  }

  std::pair<iterator, bool> insert(const K& key) { return this->emplace_with_key(key, key); }
  std::pair<iterator, bool> emplace(const K& key) { return insert(key); }
};

}  // namespace veyra
