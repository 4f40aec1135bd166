// SPDX-License-Identifier: MIT
#include <veyra_common/modifier/tetrahedral_solid_modifier.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/basic/parallel.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>

#include "index_lists.h"
#include "mesh_splits.h"

namespace veyra {
namespace {

/// Marks an entry as used; several threads may mark the same entry.
void mark(std::vector<std::uint8_t>& used, index_t entry) {
  std::atomic_ref<std::uint8_t>{used[entry]}.store(1, std::memory_order_relaxed);
}

}  // namespace

class TetrahedralSolidModifier::Impl {
 public:
  Impl(TetrahedralSolid<3>& solid, TetrahedralSolidBuilder<3>& builder)
      : solid_(solid), builder_(builder) {
    solid_.enable_edges();
    solid_.enable_facets();
  }

  SplitInfo split_edge(index_t edge, const Point<3>& point) {
    const auto& edges = solid_.edges();
    OSTREL_INPUT_CHECK(OstrelMeshException, edge < edges.nb_edges(),
                       "[TetrahedralSolidModifier::split_edge] Edge ", edge, " out of range (",
                       edges.nb_edges(), " edges)");
    check_point(point, "split_edge");
    const auto ends = edges.edge_vertices(edge);
    std::vector<index_t> tetrahedra;
    for (const auto tetrahedron : solid_.polyhedra_around_edge(ends)) {
      if (is_polyhedron_active(tetrahedron)) tetrahedra.push_back(tetrahedron);
    }
    const auto nb_facets = solid_.facets().nb_facets();
    const auto nb_edges = edges.nb_edges();
    SplitInfo info;
    info.new_vertex = internal::create_vertex_on_edge<3>(solid_, builder_, ends, point);
    record_pieces(
        internal::split_tetrahedra_on_edge(solid_, builder_, tetrahedra, ends, info.new_vertex),
        info);
    const auto is_end = [&ends](index_t vertex) { return vertex == ends[0] || vertex == ends[1]; };
    // A new facet holding one end of the edge is half of the facet through the whole edge; the
    // others cut through a tetrahedron.
    record_new_facets(nb_facets, info, [&](absl::Span<const index_t> others) -> index_t {
      const auto on_end = std::find_if(others.begin(), others.end(), is_end);
      if (on_end == others.end()) return NO_ID;
      const auto third = *on_end == others[0] ? others[1] : others[0];
      const auto parent = solid_.facets().facet_from_vertices({ends[0], ends[1], third});
      return parent.value_or(NO_ID);
    });
    record_new_edges(nb_edges, info,
                     [&](index_t other) { return is_end(other) ? edge : NO_ID; });
    return info;
  }

  SplitInfo split_facet(index_t facet, const Point<3>& point) {
    const auto& facets = solid_.facets();
    OSTREL_INPUT_CHECK(OstrelMeshException, facet < facets.nb_facets(),
                       "[TetrahedralSolidModifier::split_facet] Facet ", facet, " out of range (",
                       facets.nb_facets(), " facets)");
    const auto corners = facets.facet_vertices(facet);
    OSTREL_INPUT_CHECK(OstrelMeshException, corners.size() == 3,
                       "[TetrahedralSolidModifier::split_facet] Facet ", facet,
                       " is not a triangle");
    check_point(point, "split_facet");
    const std::array<index_t, 3> triangle{corners[0], corners[1], corners[2]};
    std::vector<index_t> tetrahedra;
    for (const auto tetrahedron : solid_.polyhedra_around_edge({triangle[0], triangle[1]})) {
      if (is_polyhedron_active(tetrahedron) &&
          solid_.vertex_in_polyhedron(tetrahedron, triangle[2])) {
        tetrahedra.push_back(tetrahedron);
      }
    }
    const auto nb_facets = facets.nb_facets();
    const auto nb_edges = solid_.edges().nb_edges();
    SplitInfo info;
    info.new_vertex = internal::create_vertex_in_triangle<3>(solid_, builder_, triangle, point);
    record_pieces(internal::split_tetrahedra_on_facet(solid_, builder_, tetrahedra, triangle,
                                                      info.new_vertex),
                  info);
    const auto on_facet = [&triangle](index_t vertex) {
      return internal::contains(triangle, vertex);
    };
    record_new_facets(nb_facets, info, [&](absl::Span<const index_t> others) {
      return std::all_of(others.begin(), others.end(), on_facet) ? facet : NO_ID;
    });
    // Every new edge crosses the facet or a tetrahedron: none lies on an old edge.
    record_new_edges(nb_edges, info, [](index_t) { return NO_ID; });
    return info;
  }

  bool is_polyhedron_active(index_t polyhedron) const {
    return polyhedron >= replaced_.size() || !replaced_[polyhedron];
  }

  CleanInfo clean() {
    CleanInfo info;
    replaced_.resize(solid_.nb_polyhedra(), false);
    info.polyhedra = builder_.delete_polyhedra(replaced_);
    replaced_.clear();
    info.vertices = internal::identity(solid_.nb_vertices());
    mark_used_entries(info);
    return info;
  }

