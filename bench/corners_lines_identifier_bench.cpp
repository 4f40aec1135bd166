// SPDX-License-Identifier: MIT
// Corners and lines identification on the six faces of a finely meshed unit cube, six surfaces
// tied through unique vertices (colocated points found with NNSearch). Items are surface
// triangles (12 n^2 for n x n faces).
//   - Inventory: build_unique_edges_inventory alone; the model is left unchanged, so it is built
//     once per size.
//   - BordersPass: build_unique_edges_inventory then identify_corners_and_lines outside merging
//     mode: every surface border becomes lines, giving the 12 cube edges and 8 corners.
//   - FeaturesPass: the same in merging mode with each face in its own surface collection, so
//     that the cube edges are the feature edges.
#include <benchmark/benchmark.h>
#include <model/common/library.h>
#include <model/wireframe/corners_lines_identifier.h>
#include <ostrel/geometry/nn_search.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <veyra_testing/mesh_generators.h>

#include <memory>
#include <vector>

#include "bench_support.h"

namespace {

using veyra::index_t;

class Identifier : public veyra::detail::CornersLinesIdentifier<veyra::BRep> {
 public:
  using CornersLinesIdentifier::CornersLinesIdentifier;
};

// The cube faces and the unique point of each of their vertices, computed once per size.
struct CubeFaces {
  explicit CubeFaces(index_t n) : faces(veyra::testing::make_cube_faces(n)) {
    std::vector<veyra::Point<3>> points;
    for (const auto& face : faces) {
      for (index_t v = 0; v < face->nb_vertices(); ++v) points.push_back(face->point(v));
    }
    auto colocated = veyra::NNSearch<3>{std::move(points)}.colocated_index_mapping(1e-6);
    unique_of_point = std::move(colocated.colocated_mapping);
    nb_unique_vertices = colocated.nb_unique_points();
  }

  // A new model with the six faces as surfaces, optionally each in its own collection.
  std::unique_ptr<veyra::BRep> model(bool collections) const {
    auto brep = std::make_unique<veyra::BRep>();
    veyra::BRepBuilder builder{*brep};
    builder.create_unique_vertices(nb_unique_vertices);
    index_t point = 0;
    for (const auto& face : faces) {
      const auto surface = builder.add_surface();
      builder.update_surface_mesh(brep->surface(surface), face->clone());
      const veyra::ComponentID component{veyra::Surface<3>::component_type_static(), surface};
      for (index_t v = 0; v < face->nb_vertices(); ++v) {
        builder.set_unique_vertex({component, v}, unique_of_point[point++]);
      }
      if (collections) {
        const auto collection = builder.add_surface_collection();
        builder.add_surface_in_surface_collection(brep->surface(surface),
                                                  brep->surface_collection(collection));
      }
    }
    return brep;
  }

  index_t nb_triangles() const {
    index_t nb = 0;
    for (const auto& face : faces) nb += face->nb_polygons();
    return nb;
  }

  std::vector<std::unique_ptr<veyra::TriangulatedSurface<3>>> faces;
  std::vector<index_t> unique_of_point;
  index_t nb_unique_vertices{0};
};

void BM_Inventory(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const CubeFaces cube{static_cast<index_t>(state.range(0))};
  auto model = cube.model(false);
  Identifier identifier{*model, false};
  for (auto _ : state) {
    identifier.build_unique_edges_inventory();
    benchmark::ClobberMemory();
  }
  veyra::bench::report(state, cube.nb_triangles());
}

void run_pass(benchmark::State& state, bool merge_components) {
  veyra::VeyraConversionModelLibrary::initialize();
  const CubeFaces cube{static_cast<index_t>(state.range(0))};
  for (auto _ : state) {
    state.PauseTiming();
    auto model = cube.model(merge_components);
    state.ResumeTiming();
    Identifier identifier{*model, merge_components};
    identifier.build_unique_edges_inventory();
    identifier.identify_corners_and_lines({}, {});
    state.PauseTiming();
    if (model->nb_lines() != 12 || model->nb_corners() != 8) {
      state.SkipWithError("the cube should have 12 lines and 8 corners");
    }
    model.reset();
    state.ResumeTiming();
  }
  veyra::bench::report(state, cube.nb_triangles());
}

void BM_BordersPass(benchmark::State& state) {
  run_pass(state, false);
}
void BM_FeaturesPass(benchmark::State& state) {
  run_pass(state, true);
}

}  // namespace

// n = 289 gives 1,002,252 triangles.
BENCHMARK(BM_Inventory)->Arg(29)->Arg(91)->Arg(289)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BordersPass)->Arg(29)->Arg(91)->Arg(289)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FeaturesPass)->Arg(29)->Arg(91)->Arg(289)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
