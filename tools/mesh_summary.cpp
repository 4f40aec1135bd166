// SPDX-License-Identifier: MIT
#include "mesh_summary.h"

#include <string>
#include <vector>

#include <ostrel/mesh/io/element_type_counts.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/surface_edges.h>

namespace veyra::tools {
namespace {

using AttributeSets = std::vector<std::pair<std::string_view, const AttributeManager*>>;

/// The attribute managers of the mesh, by element kind.
AttributeSets attribute_sets(const LoadedMesh& mesh) {
  AttributeSets sets{{"vertex", &mesh.vertex_set().vertex_attribute_manager()}};
  mesh.visit([&](const auto& typed) {
    using Mesh = std::decay_t<decltype(typed)>;
    if constexpr (std::is_same_v<Mesh, EdgedCurve<Mesh::dimension>>) {
      sets.emplace_back("edge", &typed.edge_attribute_manager());
    } else if constexpr (std::is_same_v<Mesh, SurfaceMesh<Mesh::dimension>>) {
      if (typed.are_edges_enabled()) {
        sets.emplace_back("edge", &typed.edges().edge_attribute_manager());
      }
      sets.emplace_back("polygon", &typed.polygon_attribute_manager());
    } else if constexpr (std::is_same_v<Mesh, SolidMesh<3>>) {
      if (typed.are_edges_enabled()) {
        sets.emplace_back("edge", &typed.edges().edge_attribute_manager());
      }
      if (typed.are_facets_enabled()) {
        sets.emplace_back("facet", &typed.facets().facet_attribute_manager());
      }
      sets.emplace_back("polyhedron", &typed.polyhedron_attribute_manager());
    }
  });
  return sets;
}

/// [[min...], [max...]] of the mesh's points; null without vertices.
nlohmann::ordered_json bounding_box(const LoadedMesh& mesh) {
  if (mesh.vertex_set().nb_vertices() == 0) return nullptr;
  return mesh.visit([](const auto& typed) {
    const auto box = typed.bounding_box();
    nlohmann::ordered_json min = nlohmann::ordered_json::array();
    nlohmann::ordered_json max = nlohmann::ordered_json::array();
    for (index_t axis = 0; axis < std::decay_t<decltype(typed)>::dimension; ++axis) {
      min.push_back(box.min().value(axis));
      max.push_back(box.max().value(axis));
    }
    return nlohmann::ordered_json::array({min, max});
  });
}

std::string joined(const std::vector<std::string>& names) {
  if (names.empty()) return "none";
  std::string text;
  for (const auto& name : names) {
    if (!text.empty()) text += ", ";
    text += name;
  }
  return text;
}

}  // namespace

nlohmann::ordered_json mesh_summary(const LoadedMesh& mesh) {
  nlohmann::ordered_json summary;
  summary["kind"] = mesh.vertex_set().type_name().get();
  summary["vertices"] = mesh.vertex_set().nb_vertices();
  summary["elements"] = nlohmann::ordered_json::object();
  for (const auto& [type, count] : element_type_counts(mesh)) {
    summary["elements"][std::string{type}] = count;
  }
  summary["attributes"] = nlohmann::ordered_json::object();
  for (const auto& [kind, manager] : attribute_sets(mesh)) {
    summary["attributes"][std::string{kind}] = manager->attribute_names();
  }
  summary["bounding_box"] = bounding_box(mesh);
  return summary;
}

void print_mesh_summary(std::ostream& out, std::string_view file, const LoadedMesh& mesh) {
  out << file << ": " << mesh.vertex_set().type_name().get() << '\n';
  if (const auto name = mesh.vertex_set().name()) out << "  name: " << *name << '\n';
  out << "  vertices: " << mesh.vertex_set().nb_vertices() << '\n';
  for (const auto& [type, count] : element_type_counts(mesh)) {
    out << "  " << type << ": " << count << '\n';
  }
  for (const auto& [kind, manager] : attribute_sets(mesh)) {
    out << "  " << kind << " attributes: " << joined(manager->attribute_names()) << '\n';
  }
  if (mesh.vertex_set().nb_vertices() > 0) {
    mesh.visit([&](const auto& typed) {
      const auto box = typed.bounding_box();
      out << "  bounding box: (" << box.min().string() << ") to (" << box.max().string() << ")\n";
    });
  }
}

}  // namespace veyra::tools
