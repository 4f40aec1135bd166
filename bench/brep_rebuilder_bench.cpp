// SPDX-License-Identifier: MIT
// BRep topology rebuilder with no registered change on a tetrahedral box of two blocks (the
// halves x < 1/2 and x > 1/2, made by convert_solid_elements_into_brep) whose block meshes carry
// a vertex and a polyhedron attribute. Each iteration converts the BRep into one solid and
// rebuilds it. Items are the tetrahedra.
#include <benchmark/benchmark.h>
#include <model/common/library.h>
#include <model/element_meshes/brep_from_solid_elements_builder.h>
#include <model/element_meshes/brep_topology_rebuilder.h>
#include <ostrel/basic/attribute.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <veyra_testing/mesh_generators.h>

#include <utility>
#include <vector>

#include "bench_support.h"

namespace {

using veyra::index_t;
using veyra::Point;

veyra::BRep make_two_block_box(index_t n, index_t nz) {
  auto solid =
      veyra::testing::make_box_tetrahedra(n, n, nz, Point<3>{{0., 0., 0.}}, Point<3>{{1., 1., 1.}});
  auto height = solid->vertex_attribute_manager()
                    .find_or_create_attribute<veyra::VariableAttribute, double>("height", 0.);
  for (index_t v = 0; v < solid->nb_vertices(); ++v) {
    height->set_value(v, solid->point(v).value(2));
  }
  auto material = solid->polyhedron_attribute_manager()
                      .find_or_create_attribute<veyra::VariableAttribute, int>("material", 0);
  for (index_t p = 0; p < solid->nb_polyhedra(); ++p) {
    material->set_value(p, static_cast<int>(p % 7));
  }
  solid->enable_facets();
  std::vector<index_t> middle;
  const auto& facets = solid->facets();
  for (index_t facet = 0; facet < facets.nb_facets(); ++facet) {
    bool in_plane = true;
    for (const auto v : facets.facet_vertices(facet)) {
      in_plane = in_plane && solid->point(v).value(0) == 0.5;
    }
    if (in_plane) middle.push_back(facet);
  }
  auto [brep, vertices, elements] = veyra::convert_solid_elements_into_brep(*solid, {}, {}, middle);
  return std::move(brep);
}

void BM_RebuildWithoutChange(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const auto n = static_cast<index_t>(state.range(0));
  const auto nz = static_cast<index_t>(state.range(1));
  const auto input = make_two_block_box(n, nz);
  index_t nb_tetrahedra = 0;
  for (const auto& block : input.blocks()) nb_tetrahedra += block.mesh().nb_polyhedra();
  for (auto _ : state) {
    auto [rebuilt, mappings] = veyra::detail::BRepTopologyRebuilder{input}.rebuild();
    state.PauseTiming();
    if (rebuilt.nb_blocks() != 2 || rebuilt.nb_surfaces() != 3) {
      state.SkipWithError("unexpected model");
    }
    {
      // The model and its mappings go away outside the timed part.
      const auto discarded = std::move(rebuilt);
      const auto discarded_mappings = std::move(mappings);
    }
    state.ResumeTiming();
  }
  veyra::bench::report(state, nb_tetrahedra);
}

}  // namespace

// 6 x 10 x 10 x 10 = 6,000, 6 x 26 x 26 x 25 = 101,400 and 6 x 44 x 44 x 44 = 511,104
// tetrahedra (n even: the plane x = 1/2 is a lattice plane).
BENCHMARK(BM_RebuildWithoutChange)
    ->Args({10, 10})
    ->Args({26, 25})
    ->Args({44, 44})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

BENCHMARK_MAIN();
