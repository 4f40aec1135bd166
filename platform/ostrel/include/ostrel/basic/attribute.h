// SPDX-License-Identifier: MIT
// Attributes: one value per element of a mesh, stored densely (VariableAttribute) or as the
// non-default values only (SparseAttribute). Attributes are created and found through an
// AttributeManager, which keeps them sized and ordered like its elements.
//
// Any copyable, default-constructible type can be stored (bool included: values live in one-member
// slots, never in std::vector<bool>, so value() can return a reference). Arithmetic types and
// std::array of arithmetic types are "genericable": they expose their values as floats.
// Reading values from several threads is safe; writing one attribute from two threads is not.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <concepts>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <absl/types/span.h>

#include <ostrel/basic/attribute_linear_interpolation.h>
#include <ostrel/basic/attribute_properties.h>
#include <ostrel/basic/common.h>
#include <ostrel/basic/generic_mapping.h>
#include <ostrel/basic/ostrel_exception.h>

namespace veyra {

class AttributeManager;

namespace internal {

template <typename T>
struct ArrayTraits : std::false_type {};
template <typename Item, std::size_t N>
struct ArrayTraits<std::array<Item, N>> : std::bool_constant<std::is_arithmetic_v<Item>> {
  static constexpr std::size_t size = N;
};

/// std::array of an arithmetic type.
template <typename T>
concept ArithmeticArray = ArrayTraits<T>::value;

/// Class types that combine linearly (points, vectors): a + b and a * weight.
template <typename T>
concept LinearlyCombinable = !std::is_arithmetic_v<T> && !ArithmeticArray<T> &&
                             requires(const T& a, double weight) {
                               { a * weight } -> std::convertible_to<T>;
                               { a + a } -> std::convertible_to<T>;
                             };

/// Converts a weighted sum back to T; integral types are rounded to nearest.
template <typename T>
T from_weighted_sum(double sum) {
  if constexpr (std::is_integral_v<T>) {
    return static_cast<T>(std::llround(sum));
  } else {
    return static_cast<T>(sum);
  }
}

}  // namespace internal

/// Untyped view of an attribute: its name, properties and, for genericable types, float values.
class AttributeBase {
 public:
  virtual ~AttributeBase();
  AttributeBase(const AttributeBase&) = delete;
  AttributeBase& operator=(const AttributeBase&) = delete;

  std::string_view name() const { return name_; }
  const AttributeProperties& properties() const { return properties_; }
  void set_properties(const AttributeProperties& properties) { properties_ = properties; }

  /// True for arithmetic value types (bool included) and std::array of them.
  virtual bool is_genericable() const = 0;
  /// static_cast<float> of the value (NaN stays NaN); item 0 of an array; 0 for other types.
  virtual float generic_value(index_t element) const = 0;
  /// 1, or N for std::array<_, N>.
  virtual local_index_t nb_items() const = 0;
  /// Item `item` of an array value as a float; generic_value for other genericable types.
  virtual float generic_item_value(index_t element, local_index_t item) const = 0;

 protected:
  AttributeBase(std::string name, AttributeProperties properties)
      : name_(std::move(name)), properties_(properties) {}

 private:
  friend class AttributeManager;

  // Element-store operations, driven only by the manager so that every attribute of one manager
  // stays aligned with its elements.
  virtual std::shared_ptr<AttributeBase> clone() const = 0;
  /// Same storage, value type, name, default value and properties, holding only defaults.
  virtual std::shared_ptr<AttributeBase> clone_definition(index_t nb_elements) const = 0;
  virtual void resize(index_t nb_elements) = 0;
  virtual void reserve(index_t nb_elements) = 0;
  /// old2new[i] is the new index of element i or NO_ID; survivors keep their order.
  virtual void compact(absl::Span<const index_t> old2new, index_t nb_kept) = 0;
  /// New element i takes the value of old element permutation[i].
  virtual void permute(absl::Span<const index_t> permutation) = 0;
  // `from` has the same dynamic type as this attribute (checked by the manager).
  virtual void import_values(const AttributeBase& from, index_t nb_from_elements,
                             absl::Span<const index_t> old2new) = 0;
  virtual void import_values(const AttributeBase& from, index_t nb_from_elements,
                             const GenericMapping<index_t>& old2new) = 0;
  virtual void interpolate_value(const AttributeLinearInterpolation& from, index_t to) = 0;
  virtual void assign_value(index_t from, index_t to) = 0;

  std::string name_;
  AttributeProperties properties_;
};

/// Typed read access shared by both storages.
template <typename T>
class ReadOnlyAttribute : public AttributeBase {
 public:
  virtual const T& value(index_t element) const = 0;
  const T& default_value() const { return default_value_; }

