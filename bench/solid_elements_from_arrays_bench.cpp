// SPDX-License-Identifier: MIT
// BRep from solid elements starting from flat arrays, the way the Python package starts from
// numpy arrays: point coordinates, four vertex indices per tetrahedron and one region value per
// tetrahedron. Each iteration builds the tetrahedral solid from the arrays (points, tetrahedra,
// adjacencies, the "region" attribute), takes the surface facets from the attribute and converts
// the solid into a BRep with block meshes. The mesh is the two-region box of
// solid_elements_bench. Items are the tetrahedra.
#include <benchmark/benchmark.h>
#include <model/common/library.h>
#include <model/element_meshes/brep_from_solid_elements_builder.h>
#include <model/element_meshes/surface_facets_from_attribute.h>
#include <ostrel/basic/attribute.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/tetrahedral_solid_builder.h>
#include <veyra_testing/mesh_generators.h>

#include <array>
#include <vector>

#include "bench_support.h"

namespace {

using veyra::index_t;
using veyra::Point;

struct TetrahedraArrays {
  std::vector<double> coordinates;
  std::vector<index_t> tetrahedra;
  std::vector<int> region;
};

TetrahedraArrays two_region_box_arrays(index_t nx, index_t ny, index_t nz) {
  const auto solid = veyra::testing::make_box_tetrahedra(nx, ny, nz, Point<3>{{0., 0., 0.}},
                                                         Point<3>{{1., 1., 1.}});
  veyra::testing::add_box_regions(*solid, 2, 1, "region");
  const auto regions = solid->polyhedron_attribute_manager().find_attribute<int>("region");
  TetrahedraArrays arrays;
  for (index_t v = 0; v < solid->nb_vertices(); ++v) {
    for (index_t axis = 0; axis < 3; ++axis) {
      arrays.coordinates.push_back(solid->point(v).value(axis));
    }
  }
  for (index_t p = 0; p < solid->nb_polyhedra(); ++p) {
    for (veyra::local_index_t v = 0; v < 4; ++v) {
      arrays.tetrahedra.push_back(solid->polyhedron_vertex({p, v}));
    }
    arrays.region.push_back(regions->value(p));
  }
  return arrays;
}

void BM_ConvertSolidElementsIntoBRepFromArrays(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const auto n = static_cast<index_t>(state.range(0));
  const auto nz = static_cast<index_t>(state.range(1));
  const auto arrays = two_region_box_arrays(n, n, nz);
  const auto nb_points = static_cast<index_t>(arrays.coordinates.size() / 3);
  const auto nb_tetrahedra = static_cast<index_t>(arrays.region.size());
  for (auto _ : state) {
    auto solid = veyra::TetrahedralSolid<3>::create();
    {
      auto builder = veyra::TetrahedralSolidBuilder<3>::create(*solid);
      builder->reserve_vertices(nb_points);
      for (index_t v = 0; v < nb_points; ++v) {
        builder->create_point(Point<3>{{arrays.coordinates[3 * v], arrays.coordinates[3 * v + 1],
                                        arrays.coordinates[3 * v + 2]}});
      }
      builder->reserve_polyhedra(nb_tetrahedra);
      for (index_t t = 0; t < nb_tetrahedra; ++t) {
        const auto* vertices = &arrays.tetrahedra[4 * t];
        builder->create_tetrahedron({vertices[0], vertices[1], vertices[2], vertices[3]});
      }
      builder->compute_polyhedron_adjacencies();
    }
    auto region = solid->polyhedron_attribute_manager()
                      .find_or_create_attribute<veyra::VariableAttribute, int>("region", 0);
    for (index_t t = 0; t < nb_tetrahedra; ++t) region->set_value(t, arrays.region[t]);
    const auto facets = veyra::surface_facets_from_attribute(*solid, "region");
    auto [brep, vertices, elements] =
        veyra::convert_solid_elements_into_brep(*solid, {}, {}, facets);
    state.PauseTiming();
    if (brep.nb_blocks() != 2 || brep.nb_surfaces() != 3 || brep.nb_lines() != 1) {
      state.SkipWithError("unexpected model");
    }
    {
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

// 6,000, 101,400 and 1,016,064 tetrahedra, as in solid_elements_bench. The CPU column is the
// whole process's (every thread), steadier than the wall time on a loaded machine.
BENCHMARK(BM_ConvertSolidElementsIntoBRepFromArrays)
    ->Args({10, 10})
    ->Args({26, 25})
    ->Args({56, 54})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

BENCHMARK_MAIN();
