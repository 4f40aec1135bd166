// SPDX-License-Identifier: MIT
#include <model/element_meshes/element_mapping_maintenance.h>
#include <ostrel/mesh/edged_curve.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/section.h>

namespace veyra::internal {
namespace {

// Maps the first key of (component, replaced element) to every piece that replaced it. Only the
// first key is carried: the caller's keys of one model element are one element of the input.
void record_pieces(IndexToMeshElements& part, const uuid& component, index_t replaced,
                   absl::Span<const index_t> pieces) {
  const MeshElement old_element{component, replaced};
  if (!part.has_mapping_output(old_element)) return;
  const auto key = part.out2in(old_element).front();
  for (const auto piece : pieces) {
    part.map(key, {component, piece});
  }
}

}  // namespace

void record_polygon_splits(IndexToMeshElements& surfaces,
                           const linked_hash_map<uuid, std::vector<PolygonSplit>>& splits) {
  for (const auto& [surface, polygon_splits] : splits) {
    for (const auto& split : polygon_splits) {
      record_pieces(surfaces, surface, split.old_polygon, split.new_polygons);
    }
  }
}

void record_polyhedron_splits(IndexToMeshElements& blocks,
                              const linked_hash_map<uuid, std::vector<PolyhedronSplit>>& splits) {
  for (const auto& [block, polyhedron_splits] : splits) {
    for (const auto& split : polyhedron_splits) {
      record_pieces(blocks, block, split.old_polyhedron, split.new_polyhedra);
    }
  }
}

template <typename Model>
void record_line_edge_splits(IndexToMeshElements& lines, index_t key,
                             const linked_hash_map<uuid, std::vector<LineEdgeSplit>>& splits,
                             const Model& model) {
  if (!lines.has_mapping_input(key)) return;
  for (const auto& [line, edge_splits] : splits) {
    const auto& curve = model.line(line).mesh();
    for (const auto& split : edge_splits) {
      for (const auto& around : curve.edges_around_vertex(split.new_vertex)) {
        lines.map(key, {line, around.edge_id});
      }
    }
  }
}

void apply_clean_renumbering(IndexToMeshElements& part,
                             const linked_hash_map<uuid, ComponentRenumbering>& renumberings) {
  for (const auto& [component, renumbering] : renumberings) {
    const auto& old2new = renumbering.elements;
    IndexToMeshElements moved;
    for (index_t old_index = 0; old_index < old2new.size(); ++old_index) {
      const auto new_index = old2new[old_index];
      if (new_index == old_index) continue;
      const MeshElement old_element{component, old_index};
      if (!part.has_mapping_output(old_element)) continue;
      // The keys are copied out before erase_out invalidates them.
      const auto keys = part.out2in(old_element);
      part.erase_out(old_element);
      if (new_index == NO_ID) continue;
      for (const auto key : keys) {
        moved.map(key, {component, new_index});
      }
    }
    for (const auto& [key, elements] : moved.in2out_map()) {
      for (const auto& element : elements) {
        part.map(key, element);
      }
    }
  }
}

GenericMapping<index_t> vertex_mapping_from_renumbering(
    absl::Span<const index_t> final_unique_vertices) {
  GenericMapping<index_t> mapping;
  mapping.reserve(static_cast<index_t>(final_unique_vertices.size()));
  for (index_t vertex = 0; vertex < final_unique_vertices.size(); ++vertex) {
    if (final_unique_vertices[vertex] == NO_ID) continue;
    mapping.map(vertex, final_unique_vertices[vertex]);
  }
  return mapping;
}

template void record_line_edge_splits<Section>(
    IndexToMeshElements&, index_t, const linked_hash_map<uuid, std::vector<LineEdgeSplit>>&,
    const Section&);
template void record_line_edge_splits<BRep>(
    IndexToMeshElements&, index_t, const linked_hash_map<uuid, std::vector<LineEdgeSplit>>&,
    const BRep&);

}  // namespace veyra::internal
