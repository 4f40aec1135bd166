// SPDX-License-Identifier: MIT
// Model layer: saving and loading native BRep files, for a cube whose six surfaces are n x n
// triangle grids (12 n^2 triangles, edge tables and a polygon attribute, every vertex tied) and
// for a single block of k^3 cubes cut into six tetrahedra each (6 k^3 tetrahedra, vertices
// tied, with or without edge and facet tables). Items are triangles or tetrahedra.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <absl/container/flat_hash_map.h>

#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/io/brep_io.h>
#include <veyra_testing/mesh_generators.h>

#include "bench_support.h"

namespace {

using veyra::index_t;

std::string bench_file(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("veyra_model_bench_" + name + ".tq_brep"))
      .string();
}

/// Ties every mesh vertex to one unique vertex per distinct point.
class PointTies {
 public:
  explicit PointTies(veyra::BRepBuilder& builder) : builder_(builder) {}

  template <typename Mesh>
  void tie(const veyra::ComponentID& component, const Mesh& mesh) {
    for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
      const auto& point = mesh.point(v);
      const std::array<double, 3> key{point.value(0), point.value(1), point.value(2)};
      auto [found, added] = unique_vertices_.try_emplace(key, 0);
      if (added) found->second = builder_.create_unique_vertex();
      builder_.set_unique_vertex({component, v}, found->second);
    }
  }

 private:
  veyra::BRepBuilder& builder_;
  absl::flat_hash_map<std::array<double, 3>, index_t> unique_vertices_;
};

veyra::BRep make_surface_brep(index_t n) {
  veyra::BRep brep;
  veyra::BRepBuilder builder{brep};
  PointTies ties{builder};
  for (auto& face : veyra::testing::make_cube_faces(n)) {
    face->enable_edges();
    auto& attributes = face->polygon_attribute_manager();
    auto region = attributes.find_or_create_attribute<veyra::VariableAttribute, index_t>(
        "region", veyra::NO_ID);
    for (index_t p = 0; p < face->nb_polygons(); ++p) region->set_value(p, p % 5);
    const auto id = builder.add_surface(face->impl_name());
    const auto& surface = brep.surface(id);
    builder.update_surface_mesh(surface, std::move(face));
    ties.tie(surface.component_id(), surface.mesh());
  }
  return brep;
}

veyra::BRep make_block_brep(index_t k, bool with_tables) {
  veyra::BRep brep;
  veyra::BRepBuilder builder{brep};
  const auto id = builder.add_block(veyra::MeshImpl{"OstrelTetrahedralSolid3D"});
  {
    auto mesh = builder.block_mesh_builder(id);
    const auto vertex = [k](index_t x, index_t y, index_t z) {
      return (z * (k + 1) + y) * (k + 1) + x;
    };
    for (index_t z = 0; z <= k; ++z) {
      for (index_t y = 0; y <= k; ++y) {
        for (index_t x = 0; x <= k; ++x)
          mesh->create_point(veyra::Point<3>{{1. * x, 1. * y, 1. * z}});
      }
    }
    mesh->reserve_polyhedra(6 * k * k * k);
    const std::vector<std::vector<veyra::local_index_t>> facets{
        {1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}};
    for (index_t z = 0; z < k; ++z) {
      for (index_t y = 0; y < k; ++y) {
        for (index_t x = 0; x < k; ++x) {
          const auto corner = [&](index_t bits) {
            return vertex(x + (bits & 1), y + ((bits >> 1) & 1), z + ((bits >> 2) & 1));
          };
          for (const index_t a : {1u, 2u, 4u}) {
            for (const index_t b : {1u, 2u, 4u}) {
              if (a == b) continue;
              mesh->create_polyhedron(
                  std::vector<index_t>{corner(0), corner(a), corner(a | b), corner(7)}, facets);
            }
          }
        }
      }
    }
    mesh->compute_polyhedron_adjacencies();
  }
  const auto& block = brep.block(id);
  if (with_tables) {
    // The model hands out its meshes read-only; the tables are enabled on the owned mesh.
    auto& solid = const_cast<veyra::SolidMesh<3>&>(block.mesh());
    solid.enable_edges();
    solid.enable_facets();
  }
  builder.create_unique_vertices(block.mesh().nb_vertices());
  for (index_t v = 0; v < block.mesh().nb_vertices(); ++v) {
    builder.set_unique_vertex({block.component_id(), v}, v);
  }
  return brep;
}

