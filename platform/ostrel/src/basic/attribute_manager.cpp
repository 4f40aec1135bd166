// SPDX-License-Identifier: MIT
#include <ostrel/basic/attribute_manager.h>

#include <algorithm>
#include <mutex>
#include <typeinfo>
#include <utility>

#include <absl/container/flat_hash_map.h>

namespace veyra {
namespace {

// Debian's Abseil hashes its own string_view class, which std::string_view does not convert to.
absl::string_view key(std::string_view name) { return {name.data(), name.size()}; }

}  // namespace

AttributeBase::~AttributeBase() = default;

class AttributeManager::Impl {
 public:
  using Attributes = std::vector<std::shared_ptr<AttributeBase>>;

  std::shared_ptr<AttributeBase> find(std::string_view name) const {
    std::lock_guard lock{mutex};
    const auto found = attributes.find(key(name));
    return found == attributes.end() ? nullptr : found->second;
  }

  /// Every attribute, sorted by name, so that bulk operations run in a fixed order.
  Attributes sorted_attributes() const {
    Attributes result;
    {
      std::lock_guard lock{mutex};
      result.reserve(attributes.size());
      for (const auto& [name, attribute] : attributes) result.push_back(attribute);
    }
    std::sort(result.begin(), result.end(),
              [](const auto& lhs, const auto& rhs) { return lhs->name() < rhs->name(); });
    return result;
  }

  /// The attribute here that receives values of `source` in an import, or nullptr when a
  /// same-named attribute of another kind exists.
  std::shared_ptr<AttributeBase> import_target(const AttributeBase& source) {
    std::lock_guard lock{mutex};
    auto& slot = attributes[key(source.name())];
    if (slot == nullptr) {
      slot = source.clone_definition(nb_elements);
      return slot;
    }
    return typeid(*slot) == typeid(source) ? slot : nullptr;
  }

