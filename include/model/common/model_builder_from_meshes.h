// SPDX-License-Identifier: MIT
// ModelBuilderFromMeshes<Model>: turns separate point sets, curves and surface meshes into the
// corners, lines and surfaces of a model, tied where they touch, then runs the topology engine.
#pragma once

#include <functional>
#include <memory>

#include <absl/types/span.h>

#include <ostrel/basic/common.h>
#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/point_set.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/section.h>

#include <model/common/mappings.h>

namespace veyra::detail {

/// Fills a model (BRep or Section, with no component nor unique vertex yet) from meshes.
///
/// build_model() copies each point set into a corner, each curve into a line and each surface
/// mesh into a surface, each component taking its mesh's id (and name, when the mesh has one).
/// All mesh points closer than 1e-6 to each other, in one mesh or across meshes, are tied to one
/// unique vertex. The topology engine then runs without merging, so every border the meshes
/// give is kept: the mappings it returns start from the input mesh ids, (mesh id, vertex) and
/// (mesh id, element) pairs and lead to the final components.
///
/// The model and the meshes are referenced, not copied: they must outlive build_model().
/// Not copyable.
template <typename Model>
class ModelBuilderFromMeshes {
 public:
  static constexpr index_t dimension = Model::dim;

  using PointSets = absl::Span<const std::reference_wrapper<const PointSet<dimension>>>;
  using Curves = absl::Span<const std::reference_wrapper<const EdgedCurve<dimension>>>;
  using Surfaces = absl::Span<const std::reference_wrapper<const SurfaceMesh<dimension>>>;

  /// Keeps the model and the spans; does nothing to the model.
  ModelBuilderFromMeshes(Model& model, PointSets point_sets, Curves curves, Surfaces surfaces);
  ~ModelBuilderFromMeshes();
  ModelBuilderFromMeshes(const ModelBuilderFromMeshes&) = delete;
  ModelBuilderFromMeshes& operator=(const ModelBuilderFromMeshes&) = delete;

  /// The whole conversion (see the class comment); call it once. No block is built here.
  /// \throw VeyraConversionModelException (input) "[ModelBuilderFromUniqueVertices::
  /// check_unique_vertices] No unique vertices in input model" when the meshes hold no vertex;
  /// \throw VeyraConversionModelException (input, null data) "[ModelBuilderFromMeshes::
  /// build_model] Vertex <v> of the <point set|curve|surface mesh> <id> is not at a finite
  /// position: [<point>]" for a NaN or infinite coordinate, before the model is touched;
  /// the topology engine's errors; framework errors (a mesh id used twice).
  ModelMappings<Model> build_model();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

extern template class ModelBuilderFromMeshes<Section>;
extern template class ModelBuilderFromMeshes<BRep>;

}  // namespace veyra::detail
