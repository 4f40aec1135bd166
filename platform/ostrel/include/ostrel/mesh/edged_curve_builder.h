// SPDX-License-Identifier: MIT
// EdgedCurveBuilder<D>: creates, moves and deletes the vertices and edges of an EdgedCurve<D>,
// keeping each vertex's edge ends in attachment order.
#pragma once

#include <memory>
#include <vector>

#include <ostrel/mesh/edged_curve.h>

namespace veyra {

template <index_t D>
class EdgedCurveBuilder : public GeometricMeshBuilder<D> {
 public:
  explicit EdgedCurveBuilder(EdgedCurve<D>& mesh);

  static std::unique_ptr<EdgedCurveBuilder> create(EdgedCurve<D>& mesh);

  /// An edge whose ends are both NO_ID; set them with set_edge_vertex.
  index_t create_edge();
  /// \throw OstrelMeshException (input) when a vertex does not exist.
  index_t create_edge(index_t vertex0, index_t vertex1);
  /// Moves an edge end to `vertex` (see EdgedCurve::edges_around_vertex for the order).
  /// \throw OstrelMeshException (input) when the end or the vertex does not exist.
  void set_edge_vertex(const EdgeVertex& edge_vertex, index_t vertex);
  /// Removes the flagged edges and their attribute values; returns old-to-new. Vertices stay.
  std::vector<index_t> delete_edges(const std::vector<bool>& to_delete);
  /// Removes the vertices no edge uses; returns old-to-new.
  std::vector<index_t> delete_isolated_vertices();

 private:
  EdgedCurve<D>& curve_;
};

using EdgedCurveBuilder2D = EdgedCurveBuilder<2>;
using EdgedCurveBuilder3D = EdgedCurveBuilder<3>;

}  // namespace veyra
