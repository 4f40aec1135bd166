// SPDX-License-Identifier: MIT
// Blocks: determine_blocks on models of closed spheres, half of them nested in the other half,
// and identify_blocks splitting one tetrahedral block in two along a new surface. Items are the
// triangles of the model's surfaces and the tetrahedra of the block.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <veyra_testing/brep_from_points.h>
#include <veyra_testing/mesh_generators.h>

#include <model/common/library.h>
#include <model/operations/blocks_from_surfaces.h>
#include <model/topology/identify_blocks.h>

#include "bench_support.h"

namespace {

using veyra::index_t;
using veyra::Point;

// nb_spheres spheres of 20 x 4^subdivisions triangles along a row; every odd one is nested in
// the even one before it.
veyra::BRep make_spheres(index_t nb_spheres, index_t subdivisions) {
  veyra::BRep model;
  veyra::BRepBuilder builder{model};
  for (index_t s = 0; s < nb_spheres; ++s) {
    const Point<3> center{{3. * static_cast<double>(s / 2), 0., 0.}};
    const auto id = builder.add_surface();
    const double radius = s % 2 ? 0.5 : 1.;
    builder.update_surface_mesh(model.surface(id),
                                veyra::testing::make_sphere(subdivisions, center, radius));
  }
  return model;
}

void BM_DetermineBlocks(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const auto nb_spheres = static_cast<index_t>(state.range(0));
  const auto subdivisions = static_cast<index_t>(state.range(1));
  const auto model = make_spheres(nb_spheres, subdivisions);
  for (auto _ : state) {
    const auto blocks = veyra::determine_blocks(model);
    if (blocks.size() != nb_spheres) state.SkipWithError("unexpected block count");
    benchmark::DoNotOptimize(blocks.data());
  }
  veyra::bench::report(state, nb_spheres * 20. * (1 << (2 * subdivisions)));
}

// The box [0, 1]^3 as 6 nx ny nz Kuhn tetrahedra in one block bounded by its faces; the faces
// across x = 1/2 are split there and the plane x = 1/2 is a new surface that the block does
// not know yet, as the topology engine leaves a model after a surface cut the block.
class CutBox {
 public:
  CutBox(index_t nx, index_t ny, index_t nz)
      : solid_(veyra::testing::make_box_tetrahedra(nx, ny, nz, Point<3>{{0., 0., 0.}},
                                                   Point<3>{{1., 1., 1.}})) {}

  veyra::BRep make_model() const {
    veyra::BRep model;
    std::vector<Point<3>> points;
    points.reserve(solid_->nb_vertices());
    for (index_t v = 0; v < solid_->nb_vertices(); ++v) points.push_back(solid_->point(v));
    veyra::testing::BRepFromPoints maker{model, std::move(points)};
    // One pass over the facets: outer faces by axis, side and half, the cut from the left
    // tetrahedra only (so each facet once, all oriented alike).
    std::vector<std::vector<veyra::testing::PointChain>> faces(13);
    for (index_t p = 0; p < solid_->nb_polyhedra(); ++p) {
      const bool left = solid_->polyhedron_barycenter(p).value(0) < 0.5;
      for (veyra::local_index_t f = 0; f < 4; ++f) {
        const auto vertices = solid_->polyhedron_facet_vertices({p, f});
        const veyra::testing::PointChain facet(vertices.begin(), vertices.end());
        const auto all = [&](int axis, double value) {
          for (const auto v : facet) {
            if (solid_->point(v).value(axis) != value) return false;
          }
          return true;
        };
        if (all(0, 0.5)) {
          if (left) faces[12].push_back(facet);
          continue;
        }
        for (int axis = 0; axis < 3; ++axis) {
          for (const double value : {0., 1.}) {
            if (!all(axis, value)) continue;
            faces[4 * axis + 2 * static_cast<int>(value) + (left ? 0 : 1)].push_back(facet);
          }
        }
      }
    }
    std::vector<veyra::uuid> outer;
    veyra::uuid cut;
    for (index_t face = 0; face < faces.size(); ++face) {
      if (faces[face].empty()) continue;
      const auto id = maker.add_surface(faces[face]);
      if (face == 12) {
        cut = id;
      } else {
        outer.push_back(id);
      }
    }
    maker.add_lines_from_surface_borders();
    const auto block = maker.add_block(*solid_);
    for (const auto& surface : outer) {
      maker.builder().add_surface_block_boundary_relationship(model.surface(surface),
                                                              model.block(block));
    }
    return model;
  }

  index_t nb_tetrahedra() const { return solid_->nb_polyhedra(); }

 private:
  std::unique_ptr<veyra::TetrahedralSolid<3>> solid_;
};

void BM_IdentifyBlocksSplit(benchmark::State& state) {
  veyra::VeyraConversionModelLibrary::initialize();
  const auto n = static_cast<index_t>(state.range(0));
  const CutBox box{n, n, static_cast<index_t>(state.range(1))};
  for (auto _ : state) {
    state.PauseTiming();
    auto model = box.make_model();
    veyra::BRepBuilder builder{model};
    veyra::BRepMappings mappings;
    state.ResumeTiming();
    veyra::internal::identify_blocks(model, builder, mappings);
    state.PauseTiming();
    if (model.nb_blocks() != 2) state.SkipWithError("unexpected block count");
    {
      // The model goes away outside the timed part.
      const auto discarded = std::move(model);
    }
    state.ResumeTiming();
  }
  veyra::bench::report(state, box.nb_tetrahedra());
}

}  // namespace

BENCHMARK(BM_DetermineBlocks)
    ->Args({50, 3})
    ->Args({50, 4})
    ->Args({50, 5})
    ->Args({10, 5})
    ->Unit(benchmark::kMillisecond);
// 6 x 10 x 10 x 10 = 6,000, 6 x 30 x 30 x 30 = 162,000 and 6 x 50 x 50 x 67 = 1,005,000
// tetrahedra.
BENCHMARK(BM_IdentifyBlocksSplit)
    ->Args({10, 10})
    ->Args({30, 30})
    ->Args({50, 67})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

BENCHMARK_MAIN();
