// SPDX-License-Identifier: MIT
// Small models for the surface steps of the topology engine: unique vertices at grid places,
// surfaces and lines given by their unique vertices, a wireframe that holds exactly the model's
// lines, and an engine context over them.
#pragma once

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <gtest/gtest.h>

#include <ostrel/basic/logger.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/canonical_cycle.h>
#include <ostrel/model/component_mesh_edges.h>
#include <ostrel/model/component_mesh_polygons.h>
#include <ostrel/model/section.h>
#include <ostrel/model/section_builder.h>
#include <model/common/library.h>
#include <model/common/mappings.h>
#include <model/topology/engine_context.h>
#include <model/wireframe/corners_lines_builder.h>
#include <veyra_testing/log_capture.h>

namespace veyra::testing_support {

using Polygon = std::vector<index_t>;

template <index_t D>
Point<D> at(double x, double y) {
  if constexpr (D == 2) {
    return Point<2>{{x, y}};
  } else {
    return Point<3>{{x, y, 0.}};
  }
}

/// The triangles of an nx x ny grid of unit cells whose unique vertex j (nx + 1) + i stands at
/// (i, j): each cell (a, b, d), (a, d, c) with a its lower left, b lower right, c upper left and
/// d upper right corner, all counterclockwise.
inline std::vector<Polygon> grid_triangles(index_t nx, index_t ny) {
  std::vector<Polygon> triangles;
  for (index_t j = 0; j < ny; ++j) {
    for (index_t i = 0; i < nx; ++i) {
      const auto a = j * (nx + 1) + i;
      const auto c = a + nx + 1;
      triangles.push_back({a, a + 1, c + 1});
      triangles.push_back({a, c + 1, c});
    }
  }
  return triangles;
}

/// A wireframe made of exactly the lines of the model: each line edge registered under its
/// unique vertices and declared as that edge of its line.
template <typename Model>
class LinesWireframe : public detail::CornersLinesBuilder<Model> {
  using Base = detail::CornersLinesBuilder<Model>;

 public:
  explicit LinesWireframe(Model& model) : Base(model) {}
  using Base::model_builder;

 private:
  void build_wireframe_step() override {
    const auto& model = this->model();
    for (const auto& line : model.lines()) {
      const auto& mesh = line.mesh();
      for (index_t edge = 0; edge < mesh.nb_edges(); ++edge) {
        const auto vertices = mesh.edge_vertices(edge);
        const auto wireframe_edge =
            this->find_or_create_edge(edge_unique_vertices(model, line, edge),
                                      {mesh.point(vertices[0]), mesh.point(vertices[1])});
        this->declare_line_edge(wireframe_edge.first, line.id(), edge);
      }
    }
  }
  bool is_corner(index_t) const override { return false; }
};

/// An empty mappings record with an entry for every component type of the model.
template <typename Model>
ModelMappings<Model> empty_mappings() {
  ModelMappings<Model> mappings;
  std::vector<ComponentType> types{Corner<Model::dim>::component_type_static(),
                                   Line<Model::dim>::component_type_static(),
                                   Surface<Model::dim>::component_type_static(),
                                   ModelBoundary<Model::dim>::component_type_static()};
  if constexpr (Model::dim == 3) types.push_back(Block<3>::component_type_static());
  for (const auto& type : types) {
    mappings.component_mappings.emplace(type, {});
    mappings.created_components.emplace(type, {});
    mappings.removed_components.emplace(type, {});
    mappings.unchanged_components.emplace(type, {});
  }
  return mappings;
}

/// The warning lines among the captured ones.
inline std::vector<std::string> warnings(veyra::testing::LogCapture& capture) {
  std::vector<std::string> result;
  for (const auto& line : capture.lines()) {
    if (line.level == Logger::LEVEL::warn) result.push_back(line.text);
  }
  return result;
}

/// One small model under construction, with its wireframe, mappings and engine context.
template <typename Model>
class SurfaceScene {
 public:
  static constexpr index_t D = Model::dim;
  using Builder = typename Model::Builder;

  SurfaceScene() { VeyraConversionModelLibrary::initialize(); }
  SurfaceScene(const SurfaceScene&) = delete;
  SurfaceScene& operator=(const SurfaceScene&) = delete;

  static MeshImpl triangulated() { return OstrelTriangulatedSurface<D>::impl_name_static(); }
  static MeshImpl polygonal() { return OstrelPolygonalSurface<D>::impl_name_static(); }

