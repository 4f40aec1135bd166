// SPDX-License-Identifier: MIT
#include <ostrel/mesh/io/element_type_counts.h>

#include <array>

#include "cell_shapes.h"

namespace veyra {
namespace {

template <std::size_t N>
ElementTypeCounts non_zero(const std::array<std::string_view, N>& names,
                           const std::array<index_t, N>& counts) {
  ElementTypeCounts result;
  for (std::size_t i = 0; i < N; ++i) {
    if (counts[i] > 0) result.emplace_back(names[i], counts[i]);
  }
  return result;
}

}  // namespace

template <index_t D>
ElementTypeCounts element_type_counts(const PointSet<D>& /*mesh*/) {
  return {};
}

template <index_t D>
ElementTypeCounts element_type_counts(const EdgedCurve<D>& mesh) {
  return non_zero<1>({"edge"}, {mesh.nb_edges()});
}

template <index_t D>
ElementTypeCounts element_type_counts(const SurfaceMesh<D>& mesh) {
  std::array<index_t, 3> counts{};
  for (index_t p = 0; p < mesh.nb_polygons(); ++p) {
    const auto size = mesh.nb_polygon_vertices(p);
    counts[size == 3 ? 0 : (size == 4 ? 1 : 2)]++;
  }
  return non_zero<3>({"triangle", "quadrangle", "polygon"}, counts);
}

ElementTypeCounts element_type_counts(const SolidMesh<3>& mesh) {
  std::array<index_t, 5> counts{};
  for (const auto kind : internal::polyhedron_kinds(mesh)) {
    switch (kind) {
      case internal::CellKind::tetrahedron:
        counts[0]++;
        break;
      case internal::CellKind::hexahedron:
        counts[1]++;
        break;
      case internal::CellKind::prism:
        counts[2]++;
        break;
      case internal::CellKind::pyramid:
        counts[3]++;
        break;
      default:
        counts[4]++;
    }
  }
  return non_zero<5>({"tetrahedron", "hexahedron", "prism", "pyramid", "polyhedron"}, counts);
}

ElementTypeCounts element_type_counts(const LoadedMesh& mesh) {
  return mesh.visit([](const auto& typed) { return element_type_counts(typed); });
}

template ElementTypeCounts element_type_counts(const PointSet<2>&);
template ElementTypeCounts element_type_counts(const PointSet<3>&);
template ElementTypeCounts element_type_counts(const EdgedCurve<2>&);
template ElementTypeCounts element_type_counts(const EdgedCurve<3>&);
template ElementTypeCounts element_type_counts(const SurfaceMesh<2>&);
template ElementTypeCounts element_type_counts(const SurfaceMesh<3>&);

}  // namespace veyra
