// SPDX-License-Identifier: MIT
// RelationshipsBuilder: registers the components of a model and adds or removes the relations
// between them. At most one relation of each type joins two components.
#pragma once

#include <ostrel/basic/component_id.h>
#include <ostrel/model/relationships.h>

namespace veyra {

class RelationshipsBuilder {
 public:
  explicit RelationshipsBuilder(Relationships& relationships);
  RelationshipsBuilder(const RelationshipsBuilder&) = delete;
  RelationshipsBuilder& operator=(const RelationshipsBuilder&) = delete;

  /// Makes `component` known: relations only join known components.
  /// \throw OstrelModelException (input) when its id is already known.
  void register_component(const ComponentID& component);
  /// Forgets `id` with every relation where it plays either role; the other components stay.
  void unregister_component(const uuid& id);
  bool is_registered(const uuid& id) const;
  /// Whether `component` is known with this type.
  bool is_registered(const ComponentID& component) const;

  /// `boundary` is a boundary of `incidence`. Adding an existing relation does nothing.
  /// \throw OstrelModelException (input) for an unknown component, a type that differs from
  /// the registered one, or a component related to itself. Likewise the two adders below.
  void add_boundary_relation(const ComponentID& boundary, const ComponentID& incidence);
  /// `internal` is internal to `embedding`.
  void add_internal_relation(const ComponentID& internal, const ComponentID& embedding);
  /// `item` is an item of `collection` (a collection or a model boundary).
  void add_item_in_collection(const ComponentID& item, const ComponentID& collection);
  /// Removes every relation between the two, of every type and in both roles.
  void remove_relation(const uuid& id1, const uuid& id2);

 private:
  Relationships& relationships_;
};

}  // namespace veyra
