// SPDX-License-Identifier: MIT
// The conversions give the same model, byte for byte once saved, with one thread or two and
// from one run to the next with the same id seed. Inputs are large enough for the parallel
// loops (colocation, tree builds, per-block tasks) to split their work.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <tbb/global_control.h>

#include <ostrel/basic/uuid.h>
#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/model/io/brep_io.h>
#include <support/expect_valid_model.h>
#include <veyra_testing/mesh_generators.h>

#include <model/common/convert_meshes.h>
#include <model/common/library.h>
#include <model/element_meshes/brep_from_solid_elements_builder.h>
#include <model/operations/sharp_features.h>

namespace veyra {
namespace {

namespace fs = std::filesystem;

class Determinism : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { VeyraConversionModelLibrary::initialize(); }

  Determinism() : folder_(fs::path{::testing::TempDir()} / ("determinism_" + uuid{}.string())) {
    fs::create_directories(folder_);
  }
  ~Determinism() override { fs::remove_all(folder_); }

  /// The bytes of the saved model that `convert` returns, run with `nb_threads` threads after
  /// seeding the id generator with `seed`.
  std::string saved_bytes(const std::function<BRep()>& convert, int nb_threads,
                          std::uint64_t seed) {
    const tbb::global_control limit{tbb::global_control::max_allowed_parallelism,
                                    static_cast<std::size_t>(nb_threads)};
    uuid::seed(seed);
    const auto model = convert();
    if (!validated_) {
      test::expect_valid(model);
      validated_ = true;
    }
    const auto file = (folder_ / str_cat("model", run_++, ".tq_brep")).string();
    save_brep(model, file);
    std::ifstream stream{file, std::ios::binary};
    return {std::istreambuf_iterator<char>{stream}, {}};
  }

  /// Runs the conversion with 1 and 2 threads, twice each, and expects one result.
  void expect_deterministic(const std::function<BRep()>& convert) {
    constexpr std::uint64_t seed = 2024;
    const auto reference = saved_bytes(convert, 1, seed);
    EXPECT_EQ(saved_bytes(convert, 2, seed), reference) << "1 thread, then 2";
    EXPECT_EQ(saved_bytes(convert, 1, seed), reference) << "1 thread, again";
    EXPECT_EQ(saved_bytes(convert, 2, seed), reference) << "2 threads, again";
    // The seed is what makes runs equal: another one changes the ids.
    EXPECT_NE(saved_bytes(convert, 2, seed + 1), reference);
  }

 private:
  fs::path folder_;
  index_t run_{0};
  bool validated_{false};
};

TEST_F(Determinism, ConvertMeshesIntoBRep) {
  // The cube's faces, a sphere inside it, a curve lying on the bottom face along grid points
  // and a point inside the cube.
  constexpr index_t n = 24;
  const auto faces = testing::make_cube_faces(n);
  const auto sphere = testing::make_sphere(3, Point<3>{{0.5, 0.5, 0.5}}, 0.3);
  auto curve = EdgedCurve<3>::create();
  {
    auto builder = EdgedCurveBuilder<3>::create(*curve);
    for (index_t i = 0; i <= n; ++i) {
      builder->create_point(Point<3>{{static_cast<double>(i) / n, 0.5, 0.}});
      if (i > 0) builder->create_edge(i - 1, i);
    }
  }
  auto points = PointSet<3>::create();
  PointSetBuilder<3>::create(*points)->create_point(Point<3>{{0.9, 0.9, 0.9}});

  std::vector<std::reference_wrapper<const SurfaceMesh<3>>> surfaces;
  for (const auto& face : faces) surfaces.emplace_back(*face);
  surfaces.emplace_back(*sphere);
  const std::vector<std::reference_wrapper<const EdgedCurve<3>>> curves{*curve};
  const std::vector<std::reference_wrapper<const PointSet<3>>> point_sets{*points};
  const auto convert = [&] {
    return std::get<0>(convert_meshes_into_brep(point_sets, curves, surfaces));
  };
  const auto model = convert();
  EXPECT_EQ(model.nb_blocks(), 2);  // between the sphere and the cube, and inside the sphere
  EXPECT_GT(model.nb_lines(), 12);  // the curve cuts the bottom face
  expect_deterministic(convert);
}

TEST_F(Determinism, ConvertSolidElementsIntoBRep) {
  // A tetrahedral box cut by the plane x = 4 into two blocks (one task each) and by a patch of
  // the plane y = 4 ending inside the box, which makes the repairs split tetrahedra; a corner
  // vertex on the skin.
  constexpr index_t n = 8;
  const auto solid = testing::make_box_tetrahedra(n, n, n, Point<3>{{0., 0., 0.}},
                                                  Point<3>{{double(n), double(n), double(n)}});
  solid->enable_facets();
  std::vector<index_t> facets;
  for (index_t facet = 0; facet < solid->facets().nb_facets(); ++facet) {
    const auto vertices = solid->facets().facet_vertices(facet);
    const auto all = [&](const auto& inside) {
      return std::all_of(vertices.begin(), vertices.end(),
                         [&](index_t v) { return inside(solid->point(v)); });
    };
    if (all([](const Point<3>& p) { return p.value(0) == 4.; }) ||
        all([](const Point<3>& p) { return p.value(1) == 4. && p.value(0) <= 2.; })) {
      facets.push_back(facet);
    }
  }
  const auto convert = [&] {
    const auto copy = solid->clone();
    return std::get<0>(convert_solid_elements_into_brep(*copy, {0}, {}, facets));
  };
  const auto model = convert();
  EXPECT_EQ(model.nb_blocks(), 2);
  expect_deterministic(convert);
}

TEST_F(Determinism, AddSharpFeatures) {
  // A cube converted into a model of one surface, whose twelve creases become lines.
  const auto cube = testing::make_cube_surface(16);
  const std::vector<std::reference_wrapper<const SurfaceMesh<3>>> surfaces{*cube};
  const auto convert = [&] {
    auto model = std::get<0>(convert_meshes_into_brep({}, {}, surfaces));
    add_sharp_features(model, 100.);
    return model;
  };
  const auto model = convert();
  EXPECT_EQ(model.nb_lines(), 12);
  expect_deterministic(convert);
}

}  // namespace
}  // namespace veyra
