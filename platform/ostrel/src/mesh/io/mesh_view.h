// SPDX-License-Identifier: MIT
// MeshView: a mesh of any kind flattened for the writers: 3D coordinates (z = 0 in 2D), the
// elements as kinds and vertex lists, and the attribute managers of vertices and elements.
// DataArrays: the genericable attributes of a manager as typed arrays.
#pragma once

#include <optional>
#include <vector>

#include <ostrel/basic/attribute_manager.h>
#include <ostrel/mesh/io/loaded_mesh.h>

#include "raw_mesh.h"

namespace veyra::internal {

struct MeshView {
  const VertexSet* mesh{nullptr};
  /// 0 for point sets, 1 for curves, 2 for surfaces, 3 for solids.
  index_t element_dimension{0};
  std::vector<double> coordinates;
  std::vector<CellKind> element_kinds;
  /// Element e uses element_vertices[element_ends[e - 1], element_ends[e]) (from 0 for e = 0).
  std::vector<index_t> element_ends;
  std::vector<index_t> element_vertices;
  /// Facets of the elements of kind polyhedron, in element order: for each, its facet count,
  /// then each facet's vertex count and mesh vertices.
  std::vector<index_t> polyhedron_faces;
  const AttributeManager* element_attributes{nullptr};

  index_t nb_vertices() const { return static_cast<index_t>(coordinates.size() / 3); }
  index_t nb_elements() const { return static_cast<index_t>(element_kinds.size()); }
  absl::Span<const index_t> element(index_t e) const {
    const auto begin = e == 0 ? 0 : element_ends[e - 1];
    return absl::MakeConstSpan(element_vertices).subspan(begin, element_ends[e] - begin);
  }
};

template <index_t D>
MeshView make_mesh_view(const PointSet<D>& mesh);
template <index_t D>
MeshView make_mesh_view(const EdgedCurve<D>& mesh);
template <index_t D>
MeshView make_mesh_view(const SurfaceMesh<D>& mesh);
/// Polyhedra that are fixed cells (cell_shapes.h) keep their vertex order as the cell's.
MeshView make_mesh_view(const SolidMesh<3>& mesh);

/// The attribute's values as a typed array: arithmetic types keep their type (bool as uint8,
/// char as int8, long long as int64), std::array<T, N> of them becomes N components, and other
/// genericable types give their float items. Empty for attributes that are not genericable.
std::optional<DataArray> attribute_data_array(const AttributeBase& attribute,
                                              index_t nb_elements);

/// attribute_data_array of every attribute of the manager, in name order.
std::vector<DataArray> attribute_data_arrays(const AttributeManager& manager);

}  // namespace veyra::internal
