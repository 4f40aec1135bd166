// SPDX-License-Identifier: MIT
// The C++ side of the Python tests: runs one library operation on files through the C++ API and
// prints, as one JSON object, the counts of the resulting model and the sizes of the returned
// mappings, for the tests to compare with what the Python module gives on the same input.
//
//   operation_reference meshes-to-brep FILE...
//   operation_reference meshes-to-section FILE...          (2D meshes)
//   operation_reference surface-elements-to-section FILE CORNERS EDGES
//   operation_reference surface-to-section FILE ATTRIBUTE   (2D mesh)
//   operation_reference solid-to-brep FILE ATTRIBUTE
//   operation_reference determine-blocks MODEL.tq_brep
//   operation_reference build-blocks MODEL.tq_brep       (one new block per determined record)
//   operation_reference element-to-brep MODEL.tq_brep BLOCK POLYHEDRON
//   operation_reference curve-from-borders FILE
//   operation_reference validate MODEL
//   operation_reference sharp-features MODEL ANGLE      (ANGLE "remove": remove_sharp_features)
//   operation_reference segmentation MODEL.tq_brep      (add, then remove_brep_segmentation)
//   operation_reference rebuild MODEL.tq_brep SURFACES BLOCK FACETS
//
// CORNERS is a comma-separated vertex list, EDGES a comma-separated list of vertex pairs a-b
// ("-" for none). For rebuild, SURFACES lists the indices of the surfaces made non-conformal and
// FACETS the polyhedron-facet pairs p-f of block BLOCK registered as surface facets. Errors go to
// stderr with exit code 1.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include <absl/strings/numbers.h>
#include <absl/strings/str_split.h>
#include <nlohmann/json.hpp>

#include <model/common/convert_meshes.h>
#include <model/common/library.h>
#include <model/element_meshes/brep_from_brep_element.h>
#include <model/element_meshes/brep_from_solid_elements_builder.h>
#include <model/element_meshes/section_from_surface_elements_builder.h>
#include <model/element_meshes/surface_facets_from_attribute.h>
#include <model/operations/blocks_from_surfaces.h>
#include <model/element_meshes/brep_topology_rebuilder.h>
#include <model/element_meshes/convert_surface_into_section_from_attribute.h>
#include <model/operations/brep_segmentation.h>
#include <model/operations/curve_from_surface_borders.h>
#include <model/operations/sharp_features.h>
#include <model/operations/validate_model.h>
#include <ostrel/basic/logger.h>
#include <ostrel/mesh/io/read_mesh.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>

