// SPDX-License-Identifier: MIT
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/brep_transfers.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace veyra {
namespace {

/// Sets the name and active flag of every target of the mapping from its sources.
/// `find(source)` returns the source component of `from` or null; `set_name(target, name)` and
/// `set_active(target, flag)` write to the new model.
template <typename Find, typename SetName, typename SetActive>
void transfer_metadata(const GenericMapping<uuid>& mapping, Find&& find, SetName&& set_name,
                       SetActive&& set_active) {
  std::vector<std::string_view> names;
  for (const auto& [target, sources] : mapping.out2in_map()) {
    names.clear();
    bool active = true;
    for (const auto& source : sources) {
      const auto* component = find(source);
      if (component == nullptr) continue;
      active = active && component->is_active();
      const auto name = component->name();
      if (name && std::find(names.begin(), names.end(), *name) == names.end()) {
        names.push_back(*name);
      }
    }
    if (!names.empty()) {
      std::string joined{names.front()};
      for (std::size_t k = 1; k < names.size(); ++k) {
        joined.append("_");
        joined.append(names[k]);
      }
      set_name(target, joined);
    }
    set_active(target, active);
  }
}

/// Copies the collections of one kind: `create()` adds an empty one to the new model and
/// returns its id, `set_name(id, name)` names it.
template <typename Range, typename Create, typename SetName>
void transfer_collections(const BRep& from, const BRep& to, BRepBuilder& to_builder,
                          const ModelGenericMapping& component_mapping, const Range& collections,
                          Create&& create, SetName&& set_name) {
  for (const auto& collection : collections) {
    const ComponentID target_collection{collection.component_type(), create()};
    if (const auto name = collection.name()) set_name(target_collection.id(), *name);
    for (const auto& item : from.items(collection.id())) {
      if (!component_mapping.has_mapping_type(item.type())) continue;
      const auto& mapping = component_mapping.at(item.type());
      if (!mapping.has_mapping_input(item.id())) continue;
      for (const auto& target : mapping.in2out(item.id())) {
        if (to.is_item(target, target_collection.id())) continue;
        to_builder.add_item_in_collection({item.type(), target}, target_collection);
      }
    }
  }
}

}  // namespace

void transfer_brep_metadata(const BRep& from, BRepBuilder& to_builder,
                            const ModelGenericMapping& component_mapping) {
  const auto transfer = [&](const ComponentType& type, auto&& find, auto&& set_name,
                            auto&& set_active) {
    if (!component_mapping.has_mapping_type(type)) return;
    transfer_metadata(component_mapping.at(type), find, set_name, set_active);
  };
  transfer(
      Corner<3>::component_type_static(),
      [&](const uuid& id) { return from.has_corner(id) ? &from.corner(id) : nullptr; },
      [&](const uuid& id, std::string_view name) { to_builder.set_corner_name(id, name); },
      [&](const uuid& id, bool active) { to_builder.set_corner_active(id, active); });
  transfer(
      Line<3>::component_type_static(),
      [&](const uuid& id) { return from.has_line(id) ? &from.line(id) : nullptr; },
      [&](const uuid& id, std::string_view name) { to_builder.set_line_name(id, name); },
      [&](const uuid& id, bool active) { to_builder.set_line_active(id, active); });
  transfer(
      Surface<3>::component_type_static(),
      [&](const uuid& id) { return from.has_surface(id) ? &from.surface(id) : nullptr; },
      [&](const uuid& id, std::string_view name) { to_builder.set_surface_name(id, name); },
      [&](const uuid& id, bool active) { to_builder.set_surface_active(id, active); });
  transfer(
      Block<3>::component_type_static(),
      [&](const uuid& id) { return from.has_block(id) ? &from.block(id) : nullptr; },
      [&](const uuid& id, std::string_view name) { to_builder.set_block_name(id, name); },
      [&](const uuid& id, bool active) { to_builder.set_block_active(id, active); });
}

void transfer_brep_collections(const BRep& from, const BRep& to, BRepBuilder& to_builder,
                               const ModelGenericMapping& component_mapping) {
  transfer_collections(
      from, to, to_builder, component_mapping, from.corner_collections(),
      [&] { return to_builder.add_corner_collection(); },
      [&](const uuid& id, std::string_view name) {
        to_builder.set_corner_collection_name(id, name);
      });
  transfer_collections(
      from, to, to_builder, component_mapping, from.line_collections(),
      [&] { return to_builder.add_line_collection(); },
      [&](const uuid& id, std::string_view name) {
        to_builder.set_line_collection_name(id, name);
      });
  transfer_collections(
      from, to, to_builder, component_mapping, from.surface_collections(),
      [&] { return to_builder.add_surface_collection(); },
      [&](const uuid& id, std::string_view name) {
        to_builder.set_surface_collection_name(id, name);
      });
  transfer_collections(
      from, to, to_builder, component_mapping, from.block_collections(),
      [&] { return to_builder.add_block_collection(); },
      [&](const uuid& id, std::string_view name) {
        to_builder.set_block_collection_name(id, name);
      });
  transfer_collections(
      from, to, to_builder, component_mapping, from.model_boundaries(),
      [&] { return to_builder.add_model_boundary(); },
      [&](const uuid& id, std::string_view name) { to_builder.set_model_boundary_name(id, name); });
}

}  // namespace veyra