 private:
  void check_point(const Point<3>& point, std::string_view function) const {
    OSTREL_INPUT_CHECK(OstrelMeshException, is_finite(point), "[TetrahedralSolidModifier::",
                       function, "] The point ", point.string(), " is not finite");
  }

  void record_pieces(const std::vector<internal::ElementPieces>& splits, SplitInfo& info) {
    for (const auto& split : splits) {
      if (split.old_element >= replaced_.size()) {
        replaced_.resize(std::max<std::size_t>(solid_.nb_polyhedra(), split.old_element + 1),
                         false);
      }
      replaced_[split.old_element] = true;
      for (const auto& piece : split.pieces) {
        info.polyhedra.emplace_back(piece.element, split.old_element);
      }
    }
  }

  /// Lists the facet entries appended since `first`, with parent(the entry's vertices other
  /// than the new one), and copies the parent's attribute values.
  template <typename Parent>
  void record_new_facets(index_t first, SplitInfo& info, Parent&& parent) {
    const auto& facets = solid_.facets();
    for (auto facet = first; facet < facets.nb_facets(); ++facet) {
      absl::InlinedVector<index_t, 3> others;
      for (const auto vertex : facets.facet_vertices(facet)) {
        if (vertex != info.new_vertex) others.push_back(vertex);
      }
      const index_t origin = others.size() == 2 ? parent(others) : NO_ID;
      if (origin != NO_ID) facets.facet_attribute_manager().assign_attribute_value(origin, facet);
      info.facets.emplace_back(facet, origin);
    }
  }

  /// The same for the edge entries, parent(the end other than the new vertex).
  template <typename Parent>
  void record_new_edges(index_t first, SplitInfo& info, Parent&& parent) {
    const auto& edges = solid_.edges();
    for (auto edge = first; edge < edges.nb_edges(); ++edge) {
      const auto ends = edges.edge_vertices(edge);
      const auto other = ends[0] == info.new_vertex ? ends[1] : ends[0];
      const auto origin = parent(other);
      if (origin != NO_ID) edges.edge_attribute_manager().assign_attribute_value(origin, edge);
      info.edges.emplace_back(edge, origin);
    }
  }

  /// Entries of the edge and facet tables that a remaining tetrahedron uses keep their id; the
  /// others are reported NO_ID. Table lookups are read-only, so the tetrahedra are scanned in
  /// parallel.
  void mark_used_entries(CleanInfo& info) const {
    const auto& edges = solid_.edges();
    const auto& facets = solid_.facets();
    std::vector<std::uint8_t> used_edges(edges.nb_edges(), 0);
    std::vector<std::uint8_t> used_facets(facets.nb_facets(), 0);
    parallel_for_range(solid_.nb_polyhedra(), 4096, [&](index_t begin, index_t end) {
      for (auto tetrahedron = begin; tetrahedron < end; ++tetrahedron) {
        const auto vertices = solid_.polyhedron_vertices(tetrahedron);
        for (local_index_t v0 = 0; v0 < 4; ++v0) {
          for (auto v1 = static_cast<local_index_t>(v0 + 1); v1 < 4; ++v1) {
            if (const auto edge = edges.edge_from_vertices({vertices[v0], vertices[v1]})) {
              mark(used_edges, *edge);
            }
          }
          const std::array<index_t, 3> opposite{vertices[(v0 + 1) % 4], vertices[(v0 + 2) % 4],
                                                vertices[(v0 + 3) % 4]};
          if (const auto facet = facets.facet_from_vertices(opposite)) mark(used_facets, *facet);
        }
      }
    });
    info.edges.resize(used_edges.size());
    for (index_t edge = 0; edge < used_edges.size(); ++edge) {
      info.edges[edge] = used_edges[edge] != 0 ? edge : NO_ID;
    }
    info.facets.resize(used_facets.size());
    for (index_t facet = 0; facet < used_facets.size(); ++facet) {
      info.facets[facet] = used_facets[facet] != 0 ? facet : NO_ID;
    }
  }

  TetrahedralSolid<3>& solid_;
  TetrahedralSolidBuilder<3>& builder_;
  /// Tetrahedra replaced since the last clean.
  std::vector<bool> replaced_;
};

TetrahedralSolidModifier::TetrahedralSolidModifier(TetrahedralSolid<3>& solid,
                                                   TetrahedralSolidBuilder<3>& builder)
    : impl_{std::make_unique<Impl>(solid, builder)} {}

TetrahedralSolidModifier::~TetrahedralSolidModifier() = default;

TetrahedralSolidModifier::SplitInfo TetrahedralSolidModifier::split_edge(index_t edge,
                                                                         const Point<3>& point) {
  return impl_->split_edge(edge, point);
}

TetrahedralSolidModifier::SplitInfo TetrahedralSolidModifier::split_facet(index_t facet,
                                                                          const Point<3>& point) {
  return impl_->split_facet(facet, point);
}

bool TetrahedralSolidModifier::is_polyhedron_active(index_t polyhedron) const {
  return impl_->is_polyhedron_active(polyhedron);
}

TetrahedralSolidModifier::CleanInfo TetrahedralSolidModifier::clean() {
  return impl_->clean();
}

}  // namespace veyra
