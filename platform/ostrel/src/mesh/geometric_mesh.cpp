// SPDX-License-Identifier: MIT
#include <ostrel/mesh/geometric_mesh.h>

#include "mesh_access.h"
#include "vertex_set_impl.h"

namespace veyra {

template <index_t D>
GeometricMesh<D>::GeometricMesh() : impl_{std::make_unique<Impl>()} {}

template <index_t D>
GeometricMesh<D>::~GeometricMesh() = default;

template <index_t D>
const Point<D>& GeometricMesh<D>::point(index_t vertex) const {
  OSTREL_ASSERT(vertex < impl_->points.size(), "[GeometricMesh::point] vertex out of range");
  return impl_->points[vertex];
}

template <index_t D>
BoundingBox<D> GeometricMesh<D>::bounding_box() const {
  BoundingBox<D> box;
  for (const auto& point : impl_->points) box.add_point(point);
  return box;
}

template <index_t D>
void GeometricMesh<D>::copy_geometric_mesh(const GeometricMesh& other) {
  this->copy_vertex_set(other);
  impl_->points = other.impl_->points;
}

template <index_t D>
void GeometricMesh<D>::resize_vertex_storage(index_t nb_vertices) {
  VertexSet::resize_vertex_storage(nb_vertices);
  impl_->points.resize(nb_vertices);
}

template <index_t D>
void GeometricMesh<D>::renumber_vertex_storage(absl::Span<const index_t> old2new,
                                               index_t nb_vertices) {
  VertexSet::renumber_vertex_storage(old2new, nb_vertices);
  auto& points = impl_->points;
  for (std::size_t old = 0; old < old2new.size(); ++old) {
    if (old2new[old] != NO_ID) points[old2new[old]] = points[old];
  }
  points.resize(nb_vertices);
  // A mesh cut down to a small part of itself gives back the room of the others.
  if (points.capacity() > 2 * points.size()) points.shrink_to_fit();
}

template <index_t D>
GeometricMeshBuilder<D>::GeometricMeshBuilder(GeometricMesh<D>& mesh)
    : VertexSetBuilder(mesh), geometric_mesh_(mesh) {}

template <index_t D>
index_t GeometricMeshBuilder<D>::create_point(const Point<D>& point) {
  // `point` may be one of this mesh's own points, which creating the vertex can move.
  const auto position = point;
  const auto vertex = this->create_vertex();
  internal::MeshAccess::impl<GeometricMesh<D>>(geometric_mesh_).points[vertex] = position;
  return vertex;
}

template <index_t D>
void GeometricMeshBuilder<D>::set_point(index_t vertex, const Point<D>& point) {
  OSTREL_INPUT_CHECK(OstrelMeshException, vertex < geometric_mesh_.nb_vertices(),
                     "[GeometricMeshBuilder::set_point] Vertex ", vertex, " out of range (",
                     geometric_mesh_.nb_vertices(), " vertices)");
  internal::MeshAccess::impl<GeometricMesh<D>>(geometric_mesh_).points[vertex] = point;
}

template class GeometricMesh<2>;
template class GeometricMesh<3>;
template class GeometricMeshBuilder<2>;
template class GeometricMeshBuilder<3>;

}  // namespace veyra
