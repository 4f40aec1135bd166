// SPDX-License-Identifier: MIT
// ComponentRange<T>: the components of one kind of a model in insertion order, and the owning
// table behind it. Ranges are re-iterable and stay valid until the model changes.
#pragma once

#include <iterator>
#include <memory>
#include <string_view>
#include <utility>

#include <ostrel/basic/common.h>
#include <ostrel/basic/linked_hash_map.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/basic/uuid.h>

namespace veyra {
namespace internal {

template <typename T>
using ComponentTable = linked_hash_map<uuid, std::unique_ptr<T>>;

}  // namespace internal

template <typename T>
class ComponentRange {
  using TableIterator = typename internal::ComponentTable<T>::const_iterator;

 public:
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using reference = const T&;
    using pointer = const T*;

    Iterator() = default;
    explicit Iterator(TableIterator current) : current_(current) {}

    reference operator*() const { return *current_->second; }
    pointer operator->() const { return current_->second.get(); }
    Iterator& operator++() {
      ++current_;
      return *this;
    }
    Iterator operator++(int) {
      auto copy = *this;
      ++current_;
      return copy;
    }
    friend bool operator==(const Iterator& lhs, const Iterator& rhs) {
      return lhs.current_ == rhs.current_;
    }

   private:
    TableIterator current_{};
  };

  explicit ComponentRange(const internal::ComponentTable<T>& table) : table_(&table) {}

  Iterator begin() const { return Iterator{table_->begin()}; }
  Iterator end() const { return Iterator{table_->end()}; }

 private:
  const internal::ComponentTable<T>* table_;
};

namespace internal {

/// The owning, insertion-ordered table of one kind of component.
template <typename T>
class ComponentStore {
 public:
  index_t size() const { return static_cast<index_t>(table_.size()); }
  bool contains(const uuid& id) const { return table_.contains(id); }
  const T* find(const uuid& id) const {
    const auto found = table_.find(id);
    return found == table_.end() ? nullptr : found->second.get();
  }
  T* find(const uuid& id) {
    const auto found = table_.find(id);
    return found == table_.end() ? nullptr : found->second.get();
  }
  ComponentRange<T> range() const { return ComponentRange<T>{table_}; }

  /// Appends the component under its own id.
  T& add(std::unique_ptr<T> component) {
    auto& added = *component;
    table_.try_emplace(added.id(), std::move(component));
    return added;
  }
  void remove(const uuid& id) { table_.erase(id); }

 private:
  ComponentTable<T> table_;
};

/// The component `id` of `store`.
/// \throw OstrelModelException (input) "[function] Unknown <what>: <id>" when absent.
template <typename T>
const T& checked_component(const ComponentStore<T>& store, const uuid& id,
                           std::string_view function, std::string_view what) {
  const auto* component = store.find(id);
  OSTREL_INPUT_CHECK(OstrelModelException, component != nullptr, "[", function, "] Unknown ", what,
                     ": ", id.string());
  return *component;
}

}  // namespace internal
}  // namespace veyra
