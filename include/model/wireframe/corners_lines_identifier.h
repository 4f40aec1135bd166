// SPDX-License-Identifier: MIT
// CornersLinesIdentifier<Model>: derives the corners and lines of a model from its unique
// vertices on the wireframe of CornersLinesBuilder, then repairs the lines (merge at vertices
// that are no corner, split at corners, duplicates merged), recording every change.
#pragma once

#include <absl/types/span.h>
#include <model/common/mappings.h>
#include <model/wireframe/corners_lines_builder.h>
#include <model/wireframe/unique_edges_inventory.h>
#include <ostrel/basic/uuid.h>

#include <memory>
#include <vector>

namespace veyra::detail {

/// The corner-and-line pass of the topology engine (Model is BRep or Section).
///
/// The wireframe is filled from the model itself: its corners (declared where they stand), its
/// lines (their edges declared as they are) and the surface polygon edges that must carry a line
/// (feature edges, and every surface border edge outside merging mode). A wireframe vertex needs
/// a corner when the line cannot simply go on through it (see should_be_corner).
///
/// identify_corners_and_lines() runs, in order:
///   1. the wireframe step: corners, lines, surface edges, then the base's corners and lines
///      steps, which create the corners and lines still missing;
///   2. corners standing on one unique vertex are merged into one;
///   3. in merging mode only, lines meeting at a vertex that is no corner are merged, and lines
///      closed without any corner are welded onto one vertex per unique vertex;
///   4. a line whose mesh holds several separate pieces becomes one line per piece, then lines
///      are split at the corners they pass through;
///   5. every declared corner bounds the lines of its wireframe edges;
///   6. lines that duplicate each other are merged.
///
/// Every replacement is recorded in the mappings record: old to new component ids per type, and
/// old to new mesh vertices and elements through the component merge operations, which start
/// entries only from the old components given to each step (those that existed when the run
/// started) and collapse chains through components made during the run. The record holds an
/// entry for every component type of the model ("Corner", "Line", "Surface", "Block" for a
/// BRep, "ModelBoundary") in each of its per-type members from construction on.
///
/// Failures throw VeyraConversionModelException with messages that begin with
/// "[ModelBuilderFromUniqueVertices::", since the topology engine is the only user of this class;
/// nothing is undone. The model must outlive the identifier. Not copyable.
template <typename Model>
class CornersLinesIdentifier : public CornersLinesBuilder<Model> {
  using Base = CornersLinesBuilder<Model>;

 public:
  static constexpr index_t dimension = Model::dim;

  /// Nothing is computed. `merge_components` true selects merging mode: lines meeting at a
  /// vertex that is no corner are merged, and free line ends and surface borders get corners and
  /// lines only where the corner criterion asks for them.
  CornersLinesIdentifier(Model& model, bool merge_components);
  ~CornersLinesIdentifier() override;

  /// Recomputes the inventory of unique edges from the model's surfaces (surfaces in model
  /// order, polygons in index order, edges in local order). Every surface mesh vertex must be
  /// tied to a unique vertex.
  void build_unique_edges_inventory();

  /// The whole corner-and-line pass (see the class comment). `old_corners` and `old_lines` are
  /// the corners and lines the model had when the run started; mesh mapping entries start only
  /// from their vertices and elements.
  /// \throw VeyraConversionModelException (input, data: the corner's first point, or null for an
  /// empty mesh) "[ModelBuilderFromUniqueVertices::add_corner_to_wireframe] Manage only one
  /// vertex corners" when a corner mesh does not have exactly one vertex.
  void identify_corners_and_lines(absl::Span<const uuid> old_corners,
                                  absl::Span<const uuid> old_lines);

 protected:
  /// The corner criterion at a wireframe vertex: a corner when it does not have exactly two
  /// wireframe edges; otherwise, when a surface touches either edge, a corner exactly when the
  /// two edges are not touched by the same surfaces the same number of times; when no surface
  /// touches them, a corner exactly when a surface mesh has a vertex on its unique vertex.
  bool should_be_corner(index_t wireframe_vertex) const;

  /// Merges the lines that meet at wireframe vertices that are no corner, each connected group
  /// into one new line, then welds every line without boundary whose mesh has more vertices
  /// than edges onto one vertex per unique vertex.
  /// \throw VeyraConversionModelException (internal) when a wireframe vertex that is no corner
  /// does not have exactly two wireframe edges, when the merged lines are bounded by more than
  /// two corners, or when a merged line edge has no wireframe edge.
  void merge_lines_not_bounded_by_corners(absl::Span<const uuid> old_lines);

  /// Splits each listed line at the corners declared on its vertices (in the given order): a
  /// closed line through one corner is opened there, a line with corners only at its two free
  /// ends is only bounded by them, any other line through corners is replaced by one line per
  /// stretch between corners, which is then added to the wireframe.
  /// \throw VeyraConversionModelException (internal) when a stretch leaving a corner ends on a
  /// vertex that is no corner.
  void split_lines_by_corners(absl::Span<const uuid> old_lines,
                              absl::Span<const uuid> lines_to_split);

  /// Replaces each listed line whose edges form several connected pieces by one line per piece
  /// (pieces in order of their smallest edge), recorded like a split. Returns the list with each
  /// such line replaced in place by its pieces.
  std::vector<uuid> split_lines_into_connected_pieces(absl::Span<const uuid> old_lines,
                                                      absl::Span<const uuid> lines);

  /// The inventory of the last build_unique_edges_inventory().
  const UniqueEdgesInventory& unique_edges_inventory() const;

  /// The mappings record filled by every step.
  ModelMappings<Model>& mappings();
  /// The mappings record, for the caller to move out.
  ModelMappings<Model>&& steal_mappings();

  using Base::model_builder;

 private:
  /// True when a corner is declared at the wireframe vertex, else should_be_corner().
  bool is_corner(index_t wireframe_vertex) const override;
  /// Fills the wireframe from the model and runs the base's corners and lines steps.
  void build_wireframe_step() override;

  class Impl;
  std::unique_ptr<Impl> impl_;
};

extern template class CornersLinesIdentifier<Section>;
extern template class CornersLinesIdentifier<BRep>;

}  // namespace veyra::detail
