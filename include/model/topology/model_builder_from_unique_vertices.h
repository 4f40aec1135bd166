// SPDX-License-Identifier: MIT
// ModelBuilderFromUniqueVertices<Model>: the topology engine, which cleans a model whose meshes
// are tied by unique vertices and rebuilds its corners, lines, surfaces (and blocks) from them.
#pragma once

#include <memory>

#include <ostrel/basic/common.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/section.h>

#include <model/common/mappings.h>

namespace veyra::detail {

/// The topology engine (Model is BRep or Section).
///
/// Construction cleans and checks the model, in this order:
///   1. the corners, lines and surfaces the model has now are recorded as the old components,
///      from which every entry of the returned mappings starts;
///   2. BRep without merge_components: every block border that no surface covers becomes a
///      surface;
///   3. every corner, line and surface mesh vertex must be tied to a unique vertex (block mesh
///      vertices need not be);
///   4. the mesh vertices of each unique vertex are moved onto the position of its first corner,
///      line or surface vertex, with a warning for each vertex farther than the framework
///      tolerance;
///   5. BRep: every block needs a boundary surface, a surface may be internal to one block at
///      most and bound two blocks at most;
///   6. a corner with several points becomes one corner per point (same name and relations);
///   7. line edges from a vertex to itself and repeated line edges are deleted; surface meshes
///      are repaired (repeated polygon vertices, duplicated polygons, orientation, manifold);
///   8. the inventory of unique edges is built.
/// update_model() then identifies corners and lines, surfaces, missing corners and, for a BRep,
/// blocks, updates the model boundaries and returns the mappings from the old components to the
/// final ones (see update_model).
///
/// The model and the parameters must outlive the engine; the parameters are read again by
/// update_model. Nothing is undone after a failure. Not copyable.
template <typename Model>
class ModelBuilderFromUniqueVertices {
 public:
  static constexpr index_t dimension = Model::dim;

  /// Runs the construction phases above.
  /// \throw VeyraConversionModelException (input, null data) "[ModelBuilderFromUniqueVertices::
  /// check_unique_vertices] No unique vertices in input model".
  /// \throw VeyraConversionModelException (input, data: the vertex's point)
  /// "[ModelBuilderFromUniqueVertices::check_unique_vertices] Missing unique vertex for corner"
  /// (likewise "for line", "for surface").
  /// \throw VeyraConversionModelException (input, null data) "[ModelBuilderFromUniqueVertices]
  /// A block must have at least one boundary surface.", "[ModelBuilderFromUniqueVertices] A
  /// surface cannot have several embedding blocks." or "[ModelBuilderFromUniqueVertices] A
  /// surface cannot have more than two incident blocks.".
  ModelBuilderFromUniqueVertices(Model& model, const ModelBuildTopologyParameters& parameters);
  ~ModelBuilderFromUniqueVertices();
  ModelBuilderFromUniqueVertices(const ModelBuilderFromUniqueVertices&) = delete;
  ModelBuilderFromUniqueVertices& operator=(const ModelBuilderFromUniqueVertices&) = delete;

  /// Rebuilds the topology, once:
  ///   1. corners and lines from the wireframe of unique vertices, lines split at corners;
  ///   2. surfaces split along lines, merged across edges without line, cut along internal
  ///      lines;
  ///   3. with merge_components: corners created by the run that are no longer needed are
  ///      removed and the lines through them merged;
  ///   4. a corner wherever two surfaces meet at a vertex off their common lines, the line
  ///      through it split; a declared corner inside a surface becomes internal to it;
  ///   5. BRep: blocks brought up to date with the surfaces;
  ///   6. uncovered border components gathered into a new model boundary, members off the
  ///      border detached, empty boundaries removed;
  ///   7. mappings finalized: old components map directly to final ones, every component of
  ///      the model that no old one maps to is listed as created (or unchanged when it is an
  ///      old component);
  ///   8. single-edge lines inside triangulated surfaces get a middle vertex so that the
  ///      surfaces can be cut along them;
  ///   9. created components touching an inactive surface (or block) become inactive.
  /// \throw VeyraConversionModelException (internal, data: the point of the first line vertex)
  /// "[ModelBuilderFromUniqueVertices::create_missing_corners] Missing corner on intersection
  /// with multiple lines on unique vertex <uv> at position [<point>], with <n> line cmvs
  /// around: , <cmv>, <cmv>..." when lines meet at a unique vertex without a corner; and the
  /// errors of the identification steps.
  ModelMappings<Model> update_model();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

extern template class ModelBuilderFromUniqueVertices<Section>;
extern template class ModelBuilderFromUniqueVertices<BRep>;

}  // namespace veyra::detail
