// SPDX-License-Identifier: MIT
#include <ostrel/geometry/barycentric_coordinates.h>
#include <ostrel/geometry/degeneration.h>
#include <ostrel/geometry/mensuration.h>

namespace veyra {
namespace {

// Twice the signed area of (p0, p1, p2), measured along the triangle's unnormalized normal in
// 3D: ratios of these are the coordinates of the point's projection on the plane.
template <index_t D>
class SignedArea {
 public:
  explicit SignedArea(const Triangle<D>& triangle) {
    if constexpr (D == 3) {
      const auto& v = triangle.vertices;
      normal_ = Vector<3>{v[0], v[1]}.cross(Vector<3>{v[0], v[2]});
    }
  }

  double operator()(const Point<D>& p0, const Point<D>& p1, const Point<D>& p2) const {
    if constexpr (D == 3) {
      return Vector<3>{p0, p1}.cross(Vector<3>{p0, p2}).dot(normal_);
    } else {
      return dot_perpendicular(Vector<2>{p0, p1}, Vector<2>{p0, p2});
    }
  }

 private:
  Vector<3> normal_;
};

}  // namespace

template <index_t D>
std::array<double, 2> safe_segment_barycentric_coordinates(const Point<D>& point,
                                                           const Segment<D>& segment) {
  const auto direction = segment.direction();
  const double length2 = direction.length2();
  if (length2 <= global_epsilon2) return {0.5, 0.5};
  const double t = Vector<D>{segment.p0, point}.dot(direction) / length2;
  return {1. - t, t};
}

template <index_t D>
std::array<double, 3> safe_triangle_barycentric_coordinates(const Point<D>& point,
                                                            const Triangle<D>& triangle) {
  const auto& v = triangle.vertices;
  if (is_triangle_degenerate(triangle)) {
    local_index_t longest = 0;
    double longest2 = -1.;
    for (local_index_t e = 0; e < 3; ++e) {
      const double length2 = point_point_distance2(v[e], v[(e + 1) % 3]);
      if (length2 > longest2) {
        longest2 = length2;
        longest = e;
      }
    }
    const auto next = static_cast<local_index_t>((longest + 1) % 3);
    const auto segment_coordinates =
        safe_segment_barycentric_coordinates(point, Segment<D>{v[longest], v[next]});
    std::array<double, 3> result{0., 0., 0.};
    result[longest] = segment_coordinates[0];
    result[next] = segment_coordinates[1];
    return result;
  }
  const SignedArea<D> signed_area{triangle};
  const double total = signed_area(v[0], v[1], v[2]);
  return {signed_area(point, v[1], v[2]) / total, signed_area(v[0], point, v[2]) / total,
          signed_area(v[0], v[1], point) / total};
}

std::array<double, 4> safe_tetrahedron_barycentric_coordinates(const Point<3>& point,
                                                               const Tetrahedron& tetrahedron) {
  const auto& v = tetrahedron.vertices;
  if (is_tetrahedron_degenerate(tetrahedron)) {
    local_index_t largest = 0;
    double largest_area = -1.;
    for (local_index_t f = 0; f < 4; ++f) {
      const auto& facet = Tetrahedron::facet_vertices[f];
      const double area = triangle_area(Triangle<3>{v[facet[0]], v[facet[1]], v[facet[2]]});
      if (area > largest_area) {
        largest_area = area;
        largest = f;
      }
    }
    const auto& facet = Tetrahedron::facet_vertices[largest];
    const auto triangle_coordinates = safe_triangle_barycentric_coordinates(
        point, Triangle<3>{v[facet[0]], v[facet[1]], v[facet[2]]});
    std::array<double, 4> result{0., 0., 0., 0.};
    for (local_index_t i = 0; i < 3; ++i) result[facet[i]] = triangle_coordinates[i];
    return result;
  }
  const double total = tetrahedron_signed_volume(tetrahedron);
  std::array<double, 4> result;
  for (local_index_t i = 0; i < 4; ++i) {
    auto replaced = tetrahedron;
    replaced.vertices[i] = point;
    result[i] = tetrahedron_signed_volume(replaced) / total;
  }
  return result;
}

template std::array<double, 2> safe_segment_barycentric_coordinates(const Point<2>&,
                                                                    const Segment<2>&);
template std::array<double, 2> safe_segment_barycentric_coordinates(const Point<3>&,
                                                                    const Segment<3>&);
template std::array<double, 3> safe_triangle_barycentric_coordinates(const Point<2>&,
                                                                     const Triangle<2>&);
template std::array<double, 3> safe_triangle_barycentric_coordinates(const Point<3>&,
                                                                     const Triangle<3>&);

}  // namespace veyra
