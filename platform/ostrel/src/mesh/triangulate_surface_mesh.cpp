// SPDX-License-Identifier: MIT
#include <ostrel/mesh/triangulate_surface_mesh.h>

#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/mesh/surface_mesh_builder.h>

#include "surface_mesh_impl.h"

namespace veyra {

template <index_t D>
void triangulate_surface_mesh(const SurfaceMesh<D>& mesh, SurfaceMeshBuilder<D>& /*builder*/) {
  // The builder stands for the right to modify `mesh`; the fan split rewrites the polygon
  // arrays in one pass, which no sequence of single-polygon edits can do without renumbering.
  auto& storage = internal::MeshAccess::impl<SurfaceMesh<D>>(mesh);
  const auto nb_polygons = storage.nb_polygons();
  if (storage.all_triangles()) return;

  // First appended piece of each polygon.
  std::vector<index_t> first_piece(nb_polygons, NO_ID);
  index_t nb_triangles = nb_polygons;
  for (index_t polygon = 0; polygon < nb_polygons; ++polygon) {
    const auto size = storage.size(polygon);
    if (size <= 3) continue;
    first_piece[polygon] = nb_triangles;
    nb_triangles += size - 3;
  }
  const auto piece = [&first_piece](index_t polygon, index_t k) {
    return k < 2 ? polygon : first_piece[polygon] + k - 2;
  };
  // The triangle that now carries an original edge of `target` joining the two vertices.
  const auto carrier = [&](index_t target, index_t vertex0, index_t vertex1) {
    if (target == NO_ID || first_piece[target] == NO_ID) return target;
    const auto begin = storage.offsets[target];
    const auto size = storage.size(target);
    for (index_t k = 0; k < size; ++k) {
      const auto start = storage.vertices[begin + k];
      const auto end = storage.vertices[begin + (k + 1) % size];
      if ((start == vertex0 && end == vertex1) || (start == vertex1 && end == vertex0)) {
        return k + 1 == size ? piece(target, size - 2) : piece(target, k);
      }
    }
    return target;
  };

  std::vector<index_t> vertices(3 * std::size_t{nb_triangles});
  std::vector<index_t> adjacents(3 * std::size_t{nb_triangles});
  const auto write = [&](index_t triangle, std::array<index_t, 3> corners,
                         std::array<index_t, 3> links) {
    for (index_t i = 0; i < 3; ++i) {
      vertices[3 * triangle + i] = corners[i];
      adjacents[3 * triangle + i] = links[i];
    }
  };
  for (index_t polygon = 0; polygon < nb_polygons; ++polygon) {
    const auto begin = storage.offsets[polygon];
    const auto size = storage.size(polygon);
    const auto vertex = [&](index_t k) { return storage.vertices[begin + k % size]; };
    // The adjacency of original edge k, re-pointed to the piece of a split neighbour.
    const auto original = [&](index_t k) {
      return carrier(storage.adjacents[begin + k], vertex(k), vertex(k + 1));
    };
    if (size == 3) {
      write(polygon, {vertex(0), vertex(1), vertex(2)}, {original(0), original(1), original(2)});
      continue;
    }
    write(polygon, {vertex(0), vertex(1), vertex(2)}, {original(0), original(1), piece(polygon, 2)});
    for (index_t k = 2; k + 1 < size; ++k) {
      const auto previous = piece(polygon, k - 1);
      const auto next = k + 2 == size ? original(size - 1) : piece(polygon, k + 1);
      write(piece(polygon, k), {vertex(0), vertex(k), vertex(k + 1)},
            {previous, original(k), next});
    }
  }

  // Pieces take their polygon's attribute values.
  auto& attributes = storage.polygon_attributes;
  attributes.resize(nb_triangles);
  std::vector<local_index_t> sizes(nb_polygons);
  for (index_t polygon = 0; polygon < nb_polygons; ++polygon) {
    sizes[polygon] = storage.size(polygon);
    for (index_t k = 2; k + 1 < sizes[polygon]; ++k) {
      attributes.assign_attribute_value(polygon, piece(polygon, k));
    }
  }

  storage.vertices = std::move(vertices);
  storage.adjacents = std::move(adjacents);
  storage.offsets.resize(std::size_t{nb_triangles} + 1);
  for (index_t triangle = 0; triangle <= nb_triangles; ++triangle) {
    storage.offsets[triangle] = 3 * triangle;
  }
  storage.rebuild_incidences(mesh.nb_vertices());
  // New diagonals join the edge table by first appearance: each split polygon in order, its
  // first triangle then its appended pieces.
  for (index_t polygon = 0; polygon < nb_polygons; ++polygon) {
    if (first_piece[polygon] == NO_ID) continue;
    storage.add_polygon_edges(polygon);
    for (index_t k = 2; k + 1 < sizes[polygon]; ++k) storage.add_polygon_edges(piece(polygon, k));
  }
}

template <index_t D>
void triangulate_surface_mesh(SurfaceMesh<D>& mesh) {
  auto builder = SurfaceMeshBuilder<D>::create(mesh);
  triangulate_surface_mesh(mesh, *builder);
}

template void triangulate_surface_mesh(const SurfaceMesh<2>&, SurfaceMeshBuilder<2>&);
template void triangulate_surface_mesh(const SurfaceMesh<3>&, SurfaceMeshBuilder<3>&);
template void triangulate_surface_mesh(SurfaceMesh<2>&);
template void triangulate_surface_mesh(SurfaceMesh<3>&);

}  // namespace veyra
