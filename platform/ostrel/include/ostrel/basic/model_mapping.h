// SPDX-License-Identifier: MIT
// ModelMapping<M>: one M per component type ("Corner", "Line", ...). Adding a type twice fails.
#pragma once

#include <utility>

#include <absl/container/flat_hash_map.h>

#include <ostrel/basic/component_id.h>
#include <ostrel/basic/generic_mapping.h>
#include <ostrel/basic/ostrel_exception.h>

namespace veyra {

template <typename M>
class ModelMapping {
  using Storage = absl::flat_hash_map<ComponentType, M>;

 public:
  /// \throw OstrelModelException (internal) when `type` is already present.
  void emplace(const ComponentType& type, M mapping) {
    const auto inserted = mappings_.try_emplace(type, std::move(mapping)).second;
    OSTREL_EXCEPTION(OstrelModelException, inserted,
                     "[ModelMapping::emplace] A mapping with the given ComponentType is already "
                     "present, cannot emplace another.");
  }

  bool has_mapping_type(const ComponentType& type) const { return mappings_.contains(type); }

  /// \throw std::out_of_range (from absl::flat_hash_map::at) when `type` is absent.
  M& at(const ComponentType& type) { return mappings_.at(type); }
  const M& at(const ComponentType& type) const { return mappings_.at(type); }

  /// No order is guaranteed: sort the types when the order matters.
  auto begin() const { return mappings_.begin(); }
  auto end() const { return mappings_.end(); }
  auto begin() { return mappings_.begin(); }
  auto end() { return mappings_.end(); }
  index_t size() const { return static_cast<index_t>(mappings_.size()); }

  friend bool operator==(const ModelMapping& lhs, const ModelMapping& rhs) {
    return lhs.mappings_ == rhs.mappings_;
  }

 private:
  Storage mappings_;
};

using ModelGenericMapping = ModelMapping<GenericMapping<uuid>>;

}  // namespace veyra
