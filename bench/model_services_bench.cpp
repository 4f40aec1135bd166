// SPDX-License-Identifier: MIT
// Model services: convert_brep_into_solid on a BRep whose single block is a box of k^3 cells cut
// into six tetrahedra each (6 k^3 tetrahedra, every vertex tied, the six box faces as boundary
// surfaces); SplitAlongBlockMeshBorders and SplitAlongSolidFacets cutting that box along its
// middle plane x = k / 2; and SplitAlongSurfaceMeshBorders on one n x n grid surface (2 n^2
// triangles) crossed by 14 straight lines along its grid edges. Items are tetrahedra or
// triangles.
#include <absl/container/flat_hash_map.h>
#include <benchmark/benchmark.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/convert_brep_into_solid.h>
#include <ostrel/model/split_along_block_mesh_borders.h>
#include <ostrel/model/split_along_solid_facets.h>
#include <ostrel/model/split_along_surface_mesh_borders.h>
#include <veyra_testing/mesh_generators.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <vector>

#include "bench_support.h"

namespace {

using veyra::index_t;
using veyra::local_index_t;
using veyra::Point;

/// A surface of the given block-vertex triangles, each vertex tied to the unique vertex of the
/// same number.
const veyra::Surface<3>& add_facet_surface(veyra::BRep& brep, veyra::BRepBuilder& builder,
                                           const veyra::SolidMesh<3>& mesh,
                                           const std::vector<std::array<index_t, 3>>& triangles) {
  const auto id = builder.add_surface();
  const auto& surface = brep.surface(id);
  auto surface_builder = builder.surface_mesh_builder(id);
  absl::flat_hash_map<index_t, index_t> local_of;
  std::vector<index_t> unique_of;
  for (const auto& triangle : triangles) {
    std::array<index_t, 3> local{};
    for (index_t corner = 0; corner < 3; ++corner) {
      const auto [found, added] = local_of.try_emplace(triangle[corner], 0);
      if (added) {
        found->second = surface_builder->create_point(mesh.point(triangle[corner]));
        unique_of.push_back(triangle[corner]);
      }
      local[corner] = found->second;
    }
    surface_builder->create_polygon(local);
  }
  surface_builder->compute_polygon_adjacencies();
  for (index_t v = 0; v < unique_of.size(); ++v) {
    builder.set_unique_vertex({surface.component_id(), v}, unique_of[v]);
  }
  return surface;
}

/// The facets of the box's polyhedra lying on x = k / 2, from the polyhedra on the lower side.
std::vector<veyra::PolyhedronFacet> middle_facets(const veyra::SolidMesh<3>& mesh, index_t k) {
  const double middle = k / 2;
  std::vector<veyra::PolyhedronFacet> facets;
  for (index_t polyhedron = 0; polyhedron < mesh.nb_polyhedra(); ++polyhedron) {
    if (mesh.polyhedron_barycenter(polyhedron).value(0) > middle) continue;
    for (local_index_t facet = 0; facet < 4; ++facet) {
      const auto vertices = mesh.polyhedron_facet_vertices({polyhedron, facet});
      if (std::all_of(vertices.begin(), vertices.end(),
                      [&](index_t v) { return mesh.point(v).value(0) == middle; })) {
        facets.emplace_back(polyhedron, facet);
      }
    }
  }
  return facets;
}

/// The box block and its six faces: block vertex v is unique vertex v, and each face surface is
/// made of the block's border facets on that face, tied to the same unique vertices. With
/// `middle`, a seventh surface on x = k / 2 is internal to the block.
veyra::BRep make_box_brep(index_t k, bool middle = false) {
  veyra::BRep brep;
  veyra::BRepBuilder builder{brep};
  const auto block_id = builder.add_block(veyra::MeshImpl{"OstrelTetrahedralSolid3D"});
  const auto& block = brep.block(block_id);
  builder.update_block_mesh(block, veyra::testing::make_box_tetrahedra(
                                       k, k, k, Point<3>{}, Point<3>{{1. * k, 1. * k, 1. * k}}));
  const auto& mesh = block.mesh();
  builder.create_unique_vertices(mesh.nb_vertices());
  for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
    builder.set_unique_vertex({block.component_id(), v}, v);
  }

  // Face (axis, side): the border facets whose vertices all have that coordinate.
  std::array<std::vector<std::array<index_t, 3>>, 6> face_triangles;
  for (index_t polyhedron = 0; polyhedron < mesh.nb_polyhedra(); ++polyhedron) {
    for (const auto& facet : mesh.polyhedron_facets_on_border(polyhedron)) {
      const auto vertices = mesh.polyhedron_facet_vertices(facet);
      for (local_index_t axis = 0; axis < 3; ++axis) {
        const auto value = mesh.point(vertices[0]).value(axis);
        if (value != 0. && value != k) continue;
        if (mesh.point(vertices[1]).value(axis) != value ||
            mesh.point(vertices[2]).value(axis) != value) {
          continue;
        }
        face_triangles[2 * axis + (value == 0. ? 0 : 1)].push_back(
            {vertices[0], vertices[1], vertices[2]});
        break;
      }
    }
  }
  for (const auto& triangles : face_triangles) {
    builder.add_surface_block_boundary_relationship(
        add_facet_surface(brep, builder, mesh, triangles), block);
  }
  if (middle) {
    std::vector<std::array<index_t, 3>> triangles;
    for (const auto& facet : middle_facets(mesh, k)) {
      const auto vertices = mesh.polyhedron_facet_vertices(facet);
      triangles.push_back({vertices[0], vertices[1], vertices[2]});
    }
    builder.add_surface_block_internal_relationship(
        add_facet_surface(brep, builder, mesh, triangles), block);
  }
  return brep;
}

