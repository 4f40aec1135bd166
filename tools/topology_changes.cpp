// SPDX-License-Identifier: MIT
#include "topology_changes.h"

#include <string>

namespace veyra::tools {
namespace {

template <typename Collections, typename ItemCount>
index_t named_items(const Collections& collections, std::string_view name, ItemCount&& count) {
  index_t nb_items = 0;
  for (const auto& collection : collections) {
    if (collection.name() && *collection.name() == name) nb_items += count(collection);
  }
  return nb_items;
}

index_t count(const ComponentsByType& lists, std::string_view type) {
  const ComponentType key{std::string{type}};
  return lists.has_mapping_type(key) ? static_cast<index_t>(lists.at(key).size()) : 0;
}

void print_changes(std::ostream& out, std::string_view title, const ComponentsByType& lists,
                   bool with_blocks) {
  out << title << ":";
  for (const std::string_view type : {"Corner", "Line", "Surface", "Block", "ModelBoundary"}) {
    if (!with_blocks && type == "Block") continue;
    out << ' ' << count(lists, type) << ' ' << type;
  }
  out << '\n';
}

}  // namespace

void print_model_counts(std::ostream& out, const BRep& model) {
  out << "BRep: " << model.nb_corners() << " corners, " << model.nb_lines() << " lines, "
      << model.nb_surfaces() << " surfaces, " << model.nb_blocks() << " blocks, "
      << model.nb_model_boundaries() << " model boundaries\n";
}

void print_model_counts(std::ostream& out, const Section& model) {
  out << "Section: " << model.nb_corners() << " corners, " << model.nb_lines() << " lines, "
      << model.nb_surfaces() << " surfaces, " << model.nb_model_boundaries()
      << " model boundaries\n";
}

template <typename Model>
void print_collection_items(std::ostream& out, std::string_view title, const Model& model,
                            std::string_view collection_name) {
  const auto corners = named_items(
      model.corner_collections(), collection_name,
      [&](const auto& collection) { return model.nb_corner_collection_items(collection); });
  const auto lines = named_items(
      model.line_collections(), collection_name,
      [&](const auto& collection) { return model.nb_line_collection_items(collection); });
  const auto surfaces = named_items(
      model.surface_collections(), collection_name,
      [&](const auto& collection) { return model.nb_surface_collection_items(collection); });
  out << title << ": " << corners << " corners, " << lines << " lines, " << surfaces
      << " surfaces\n";
}

template <typename Model>
void print_topology_changes(std::ostream& out, const ModelMappings<Model>& mappings) {
  constexpr bool with_blocks = Model::dim == 3;
  print_changes(out, "Created", mappings.created_components, with_blocks);
  print_changes(out, "Removed", mappings.removed_components, with_blocks);
}

template void print_collection_items(std::ostream&, std::string_view, const BRep&,
                                     std::string_view);
template void print_collection_items(std::ostream&, std::string_view, const Section&,
                                     std::string_view);
template void print_topology_changes<BRep>(std::ostream&, const BRepMappings&);
template void print_topology_changes<Section>(std::ostream&, const SectionMappings&);

}  // namespace veyra::tools
