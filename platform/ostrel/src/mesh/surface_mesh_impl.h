// SPDX-License-Identifier: MIT
// Storage behind SurfaceMesh<D> and SurfaceEdges<D>, shared by the surface builders and the
// surface algorithms of the mesh layer. Not installed.
//
// Polygons: the vertices of polygon p are vertices[offsets[p] .. offsets[p + 1]); a "corner" is
// an index into that array, and corner offsets[p] + k is also the index of edge k of p in
// `adjacents`. Corner order is (polygon, local vertex) order.
//
// Vertex incidence: the corners of each vertex form a circular singly linked list through
// next_corner, sorted by corner; last_corner[v] is the largest corner of v (NO_ID when isolated)
// and next_corner[last_corner[v]] the smallest, i.e. the fan seed. Appending a polygon appends
// its corners at the back of each list in O(1), without any per-vertex allocation.
#pragma once

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include <absl/types/span.h>

#include <ostrel/basic/attribute_manager.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/mesh/surface_mesh.h>

#include "mesh_access.h"

namespace veyra {

template <index_t D>
class SurfaceEdges<D>::Impl {
 public:
  explicit Impl(const SurfaceMesh<D>& surface) : mesh(surface) {}

  index_t nb_edges() const { return static_cast<index_t>(vertices.size()); }

  std::optional<index_t> find(index_t vertex0, index_t vertex1) const {
    const auto [smaller, larger] = std::minmax(vertex0, vertex1);
    if (smaller >= first_edge.size()) return std::nullopt;
    for (auto edge = first_edge[smaller]; edge != NO_ID; edge = next_edge[edge]) {
      if (vertices[edge][1] == larger) return edge;
    }
    return std::nullopt;
  }

  index_t find_or_add(index_t vertex0, index_t vertex1) {
    if (const auto edge = find(vertex0, vertex1)) return *edge;
    const auto [smaller, larger] = std::minmax(vertex0, vertex1);
    const auto edge = nb_edges();
    vertices.push_back({smaller, larger});
    next_edge.push_back(first_edge[smaller]);
    first_edge[smaller] = edge;
    attributes.resize(edge + 1);
    return edge;
  }

  void rebuild_lists(index_t nb_vertices) {
    first_edge.assign(nb_vertices, NO_ID);
    next_edge.resize(vertices.size());
    for (index_t edge = 0; edge < vertices.size(); ++edge) {
      const auto smaller = vertices[edge][0];
      next_edge[edge] = first_edge[smaller];
      first_edge[smaller] = edge;
    }
  }

  /// Removes the flagged entries (and their attribute values); returns old-to-new.
  std::vector<index_t> remove(const std::vector<bool>& to_delete) {
    auto old2new = attributes.delete_elements(to_delete);
    const auto nb_kept = attributes.nb_elements();
    if (nb_kept == vertices.size()) return old2new;
    for (std::size_t old = 0; old < old2new.size(); ++old) {
      if (old2new[old] != NO_ID) vertices[old2new[old]] = vertices[old];
    }
    vertices.resize(nb_kept);
    rebuild_lists(static_cast<index_t>(first_edge.size()));
    return old2new;
  }

  void renumber_vertices(absl::Span<const index_t> old2new, index_t nb_vertices) {
    std::vector<bool> on_removed_vertex(vertices.size(), false);
    bool any_removed = false;
    for (index_t edge = 0; edge < vertices.size(); ++edge) {
      auto& ends = vertices[edge];
      ends = {old2new[ends[0]], old2new[ends[1]]};
      if (ends[0] == NO_ID || ends[1] == NO_ID) {
        on_removed_vertex[edge] = true;
        any_removed = true;
      }
    }
    first_edge.resize(nb_vertices);
    if (any_removed) {
      remove(on_removed_vertex);
    } else {
      rebuild_lists(nb_vertices);
    }
  }

  void copy(const Impl& other) {
    vertices = other.vertices;
    next_edge = other.next_edge;
    first_edge = other.first_edge;
    attributes.copy(other.attributes);
  }

  const SurfaceMesh<D>& mesh;
  /// (smaller, larger) vertex of each edge.
  std::vector<std::array<index_t, 2>> vertices;
  /// Lists of the edges whose smaller vertex is v: first_edge[v], then next_edge[...].
  std::vector<index_t> next_edge;
  std::vector<index_t> first_edge;
  mutable AttributeManager attributes;
};

template <index_t D>
class SurfaceMesh<D>::Impl {
 public:
  index_t nb_polygons() const { return static_cast<index_t>(offsets.size() - 1); }
  index_t nb_corners() const { return static_cast<index_t>(vertices.size()); }
  index_t corner(index_t polygon, local_index_t local) const { return offsets[polygon] + local; }
  local_index_t size(index_t polygon) const {
    return static_cast<local_index_t>(offsets[polygon + 1] - offsets[polygon]);
  }

