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

/// The old entries of a table that hold a split vertex, with their vertices, read before the
/// table is compacted.
template <typename Vertices>
struct TouchedEntries {
  std::vector<index_t> ids;
  std::vector<Vertices> vertices;
};

/// Maps each old entry to the present entries on its vertices or their copies. An entry without
/// split vertex kept its polyhedra, so it simply went where the compaction `old2new` put it (or
/// nowhere when it was already unused); the others are looked up by `find` in the final table.
template <typename Vertices, typename Find>
GenericMapping<index_t> map_entries(index_t nb_old_entries, const TouchedEntries<Vertices>& touched,
                                    absl::Span<const index_t> old2new, Find&& find,
                                    const GenericMapping<index_t>& copies) {
  GenericMapping<index_t> mapping;
  mapping.reserve(nb_old_entries);
  absl::InlinedVector<index_t, 8> found;
  std::size_t next_touched = 0;
  for (index_t entry = 0; entry < nb_old_entries; ++entry) {
    if (next_touched == touched.ids.size() || touched.ids[next_touched] != entry) {
      if (old2new[entry] != NO_ID) mapping.map(entry, old2new[entry]);
      continue;
    }
    found.clear();
    for_each_copy_combination(touched.vertices[next_touched++], copies,
                              [&](absl::Span<const index_t> combination) {
                                if (const auto present = find(combination)) {
                                  found.push_back(*present);
                                }
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
    // Old entries holding a split vertex are read before the compaction renumbers the tables,
    // then matched in the final tables.
    std::vector<bool> is_split(nb_vertices, false);
    for (const auto& [vertex, unused] : copies.in2out_map()) is_split[vertex] = true;
    const auto any_split = [&is_split](const auto& vertices) {
      return std::any_of(vertices.begin(), vertices.end(),
                         [&is_split](index_t vertex) { return is_split[vertex]; });
    };
    if (solid_.are_edges_enabled()) {
      TouchedEntries<std::array<index_t, 2>> touched;
      for (index_t edge = 0; edge < nb_edges; ++edge) {
        const auto vertices = solid_.edges().edge_vertices(edge);
        if (!any_split(vertices)) continue;
        touched.ids.push_back(edge);
        touched.vertices.push_back(vertices);
      }
      const auto old2new = builder_.delete_isolated_edges();
      mappings.edges = map_entries(
          nb_edges, touched, old2new,
          [&](absl::Span<const index_t> pair) {
            return solid_.edges().edge_from_vertices({pair[0], pair[1]});
          },
          copies);
    }
    if (solid_.are_facets_enabled()) {
      TouchedEntries<PolyhedronFacetVertices> touched;
      for (index_t facet = 0; facet < nb_facets; ++facet) {
        auto vertices = solid_.facets().facet_vertices(facet);
        if (!any_split(vertices)) continue;
        touched.ids.push_back(facet);
        touched.vertices.push_back(std::move(vertices));
      }
      const auto old2new = builder_.delete_isolated_facets();
      mappings.facets = map_entries(
          nb_facets, touched, old2new,
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
