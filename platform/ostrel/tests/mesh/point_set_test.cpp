// SPDX-License-Identifier: MIT
#include <ostrel/mesh/point_set.h>

#include <gtest/gtest.h>

#include <ostrel/mesh/point_set_builder.h>

namespace veyra {
namespace {

TEST(PointSet, DeletesVerticesWithTheirPointsAndAttributes) {
  auto mesh = PointSet<3>::create();
  auto builder = PointSetBuilder<3>::create(*mesh);
  auto ids = mesh->vertex_attribute_manager().find_or_create_attribute<VariableAttribute, int>(
      "id", -1);
  for (int i = 0; i < 5; ++i) {
    const auto vertex = builder->create_point(Point<3>{{1. * i, 0., -1. * i}});
    ids->set_value(vertex, i);
  }
  EXPECT_EQ(builder->create_vertices(2), 5);
  EXPECT_EQ(mesh->point(6), Point<3>{});
  EXPECT_EQ(ids->value(6), -1);

  const auto old2new = builder->delete_vertices({true, false, false, true, false, false, true});
  EXPECT_EQ(old2new, (std::vector<index_t>{NO_ID, 0, 1, NO_ID, 2, 3, NO_ID}));
  ASSERT_EQ(mesh->nb_vertices(), 4);
  EXPECT_EQ(mesh->point(2), (Point<3>{{4., 0., -4.}}));
  EXPECT_EQ(ids->value(2), 4);
  EXPECT_TRUE(mesh->is_vertex_isolated(0));

  const auto box = mesh->bounding_box();
  EXPECT_EQ(box.min(), (Point<3>{{0., 0., -4.}}));
  EXPECT_EQ(box.max(), (Point<3>{{4., 0., 0.}}));

  EXPECT_THROW(builder->set_point(4, Point<3>{}), OstrelMeshException);
  EXPECT_THROW(builder->delete_vertices({true}), OstrelMeshException);
}

TEST(PointSet, CloneIsDeepWithAFreshIdAndTheSameName) {
  auto mesh = PointSet<2>::create();
  auto builder = PointSetBuilder<2>::create(*mesh);
  builder->set_name("corners");
  builder->create_point(Point<2>{{1., 2.}});
  mesh->vertex_attribute_manager().find_or_create_attribute<SparseAttribute, double>("w", 0.)
      ->set_value(0, 3.);

  const auto clone = mesh->clone();
  EXPECT_NE(clone->id(), mesh->id());
  EXPECT_EQ(clone->name(), mesh->name());
  EXPECT_EQ(clone->impl_name(), mesh->impl_name());
  ASSERT_EQ(clone->nb_vertices(), 1);
  EXPECT_EQ(clone->point(0), (Point<2>{{1., 2.}}));

  builder->set_point(0, Point<2>{{5., 5.}});
  mesh->vertex_attribute_manager().find_or_create_attribute<SparseAttribute, double>("w", 0.)
      ->set_value(0, 7.);
  EXPECT_EQ(clone->point(0), (Point<2>{{1., 2.}}));
  EXPECT_EQ(clone->vertex_attribute_manager().find_attribute<double>("w")->value(0), 3.);
}

TEST(PointSet, InterpolatesPointAttributesAsWeightedSums) {
  auto mesh = PointSet<3>::create();
  auto builder = PointSetBuilder<3>::create(*mesh);
  builder->create_vertices(3);
  auto& attributes = mesh->vertex_attribute_manager();
  auto normals = attributes.find_or_create_attribute<VariableAttribute, Point<3>>(
      "normal", Point<3>{});
  normals->set_value(0, Point<3>{{1., 0., 0.}});
  normals->set_value(1, Point<3>{{0., 2., 0.}});
  attributes.interpolate_attribute_value({{0, 1}, {0.25, 0.75}}, 2);
  EXPECT_EQ(normals->value(2), (Point<3>{{0.25, 1.5, 0.}}));
  EXPECT_FALSE(attributes.find_generic_attribute("normal")->is_genericable());
}

}  // namespace
}  // namespace veyra
