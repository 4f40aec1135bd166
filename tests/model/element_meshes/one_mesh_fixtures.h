// SPDX-License-Identifier: MIT
// Small 2D meshes for the builders that turn one mesh into a Section, and a check that every
// entry of their vertex and element mappings points at the model element it claims.
#pragma once

#include <gtest/gtest.h>
#include <model/common/mappings.h>
#include <ostrel/basic/generic_mapping.h>
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/model/section.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace veyra::testing {

/// An nx x ny grid over [0, nx] x [0, ny] preceded by `nb_isolated` vertices that no polygon uses
/// (placed at (-1 - k, -1)). Grid point (i, j) is vertex nb_isolated + j (nx + 1) + i. With
/// `triangles`, each cell (i, j) gives triangles 2 (j nx + i) = (i,j)(i+1,j)(i+1,j+1) and
/// 2 (j nx + i) + 1 = (i,j)(i+1,j+1)(i,j+1) in a TriangulatedSurface; otherwise one quad per cell
/// in a PolygonalSurface. Adjacencies are computed.
inline std::unique_ptr<SurfaceMesh<2>> make_grid_mesh(index_t nx, index_t ny,
                                                      index_t nb_isolated = 0,
                                                      bool triangles = true) {
  std::unique_ptr<SurfaceMesh<2>> mesh;
  if (triangles) {
    mesh = TriangulatedSurface<2>::create();
  } else {
    mesh = PolygonalSurface<2>::create();
  }
  auto builder = SurfaceMeshBuilder<2>::create(*mesh);
  for (index_t k = 0; k < nb_isolated; ++k) {
    builder->create_point(Point<2>{{-1. - k, -1.}});
  }
  for (index_t j = 0; j <= ny; ++j) {
    for (index_t i = 0; i <= nx; ++i) builder->create_point(Point<2>{{double(i), double(j)}});
  }
  const auto vertex = [&](index_t i, index_t j) { return nb_isolated + j * (nx + 1) + i; };
  for (index_t j = 0; j < ny; ++j) {
    for (index_t i = 0; i < nx; ++i) {
      if (triangles) {
        builder->create_polygon(
            std::vector<index_t>{vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1)});
        builder->create_polygon(
            std::vector<index_t>{vertex(i, j), vertex(i + 1, j + 1), vertex(i, j + 1)});
      } else {
        builder->create_polygon(std::vector<index_t>{vertex(i, j), vertex(i + 1, j),
                                                     vertex(i + 1, j + 1), vertex(i, j + 1)});
      }
    }
  }
  builder->compute_polygon_adjacencies();
  return mesh;
}

/// Id of the mesh edge joining the two vertices (edges enabled on demand).
inline index_t mesh_edge(SurfaceMesh<2>& mesh, index_t v0, index_t v1) {
  mesh.enable_edges();
  return mesh.edges().edge_from_vertices({v0, v1}).value();
}

inline double distance_to_segment(const Point<2>& point, const Point<2>& a, const Point<2>& b) {
  const auto ab = b - a;
  const auto ap = point - a;
  const double length2 = ab.value(0) * ab.value(0) + ab.value(1) * ab.value(1);
  double t = (ap.value(0) * ab.value(0) + ap.value(1) * ab.value(1)) / length2;
  t = std::clamp(t, 0., 1.);
  const auto closest = a + ab * t;
  return std::hypot(point.value(0) - closest.value(0), point.value(1) - closest.value(1));
}

inline double distance(const Point<2>& a, const Point<2>& b) {
  return std::hypot(a.value(0) - b.value(0), a.value(1) - b.value(1));
}