  /// Unique vertices at the places of an nx x ny grid (see grid_triangles), plus `extra` more
  /// places given afterwards with place().
  void make_grid_places(index_t nx, index_t ny, index_t extra = 0) {
    places_.clear();
    for (index_t j = 0; j <= ny; ++j) {
      for (index_t i = 0; i <= nx; ++i) places_.push_back(at<D>(i, j));
    }
    places_.resize(places_.size() + extra, at<D>(0, 0));
    builder().create_unique_vertices(static_cast<index_t>(places_.size()));
  }
  void place(index_t unique_vertex, const Point<D>& point) { places_[unique_vertex] = point; }

  /// A surface whose mesh vertex v stands at the place of unique_vertices[v] and is tied to it.
  uuid add_surface_mesh(const MeshImpl& impl, const std::vector<index_t>& unique_vertices,
                        const std::vector<Polygon>& polygons) {
    const auto id = builder().add_surface(impl);
    auto mesh_builder = builder().surface_mesh_builder(id);
    for (const auto unique_vertex : unique_vertices) {
      mesh_builder->create_point(places_[unique_vertex]);
    }
    for (const auto& polygon : polygons) mesh_builder->create_polygon(polygon);
    mesh_builder->compute_polygon_adjacencies();
    const auto component = model.surface(id).component_id();
    for (index_t v = 0; v < unique_vertices.size(); ++v) {
      builder().set_unique_vertex({component, v}, unique_vertices[v]);
    }
    return id;
  }

  /// A surface of the polygons given by unique vertices: one mesh vertex per unique vertex.
  uuid add_surface(const MeshImpl& impl, const std::vector<Polygon>& polygons) {
    std::vector<index_t> unique_vertices;
    absl::flat_hash_map<index_t, index_t> vertex_of;
    std::vector<Polygon> local = polygons;
    for (auto& polygon : local) {
      for (auto& vertex : polygon) {
        const auto [found, added] =
            vertex_of.try_emplace(vertex, static_cast<index_t>(unique_vertices.size()));
        if (added) unique_vertices.push_back(vertex);
        vertex = found->second;
      }
    }
    return add_surface_mesh(impl, unique_vertices, local);
  }

  /// A line through the unique vertices in order.
  uuid add_line(const std::vector<index_t>& unique_vertices) {
    const auto id = builder().add_line();
    auto mesh_builder = builder().line_mesh_builder(id);
    for (const auto unique_vertex : unique_vertices) {
      mesh_builder->create_point(places_[unique_vertex]);
    }
    for (index_t v = 0; v + 1 < unique_vertices.size(); ++v) mesh_builder->create_edge(v, v + 1);
    const auto component = model.line(id).component_id();
    for (index_t v = 0; v < unique_vertices.size(); ++v) {
      builder().set_unique_vertex({component, v}, unique_vertices[v]);
    }
    return id;
  }

  /// A corner at the place of the unique vertex.
  uuid add_corner(index_t unique_vertex) {
    const auto id = builder().add_corner();
    builder().corner_mesh_builder(id)->create_point(places_[unique_vertex]);
    builder().set_unique_vertex({model.corner(id).component_id(), 0}, unique_vertex);
    return id;
  }

  /// Builds the wireframe from the model's lines and the context over the model as it is.
  detail::EngineContext<Model>& start(bool merge_components = true) {
    wireframe_.build();
    context_ = std::make_unique<detail::EngineContext<Model>>(model, builder(), wireframe_,
                                                              mappings, merge_components);
    return *context_;
  }

  Builder& builder() { return wireframe_.model_builder(); }
  const detail::CornersLinesBuilder<Model>& wireframe() const { return wireframe_; }
  detail::EngineContext<Model>& context() { return *context_; }
  GenericMapping<uuid>& surface_mapping() {
    return mappings.component_mappings.at(Surface<D>::component_type_static());
  }

  std::vector<uuid> surface_ids() const {
    std::vector<uuid> ids;
    for (const auto& surface : model.surfaces()) ids.push_back(surface.id());
    return ids;
  }

