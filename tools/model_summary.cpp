// SPDX-License-Identifier: MIT
#include "model_summary.h"

#include <ostrel/model/block.h>
#include <ostrel/model/component_collections.h>
#include <ostrel/model/corner.h>
#include <ostrel/model/line.h>
#include <ostrel/model/model_boundary.h>
#include <ostrel/model/surface.h>

namespace veyra::tools {
namespace {

using Json = nlohmann::ordered_json;

Json ids(const Relationships::RelationRange& relations) {
  Json list = Json::array();
  for (const auto& related : relations) list.push_back(related.id().string());
  return list;
}

template <typename Component>
Json identity(const Component& component) {
  Json entry;
  entry["id"] = component.id().string();
  const auto name = component.name();
  entry["name"] = name ? Json(std::string{*name}) : Json(nullptr);
  return entry;
}

template <typename Model, typename Component>
Json mesh_component(const Model& model, const Component& component) {
  auto entry = identity(component);
  entry["active"] = component.is_active();
  const auto& mesh = component.mesh();
  entry["vertices"] = mesh.nb_vertices();
  using Mesh = std::decay_t<decltype(mesh)>;
  if constexpr (std::is_same_v<Mesh, EdgedCurve<Model::dim>>) {
    entry["edges"] = mesh.nb_edges();
  } else if constexpr (std::is_same_v<Mesh, SurfaceMesh<Model::dim>>) {
    entry["polygons"] = mesh.nb_polygons();
  } else if constexpr (std::is_same_v<Mesh, SolidMesh<3>>) {
    entry["polyhedra"] = mesh.nb_polyhedra();
  }
  const auto& id = component.id();
  entry["boundaries"] = ids(model.boundaries(id));
  entry["incidences"] = ids(model.incidences(id));
  entry["internals"] = ids(model.internals(id));
  entry["embeddings"] = ids(model.embeddings(id));
  return entry;
}

template <typename Model, typename Range>
Json mesh_components(const Model& model, const Range& range) {
  Json list = Json::array();
  for (const auto& component : range) list.push_back(mesh_component(model, component));
  return list;
}

template <typename Model, typename Range>
void add_groups(const Model& model, const Range& range, Json& list) {
  for (const auto& group : range) {
    auto entry = identity(group);
    auto ordered = Json::object();
    ordered["id"] = entry["id"];
    ordered["type"] = group.component_type().get();
    ordered["name"] = entry["name"];
    ordered["items"] = ids(model.items(group.id()));
    list.push_back(std::move(ordered));
  }
}

template <typename Model>
Json summary(const Model& model, std::string_view kind) {
  constexpr bool is_brep = std::is_same_v<Model, BRep>;
  Json result;
  result["kind"] = kind;
  auto& counts = result["counts"];
  counts["corners"] = model.nb_corners();
  counts["lines"] = model.nb_lines();
  counts["surfaces"] = model.nb_surfaces();
  if constexpr (is_brep) {
    counts["blocks"] = model.nb_blocks();
  } else {
    counts["blocks"] = 0;
  }
  counts["model_boundaries"] = model.nb_model_boundaries();
  counts["corner_collections"] = model.nb_corner_collections();
  counts["line_collections"] = model.nb_line_collections();
  counts["surface_collections"] = model.nb_surface_collections();
  counts["unique_vertices"] = model.nb_unique_vertices();
  result["corners"] = mesh_components(model, model.corners());
  result["lines"] = mesh_components(model, model.lines());
  result["surfaces"] = mesh_components(model, model.surfaces());
  if constexpr (is_brep) {
    result["blocks"] = mesh_components(model, model.blocks());
  } else {
    result["blocks"] = Json::array();
  }
  result["model_boundaries"] = Json::array();
  add_groups(model, model.model_boundaries(), result["model_boundaries"]);
  auto& collections = result["collections"] = Json::array();
  add_groups(model, model.corner_collections(), collections);
  add_groups(model, model.line_collections(), collections);
  add_groups(model, model.surface_collections(), collections);
  if constexpr (is_brep) add_groups(model, model.block_collections(), collections);
  return result;
}

std::string text_name(const Json& entry) {
  return entry["name"].is_null() ? std::string{} : str_cat(" \"", entry["name"].get<std::string>(), "\"");
}

}  // namespace

nlohmann::ordered_json model_summary(const BRep& model) { return summary(model, "BRep"); }

nlohmann::ordered_json model_summary(const Section& model) { return summary(model, "Section"); }

void print_model_summary(std::ostream& out, std::string_view file, const Json& summary) {
  out << file << ": " << summary["kind"].get<std::string>() << '\n';
  for (const auto& [name, count] : summary["counts"].items()) {
    out << "  " << name << ": " << count.get<index_t>() << '\n';
  }
  for (const auto* kind : {"corners", "lines", "surfaces", "blocks"}) {
    for (const auto& entry : summary[kind]) {
      out << "  " << std::string_view{kind}.substr(0, std::string_view{kind}.size() - 1) << ' '
          << entry["id"].get<std::string>() << text_name(entry)
          << (entry["active"].get<bool>() ? "" : " (inactive)") << ": "
          << entry["vertices"].get<index_t>() << " vertices";
      for (const auto* elements : {"edges", "polygons", "polyhedra"}) {
        if (entry.contains(elements)) out << ", " << entry[elements].get<index_t>() << ' ' << elements;
      }
      out << ", " << entry["boundaries"].size() << " boundaries, " << entry["incidences"].size()
          << " incidences\n";
    }
  }
  for (const auto* kind : {"model_boundaries", "collections"}) {
    for (const auto& entry : summary[kind]) {
      out << "  " << entry["type"].get<std::string>() << ' ' << entry["id"].get<std::string>()
          << text_name(entry) << ": " << entry["items"].size() << " items\n";
    }
  }
}

}  // namespace veyra::tools
