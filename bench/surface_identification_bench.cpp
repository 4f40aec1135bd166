// SPDX-License-Identifier: MIT
// Surface passes of the topology engine: repair_surfaces, then identify_surfaces, on the six faces
// of a cube as six triangulated surfaces (an n x n grid per face, 12 n^2 triangles in all) tied by
// unique vertices wherever faces meet. Corners and lines are identified between the two passes,
// as the engine does, outside the timing. Items are triangles; the counters give each pass's
// seconds per iteration.
//   - Keep: merge_components false, every face border becomes a line and the faces stay as they
//     are (relationships, cuts along lines, duplicate search, border inventory).
//   - Merge: merge_components true, the cube edges are no feature edges, so there is no line and
//     the six faces are merged into one closed surface of one vertex per unique vertex.
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <memory>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>

#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <veyra_testing/mesh_generators.h>
#include <model/common/library.h>
#include <model/topology/engine_context.h>
#include <model/topology/identify_surfaces.h>
#include <model/topology/repair_surfaces.h>
#include <model/wireframe/corners_lines_identifier.h>

#include "bench_support.h"

namespace {

using veyra::index_t;

/// The part of the engine these passes need: the corners and lines identifier with a context
/// over its model builder and mappings.
class Engine : public veyra::detail::CornersLinesIdentifier<veyra::BRep> {
 public:
  Engine(veyra::BRep& model, bool merge_components)
      : CornersLinesIdentifier(model, merge_components),
        context_(model, model_builder(), *this, mappings(), merge_components) {}

  veyra::detail::EngineContext<veyra::BRep>& context() { return context_; }

 private:
  veyra::detail::EngineContext<veyra::BRep> context_;
};

/// The cube faces as six surfaces; vertices at bitwise equal points share a unique vertex.
std::unique_ptr<veyra::BRep> make_cube_brep(index_t n) {
  auto model = std::make_unique<veyra::BRep>();
  veyra::BRepBuilder builder{*model};
  absl::flat_hash_map<std::array<double, 3>, index_t> unique_vertex_of;
  std::vector<std::pair<veyra::ComponentMeshVertex, index_t>> ties;
  for (auto& face : veyra::testing::make_cube_faces(n)) {
    const auto id = builder.add_surface(veyra::MeshImpl{"OstrelTriangulatedSurface3D"});
    const auto& surface = model->surface(id);
    std::unique_ptr<veyra::SurfaceMesh<3>> mesh = std::move(face);
    builder.update_surface_mesh(surface, std::move(mesh));
    const auto& points = surface.mesh();
    for (index_t v = 0; v < points.nb_vertices(); ++v) {
      const auto& point = points.point(v);
      const auto [found, added] =
          unique_vertex_of.try_emplace(std::array{point.value(0), point.value(1), point.value(2)},
                                       static_cast<index_t>(unique_vertex_of.size()));
      ties.emplace_back(veyra::ComponentMeshVertex{surface.component_id(), v}, found->second);
    }
  }
  builder.create_unique_vertices(static_cast<index_t>(unique_vertex_of.size()));
  for (const auto& [vertex, unique_vertex] : ties) builder.set_unique_vertex(vertex, unique_vertex);
  return model;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_SurfacePasses(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const auto n = static_cast<index_t>(state.range(0));
  const bool merge_components = state.range(1) != 0;
  double repair_seconds = 0;
  double identify_seconds = 0;
  index_t nb_surfaces = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto model = make_cube_brep(n);
    auto engine = std::make_unique<Engine>(*model, merge_components);
    auto& context = engine->context();
    state.ResumeTiming();
    auto start = std::chrono::steady_clock::now();
    veyra::detail::repair_surfaces(context);
    repair_seconds += seconds_since(start);
    state.PauseTiming();
    engine->build_unique_edges_inventory();
    engine->identify_corners_and_lines(context.old_corners, context.old_lines);
    state.ResumeTiming();
    start = std::chrono::steady_clock::now();
    veyra::internal::identify_surfaces(context);
    identify_seconds += seconds_since(start);
    state.PauseTiming();
    nb_surfaces = model->nb_surfaces();
    engine.reset();
    model.reset();
    state.ResumeTiming();
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["repair_s"] = repair_seconds / iterations;
  state.counters["identify_s"] = identify_seconds / iterations;
  state.counters["surfaces"] = nb_surfaces;
  veyra::bench::report(state, 12. * n * n);
}
// 12 n^2 triangles: 10 thousand, 99 thousand and 1.002 million; keep, then merge.
BENCHMARK(BM_SurfacePasses)
    ->ArgsProduct({{29, 91, 289}, {0, 1}})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
