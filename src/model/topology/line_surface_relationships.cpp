// SPDX-License-Identifier: MIT
#include <model/topology/line_surface_relationships.h>

#include <algorithm>
#include <optional>

#include <absl/container/flat_hash_set.h>
#include <absl/container/inlined_vector.h>

#include <ostrel/model/brep.h>
#include <ostrel/model/component_mesh_edges.h>
#include <ostrel/model/section.h>
#include <model/common/library.h>

#include "unique_edge_line.h"

namespace veyra::detail {
namespace {

// Line lists of one surface, without repeats, in first-seen order. Consecutive polygon edges
// mostly lie on the same line, so the last added line is checked before the list is searched;
// a long list (a surface bounded by many lines) is searched through a hash set.
class LineList {
 public:
  void add(const uuid& line) {
    if (!lines_.empty() && lines_.back() == line) return;
    if (contains(line)) return;
    lines_.push_back(line);
    if (!index_.empty()) {
      index_.insert(line);
    } else if (lines_.size() > nb_lines_without_index) {
      index_.insert(lines_.begin(), lines_.end());
    }
  }
  bool contains(const uuid& line) const {
    if (!index_.empty()) return index_.contains(line);
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
  }
  const absl::InlinedVector<uuid, 10>& lines() const { return lines_; }

 private:
  static constexpr std::size_t nb_lines_without_index = 16;

  absl::InlinedVector<uuid, 10> lines_;
  absl::flat_hash_set<uuid> index_;
};

}  // namespace

template <typename Model>
void add_line_surface_relationships(const Model& model, typename Model::Builder& builder,
                                    const CornersLinesBuilder<Model>& corners_lines,
                                    const uuid& surface_id, PolygonCornersLookup lookup) {
  const auto& surface = model.surface(surface_id);
  const auto& mesh = surface.mesh();
  const auto tied = model.component_unique_vertices(surface_id);
  const auto unique_vertex = [&](index_t vertex) {
    return vertex < tied.size() ? tied[vertex] : NO_ID;
  };

  LineList internal;
  LineList boundary;
  std::vector<PolygonVertex> corners;
  for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
    const auto vertices = mesh.polygon_vertices(polygon);
    const auto nb_vertices = static_cast<local_index_t>(vertices.size());
    for (local_index_t edge = 0; edge < nb_vertices; ++edge) {
      const std::array<index_t, 2> ends{unique_vertex(vertices[edge]),
                                        unique_vertex(vertices[(edge + 1) % nb_vertices])};
      const auto line = unique_edge_line(corners_lines, ends);
      if (!line) continue;
      if (mesh.polygon_adjacent({polygon, edge})) {
        internal.add(*line);
        continue;
      }
      lookup(ends[0], corners);
      const auto second_vertices = model.component_mesh_vertices(ends[1], surface_id);
      index_t nb_incident_edges = 0;
      for (const auto& corner : corners) {
        for (const auto vertex : second_vertices) {
          if (mesh.vertex_in_polygon(corner.polygon_id, vertex)) ++nb_incident_edges;
        }
      }
      if (nb_incident_edges == 0) {
        throw VeyraConversionModelException{
            nullptr, OstrelException::TYPE::internal,
            "[ModelBuilderFromUniqueVertices::add_line_surface_relationships] Number of incident "
            "polygon edges should not be equal to 0"};
      }
      if (nb_incident_edges == 1) {
        boundary.add(*line);
      } else {
        internal.add(*line);
      }
    }
  }

