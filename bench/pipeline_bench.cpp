// SPDX-License-Identifier: MIT
// End-to-end benchmarks of the pipeline on generated meshes: one benchmark per operation, its
// argument the wanted number of input elements (the counter "elements" gives the exact count).
// Each case runs once and its peak memory counts from the end of its setup, so run one case per
// process (bench/run.sh does) to get the peak of that operation with its input resident.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <model/common/convert_meshes.h>
#include <model/common/library.h>
#include <model/element_meshes/brep_from_solid_elements_builder.h>
#include <model/element_meshes/brep_topology_rebuilder.h>
#include <model/element_meshes/convert_surface_into_section_from_attribute.h>
#include <model/element_meshes/surface_facets_from_attribute.h>
#include <model/operations/brep_segmentation.h>
#include <model/operations/sharp_features.h>
#include <ostrel/basic/attribute.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/parallel.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>
#include <veyra_testing/mesh_generators.h>
#include <veyra_testing/model_generators.h>

#include "bench_support.h"

namespace {

using veyra::index_t;
using veyra::Point;

// Rounds x to the nearest positive multiple of `step`.
index_t round_to_multiple(double x, index_t step) {
  return std::max<index_t>(step, static_cast<index_t>(std::lround(x / step)) * step);
}

// Runs `operation` once as the timed iteration, after `setup` ran and the peak memory was reset,
// and reports the element count.
void run_once(benchmark::State& state, double nb_elements, const std::function<void()>& operation) {
  veyra::bench::reset_peak_memory();
  for (auto _ : state) operation();
  state.counters["elements"] = nb_elements;
  veyra::bench::report(state, nb_elements);
}

// The unit box of about `nb_tetrahedra` tetrahedra with the polyhedron attribute "region" of
// regions_x x regions_y column regions (add_box_regions); the cell counts are multiples of the
// region counts, so region borders are lattice planes.
std::unique_ptr<veyra::TetrahedralSolid<3>> make_region_box(double nb_tetrahedra,
                                                            index_t regions_x, index_t regions_y) {
  const auto n = std::cbrt(nb_tetrahedra / 6.);
  const auto nx = round_to_multiple(n, 2 * regions_x);
  const auto ny = round_to_multiple(n, 2 * regions_y);
  const auto nz = std::max<index_t>(
      1, static_cast<index_t>(std::lround(nb_tetrahedra / (6. * nx * ny))));
  auto solid = veyra::testing::make_box_tetrahedra(nx, ny, nz, Point<3>{{0., 0., 0.}},
                                                   Point<3>{{1., 1., 1.}});
  veyra::testing::add_box_regions(*solid, regions_x, regions_y, "region");
  return solid;
}

veyra::BRep convert_region_box(veyra::TetrahedralSolid<3>& solid) {
  const auto facets = veyra::surface_facets_from_attribute(solid, "region");
  return std::get<0>(veyra::convert_solid_elements_into_brep(solid, {}, {}, facets));
}

void BM_convert_meshes_into_brep(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  // Six faces of 2 n^2 triangles each.
  const auto n = static_cast<index_t>(
      std::lround(std::sqrt(static_cast<double>(state.range(0)) / 12.)));
  const auto faces = veyra::testing::make_cube_faces(n);
  std::vector<std::reference_wrapper<const veyra::SurfaceMesh<3>>> surfaces;
  for (const auto& face : faces) surfaces.emplace_back(*face);
  run_once(state, 12. * n * n, [&] {
    auto [brep, mappings] = veyra::convert_meshes_into_brep({}, {}, surfaces);
    if (brep.nb_blocks() != 1 || brep.nb_surfaces() != 6 || brep.nb_lines() != 12) {
      state.SkipWithError("unexpected topology");
    }
  });
}

// A 2D grid of about `nb_triangles` triangles, twice as wide as high, with the polygon attribute
// "region" cutting it into 4 x 4 blocks of cells (its sides are multiples of 4, so region borders
// are grid lines).
std::unique_ptr<veyra::TriangulatedSurface<2>> make_region_grid(double nb_triangles) {
  const auto nx = round_to_multiple(std::sqrt(nb_triangles), 8);
  auto grid = veyra::testing::make_grid_2d(nx, nx / 2);
  veyra::testing::add_grid_regions(*grid, nx, nx / 2, 4, 4, "region");
  return grid;
}

veyra::Section convert_region_grid(veyra::SurfaceMesh<2>& grid) {
  return std::get<0>(veyra::convert_surface_into_section_from_attribute(grid, "region"));
}

void BM_convert_surface_into_section_from_attribute(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  auto grid = make_region_grid(static_cast<double>(state.range(0)));
  run_once(state, grid->nb_polygons(), [&] {
    const auto section = convert_region_grid(*grid);
    if (section.nb_surfaces() != 16) state.SkipWithError("unexpected topology");
  });
}

// Surface facets from the attribute, then the BRep with block meshes.
void convert_solid_elements(benchmark::State& state, index_t regions_x, index_t regions_y) {
  veyra::VeyraConversionModelLibrary::initialize();
  auto solid = make_region_box(static_cast<double>(state.range(0)), regions_x, regions_y);
  run_once(state, solid->nb_polyhedra(), [&] {
    const auto brep = convert_region_box(*solid);
    if (brep.nb_blocks() != regions_x * regions_y) state.SkipWithError("unexpected topology");
  });
}

void BM_convert_solid_elements_into_brep_2_regions(benchmark::State& state) {
  convert_solid_elements(state, 2, 1);
}

// 5 x 4 columns of regions.
void BM_convert_solid_elements_into_brep_20_regions(benchmark::State& state) {
  convert_solid_elements(state, 5, 4);
}

// The closed surface of the unit cube as the one surface of a BRep (no line): its twelve edges
// are creases of 90 degrees, found with a 100-degree angle.
void BM_add_sharp_features(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  // Six faces of 2 n^2 triangles each.
  const auto n = static_cast<index_t>(
      std::lround(std::sqrt(static_cast<double>(state.range(0)) / 12.)));
  const auto cube = veyra::testing::make_cube_surface(n);
  auto brep = std::get<0>(veyra::convert_meshes_into_brep({}, {}, {std::cref(*cube)}));
  run_once(state, 12. * n * n, [&] {
    veyra::add_sharp_features(brep, 100.);
    if (brep.nb_lines() != 12 || brep.nb_corners() != 8) {
      state.SkipWithError("unexpected topology");
    }
  });
}

// The box as one block of tetrahedra, cut into pieces (a small box stays one block).
void BM_add_brep_segmentation(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const auto n = static_cast<index_t>(std::lround(std::cbrt(state.range(0) / 6.)));
  auto box = veyra::testing::make_box_brep(n, n, n, Point<3>{{0., 0., 0.}}, Point<3>{{1., 1., 1.}});
  const auto cut = veyra::internal::segmentation_piece_count(6 * n * n * n,
                                                             veyra::hardware_concurrency()) >= 2;
  run_once(state, 6. * n * n * n, [&] {
    veyra::add_brep_segmentation(box.brep);
    if ((box.brep.nb_blocks() >= 2) != cut) state.SkipWithError("unexpected block count");
  });
}

// The two-region box BRep; the block x < 1/2 is cut along the plane y = 1/2 by registering its
// facets there.
void BM_rebuild(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  auto solid = make_region_box(static_cast<double>(state.range(0)), 2, 1);
  const auto nb_tetrahedra = solid->nb_polyhedra();
  const auto brep = convert_region_box(*solid);
  solid.reset();
  const veyra::Block<3>* cut_block = nullptr;
  std::vector<veyra::PolyhedronFacet> facets;
  for (const auto& block : brep.blocks()) {
    const auto& mesh = block.mesh();
    if (mesh.polyhedron_barycenter(0).value(0) > 0.5) continue;
    cut_block = &block;
    for (index_t p = 0; p < mesh.nb_polyhedra(); ++p) {
      for (veyra::local_index_t f = 0; f < mesh.nb_polyhedron_facets(p); ++f) {
        const auto vertices = mesh.polyhedron_facet_vertices({p, f});
        if (std::all_of(vertices.begin(), vertices.end(),
                        [&](index_t v) { return mesh.point(v).value(1) == 0.5; })) {
          facets.emplace_back(p, f);
        }
      }
    }
  }
  run_once(state, nb_tetrahedra, [&] {
    veyra::detail::BRepTopologyRebuilder rebuilder{brep};
    rebuilder.add_block_facets_to_topology(*cut_block, std::move(facets));
    auto [rebuilt, mappings] = rebuilder.rebuild();
    if (rebuilt.nb_blocks() != 3) state.SkipWithError("unexpected topology");
  });
}

std::string brep_file(benchmark::State& state) {
  return (std::filesystem::temp_directory_path() /
          ("veyra_pipeline_bench_" + std::to_string(state.range(0)) + ".tq_brep"))
      .string();
}

// The two-region box BRep with its block meshes.
void BM_save_brep(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  auto solid = make_region_box(static_cast<double>(state.range(0)), 2, 1);
  const auto nb_tetrahedra = solid->nb_polyhedra();
  const auto brep = convert_region_box(*solid);
  solid.reset();
  const auto file = brep_file(state);
  run_once(state, nb_tetrahedra, [&] { veyra::save_brep(brep, file); });
  std::filesystem::remove(file);
}

void BM_load_brep(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const auto file = brep_file(state);
  index_t nb_tetrahedra = 0;
  {
    auto solid = make_region_box(static_cast<double>(state.range(0)), 2, 1);
    nb_tetrahedra = solid->nb_polyhedra();
    veyra::save_brep(convert_region_box(*solid), file);
  }
  run_once(state, nb_tetrahedra, [&] {
    const auto brep = veyra::load_brep(file);
    if (brep.nb_blocks() != 2) state.SkipWithError("unexpected topology");
  });
  std::filesystem::remove(file);
}

std::string section_file(benchmark::State& state) {
  return (std::filesystem::temp_directory_path() /
          ("veyra_pipeline_bench_" + std::to_string(state.range(0)) + ".tq_sctn"))
      .string();
}

// The 16-region grid Section.
void BM_save_section(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  auto grid = make_region_grid(static_cast<double>(state.range(0)));
  const auto nb_triangles = grid->nb_polygons();
  const auto section = convert_region_grid(*grid);
  grid.reset();
  const auto file = section_file(state);
  run_once(state, nb_triangles, [&] { veyra::save_section(section, file); });
  std::filesystem::remove(file);
}

void BM_load_section(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const auto file = section_file(state);
  index_t nb_triangles = 0;
  {
    auto grid = make_region_grid(static_cast<double>(state.range(0)));
    nb_triangles = grid->nb_polygons();
    veyra::save_section(convert_region_grid(*grid), file);
  }
  run_once(state, nb_triangles, [&] {
    const auto section = veyra::load_section(file);
    if (section.nb_surfaces() != 16) state.SkipWithError("unexpected topology");
  });
  std::filesystem::remove(file);
}

void sizes(benchmark::internal::Benchmark* benchmark) {
  for (const auto size : {10'000, 100'000, 1'000'000, 2'000'000, 4'000'000, 8'000'000}) {
    benchmark->Arg(size);
  }
  benchmark->Iterations(1)
      ->Unit(benchmark::kMillisecond)
      ->MeasureProcessCPUTime()
      ->UseRealTime();
}

BENCHMARK(BM_convert_meshes_into_brep)->Apply(sizes);
BENCHMARK(BM_convert_surface_into_section_from_attribute)->Apply(sizes);
BENCHMARK(BM_convert_solid_elements_into_brep_2_regions)->Apply(sizes);
BENCHMARK(BM_convert_solid_elements_into_brep_20_regions)->Apply(sizes);
BENCHMARK(BM_add_sharp_features)->Apply(sizes);
BENCHMARK(BM_add_brep_segmentation)->Apply(sizes);
BENCHMARK(BM_rebuild)->Apply(sizes);
BENCHMARK(BM_save_brep)->Apply(sizes);
BENCHMARK(BM_load_brep)->Apply(sizes);
BENCHMARK(BM_save_section)->Apply(sizes);
BENCHMARK(BM_load_section)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