  mutable std::mutex mutex;
  absl::flat_hash_map<std::string, std::shared_ptr<AttributeBase>> attributes;
  index_t nb_elements{0};
};

AttributeManager::AttributeManager() : impl_{std::make_unique<Impl>()} {}
AttributeManager::~AttributeManager() = default;
AttributeManager::AttributeManager(AttributeManager&& other) noexcept
    : impl_{std::exchange(other.impl_, std::make_unique<Impl>())} {}
AttributeManager& AttributeManager::operator=(AttributeManager&& other) noexcept {
  std::swap(impl_, other.impl_);
  return *this;
}

index_t AttributeManager::nb_elements() const { return impl_->nb_elements; }

std::shared_ptr<AttributeBase> AttributeManager::find_or_create(
    std::string_view name, absl::FunctionRef<std::shared_ptr<AttributeBase>(index_t)> create) {
  std::lock_guard lock{impl_->mutex};
  auto& slot = impl_->attributes[key(name)];
  if (slot == nullptr) slot = create(impl_->nb_elements);
  return slot;
}

std::shared_ptr<AttributeBase> AttributeManager::find_existing(std::string_view name) const {
  auto attribute = impl_->find(name);
  OSTREL_INPUT_CHECK(OstrelBasicException, attribute != nullptr,
                     "[AttributeManager::find_attribute] Attribute \"", name, "\" does not exist");
  return attribute;
}

std::shared_ptr<AttributeBase> AttributeManager::find_generic_attribute(
    std::string_view name) const {
  return impl_->find(name);
}

bool AttributeManager::attribute_exists(std::string_view name) const {
  return impl_->find(name) != nullptr;
}

std::vector<std::string> AttributeManager::attribute_names() const {
  std::vector<std::string> names;
  for (const auto& attribute : impl_->sorted_attributes()) names.emplace_back(attribute->name());
  return names;
}

void AttributeManager::delete_attribute(std::string_view name) {
  std::lock_guard lock{impl_->mutex};
  const auto found = impl_->attributes.find(key(name));
  if (found != impl_->attributes.end()) impl_->attributes.erase(found);
}

void AttributeManager::import(const AttributeManager& from, absl::Span<const index_t> old2new) {
  const auto nb_from = from.nb_elements();
  const auto nb_used = std::min<std::size_t>(old2new.size(), nb_from);
  // Checked before anything changes, so a bad table leaves this manager untouched.
  for (std::size_t i = 0; i < nb_used; ++i) {
    OSTREL_INPUT_CHECK(OstrelBasicException, old2new[i] == NO_ID || old2new[i] < nb_elements(),
                       "[AttributeManager::import] Target element ", old2new[i],
                       " out of range (", nb_elements(), " elements)");
  }
  for (const auto& source : from.impl_->sorted_attributes()) {
    if (!source->properties().transferable) continue;
    if (auto target = impl_->import_target(*source)) {
      target->import_values(*source, nb_from, old2new);
    }
  }
}

void AttributeManager::import(const AttributeManager& from,
                              const GenericMapping<index_t>& old2new) {
  const auto nb_from = from.nb_elements();
  for (const auto& [in, outs] : old2new.in2out_map()) {
    if (in >= nb_from) continue;
    for (const auto out : outs) {
      OSTREL_INPUT_CHECK(OstrelBasicException, out < nb_elements(),
                         "[AttributeManager::import] Target element ", out, " out of range (",
                         nb_elements(), " elements)");
    }
  }
  for (const auto& source : from.impl_->sorted_attributes()) {
    if (!source->properties().transferable) continue;
    if (auto target = impl_->import_target(*source)) {
      target->import_values(*source, nb_from, old2new);
    }
  }
}

void AttributeManager::interpolate_attribute_value(const AttributeLinearInterpolation& from,
                                                   index_t to) {
  OSTREL_INPUT_CHECK(OstrelBasicException, to < nb_elements(),
                     "[AttributeManager::interpolate_attribute_value] Element ", to,
                     " out of range");
  for (const auto source : from.indices) {
    OSTREL_INPUT_CHECK(OstrelBasicException, source < nb_elements(),
                       "[AttributeManager::interpolate_attribute_value] Source element ", source,
                       " out of range");
  }
  for (const auto& attribute : impl_->sorted_attributes()) {
    if (attribute->properties().interpolable) attribute->interpolate_value(from, to);
  }
}

void AttributeManager::assign_attribute_value(index_t from, index_t to) {
  OSTREL_INPUT_CHECK(OstrelBasicException, from < nb_elements() && to < nb_elements(),
                     "[AttributeManager::assign_attribute_value] Element out of range (", from,
                     " -> ", to, ", ", nb_elements(), " elements)");
  for (const auto& attribute : impl_->sorted_attributes()) {
    if (attribute->properties().assignable) attribute->assign_value(from, to);
  }
}

void AttributeManager::copy(const AttributeManager& from) {
  if (&from == this) return;
  const auto sources = from.impl_->sorted_attributes();
  absl::flat_hash_map<std::string, std::shared_ptr<AttributeBase>> copies;
  copies.reserve(sources.size());
  for (const auto& source : sources) copies.emplace(source->name(), source->clone());
  std::lock_guard lock{impl_->mutex};
  impl_->attributes = std::move(copies);
  impl_->nb_elements = from.nb_elements();
}

void AttributeManager::resize(index_t nb_elements) {
  std::lock_guard lock{impl_->mutex};
  for (auto& [name, attribute] : impl_->attributes) attribute->resize(nb_elements);
  impl_->nb_elements = nb_elements;
}

void AttributeManager::reserve(index_t nb_elements) {
  std::lock_guard lock{impl_->mutex};
  for (auto& [name, attribute] : impl_->attributes) attribute->reserve(nb_elements);
}

std::vector<index_t> AttributeManager::delete_elements(const std::vector<bool>& to_delete) {
  OSTREL_EXCEPTION(OstrelBasicException, to_delete.size() == nb_elements(),
                   "[AttributeManager::delete_elements] ", to_delete.size(),
                   " flags given for ", nb_elements(), " elements");
  std::vector<index_t> old2new(to_delete.size(), NO_ID);
  index_t nb_kept = 0;
  for (std::size_t old = 0; old < to_delete.size(); ++old) {
    if (!to_delete[old]) old2new[old] = nb_kept++;
  }
  if (nb_kept == nb_elements()) return old2new;
  std::lock_guard lock{impl_->mutex};
  for (auto& [name, attribute] : impl_->attributes) attribute->compact(old2new, nb_kept);
  impl_->nb_elements = nb_kept;
  return old2new;
}

void AttributeManager::permute(absl::Span<const index_t> permutation) {
  OSTREL_EXCEPTION(OstrelBasicException, permutation.size() == nb_elements(),
                   "[AttributeManager::permute] Permutation of ", permutation.size(),
                   " items for ", nb_elements(), " elements");
  std::lock_guard lock{impl_->mutex};
  for (auto& [name, attribute] : impl_->attributes) attribute->permute(permutation);
}

void AttributeManager::clear() {
  std::lock_guard lock{impl_->mutex};
  impl_->attributes.clear();
  impl_->nb_elements = 0;
}

}  // namespace veyra
