// SPDX-License-Identifier: MIT
#include <ostrel/mesh/vertex_set.h>
#include <ostrel/mesh/vertex_set_builder.h>

#include "mesh_access.h"
#include "vertex_set_impl.h"

namespace veyra {

VertexSet::VertexSet() : impl_{std::make_unique<Impl>()} {}
VertexSet::~VertexSet() = default;

index_t VertexSet::nb_vertices() const { return impl_->vertex_attributes.nb_elements(); }

AttributeManager& VertexSet::vertex_attribute_manager() const { return impl_->vertex_attributes; }

void VertexSet::copy_vertex_set(const VertexSet& other) {
  impl_->vertex_attributes.copy(other.impl_->vertex_attributes);
  if (const auto name = other.name()) IdentifierBuilder{*this}.set_name(*name);
}

void VertexSet::resize_vertex_storage(index_t /*nb_vertices*/) {}

void VertexSet::renumber_vertex_storage(absl::Span<const index_t> /*old2new*/,
                                        index_t /*nb_vertices*/) {}

VertexSetBuilder::VertexSetBuilder(VertexSet& mesh) : vertex_set_(mesh) {}
VertexSetBuilder::~VertexSetBuilder() = default;

void VertexSetBuilder::set_name(std::string_view name) {
  IdentifierBuilder{vertex_set_}.set_name(name);
}

index_t VertexSetBuilder::create_vertex() { return create_vertices(1); }

index_t VertexSetBuilder::create_vertices(index_t nb) {
  const auto first = vertex_set_.nb_vertices();
  OSTREL_INPUT_CHECK(OstrelMeshException, nb <= NO_ID - 1 - first,
                     "[VertexSetBuilder::create_vertices] Too many vertices");
  internal::MeshAccess::impl<VertexSet>(vertex_set_).vertex_attributes.resize(first + nb);
  internal::MeshAccess::resize_vertex_storage(vertex_set_, first + nb);
  return first;
}

void VertexSetBuilder::reserve_vertices(index_t nb) {
  internal::MeshAccess::impl<VertexSet>(vertex_set_).vertex_attributes.reserve(nb);
}

std::vector<index_t> VertexSetBuilder::delete_vertices_of_mesh(const std::vector<bool>& to_delete) {
  OSTREL_INPUT_CHECK(OstrelMeshException, to_delete.size() == vertex_set_.nb_vertices(),
                     "[VertexSetBuilder::delete_vertices] ", to_delete.size(),
                     " flags given for ", vertex_set_.nb_vertices(), " vertices");
  auto old2new =
      internal::MeshAccess::impl<VertexSet>(vertex_set_).vertex_attributes.delete_elements(
          to_delete);
  const auto nb_kept = vertex_set_.nb_vertices();
  if (nb_kept != to_delete.size()) {
    internal::MeshAccess::renumber_vertex_storage(vertex_set_, old2new, nb_kept);
  }
  return old2new;
}

}  // namespace veyra
