// SPDX-License-Identifier: MIT
// AttributeProperties: what the attribute manager may do with an attribute's values when elements
// are assigned, interpolated or transferred to another manager.
#pragma once

namespace veyra {

/// Field order: assignable, interpolable, transferable; all true by default.
struct AttributeProperties {
  AttributeProperties() = default;
  AttributeProperties(bool is_assignable, bool is_interpolable, bool is_transferable)
      : assignable(is_assignable), interpolable(is_interpolable), transferable(is_transferable) {}

  friend bool operator==(const AttributeProperties&, const AttributeProperties&) = default;

  /// Copied by AttributeManager::assign_attribute_value.
  bool assignable{true};
  /// Combined by AttributeManager::interpolate_attribute_value.
  bool interpolable{true};
  /// Carried over by AttributeManager::import.
  bool transferable{true};
};

}  // namespace veyra
