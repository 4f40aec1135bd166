// SPDX-License-Identifier: MIT
#include <veyra_common/modifier/triangulated_surface_modifier.h>

#include <algorithm>

#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/surface_edges.h>

#include "index_lists.h"
#include "mesh_splits.h"

namespace veyra {

template <index_t D>
class TriangulatedSurfaceModifier<D>::Impl {
 public:
  Impl(TriangulatedSurface<D>& surface, TriangulatedSurfaceBuilder<D>& builder)
      : surface_(surface), builder_(builder) {
    surface_.enable_edges();
  }

  SplitInfo split_edge(const PolygonEdge& edge, const Point<D>& point) {
    OSTREL_INPUT_CHECK(OstrelMeshException,
                       edge.polygon_id < surface_.nb_polygons() &&
                           edge.edge_id < surface_.nb_polygon_edges(edge.polygon_id),
                       "[TriangulatedSurfaceModifier::split_edge] Polygon edge ", edge.string(),
                       " out of range");
    OSTREL_INPUT_CHECK(OstrelMeshException, is_triangle_active(edge.polygon_id),
                       "[TriangulatedSurfaceModifier::split_edge] Triangle ", edge.polygon_id,
                       " was replaced by an earlier split");
    OSTREL_INPUT_CHECK(OstrelMeshException, is_finite(point),
                       "[TriangulatedSurfaceModifier::split_edge] The point ", point.string(),
                       " is not finite");
    std::vector<PolygonEdge> edges{edge};
    if (const auto across = surface_.polygon_adjacent_edge(edge)) {
      if (is_triangle_active(across->polygon_id)) edges.push_back(*across);
    }
    std::sort(edges.begin(), edges.end());
    const auto ends = surface_.polygon_edge_vertices(edge);
    const auto& table = surface_.edges();
    const auto old_edge = table.edge_from_vertices(ends);
    const auto nb_edges = table.nb_edges();

    SplitInfo info;
    info.new_vertex = internal::create_vertex_on_edge<D>(surface_, builder_, ends, point);
    for (const auto& split :
         internal::split_polygon_edges<D>(surface_, builder_, edges, info.new_vertex)) {
      if (split.old_element >= replaced_.size()) {
        replaced_.resize(std::max<std::size_t>(surface_.nb_polygons(), split.old_element + 1),
                         false);
      }
      replaced_[split.old_element] = true;
      for (const auto& piece : split.pieces) {
        info.polygons.emplace_back(piece.element, split.old_element);
      }
    }
    // The two halves of the split edge lie on it; the edges to the opposite corners do not.
    for (auto new_edge = nb_edges; new_edge < table.nb_edges(); ++new_edge) {
      const auto vertices = table.edge_vertices(new_edge);
      const auto other = vertices[0] == info.new_vertex ? vertices[1] : vertices[0];
      index_t parent = NO_ID;
      if (old_edge && internal::contains(ends, other)) {
        parent = *old_edge;
        table.edge_attribute_manager().assign_attribute_value(parent, new_edge);
      }
      info.edges.emplace_back(new_edge, parent);
    }
    return info;
  }

  bool is_triangle_active(index_t polygon) const {
    return polygon >= replaced_.size() || !replaced_[polygon];
  }

  CleanInfo clean() {
    CleanInfo info;
    replaced_.resize(surface_.nb_polygons(), false);
    info.polygons = builder_.delete_polygons(replaced_);
    replaced_.clear();
    info.edges = builder_.delete_isolated_edges();
    info.vertices = internal::identity(surface_.nb_vertices());
    return info;
  }

 private:
  TriangulatedSurface<D>& surface_;
  TriangulatedSurfaceBuilder<D>& builder_;
  /// Triangles replaced since the last clean.
  std::vector<bool> replaced_;
};

template <index_t D>
TriangulatedSurfaceModifier<D>::TriangulatedSurfaceModifier(TriangulatedSurface<D>& surface,
                                                            TriangulatedSurfaceBuilder<D>& builder)
    : impl_{std::make_unique<Impl>(surface, builder)} {}

template <index_t D>
TriangulatedSurfaceModifier<D>::~TriangulatedSurfaceModifier() = default;

template <index_t D>
typename TriangulatedSurfaceModifier<D>::SplitInfo TriangulatedSurfaceModifier<D>::split_edge(
    const PolygonEdge& edge, const Point<D>& point) {
  return impl_->split_edge(edge, point);
}

template <index_t D>
bool TriangulatedSurfaceModifier<D>::is_triangle_active(index_t polygon) const {
  return impl_->is_triangle_active(polygon);
}

template <index_t D>
typename TriangulatedSurfaceModifier<D>::CleanInfo TriangulatedSurfaceModifier<D>::clean() {
  return impl_->clean();
}

template class TriangulatedSurfaceModifier<2>;
template class TriangulatedSurfaceModifier<3>;

}  // namespace veyra