namespace {

using nlohmann::json;
using namespace veyra;

template <typename T1, typename T2>
json sizes(const GenericMapping<T1, T2>& mapping) {
  std::size_t pairs = 0;
  for (const auto& entry : mapping.in2out_map()) pairs += entry.second.size();
  return json::array({mapping.size_in(), mapping.size_out(), pairs});
}

template <typename Kinds>
json kinds(const Kinds& mappings) {
  json result{{"corners", sizes(mappings.corners)},
              {"lines", sizes(mappings.lines)},
              {"surfaces", sizes(mappings.surfaces)}};
  if constexpr (requires { mappings.blocks; }) result["blocks"] = sizes(mappings.blocks);
  return result;
}

json ids_by_type(const ComponentsByType& ids) {
  json result = json::object();
  for (const auto& [type, list] : ids) result[type.get()] = list.size();
  return result;
}

template <typename Mappings>
json topology(const Mappings& mappings) {
  json components = json::object();
  for (const auto& [type, mapping] : mappings.component_mappings) {
    components[type.get()] = sizes(mapping);
  }
  return json{{"component_mappings", components},
              {"created_components", ids_by_type(mappings.created_components)},
              {"removed_components", ids_by_type(mappings.removed_components)},
              {"unchanged_components", ids_by_type(mappings.unchanged_components)},
              {"mesh_elements", kinds(mappings.mesh_elements)},
              {"mesh_vertices", kinds(mappings.mesh_vertices)}};
}

template <typename Model>
json counts(const Model& model) {
  json result{{"corners", model.nb_corners()},
              {"lines", model.nb_lines()},
              {"surfaces", model.nb_surfaces()},
              {"model_boundaries", model.nb_model_boundaries()},
              {"unique_vertices", model.nb_unique_vertices()}};
  if constexpr (std::is_same_v<Model, BRep>) result["blocks"] = model.nb_blocks();
  return result;
}

std::vector<index_t> index_list(const std::string& text) {
  std::vector<index_t> values;
  if (text == "-") return values;
  for (const auto piece : absl::StrSplit(text, ',')) {
    index_t value = 0;
    if (!absl::SimpleAtoi(piece, &value)) throw std::invalid_argument("bad index list " + text);
    values.push_back(value);
  }
  return values;
}

template <index_t D>
json meshes_to_model(const std::vector<std::string>& files) {
  MeshReadOptions options;
  options.dimension = D;
  std::vector<LoadedMesh> loaded;
  for (const auto& file : files) loaded.push_back(read_mesh(file, options));
  std::vector<std::reference_wrapper<const PointSet<D>>> point_sets;
  std::vector<std::reference_wrapper<const EdgedCurve<D>>> curves;
  std::vector<std::reference_wrapper<const SurfaceMesh<D>>> surfaces;
  for (const auto& mesh : loaded) {
    switch (mesh.kind()) {
      case MeshKind::point_set:
        point_sets.emplace_back(mesh.get<PointSet<D>>());
        break;
      case MeshKind::edged_curve:
        curves.emplace_back(mesh.get<EdgedCurve<D>>());
        break;
      case MeshKind::surface:
        surfaces.emplace_back(mesh.get<SurfaceMesh<D>>());
        break;
      default:
        throw std::invalid_argument("solids cannot go into a mesh collection");
    }
  }
  if constexpr (D == 3) {
    const auto [model, mappings] = convert_meshes_into_brep(point_sets, curves, surfaces);
    return json{{"model", counts(model)}, {"mappings", topology(mappings)}};
  } else {
    const auto [model, mappings] = convert_meshes_into_section(point_sets, curves, surfaces);
    return json{{"model", counts(model)}, {"mappings", topology(mappings)}};
  }
}

json surface_elements_to_section(const std::string& file, const std::string& corner_text,
                                 const std::string& edge_text) {
  MeshReadOptions options;
  options.dimension = 2;
  auto mesh = read_mesh(file, options).release<SurfaceMesh<2>>();
  mesh->enable_edges();
  std::vector<index_t> edges;
  if (edge_text != "-") {
    for (const auto pair : absl::StrSplit(edge_text, ',')) {
      const std::vector<std::string> ends = absl::StrSplit(pair, '-');
      const auto vertices = index_list(ends.at(0) + "," + ends.at(1));
      edges.push_back(mesh->edges().edge_from_vertices({vertices[0], vertices[1]}).value());
    }
  }
  const auto corners = index_list(corner_text);
  const auto [section, vertices, elements] =
      convert_surface_elements_into_section(*mesh, corners, edges);
  return json{{"model", counts(section)},
              {"mappings", {{"vertices", sizes(vertices)}, {"elements", kinds(elements)}}}};
}

json surface_to_section(const std::string& file, const std::string& attribute) {
  MeshReadOptions options;
  options.dimension = 2;
  auto mesh = read_mesh(file, options).release<SurfaceMesh<2>>();
  const auto [section, vertices, elements] =
      convert_surface_into_section_from_attribute(*mesh, attribute);
  return json{{"model", counts(section)},
              {"mappings", {{"vertices", kinds(vertices)}, {"elements", kinds(elements)}}}};
}

json solid_to_brep(const std::string& file, const std::string& attribute) {
  auto solid = read_mesh(file).release<SolidMesh<3>>();
  const auto facets = surface_facets_from_attribute(*solid, attribute);
  const auto [brep, vertices, elements] = convert_solid_elements_into_brep(*solid, {}, {}, facets);
  return json{{"surface_facets", facets.size()},
              {"model", counts(brep)},
              {"mappings", {{"vertices", sizes(vertices)}, {"elements", kinds(elements)}}}};
}

template <typename Model>
json sharp_features(Model model, const std::string& angle) {
  if (angle == "remove") {
    const auto mappings = remove_sharp_features(model);
    return json{{"model", counts(model)}, {"mappings", topology(mappings)}};
  }
  const auto mappings = add_sharp_features(model, std::stod(angle));
  return json{{"model", counts(model)}, {"mappings", topology(mappings)}};
}

json segmentation(const std::string& file) {
  auto brep = load_brep(file);
  const auto added = add_brep_segmentation(brep);
  json result{{"added", {{"model", counts(brep)}, {"mappings", topology(added)}}}};
  const auto removed = remove_brep_segmentation(brep);
  result["removed"] = {{"model", counts(brep)}, {"mappings", topology(removed)}};
  return result;
}

json rebuild(const std::string& file, const std::string& surface_text,
             const std::string& block_text, const std::string& facet_text) {
  const auto brep = load_brep(file);
  detail::BRepTopologyRebuilder rebuilder{brep};
  const auto surfaces = index_list(surface_text);
  index_t index = 0;
  for (const auto& surface : brep.surfaces()) {
    if (std::find(surfaces.begin(), surfaces.end(), index++) != surfaces.end()) {
      rebuilder.remove_conformity_on_model_surface(surface);
    }
  }
  if (facet_text != "-") {
    std::vector<PolyhedronFacet> facets;
    for (const auto pair : absl::StrSplit(facet_text, ',')) {
      const std::vector<std::string> parts = absl::StrSplit(pair, '-');
      const auto values = index_list(parts.at(0) + "," + parts.at(1));
      facets.emplace_back(values[0], static_cast<local_index_t>(values[1]));
    }
    const auto block_index = index_list(block_text).at(0);
    index = 0;
    for (const auto& block : brep.blocks()) {
      if (index++ == block_index) rebuilder.add_block_facets_to_topology(block, facets);
    }
  }
  const auto [rebuilt, mappings] = rebuilder.rebuild();
  return json{{"model", counts(rebuilt)}, {"mappings", topology(mappings)}};
}

json block_records(const std::vector<BlockRelationships>& records) {
  json result = json::array();
  for (const auto& record : records) {
    result.push_back({record.boundary_surfaces.size(), record.internal_surfaces.size(),
                      record.internal_lines.size(), record.internal_corners.size()});
  }
  return result;
}

json run(const std::vector<std::string>& arguments) {
  const auto& command = arguments.at(0);
  const std::vector<std::string> files(arguments.begin() + 1, arguments.end());
  if (command == "meshes-to-brep") return meshes_to_model<3>(files);
  if (command == "meshes-to-section") return meshes_to_model<2>(files);
  if (command == "surface-elements-to-section") {
    return surface_elements_to_section(files.at(0), files.at(1), files.at(2));
  }
  if (command == "surface-to-section") return surface_to_section(files.at(0), files.at(1));
  if (command == "solid-to-brep") return solid_to_brep(files.at(0), files.at(1));
  if (command == "determine-blocks") {
    return json{{"blocks", block_records(determine_blocks(load_brep(files.at(0))))}};
  }
  if (command == "build-blocks") {
    auto brep = load_brep(files.at(0));
    const auto records = determine_blocks(brep);
    BRepBuilder builder{brep};
    const auto created = build_blocks(brep, builder, records);
    return json{{"created", created.size()}, {"model", counts(brep)}};
  }
  if (command == "element-to-brep") {
    const auto brep = load_brep(files.at(0));
    const auto block_index = index_list(files.at(1)).at(0);
    const auto polyhedron = index_list(files.at(2)).at(0);
    index_t index = 0;
    for (const auto& block : brep.blocks()) {
      if (index++ == block_index) {
        return json{{"model", counts(detail::build_brep_from_brep_element(block, polyhedron))}};
      }
    }
    throw std::invalid_argument("no such block");
  }
  if (command == "curve-from-borders") {
    const auto loaded = read_mesh(files.at(0));
    const auto curve = curve_from_surface_borders(loaded.get<SurfaceMesh<3>>());
    return json{{"vertices", curve->nb_vertices()}, {"edges", curve->nb_edges()}};
  }
  if (command == "validate") {
    const auto report_json = [](const auto& report) {
      json kinds_found = json::array();
      for (const auto& problem : report.problems) {
        kinds_found.push_back(validation_problem_kind_name(problem.kind));
      }
      return json{{"errors", report.nb_errors()},
                  {"warnings", report.nb_warnings()},
                  {"kinds", kinds_found}};
    };
    if (std::filesystem::path{files.at(0)}.extension() == ".tq_sctn") {
      return report_json(validate_section(load_section(files.at(0))));
    }
    return report_json(validate_brep(load_brep(files.at(0))));
  }
  if (command == "sharp-features") {
    if (std::filesystem::path{files.at(0)}.extension() == ".tq_sctn") {
      return sharp_features(load_section(files.at(0)), files.at(1));
    }
    return sharp_features(load_brep(files.at(0)), files.at(1));
  }
  if (command == "segmentation") return segmentation(files.at(0));
  if (command == "rebuild") return rebuild(files.at(0), files.at(1), files.at(2), files.at(3));
  throw std::invalid_argument("unknown command " + command);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    veyra::VeyraConversionModelLibrary::initialize();
    veyra::Logger::set_level(veyra::Logger::LEVEL::err);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) throw std::invalid_argument("no command");
    std::cout << run(arguments).dump() << '\n';
    return EXIT_SUCCESS;
  } catch (const std::exception& error) {
    std::cerr << "operation_reference: " << error.what() << '\n';
    return EXIT_FAILURE;
  }
}
