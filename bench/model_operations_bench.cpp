// SPDX-License-Identifier: MIT
// Model operations: add_sharp_features on a closed star-shaped prism (1,000 vertical creases plus
// its two rims) of about 10,000 to 1,000,000 triangles, and add_brep_segmentation of a
// tetrahedral box block of about 10,000 to 1,000,000 tetrahedra with the machine's thread count.
// Items are the triangles of the surface and the tetrahedra of the block. The model is rebuilt,
// untimed, before each run since both operations change it in place.
#include <benchmark/benchmark.h>
#include <model/common/library.h>
#include <model/operations/brep_segmentation.h>
#include <model/operations/sharp_features.h>
#include <ostrel/basic/parallel.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <veyra_testing/model_generators.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <utility>
#include <vector>

#include "bench_support.h"

namespace {

using veyra::index_t;
using veyra::Point;

constexpr index_t nb_profile_vertices = 1000;

// The prism of height 1 over a star-shaped profile of nb_profile_vertices vertices (radii 1 and
// 0.99 alternating), so that every profile vertex is the foot of a vertical crease. Each profile
// segment is split into `columns` columns and the height into `rows` rows of two triangles;
// the two caps are fans around their centres. Oriented outwards, adjacencies computed.
std::unique_ptr<veyra::TriangulatedSurface<3>> make_star_prism(index_t columns, index_t rows) {
  auto mesh = veyra::TriangulatedSurface<3>::create();
  auto builder = veyra::SurfaceMeshBuilder<3>::create(*mesh);
  const index_t ring = nb_profile_vertices * columns;
  std::vector<Point<3>> profile;
  profile.reserve(ring);
  const auto profile_point = [](index_t vertex) {
    const double angle = 2. * std::numbers::pi * vertex / nb_profile_vertices;
    const double radius = vertex % 2 ? 0.99 : 1.;
    return Point<3>{{radius * std::cos(angle), radius * std::sin(angle), 0.}};
  };
  for (index_t vertex = 0; vertex < nb_profile_vertices; ++vertex) {
    const auto from = profile_point(vertex);
    const auto to = profile_point((vertex + 1) % nb_profile_vertices);
    for (index_t column = 0; column < columns; ++column) {
      const double t = static_cast<double>(column) / columns;
      profile.push_back(from * (1. - t) + to * t);
    }
  }
  builder->reserve_vertices(ring * (rows + 1) + 2);
  builder->reserve_polygons(2 * ring * rows + 2 * ring);
  for (index_t row = 0; row <= rows; ++row) {
    const double z = static_cast<double>(row) / rows;
    for (const auto& point : profile) {
      builder->create_point(Point<3>{{point.value(0), point.value(1), z}});
    }
  }
  const auto bottom = builder->create_point(Point<3>{{0., 0., 0.}});
  const auto top = builder->create_point(Point<3>{{0., 0., 1.}});
  const auto vertex = [ring](index_t row, index_t k) { return row * ring + k % ring; };
  for (index_t row = 0; row < rows; ++row) {
    for (index_t k = 0; k < ring; ++k) {
      builder->create_polygon(
          std::vector<index_t>{vertex(row, k), vertex(row, k + 1), vertex(row + 1, k + 1)});
      builder->create_polygon(
          std::vector<index_t>{vertex(row, k), vertex(row + 1, k + 1), vertex(row + 1, k)});
    }
  }
  for (index_t k = 0; k < ring; ++k) {
    builder->create_polygon(std::vector<index_t>{bottom, vertex(0, k + 1), vertex(0, k)});
    builder->create_polygon(std::vector<index_t>{top, vertex(rows, k), vertex(rows, k + 1)});
  }
  builder->compute_polygon_adjacencies();
  return mesh;
}

// A BRep whose only component is the surface, each vertex tied to its own unique vertex.
veyra::BRep make_surface_brep(const veyra::SurfaceMesh<3>& mesh) {
  veyra::BRep model;
  veyra::BRepBuilder builder{model};
  const auto id = builder.add_surface(mesh.impl_name());
  builder.update_surface_mesh(model.surface(id), mesh.clone());
  builder.create_unique_vertices(mesh.nb_vertices());
  const auto component = model.surface(id).component_id();
  for (index_t v = 0; v < mesh.nb_vertices(); ++v) builder.set_unique_vertex({component, v}, v);
  return model;
}

void BM_AddSharpFeatures(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const auto columns = static_cast<index_t>(state.range(0));
  const auto rows = static_cast<index_t>(state.range(1));
  const auto mesh = make_star_prism(columns, rows);
  for (auto _ : state) {
    state.PauseTiming();
    auto model = make_surface_brep(*mesh);
    state.ResumeTiming();
    const auto mappings = veyra::add_sharp_features(model, 100.);
    // 1,000 vertical lines and 2,000 rim lines between 2,000 corners.
    if (model.nb_lines() != 3 * nb_profile_vertices ||
        model.nb_corners() != 2 * nb_profile_vertices) {
      state.SkipWithError("unexpected topology");
    }
    benchmark::DoNotOptimize(mappings);
    state.PauseTiming();
    { [[maybe_unused]] const auto released = std::move(model); }
    state.ResumeTiming();
  }
  veyra::bench::report(state, static_cast<double>(mesh->nb_polygons()));
  state.counters["triangles"] = static_cast<double>(mesh->nb_polygons());
}
BENCHMARK(BM_AddSharpFeatures)
    ->Args({1, 5})
    ->Args({2, 25})
    ->Args({10, 50})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_AddBRepSegmentation(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const auto n = static_cast<index_t>(state.range(0));
  const double nb_tetrahedra = 6. * n * n * n;
  for (auto _ : state) {
    state.PauseTiming();
    auto box =
        veyra::testing::make_box_brep(n, n, n, Point<3>{{0., 0., 0.}}, Point<3>{{1., 1., 1.}});
    const auto nb_pieces = veyra::internal::segmentation_piece_count(
        static_cast<index_t>(nb_tetrahedra), veyra::hardware_concurrency());
    state.ResumeTiming();
    const auto mappings = veyra::add_brep_segmentation(box.brep);
    if (box.brep.nb_blocks() != std::max<index_t>(nb_pieces, 1)) {
      state.SkipWithError("unexpected block count");
    }
    benchmark::DoNotOptimize(mappings);
    state.PauseTiming();
    { [[maybe_unused]] const auto released = std::move(box.brep); }
    state.counters["pieces"] = nb_pieces;
    state.ResumeTiming();
  }
  veyra::bench::report(state, nb_tetrahedra);
}
BENCHMARK(BM_AddBRepSegmentation)
    ->Arg(12)
    ->Arg(26)
    ->Arg(55)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
