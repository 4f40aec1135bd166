// SPDX-License-Identifier: MIT
#include <ostrel/model/relationships.h>
#include <ostrel/model/relationships_builder.h>

#include <algorithm>
#include <string_view>
#include <tuple>

#include <absl/container/flat_hash_map.h>

#include <ostrel/basic/ostrel_exception.h>

namespace veyra {
namespace {

using internal::RelationEntry;
using internal::RelationRole;

/// The two roles a relation type gives: the one seen from `from`, then from `to`.
constexpr std::pair<RelationRole, RelationRole> roles_of(RelationType type) {
  switch (type) {
    case RelationType::boundary:
      return {RelationRole::incidence, RelationRole::boundary};
    case RelationType::internal:
      return {RelationRole::embedding, RelationRole::internal};
    case RelationType::item:
      break;
  }
  return {RelationRole::collection, RelationRole::item};
}

struct RelationKey {
  uuid from;
  uuid to;
  RelationType type;

  friend bool operator==(const RelationKey&, const RelationKey&) = default;
  template <typename H>
  friend H AbslHashValue(H h, const RelationKey& key) {
    return H::combine(std::move(h), key.from, key.to, key.type);
  }
};

}  // namespace

class Relationships::Impl {
 public:
  struct Node {
    ComponentID id;
    std::vector<RelationEntry> relations;
  };

  const Node* node(const uuid& id) const {
    const auto found = nodes_.find(id);
    return found == nodes_.end() ? nullptr : &found->second;
  }

  index_t count(const uuid& id, RelationRole role) const {
    const auto* found = node(id);
    if (found == nullptr) return 0;
    return static_cast<index_t>(
        std::count_if(found->relations.begin(), found->relations.end(),
                      [role](const RelationEntry& entry) { return entry.role == role; }));
  }

  RelationRange range(const uuid& id, RelationRole role) const {
    const auto* found = node(id);
    if (found == nullptr || found->relations.empty()) return {};
    const auto* data = found->relations.data();
    return {data, data + found->relations.size(), role};
  }

  bool has_relation(const uuid& from, const uuid& to, RelationType type) const {
    return sequence_.contains(RelationKey{from, to, type});
  }

  std::optional<index_t> relation_index(const uuid& id1, const uuid& id2) const {
    const auto* found = node(id1);
    if (found == nullptr) return std::nullopt;
    const auto& relations = found->relations;
    for (index_t r = 0; r < relations.size(); ++r) {
      if (relations[r].other.id() == id2) return r;
    }
    return std::nullopt;
  }

  std::vector<RelationRecord> relations() const {
    std::vector<std::pair<std::uint64_t, const RelationKey*>> ordered;
    ordered.reserve(sequence_.size());
    for (const auto& [key, rank] : sequence_) ordered.emplace_back(rank, &key);
    std::sort(ordered.begin(), ordered.end(),
              [](const auto& lhs, const auto& rhs) { return lhs.first < rhs.first; });
    std::vector<RelationRecord> records;
    records.reserve(ordered.size());
    for (const auto& [rank, key] : ordered) {
      records.push_back({node(key->from)->id, node(key->to)->id, key->type});
    }
    return records;
  }

  void register_component(const ComponentID& component) {
    const auto inserted = nodes_.try_emplace(component.id(), Node{component, {}}).second;
    OSTREL_INPUT_CHECK(OstrelModelException, inserted,
                       "[RelationshipsBuilder::register_component] Component already registered: ",
                       component.string());
  }

  void unregister_component(const uuid& id) {
    const auto found = nodes_.find(id);
    if (found == nodes_.end()) return;
    for (const auto& entry : found->second.relations) {
      erase_keys(id, entry.other.id());
      auto& others = nodes_.at(entry.other.id()).relations;
      std::erase_if(others, [&id](const RelationEntry& other) { return other.other.id() == id; });
    }
    nodes_.erase(found);
  }

  bool is_registered(const uuid& id) const { return nodes_.contains(id); }
  bool is_registered(const ComponentID& component) const {
    const auto* found = node(component.id());
    return found != nullptr && found->id.type() == component.type();
  }

  void add_relation(std::string_view function, const ComponentID& from, const ComponentID& to,
                    RelationType type) {
    auto& from_node = checked_node(function, from);
    auto& to_node = checked_node(function, to);
    OSTREL_INPUT_CHECK(OstrelModelException, from.id() != to.id(), "[", function,
                       "] A component cannot be related to itself: ", from.string());
    if (!sequence_.try_emplace(RelationKey{from.id(), to.id(), type}, next_rank_).second) return;
    ++next_rank_;
    const auto [from_role, to_role] = roles_of(type);
    from_node.relations.push_back({to_node.id, from_role});
    to_node.relations.push_back({from_node.id, to_role});
  }

  void remove_relation(const uuid& id1, const uuid& id2) {
    const auto first = nodes_.find(id1);
    const auto second = nodes_.find(id2);
    if (first == nodes_.end() || second == nodes_.end()) return;
    erase_keys(id1, id2);
    std::erase_if(first->second.relations,
                  [&id2](const RelationEntry& entry) { return entry.other.id() == id2; });
    std::erase_if(second->second.relations,
                  [&id1](const RelationEntry& entry) { return entry.other.id() == id1; });
  }

