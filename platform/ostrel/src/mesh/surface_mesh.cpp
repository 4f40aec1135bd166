// SPDX-License-Identifier: MIT
#include <ostrel/mesh/surface_mesh.h>

#include <cmath>

#include <ostrel/geometry/degeneration.h>
#include <ostrel/geometry/mensuration.h>
#include <ostrel/mesh/mesh_factory.h>
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/surface_edges.h>

#include "surface_mesh_impl.h"

namespace veyra {
namespace {

template <index_t D>
std::vector<Point<D>> polygon_points(const SurfaceMesh<D>& mesh, index_t polygon) {
  std::vector<Point<D>> points;
  points.reserve(mesh.nb_polygon_vertices(polygon));
  for (const auto vertex : mesh.polygon_vertices(polygon)) points.push_back(mesh.point(vertex));
  return points;
}

/// Twice the signed area (2D) or the vector area (3D) of the fan from vertex 0.
template <index_t D>
auto fan_cross_sum(const std::vector<Point<D>>& points) {
  if constexpr (D == 2) {
    double sum = 0;
    for (std::size_t k = 1; k + 1 < points.size(); ++k) {
      const Vector<2> side0{points[0], points[k]};
      const Vector<2> side1{points[0], points[k + 1]};
      sum += side0.value(0) * side1.value(1) - side0.value(1) * side1.value(0);
    }
    return sum;
  } else {
    Vector<3> sum;
    for (std::size_t k = 1; k + 1 < points.size(); ++k) {
      sum = sum + Vector<3>{points[0], points[k]}.cross(Vector<3>{points[0], points[k + 1]});
    }
    return sum;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// SurfaceEdges

template <index_t D>
SurfaceEdges<D>::SurfaceEdges(const SurfaceMesh<D>& mesh) : impl_{std::make_unique<Impl>(mesh)} {}

template <index_t D>
SurfaceEdges<D>::~SurfaceEdges() = default;

template <index_t D>
index_t SurfaceEdges<D>::nb_edges() const {
  return impl_->nb_edges();
}

template <index_t D>
std::array<index_t, 2> SurfaceEdges<D>::edge_vertices(index_t edge) const {
  OSTREL_ASSERT(edge < impl_->nb_edges(), "[SurfaceEdges::edge_vertices] edge out of range");
  return impl_->vertices[edge];
}

template <index_t D>
std::optional<index_t> SurfaceEdges<D>::edge_from_vertices(
    const std::array<index_t, 2>& vertices) const {
  return impl_->find(vertices[0], vertices[1]);
}

template <index_t D>
bool SurfaceEdges<D>::is_edge_isolated(index_t edge) const {
  const auto& [vertex0, vertex1] = impl_->vertices[edge];
  const auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(impl_->mesh);
  return storage.edges_joining(vertex0, vertex1).empty();
}

template <index_t D>
AttributeManager& SurfaceEdges<D>::edge_attribute_manager() const {
  return impl_->attributes;
}

// ---------------------------------------------------------------------------------------------
// SurfaceMesh

template <index_t D>
SurfaceMesh<D>::SurfaceMesh() : impl_{std::make_unique<Impl>()} {}

template <index_t D>
SurfaceMesh<D>::~SurfaceMesh() = default;

template <index_t D>
std::unique_ptr<SurfaceMesh<D>> SurfaceMesh<D>::create() {
  return MeshFactory::create_mesh<SurfaceMesh>(
      MeshFactory::default_impl(PolygonalSurface<D>::type_name_static()));
}

template <index_t D>
std::unique_ptr<SurfaceMesh<D>> SurfaceMesh<D>::create(const MeshImpl& impl) {
  return MeshFactory::create_mesh<SurfaceMesh>(impl);
}

template <index_t D>
std::unique_ptr<SurfaceMesh<D>> SurfaceMesh<D>::clone() const {
  auto clone = create(this->impl_name());
  clone->copy_surface_mesh(*this);
  return clone;
}

template <index_t D>
void SurfaceMesh<D>::copy_surface_mesh(const SurfaceMesh& other) {
  this->copy_geometric_mesh(other);
  auto& mine = *impl_;
  const auto& theirs = *other.impl_;
  mine.offsets = theirs.offsets;
  mine.vertices = theirs.vertices;
  mine.adjacents = theirs.adjacents;
  mine.next_corner = theirs.next_corner;
  mine.last_corner = theirs.last_corner;
  mine.polygon_attributes.copy(theirs.polygon_attributes);
  mine.edges.reset();
  if (theirs.edges) {
    mine.edges = std::make_unique<SurfaceEdges<D>>(*this);
    mine.edge_table_impl()->copy(*theirs.edge_table_impl());
  }
}

template <index_t D>
index_t SurfaceMesh<D>::nb_polygons() const {
  return impl_->nb_polygons();
}

template <index_t D>
local_index_t SurfaceMesh<D>::nb_polygon_vertices(index_t polygon) const {
  OSTREL_ASSERT(polygon < nb_polygons(), "[SurfaceMesh::nb_polygon_vertices] polygon out of range");
  return impl_->size(polygon);
}

template <index_t D>
index_t SurfaceMesh<D>::polygon_vertex(const PolygonVertex& polygon_vertex) const {
  OSTREL_ASSERT(polygon_vertex.polygon_id < nb_polygons() &&
                    polygon_vertex.vertex_id < impl_->size(polygon_vertex.polygon_id),
                "[SurfaceMesh::polygon_vertex] corner out of range");
  return impl_->vertices[impl_->corner(polygon_vertex.polygon_id, polygon_vertex.vertex_id)];
}

template <index_t D>
PolygonVertices SurfaceMesh<D>::polygon_vertices(index_t polygon) const {
  OSTREL_ASSERT(polygon < nb_polygons(), "[SurfaceMesh::polygon_vertices] polygon out of range");
  const auto begin = impl_->vertices.begin() + impl_->offsets[polygon];
  const auto end = impl_->vertices.begin() + impl_->offsets[polygon + 1];
  return PolygonVertices(begin, end);
}

template <index_t D>
std::optional<local_index_t> SurfaceMesh<D>::vertex_in_polygon(index_t polygon,
                                                               index_t vertex) const {
  const auto begin = impl_->offsets[polygon];
  for (auto corner = begin; corner < impl_->offsets[polygon + 1]; ++corner) {
    if (impl_->vertices[corner] == vertex) return static_cast<local_index_t>(corner - begin);
  }
  return std::nullopt;
}

template <index_t D>
index_t SurfaceMesh<D>::polygon_edge_vertex(const PolygonEdge& polygon_edge,
                                            local_index_t end) const {
  const auto polygon = polygon_edge.polygon_id;
  const auto local = (polygon_edge.edge_id + end) % impl_->size(polygon);
  return impl_->vertices[impl_->offsets[polygon] + local];
}

template <index_t D>
std::array<index_t, 2> SurfaceMesh<D>::polygon_edge_vertices(
    const PolygonEdge& polygon_edge) const {
  return {polygon_edge_vertex(polygon_edge, 0), polygon_edge_vertex(polygon_edge, 1)};
}

template <index_t D>
PolygonEdge SurfaceMesh<D>::next_polygon_edge(const PolygonEdge& polygon_edge) const {
  const auto size = impl_->size(polygon_edge.polygon_id);
  return {polygon_edge.polygon_id, static_cast<local_index_t>((polygon_edge.edge_id + 1) % size)};
}

template <index_t D>
PolygonEdge SurfaceMesh<D>::previous_polygon_edge(const PolygonEdge& polygon_edge) const {
  const auto size = impl_->size(polygon_edge.polygon_id);
  return {polygon_edge.polygon_id,
          static_cast<local_index_t>((polygon_edge.edge_id + size - 1) % size)};
}

template <index_t D>
PolygonVertex SurfaceMesh<D>::next_polygon_vertex(const PolygonVertex& polygon_vertex) const {
  const auto size = impl_->size(polygon_vertex.polygon_id);
  return {polygon_vertex.polygon_id,
          static_cast<local_index_t>((polygon_vertex.vertex_id + 1) % size)};
}

template <index_t D>
PolygonVertex SurfaceMesh<D>::previous_polygon_vertex(const PolygonVertex& polygon_vertex) const {
  const auto size = impl_->size(polygon_vertex.polygon_id);
  return {polygon_vertex.polygon_id,
          static_cast<local_index_t>((polygon_vertex.vertex_id + size - 1) % size)};
}

template <index_t D>
std::optional<index_t> SurfaceMesh<D>::polygon_adjacent(const PolygonEdge& polygon_edge) const {
  OSTREL_ASSERT(polygon_edge.polygon_id < nb_polygons() &&
                    polygon_edge.edge_id < impl_->size(polygon_edge.polygon_id),
                "[SurfaceMesh::polygon_adjacent] polygon edge out of range");
  const auto adjacent =
      impl_->adjacents[impl_->corner(polygon_edge.polygon_id, polygon_edge.edge_id)];
  if (adjacent == NO_ID) return std::nullopt;
  return adjacent;
}

template <index_t D>
std::optional<PolygonEdge> SurfaceMesh<D>::polygon_adjacent_edge(
    const PolygonEdge& polygon_edge) const {
  const auto adjacent = polygon_adjacent(polygon_edge);
  if (!adjacent) return std::nullopt;
  const auto [vertex0, vertex1] = polygon_edge_vertices(polygon_edge);
  const auto begin = impl_->offsets[*adjacent];
  const auto end = impl_->offsets[*adjacent + 1];
  for (auto corner = begin; corner < end; ++corner) {
    const auto start = impl_->vertices[corner];
    const auto finish = impl_->vertices[corner + 1 == end ? begin : corner + 1];
    if ((start == vertex0 && finish == vertex1) || (start == vertex1 && finish == vertex0)) {
      return PolygonEdge{*adjacent, static_cast<local_index_t>(corner - begin)};
    }
  }
  return std::nullopt;
}

template <index_t D>
bool SurfaceMesh<D>::is_edge_on_border(const PolygonEdge& polygon_edge) const {
  return !polygon_adjacent(polygon_edge).has_value();
}

template <index_t D>
std::vector<PolygonEdge> SurfaceMesh<D>::polygon_edges_on_border(index_t polygon) const {
  std::vector<PolygonEdge> border;
  for (local_index_t edge = 0; edge < nb_polygon_edges(polygon); ++edge) {
    if (is_edge_on_border({polygon, edge})) border.emplace_back(polygon, edge);
  }
  return border;
}

template <index_t D>
std::optional<PolygonVertex> SurfaceMesh<D>::polygon_around_vertex(index_t vertex) const {
  OSTREL_ASSERT(vertex < this->nb_vertices(),
                "[SurfaceMesh::polygon_around_vertex] vertex out of range");
  const auto last = impl_->last_corner[vertex];
  if (last == NO_ID) return std::nullopt;
  return impl_->corner_reference(impl_->next_corner[last]);
}

template <index_t D>
PolygonsAroundVertex SurfaceMesh<D>::polygons_around_vertex(index_t vertex) const {
  PolygonsAroundVertex fan;
  const auto seed = polygon_around_vertex(vertex);
  if (!seed) return fan;
  fan.push_back(*seed);
  const auto listed = [&fan](const PolygonVertex& corner) {
    return std::find(fan.begin(), fan.end(), corner) != fan.end();
  };
  // Leaves `exit` (an edge of the current polygon at the vertex) and keeps walking; returns
  // true when it comes back to the seed.
  const auto walk = [&](PolygonEdge exit) {
    while (true) {
      const auto entry = polygon_adjacent_edge(exit);
      if (!entry) return false;
      PolygonVertex corner;
      PolygonEdge next_exit;
      if (polygon_edge_vertex(*entry, 0) == vertex) {
        corner = {entry->polygon_id, entry->edge_id};
        next_exit = previous_polygon_edge(*entry);
      } else if (polygon_edge_vertex(*entry, 1) == vertex) {
        corner = next_polygon_vertex({entry->polygon_id, entry->edge_id});
        next_exit = next_polygon_edge(*entry);
      } else {
        return false;
      }
      if (listed(corner)) return corner == *seed;
      fan.push_back(corner);
      exit = next_exit;
    }
  };
  const PolygonEdge seed_next{seed->polygon_id, seed->vertex_id};
  if (!walk(previous_polygon_edge(seed_next))) walk(seed_next);
  return fan;
}

template <index_t D>
bool SurfaceMesh<D>::is_vertex_on_border(index_t vertex) const {
  bool on_border = false;
  const auto& storage = *impl_;
  storage.for_each_corner(vertex, [&](index_t corner) {
    const auto polygon = storage.polygon_of_corner(corner);
    on_border = storage.adjacents[corner] == NO_ID ||
                storage.adjacents[storage.previous_corner_in_polygon(corner, polygon)] == NO_ID;
    return on_border;
  });
  return on_border;
}

template <index_t D>
bool SurfaceMesh<D>::is_vertex_isolated(index_t vertex) const {
  return impl_->last_corner[vertex] == NO_ID;
}

template <index_t D>
std::optional<PolygonEdge> SurfaceMesh<D>::polygon_edge_from_vertices(index_t from,
                                                                      index_t to) const {
  if (from >= this->nb_vertices()) return std::nullopt;
  std::optional<PolygonVertex> found;
  const auto& storage = *impl_;
  storage.for_each_corner(from, [&](index_t corner) {
    const auto polygon = storage.polygon_of_corner(corner);
    if (storage.vertices[storage.next_corner_in_polygon(corner, polygon)] != to) return false;
    found = storage.corner_reference(corner);
    return true;
  });
  if (!found) return std::nullopt;
  return PolygonEdge{found->polygon_id, found->vertex_id};
}

template <index_t D>
std::vector<PolygonEdge> SurfaceMesh<D>::polygons_from_edge_vertices(
    absl::Span<const index_t> two_vertices) const {
  OSTREL_INPUT_CHECK(OstrelMeshException, two_vertices.size() == 2,
                     "[SurfaceMesh::polygons_from_edge_vertices] Two vertices expected, ",
                     two_vertices.size(), " given");
  std::vector<PolygonEdge> edges;
  if (two_vertices[0] >= this->nb_vertices()) return edges;
  for (const auto corner : impl_->edges_joining(two_vertices[0], two_vertices[1])) {
    const auto reference = impl_->corner_reference(corner);
    edges.emplace_back(reference.polygon_id, reference.vertex_id);
  }
  return edges;
}

template <index_t D>
Point<D> SurfaceMesh<D>::polygon_barycenter(index_t polygon) const {
  Point<D> sum;
  for (const auto vertex : polygon_vertices(polygon)) sum += this->point(vertex);
  return sum * (1. / nb_polygon_vertices(polygon));
}

template <index_t D>
Point<D> SurfaceMesh<D>::polygon_edge_barycenter(const PolygonEdge& polygon_edge) const {
  const auto [vertex0, vertex1] = polygon_edge_vertices(polygon_edge);
  return (this->point(vertex0) + this->point(vertex1)) * 0.5;
}

template <index_t D>
double SurfaceMesh<D>::polygon_area(index_t polygon) const {
  const auto sum = fan_cross_sum(polygon_points(*this, polygon));
  if constexpr (D == 2) {
    return 0.5 * std::fabs(sum);
  } else {
    return 0.5 * sum.length();
  }
}

template <index_t D>
bool SurfaceMesh<D>::is_polygon_degenerated(index_t polygon) const {
  const auto points = polygon_points(*this, polygon);
  return is_polygon_degenerate<D>(points);
}

template <index_t D>
std::optional<Vector<3>> SurfaceMesh<D>::polygon_normal(index_t polygon) const
  requires(D == 3)
{
  // The branch keeps compilers that instantiate constrained members of an explicit class
  // instantiation (clang 14) away from 2D points.
  if constexpr (D == 3) {
    const auto points = polygon_points(*this, polygon);
    return veyra::polygon_normal(points);
  } else {
    return std::nullopt;
  }
}

template <index_t D>
bool SurfaceMesh<D>::are_edges_enabled() const {
  return impl_->edges != nullptr;
}

template <index_t D>
void SurfaceMesh<D>::enable_edges() {
  if (impl_->edges) return;
  impl_->edges = std::make_unique<SurfaceEdges<D>>(*this);
  auto& table = *impl_->edge_table_impl();
  table.first_edge.assign(this->nb_vertices(), NO_ID);
  for (index_t polygon = 0; polygon < nb_polygons(); ++polygon) impl_->add_polygon_edges(polygon);
}

template <index_t D>
void SurfaceMesh<D>::disable_edges() {
  impl_->edges.reset();
}

template <index_t D>
const SurfaceEdges<D>& SurfaceMesh<D>::edges() const {
  OSTREL_EXCEPTION(OstrelMeshException, impl_->edges != nullptr,
                   "[SurfaceMesh::edges] Edges are not enabled");
  return *impl_->edges;
}

template <index_t D>
AttributeManager& SurfaceMesh<D>::polygon_attribute_manager() const {
  return impl_->polygon_attributes;
}

template <index_t D>
void SurfaceMesh<D>::resize_vertex_storage(index_t nb_vertices) {
  GeometricMesh<D>::resize_vertex_storage(nb_vertices);
  impl_->last_corner.resize(nb_vertices, NO_ID);
  if (auto* table = impl_->edge_table_impl()) table->first_edge.resize(nb_vertices, NO_ID);
}

template <index_t D>
void SurfaceMesh<D>::renumber_vertex_storage(absl::Span<const index_t> old2new,
                                             index_t nb_vertices) {
  GeometricMesh<D>::renumber_vertex_storage(old2new, nb_vertices);
  for (auto& vertex : impl_->vertices) vertex = old2new[vertex];
  impl_->rebuild_incidences(nb_vertices);
  if (auto* table = impl_->edge_table_impl()) table->renumber_vertices(old2new, nb_vertices);
}

template class SurfaceEdges<2>;
template class SurfaceEdges<3>;
template class SurfaceMesh<2>;
template class SurfaceMesh<3>;

}  // namespace veyra
