// SPDX-License-Identifier: MIT
#include "cell_shapes.h"

#include <algorithm>
#include <array>

#include <cstdint>

#include <ostrel/mesh/tetrahedral_solid.h>

namespace veyra::internal {
namespace {

using Facets = std::vector<std::vector<local_index_t>>;
/// Facet vertex sets of a fixed cell (at most 6), each packed into one key (positions sorted, one
/// byte each, unused bytes 0xff), the keys sorted; unused keys are all ones.
using SortedFacets = std::array<std::uint32_t, 6>;
constexpr std::uint32_t no_facet = 0xffffffff;

std::uint32_t facet_key(std::array<local_index_t, 4> positions, std::size_t size) {
  std::fill(positions.begin() + static_cast<long>(size), positions.end(), NO_LID);
  std::sort(positions.begin(), positions.end());
  std::uint32_t key = 0;
  for (const auto position : positions) key = (key << 8) | position;
  return key;
}

const Facets tetrahedron_facets{{1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}};
const Facets hexahedron_facets{{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                               {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
const Facets prism_facets{{0, 2, 1}, {3, 4, 5}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}};
const Facets pyramid_facets{{0, 3, 2, 1}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}};
const Facets no_facets{};

SortedFacets sorted(const Facets& facets) {
  SortedFacets result;
  result.fill(no_facet);
  for (std::size_t f = 0; f < facets.size(); ++f) {
    std::array<local_index_t, 4> positions{};
    std::copy(facets[f].begin(), facets[f].end(), positions.begin());
    result[f] = facet_key(positions, facets[f].size());
  }
  std::sort(result.begin(), result.end());
  return result;
}

struct Shape {
  CellKind kind;
  local_index_t nb_vertices;
  std::size_t nb_facets;
  SortedFacets facets;
};

const std::array<Shape, 4>& shapes() {
  static const std::array<Shape, 4> all{{
      {CellKind::tetrahedron, 4, 4, sorted(tetrahedron_facets)},
      {CellKind::hexahedron, 8, 6, sorted(hexahedron_facets)},
      {CellKind::prism, 6, 5, sorted(prism_facets)},
      {CellKind::pyramid, 5, 5, sorted(pyramid_facets)},
  }};
  return all;
}

/// The kind of a polyhedron of a solid that may hold polyhedra of any shape.
CellKind general_polyhedron_kind(const SolidMesh<3>& mesh, index_t polyhedron) {
  const auto nb_vertices = mesh.nb_polyhedron_vertices(polyhedron);
  const auto nb_facets = mesh.nb_polyhedron_facets(polyhedron);
  for (const auto& shape : shapes()) {
    if (shape.nb_vertices != nb_vertices || shape.nb_facets != nb_facets) continue;
    SortedFacets facets;
    facets.fill(no_facet);
    for (local_index_t f = 0; f < nb_facets; ++f) {
      const PolyhedronFacet facet{polyhedron, f};
      const auto size = mesh.nb_polyhedron_facet_vertices(facet);
      if (size > 4) return CellKind::polyhedron;
      std::array<local_index_t, 4> positions{};
      for (local_index_t v = 0; v < size; ++v) {
        positions[v] = mesh.polyhedron_facet_vertex_id({facet, v}).vertex_id;
      }
      facets[f] = facet_key(positions, size);
    }
    std::sort(facets.begin(), facets.end());
    return facets == shape.facets ? shape.kind : CellKind::polyhedron;
  }
  return CellKind::polyhedron;
}

}  // namespace

CellKind polyhedron_kind(const SolidMesh<3>& mesh, index_t polyhedron) {
  if (dynamic_cast<const TetrahedralSolid<3>*>(&mesh) != nullptr) return CellKind::tetrahedron;
  return general_polyhedron_kind(mesh, polyhedron);
}

std::vector<CellKind> polyhedron_kinds(const SolidMesh<3>& mesh) {
  if (dynamic_cast<const TetrahedralSolid<3>*>(&mesh) != nullptr) {
    return std::vector<CellKind>(mesh.nb_polyhedra(), CellKind::tetrahedron);
  }
  std::vector<CellKind> kinds;
  kinds.reserve(mesh.nb_polyhedra());
  for (index_t p = 0; p < mesh.nb_polyhedra(); ++p) {
    kinds.push_back(general_polyhedron_kind(mesh, p));
  }
  return kinds;
}

const std::vector<std::vector<local_index_t>>& cell_facets(CellKind kind) {
  switch (kind) {
    case CellKind::tetrahedron:
      return tetrahedron_facets;
    case CellKind::hexahedron:
      return hexahedron_facets;
    case CellKind::prism:
      return prism_facets;
    case CellKind::pyramid:
      return pyramid_facets;
    default:
      return no_facets;
  }
}

}  // namespace veyra::internal