  /// The surfaces of the model that `old` became, following the component mapping through the
  /// surfaces made (and removed) during the run.
  std::vector<uuid> final_surfaces(const uuid& old) {
    std::vector<uuid> result;
    std::vector<uuid> pending{old};
    while (!pending.empty()) {
      const auto id = pending.back();
      pending.pop_back();
      if (model.has_surface(id) && id != old) {
        result.push_back(id);
        continue;
      }
      if (!surface_mapping().has_mapping_input(id)) continue;
      for (const auto& next : surface_mapping().in2out(id)) pending.push_back(next);
    }
    std::sort(result.begin(), result.end());
    return result;
  }

  /// The canonical cycle of unique vertices of a surface polygon.
  PolygonVertices cycle(const uuid& surface, index_t polygon) const {
    return canonical_cycle(polygon_unique_vertices(model, model.surface(surface), polygon));
  }

  index_t unique_vertex(const uuid& component_id, index_t vertex) const {
    for (const auto& surface : model.surfaces()) {
      if (surface.id() == component_id) {
        return model.unique_vertex({surface.component_id(), vertex});
      }
    }
    for (const auto& line : model.lines()) {
      if (line.id() == component_id) return model.unique_vertex({line.component_id(), vertex});
    }
    ADD_FAILURE() << "no surface or line " << component_id.string();
    return NO_ID;
  }

  /// The mesh vertex of the surface on the unique vertex (its only one).
  index_t surface_vertex(const uuid& surface, index_t unique_vertex) const {
    const auto vertices = model.component_mesh_vertices(unique_vertex, surface);
    EXPECT_EQ(vertices.size(), 1u);
    return vertices.empty() ? NO_ID : vertices.front();
  }

  /// The vertex lists of the surface's polygons.
  std::vector<Polygon> polygons(const uuid& surface) const {
    std::vector<Polygon> result;
    const auto& mesh = model.surface(surface).mesh();
    for (index_t p = 0; p < mesh.nb_polygons(); ++p) {
      const auto vertices = mesh.polygon_vertices(p);
      result.emplace_back(vertices.begin(), vertices.end());
    }
    return result;
  }

  std::vector<uuid> boundary_lines(const uuid& surface) const {
    std::vector<uuid> lines;
    for (const auto& line : model.boundaries(model.surface(surface))) lines.push_back(line.id());
    return lines;
  }

  std::vector<uuid> internal_lines(const uuid& surface) const {
    std::vector<uuid> lines;
    for (const auto& line : model.internal_lines(model.surface(surface))) {
      lines.push_back(line.id());
    }
    return lines;
  }

  /// Checks that every polygon of `old` maps to exactly one polygon of a surface of the model on
  /// the same unique vertices (given the old cycles); returns the targets.
  std::vector<MeshElement> expect_polygons_follow(const uuid& old,
                                                  const std::vector<PolygonVertices>& old_cycles) {
    std::vector<MeshElement> targets;
    const auto& mapping = mappings.mesh_elements.surfaces;
    for (index_t polygon = 0; polygon < old_cycles.size(); ++polygon) {
      const MeshElement source{old, polygon};
      if (!mapping.has_mapping_input(source)) {
        ADD_FAILURE() << "polygon " << polygon << " is not mapped";
        continue;
      }
      const auto& values = mapping.in2out(source);
      EXPECT_EQ(values.size(), 1u) << "polygon " << polygon;
      const auto& target = values.front();
      EXPECT_TRUE(model.has_surface(target.component_id));
      if (model.has_surface(target.component_id)) {
        EXPECT_EQ(cycle(target.component_id, target.element), old_cycles[polygon]);
      }
      targets.push_back(target);
    }
    return targets;
  }

  /// The canonical cycles of every polygon of the surface.
  std::vector<PolygonVertices> cycles(const uuid& surface) const {
    std::vector<PolygonVertices> result;
    for (index_t p = 0; p < model.surface(surface).mesh().nb_polygons(); ++p) {
      result.push_back(cycle(surface, p));
    }
    return result;
  }

  Model model;
  ModelMappings<Model> mappings{empty_mappings<Model>()};

 private:
  LinesWireframe<Model> wireframe_{model};
  std::vector<Point<D>> places_;
  std::unique_ptr<detail::EngineContext<Model>> context_;
};

/// Typed suites over Section and BRep.
template <typename Model>
class SurfaceStepsTest : public ::testing::Test {
 protected:
  void SetUp() override { VeyraConversionModelLibrary::initialize(); }
};

using ModelTypes = ::testing::Types<Section, BRep>;

}  // namespace veyra::testing_support
