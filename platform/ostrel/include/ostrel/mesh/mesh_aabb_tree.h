// SPDX-License-Identifier: MIT
// create_aabb_tree: the AABB tree of a mesh's elements (box i is the box of element i).
#pragma once

#include <ostrel/geometry/aabb_tree.h>

namespace veyra {

template <index_t D>
class SurfaceMesh;
template <index_t D>
class SolidMesh;

/// Box i bounds the vertices of polygon i.
template <index_t D>
AABBTree<D> create_aabb_tree(const SurfaceMesh<D>& mesh);

/// Box i bounds the vertices of polyhedron i.
AABBTree<3> create_aabb_tree(const SolidMesh<3>& mesh);

}  // namespace veyra
