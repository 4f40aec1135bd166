// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <ostrel/basic/parallel.h>
#include <ostrel/geometry/nn_search.h>

#include <algorithm>
#include <random>
#include <vector>

namespace veyra {
namespace {

Point<3> p(double x, double y, double z) {
  return Point<3>{{x, y, z}};
}

struct ColocationCase {
  const char* name;
  std::vector<Point<3>> points;
  double epsilon;
  std::vector<index_t> mapping;
};

TEST(NNSearch, ColocatedIndexMapping) {
  const ColocationCase cases[] = {
      {"chain of three points 0.8e-6 apart",
       {p(0, 0, 0), p(0.8e-6, 0, 0), p(1.6e-6, 0, 0)},
       1e-6,
       {0, 0, 0}},
      {"two points 2e-6 apart", {p(0, 0, 0), p(2e-6, 0, 0)}, 1e-6, {0, 1}},
      {"exactly at the tolerance", {p(0, 0, 0), p(1e-6, 0, 0)}, 1e-6, {0, 0}},
      {"numbered by first appearance",
       {p(5, 5, 5), p(1, 1, 1), p(5, 5, 5 + 1e-7), p(9, 0, 0), p(1, 1, 1), p(0, 0, 0)},
       1e-6,
       {0, 1, 0, 2, 1, 3}},
      {"a late point joins two early groups",
       {p(0, 0, 0), p(1.8e-6, 0, 0), p(7, 7, 7), p(0.9e-6, 0, 0)},
       1e-6,
       {0, 0, 1, 0}},
      {"zero tolerance keeps only exact duplicates",
       {p(1, 2, 3), p(1, 2, 3 + 1e-12), p(1, 2, 3)},
       0.,
       {0, 1, 0}},
      {"no point", {}, 1e-6, {}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const NNSearch<3> search{test.points};
    const auto info = search.colocated_index_mapping(test.epsilon);
    EXPECT_EQ(info.colocated_mapping, test.mapping);
    const auto nb_unique =
        test.mapping.empty() ? 0 : *std::max_element(test.mapping.begin(), test.mapping.end()) + 1;
    ASSERT_EQ(info.nb_unique_points(), nb_unique);
    EXPECT_EQ(info.nb_colocated_points(), test.points.size() - nb_unique);
    // The unique point of a group is the point of its smallest member.
    std::vector<bool> seen(nb_unique, false);
    for (index_t i = 0; i < test.points.size(); ++i) {
      const auto group = info.colocated_mapping[i];
      if (!seen[group]) {
        EXPECT_EQ(info.unique_points[group], test.points[i]);
      }
      seen[group] = true;
    }
  }
}

// Reference colocation: transitive closure over all pairs, numbered by smallest member.
std::vector<index_t> brute_force_colocation(const std::vector<Point<2>>& points, double epsilon) {
  const auto nb = static_cast<index_t>(points.size());
  std::vector<index_t> group(nb, NO_ID);
  index_t nb_groups = 0;
  for (index_t seed = 0; seed < nb; ++seed) {
    if (group[seed] != NO_ID) continue;
    std::vector<index_t> stack{seed};
    group[seed] = nb_groups;
    while (!stack.empty()) {
      const auto current = stack.back();
      stack.pop_back();
      for (index_t other = 0; other < nb; ++other) {
        if (group[other] == NO_ID &&
            point_point_distance2(points[current], points[other]) <= epsilon * epsilon) {
          group[other] = nb_groups;
          stack.push_back(other);
        }
      }
    }
    ++nb_groups;
  }
  return group;
}

TEST(NNSearch, ColocationMatchesBruteForceOnClusters) {
  // Points snapped near a coarse grid, with jitter around the tolerance so that chains form.
  std::mt19937 generator{42};
  std::uniform_int_distribution<int> cell{0, 30};
  std::uniform_real_distribution<double> jitter{-1.5e-6, 1.5e-6};
  std::vector<Point<2>> points(3000);
  for (auto& point : points) {
    point = Point<2>{
        {cell(generator) * 1e-3 + jitter(generator), cell(generator) * 1e-3 + jitter(generator)}};
  }
  const NNSearch<2> search{points};
  const auto info = search.colocated_index_mapping(1e-6);
  EXPECT_EQ(info.colocated_mapping, brute_force_colocation(points, 1e-6));
}

TEST(NNSearch, ColocationDoesNotDependOnParallelism) {
  std::mt19937 generator{8};
  std::uniform_int_distribution<int> cell{0, 200};
  std::uniform_real_distribution<double> jitter{-1e-6, 1e-6};
  std::vector<Point<3>> points(60000);
  for (auto& point : points) {
    point = p(cell(generator) * 1e-3 + jitter(generator), cell(generator) * 1e-3,
              cell(generator) * 1e-3 + jitter(generator));
  }
  const NNSearch<3> search{points};
  const auto parallel = search.colocated_index_mapping(1e-6);
  set_parallel_enabled(false);
  const auto serial = search.colocated_index_mapping(1e-6);
  set_parallel_enabled(true);
  EXPECT_EQ(parallel.colocated_mapping, serial.colocated_mapping);
  EXPECT_EQ(parallel.unique_points, serial.unique_points);
  EXPECT_LT(parallel.nb_unique_points(), points.size());
}

TEST(NNSearch, ClosestNeighborPicksSmallestIndexAmongTies) {
  std::mt19937 generator{7};
  std::uniform_real_distribution<double> coordinate{5., 10.};
  std::vector<Point<3>> points(300);
  for (auto& point : points) {
    point = p(coordinate(generator), coordinate(generator), coordinate(generator));
  }
  // Six points at distance exactly 1 from the origin, scattered through the list.
  points[250] = p(1, 0, 0);
  points[40] = p(0, -1, 0);
  points[131] = p(0, 0, 1);
  points[77] = p(-1, 0, 0);
  points[299] = p(0, 1, 0);
  points[203] = p(0, 0, -1);
  // Duplicates of one point.
  points[12] = p(20, 20, 20);
  points[3] = p(20, 20, 20);
  points[180] = p(20, 20, 20);
  const NNSearch<3> search{points};
  EXPECT_EQ(search.nb_points(), 300);
  EXPECT_EQ(search.point(131), p(0, 0, 1));
  EXPECT_EQ(search.closest_neighbor(p(0, 0, 0)), 40);
  EXPECT_EQ(search.closest_neighbor(p(21, 21, 21)), 3);

  std::uniform_real_distribution<double> query_coordinate{-2., 22.};
  for (int i = 0; i < 200; ++i) {
    const auto query =
        p(query_coordinate(generator), query_coordinate(generator), query_coordinate(generator));
    index_t expected = 0;
    for (index_t j = 1; j < points.size(); ++j) {
      if (point_point_distance2(query, points[j]) <
          point_point_distance2(query, points[expected])) {
        expected = j;
      }
    }
    EXPECT_EQ(search.closest_neighbor(query), expected) << query.string();
  }
  EXPECT_EQ(NNSearch<3>{{}}.closest_neighbor(p(0, 0, 0)), NO_ID);
}

TEST(NNSearch, RadiusNeighborsAreInclusiveAndAscending) {
  std::vector<Point<2>> points;
  for (int i = 0; i < 100; ++i) points.push_back(Point<2>{{100. - i, 0.}});
  const NNSearch<2> search{points};
  // Distances from 50: point i is at |50 - i|; radius 2 keeps 48..52, borders included.
  EXPECT_EQ(search.radius_neighbors(Point<2>{{50., 0.}}, 2.),
            (std::vector<index_t>{48, 49, 50, 51, 52}));
  EXPECT_EQ(search.radius_neighbors(Point<2>{{50.5, 0.}}, 0.25), (std::vector<index_t>{}));
  EXPECT_EQ(search.radius_neighbors(Point<2>{{50., 0.}}, -1.), (std::vector<index_t>{}));
}

TEST(NNSearch, RejectsNonFinitePoints) {
  try {
    NNSearch<3> search{{p(0, 0, 0), p(1, std::nan(""), 0)}};
    FAIL() << "no exception";
  } catch (const OstrelGeometryException& error) {
    EXPECT_EQ(error.type(), OstrelException::TYPE::input);
    EXPECT_STREQ(error.what(), "[NNSearch] Point 1 has a NaN or infinite coordinate: 1 nan 0");
  }
  const NNSearch<3> search{{p(0, 0, 0)}};
  EXPECT_THROW((void)search.closest_neighbor(p(0, INFINITY, 0)), OstrelGeometryException);
}

}  // namespace
}  // namespace veyra
