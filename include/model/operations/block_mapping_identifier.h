// SPDX-License-Identifier: MIT
// BlockMappingIdentifier: matches the blocks of a BRep with candidate blocks (lists of boundary
// surfaces) that are to replace them, from the surfaces they share.
#pragma once

#include <memory>

#include <absl/types/span.h>

#include <ostrel/basic/generic_mapping.h>
#include <ostrel/basic/uuid.h>

#include <model/common/mappings.h>

namespace veyra::internal {

/// Only the boundary_surfaces of the candidates are read. The model and the candidates are kept
/// by reference and must outlive the object.
///
/// create_block_mappings() relates old blocks to candidate indices in three phases:
/// 1. Propagation: a surface with exactly one unresolved old block and exactly one unassigned
///    candidate matches the two, and every boundary surface of that candidate is done with.
///    Runs of passes repeat until a run matches nothing.
/// 2. Neighbours: a candidate still without old block takes the old block of its neighbouring
///    candidates (across shared surfaces) when exactly one stays plausible: a surface that bounds
///    no old block and separates the candidate from a matched one keeps only the old blocks whose
///    candidates also touch that surface, and an old block that the surface bounded on one side
///    only, already matched across it, is left out (the candidate is a region that had no
///    block, such as a cavity). Sweeps repeat until nothing changes.
/// 3. A surface of exactly one candidate relates that candidate to every old block of the
///    surface.
/// The result may relate one old block to several candidates (a split) and several old blocks to
/// one candidate (a merge); what no rule reaches stays unmapped.
class BlockMappingIdentifier {
 public:
  BlockMappingIdentifier(const BRep& model, absl::Span<const BlockRelationships> candidates);
  ~BlockMappingIdentifier();
  BlockMappingIdentifier(const BlockMappingIdentifier&) = delete;
  BlockMappingIdentifier& operator=(const BlockMappingIdentifier&) = delete;

  /// Old block id -> candidate indices. The same result on every call.
  GenericMapping<uuid, index_t> create_block_mappings() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra::internal
