// SPDX-License-Identifier: MIT
// Relationships: the boundary, internal and item relations between the components and
// collections of a model, queried by id from either side. Every list keeps the order in which
// its relations were added; removing a relation keeps the order of the others.
#pragma once

#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include <ostrel/basic/common.h>
#include <ostrel/basic/component_id.h>
#include <ostrel/basic/uuid.h>

namespace veyra {

/// What one relation says: `from` is a boundary of, internal to, or an item of `to`.
enum struct RelationType : std::uint8_t { boundary = 0, internal = 1, item = 2 };

/// One relation, as the model stores it.
struct RelationRecord {
  ComponentID from;
  ComponentID to;
  RelationType type{RelationType::boundary};

  friend bool operator==(const RelationRecord&, const RelationRecord&) = default;
};

namespace internal {

/// What the other component of a relation is to the component whose list holds the entry.
enum struct RelationRole : std::uint8_t {
  boundary,    // the other is a boundary of me
  incidence,   // I am a boundary of the other
  internal,    // the other is internal to me
  embedding,   // I am internal to the other
  item,        // the other is an item of me
  collection,  // I am an item of the other
};

struct RelationEntry {
  ComponentID other;
  RelationRole role;
};

}  // namespace internal

class Relationships {
 public:
  /// The components related to one component in one role, in the order the relations were added.
  /// Re-iterable; valid until the relationships change.
  class RelationRange {
   public:
    class Iterator {
     public:
      using iterator_category = std::forward_iterator_tag;
      using value_type = ComponentID;
      using difference_type = std::ptrdiff_t;
      using reference = const ComponentID&;
      using pointer = const ComponentID*;

      Iterator() = default;
      Iterator(const internal::RelationEntry* current, const internal::RelationEntry* end,
               internal::RelationRole role)
          : current_(current), end_(end), role_(role) {
        skip();
      }
      reference operator*() const { return current_->other; }
      pointer operator->() const { return &current_->other; }
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
        while (current_ != end_ && current_->role != role_) ++current_;
      }

      const internal::RelationEntry* current_{nullptr};
      const internal::RelationEntry* end_{nullptr};
      internal::RelationRole role_{};
    };

    RelationRange() = default;
    RelationRange(const internal::RelationEntry* begin, const internal::RelationEntry* end,
                  internal::RelationRole role)
        : begin_(begin), end_(end), role_(role) {}

    Iterator begin() const { return {begin_, end_, role_}; }
    Iterator end() const { return {end_, end_, role_}; }

   private:
    const internal::RelationEntry* begin_{nullptr};
    const internal::RelationEntry* end_{nullptr};
    internal::RelationRole role_{};
  };

  Relationships();
  Relationships(Relationships&& other) noexcept;
  Relationships& operator=(Relationships&& other) noexcept;
  virtual ~Relationships();

  /// Relations of every kind and role of `id`; 0 for an unknown id, as every count below.
  index_t nb_relations(const uuid& id) const;

  index_t nb_boundaries(const uuid& id) const;
  /// Components that are boundaries of `id`.
  RelationRange boundaries(const uuid& id) const;
  index_t nb_incidences(const uuid& id) const;
  /// Components that `id` is a boundary of.
  RelationRange incidences(const uuid& id) const;
  index_t nb_internals(const uuid& id) const;
  /// Components internal to `id`.
  RelationRange internals(const uuid& id) const;
  index_t nb_embeddings(const uuid& id) const;
  /// Components that `id` is internal to.
  RelationRange embeddings(const uuid& id) const;
  index_t nb_items(const uuid& id) const;
  /// Items of the collection (or model boundary) `id`.
  RelationRange items(const uuid& id) const;
  index_t nb_collections(const uuid& id) const;
  /// Collections and model boundaries that `id` is an item of.
  RelationRange collections(const uuid& id) const;

  bool is_boundary(const uuid& boundary, const uuid& incidence) const;
  bool is_internal(const uuid& internal, const uuid& embedding) const;
  bool is_item(const uuid& item, const uuid& collection) const;

  /// Position, in the relation list of `id1`, of its first relation with `id2` in either role.
  std::optional<index_t> relation_index(const uuid& id1, const uuid& id2) const;

  /// Every relation of the model, in the order the relations were added.
  std::vector<RelationRecord> relations() const;

 private:
  friend class RelationshipsBuilder;

  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
