// SPDX-License-Identifier: MIT
// Component merge operations: find_duplicated_components over models of many small lines (two
// edges each) or surfaces (two triangles each). One in ten is a copy of the one before with its
// vertices in another order; each of the others shares one unique vertex with the next one.
// Items are components.
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/section_builder.h>
#include <model/common/library.h>
#include <model/operations/component_merge.h>

#include "bench_support.h"

namespace {

using veyra::index_t;

veyra::Point<2> place(index_t unique_vertex) {
  return veyra::Point<2>{{static_cast<double>(unique_vertex % 1000),
                          static_cast<double>(unique_vertex / 1000)}};
}

// Component c runs over unique vertices 3c, 3c + 1, 3c + 2 and 3c + 3 (the last one shared with
// the next component); every tenth component repeats the previous one with its vertices
// permuted by `copy_order`.
std::vector<std::array<index_t, 4>> component_vertices(index_t nb_components,
                                                       const std::array<index_t, 4>& copy_order) {
  std::vector<std::array<index_t, 4>> result;
  result.reserve(nb_components);
  for (index_t c = 0; c < nb_components; ++c) {
    if (c % 10 == 9) {
      const auto& previous = result.back();
      result.push_back({previous[copy_order[0]], previous[copy_order[1]],
                        previous[copy_order[2]], previous[copy_order[3]]});
    } else {
      result.push_back({3 * c, 3 * c + 1, 3 * c + 2, 3 * c + 3});
    }
  }
  return result;
}

template <typename MeshBuilder>
void tie(veyra::SectionBuilder& builder, const veyra::ComponentID& component,
         const std::array<index_t, 4>& unique_vertices, MeshBuilder& mesh, index_t nb) {
  for (index_t v = 0; v < nb; ++v) {
    mesh.create_point(place(unique_vertices[v]));
    builder.set_unique_vertex({component, v}, unique_vertices[v]);
  }
}

veyra::Section make_lines(index_t nb_lines) {
  veyra::Section section;
  veyra::SectionBuilder builder{section};
  builder.create_unique_vertices(3 * nb_lines + 1);
  // A line runs over the first three vertices: the copy walks them backwards.
  for (const auto& vertices : component_vertices(nb_lines, {2, 1, 0, 3})) {
    const auto id = builder.add_line();
    auto mesh = builder.line_mesh_builder(id);
    tie(builder, {veyra::Line<2>::component_type_static(), id}, vertices, *mesh, 3);
    mesh->create_edge(0, 1);
    mesh->create_edge(1, 2);
  }
  return section;
}

veyra::Section make_surfaces(index_t nb_surfaces) {
  veyra::Section section;
  veyra::SectionBuilder builder{section};
  builder.create_unique_vertices(3 * nb_surfaces + 1);
  // The copy starts its triangles at the opposite end of the same diagonal.
  for (const auto& vertices : component_vertices(nb_surfaces, {2, 3, 0, 1})) {
    const auto id = builder.add_surface();
    auto mesh = builder.surface_mesh_builder(id);
    tie(builder, {veyra::Surface<2>::component_type_static(), id}, vertices, *mesh, 4);
    mesh->create_polygon(std::array<index_t, 3>{0, 1, 2});
    mesh->create_polygon(std::array<index_t, 3>{0, 2, 3});
  }
  return section;
}

void BM_DuplicatedLines(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const auto nb = static_cast<index_t>(state.range(0));
  const auto section = make_lines(nb);
  for (auto _ : state) {
    const auto groups = veyra::internal::find_duplicated_components(section, section.lines());
    if (groups.size() != nb / 10) state.SkipWithError("unexpected group count");
    benchmark::DoNotOptimize(groups.data());
  }
  veyra::bench::report(state, nb);
}

void BM_DuplicatedSurfaces(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const auto nb = static_cast<index_t>(state.range(0));
  const auto section = make_surfaces(nb);
  for (auto _ : state) {
    const auto groups =
        veyra::internal::find_duplicated_components(section, section.surfaces());
    if (groups.size() != nb / 10) state.SkipWithError("unexpected group count");
    benchmark::DoNotOptimize(groups.data());
  }
  veyra::bench::report(state, nb);
}

}  // namespace

BENCHMARK(BM_DuplicatedLines)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DuplicatedSurfaces)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
