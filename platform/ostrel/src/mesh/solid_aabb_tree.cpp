// SPDX-License-Identifier: MIT
// create_aabb_tree for solids.
#include <ostrel/mesh/mesh_aabb_tree.h>
#include <ostrel/mesh/solid_mesh.h>

#include <vector>

namespace veyra {

AABBTree<3> create_aabb_tree(const SolidMesh<3>& mesh) {
  std::vector<BoundingBox<3>> boxes(mesh.nb_polyhedra());
  for (index_t polyhedron = 0; polyhedron < mesh.nb_polyhedra(); ++polyhedron) {
    for (const auto vertex : mesh.polyhedron_vertices(polyhedron)) {
      boxes[polyhedron].add_point(mesh.point(vertex));
    }
  }
  return AABBTree<3>{boxes};
}

}  // namespace veyra