  // The model-order search for the line found on both sides only runs when there is one.
  const auto on_both_sides = std::any_of(internal.lines().begin(), internal.lines().end(),
                                         [&](const uuid& line) { return boundary.contains(line); });
  for (const auto& line : model.lines()) {
    if (!on_both_sides) break;
    if (!internal.contains(line.id()) || !boundary.contains(line.id())) continue;
    save_model_for_diagnosis(model, "error");
    throw_model_exception_at(
        line.mesh().point(0), OstrelException::TYPE::internal,
        "[ModelBuilderFromUniqueVertices::add_line_surface_relationships] Line with id ",
        line.id().string(), " has evidence of being both internal and boundary of a surface.");
  }
  for (const auto& line_id : internal.lines()) {
    const auto& line = model.line(line_id);
    if (!model.is_internal(line, surface)) {
      builder.add_line_surface_internal_relationship(line, surface);
    }
  }
  for (const auto& line_id : boundary.lines()) {
    const auto& line = model.line(line_id);
    if (!model.is_boundary(line, surface)) {
      builder.add_line_surface_boundary_relationship(line, surface);
    }
  }
}

template <typename Model>
void add_line_surface_relationships(const Model& model, typename Model::Builder& builder,
                                    const CornersLinesBuilder<Model>& corners_lines,
                                    const uuid& surface_id) {
  const auto& mesh = model.surface(surface_id).mesh();
  add_line_surface_relationships(
      model, builder, corners_lines, surface_id,
      [&](index_t unique_vertex, std::vector<PolygonVertex>& corners) {
        corners.clear();
        for (const auto vertex : model.component_mesh_vertices(unique_vertex, surface_id)) {
          for (const auto& corner : mesh.polygons_around_vertex(vertex)) {
            if (std::find(corners.begin(), corners.end(), corner) == corners.end()) {
              corners.push_back(corner);
            }
          }
        }
      });
}

template <typename Model>
void transfer_line_surface_relationships(const Model& model, typename Model::Builder& builder,
                                         const uuid& new_surface_id,
                                         absl::Span<const uuid> old_surfaces) {
  std::vector<uuid> lines;
  const auto collect = [&lines](const auto& range) {
    for (const auto& line : range) {
      if (std::find(lines.begin(), lines.end(), line.id()) == lines.end()) {
        lines.push_back(line.id());
      }
    }
  };
  for (const auto& old_id : old_surfaces) {
    const auto& old_surface = model.surface(old_id);
    collect(model.boundaries(old_surface));
    collect(model.internal_lines(old_surface));
  }

  const auto& new_surface = model.surface(new_surface_id);
  const auto& mesh = new_surface.mesh();
  for (const auto& line_id : lines) {
    const auto& line = model.line(line_id);
    const auto edges =
        surface_component_mesh_edges(model, new_surface, edge_unique_vertices(model, line, 0));
    if (edges.empty()) {
      throw_model_exception_at(line.mesh().edge_barycenter(0), OstrelException::TYPE::internal,
                               "[ModelBuilderFromUniqueVertices::transfer_line_surface_"
                               "relationships] One or more polygon edges should be on the line");
    }
    if (edges.size() == 1 && mesh.is_edge_on_border(edges.front())) {
      if (!model.is_boundary(line, new_surface)) {
        builder.add_line_surface_boundary_relationship(line, new_surface);
      }
    } else if (!model.is_internal(line, new_surface)) {
      builder.add_line_surface_internal_relationship(line, new_surface);
    }
  }
}

template void add_line_surface_relationships(const Section&, SectionBuilder&,
                                             const CornersLinesBuilder<Section>&, const uuid&,
                                             PolygonCornersLookup);
template void add_line_surface_relationships(const BRep&, BRepBuilder&,
                                             const CornersLinesBuilder<BRep>&, const uuid&,
                                             PolygonCornersLookup);
template void add_line_surface_relationships(const Section&, SectionBuilder&,
                                             const CornersLinesBuilder<Section>&, const uuid&);
template void add_line_surface_relationships(const BRep&, BRepBuilder&,
                                             const CornersLinesBuilder<BRep>&, const uuid&);
template void transfer_line_surface_relationships(const Section&, SectionBuilder&, const uuid&,
                                                  absl::Span<const uuid>);
template void transfer_line_surface_relationships(const BRep&, BRepBuilder&, const uuid&,
                                                  absl::Span<const uuid>);

}  // namespace veyra::detail
