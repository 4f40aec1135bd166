// SPDX-License-Identifier: MIT
// SolidFacets<D>: the facet table of a solid mesh, one entry per set of vertices bounding a
// polyhedron facet. Each entry keeps the local order of the polyhedron facet that created it.
// Ids are given by first appearance and stay valid: builders append new sets, and entries are
// removed only by delete_isolated_facets (or when one of their vertices is deleted).
#pragma once

#include <absl/types/span.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/common.h>
#include <ostrel/mesh/element_references.h>
#include <ostrel/mesh/vertex_set.h>

#include <memory>
#include <optional>

namespace veyra {

template <index_t D>
class SolidMesh;

template <index_t D>
class SolidFacets {
 public:
  explicit SolidFacets(const SolidMesh<D>& mesh);
  ~SolidFacets();
  SolidFacets(const SolidFacets&) = delete;
  SolidFacets& operator=(const SolidFacets&) = delete;

  index_t nb_facets() const;
  /// In the local order of the polyhedron facet that created the entry.
  PolyhedronFacetVertices facet_vertices(index_t facet) const;
  /// The facet with the same vertex set, given in any order.
  std::optional<index_t> facet_from_vertices(absl::Span<const index_t> vertices) const;
  /// No polyhedron facet has this vertex set any more.
  bool is_facet_isolated(index_t facet) const;
  AttributeManager& facet_attribute_manager() const;

 private:
  friend struct internal::MeshAccess;
  friend class SolidMesh<D>;

  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