 private:
  Node& checked_node(std::string_view function, const ComponentID& component) {
    const auto found = nodes_.find(component.id());
    OSTREL_INPUT_CHECK(OstrelModelException, found != nodes_.end(), "[", function,
                       "] Unknown component: ", component.string());
    OSTREL_INPUT_CHECK(OstrelModelException, found->second.id.type() == component.type(), "[",
                       function, "] Component ", component.id().string(), " is a ",
                       found->second.id.type().get(), ", not a ", component.type().get());
    return found->second;
  }

  void erase_keys(const uuid& id1, const uuid& id2) {
    for (const auto type : {RelationType::boundary, RelationType::internal, RelationType::item}) {
      sequence_.erase(RelationKey{id1, id2, type});
      sequence_.erase(RelationKey{id2, id1, type});
    }
  }

  absl::flat_hash_map<uuid, Node> nodes_;
  // Each relation with its rank in the order of addition, which relations() restores.
  absl::flat_hash_map<RelationKey, std::uint64_t> sequence_;
  std::uint64_t next_rank_{0};
};

Relationships::Relationships() : impl_{std::make_unique<Impl>()} {}
Relationships::Relationships(Relationships&& other) noexcept = default;
Relationships& Relationships::operator=(Relationships&& other) noexcept = default;
Relationships::~Relationships() = default;

index_t Relationships::nb_relations(const uuid& id) const {
  const auto* node = impl_->node(id);
  return node == nullptr ? 0 : static_cast<index_t>(node->relations.size());
}

index_t Relationships::nb_boundaries(const uuid& id) const {
  return impl_->count(id, RelationRole::boundary);
}
Relationships::RelationRange Relationships::boundaries(const uuid& id) const {
  return impl_->range(id, RelationRole::boundary);
}
index_t Relationships::nb_incidences(const uuid& id) const {
  return impl_->count(id, RelationRole::incidence);
}
Relationships::RelationRange Relationships::incidences(const uuid& id) const {
  return impl_->range(id, RelationRole::incidence);
}
index_t Relationships::nb_internals(const uuid& id) const {
  return impl_->count(id, RelationRole::internal);
}
Relationships::RelationRange Relationships::internals(const uuid& id) const {
  return impl_->range(id, RelationRole::internal);
}
index_t Relationships::nb_embeddings(const uuid& id) const {
  return impl_->count(id, RelationRole::embedding);
}
Relationships::RelationRange Relationships::embeddings(const uuid& id) const {
  return impl_->range(id, RelationRole::embedding);
}
index_t Relationships::nb_items(const uuid& id) const {
  return impl_->count(id, RelationRole::item);
}
Relationships::RelationRange Relationships::items(const uuid& id) const {
  return impl_->range(id, RelationRole::item);
}
index_t Relationships::nb_collections(const uuid& id) const {
  return impl_->count(id, RelationRole::collection);
}
Relationships::RelationRange Relationships::collections(const uuid& id) const {
  return impl_->range(id, RelationRole::collection);
}

bool Relationships::is_boundary(const uuid& boundary, const uuid& incidence) const {
  return impl_->has_relation(boundary, incidence, RelationType::boundary);
}
bool Relationships::is_internal(const uuid& internal, const uuid& embedding) const {
  return impl_->has_relation(internal, embedding, RelationType::internal);
}
bool Relationships::is_item(const uuid& item, const uuid& collection) const {
  return impl_->has_relation(item, collection, RelationType::item);
}

std::optional<index_t> Relationships::relation_index(const uuid& id1, const uuid& id2) const {
  return impl_->relation_index(id1, id2);
}

std::vector<RelationRecord> Relationships::relations() const {
  return impl_->relations();
}

RelationshipsBuilder::RelationshipsBuilder(Relationships& relationships)
    : relationships_(relationships) {}

void RelationshipsBuilder::register_component(const ComponentID& component) {
  relationships_.impl_->register_component(component);
}

void RelationshipsBuilder::unregister_component(const uuid& id) {
  relationships_.impl_->unregister_component(id);
}

bool RelationshipsBuilder::is_registered(const uuid& id) const {
  return relationships_.impl_->is_registered(id);
}

bool RelationshipsBuilder::is_registered(const ComponentID& component) const {
  return relationships_.impl_->is_registered(component);
}

void RelationshipsBuilder::add_boundary_relation(const ComponentID& boundary,
                                                 const ComponentID& incidence) {
  relationships_.impl_->add_relation("RelationshipsBuilder::add_boundary_relation", boundary,
                                     incidence, RelationType::boundary);
}

void RelationshipsBuilder::add_internal_relation(const ComponentID& internal,
                                                 const ComponentID& embedding) {
  relationships_.impl_->add_relation("RelationshipsBuilder::add_internal_relation", internal,
                                     embedding, RelationType::internal);
}

void RelationshipsBuilder::add_item_in_collection(const ComponentID& item,
                                                  const ComponentID& collection) {
  relationships_.impl_->add_relation("RelationshipsBuilder::add_item_in_collection", item,
                                     collection, RelationType::item);
}

void RelationshipsBuilder::remove_relation(const uuid& id1, const uuid& id2) {
  relationships_.impl_->remove_relation(id1, id2);
}

}  // namespace veyra
