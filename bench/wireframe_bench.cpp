// SPDX-License-Identifier: MIT
// Corners and lines builder: build() on generated wireframes, registration of every edge
// included. Items are wireframe edges.
//   - Chains: c parallel chains of m edges with corners at both ends (few long lines).
//   - Grid: the edges of an n x n grid of nodes; nodes with an odd number of edges (the border)
//     are corners, so the walks wind through the degree-4 inner nodes.
//   - Cells: the same grid with every node a corner, one line per edge.
#include <benchmark/benchmark.h>

#include <memory>

#include <model/common/library.h>
#include <model/wireframe/corners_lines_builder.h>

#include "bench_support.h"

namespace {

using veyra::index_t;

class GridBuilder : public veyra::detail::CornersLinesBuilder<veyra::BRep> {
 public:
  enum class Shape { chains, grid, cells };

  GridBuilder(veyra::BRep& model, Shape shape, index_t rows, index_t columns)
      : CornersLinesBuilder(model), shape_(shape), rows_(rows), columns_(columns) {}

 private:
  index_t node(index_t row, index_t column) const { return row * columns_ + column; }
  veyra::Point<3> point(index_t row, index_t column) const {
    return veyra::Point<3>{{static_cast<double>(column), static_cast<double>(row), 0.}};
  }

  void add_edge(index_t row0, index_t column0, index_t row1, index_t column1) {
    find_or_create_edge({node(row0, column0), node(row1, column1)},
                        {point(row0, column0), point(row1, column1)});
  }

  void build_wireframe_step() override {
    const bool grid = shape_ != Shape::chains;
    reserve_wireframe(rows_ * columns_, grid ? 2 * rows_ * columns_ : rows_ * columns_);
    for (index_t row = 0; row < rows_; ++row) {
      for (index_t column = 0; column + 1 < columns_; ++column) {
        add_edge(row, column, row, column + 1);
        if (grid && row + 1 < rows_) add_edge(row, column, row + 1, column);
      }
      if (grid && row + 1 < rows_) add_edge(row, columns_ - 1, row + 1, columns_ - 1);
    }
  }

  bool is_corner(index_t wireframe_vertex) const override {
    if (shape_ == Shape::cells) return true;
    return wireframe().edges_around_vertex(wireframe_vertex).size() % 2 == 1;
  }

  Shape shape_;
  index_t rows_;
  index_t columns_;
};

void run(benchmark::State& state, GridBuilder::Shape shape, index_t rows, index_t columns,
         double nb_edges) {
  veyra::VeyraConversionModelLibrary::initialize();
  for (auto _ : state) {
    state.PauseTiming();
    auto model = std::make_unique<veyra::BRep>();
    veyra::BRepBuilder{*model}.create_unique_vertices(rows * columns);
    state.ResumeTiming();
    GridBuilder builder{*model, shape, rows, columns};
    builder.build();
    benchmark::DoNotOptimize(model->nb_lines());
    state.PauseTiming();
    model.reset();
    state.ResumeTiming();
  }
  veyra::bench::report(state, nb_edges);
}

void BM_BuildChains(benchmark::State& state) {
  // 100 chains of m edges.
  const auto m = static_cast<index_t>(state.range(0));
  run(state, GridBuilder::Shape::chains, 100, m + 1, 100. * m);
}

void BM_BuildGrid(benchmark::State& state) {
  const auto n = static_cast<index_t>(state.range(0));
  run(state, GridBuilder::Shape::grid, n, n, 2. * n * (n - 1));
}

void BM_BuildCells(benchmark::State& state) {
  const auto n = static_cast<index_t>(state.range(0));
  run(state, GridBuilder::Shape::cells, n, n, 2. * n * (n - 1));
}

}  // namespace

BENCHMARK(BM_BuildChains)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildGrid)->Arg(71)->Arg(224)->Arg(708)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildCells)->Arg(71)->Arg(224)->Arg(708)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
