// SPDX-License-Identifier: MIT
#include <absl/container/inlined_vector.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/repair_non_manifold_vertices.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/model/split_along_solid_facets.h>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace veyra {
namespace {

using Copies = absl::InlinedVector<index_t, 2>;

/// Each vertex of `vertices` replaced in turn by itself and each of its copies; calls
/// visit(combination) for every combination.
template <typename Visit>
void for_each_copy_combination(absl::Span<const index_t> vertices,
                               const GenericMapping<index_t>& copies, Visit&& visit) {
  absl::InlinedVector<Copies, 4> choices;
  for (const auto vertex : vertices) {
    Copies choice{vertex};
    if (copies.has_mapping_input(vertex)) {
      const auto& values = copies.in2out(vertex);
      choice.insert(choice.end(), values.begin(), values.end());
    }
    choices.push_back(std::move(choice));
  }
  absl::InlinedVector<index_t, 4> combination(vertices.size());
  absl::InlinedVector<index_t, 4> position(vertices.size(), 0);
  while (true) {
    for (std::size_t k = 0; k < vertices.size(); ++k) combination[k] = choices[k][position[k]];
    visit(absl::MakeConstSpan(combination));
    std::size_t k = 0;
    while (k < vertices.size() && ++position[k] == choices[k].size()) position[k++] = 0;
    if (k == vertices.size()) return;
  }
}

/// Maps each old entry to the present entries on its vertices or their copies; `find` looks an
/// entry up by its vertices in the final table.
template <typename VerticesOf, typename Find>
GenericMapping<index_t> map_entries(index_t nb_old_entries, VerticesOf&& vertices_of, Find&& find,
                                    const GenericMapping<index_t>& copies) {
  GenericMapping<index_t> mapping;
  mapping.reserve(nb_old_entries);
  absl::InlinedVector<index_t, 8> found;
  for (index_t entry = 0; entry < nb_old_entries; ++entry) {
    found.clear();
    const auto vertices = vertices_of(entry);
    for_each_copy_combination(vertices, copies, [&](absl::Span<const index_t> combination) {
      if (const auto present = find(combination)) found.push_back(*present);
    });
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    for (const auto value : found) mapping.map(entry, value);
  }
  return mapping;
}

}  // namespace

class SplitAlongSolidFacets::Impl {
 public:
  Impl(const SolidMesh<3>& solid, SolidMeshBuilder<3>& builder)
      : solid_(solid), builder_(builder) {}

  SolidMeshSplitMappings split(absl::Span<const PolyhedronFacet> facets) {
    check(facets);
    const auto nb_vertices = solid_.nb_vertices();
    const auto nb_edges = solid_.are_edges_enabled() ? solid_.edges().nb_edges() : 0;
    const auto nb_facets = solid_.are_facets_enabled() ? solid_.facets().nb_facets() : 0;

    std::vector<index_t> cut_vertices;
    for (const auto& facet : facets) {
      const auto opposite = solid_.polyhedron_adjacent_facet(facet);
      builder_.unset_polyhedron_adjacent(facet);
      if (opposite) builder_.unset_polyhedron_adjacent(*opposite);
      for (const auto vertex : solid_.polyhedron_facet_vertices(facet)) {
        cut_vertices.push_back(vertex);
      }
    }
    const auto copies = repair_non_manifold_vertices(solid_, builder_, cut_vertices);

    SolidMeshSplitMappings mappings;
    mappings.vertices.reserve(nb_vertices);
    for (index_t vertex = 0; vertex < nb_vertices; ++vertex) {
      mappings.vertices.map(vertex, vertex);
      if (!copies.has_mapping_input(vertex)) continue;
      for (const auto copy : copies.in2out(vertex)) mappings.vertices.map(vertex, copy);
    }
    mappings.polyhedra.reserve(solid_.nb_polyhedra());
    for (index_t polyhedron = 0; polyhedron < solid_.nb_polyhedra(); ++polyhedron) {
      mappings.polyhedra.map(polyhedron, polyhedron);
    }
    // Old entries are read before the compaction renumbers the tables, then matched in the
    // final tables.
    if (solid_.are_edges_enabled()) {
      std::vector<std::array<index_t, 2>> old_edges(nb_edges);
      for (index_t edge = 0; edge < nb_edges; ++edge) {
        old_edges[edge] = solid_.edges().edge_vertices(edge);
      }
      builder_.delete_isolated_edges();
      mappings.edges = map_entries(
          nb_edges, [&](index_t edge) { return absl::MakeConstSpan(old_edges[edge]); },
          [&](absl::Span<const index_t> pair) {
            return solid_.edges().edge_from_vertices({pair[0], pair[1]});
          },
          copies);
    }
    if (solid_.are_facets_enabled()) {
      std::vector<PolyhedronFacetVertices> old_facets(nb_facets);
      for (index_t facet = 0; facet < nb_facets; ++facet) {
        old_facets[facet] = solid_.facets().facet_vertices(facet);
      }
      builder_.delete_isolated_facets();
      mappings.facets = map_entries(
          nb_facets, [&](index_t facet) { return absl::MakeConstSpan(old_facets[facet]); },
          [&](absl::Span<const index_t> vertices) {
            return solid_.facets().facet_from_vertices(vertices);
          },
          copies);
    }
    return mappings;
  }

 private:
  void check(absl::Span<const PolyhedronFacet> facets) const {
    for (const auto& facet : facets) {
      OSTREL_INPUT_CHECK(
          OstrelModelException,
          facet.polyhedron_id < solid_.nb_polyhedra() &&
              facet.facet_id < solid_.nb_polyhedron_facets(facet.polyhedron_id),
          "[SplitAlongSolidFacets::split_solid_along_facets] Unknown polyhedron facet ",
          facet.string());
    }
  }

  const SolidMesh<3>& solid_;
  SolidMeshBuilder<3>& builder_;
};

SplitAlongSolidFacets::SplitAlongSolidFacets(const SolidMesh<3>& solid,
                                             SolidMeshBuilder<3>& builder)
    : impl_(std::make_unique<Impl>(solid, builder)) {}

SplitAlongSolidFacets::~SplitAlongSolidFacets() = default;

SolidMeshSplitMappings SplitAlongSolidFacets::split_solid_along_facets(
    absl::Span<const PolyhedronFacet> facets) {
  return impl_->split(facets);
}

}  // namespace veyra
