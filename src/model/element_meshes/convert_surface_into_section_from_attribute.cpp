// SPDX-License-Identifier: MIT
#include <model/element_meshes/convert_surface_into_section_from_attribute.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include <model/common/convert_meshes.h>
#include <model/common/library.h>
#include <model/operations/curve_from_surface_borders.h>
#include <ostrel/basic/attribute.h>
#include <ostrel/basic/logger.h>
#include <ostrel/basic/parallel.h>
#include <ostrel/mesh/surface_mesh_builder.h>

#include "repeated_vertex.h"

namespace veyra {
namespace {

// The cut and the border curve need real positions and polygons whose edges join two distinct
// vertices: an edge from a vertex to itself would enter the curve and leave a line that branches.
// Checked before the mesh is touched.
void check_input_mesh(const SurfaceMesh<2>& mesh) {
  for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
    if (is_finite(mesh.point(vertex))) continue;
    throw VeyraConversionModelException{
        nullptr, OstrelException::TYPE::input, "[convert_surface_into_section_from_attribute] "
        "Vertex ", vertex, " of the input mesh is not at a finite position: [",
        mesh.point(vertex).string(), "]"};
  }
  for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
    if (const auto vertex = detail::repeated_vertex(mesh.polygon_vertices(polygon))) {
      throw VeyraConversionModelException{
          nullptr, OstrelException::TYPE::input, "[convert_surface_into_section_from_attribute] "
          "Polygon ", polygon, " of the input mesh repeats vertex ", *vertex};
    }
  }
}

// Unsets the adjacency of every polygon edge whose neighbour has another value. Each polygon
// writes only its own edges' slots (its neighbour unsets its side when its own turn comes), so
// the chunks share nothing but reads and the result does not depend on the thread count.
void cut_along_value_changes(SurfaceMesh<2>& mesh, const AttributeBase& attribute) {
  const auto nb_polygons = mesh.nb_polygons();
  const auto grain = parallel_chunk_size(nb_polygons);
  // One virtual read per polygon instead of one per polygon edge and side.
  std::vector<float> values(nb_polygons);
  parallel_for_range(nb_polygons, grain, [&](index_t begin, index_t end) {
    for (auto polygon = begin; polygon < end; ++polygon) {
      values[polygon] = attribute.generic_value(polygon);
    }
  });
  auto builder = SurfaceMeshBuilder<2>::create(mesh);
  parallel_for_range(nb_polygons, grain, [&](index_t begin, index_t end) {
    for (auto polygon = begin; polygon < end; ++polygon) {
      const auto value = values[polygon];
      for (local_index_t edge = 0; edge < mesh.nb_polygon_edges(polygon); ++edge) {
        const PolygonEdge polygon_edge{polygon, edge};
        const auto adjacent = mesh.polygon_adjacent(polygon_edge);
        // Written as "not equal" so that a NaN on either side cuts.
        if (adjacent && !(values[*adjacent] == value)) {
          builder->unset_polygon_adjacent(polygon_edge);
        }
      }
    }
  });
}

}  // namespace

std::tuple<Section, ModelMeshesVertexMapping, ModelMeshesElementMapping>
convert_surface_into_section_from_attribute(SurfaceMesh<2>& mesh, std::string_view attribute_name) {
  Logger::log_trace("Converting Surface into Section from attribute");
  const auto attribute = mesh.polygon_attribute_manager().find_generic_attribute(attribute_name);
  if (!attribute) {
    throw VeyraConversionModelException{
        nullptr, OstrelException::TYPE::input,
        "[convert_surface_into_section_from_attribute] Attribute not found."};
  }
  check_input_mesh(mesh);
  cut_along_value_changes(mesh, *attribute);
  const auto borders = curve_from_surface_borders(mesh);
  const std::vector<std::reference_wrapper<const EdgedCurve<2>>> curves{*borders};
  const std::vector<std::reference_wrapper<const SurfaceMesh<2>>> surfaces{mesh};
  auto [section, mappings] = convert_meshes_into_section({}, curves, surfaces);
  return {std::move(section), std::move(mappings.mesh_vertices), std::move(mappings.mesh_elements)};
}

}  // namespace veyra
