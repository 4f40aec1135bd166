// SPDX-License-Identifier: MIT
#include <ostrel/mesh/mesh_factory.h>

#include <gtest/gtest.h>

#include <string>

#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/graph.h>
#include <ostrel/mesh/mesh_builder_factory.h>
#include <ostrel/mesh/point_set.h>
#include <ostrel/mesh/point_set_builder.h>

namespace veyra {
namespace {

TEST(MeshFactory, CreatesEachTypeWithItsDefaultImplementation) {
  struct Case {
    std::unique_ptr<VertexSet> mesh;
    std::string type;
    std::string impl;
  };
  Case cases[] = {
      {PointSet<2>::create(), "PointSet2D", "OstrelPointSet2D"},
      {PointSet<3>::create(), "PointSet3D", "OstrelPointSet3D"},
      {EdgedCurve<2>::create(), "EdgedCurve2D", "OstrelEdgedCurve2D"},
      {EdgedCurve<3>::create(), "EdgedCurve3D", "OstrelEdgedCurve3D"},
      {Graph::create(), "Graph", "OstrelGraph"},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(test.mesh->type_name().get(), test.type);
    EXPECT_EQ(test.mesh->impl_name().get(), test.impl);
    EXPECT_EQ(MeshFactory::default_impl(MeshType{test.type}).get(), test.impl);
    EXPECT_TRUE(MeshFactory::has_impl(MeshImpl{test.impl}));
  }
}

TEST(MeshFactory, RejectsUnknownKeysAndOtherFamilies) {
  const auto expect_input = [](auto&& action, const std::string& message) {
    try {
      action();
      FAIL() << "no exception";
    } catch (const OstrelMeshException& error) {
      EXPECT_EQ(error.type(), OstrelException::TYPE::input);
      EXPECT_EQ(std::string{error.what()}, message);
    }
  };
  expect_input([] { PointSet<3>::create(MeshImpl{"Nothing"}); },
               "[MeshFactory::create_mesh] Unknown mesh implementation Nothing");
  expect_input([] { PointSet<3>::create(OstrelEdgedCurve<3>::impl_name_static()); },
               "[MeshFactory::create_mesh] Mesh implementation OstrelEdgedCurve3D does not give "
               "a mesh of the asked type");
  expect_input([] { MeshFactory::default_impl(MeshType{"Nothing"}); },
               "[MeshFactory::default_impl] No default implementation for mesh type Nothing");
  EXPECT_FALSE(MeshFactory::has_impl(MeshImpl{"Nothing"}));
}

class BuilderlessPointSet final : public PointSet<3> {
 public:
  MeshImpl impl_name() const override { return MeshImpl{"BuilderlessPointSet3D"}; }
};

TEST(MeshBuilderFactory, ReportsAnImplementationWithoutBuilder) {
  MeshFactory::register_mesh<PointSet<3>, BuilderlessPointSet>(MeshImpl{"BuilderlessPointSet3D"});
  auto mesh = PointSet<3>::create(MeshImpl{"BuilderlessPointSet3D"});
  EXPECT_EQ(mesh->type_name().get(), "PointSet3D");
  try {
    PointSetBuilder<3>::create(*mesh);
    FAIL() << "no exception";
  } catch (const OstrelMeshException& error) {
    EXPECT_EQ(error.type(), OstrelException::TYPE::internal);
    EXPECT_EQ(std::string{error.what()},
              "Cannot create mesh builder with key: BuilderlessPointSet3D");
  }
  // Its clone is of the same implementation.
  EXPECT_EQ(mesh->clone()->impl_name().get(), "BuilderlessPointSet3D");
}

}  // namespace
}  // namespace veyra
