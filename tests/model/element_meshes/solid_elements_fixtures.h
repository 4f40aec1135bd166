// SPDX-License-Identifier: MIT
// Tetrahedral boxes on an integer lattice for the builders that turn one solid into a BRep, and
// the checks that every entry of their mappings points at the model element it claims and that
// block meshes stay conformal with the surfaces.
#pragma once

#include <gtest/gtest.h>
#include <model/common/mappings.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/generic_mapping.h>
#include <ostrel/geometry/vector.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/component_mesh_polygons.h>
#include <veyra_testing/mesh_generators.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace veyra::testing {

/// make_box_tetrahedra(nx, ny, nz) over [0, nx] x [0, ny] x [0, nz]: lattice point (x, y, z) is
/// a vertex at integer coordinates, each cell is cut into six tetrahedra around its diagonal
/// from the smallest corner, so every square of the lattice is cut along its diagonal from its
/// smallest corner too. The edge and facet tables are enabled.
class LatticeBox {
 public:
  LatticeBox(index_t nx, index_t ny, index_t nz)
      : nx_(nx),
        ny_(ny),
        solid_(make_box_tetrahedra(nx, ny, nz, Point<3>{{0., 0., 0.}},
                                   Point<3>{{double(nx), double(ny), double(nz)}})) {
    solid_->enable_edges();
    solid_->enable_facets();
  }

  TetrahedralSolid<3>& solid() { return *solid_; }
  std::unique_ptr<TetrahedralSolid<3>> release() { return std::move(solid_); }

  index_t vertex(index_t x, index_t y, index_t z) const {
    return (z * (ny_ + 1) + y) * (nx_ + 1) + x;
  }
  index_t edge(index_t v0, index_t v1) const {
    return solid_->edges().edge_from_vertices({v0, v1}).value();
  }

  /// The facets whose three vertices satisfy `inside`, ascending.
  std::vector<index_t> facets_where(const std::function<bool(const Point<3>&)>& inside) const {
    std::vector<index_t> found;
    const auto& facets = solid_->facets();
    for (index_t facet = 0; facet < facets.nb_facets(); ++facet) {
      const auto vertices = facets.facet_vertices(facet);
      if (std::all_of(vertices.begin(), vertices.end(),
                      [&](index_t v) { return inside(solid_->point(v)); })) {
        found.push_back(facet);
      }
    }
    return found;
  }

  /// The facets in the plane `axis` = value whose other coordinates lie in [low, high] x
  /// [low2, high2] (in axis order).
  std::vector<index_t> plane_facets(int axis, double value, std::array<double, 2> first,
                                    std::array<double, 2> second) const {
    const int a1 = axis == 0 ? 1 : 0;
    const int a2 = axis == 2 ? 1 : 2;
    return facets_where([=](const Point<3>& p) {
      return p.value(axis) == value && p.value(a1) >= first[0] && p.value(a1) <= first[1] &&
             p.value(a2) >= second[0] && p.value(a2) <= second[1];
    });
  }

  /// The facets on the skin of the box: their vertices share a coordinate at its lower or upper
  /// bound.
  std::vector<index_t> skin_facets() const {
    std::vector<index_t> found;
    const auto& facets = solid_->facets();
    const auto& box = solid_->bounding_box();
    for (index_t facet = 0; facet < facets.nb_facets(); ++facet) {
      const auto vertices = facets.facet_vertices(facet);
      for (int axis = 0; axis < 3; ++axis) {
        const auto on = [&](double bound) {
          return std::all_of(vertices.begin(), vertices.end(),
                             [&](index_t v) { return solid_->point(v).value(axis) == bound; });
        };
        if (on(box.min().value(axis)) || on(box.max().value(axis))) {
          found.push_back(facet);
          break;
        }
      }
    }
    return found;
  }

  /// Polyhedron attribute `name` (int): 1 for tetrahedra whose barycenter has x above
  /// `x_cut`, 0 below.
  void add_region_attribute(std::string_view name, double x_cut) {
    auto attribute =
        solid_->polyhedron_attribute_manager().find_or_create_attribute<VariableAttribute, int>(
            name, 0);
    for (index_t p = 0; p < solid_->nb_polyhedra(); ++p) {
      attribute->set_value(p, solid_->polyhedron_barycenter(p).value(0) > x_cut ? 1 : 0);
    }
  }

 private:
  index_t nx_;
  index_t ny_;
  std::unique_ptr<TetrahedralSolid<3>> solid_;
};

inline double distance_to_segment(const Point<3>& point, const Point<3>& a, const Point<3>& b) {
  const Vector<3> ab{a, b};
  const Vector<3> ap{a, point};
  const double t = std::clamp(ap.dot(ab) / ab.length2(), 0., 1.);
  const Point<3> closest = a + ab * t;
  return Vector<3>{closest, point}.length();
}

