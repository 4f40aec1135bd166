// SPDX-License-Identifier: MIT
// Collections that tag what an operation added to a model: making one with a name and items, and
// removing every component held by the collections of a given name, then those collections.
#pragma once

#include <absl/types/span.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section.h>
#include <ostrel/model/section_builder.h>

#include <optional>
#include <string_view>
#include <vector>

namespace veyra::internal {

/// The component kinds that collections gather.
enum struct CollectedKind { corner, line, surface };

/// The collections of `kind` whose name is exactly `name` (unnamed ones never match), in the
/// model's order.
template <typename Model>
std::vector<uuid> collections_named(const Model& model, CollectedKind kind, std::string_view name);

/// Removes from the model every item of the collections of `kind` named exactly `name`
/// (collections in model order, items in their order, each component once), then those
/// collections. Returns the number of components removed.
template <typename Model>
index_t remove_collections_named(Model& model, typename Model::Builder& builder, CollectedKind kind,
                                 std::string_view name);

/// Adds `items` (components of `kind`) to the collection `collection`, or to a new collection
/// named `name` when `collection` is empty. Returns the collection's id.
template <typename Model>
uuid add_to_named_collection(Model& model, typename Model::Builder& builder, CollectedKind kind,
                             std::string_view name, const std::optional<uuid>& collection,
                             absl::Span<const uuid> items);

}  // namespace veyra::internal
