// SPDX-License-Identifier: MIT
// Component correspondences derived from a mesh element mapping: an old component is related to
// a new one as soon as one element of the new component's mesh comes from the old one's.
#pragma once

#include <ostrel/basic/generic_mapping.h>
#include <ostrel/basic/model_mapping.h>
#include <ostrel/basic/uuid.h>

#include <model/common/mappings.h>

namespace veyra {

/// "Corner", "Line" and "Surface" entries, emplaced in that order. `model` is the target side of
/// `elements`: for each component X of the model (model order) and each element e of X's mesh
/// (vertices of a corner, edges of a line, polygons of a surface; ascending), every source
/// element of (X, e) relates its component to X. A pair is added once, however many elements
/// link the two components; a component with no linked element gets no entry.
/// Model is BRep or Section.
template <typename Model>
ModelGenericMapping build_model_component_mapping(const Model& model,
                                                  const ModelMeshesElementMapping& elements);

/// build_model_component_mapping plus a "Block" entry, in which each block is looked up through
/// its first polyhedron only: (block, 0) relates the components of its sources to the block.
ModelGenericMapping build_brep_component_mapping(const BRep& model,
                                                 const BRepMeshesElementMapping& elements);

}  // namespace veyra
