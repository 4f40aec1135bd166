// SPDX-License-Identifier: MIT
// Geometry layer: colocation of a triangle soup, AABB tree construction over triangle boxes, and
// closest-triangle and ray queries, on a generated wavy grid surface. The parallel steps are
// timed on the wall clock.
#include <benchmark/benchmark.h>
#include <ostrel/geometry/aabb_tree.h>
#include <ostrel/geometry/distance.h>
#include <ostrel/geometry/nn_search.h>
#include <ostrel/geometry/ray_triangle_intersection.h>

#include <cmath>
#include <random>
#include <vector>

#include "bench_support.h"

namespace {

using veyra::index_t;
using Point3 = veyra::Point<3>;

// Triangles of a (cells x cells) grid on z = 0.2 sin(x) cos(y), two per cell.
std::vector<veyra::Triangle<3>> wavy_grid_triangles(index_t nb_triangles) {
  const auto cells = static_cast<index_t>(std::ceil(std::sqrt(nb_triangles / 2.)));
  const auto vertex = [cells](index_t i, index_t j) {
    const double x = 10. * i / cells;
    const double y = 10. * j / cells;
    return Point3{{x, y, 0.2 * std::sin(x) * std::cos(y)}};
  };
  std::vector<veyra::Triangle<3>> triangles;
  triangles.reserve(2 * cells * cells);
  for (index_t i = 0; i < cells && triangles.size() < nb_triangles; ++i) {
    for (index_t j = 0; j < cells && triangles.size() < nb_triangles; ++j) {
      triangles.emplace_back(vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1));
      if (triangles.size() < nb_triangles) {
        triangles.emplace_back(vertex(i, j), vertex(i + 1, j + 1), vertex(i, j + 1));
      }
    }
  }
  return triangles;
}

// The corners of every triangle written separately (as an STL file stores them), each moved by
// up to 3e-7 so that colocated corners are close but rarely identical.
std::vector<Point3> triangle_soup_points(index_t nb_points) {
  const auto triangles = wavy_grid_triangles((nb_points + 2) / 3);
  std::mt19937 generator{11};
  std::uniform_real_distribution<double> jitter{-1.7e-7, 1.7e-7};
  std::vector<Point3> points;
  points.reserve(nb_points);
  for (const auto& triangle : triangles) {
    for (const auto& corner : triangle.vertices) {
      if (points.size() == nb_points) break;
      points.push_back(corner + Point3{{jitter(generator), jitter(generator), jitter(generator)}});
    }
  }
  return points;
}

std::vector<veyra::BoundingBox<3>> triangle_boxes(
    const std::vector<veyra::Triangle<3>>& triangles) {
  std::vector<veyra::BoundingBox<3>> boxes(triangles.size());
  for (std::size_t t = 0; t < triangles.size(); ++t) {
    for (const auto& corner : triangles[t].vertices) boxes[t].add_point(corner);
  }
  return boxes;
}

// NNSearch construction plus colocated_index_mapping(1e-6), as a mesh import does it.
void BM_Colocation(benchmark::State& state) {
  const auto nb_points = static_cast<index_t>(state.range(0));
  const auto points = triangle_soup_points(nb_points);
  index_t nb_unique = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto copy = points;
    state.ResumeTiming();
    const veyra::NNSearch<3> search{std::move(copy)};
    const auto info = search.colocated_index_mapping(veyra::global_epsilon);
    nb_unique = info.nb_unique_points();
    benchmark::DoNotOptimize(info.colocated_mapping.data());
  }
  state.counters["unique"] = nb_unique;
  veyra::bench::report(state, nb_points);
}
BENCHMARK(BM_Colocation)->Arg(200000)->Arg(2000000)->UseRealTime()->Unit(benchmark::kMillisecond);

// colocated_index_mapping alone, on a search built once.
void BM_ColocatedIndexMapping(benchmark::State& state) {
  const auto nb_points = static_cast<index_t>(state.range(0));
  const veyra::NNSearch<3> search{triangle_soup_points(nb_points)};
  for (auto _ : state) {
    const auto info = search.colocated_index_mapping(veyra::global_epsilon);
    benchmark::DoNotOptimize(info.colocated_mapping.data());
  }
  veyra::bench::report(state, nb_points);
}
BENCHMARK(BM_ColocatedIndexMapping)
    ->Arg(200000)
    ->Arg(2000000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_AABBTreeBuild(benchmark::State& state) {
  const auto boxes = triangle_boxes(wavy_grid_triangles(static_cast<index_t>(state.range(0))));
  for (auto _ : state) {
    const veyra::AABBTree<3> tree{boxes};
    benchmark::DoNotOptimize(tree.nb_bboxes());
  }
  veyra::bench::report(state, static_cast<double>(boxes.size()));
}
BENCHMARK(BM_AABBTreeBuild)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Closest triangle to points scattered over and around the surface (items: queries).
void BM_AABBTreeClosestTriangle(benchmark::State& state) {
  const auto triangles = wavy_grid_triangles(static_cast<index_t>(state.range(0)));
  const veyra::AABBTree<3> tree{triangle_boxes(triangles)};
  std::mt19937 generator{3};
  std::uniform_real_distribution<double> planar{-1., 11.};
  std::uniform_real_distribution<double> height{-1., 1.};
  std::vector<Point3> queries(10000);
  for (auto& query : queries)
    query = Point3{{planar(generator), planar(generator), height(generator)}};
  const auto eval = [&triangles](const Point3& point, index_t t) {
    return veyra::point_triangle_distance(point, triangles[t]);
  };
  for (auto _ : state) {
    for (const auto& query : queries) {
      benchmark::DoNotOptimize(tree.closest_element_box(query, eval));
    }
  }
  veyra::bench::report(state, static_cast<double>(queries.size()));
}
BENCHMARK(BM_AABBTreeClosestTriangle)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Rays cast from below the surface, counting crossings (items: rays).
void BM_AABBTreeRayCrossings(benchmark::State& state) {
  const auto triangles = wavy_grid_triangles(static_cast<index_t>(state.range(0)));
  const veyra::AABBTree<3> tree{triangle_boxes(triangles)};
  std::mt19937 generator{4};
  std::uniform_real_distribution<double> planar{0., 10.};
  std::uniform_real_distribution<double> tilt{-0.3, 0.3};
  std::vector<veyra::Ray<3>> rays;
  for (int r = 0; r < 10000; ++r) {
    rays.emplace_back(Point3{{planar(generator), planar(generator), -1.}},
                      veyra::Vector<3>{{tilt(generator), tilt(generator), 1.}});
  }
  index_t nb_crossings = 0;
  for (auto _ : state) {
    nb_crossings = 0;
    for (const auto& ray : rays) {
      tree.compute_ray_element_bbox_intersections(ray, [&](index_t t) {
        const auto hit = veyra::ray_triangle_intersection(ray, triangles[t]);
        nb_crossings += hit.status == veyra::RayTriangleStatus::crossing ? 1 : 0;
      });
    }
    benchmark::DoNotOptimize(nb_crossings);
  }
  state.counters["crossings"] = nb_crossings;
  veyra::bench::report(state, static_cast<double>(rays.size()));
}
BENCHMARK(BM_AABBTreeRayCrossings)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