inline double triangle_area(const Point<3>& a, const Point<3>& b, const Point<3>& c) {
  return Vector<3>{a, b}.cross(Vector<3>{a, c}).length() / 2;
}

/// The point of a tie of the BRep, whatever its component type.
inline Point<3> tie_point(const BRep& brep, const ComponentMeshVertex& tie) {
  const auto& id = tie.component_id.id();
  if (brep.has_corner(id)) return brep.corner(id).mesh().point(tie.vertex);
  if (brep.has_line(id)) return brep.line(id).mesh().point(tie.vertex);
  if (brep.has_surface(id)) return brep.surface(id).mesh().point(tie.vertex);
  return brep.block(id).mesh().point(tie.vertex);
}

/// Checks, against the input solid (unchanged geometry), every entry of the mappings of a solid
/// conversion:
/// - each input vertex that some component uses maps to exactly one unique vertex, whose ties all
///   sit at the vertex's point; unused vertices have no entry; no two share a unique vertex;
/// - each corner key maps to one corner at the key vertex's point, and reaches every corner;
/// - each line key's line edges lie on the input edge and add up to its length; every line edge
///   is reached from exactly one key;
/// - each surface key's polygons lie on the input facet and add up to its area; every surface
///   polygon is reached from exactly one key;
/// - with block meshes, each input polyhedron's block polyhedra have their vertices in it and add
///   up to its volume; every block polyhedron is reached from exactly one key.
template <typename ElementMapping>
void expect_consistent_mappings(const BRep& brep, const SolidMesh<3>& solid,
                                const GenericMapping<index_t>& vertices,
                                const ElementMapping& elements) {
  constexpr double tolerance = 1e-9;
  std::vector<bool> reached(brep.nb_unique_vertices(), false);
  for (index_t vertex = 0; vertex < solid.nb_vertices(); ++vertex) {
    if (!vertices.has_mapping_input(vertex)) continue;
    const auto& targets = vertices.in2out(vertex);
    ASSERT_EQ(targets.size(), 1) << "vertex " << vertex;
    const auto unique_vertex = targets.front();
    ASSERT_LT(unique_vertex, brep.nb_unique_vertices());
    EXPECT_FALSE(reached[unique_vertex]) << "unique vertex " << unique_vertex;
    reached[unique_vertex] = true;
    const auto ties = brep.component_mesh_vertices(unique_vertex);
    EXPECT_FALSE(ties.empty()) << "unique vertex " << unique_vertex;
    for (const auto tie : ties) {
      EXPECT_EQ(tie_point(brep, tie), solid.point(vertex)) << "vertex " << vertex;
    }
  }
  // Every unique vertex that stands at an input vertex is reached from it.
  for (index_t unique_vertex = 0; unique_vertex < brep.nb_unique_vertices(); ++unique_vertex) {
    if (reached[unique_vertex]) continue;
    const auto point = tie_point(brep, brep.component_mesh_vertices(unique_vertex).front());
    for (index_t vertex = 0; vertex < solid.nb_vertices(); ++vertex) {
      EXPECT_NE(solid.point(vertex), point) << "unique vertex " << unique_vertex;
    }
  }

  for (const auto& [vertex, corners] : elements.corners.in2out_map()) {
    ASSERT_EQ(corners.size(), 1) << "corner key " << vertex;
    EXPECT_EQ(corners.front().element, 0);
    EXPECT_EQ(brep.corner(corners.front().component_id).mesh().point(0), solid.point(vertex));
  }
  EXPECT_EQ(elements.corners.size_out(), brep.nb_corners());

  const auto& edges = solid.edges();
  for (const auto& [edge, line_edges] : elements.lines.in2out_map()) {
    const auto ends = edges.edge_vertices(edge);
    const auto& a = solid.point(ends[0]);
    const auto& b = solid.point(ends[1]);
    double length = 0;
    for (const auto& line_edge : line_edges) {
      const auto& curve = brep.line(line_edge.component_id).mesh();
      ASSERT_LT(line_edge.element, curve.nb_edges());
      for (const auto end : curve.edge_vertices(line_edge.element)) {
        EXPECT_LT(distance_to_segment(curve.point(end), a, b), tolerance) << "edge " << edge;
      }
      length += curve.edge_length(line_edge.element);
    }
    EXPECT_NEAR(length, (Vector<3>{a, b}.length()), tolerance) << "edge " << edge;
  }
  index_t nb_line_edges = 0;
  for (const auto& line : brep.lines()) {
    for (index_t edge = 0; edge < line.mesh().nb_edges(); ++edge) {
      const MeshElement element{line.id(), edge};
      ASSERT_TRUE(elements.lines.has_mapping_output(element)) << element.string();
      EXPECT_EQ(elements.lines.out2in(element).size(), 1) << element.string();
      ++nb_line_edges;
    }
  }
  EXPECT_EQ(elements.lines.size_out(), nb_line_edges);

  const auto& facets = solid.facets();
  for (const auto& [facet, pieces] : elements.surfaces.in2out_map()) {
    const auto corners = facets.facet_vertices(facet);
    ASSERT_EQ(corners.size(), 3);
    const auto& a = solid.point(corners[0]);
    const auto& b = solid.point(corners[1]);
    const auto& c = solid.point(corners[2]);
    const double area = triangle_area(a, b, c);
    double pieces_area = 0;
    for (const auto& piece : pieces) {
      const auto& mesh = brep.surface(piece.component_id).mesh();
      ASSERT_LT(piece.element, mesh.nb_polygons());
      for (const auto vertex : mesh.polygon_vertices(piece.element)) {
        const auto& p = mesh.point(vertex);
        // Inside the facet: the three sub-triangles around p cover it exactly.
        const double around =
            triangle_area(p, a, b) + triangle_area(p, b, c) + triangle_area(p, c, a);
        EXPECT_NEAR(around, area, tolerance) << "facet " << facet << " piece " << piece.string();
      }
      pieces_area += mesh.polygon_area(piece.element);
    }
    EXPECT_NEAR(pieces_area, area, tolerance) << "facet " << facet;
  }
  index_t nb_polygons = 0;
  for (const auto& surface : brep.surfaces()) {
    for (index_t polygon = 0; polygon < surface.mesh().nb_polygons(); ++polygon) {
      const MeshElement element{surface.id(), polygon};
      ASSERT_TRUE(elements.surfaces.has_mapping_output(element)) << element.string();
      EXPECT_EQ(elements.surfaces.out2in(element).size(), 1) << element.string();
      ++nb_polygons;
    }
  }
  EXPECT_EQ(elements.surfaces.size_out(), nb_polygons);

  if constexpr (std::is_same_v<ElementMapping, IndexToBRepMeshElementsMapping>) {
    EXPECT_EQ(elements.blocks.size_in(), solid.nb_polyhedra());
    for (const auto& [polyhedron, pieces] : elements.blocks.in2out_map()) {
      const auto corners = solid.polyhedron_vertices(polyhedron);
      const double volume = std::abs(solid.polyhedron_volume(polyhedron));
      double pieces_volume = 0;
      for (const auto& piece : pieces) {
        const auto& mesh = brep.block(piece.component_id).mesh();
        ASSERT_LT(piece.element, mesh.nb_polyhedra());
        for (const auto vertex : mesh.polyhedron_vertices(piece.element)) {
          // Inside the input tetrahedron: the four tetrahedra around the point fill it.
          const auto& p = mesh.point(vertex);
          double around = 0;
          for (index_t skipped = 0; skipped < 4; ++skipped) {
            std::array<Point<3>, 4> points;
            for (index_t k = 0; k < 4; ++k) {
              points[k] = k == skipped ? p : solid.point(corners[k]);
            }
            const Vector<3> u{points[0], points[1]};
            const Vector<3> v{points[0], points[2]};
            const Vector<3> w{points[0], points[3]};
            around += std::abs(u.dot(v.cross(w))) / 6;
          }
          EXPECT_NEAR(around, volume, tolerance) << "polyhedron " << polyhedron;
        }
        pieces_volume += std::abs(mesh.polyhedron_volume(piece.element));
      }
      EXPECT_NEAR(pieces_volume, volume, tolerance) << "polyhedron " << polyhedron;
    }
    index_t nb_block_polyhedra = 0;
    for (const auto& block : brep.blocks()) {
      for (index_t polyhedron = 0; polyhedron < block.mesh().nb_polyhedra(); ++polyhedron) {
        const MeshElement element{block.id(), polyhedron};
        ASSERT_TRUE(elements.blocks.has_mapping_output(element)) << element.string();
        EXPECT_EQ(elements.blocks.out2in(element).size(), 1) << element.string();
        ++nb_block_polyhedra;
      }
    }
    EXPECT_EQ(elements.blocks.size_out(), nb_block_polyhedra);
  }
}

/// Every surface triangle is a facet of one or two block tetrahedra, found through unique
/// vertices: block meshes and surfaces are conformal.
inline void expect_conformal_block_meshes(const BRep& brep) {
  for (const auto& surface : brep.surfaces()) {
    for (index_t polygon = 0; polygon < surface.mesh().nb_polygons(); ++polygon) {
      const auto around =
          block_component_mesh_polygons(brep, polygon_unique_vertices(brep, surface, polygon));
      std::size_t nb_facets = 0;
      for (const auto& [block, facets] : around) nb_facets += facets.size();
      EXPECT_TRUE(nb_facets == 1 || nb_facets == 2)
          << "surface " << surface.id().string() << " polygon " << polygon << ": " << nb_facets
          << " block facets";
    }
  }
}

}  // namespace veyra::testing