std::map<index_t, veyra::BRep> box_breps;

void BM_ConvertBRepIntoSolid(benchmark::State& state) {
  const auto k = static_cast<index_t>(state.range(0));
  auto found = box_breps.find(k);
  if (found == box_breps.end()) found = box_breps.emplace(k, make_box_brep(k)).first;
  const auto& brep = found->second;
  for (auto _ : state) {
    auto [solid, mappings] = veyra::convert_brep_into_solid(brep);
    benchmark::DoNotOptimize(solid->nb_polyhedra() + mappings.surface_mapping.size_in());
  }
  veyra::bench::report(state, 6. * k * k * k);
}
// 6 k^3 tetrahedra: 6 thousand, 162 thousand and 1.05 million.
BENCHMARK(BM_ConvertBRepIntoSolid)->Arg(10)->Arg(30)->Arg(56)->Unit(benchmark::kMillisecond);

void BM_SplitAllBlocks(benchmark::State& state) {
  const auto k = static_cast<index_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto brep = make_box_brep(k, true);
    veyra::BRepBuilder builder{brep};
    state.ResumeTiming();
    veyra::SplitAlongBlockMeshBorders splitter{brep, builder};
    benchmark::DoNotOptimize(splitter.split_all_blocks().size());
  }
  veyra::bench::report(state, 6. * k * k * k);
}
BENCHMARK(BM_SplitAllBlocks)
    ->Arg(10)
    ->Arg(30)
    ->Arg(56)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

void BM_SplitSolidAlongFacets(benchmark::State& state) {
  const auto k = static_cast<index_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto solid = veyra::testing::make_box_tetrahedra(k, k, k, Point<3>{},
                                                     Point<3>{{1. * k, 1. * k, 1. * k}});
    solid->enable_edges();
    solid->enable_facets();
    const auto facets = middle_facets(*solid, k);
    auto builder = veyra::SolidMeshBuilder<3>::create(*solid);
    state.ResumeTiming();
    veyra::SplitAlongSolidFacets splitter{*solid, *builder};
    benchmark::DoNotOptimize(splitter.split_solid_along_facets(facets).facets.size_in());
  }
  veyra::bench::report(state, 6. * k * k * k);
}
BENCHMARK(BM_SplitSolidAlongFacets)
    ->Arg(10)
    ->Arg(30)
    ->Arg(56)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

/// The grid surface over [0, n]^2, vertex j (n + 1) + i at (i, j) tied to unique vertex
/// j (n + 1) + i, and the lines x = m n / 8 and y = m n / 8 for m = 1..7, each n edges long.
veyra::BRep make_grid_brep(index_t n) {
  veyra::BRep brep;
  veyra::BRepBuilder builder{brep};
  const auto id = builder.add_surface(veyra::MeshImpl{"OstrelTriangulatedSurface3D"});
  const auto& surface = brep.surface(id);
  builder.update_surface_mesh(
      surface, veyra::testing::make_grid_surface(n, Point<3>{}, Point<3>{{1. * n, 0., 0.}},
                                                 Point<3>{{0., 1. * n, 0.}}));
  const auto nb_vertices = surface.mesh().nb_vertices();
  builder.create_unique_vertices(nb_vertices);
  for (index_t v = 0; v < nb_vertices; ++v)
    builder.set_unique_vertex({surface.component_id(), v}, v);
  const auto grid_vertex = [n](index_t i, index_t j) { return j * (n + 1) + i; };
  for (index_t m = 1; m < 8; ++m) {
    const auto at = m * n / 8;
    for (const bool vertical : {true, false}) {
      const auto line_id = builder.add_line();
      const auto line = brep.line(line_id).component_id();
      auto curve = builder.line_mesh_builder(line_id);
      for (index_t step = 0; step <= n; ++step) {
        const auto vertex = vertical ? grid_vertex(at, step) : grid_vertex(step, at);
        curve->create_point(surface.mesh().point(vertex));
        builder.set_unique_vertex({line, step}, vertex);
        if (step > 0) curve->create_edge(step - 1, step);
      }
    }
  }
  return brep;
}

void BM_SplitAllSurfaces(benchmark::State& state) {
  const auto n = static_cast<index_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto brep = make_grid_brep(n);
    state.ResumeTiming();
    veyra::SplitAlongSurfaceMeshBorders<veyra::BRep> splitter{brep};
    benchmark::DoNotOptimize(splitter.split_all_surfaces().size());
  }
  veyra::bench::report(state, 2. * n * n);
}
// 2 n^2 triangles: 20 thousand, 180 thousand and 1.0 million.
BENCHMARK(BM_SplitAllSurfaces)
    ->Arg(100)
    ->Arg(300)
    ->Arg(708)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
