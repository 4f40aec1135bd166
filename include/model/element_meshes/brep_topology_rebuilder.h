// SPDX-License-Identifier: MIT
// BRepTopologyRebuilder: rebuilds the corners, lines, surfaces and blocks of a BRep with block
// meshes after block facets were declared surface facets or surfaces were made non-conformal,
// and relates the old components, elements and vertices to the new ones.
#pragma once

#include <model/common/mappings.h>
#include <ostrel/mesh/element_references.h>
#include <ostrel/model/block.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/surface.h>

#include <memory>
#include <tuple>
#include <vector>

namespace veyra::detail {

/// Rebuilds a BRep whose blocks carry volume meshes through one solid mesh made of all blocks.
///
/// The constructor converts the BRep into that solid at once. Changes are then registered in any
/// order, and rebuild() makes a new BRep in which:
/// - every corner, line edge and surface facet of the input is kept (surface facets between
///   blocks or inside a block; the outer skin always stays a surface);
/// - each registered block facet is a surface facet too, so a facet set crossing a block cuts it
///   into several blocks;
/// - each surface registered as non-conformal is cut apart: the blocks on its two sides no longer
///   share vertices there, and each side is a surface of its own.
/// Blocks come from the connected sets of polyhedra (tetrahedral block meshes are split where
/// needed to stay conformal with the new surfaces and lines). Names, active flags, collections
/// and model boundaries, and the attributes of every component mesh, are carried over; a vertex
/// created by a split gets attribute values interpolated from the element it was inserted in.
///
/// The input BRep is never changed; it must outlive the rebuilder. Unique vertices that no block
/// uses (a surface outside every block, an isolated unique vertex) have no counterpart in the new
/// BRep; a line or corner outside every block cannot be rebuilt. Call rebuild() once.
/// Not copyable.
class BRepTopologyRebuilder {
 public:
  /// \throw OstrelModelException (input) when a block vertex has no unique vertex.
  explicit BRepTopologyRebuilder(const BRep& brep);
  ~BRepTopologyRebuilder();
  BRepTopologyRebuilder(const BRepTopologyRebuilder&) = delete;
  BRepTopologyRebuilder& operator=(const BRepTopologyRebuilder&) = delete;

  /// Makes the given facets of `block`'s mesh (a block of the input BRep) surface facets of the
  /// new BRep. The facets are taken over; they are checked when rebuild() runs.
  void add_block_facets_to_topology(const Block<3>& block, std::vector<PolyhedronFacet> facets);

  /// Makes `surface` non-conformal in the new BRep. Registering a surface again does nothing.
  /// \throw VeyraConversionModelException (internal, data: the point of the surface's vertex 0)
  /// "[BRepTopologyRebuilder::remove_conformity_on_model_surface] Cannot remove conformity:
  /// Surface is not part of initial BRep." when the input BRep has no surface with its id.
  void remove_conformity_on_model_surface(const Surface<3>& surface);

  /// The new BRep and, from the input to it: the component mapping (per component type), the
  /// mesh element mapping (corner vertices, line edges, surface polygons, block polyhedra) and
  /// the mesh vertex mapping. The created, removed and unchanged component lists stay empty.
  /// \throw VeyraConversionModelException (internal) when a line edge has no solid edge, a facet
  /// between blocks or inside a block is not the facet of exactly two polyhedra, a registered
  /// facet has no solid facet, a new block polyhedron does not come from exactly one old one,
  /// or a corner of a split surface triangle has no new vertex in its surface.
  std::tuple<BRep, BRepMappings> rebuild();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra::detail