/// Models are built once per size and shared by the save and load runs.
const veyra::BRep& cached(std::map<index_t, veyra::BRep>& cache, index_t size,
                          veyra::BRep (*make)(index_t)) {
  auto found = cache.find(size);
  if (found == cache.end()) found = cache.emplace(size, make(size)).first;
  return found->second;
}

veyra::BRep make_plain_block_brep(index_t k) {
  return make_block_brep(k, false);
}
veyra::BRep make_block_brep_with_tables(index_t k) {
  return make_block_brep(k, true);
}

std::map<index_t, veyra::BRep> surface_breps;
std::map<index_t, veyra::BRep> block_breps;
std::map<index_t, veyra::BRep> block_breps_with_tables;

void BM_SaveSurfaceBRep(benchmark::State& state) {
  const auto n = static_cast<index_t>(state.range(0));
  const auto& brep = cached(surface_breps, n, make_surface_brep);
  const auto file = bench_file("surfaces");
  for (auto _ : state) benchmark::DoNotOptimize(veyra::save_brep(brep, file));
  state.counters["MiB"] = std::filesystem::file_size(file) / (1024. * 1024.);
  veyra::bench::report(state, 12. * n * n);
}

void BM_LoadSurfaceBRep(benchmark::State& state) {
  const auto n = static_cast<index_t>(state.range(0));
  const auto file = bench_file("surfaces");
  veyra::save_brep(cached(surface_breps, n, make_surface_brep), file);
  for (auto _ : state) {
    auto brep = veyra::load_brep(file);
    benchmark::DoNotOptimize(brep.nb_unique_vertices());
  }
  veyra::bench::report(state, 12. * n * n);
}

void BM_SaveBlockBRep(benchmark::State& state) {
  const auto k = static_cast<index_t>(state.range(0));
  const auto& brep = state.range(1) == 0
                         ? cached(block_breps, k, make_plain_block_brep)
                         : cached(block_breps_with_tables, k, make_block_brep_with_tables);
  const auto file = bench_file("block");
  for (auto _ : state) benchmark::DoNotOptimize(veyra::save_brep(brep, file));
  state.counters["MiB"] = std::filesystem::file_size(file) / (1024. * 1024.);
  veyra::bench::report(state, 6. * k * k * k);
}

void BM_LoadBlockBRep(benchmark::State& state) {
  const auto k = static_cast<index_t>(state.range(0));
  const auto file = bench_file("block");
  veyra::save_brep(state.range(1) == 0
                       ? cached(block_breps, k, make_plain_block_brep)
                       : cached(block_breps_with_tables, k, make_block_brep_with_tables),
                   file);
  for (auto _ : state) {
    auto brep = veyra::load_brep(file);
    benchmark::DoNotOptimize(brep.nb_unique_vertices());
  }
  veyra::bench::report(state, 6. * k * k * k);
}

// 12 n^2 triangles: 12k, 49k, 110k, 197k.
BENCHMARK(BM_SaveSurfaceBRep)->Arg(32)->Arg(64)->Arg(96)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadSurfaceBRep)->Arg(32)->Arg(64)->Arg(96)->Arg(128)->Unit(benchmark::kMillisecond);
// 6 k^3 tetrahedra: 48k, 384k, 1.05M; second argument 1: with edge and facet tables.
BENCHMARK(BM_SaveBlockBRep)
    ->Args({20, 0})
    ->Args({40, 0})
    ->Args({56, 0})
    ->Args({56, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBlockBRep)
    ->Args({20, 0})
    ->Args({40, 0})
    ->Args({56, 0})
    ->Args({56, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
