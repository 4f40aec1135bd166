// SPDX-License-Identifier: MIT
// SplitAlongSolidFacets: cuts a solid mesh along given polyhedron facets, so that the polyhedra
// on the two sides stop being adjacent and the vertices of the cut get one copy per fan, and
// reports where each old element went.
#pragma once

#include <absl/types/span.h>
#include <ostrel/basic/generic_mapping.h>
#include <ostrel/mesh/element_references.h>

#include <memory>

namespace veyra {

template <index_t D>
class SolidMesh;
template <index_t D>
class SolidMeshBuilder;

/// Old element -> the elements it became.
struct SolidMeshSplitMappings {
  GenericMapping<index_t> vertices;
  GenericMapping<index_t> edges;
  GenericMapping<index_t> facets;
  GenericMapping<index_t> polyhedra;
};

class SplitAlongSolidFacets {
 public:
  /// `builder` is a builder of `solid`.
  SplitAlongSolidFacets(const SolidMesh<3>& solid, SolidMeshBuilder<3>& builder);
  SplitAlongSolidFacets(const SplitAlongSolidFacets&) = delete;
  SplitAlongSolidFacets& operator=(const SplitAlongSolidFacets&) = delete;
  ~SplitAlongSolidFacets();

  /// Modifies the solid in place:
  /// 1. each given facet and its neighbour facet lose their adjacency;
  /// 2. each vertex of those facets, ascending, whose polyhedra now form several fans keeps the
  ///    fan with the smallest corner; each other fan gets a new vertex (appended, same point and
  ///    attribute values);
  /// 3. the enabled edge and facet tables gain the new vertex combinations, and the entries no
  ///    polyhedron uses any more are removed (delete_isolated_edges / delete_isolated_facets).
  /// Returns, from old to new: every vertex to itself then its copies; every polyhedron to
  /// itself; every old edge and facet to each present entry (final ids, ascending) whose
  /// vertices are its own vertices or copies of them, an old entry left with none being no key.
  /// The edge and facet mappings stay empty for tables that are not enabled.
  /// \throw OstrelModelException (input) for a facet that the solid does not have.
  SolidMeshSplitMappings split_solid_along_facets(absl::Span<const PolyhedronFacet> facets);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
