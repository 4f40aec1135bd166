// SPDX-License-Identifier: MIT
// ComponentRelationRange<T>: the components of type T among the relations of one component, in
// the order the relations were added, yielding component references. Re-iterable; valid until
// the model changes.
#pragma once

#include <iterator>

#include <ostrel/basic/component_id.h>
#include <ostrel/model/component_range.h>
#include <ostrel/model/relationships.h>

namespace veyra {

template <typename T>
class ComponentRelationRange {
  using RelationIterator = Relationships::RelationRange::Iterator;

 public:
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using reference = const T&;
    using pointer = const T*;

    Iterator() = default;
    Iterator(RelationIterator current, RelationIterator end,
             const internal::ComponentStore<T>* store)
        : current_(current), end_(end), store_(store) {
      skip();
    }

    reference operator*() const { return *store_->find(current_->id()); }
    pointer operator->() const { return store_->find(current_->id()); }
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
    void skip() {
      while (current_ != end_ && current_->type() != component_type()) ++current_;
    }
    static const ComponentType& component_type() {
      static const ComponentType type{T::component_type_static()};
      return type;
    }

    RelationIterator current_{};
    RelationIterator end_{};
    const internal::ComponentStore<T>* store_{nullptr};
  };

  ComponentRelationRange(Relationships::RelationRange relations,
                         const internal::ComponentStore<T>& store)
      : relations_(relations), store_(&store) {}

  Iterator begin() const { return {relations_.begin(), relations_.end(), store_}; }
  Iterator end() const { return {relations_.end(), relations_.end(), store_}; }
  index_t size() const { return static_cast<index_t>(std::distance(begin(), end())); }

 private:
  Relationships::RelationRange relations_;
  const internal::ComponentStore<T>* store_;
};

}  // namespace veyra
