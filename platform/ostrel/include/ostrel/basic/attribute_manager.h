// SPDX-License-Identifier: MIT
// AttributeManager: the named attributes of one kind of element (vertices, edges, polygons...).
// It creates and finds attributes by name and keeps every attribute sized and ordered like the
// elements when the owner resizes, compacts or permutes them.
//
// Thread safety: the name table is guarded by a mutex, so finding, creating and deleting
// attributes is safe from several threads. The element-store operations (resize, delete_elements,
// permute...) belong to mesh builders and are not meant to run concurrently with anything else.
// Attribute names are not ordered; attribute_names() returns them sorted.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <absl/functional/function_ref.h>
#include <absl/types/span.h>

#include <ostrel/basic/attribute.h>
#include <ostrel/basic/common.h>
#include <ostrel/basic/generic_mapping.h>
#include <ostrel/basic/ostrel_exception.h>

namespace veyra {

class AttributeManager {
 public:
  AttributeManager();
  ~AttributeManager();
  AttributeManager(const AttributeManager&) = delete;
  AttributeManager& operator=(const AttributeManager&) = delete;
  AttributeManager(AttributeManager&& other) noexcept;
  AttributeManager& operator=(AttributeManager&& other) noexcept;

  index_t nb_elements() const;

  /// The attribute `name`, created with `default_value` for every element when absent.
  /// \throw OstrelBasicException (input) when `name` exists with another storage or value type.
  template <template <typename> class Storage, typename T>
  std::shared_ptr<Storage<T>> find_or_create_attribute(std::string_view name, T default_value,
                                                       AttributeProperties properties = {}) {
    auto attribute = find_or_create(name, [&](index_t nb_elements) {
      return std::shared_ptr<AttributeBase>{
          new Storage<T>{std::string{name}, std::move(default_value), properties, nb_elements}};
    });
    auto typed = std::dynamic_pointer_cast<Storage<T>>(attribute);
    OSTREL_INPUT_CHECK(OstrelBasicException, typed != nullptr,
                       "[AttributeManager::find_or_create_attribute] Attribute \"", name,
                       "\" already exists with another storage or value type");
    return typed;
  }

  /// \throw OstrelBasicException (input) when `name` is absent or holds another value type.
  template <typename T>
  std::shared_ptr<ReadOnlyAttribute<T>> find_attribute(std::string_view name) const {
    auto typed = std::dynamic_pointer_cast<ReadOnlyAttribute<T>>(find_existing(name));
    OSTREL_INPUT_CHECK(OstrelBasicException, typed != nullptr,
                       "[AttributeManager::find_attribute] Attribute \"", name,
                       "\" holds another value type");
    return typed;
  }

  /// nullptr when no attribute has this name.
  std::shared_ptr<AttributeBase> find_generic_attribute(std::string_view name) const;
  bool attribute_exists(std::string_view name) const;
  /// Sorted names.
  std::vector<std::string> attribute_names() const;
  /// Forgets the attribute; holders of its shared_ptr keep a detached copy. No-op when absent.
  void delete_attribute(std::string_view name);

  /// For every transferable attribute of `from`, finds or creates an attribute of the same name,
  /// storage, value type, default value and properties here (an existing one of another type or
  /// storage is skipped), then sets value(old2new[i]) = from.value(i) for every
  /// i < min(old2new.size(), from.nb_elements()) with old2new[i] != NO_ID. An empty span copies
  /// only the definitions.
  /// \throw OstrelBasicException (input) when a target index is not an element here.
  void import(const AttributeManager& from, absl::Span<const index_t> old2new);
  /// Same as above, applying the pairs in the mapping's order: a target reached several times
  /// keeps the last value. Inputs that are not elements of `from` are ignored.
  void import(const AttributeManager& from, const GenericMapping<index_t>& old2new);

  /// Sets every interpolable attribute of element `to` to the weighted combination of the
  /// sources: arithmetic values, arrays of them and points are summed (integers rounded to
  /// nearest), other types take the value of the heaviest source (the first on ties).
  void interpolate_attribute_value(const AttributeLinearInterpolation& from, index_t to);
  /// Copies the value of element `from` to element `to` in every assignable attribute.
  void assign_attribute_value(index_t from, index_t to);
  /// Replaces everything here by a deep copy of `from`: every attribute with its values,
  /// default and properties, and the element count.
  void copy(const AttributeManager& from);

  // Element-store operations, used by mesh builders.

  /// New elements get the default values; removed ones are forgotten.
  void resize(index_t nb_elements);
  void reserve(index_t nb_elements);
  /// Removes the flagged elements, keeping the order of the others; returns old-to-new.
  /// \pre to_delete.size() == nb_elements()
  std::vector<index_t> delete_elements(const std::vector<bool>& to_delete);
  /// New element i takes the values of old element permutation[i].
  /// \pre `permutation` is a permutation of [0, nb_elements())
  void permute(absl::Span<const index_t> permutation);
  /// Removes every attribute and every element.
  void clear();

 private:
  std::shared_ptr<AttributeBase> find_or_create(
      std::string_view name, absl::FunctionRef<std::shared_ptr<AttributeBase>(index_t)> create);
  /// \throw OstrelBasicException (input) when absent.
  std::shared_ptr<AttributeBase> find_existing(std::string_view name) const;

  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
