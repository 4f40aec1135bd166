// SPDX-License-Identifier: MIT
// CornersLinesBuilder<Model>: the wireframe (an edged curve of future corner and line vertices)
// on which every builder of the library creates corners and lines, and the steps that turn it
// into model corners and lines.
#pragma once

#include <absl/types/span.h>
#include <ostrel/basic/common.h>
#include <ostrel/basic/uuid.h>
#include <ostrel/geometry/point.h>
#include <ostrel/mesh/edged_curve.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section_builder.h>

#include <array>
#include <memory>
#include <optional>
#include <utility>

namespace veyra::detail {

template <typename Model>
class WireframeEditor;

/// Base of the builders that create corners and lines (Model is BRep or Section).
///
/// A subclass fills the wireframe in build_wireframe_step(), registering each place under a
/// "support mesh vertex id", which also becomes the model's unique vertex of every corner or line
/// vertex created there, and tells through is_corner() which wireframe vertices need a corner.
/// build() then runs, in order:
///   1. build_wireframe_step();
///   2. the corners step: one model corner per wireframe vertex that has no corner yet and for
///      which is_corner() is true;
///   3. the lines step: from each corner, in wireframe vertex order, one line per incident edge
///      that no line claims yet, walked until the next corner; then one closed line per chain of
///      unclaimed edges left (loops without corner).
/// Vertices and edges declared beforehand (declare_corner, declare_line_edge) stand for existing
/// model corners and lines: the steps leave them alone.
///
/// The wireframe carries five attributes: on vertices "wireframe_vertex_id" (support mesh vertex
/// id), "corner_uuid" (sparse, sentinel_uuid when no corner) and "line_vertex" (line id -> index
/// of the vertex in that line's mesh); on edges "line_uuid" (sentinel_uuid when no line) and
/// "line_edge" (index of the edge in its line's mesh).
///
/// The model must outlive the builder. Not copyable.
template <typename Model>
class CornersLinesBuilder {
 public:
  static constexpr index_t dimension = Model::dim;

  virtual ~CornersLinesBuilder();
  CornersLinesBuilder(const CornersLinesBuilder&) = delete;
  CornersLinesBuilder& operator=(const CornersLinesBuilder&) = delete;

  /// build_wireframe_step(), then the corners step, then the lines step.
  void build();
  /// The corners step alone.
  /// \throw VeyraConversionModelException (internal) "[CornersLinesBuilder::build_corners] Model
  /// VertexIdentifier not initialized" when the model has fewer unique vertices than the
  /// wireframe has vertices.
  void build_corners_step();
  /// The lines step alone.
  /// \throw VeyraConversionModelException (internal, data: the vertex's point) when a walk
  /// reaches a vertex that is neither a corner nor the walk's start and has no unclaimed edge
  /// left, which means is_corner() missed a dangling end or an odd crossing.
  void build_lines_step();

  /// Creates a model corner at the wireframe vertex unless it has one already.
  void add_corner(index_t wireframe_vertex);

  const EdgedCurve<dimension>& wireframe() const;

  /// The wireframe edge joining the two support mesh vertex ids, in either order.
  std::optional<index_t> wireframe_edge_id(const std::array<index_t, 2>& support_vertices) const;
  /// The wireframe vertex registered for the support mesh vertex id.
  std::optional<index_t> wireframe_vertex_id(index_t support_vertex) const;
  /// The support mesh vertex id under which the wireframe vertex was registered.
  index_t support_mesh_vertex_id(index_t wireframe_vertex) const;
  /// The line of the wireframe edge; sentinel_uuid when the edge has no line.
  const uuid& line_uuid(index_t wireframe_edge) const;
  /// The corner at the wireframe vertex; empty when there is none.
  std::optional<uuid> corner_uuid(index_t wireframe_vertex) const;
  /// Index of the wireframe edge in its line's mesh (NO_ID when it has no line).
  index_t line_edge_id(index_t wireframe_edge) const;
  /// Index of the wireframe vertex in the mesh of `line`.
  /// \throw std::out_of_range when the line does not pass through the vertex.
  index_t line_vertex_id(index_t wireframe_vertex, const uuid& line) const;

 protected:
  using ModelBuilder = typename Model::Builder;

  explicit CornersLinesBuilder(Model& model);

  /// Registers the wireframe edges and vertices; see the class comment.
  virtual void build_wireframe_step() = 0;
  /// Whether a wireframe vertex without a corner must get one. Must be true wherever the number
  /// of wireframe edges around the vertex is not two (the lines step cannot walk through it).
  /// May declare corners itself through declare_corner().
  virtual bool is_corner(index_t wireframe_vertex) const = 0;

  /// The wireframe vertex of the support mesh vertex id, created at `point` when absent;
  /// `second` is true when it was created.
  /// \throw VeyraConversionModelException (internal, data: `point`) when the id is registered
  /// already at a point farther than the framework tolerance; nothing is changed then.
  std::pair<index_t, bool> find_or_create_vertex(index_t support_vertex,
                                                 const Point<dimension>& point);
  /// The wireframe edge joining the two ids (in either order), created when absent with its ends
  /// in the given order; the points of an existing edge are not compared. `second` is true when
  /// the edge was created.
  std::pair<index_t, bool> find_or_create_edge(const std::array<index_t, 2>& support_vertices,
                                               const std::array<Point<dimension>, 2>& points);
  /// find_or_create_vertex, then add_corner; `second` is true when this call created a corner.
  std::pair<index_t, bool> find_or_create_corner(index_t support_vertex,
                                                 const Point<dimension>& point);

  /// Records that the model corner `corner` sits at the wireframe vertex; creates nothing.
  void declare_corner(index_t wireframe_vertex, const uuid& corner) const;
  /// Forgets the corner recorded at the wireframe vertex.
  void undeclare_corner(index_t wireframe_vertex) const;
  /// Records that the wireframe edge is edge `line_edge` of the existing model line `line`.
  void declare_line_edge(index_t wireframe_edge, const uuid& line, index_t line_edge) const;

  /// Deletes from the wireframe every edge whose line is `line`; wireframe vertices and their
  /// records stay. Edge indices above deleted ones shift down.
  void remove_line_edges(const uuid& line);
  /// The same for several lines at once, in one pass over the wireframe.
  void remove_line_edges(absl::Span<const uuid> lines);

  /// Reserves room for the expected numbers of wireframe vertices and edges.
  void reserve_wireframe(index_t nb_vertices, index_t nb_edges);

  const Model& model() const;
  /// The builder through which the corners and lines are created.
  ModelBuilder& model_builder();

 private:
  // The topology engine's steps edit the wireframe from outside the subclasses.
  friend class WireframeEditor<Model>;

  class Impl;
  std::unique_ptr<Impl> impl_;
};

extern template class CornersLinesBuilder<Section>;
extern template class CornersLinesBuilder<BRep>;

}  // namespace veyra::detail
