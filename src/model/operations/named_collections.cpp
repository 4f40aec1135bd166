// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_set.h>
#include <model/operations/named_collections.h>

#include <vector>

namespace veyra::internal {
namespace {

// Calls visit(collection) for each collection of the kind, in model order.
template <typename Model, typename Visit>
void for_each_collection(const Model& model, CollectedKind kind, Visit&& visit) {
  switch (kind) {
    case CollectedKind::corner:
      for (const auto& collection : model.corner_collections()) visit(collection);
      return;
    case CollectedKind::line:
      for (const auto& collection : model.line_collections()) visit(collection);
      return;
    case CollectedKind::surface:
      for (const auto& collection : model.surface_collections()) visit(collection);
      return;
  }
}

template <typename Model>
std::vector<uuid> collection_items(const Model& model, CollectedKind kind, const uuid& id) {
  std::vector<uuid> items;
  const auto append = [&items](const auto& range) {
    for (const auto& item : range) items.push_back(item.id());
  };
  switch (kind) {
    case CollectedKind::corner:
      append(model.corner_collection_items(model.corner_collection(id)));
      break;
    case CollectedKind::line:
      append(model.line_collection_items(model.line_collection(id)));
      break;
    case CollectedKind::surface:
      append(model.surface_collection_items(model.surface_collection(id)));
      break;
  }
  return items;
}

}  // namespace

template <typename Model>
std::vector<uuid> collections_named(const Model& model, CollectedKind kind, std::string_view name) {
  std::vector<uuid> collections;
  for_each_collection(model, kind, [&](const auto& collection) {
    if (const auto collection_name = collection.name();
        collection_name && *collection_name == name) {
      collections.push_back(collection.id());
    }
  });
  return collections;
}

template <typename Model>
index_t remove_collections_named(Model& model, typename Model::Builder& builder, CollectedKind kind,
                                 std::string_view name) {
  const auto collections = collections_named(model, kind, name);
  // A component held by two such collections is removed once.
  std::vector<uuid> items;
  absl::flat_hash_set<uuid> listed;
  for (const auto& collection : collections) {
    for (const auto& item : collection_items(model, kind, collection)) {
      if (listed.insert(item).second) items.push_back(item);
    }
  }
  for (const auto& item : items) {
    switch (kind) {
      case CollectedKind::corner:
        builder.remove_corner(model.corner(item));
        break;
      case CollectedKind::line:
        builder.remove_line(model.line(item));
        break;
      case CollectedKind::surface:
        builder.remove_surface(model.surface(item));
        break;
    }
  }
  for (const auto& collection : collections) {
    switch (kind) {
      case CollectedKind::corner:
        builder.remove_corner_collection(model.corner_collection(collection));
        break;
      case CollectedKind::line:
        builder.remove_line_collection(model.line_collection(collection));
        break;
      case CollectedKind::surface:
        builder.remove_surface_collection(model.surface_collection(collection));
        break;
    }
  }
  return static_cast<index_t>(items.size());
}

template <typename Model>
uuid add_to_named_collection(Model& model, typename Model::Builder& builder, CollectedKind kind,
                             std::string_view name, const std::optional<uuid>& collection,
                             absl::Span<const uuid> items) {
  uuid id;
  if (collection) {
    id = *collection;
  } else {
    switch (kind) {
      case CollectedKind::corner:
        id = builder.add_corner_collection();
        builder.set_corner_collection_name(id, name);
        break;
      case CollectedKind::line:
        id = builder.add_line_collection();
        builder.set_line_collection_name(id, name);
        break;
      case CollectedKind::surface:
        id = builder.add_surface_collection();
        builder.set_surface_collection_name(id, name);
        break;
    }
  }
  for (const auto& item : items) {
    switch (kind) {
      case CollectedKind::corner:
        builder.add_corner_in_corner_collection(model.corner(item), model.corner_collection(id));
        break;
      case CollectedKind::line:
        builder.add_line_in_line_collection(model.line(item), model.line_collection(id));
        break;
      case CollectedKind::surface:
        builder.add_surface_in_surface_collection(model.surface(item),
                                                  model.surface_collection(id));
        break;
    }
  }
  return id;
}

template std::vector<uuid> collections_named(const Section&, CollectedKind, std::string_view);
template std::vector<uuid> collections_named(const BRep&, CollectedKind, std::string_view);
template index_t remove_collections_named(Section&, SectionBuilder&, CollectedKind,
                                          std::string_view);
template index_t remove_collections_named(BRep&, BRepBuilder&, CollectedKind, std::string_view);
template uuid add_to_named_collection(Section&, SectionBuilder&, CollectedKind, std::string_view,
                                      const std::optional<uuid>&, absl::Span<const uuid>);
template uuid add_to_named_collection(BRep&, BRepBuilder&, CollectedKind, std::string_view,
                                      const std::optional<uuid>&, absl::Span<const uuid>);

}  // namespace veyra::internal
