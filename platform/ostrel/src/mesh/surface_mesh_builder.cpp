// SPDX-License-Identifier: MIT
#include <ostrel/mesh/surface_mesh_builder.h>

#include <utility>
#include <vector>

#include <absl/types/span.h>

#include <ostrel/basic/parallel.h>
#include <ostrel/mesh/mesh_builder_factory.h>

#include "surface_mesh_impl.h"

namespace veyra {
namespace {

/// The other user of a polygon edge's vertex pair when exactly two polygon edges of two
/// different polygons use it; NO_ID otherwise (border, non-manifold, same polygon, degenerate).
/// The users are the polygon edges met around one end of the edge: the one with fewer corners
/// when their counts are given (every user is met once around either end), else the first.
index_t adjacent_by_rule(const auto& storage, index_t polygon, index_t corner,
                         absl::Span<const index_t> nb_vertex_corners = {}) {
  const auto vertex0 = storage.vertices[corner];
  const auto vertex1 = storage.vertices[storage.next_corner_in_polygon(corner, polygon)];
  if (vertex0 == vertex1) return NO_ID;
  auto around = vertex0;
  auto far_end = vertex1;
  if (!nb_vertex_corners.empty() && nb_vertex_corners[vertex1] < nb_vertex_corners[vertex0]) {
    std::swap(around, far_end);
  }
  index_t nb_users = 0;
  index_t other = NO_ID;
  storage.for_each_corner(around, [&](index_t user) {
    const auto user_polygon = storage.polygon_of_corner(user);
    const auto previous = storage.previous_corner_in_polygon(user, user_polygon);
    const auto next = storage.next_corner_in_polygon(user, user_polygon);
    // An edge is named by its start corner: the edge being asked about is `corner` from either
    // end.
    for (const auto edge_start : {previous, user}) {
      const auto far = edge_start == user ? storage.vertices[next] : storage.vertices[previous];
      if (far != far_end) continue;
      ++nb_users;
      if (edge_start != corner) other = user_polygon;
    }
    return nb_users > 2;
  });
  if (nb_users != 2 || other == polygon) return NO_ID;
  return other;
}

}  // namespace

template <index_t D>
SurfaceMeshBuilder<D>::SurfaceMeshBuilder(SurfaceMesh<D>& mesh)
    : GeometricMeshBuilder<D>(mesh), surface_(mesh) {}

template <index_t D>
std::unique_ptr<SurfaceMeshBuilder<D>> SurfaceMeshBuilder<D>::create(SurfaceMesh<D>& mesh) {
  return MeshBuilderFactory::create<SurfaceMeshBuilder>(mesh);
}

template <index_t D>
index_t SurfaceMeshBuilder<D>::create_polygon(absl::Span<const index_t> vertices) {
  auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(surface_);
  if (storage.triangles_only) {
    OSTREL_INPUT_CHECK(OstrelMeshException, vertices.size() == 3,
                       "[TriangulatedSurfaceBuilder::create_polygon] A triangle needs 3 vertices, ",
                       vertices.size(), " given");
  }
  OSTREL_INPUT_CHECK(OstrelMeshException, vertices.size() >= 3 && vertices.size() < NO_LID,
                     "[SurfaceMeshBuilder::create_polygon] A polygon needs 3 to ", NO_LID - 1,
                     " vertices, ", vertices.size(), " given");
  const auto nb_vertices = surface_.nb_vertices();
  for (const auto vertex : vertices) {
    OSTREL_INPUT_CHECK(OstrelMeshException, vertex < nb_vertices,
                       "[SurfaceMeshBuilder::create_polygon] Vertex ", vertex,
                       " out of range (", nb_vertices, " vertices)");
  }
  const auto polygon = storage.nb_polygons();
  const auto first = storage.nb_corners();
  storage.vertices.insert(storage.vertices.end(), vertices.begin(), vertices.end());
  storage.adjacents.resize(storage.vertices.size(), NO_ID);
  storage.next_corner.resize(storage.vertices.size());
  storage.offsets.push_back(storage.nb_corners());
  for (auto corner = first; corner < storage.nb_corners(); ++corner) storage.link_corner(corner);
  storage.polygon_attributes.resize(polygon + 1);
  storage.add_polygon_edges(polygon);
  return polygon;
}

template <index_t D>
void SurfaceMeshBuilder<D>::reserve_polygons(index_t nb_polygons, index_t nb_corners) {
  auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(surface_);
  const std::size_t corners = nb_corners == 0 ? 3 * std::size_t{nb_polygons} : nb_corners;
  storage.offsets.reserve(std::size_t{nb_polygons} + 1);
  storage.vertices.reserve(corners);
  storage.adjacents.reserve(corners);
  storage.next_corner.reserve(corners);
  storage.polygon_attributes.reserve(nb_polygons);
}

template <index_t D>
void SurfaceMeshBuilder<D>::set_polygon_vertex(const PolygonVertex& polygon_vertex,
                                               index_t vertex) {
  auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(surface_);
  const auto polygon = polygon_vertex.polygon_id;
  OSTREL_INPUT_CHECK(OstrelMeshException,
                     polygon < storage.nb_polygons() &&
                         polygon_vertex.vertex_id < storage.size(polygon),
                     "[SurfaceMeshBuilder::set_polygon_vertex] Polygon vertex ",
                     polygon_vertex.string(), " out of range");
  OSTREL_INPUT_CHECK(OstrelMeshException, vertex < surface_.nb_vertices(),
                     "[SurfaceMeshBuilder::set_polygon_vertex] Vertex ", vertex,
                     " out of range (", surface_.nb_vertices(), " vertices)");
  const auto corner = storage.corner(polygon, polygon_vertex.vertex_id);
  if (storage.vertices[corner] == vertex) return;
  storage.unlink_corner(corner);
  storage.vertices[corner] = vertex;
  storage.link_corner(corner);
  storage.add_polygon_edges(polygon);
}

template <index_t D>
void SurfaceMeshBuilder<D>::set_polygon_adjacent(const PolygonEdge& polygon_edge,
                                                 index_t adjacent) {
  auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(surface_);
  const auto polygon = polygon_edge.polygon_id;
  OSTREL_INPUT_CHECK(OstrelMeshException,
                     polygon < storage.nb_polygons() && polygon_edge.edge_id < storage.size(polygon),
                     "[SurfaceMeshBuilder::set_polygon_adjacent] Polygon edge ",
                     polygon_edge.string(), " out of range");
  OSTREL_INPUT_CHECK(OstrelMeshException, adjacent < storage.nb_polygons(),
                     "[SurfaceMeshBuilder::set_polygon_adjacent] Adjacent polygon ", adjacent,
                     " out of range (", storage.nb_polygons(), " polygons)");
  storage.adjacents[storage.corner(polygon, polygon_edge.edge_id)] = adjacent;
}

template <index_t D>
void SurfaceMeshBuilder<D>::unset_polygon_adjacent(const PolygonEdge& polygon_edge) {
  auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(surface_);
  const auto polygon = polygon_edge.polygon_id;
  OSTREL_INPUT_CHECK(OstrelMeshException,
                     polygon < storage.nb_polygons() && polygon_edge.edge_id < storage.size(polygon),
                     "[SurfaceMeshBuilder::unset_polygon_adjacent] Polygon edge ",
                     polygon_edge.string(), " out of range");
  storage.adjacents[storage.corner(polygon, polygon_edge.edge_id)] = NO_ID;
}

template <index_t D>
void SurfaceMeshBuilder<D>::compute_polygon_adjacencies() {
  auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(surface_);
  // Each polygon edge computes and writes only its own slot, so chunks run independently and
  // the result does not depend on the thread count.
  // Users of an edge are looked for around its end with fewer corners: the hub of a fan of n
  // polygons would otherwise be walked n times, once per polygon.
  std::vector<index_t> nb_vertex_corners(surface_.nb_vertices(), 0);
  for (const auto vertex : storage.vertices) ++nb_vertex_corners[vertex];
  const auto nb_polygons = storage.nb_polygons();
  parallel_for_range(nb_polygons, 4096, [&](index_t begin, index_t end) {
    for (auto polygon = begin; polygon < end; ++polygon) {
      for (auto corner = storage.offsets[polygon]; corner < storage.offsets[polygon + 1];
           ++corner) {
        storage.adjacents[corner] = adjacent_by_rule(storage, polygon, corner, nb_vertex_corners);
      }
    }
  });
}

template <index_t D>
void SurfaceMeshBuilder<D>::compute_polygon_adjacencies(absl::Span<const index_t> polygons) {
  auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(surface_);
  for (const auto polygon : polygons) {
    OSTREL_INPUT_CHECK(OstrelMeshException, polygon < storage.nb_polygons(),
                       "[SurfaceMeshBuilder::compute_polygon_adjacencies] Polygon ", polygon,
                       " out of range (", storage.nb_polygons(), " polygons)");
  }
  for (const auto polygon : polygons) {
    for (auto corner = storage.offsets[polygon]; corner < storage.offsets[polygon + 1];
         ++corner) {
      const auto vertex0 = storage.vertices[corner];
      const auto vertex1 = storage.vertices[storage.next_corner_in_polygon(corner, polygon)];
      // Every user of this pair follows the rule again, on both sides.
      for (const auto user : storage.edges_joining(vertex0, vertex1)) {
        storage.adjacents[user] =
            adjacent_by_rule(storage, storage.polygon_of_corner(user), user);
      }
    }
  }
}

template <index_t D>
std::vector<index_t> SurfaceMeshBuilder<D>::delete_polygons(const std::vector<bool>& to_delete) {
  auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(surface_);
  OSTREL_INPUT_CHECK(OstrelMeshException, to_delete.size() == storage.nb_polygons(),
                     "[SurfaceMeshBuilder::delete_polygons] ", to_delete.size(),
                     " flags given for ", storage.nb_polygons(), " polygons");
  auto old2new = storage.polygon_attributes.delete_elements(to_delete);
  if (storage.polygon_attributes.nb_elements() == to_delete.size()) return old2new;
  index_t kept_corner = 0;
  index_t kept_polygon = 0;
  for (index_t polygon = 0; polygon < to_delete.size(); ++polygon) {
    if (to_delete[polygon]) continue;
    const auto begin = storage.offsets[polygon];
    const auto end = storage.offsets[polygon + 1];
    storage.offsets[kept_polygon++] = kept_corner;
    for (auto corner = begin; corner < end; ++corner, ++kept_corner) {
      const auto adjacent = storage.adjacents[corner];
      storage.vertices[kept_corner] = storage.vertices[corner];
      storage.adjacents[kept_corner] = adjacent == NO_ID ? NO_ID : old2new[adjacent];
    }
  }
  storage.offsets[kept_polygon] = kept_corner;
  storage.offsets.resize(kept_polygon + 1);
  storage.vertices.resize(kept_corner);
  storage.adjacents.resize(kept_corner);
  storage.rebuild_incidences(surface_.nb_vertices());
  return old2new;
}

template <index_t D>
std::vector<index_t> SurfaceMeshBuilder<D>::delete_isolated_vertices() {
  const auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(surface_);
  std::vector<bool> isolated(surface_.nb_vertices());
  for (index_t vertex = 0; vertex < isolated.size(); ++vertex) {
    isolated[vertex] = storage.last_corner[vertex] == NO_ID;
  }
  return this->delete_vertices_of_mesh(isolated);
}

template <index_t D>
std::vector<index_t> SurfaceMeshBuilder<D>::delete_isolated_edges() {
  auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(surface_);
  auto* table = storage.edge_table_impl();
  if (table == nullptr) return {};
  std::vector<bool> unused(table->nb_edges(), true);
  for (index_t polygon = 0; polygon < storage.nb_polygons(); ++polygon) {
    for (auto corner = storage.offsets[polygon]; corner < storage.offsets[polygon + 1];
         ++corner) {
      const auto next = storage.next_corner_in_polygon(corner, polygon);
      if (const auto edge = table->find(storage.vertices[corner], storage.vertices[next])) {
        unused[*edge] = false;
      }
    }
  }
  return table->remove(unused);
}

template <index_t D>
void SurfaceMeshBuilder<D>::associate_polygon_vertex_to_vertex(
    const PolygonVertex& polygon_vertex, index_t vertex) {
  const auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(surface_);
  OSTREL_INPUT_CHECK(
      OstrelMeshException,
      polygon_vertex.polygon_id < storage.nb_polygons() &&
          polygon_vertex.vertex_id < storage.size(polygon_vertex.polygon_id) &&
          vertex < surface_.nb_vertices(),
      "[SurfaceMeshBuilder::associate_polygon_vertex_to_vertex] Polygon vertex ",
      polygon_vertex.string(), " or vertex ", vertex, " out of range");
}

template <index_t D>
void SurfaceMeshBuilder<D>::reverse_polygon(index_t polygon) {
  auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(surface_);
  OSTREL_INPUT_CHECK(OstrelMeshException, polygon < storage.nb_polygons(),
                     "[SurfaceMeshBuilder::reverse_polygon] Polygon ", polygon,
                     " out of range (", storage.nb_polygons(), " polygons)");
  const auto begin = storage.offsets[polygon];
  const auto size = storage.size(polygon);
  for (local_index_t k = 1; k < size; ++k) storage.unlink_corner(begin + k);
  // Vertex 0 stays; the others run backwards, and edge j takes old edge n - 1 - j, which joins
  // the same two vertices.
  std::reverse(storage.vertices.begin() + begin + 1, storage.vertices.begin() + begin + size);
  std::reverse(storage.adjacents.begin() + begin, storage.adjacents.begin() + begin + size);
  for (local_index_t k = 1; k < size; ++k) storage.link_corner(begin + k);
}

template class SurfaceMeshBuilder<2>;
template class SurfaceMeshBuilder<3>;

}  // namespace veyra
