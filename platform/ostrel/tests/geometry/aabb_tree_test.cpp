// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/basic/parallel.h>
#include <ostrel/geometry/aabb_tree.h>

#include <algorithm>
#include <random>
#include <vector>

namespace veyra {
namespace {

std::vector<BoundingBox<3>> random_boxes(index_t nb, unsigned seed) {
  std::mt19937 generator{seed};
  std::uniform_real_distribution<double> position{0., 100.};
  std::uniform_real_distribution<double> size{0., 3.};
  std::vector<BoundingBox<3>> boxes(nb);
  for (auto& box : boxes) {
    const Point<3> corner{{position(generator), position(generator), position(generator)}};
    box = BoundingBox<3>{corner,
                         corner + Point<3>{{size(generator), size(generator), size(generator)}}};
  }
  return boxes;
}

std::vector<index_t> sorted(std::vector<index_t> values) {
  std::sort(values.begin(), values.end());
  return values;
}

// Distance from the query to an element: its box distance, with the box center as the
// "nearest point". Coarse boxes on a lattice make exact ties common.
std::pair<double, Point<3>> box_distance(const std::vector<BoundingBox<3>>& boxes,
                                         const Point<3>& query, index_t element) {
  return {std::sqrt(boxes[element].distance2(query)), boxes[element].center()};
}

class AABBTreeQueries : public testing::TestWithParam<index_t> {};

TEST_P(AABBTreeQueries, MatchBruteForce) {
  const auto boxes = random_boxes(GetParam(), 1234 + GetParam());
  const AABBTree<3> tree{boxes};
  ASSERT_EQ(tree.nb_bboxes(), boxes.size());
  BoundingBox<3> all;
  for (const auto& box : boxes) all.add_box(box);
  EXPECT_EQ(tree.bounding_box(), all);

  std::mt19937 generator{99};
  std::uniform_real_distribution<double> position{-10., 110.};
  std::uniform_real_distribution<double> size{0., 20.};
  std::uniform_real_distribution<double> direction{-1., 1.};
  for (int query = 0; query < 100; ++query) {
    const Point<3> corner{{position(generator), position(generator), position(generator)}};
    const BoundingBox<3> box{
        corner, corner + Point<3>{{size(generator), size(generator), size(generator)}}};
    std::vector<index_t> expected;
    for (index_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].intersects(box)) expected.push_back(i);
    }
    std::vector<index_t> found;
    tree.compute_bbox_element_bbox_intersections(box, [&](index_t e) { found.push_back(e); });
    EXPECT_EQ(sorted(found), expected);

    // Rays: every box the ray meets is reported, and only boxes within tolerance of it.
    const Ray<3> ray{corner,
                     Vector<3>{{direction(generator), direction(generator), direction(generator)}}};
    std::vector<index_t> must;
    std::vector<index_t> may;
    for (index_t i = 0; i < boxes.size(); ++i) {
      auto grown = boxes[i];
      grown.extend(2 * global_epsilon);
      if (boxes[i].intersects(ray)) must.push_back(i);
      if (grown.intersects(ray)) may.push_back(i);
    }
    found.clear();
    tree.compute_ray_element_bbox_intersections(ray, [&](index_t e) { found.push_back(e); });
    found = sorted(found);
    EXPECT_TRUE(std::includes(found.begin(), found.end(), must.begin(), must.end()));
    EXPECT_TRUE(std::includes(may.begin(), may.end(), found.begin(), found.end()));

