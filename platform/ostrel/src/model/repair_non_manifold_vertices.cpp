// SPDX-License-Identifier: MIT
#include <ostrel/mesh/repair_non_manifold_vertices.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/repair_non_manifold_vertices.h>
#include <ostrel/model/section_builder.h>

#include "split_vertex_ties.h"

namespace veyra {
namespace {

template <typename Model>
GenericMapping<index_t> repair_surface(const Model& model, typename Model::Builder& builder,
                                       const Surface<Model::dim>& surface) {
  const auto mesh_builder = builder.surface_mesh_builder(surface.id());
  auto new_vertices = repair_non_manifold_vertices(surface.mesh(), *mesh_builder);
  internal::tie_split_vertices(model, builder, surface.component_id(), new_vertices);
  return new_vertices;
}

}  // namespace

namespace detail {

GenericMapping<index_t> repair_non_manifold_vertices(const BRep& model, BRepBuilder& builder,
                                                     const Surface<3>& surface) {
  return repair_surface(model, builder, surface);
}

GenericMapping<index_t> repair_non_manifold_vertices(const Section& model, SectionBuilder& builder,
                                                     const Surface<2>& surface) {
  return repair_surface(model, builder, surface);
}

GenericMapping<index_t> repair_non_manifold_vertices(const BRep& model, BRepBuilder& builder,
                                                     const Block<3>& block) {
  const auto mesh_builder = builder.block_mesh_builder(block.id());
  auto new_vertices = veyra::repair_non_manifold_vertices(block.mesh(), *mesh_builder);
  internal::tie_split_vertices(model, builder, block.component_id(), new_vertices);
  return new_vertices;
}

}  // namespace detail
}  // namespace veyra
