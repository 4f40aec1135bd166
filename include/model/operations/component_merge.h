// SPDX-License-Identifier: MIT
// The steps shared by every operation that replaces model components: carrying relations, names
// and active flags over to the replacement, finding duplicated lines or surfaces, and recording
// which old mesh vertex or element became which new one.
#pragma once

#include <vector>

#include <absl/container/flat_hash_set.h>
#include <absl/types/span.h>

#include <ostrel/basic/generic_mapping.h>
#include <ostrel/basic/mesh_element.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/component.h>
#include <ostrel/model/section_builder.h>

namespace veyra::internal {

/// Makes `new_component` take over every relation in which `old_component` is the lower party:
/// internal to what the old one is embedded in, boundary of what it bounds, item of its
/// collections. Relations already held are not added again; the old component's relations stay.
template <typename Model>
void transfer_relationships(const Model& model, typename Model::Builder& builder,
                            const Component<Model::dim>& old_component,
                            const Component<Model::dim>& new_component);

/// The groups of components of `range` (model.lines() or model.surfaces()) that duplicate each
/// other, each with two members or more. Two lines are duplicates when their meshes have the same
/// numbers of vertices and edges and every unique vertex and every unique-vertex edge of the
/// second is one of the first; two surfaces likewise with polygons compared as canonical cycles
/// of unique vertices, whatever their start and orientation.
/// Groups come in the order of their first member, which is followed by the others in range
/// order; every component is in at most one group.
template <typename Model, typename Range>
std::vector<std::vector<uuid>> find_duplicated_components(const Model& model, const Range& range);

/// Names the new corner after the old ones (their distinct names joined by "_", in first
/// occurrence order; no name when none of them has one) and makes it active exactly when every
/// old corner is active.
template <typename Model>
void transfer_corner_metadata(const Model& model, typename Model::Builder& builder,
                              const uuid& new_id, absl::Span<const uuid> old_ids);
/// The same for lines.
template <typename Model>
void transfer_line_metadata(const Model& model, typename Model::Builder& builder,
                            const uuid& new_id, absl::Span<const uuid> old_ids);
/// The same for surfaces.
template <typename Model>
void transfer_surface_metadata(const Model& model, typename Model::Builder& builder,
                               const uuid& new_id, absl::Span<const uuid> old_ids);

/// Records in `mapping` that `old_vertex` became `new_vertex`. When `old_vertex` is itself the
/// image of earlier vertices (it was made during the run), those sources map to `new_vertex`
/// instead and `old_vertex` leaves the mapping. Otherwise the pair is recorded only when
/// `old_vertex` belongs to one of `old_components`, the components that existed when the run
/// started. Modified in place.
void map_old_to_new_mesh_vertices(const MeshVertex& old_vertex, const MeshVertex& new_vertex,
                                  GenericMapping<MeshVertex>& mapping,
                                  absl::Span<const uuid> old_components);
/// The same with the old components in a set, for callers that record many vertices.
void map_old_to_new_mesh_vertices(const MeshVertex& old_vertex, const MeshVertex& new_vertex,
                                  GenericMapping<MeshVertex>& mapping,
                                  const absl::flat_hash_set<uuid>& old_components);

/// The same as map_old_to_new_mesh_vertices for mesh elements.
void map_old_to_new_mesh_elements(const MeshElement& old_element, const MeshElement& new_element,
                                  GenericMapping<MeshElement>& mapping,
                                  absl::Span<const uuid> old_components);
void map_old_to_new_mesh_elements(const MeshElement& old_element, const MeshElement& new_element,
                                  GenericMapping<MeshElement>& mapping,
                                  const absl::flat_hash_set<uuid>& old_components);

}  // namespace veyra::internal