  /// Every polygon has at least 3 corners, so 3 per polygon means triangles only.
  bool all_triangles() const { return vertices.size() == 3 * std::size_t{nb_polygons()}; }

  index_t polygon_of_corner(index_t corner) const {
    if (all_triangles()) return corner / 3;
    const auto found = std::upper_bound(offsets.begin(), offsets.end(), corner);
    return static_cast<index_t>(found - offsets.begin() - 1);
  }
  PolygonVertex corner_reference(index_t corner) const {
    const auto polygon = polygon_of_corner(corner);
    return {polygon, static_cast<local_index_t>(corner - offsets[polygon])};
  }

  index_t next_corner_in_polygon(index_t corner, index_t polygon) const {
    return corner + 1 == offsets[polygon + 1] ? offsets[polygon] : corner + 1;
  }
  index_t previous_corner_in_polygon(index_t corner, index_t polygon) const {
    return corner == offsets[polygon] ? offsets[polygon + 1] - 1 : corner - 1;
  }

  /// Calls action(corner) for each corner of the vertex, ascending; action may return true to
  /// stop.
  template <typename Action>
  void for_each_corner(index_t vertex, Action&& action) const {
    const auto last = last_corner[vertex];
    if (last == NO_ID) return;
    auto corner = last;
    do {
      corner = next_corner[corner];
      if constexpr (std::is_same_v<decltype(action(corner)), bool>) {
        if (action(corner)) return;
      } else {
        action(corner);
      }
    } while (corner != last);
  }

  /// Adds the corner to its vertex's list, keeping it sorted.
  void link_corner(index_t corner) {
    const auto vertex = vertices[corner];
    auto& last = last_corner[vertex];
    if (last == NO_ID) {
      next_corner[corner] = corner;
      last = corner;
      return;
    }
    auto previous = last;
    if (corner < last) {
      // Find the corner after which it fits; the list ascends from next_corner[last].
      while (next_corner[previous] < corner) previous = next_corner[previous];
    }
    next_corner[corner] = next_corner[previous];
    next_corner[previous] = corner;
    if (corner > last) last = corner;
  }

  /// Removes the corner from its vertex's list.
  void unlink_corner(index_t corner) {
    const auto vertex = vertices[corner];
    auto previous = corner;
    while (next_corner[previous] != corner) previous = next_corner[previous];
    auto& last = last_corner[vertex];
    if (previous == corner) {
      last = NO_ID;
      return;
    }
    next_corner[previous] = next_corner[corner];
    if (last == corner) last = previous;
  }

  /// Relinks every corner from scratch (after a bulk change of the polygon arrays).
  void rebuild_incidences(index_t nb_vertices) {
    last_corner.assign(nb_vertices, NO_ID);
    next_corner.resize(vertices.size());
    for (index_t corner = 0; corner < vertices.size(); ++corner) {
      const auto vertex = vertices[corner];
      auto& last = last_corner[vertex];
      if (last == NO_ID) {
        next_corner[corner] = corner;
      } else {
        next_corner[corner] = next_corner[last];
        next_corner[last] = corner;
      }
      last = corner;
    }
  }

  /// Polygon edges (as corners of the edge start) joining the two vertices, either direction,
  /// ascending.
  absl::InlinedVector<index_t, 4> edges_joining(index_t vertex0, index_t vertex1) const {
    absl::InlinedVector<index_t, 4> result;
    for_each_corner(vertex0, [&](index_t corner) {
      const auto polygon = polygon_of_corner(corner);
      const auto previous = previous_corner_in_polygon(corner, polygon);
      if (vertices[previous] == vertex1) result.push_back(previous);
      if (vertices[next_corner_in_polygon(corner, polygon)] == vertex1) result.push_back(corner);
    });
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
  }

  SurfaceEdges<D>* edge_table() const { return edges.get(); }
  typename SurfaceEdges<D>::Impl* edge_table_impl() const {
    return edges ? &internal::MeshAccess::impl<SurfaceEdges<D>>(*edges) : nullptr;
  }

  /// Adds the missing table entries of the polygon's edges, in local order.
  void add_polygon_edges(index_t polygon) {
    auto* table = edge_table_impl();
    if (table == nullptr) return;
    const auto begin = offsets[polygon];
    const auto end = offsets[polygon + 1];
    for (auto corner = begin; corner < end; ++corner) {
      const auto next = corner + 1 == end ? begin : corner + 1;
      table->find_or_add(vertices[corner], vertices[next]);
    }
  }

  std::vector<index_t> offsets{0};
  std::vector<index_t> vertices;
  /// Adjacent polygon across edge (corner), NO_ID when none.
  std::vector<index_t> adjacents;
  std::vector<index_t> next_corner;
  std::vector<index_t> last_corner;
  mutable AttributeManager polygon_attributes;
  std::unique_ptr<SurfaceEdges<D>> edges;
  bool triangles_only{false};
};

}  // namespace veyra
