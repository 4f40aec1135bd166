// SPDX-License-Identifier: MIT
// repair_non_manifold_vertices for the components of a model: the mesh-level repair of a surface
// or block mesh, with every new vertex tied to the unique vertex of the vertex it splits.
#pragma once

#include <ostrel/basic/common.h>
#include <ostrel/basic/generic_mapping.h>
#include <ostrel/model/block.h>
#include <ostrel/model/surface.h>

namespace veyra {

class BRep;
class BRepBuilder;
class Section;
class SectionBuilder;

namespace detail {

/// Modifies the surface mesh in place: each fan of polygons around a vertex but the first (fans
/// ordered by their smallest corner) gets a new vertex at the same point, with the same
/// attribute values and tied to the same unique vertex (when the vertex has one).
/// Returns split vertex -> its new vertices; vertices that were not split do not appear.
GenericMapping<index_t> repair_non_manifold_vertices(const BRep& model, BRepBuilder& builder,
                                                     const Surface<3>& surface);
GenericMapping<index_t> repair_non_manifold_vertices(const Section& model, SectionBuilder& builder,
                                                     const Surface<2>& surface);
/// The same for a block mesh: each fan of polyhedra around a vertex but the first gets a new
/// vertex (same point, attribute values and unique vertex).
GenericMapping<index_t> repair_non_manifold_vertices(const BRep& model, BRepBuilder& builder,
                                                     const Block<3>& block);

}  // namespace detail

using detail::repair_non_manifold_vertices;

}  // namespace veyra
