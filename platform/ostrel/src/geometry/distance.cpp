// SPDX-License-Identifier: MIT
#include <ostrel/geometry/distance.h>

#include <algorithm>
#include <optional>

namespace veyra {
namespace {

// The closest point of a triangle by Voronoi regions (vertices, then edges, then the face), with
// dot products only, so the same code serves 2D and 3D. The face region divides by the
// triangle's squared doubled area; it is used only when all three region weights are positive,
// so the answer is a convex combination of the vertices. Otherwise (no area, or rounding on a
// sliver) the result is absent and the caller measures the edges.
template <index_t D>
std::optional<Point<D>> closest_point_on_triangle(const Point<D>& point,
                                                  const Triangle<D>& triangle) {
  const auto& a = triangle.vertices[0];
  const auto& b = triangle.vertices[1];
  const auto& c = triangle.vertices[2];
  const Vector<D> ab{a, b};
  const Vector<D> ac{a, c};
  const Vector<D> ap{a, point};
  const double d1 = ab.dot(ap);
  const double d2 = ac.dot(ap);
  if (d1 <= 0. && d2 <= 0.) return a;

  const Vector<D> bp{b, point};
  const double d3 = ab.dot(bp);
  const double d4 = ac.dot(bp);
  if (d3 >= 0. && d4 <= d3) return b;

  const double vc = d1 * d4 - d3 * d2;
  if (vc <= 0. && d1 >= 0. && d3 <= 0.) return a + ab * (d1 / (d1 - d3));

  const Vector<D> cp{c, point};
  const double d5 = ab.dot(cp);
  const double d6 = ac.dot(cp);
  if (d6 >= 0. && d5 <= d6) return c;

  const double vb = d5 * d2 - d1 * d6;
  if (vb <= 0. && d2 >= 0. && d6 <= 0.) return a + ac * (d2 / (d2 - d6));

  const double va = d3 * d6 - d5 * d4;
  if (va <= 0. && d4 - d3 >= 0. && d5 - d6 >= 0.) {
    return b + Vector<D>{b, c} * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
  }

  if (!(va > 0. && vb > 0. && vc > 0.)) return std::nullopt;
  const double denominator = va + vb + vc;
  return a + ab * (vb / denominator) + ac * (vc / denominator);
}

}  // namespace

template <index_t D>
Point<D> point_segment_projection(const Point<D>& point, const Segment<D>& segment) {
  const auto direction = segment.direction();
  const double length2 = direction.length2();
  if (length2 == 0.) return segment.p0;
  const double t = Vector<D>{segment.p0, point}.dot(direction) / length2;
  if (t <= 0.) return segment.p0;
  if (t >= 1.) return segment.p1;
  return segment.p0 + direction * t;
}

template <index_t D>
double point_segment_distance(const Point<D>& point, const Segment<D>& segment) {
  return point_point_distance(point, point_segment_projection(point, segment));
}

template <index_t D>
double point_line_distance(const Point<D>& point, const Segment<D>& line) {
  const auto direction = line.direction();
  const Vector<D> to_point{line.p0, point};
  const double length2 = direction.length2();
  if (length2 == 0.) return to_point.length();
  return (to_point - direction * (to_point.dot(direction) / length2)).length();
}

template <index_t D>
std::tuple<double, Point<D>> point_triangle_distance(const Point<D>& point,
                                                     const Triangle<D>& triangle) {
  if (const auto closest = closest_point_on_triangle(point, triangle)) {
    return {point_point_distance(point, *closest), *closest};
  }
  // A triangle without area is covered by its edges.
  const auto& v = triangle.vertices;
  Point<D> best = point_segment_projection(point, Segment<D>{v[0], v[1]});
  double best_distance2 = point_point_distance2(point, best);
  for (const auto& edge : {Segment<D>{v[1], v[2]}, Segment<D>{v[2], v[0]}}) {
    const auto candidate = point_segment_projection(point, edge);
    const double distance2 = point_point_distance2(point, candidate);
    if (distance2 < best_distance2) {
      best_distance2 = distance2;
      best = candidate;
    }
  }
  return {std::sqrt(best_distance2), best};
}

template <index_t D>
double segment_segment_distance(const Segment<D>& segment0, const Segment<D>& segment1) {
  // Closest points of the two lines, clamped to the segments, then re-projected once so that
  // the pair is optimal on the segments (segments of zero length handled apart).
  const auto d0 = segment0.direction();
  const auto d1 = segment1.direction();
  const Vector<D> r{segment1.p0, segment0.p0};
  const double a = d0.length2();
  const double e = d1.length2();
  const double f = d1.dot(r);
  double s = 0.;
  double t = 0.;
  if (a == 0. && e == 0.) {
    return point_point_distance(segment0.p0, segment1.p0);
  }
  if (a == 0.) {
    t = std::clamp(f / e, 0., 1.);
  } else {
    const double c = d0.dot(r);
    if (e == 0.) {
      s = std::clamp(-c / a, 0., 1.);
    } else {
      const double b = d0.dot(d1);
      const double denominator = a * e - b * b;
      s = denominator > 0. ? std::clamp((b * f - c * e) / denominator, 0., 1.) : 0.;
      t = (b * s + f) / e;
      if (t < 0.) {
        t = 0.;
        s = std::clamp(-c / a, 0., 1.);
      } else if (t > 1.) {
        t = 1.;
        s = std::clamp((b - c) / a, 0., 1.);
      }
    }
  }
  return point_point_distance(segment0.p0 + d0 * s, segment1.p0 + d1 * t);
}

#define OSTREL_INSTANTIATE_DISTANCES(D)                                              \
  template Point<D> point_segment_projection(const Point<D>&, const Segment<D>&);    \
  template double point_segment_distance(const Point<D>&, const Segment<D>&);        \
  template double point_line_distance(const Point<D>&, const Segment<D>&);           \
  template std::tuple<double, Point<D>> point_triangle_distance(const Point<D>&,     \
                                                                const Triangle<D>&); \
  template double segment_segment_distance(const Segment<D>&, const Segment<D>&)

OSTREL_INSTANTIATE_DISTANCES(2);
OSTREL_INSTANTIATE_DISTANCES(3);

#undef OSTREL_INSTANTIATE_DISTANCES

}  // namespace veyra
