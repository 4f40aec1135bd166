// SPDX-License-Identifier: MIT
#include <model/common/model_builder_from_meshes.h>

#include <string_view>
#include <utility>
#include <vector>

#include <ostrel/basic/logger.h>
#include <ostrel/geometry/nn_search.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section.h>
#include <ostrel/model/section_builder.h>

#include <model/common/library.h>
#include <model/topology/model_builder_from_unique_vertices.h>

namespace veyra::detail {
namespace {

// Points closer than this (absolute distance, model units) are one unique vertex.
constexpr double colocation_tolerance = 1e-6;

}  // namespace

template <typename Model>
class ModelBuilderFromMeshes<Model>::Impl {
  static constexpr index_t D = Model::dim;

 public:
  Impl(Model& model, PointSets point_sets, Curves curves, Surfaces surfaces)
      : model_(model),
        builder_(model),
        point_sets_(point_sets),
        curves_(curves),
        surfaces_(surfaces) {}

  ModelMappings<Model> build_model() {
    Logger::log_trace("[ModelBuilderFromMeshes::build_model] ", point_sets_.size(),
                      " point sets, ", curves_.size(), " curves and ", surfaces_.size(),
                      " surface meshes");
    auto points = collect_points();
    const auto colocated = NNSearch<D>{std::move(points)}.colocated_index_mapping(
        colocation_tolerance);
    Logger::log_debug("[ModelBuilderFromMeshes::build_model] ", colocated.nb_unique_points(),
                      " unique vertices");
    // The model has no unique vertex yet, so the colocated indices are the unique vertex ids.
    builder_.create_unique_vertices(colocated.nb_unique_points());
    const auto& unique_vertex_of = colocated.colocated_mapping;
    for (index_t m = 0; m < point_sets_.size(); ++m) {
      const auto& mesh = point_sets_[m].get();
      builder_.add_corner(mesh.id());
      const auto& corner = model_.corner(mesh.id());
      builder_.update_corner_mesh(corner, mesh.clone());
      if (const auto name = mesh.name()) builder_.set_corner_name(corner.id(), *name);
      tie_vertices(corner.component_id(), mesh, point_set_offsets_[m], unique_vertex_of);
    }
    for (index_t m = 0; m < curves_.size(); ++m) {
      const auto& mesh = curves_[m].get();
      builder_.add_line(mesh.id());
      const auto& line = model_.line(mesh.id());
      builder_.update_line_mesh(line, mesh.clone());
      if (const auto name = mesh.name()) builder_.set_line_name(line.id(), *name);
      tie_vertices(line.component_id(), mesh, curve_offsets_[m], unique_vertex_of);
    }
    for (index_t m = 0; m < surfaces_.size(); ++m) {
      const auto& mesh = surfaces_[m].get();
      builder_.add_surface(mesh.id());
      const auto& surface = model_.surface(mesh.id());
      builder_.update_surface_mesh(surface, mesh.clone());
      if (const auto name = mesh.name()) builder_.set_surface_name(surface.id(), *name);
      tie_vertices(surface.component_id(), mesh, surface_offsets_[m], unique_vertex_of);
    }
    const ModelBuildTopologyParameters parameters{false};
    ModelBuilderFromUniqueVertices<Model> engine{model_, parameters};
    return engine.update_model();
  }

 private:
  // Every vertex of every mesh, point sets first, then curves, then surface meshes. Each
  // mesh's vertices take consecutive positions in the list, so the position of a mesh vertex is
  // its mesh's first position plus its index: one offset per mesh is all the lookup needs.
  std::vector<Point<D>> collect_points() {
    index_t nb_points = 0;
    for (const auto& mesh : point_sets_) nb_points += mesh.get().nb_vertices();
    for (const auto& mesh : curves_) nb_points += mesh.get().nb_vertices();
    for (const auto& mesh : surfaces_) nb_points += mesh.get().nb_vertices();
    std::vector<Point<D>> points;
    points.reserve(nb_points);
    collect_mesh_points(point_sets_, point_set_offsets_, points, "point set");
    collect_mesh_points(curves_, curve_offsets_, points, "curve");
    collect_mesh_points(surfaces_, surface_offsets_, points, "surface mesh");
    return points;
  }

  // A NaN or infinite coordinate is the caller's: no distance to it means anything, so it is
  // reported here rather than left to fail somewhere in the colocation or the engine.
  template <typename Meshes>
  static void collect_mesh_points(Meshes meshes, std::vector<index_t>& offsets,
                                  std::vector<Point<D>>& points, std::string_view kind) {
    offsets.reserve(meshes.size());
    for (const auto& mesh_ref : meshes) {
      const auto& mesh = mesh_ref.get();
      offsets.push_back(static_cast<index_t>(points.size()));
      for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
        const auto& point = mesh.point(v);
        if (!is_finite(point)) {
          throw VeyraConversionModelException{
              nullptr, OstrelException::TYPE::input, "[ModelBuilderFromMeshes::build_model] Vertex ",
              v, " of the ", kind, " ", mesh.id().string(), " is not at a finite position: [",
              point.string(), "]"};
        }
        points.push_back(point);
      }
    }
  }

  template <typename Mesh>
  void tie_vertices(const ComponentID& component, const Mesh& mesh, index_t offset,
                    const std::vector<index_t>& unique_vertex_of) {
    for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
      builder_.set_unique_vertex({component, v}, unique_vertex_of[offset + v]);
    }
  }

  Model& model_;
  typename Model::Builder builder_;
  PointSets point_sets_;
  Curves curves_;
  Surfaces surfaces_;
  // Position of each mesh's vertex 0 in the collected list, per kind, in span order.
  std::vector<index_t> point_set_offsets_;
  std::vector<index_t> curve_offsets_;
  std::vector<index_t> surface_offsets_;
};

template <typename Model>
ModelBuilderFromMeshes<Model>::ModelBuilderFromMeshes(Model& model, PointSets point_sets,
                                                      Curves curves, Surfaces surfaces)
    : impl_(std::make_unique<Impl>(model, point_sets, curves, surfaces)) {}

template <typename Model>
ModelBuilderFromMeshes<Model>::~ModelBuilderFromMeshes() = default;

template <typename Model>
ModelMappings<Model> ModelBuilderFromMeshes<Model>::build_model() {
  return impl_->build_model();
}

template class ModelBuilderFromMeshes<Section>;
template class ModelBuilderFromMeshes<BRep>;

}  // namespace veyra::detail