    const auto [element, nearest, distance] = tree.closest_element_box(
        corner, [&](const Point<3>& p, index_t e) { return box_distance(boxes, p, e); });
    index_t best = NO_ID;
    double best_distance = std::numeric_limits<double>::infinity();
    for (index_t i = 0; i < boxes.size(); ++i) {
      const double d = box_distance(boxes, corner, i).first;
      if (d < best_distance) {
        best_distance = d;
        best = i;
      }
    }
    EXPECT_EQ(element, best);
    EXPECT_EQ(distance, best_distance);
    if (best != NO_ID) {
      EXPECT_EQ(nearest, boxes[best].center());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, AABBTreeQueries, testing::Values(0, 1, 3, 5, 17, 2000));

TEST(AABBTree, ClosestElementTiesGoToSmallestIndex) {
  // Unit cells on a lattice, listed in a shuffled order, several at distance 0 of the query.
  std::vector<BoundingBox<2>> boxes;
  for (int i = 0; i < 40; ++i) {
    for (int j = 0; j < 40; ++j) {
      boxes.emplace_back(Point<2>{{double(i), double(j)}}, Point<2>{{i + 1., j + 1.}});
    }
  }
  std::shuffle(boxes.begin(), boxes.end(), std::mt19937{5});
  const AABBTree<2> tree{boxes};
  const auto eval = [&](const Point<2>& p, index_t e) {
    return std::tuple<double, Point<2>>{std::sqrt(boxes[e].distance2(p)), p};
  };
  for (const Point<2> query :
       {Point<2>{{10., 10.}}, Point<2>{{0., 40.}}, Point<2>{{-3., 7.}}, Point<2>{{20.5, 45.}}}) {
    index_t expected = NO_ID;
    double expected_distance = std::numeric_limits<double>::infinity();
    for (index_t e = 0; e < boxes.size(); ++e) {
      const double d = std::get<0>(eval(query, e));
      if (d < expected_distance) {
        expected_distance = d;
        expected = e;
      }
    }
    EXPECT_EQ(std::get<0>(tree.closest_element_box(query, eval)), expected) << query.string();
  }
}

TEST(AABBTree, LayoutDoesNotDependOnParallelism) {
  const auto boxes = random_boxes(40000, 17);
  const AABBTree<3> parallel{boxes};
  set_parallel_enabled(false);
  const AABBTree<3> serial{boxes};
  set_parallel_enabled(true);
  const BoundingBox<3> query{Point<3>{{20., 20., 20.}}, Point<3>{{60., 60., 60.}}};
  std::vector<index_t> parallel_order;
  std::vector<index_t> serial_order;
  parallel.compute_bbox_element_bbox_intersections(query,
                                                   [&](index_t e) { parallel_order.push_back(e); });
  serial.compute_bbox_element_bbox_intersections(query,
                                                 [&](index_t e) { serial_order.push_back(e); });
  EXPECT_EQ(parallel_order, serial_order);
  EXPECT_FALSE(parallel_order.empty());
}

TEST(AABBTree, StopsEarlySkipsEmptyBoxesAndMoves) {
  auto boxes = random_boxes(500, 3);
  boxes[10] = BoundingBox<3>{};
  AABBTree<3> tree{boxes};
  const BoundingBox<3> everything{Point<3>{{-1e3, -1e3, -1e3}}, Point<3>{{1e3, 1e3, 1e3}}};

  index_t nb_reported = 0;
  bool saw_empty = false;
  tree.compute_bbox_element_bbox_intersections(everything, [&](index_t e) {
    ++nb_reported;
    saw_empty = saw_empty || e == 10;
  });
  EXPECT_EQ(nb_reported, 499);
  EXPECT_FALSE(saw_empty);

  nb_reported = 0;
  tree.compute_bbox_element_bbox_intersections(everything, [&](index_t) {
    ++nb_reported;
    return nb_reported == 3;
  });
  EXPECT_EQ(nb_reported, 3);

  std::vector<AABBTree<3>> trees;
  trees.push_back(std::move(tree));
  trees.emplace_back();
  EXPECT_EQ(trees[0].nb_bboxes(), 500);
  EXPECT_EQ(trees[1].nb_bboxes(), 0);
  EXPECT_TRUE(trees[1].bounding_box().is_empty());
  bool saw_target = false;
  const Point<3> origin{{-10., -10., -10.}};
  trees[0].compute_ray_element_bbox_intersections(
      Ray<3>{origin, Vector<3>{origin, boxes[7].center()}},
      [&](index_t e) { saw_target = saw_target || e == 7; });
  EXPECT_TRUE(saw_target);
}

TEST(AABBTree, RejectsInfiniteBoxes) {
  std::vector<BoundingBox<2>> boxes(3);
  boxes[1].add_point(Point<2>{{-INFINITY, 0.}});
  boxes[1].add_point(Point<2>{{1., 1.}});
  boxes[2].add_point(Point<2>{{0., 0.}});
  try {
    AABBTree<2> tree{boxes};
    FAIL() << "no exception";
  } catch (const OstrelGeometryException& error) {
    EXPECT_EQ(error.type(), OstrelException::TYPE::input);
    EXPECT_STREQ(error.what(), "[AABBTree] Box 1 has a NaN or infinite coordinate");
  }
}

}  // namespace
}  // namespace veyra
