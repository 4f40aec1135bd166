// SPDX-License-Identifier: MIT
// PointSetBuilder<D>: creates, moves and deletes the points of a PointSet<D>.
#pragma once

#include <memory>
#include <vector>

#include <ostrel/mesh/geometric_mesh.h>
#include <ostrel/mesh/point_set.h>

namespace veyra {

template <index_t D>
class PointSetBuilder : public GeometricMeshBuilder<D> {
 public:
  explicit PointSetBuilder(PointSet<D>& mesh);

  /// The builder registered for the mesh's implementation.
  static std::unique_ptr<PointSetBuilder> create(PointSet<D>& mesh);

  /// Removes the flagged vertices; returns old-to-new.
  /// \throw OstrelMeshException (input) when to_delete.size() != nb_vertices().
  std::vector<index_t> delete_vertices(const std::vector<bool>& to_delete);
};

using PointSetBuilder2D = PointSetBuilder<2>;
using PointSetBuilder3D = PointSetBuilder<3>;

}  // namespace veyra