/// Checks, against the input mesh, every entry of the mappings a one-mesh Section builder
/// returned:
/// - each input vertex used by a polygon maps to exactly one unique vertex, whose ties all sit at
///   the vertex's point; unused input vertices have no entry; no two vertices share a unique
///   vertex;
/// - each corner key maps to one corner at the key vertex's point; every corner is reached once;
/// - each line key's line edges lie on the input edge and add up to its length; every line edge
///   of the section is reached from exactly one key;
/// - each surface key's polygons lie on the input polygon's border and add up to its area; every
///   surface polygon of the section is reached from exactly one key.
inline void expect_consistent_mappings(const Section& section, const SurfaceMesh<2>& mesh,
                                       const GenericMapping<index_t>& vertices,
                                       const IndexToModelMeshElementsMapping& elements) {
  constexpr double tolerance = 1e-9;
  std::vector<bool> used(mesh.nb_vertices(), false);
  for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
    for (const auto vertex : mesh.polygon_vertices(polygon)) used[vertex] = true;
  }
  std::vector<bool> unique_reached(section.nb_unique_vertices(), false);
  for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
    if (!used[vertex]) {
      EXPECT_FALSE(vertices.has_mapping_input(vertex)) << "unused vertex " << vertex;
      continue;
    }
    ASSERT_TRUE(vertices.has_mapping_input(vertex)) << "vertex " << vertex;
    const auto& targets = vertices.in2out(vertex);
    ASSERT_EQ(targets.size(), 1) << "vertex " << vertex;
    const auto unique_vertex = targets.front();
    ASSERT_LT(unique_vertex, section.nb_unique_vertices());
    EXPECT_FALSE(unique_reached[unique_vertex]) << "unique vertex " << unique_vertex;
    unique_reached[unique_vertex] = true;
    const auto ties = section.component_mesh_vertices(unique_vertex);
    EXPECT_FALSE(ties.empty()) << "unique vertex " << unique_vertex;
    for (const auto tie : ties) {
      const auto& id = tie.component_id.id();
      Point<2> point;
      if (section.has_corner(id)) {
        point = section.corner(id).mesh().point(tie.vertex);
      } else if (section.has_line(id)) {
        point = section.line(id).mesh().point(tie.vertex);
      } else {
        point = section.surface(id).mesh().point(tie.vertex);
      }
      EXPECT_EQ(point, mesh.point(vertex)) << "vertex " << vertex << " tie " << tie.string();
    }
  }

  index_t nb_corners_reached = 0;
  for (const auto& [vertex, corners] : elements.corners.in2out_map()) {
    ASSERT_EQ(corners.size(), 1) << "corner key " << vertex;
    EXPECT_EQ(corners.front().element, 0);
    EXPECT_EQ(section.corner(corners.front().component_id).mesh().point(0), mesh.point(vertex));
    ++nb_corners_reached;
  }
  EXPECT_EQ(nb_corners_reached, section.nb_corners());
  EXPECT_EQ(elements.corners.size_out(), section.nb_corners());

  const auto& edges = mesh.edges();
  for (const auto& [edge, line_edges] : elements.lines.in2out_map()) {
    const auto ends = edges.edge_vertices(edge);
    const auto& a = mesh.point(ends[0]);
    const auto& b = mesh.point(ends[1]);
    double length = 0;
    for (const auto& line_edge : line_edges) {
      const auto& curve = section.line(line_edge.component_id).mesh();
      ASSERT_LT(line_edge.element, curve.nb_edges());
      const auto line_ends = curve.edge_vertices(line_edge.element);
      for (const auto end : line_ends) {
        EXPECT_LT(distance_to_segment(curve.point(end), a, b), tolerance) << "edge " << edge;
      }
      length += distance(curve.point(line_ends[0]), curve.point(line_ends[1]));
    }
    EXPECT_NEAR(length, distance(a, b), tolerance) << "edge " << edge;
  }
  index_t nb_line_edges = 0;
  for (const auto& line : section.lines()) {
    for (index_t edge = 0; edge < line.mesh().nb_edges(); ++edge) {
      const MeshElement element{line.id(), edge};
      ASSERT_TRUE(elements.lines.has_mapping_output(element)) << element.string();
      EXPECT_EQ(elements.lines.out2in(element).size(), 1) << element.string();
      ++nb_line_edges;
    }
  }
  EXPECT_EQ(elements.lines.size_out(), nb_line_edges);

  for (const auto& [polygon, pieces] : elements.surfaces.in2out_map()) {
    ASSERT_LT(polygon, mesh.nb_polygons());
    const auto corners = mesh.polygon_vertices(polygon);
    double area = 0;
    for (const auto& piece : pieces) {
      const auto& surface_mesh = section.surface(piece.component_id).mesh();
      ASSERT_LT(piece.element, surface_mesh.nb_polygons());
      for (const auto vertex : surface_mesh.polygon_vertices(piece.element)) {
        double closest = 1e30;
        for (std::size_t k = 0; k < corners.size(); ++k) {
          closest = std::min(closest,
                             distance_to_segment(surface_mesh.point(vertex), mesh.point(corners[k]),
                                                 mesh.point(corners[(k + 1) % corners.size()])));
        }
        EXPECT_LT(closest, tolerance) << "polygon " << polygon << " piece " << piece.string();
      }
      area += surface_mesh.polygon_area(piece.element);
    }
    EXPECT_NEAR(area, mesh.polygon_area(polygon), tolerance) << "polygon " << polygon;
  }
  index_t nb_surface_polygons = 0;
  for (const auto& surface : section.surfaces()) {
    for (index_t polygon = 0; polygon < surface.mesh().nb_polygons(); ++polygon) {
      const MeshElement element{surface.id(), polygon};
      ASSERT_TRUE(elements.surfaces.has_mapping_output(element)) << element.string();
      EXPECT_EQ(elements.surfaces.out2in(element).size(), 1) << element.string();
      ++nb_surface_polygons;
    }
  }
  EXPECT_EQ(elements.surfaces.size_out(), nb_surface_polygons);
}

}  // namespace veyra::testing