  bool is_genericable() const final {
    return std::is_arithmetic_v<T> || internal::ArithmeticArray<T>;
  }
  float generic_value(index_t element) const final { return generic_item_value(element, 0); }
  local_index_t nb_items() const final {
    if constexpr (internal::ArithmeticArray<T>) {
      return static_cast<local_index_t>(internal::ArrayTraits<T>::size);
    } else {
      return 1;
    }
  }
  float generic_item_value(index_t element, local_index_t item) const final {
    if constexpr (std::is_arithmetic_v<T>) {
      return static_cast<float>(value(element));
    } else if constexpr (internal::ArithmeticArray<T>) {
      OSTREL_ASSERT(item < internal::ArrayTraits<T>::size, "item out of range");
      return static_cast<float>(value(element)[item]);
    } else {
      return 0.0f;
    }
  }

 protected:
  ReadOnlyAttribute(std::string name, T default_value, AttributeProperties properties)
      : AttributeBase(std::move(name), properties), default_value_(std::move(default_value)) {}

  /// Writes without range check (ranges are checked by the callers).
  virtual void store(index_t element, T value) = 0;

 private:
  void import_values(const AttributeBase& from, index_t nb_from_elements,
                     absl::Span<const index_t> old2new) final {
    const auto& source = static_cast<const ReadOnlyAttribute&>(from);
    const auto nb = std::min<std::size_t>(old2new.size(), nb_from_elements);
    for (std::size_t i = 0; i < nb; ++i) {
      if (old2new[i] != NO_ID) store(old2new[i], source.value(static_cast<index_t>(i)));
    }
  }

  void import_values(const AttributeBase& from, index_t nb_from_elements,
                     const GenericMapping<index_t>& old2new) final {
    const auto& source = static_cast<const ReadOnlyAttribute&>(from);
    for (const auto& [in, outs] : old2new.in2out_map()) {
      if (in >= nb_from_elements) continue;
      for (const auto out : outs) store(out, source.value(in));
    }
  }

  void interpolate_value(const AttributeLinearInterpolation& from, index_t to) final {
    if (from.indices.empty()) return;
    store(to, interpolate(from));
  }

  void assign_value(index_t from, index_t to) final {
    if (from != to) store(to, T{value(from)});
  }

  T interpolate(const AttributeLinearInterpolation& from) const {
    const auto nb = std::min(from.indices.size(), from.lambdas.size());
    if constexpr (std::is_arithmetic_v<T>) {
      double sum = 0;
      for (std::size_t i = 0; i < nb; ++i) {
        sum += from.lambdas[i] * static_cast<double>(value(from.indices[i]));
      }
      return internal::from_weighted_sum<T>(sum);
    } else if constexpr (internal::ArithmeticArray<T>) {
      std::array<double, internal::ArrayTraits<T>::size> sums{};
      for (std::size_t i = 0; i < nb; ++i) {
        const auto& item_values = value(from.indices[i]);
        for (std::size_t item = 0; item < sums.size(); ++item) {
          sums[item] += from.lambdas[i] * static_cast<double>(item_values[item]);
        }
      }
      T result{};
      for (std::size_t item = 0; item < sums.size(); ++item) {
        result[item] = internal::from_weighted_sum<typename T::value_type>(sums[item]);
      }
      return result;
    } else if constexpr (internal::LinearlyCombinable<T>) {
      if (nb == 0) return T{value(from.indices.front())};
      T result = value(from.indices[0]) * from.lambdas[0];
      for (std::size_t i = 1; i < nb; ++i) {
        result = result + value(from.indices[i]) * from.lambdas[i];
      }
      return result;
    } else {
      // No arithmetic on T: the value of the heaviest source, the first one on ties.
      std::size_t heaviest = 0;
      for (std::size_t i = 1; i < nb; ++i) {
        if (from.lambdas[i] > from.lambdas[heaviest]) heaviest = i;
      }
      return T{value(from.indices[heaviest])};
    }
  }

  T default_value_;
};

/// Dense storage: one value per element.
template <typename T>
class VariableAttribute final : public ReadOnlyAttribute<T> {
 public:
  const T& value(index_t element) const override {
    OSTREL_ASSERT(element < values_.size(), "[VariableAttribute::value] element out of range");
    return values_[element].value;
  }

  /// \throw OstrelBasicException (input) when the element does not exist.
  void set_value(index_t element, T value) {
    check_element(element, "set_value");
    values_[element].value = std::move(value);
  }

  /// Calls modifier(T&) on the stored value.
  template <typename F>
  void modify_value(index_t element, F&& modifier) {
    check_element(element, "modify_value");
    modifier(values_[element].value);
  }

 private:
  friend class AttributeManager;

  // One-member slot: keeps bool out of std::vector<bool> so that value() returns a reference.
  struct Slot {
    T value;
  };

  VariableAttribute(std::string name, T default_value, AttributeProperties properties,
                    index_t nb_elements)
      : ReadOnlyAttribute<T>(std::move(name), std::move(default_value), properties),
        values_(nb_elements, Slot{this->default_value()}) {}

  void check_element(index_t element, std::string_view function) const {
    OSTREL_INPUT_CHECK(OstrelBasicException, element < values_.size(), "[VariableAttribute::",
                       function, "] Element ", element, " out of range (", values_.size(),
                       " elements) in attribute ", this->name());
  }

