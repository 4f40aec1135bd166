// SPDX-License-Identifier: MIT
// BRep from solid elements: a tetrahedral box cut by the plane x = 1/2 into two regions given as
// a polyhedron attribute, turned into a BRep with block meshes (surface facets from the
// attribute, then convert_solid_elements_into_brep). Each iteration starts from a fresh solid
// without edge or facet table, as a mesh reader gives it. Items are the tetrahedra.
#include <benchmark/benchmark.h>
#include <model/common/library.h>
#include <model/element_meshes/brep_from_solid_elements_builder.h>
#include <model/element_meshes/surface_facets_from_attribute.h>
#include <ostrel/basic/attribute.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <veyra_testing/mesh_generators.h>

#include <memory>

#include "bench_support.h"

namespace {

using veyra::index_t;
using veyra::Point;

// The unit box with the polyhedron attribute "region": 0 for x < 1/2, 1 beyond.
std::unique_ptr<veyra::TetrahedralSolid<3>> make_two_region_box(index_t nx, index_t ny,
                                                                index_t nz) {
  auto solid = veyra::testing::make_box_tetrahedra(nx, ny, nz, Point<3>{{0., 0., 0.}},
                                                   Point<3>{{1., 1., 1.}});
  veyra::testing::add_box_regions(*solid, 2, 1, "region");
  return solid;
}

void BM_ConvertSolidElementsIntoBRep(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const auto n = static_cast<index_t>(state.range(0));
  const auto nz = static_cast<index_t>(state.range(1));
  index_t nb_tetrahedra = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto solid = make_two_region_box(n, n, nz);
    nb_tetrahedra = solid->nb_polyhedra();
    state.ResumeTiming();
    const auto facets = veyra::surface_facets_from_attribute(*solid, "region");
    auto [brep, vertices, elements] =
        veyra::convert_solid_elements_into_brep(*solid, {}, {}, facets);
    state.PauseTiming();
    if (brep.nb_blocks() != 2 || brep.nb_surfaces() != 3 || brep.nb_lines() != 1) {
      state.SkipWithError("unexpected model");
    }
    {
      // The model, its mappings and the solid go away outside the timed part.
      const auto discarded = std::move(brep);
      const auto discarded_vertices = std::move(vertices);
      const auto discarded_elements = std::move(elements);
      solid.reset();
    }
    state.ResumeTiming();
  }
  veyra::bench::report(state, nb_tetrahedra);
}

}  // namespace

// 6 x 10 x 10 x 10 = 6,000, 6 x 26 x 26 x 25 = 101,400 and 6 x 56 x 56 x 54 = 1,016,064
// tetrahedra (n even: the plane x = 1/2 is a lattice plane).
BENCHMARK(BM_ConvertSolidElementsIntoBRep)
    ->Args({10, 10})
    ->Args({26, 25})
    ->Args({56, 54})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

BENCHMARK_MAIN();
