// SPDX-License-Identifier: MIT
// Adjacency of the pieces that replace split elements (polygons or tetrahedra), shared by every
// modifier. Not installed.
//
// Each side (polygon edge or polyhedron facet) of a new piece is tagged with where it comes from:
// a whole side of the replaced element, a side shared with another piece of the same element, or
// a part of a side that the split cut in two. link_pieces then sets every adjacency from the tags:
// outer sides take the old neighbour (re-pointed to the piece), inner sides are linked in pairs,
// and cut sides are linked to the matching piece of the element split on the other side.
#pragma once

#include <cstdint>
#include <optional>

#include <absl/container/inlined_vector.h>
#include <absl/types/span.h>

#include <ostrel/basic/common.h>

namespace veyra::internal {

struct SideOrigin {
  enum struct Kind : std::uint8_t { outer, inner, cut };

  static SideOrigin outer(local_index_t old_side) { return {Kind::outer, old_side, NO_ID}; }
  /// Sides of two pieces of one element with the same key are glued together.
  static SideOrigin inner(index_t key) { return {Kind::inner, NO_LID, key}; }
  /// Part of `old_side`; `key` tells which part (the mesh vertex that the piece replaced), so
  /// that both sides of the cut agree whatever their vertex order.
  static SideOrigin cut(local_index_t old_side, index_t key) { return {Kind::cut, old_side, key}; }

  Kind kind;
  local_index_t old_side;
  index_t key;
};

struct Piece {
  index_t element{NO_ID};
  /// One tag per side of the piece, in the piece's side order.
  absl::InlinedVector<SideOrigin, 8> sides;
};

struct ElementPieces {
  index_t old_element{NO_ID};
  absl::InlinedVector<Piece, 3> pieces;
};

namespace detail {

inline const ElementPieces* find_split(absl::Span<const ElementPieces> splits, index_t element) {
  for (const auto& split : splits) {
    if (split.old_element == element) return &split;
  }
  return nullptr;
}

/// The piece side of `split` with exactly this origin.
inline std::optional<std::pair<index_t, local_index_t>> find_side(const ElementPieces& split,
                                                                  SideOrigin::Kind kind,
                                                                  local_index_t old_side,
                                                                  index_t key) {
  for (const auto& piece : split.pieces) {
    for (std::size_t side = 0; side < piece.sides.size(); ++side) {
      const auto& origin = piece.sides[side];
      if (origin.kind == kind && origin.old_side == old_side && origin.key == key) {
        return std::pair{piece.element, static_cast<local_index_t>(side)};
      }
    }
  }
  return std::nullopt;
}

}  // namespace detail

/// Sets the adjacency of every piece side and re-points the outside neighbours. The replaced
/// elements keep their own adjacency (they stay, inactive, until a clean). `Mesh` provides:
///   std::optional<index_t> adjacent(index_t element, local_index_t side);
///   std::optional<local_index_t> adjacent_side(index_t element, local_index_t side);
///   void set_adjacent(index_t element, local_index_t side, index_t adjacent);
///   void unset_adjacent(index_t element, local_index_t side);
/// Elements split together are all in `splits`; an element split on both sides of a cut finds
/// its partner there. The number of splits is small, so partners are found by a linear scan.
template <typename Mesh>
void link_pieces(Mesh& mesh, absl::Span<const ElementPieces> splits) {
  using Kind = SideOrigin::Kind;
  for (const auto& split : splits) {
    const auto old = split.old_element;
    for (const auto& piece : split.pieces) {
      for (std::size_t s = 0; s < piece.sides.size(); ++s) {
        const auto side = static_cast<local_index_t>(s);
        const auto& origin = piece.sides[s];
        if (origin.kind == Kind::inner) {
          for (const auto& other : split.pieces) {
            if (other.element == piece.element) continue;
            for (std::size_t t = 0; t < other.sides.size(); ++t) {
              if (other.sides[t].kind == Kind::inner && other.sides[t].key == origin.key) {
                mesh.set_adjacent(piece.element, side, other.element);
              }
            }
          }
          continue;
        }
        const auto neighbour = mesh.adjacent(old, origin.old_side);
        if (!neighbour) continue;
        const auto neighbour_side = mesh.adjacent_side(old, origin.old_side);
        const auto* neighbour_split = detail::find_split(splits, *neighbour);
        if (neighbour_split != nullptr) {
          // Both elements were split: glue the matching pieces.
          if (!neighbour_side) continue;
          const auto partner =
              detail::find_side(*neighbour_split, origin.kind, *neighbour_side, origin.key);
          if (partner) mesh.set_adjacent(piece.element, side, partner->first);
          continue;
        }
        if (!neighbour_side) continue;
        const bool points_back = mesh.adjacent(*neighbour, *neighbour_side) == old;
        if (origin.kind == Kind::outer) {
          mesh.set_adjacent(piece.element, side, *neighbour);
          if (points_back) mesh.set_adjacent(*neighbour, *neighbour_side, piece.element);
        } else if (points_back) {
          // A neighbour across a cut side that was not split cannot match either half.
          mesh.unset_adjacent(*neighbour, *neighbour_side);
        }
      }
    }
  }
}

}  // namespace veyra::internal