  void store(index_t element, T value) override {
    OSTREL_EXCEPTION(OstrelBasicException, element < values_.size(),
                     "[VariableAttribute::store] Element ", element, " out of range");
    values_[element].value = std::move(value);
  }

  std::shared_ptr<AttributeBase> clone() const override {
    auto copy = clone_definition(0);
    static_cast<VariableAttribute&>(*copy).values_ = values_;
    return copy;
  }
  std::shared_ptr<AttributeBase> clone_definition(index_t nb_elements) const override {
    return std::shared_ptr<AttributeBase>{new VariableAttribute{
        std::string{this->name()}, this->default_value(), this->properties(), nb_elements}};
  }
  void resize(index_t nb_elements) override {
    values_.resize(nb_elements, Slot{this->default_value()});
  }
  void reserve(index_t nb_elements) override { values_.reserve(nb_elements); }
  void compact(absl::Span<const index_t> old2new, index_t nb_kept) override {
    for (std::size_t old = 0; old < old2new.size(); ++old) {
      const auto target = old2new[old];
      if (target != NO_ID && target != old) values_[target] = std::move(values_[old]);
    }
    values_.resize(nb_kept, Slot{this->default_value()});
  }
  void permute(absl::Span<const index_t> permutation) override {
    std::vector<Slot> permuted;
    permuted.reserve(values_.size());
    for (const auto old : permutation) permuted.push_back(std::move(values_[old]));
    values_ = std::move(permuted);
  }

  std::vector<Slot> values_;
};

/// Sparse storage: only values that differ from the default are kept.
template <typename T>
class SparseAttribute final : public ReadOnlyAttribute<T> {
 public:
  const T& value(index_t element) const override {
    OSTREL_ASSERT(element < nb_elements_, "[SparseAttribute::value] element out of range");
    const auto found = values_.find(element);
    return found == values_.end() ? this->default_value() : found->second;
  }

  /// \throw OstrelBasicException (input) when the element does not exist.
  void set_value(index_t element, T value) {
    check_element(element, "set_value");
    store(element, std::move(value));
  }

  /// Calls modifier(T&) on a copy of the value, then stores it.
  template <typename F>
  void modify_value(index_t element, F&& modifier) {
    check_element(element, "modify_value");
    T modified{value(element)};
    modifier(modified);
    store(element, std::move(modified));
  }

 private:
  friend class AttributeManager;

  SparseAttribute(std::string name, T default_value, AttributeProperties properties,
                  index_t nb_elements)
      : ReadOnlyAttribute<T>(std::move(name), std::move(default_value), properties),
        nb_elements_(nb_elements) {}

  void check_element(index_t element, std::string_view function) const {
    OSTREL_INPUT_CHECK(OstrelBasicException, element < nb_elements_, "[SparseAttribute::",
                       function, "] Element ", element, " out of range (", nb_elements_,
                       " elements) in attribute ", this->name());
  }

  void store(index_t element, T value) override {
    OSTREL_EXCEPTION(OstrelBasicException, element < nb_elements_,
                     "[SparseAttribute::store] Element ", element, " out of range");
    if constexpr (std::equality_comparable<T>) {
      if (value == this->default_value()) {
        values_.erase(element);
        return;
      }
    }
    values_.insert_or_assign(element, std::move(value));
  }

  std::shared_ptr<AttributeBase> clone() const override {
    auto copy = clone_definition(nb_elements_);
    static_cast<SparseAttribute&>(*copy).values_ = values_;
    return copy;
  }
  std::shared_ptr<AttributeBase> clone_definition(index_t nb_elements) const override {
    return std::shared_ptr<AttributeBase>{new SparseAttribute{
        std::string{this->name()}, this->default_value(), this->properties(), nb_elements}};
  }
  void resize(index_t nb_elements) override {
    if (nb_elements < nb_elements_) {
      absl::erase_if(values_, [nb_elements](const auto& entry) {
        return entry.first >= nb_elements;
      });
    }
    nb_elements_ = nb_elements;
  }
  void reserve(index_t /*nb_elements*/) override {}
  void compact(absl::Span<const index_t> old2new, index_t nb_kept) override {
    absl::flat_hash_map<index_t, T> kept;
    kept.reserve(values_.size());
    for (auto& [element, stored] : values_) {
      if (element < old2new.size() && old2new[element] != NO_ID) {
        kept.emplace(old2new[element], std::move(stored));
      }
    }
    values_ = std::move(kept);
    nb_elements_ = nb_kept;
  }
  void permute(absl::Span<const index_t> permutation) override {
    absl::flat_hash_map<index_t, T> permuted;
    permuted.reserve(values_.size());
    for (index_t element = 0; element < permutation.size(); ++element) {
      const auto found = values_.find(permutation[element]);
      if (found != values_.end()) permuted.emplace(element, std::move(found->second));
    }
    values_ = std::move(permuted);
  }

  absl::flat_hash_map<index_t, T> values_;
  index_t nb_elements_{0};
};

}  // namespace veyra
