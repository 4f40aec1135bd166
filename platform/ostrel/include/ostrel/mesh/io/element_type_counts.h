// SPDX-License-Identifier: MIT
// element_type_counts: how many elements of each type a mesh holds, by the type names the
// exchange formats use, for summaries such as `veyra info`.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include <ostrel/mesh/io/loaded_mesh.h>

namespace veyra {

/// (type, count) pairs in the order "edge"; "triangle", "quadrangle", "polygon";
/// "tetrahedron", "hexahedron", "prism", "pyramid", "polyhedron", leaving out types without
/// elements. A polyhedron counts as a hexahedron, prism or pyramid when its facets are those
/// of the cell (in the Gmsh vertex order); point sets have no elements.
using ElementTypeCounts = std::vector<std::pair<std::string_view, index_t>>;

template <index_t D>
ElementTypeCounts element_type_counts(const PointSet<D>& mesh);
template <index_t D>
ElementTypeCounts element_type_counts(const EdgedCurve<D>& mesh);
template <index_t D>
ElementTypeCounts element_type_counts(const SurfaceMesh<D>& mesh);
ElementTypeCounts element_type_counts(const SolidMesh<3>& mesh);
ElementTypeCounts element_type_counts(const LoadedMesh& mesh);

}  // namespace veyra
