// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <model/common/library.h>
#include <model/element_meshes/element_mapping_maintenance.h>
#include <model/element_meshes/wireframe_builder_from_one_mesh.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/build_model_boundaries.h>
#include <ostrel/model/component_mesh_edges.h>
#include <ostrel/model/section_builder.h>
#include <veyra_testing/mesh_generators.h>

#include <algorithm>
#include <any>
#include <array>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

#include "one_mesh_fixtures.h"
#include "support/expect_valid_model.h"

namespace veyra {
namespace {

using testing::make_grid_mesh;
using testing::mesh_edge;

// Opens the protected steps to the tests.
template <typename Model, typename Mesh>
class TestBuilder : public detail::WireframeBuilderFromOneMesh<Model, Mesh> {
  using Base = detail::WireframeBuilderFromOneMesh<Model, Mesh>;

 public:
  TestBuilder(Model& model, const Mesh& mesh) : Base(model, mesh) {}

  using Base::add_corner_vertices;
  using Base::add_line_edges;
  using Base::build_surfaces;
  using Base::build_surfaces_without_split;
  using Base::corner_vertices;
  using Base::line_edges;
  using Base::update_corner_line_mappings;

  void build_corners_and_lines() {
    this->build();
    update_corner_line_mappings();
  }
};

using SectionTestBuilder = TestBuilder<Section, SurfaceMesh<2>>;
using BRepTestBuilder = TestBuilder<BRep, SolidMesh<3>>;

class WireframeBuilderFromOneMesh : public ::testing::Test {
 protected:
  void SetUp() override { VeyraConversionModelLibrary::initialize(); }
};

// Every edge of the 2D mesh on its border.
std::vector<index_t> border_edges(SurfaceMesh<2>& mesh) {
  std::vector<index_t> edges;
  for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
    for (local_index_t edge = 0; edge < mesh.nb_polygon_edges(polygon); ++edge) {
      if (!mesh.is_edge_on_border({polygon, edge})) continue;
      const auto vertices = mesh.polygon_edge_vertices({polygon, edge});
      edges.push_back(mesh_edge(mesh, vertices[0], vertices[1]));
    }
  }
  return edges;
}

// Unsets the adjacency of every polygon edge on one of the mesh edges.
void cut_along(SurfaceMesh<2>& mesh, const std::vector<index_t>& edges) {
  auto builder = SurfaceMeshBuilder<2>::create(mesh);
  for (const auto edge : edges) {
    for (const auto& polygon_edge :
         mesh.polygons_from_edge_vertices(mesh.edges().edge_vertices(edge))) {
      builder->unset_polygon_adjacent(polygon_edge);
    }
  }
}

absl::flat_hash_map<index_t, index_t> identity_map(index_t nb) {
  absl::flat_hash_map<index_t, index_t> map;
  for (index_t i = 0; i < nb; ++i) map.emplace(i, i);
  return map;
}

TEST_F(WireframeBuilderFromOneMesh, ListsAreSortedUnionsWithoutDuplicates) {
  auto mesh = make_grid_mesh(2, 2);
  mesh->enable_edges();
  Section section;
  SectionTestBuilder builder{section, *mesh};
  EXPECT_EQ(section.nb_unique_vertices(), 9);
  builder.add_corner_vertices(std::vector<index_t>{5, 2, 5});
  builder.add_corner_vertices(std::vector<index_t>{2, 0});
  EXPECT_EQ(builder.corner_vertices(), (std::vector<index_t>{0, 2, 5}));
  builder.add_line_edges(std::vector<index_t>{7, 3});
  builder.add_line_edges(std::vector<index_t>{3, 15, 1});
  EXPECT_EQ(builder.line_edges(), (std::vector<index_t>{1, 3, 7, 15}));
}

TEST_F(WireframeBuilderFromOneMesh, WithoutLinesABorderEdgeOfASurfaceIsAnError) {
  auto mesh = make_grid_mesh(1, 1);
  mesh->enable_edges();
  Section section;
  SectionTestBuilder builder{section, *mesh};
  builder.build_corners_and_lines();
  EXPECT_EQ(builder.wireframe().nb_vertices(), 0);
  EXPECT_EQ(section.nb_corners() + section.nb_lines(), 0);
  EXPECT_TRUE(builder.mappings().corners.empty());
  EXPECT_TRUE(builder.mappings().lines.empty());
  try {
    builder.build_surfaces_without_split(*mesh, identity_map(4), std::vector<index_t>{0, 1});
    FAIL() << "no exception";
  } catch (const VeyraConversionModelException& exception) {
    EXPECT_EQ(exception.type(), OstrelException::TYPE::internal);
    EXPECT_STREQ(exception.what(),
                 "[WireframeBuilderFromOneMesh::Impl::find_surface_line_relations] Should have "
                 "found an edge in the wireframe corresponding to a border edge of the "
                 "identified surface polygons.");
    // Triangle 0's first edge, (0, 0) -> (1, 0).
    EXPECT_EQ(std::any_cast<Point<2>>(exception.data()), (Point<2>{{0.5, 0.}}));
  }
  EXPECT_EQ(section.nb_surfaces(), 1);

  Section other;
  SectionTestBuilder missing_vertex{other, *mesh};
  EXPECT_THROW(missing_vertex.build_surfaces_without_split(*mesh, identity_map(3),
                                                           std::vector<index_t>{0, 1}),
               std::out_of_range);
}

TEST_F(WireframeBuilderFromOneMesh, CornersLinesAndSurfacesOfAnInnerLineTouchingTheBorder) {
  // 2 x 2 cells; lines along the border and from the bottom middle (1) to the center (4);
  // vertex 6, the top-left corner of the grid, is a declared corner of degree 2.
  auto mesh = make_grid_mesh(2, 2);
  auto lines = border_edges(*mesh);
  const auto inner = mesh_edge(*mesh, 1, 4);
  lines.push_back(inner);
  Section section;
  SectionTestBuilder builder{section, *mesh};
  builder.add_corner_vertices(std::vector<index_t>{6});
  builder.add_line_edges(lines);
  builder.build_corners_and_lines();

  for (index_t vertex = 0; vertex < builder.wireframe().nb_vertices(); ++vertex) {
    const auto support = builder.support_mesh_vertex_id(vertex);
    const bool expected = support == 1 || support == 4 || support == 6;
    EXPECT_EQ(builder.is_corner(vertex), expected) << support;
    EXPECT_EQ(builder.corner_uuid(vertex).has_value(), expected) << support;
  }
  const auto mapping = builder.mappings();
  EXPECT_EQ(mapping.corners.size_in(), 3);
  for (const auto& [vertex, corners] : mapping.corners.in2out_map()) {
    EXPECT_EQ(section.corner(corners.front().component_id).mesh().point(0), mesh->point(vertex));
  }
  // Wireframe edge j is line edge j of the sorted list.
  const auto& line_edges = builder.line_edges();
  ASSERT_EQ(mapping.lines.size_in(), line_edges.size());
  for (index_t j = 0; j < line_edges.size(); ++j) {
    const auto& values = mapping.lines.in2out(line_edges[j]);
    ASSERT_EQ(values.size(), 1);
    EXPECT_EQ(values.front(), (MeshElement{builder.line_uuid(j), builder.line_edge_id(j)}));
    const auto ends = mesh->edges().edge_vertices(line_edges[j]);
    const auto& curve = section.line(values.front().component_id).mesh();
    const auto line_ends = curve.edge_vertices(values.front().element);
    EXPECT_EQ(std::min(curve.point(line_ends[0]), curve.point(line_ends[1])),
              std::min(mesh->point(ends[0]), mesh->point(ends[1])));
  }

  // Keys 100 + i stand for the caller's numbering of the polygons.
  std::vector<index_t> keys(mesh->nb_polygons());
  std::iota(keys.begin(), keys.end(), index_t{100});
  cut_along(*mesh, {inner});
  SectionBuilder section_builder{section};
  SectionGeometricModifier modifier{section, section_builder};
  const auto splits = builder.build_surfaces(*mesh, identity_map(9), keys, modifier);
  EXPECT_TRUE(splits.empty());

  ASSERT_EQ(section.nb_surfaces(), 1);
  const auto& surface = *section.surfaces().begin();
  EXPECT_EQ(surface.mesh().nb_polygons(), 8);
  EXPECT_EQ(surface.mesh().nb_vertices(), 9);
  const auto& inner_line = section.line(mapping.lines.in2out(inner).front().component_id);
  EXPECT_EQ(inner_line.mesh().nb_edges(), 1);
  EXPECT_TRUE(section.is_internal(inner_line, surface));
  EXPECT_EQ(section.nb_internal_lines(surface), 1);
  EXPECT_EQ(section.nb_boundaries(surface), 2);
  const auto corner_at = [&](index_t vertex) -> const Corner<2>& {
    return section.corner(mapping.corners.in2out(vertex).front().component_id);
  };
  EXPECT_TRUE(section.is_internal(corner_at(4), surface));
  EXPECT_FALSE(section.is_internal(corner_at(1), surface));
  EXPECT_FALSE(section.is_internal(corner_at(6), surface));
  // Polygon adjacency is restored inside the surface, across the internal line.
  // Triangle 0 = (0, 1, 4) meets triangle 3 = (1, 5, 4) across it.
  EXPECT_EQ(surface.mesh().polygon_adjacent({0, 1}), 3);

  // The derived builders add the model boundary last.
  build_model_boundaries(section, section_builder);
  test::expect_valid(section);
  const auto surfaces = builder.mappings().surfaces;
  for (index_t polygon = 0; polygon < 8; ++polygon) {
    EXPECT_EQ(surfaces.in2out(100 + polygon).front(), (MeshElement{surface.id(), polygon}));
    const auto original = mesh->polygon_vertices(polygon);
    const auto built = surface.mesh().polygon_vertices(polygon);
    for (index_t k = 0; k < 3; ++k) {
      EXPECT_EQ(surface.mesh().point(built[k]), mesh->point(original[k]));
      EXPECT_EQ(section.unique_vertex({surface.component_id(), built[k]}), original[k]);
    }
  }
}

TEST_F(WireframeBuilderFromOneMesh, SingleEdgeInnerLineWithFreeEndsIsSplitOnlyOnRequest) {
  // 3 x 3 cells; the line is the inner edge 5-6, between triangles 3 and 8.
  for (const bool split : {false, true}) {
    SCOPED_TRACE(split ? "build_surfaces" : "build_surfaces_without_split");
    auto mesh = make_grid_mesh(3, 3);
    auto lines = border_edges(*mesh);
    const auto inner = mesh_edge(*mesh, 5, 6);
    lines.push_back(inner);
    Section section;
    SectionTestBuilder builder{section, *mesh};
    builder.add_line_edges(lines);
    builder.build_corners_and_lines();
    cut_along(*mesh, {inner});
    std::vector<index_t> keys(18);
    std::iota(keys.begin(), keys.end(), index_t{0});
    SectionBuilder section_builder{section};
    SectionGeometricModifier modifier{section, section_builder};
    const auto line_id = builder.mappings().lines.in2out(inner).front().component_id;
    if (!split) {
      builder.build_surfaces_without_split(*mesh, identity_map(16), keys);
      EXPECT_EQ(section.line(line_id).mesh().nb_edges(), 1);
      continue;
    }
    const auto splits = builder.build_surfaces(*mesh, identity_map(16), keys, modifier);
    ASSERT_EQ(splits.size(), 1);
    const auto& record = splits.front();
    auto ends = record.unique_vertices;
    std::sort(ends.begin(), ends.end());
    EXPECT_EQ(ends, (std::array<index_t, 2>{5, 6}));
    EXPECT_EQ(record.point, (Point<2>{{1.5, 1.}}));
    EXPECT_EQ(record.split_info.unique_vertex, 16);
    ASSERT_EQ(record.split_info.lines.size(), 1);
    EXPECT_TRUE(record.split_info.lines.contains(line_id));
    ASSERT_EQ(record.split_info.surfaces.size(), 1);
    const auto& polygon_splits = record.split_info.surfaces.begin()->second;
    ASSERT_EQ(polygon_splits.size(), 2);
    EXPECT_EQ(polygon_splits[0].old_polygon, 3);
    EXPECT_EQ(polygon_splits[1].old_polygon, 8);
    // The replaced edge stays until the modifier's clean.
    EXPECT_EQ(section.line(line_id).mesh().nb_edges(), 3);
    modifier.clean();
    EXPECT_EQ(section.line(line_id).mesh().nb_edges(), 2);
  }
}

// A BRep from the box [0, 3] x [0, 3] x [0, 1] of 3 x 3 x 1 cells of tetrahedra: corners at the
// box corners, lines along the box edges and along the inner edge (1, 1, 1)-(2, 1, 1) of the top
// face, surfaces from the boundary facets gathered in a polygon mesh of its own numbering.
class BRepFromBox : public WireframeBuilderFromOneMesh {
 protected:
  void SetUp() override {
    WireframeBuilderFromOneMesh::SetUp();
    solid_ = testing::make_box_tetrahedra(3, 3, 1, Point<3>{{0, 0, 0}}, Point<3>{{3, 3, 1}});
    solid_->enable_edges();
    const auto& points = *solid_;
    const auto extreme = [&](index_t vertex, local_index_t axis) {
      const auto value = points.point(vertex).value(axis);
      return value == 0 || value == (axis == 2 ? 1. : 3.);
    };
    for (index_t vertex = 0; vertex < solid_->nb_vertices(); ++vertex) {
      if (extreme(vertex, 0) && extreme(vertex, 1) && extreme(vertex, 2)) {
        corners_.push_back(vertex);
      }
    }
    const auto& edges = solid_->edges();
    for (index_t edge = 0; edge < edges.nb_edges(); ++edge) {
      const auto ends = edges.edge_vertices(edge);
      index_t shared = 0;
      for (local_index_t axis = 0; axis < 3; ++axis) {
        if (extreme(ends[0], axis) &&
            points.point(ends[0]).value(axis) == points.point(ends[1]).value(axis)) {
          ++shared;
        }
      }
      if (shared >= 2) lines_.push_back(edge);
    }
    // (1, 1, 1) and (2, 1, 1): vertex (z * 4 + y) * 4 + x.
    inner_ = edges.edge_from_vertices({21, 22}).value();
    lines_.push_back(inner_);

    polygons_ = SurfaceMesh<3>::create();
    auto builder = SurfaceMeshBuilder<3>::create(*polygons_);
    absl::flat_hash_map<index_t, index_t> solid_to_polygon_vertex;
    for (index_t polyhedron = 0; polyhedron < solid_->nb_polyhedra(); ++polyhedron) {
      for (const auto& facet : solid_->polyhedron_facets_on_border(polyhedron)) {
        std::vector<index_t> polygon;
        for (const auto vertex : solid_->polyhedron_facet_vertices(facet)) {
          const auto [entry, created] = solid_to_polygon_vertex.try_emplace(
              vertex, static_cast<index_t>(solid_to_polygon_vertex.size()));
          if (created) {
            builder->create_point(solid_->point(vertex));
            polygon_to_solid_.emplace(entry->second, vertex);
          }
          polygon.push_back(entry->second);
        }
        builder->create_polygon(polygon);
        keys_.push_back(1000 + static_cast<index_t>(keys_.size()));
      }
    }
    builder->compute_polygon_adjacencies();
    for (const auto edge : lines_) {
      const auto ends = edges.edge_vertices(edge);
      const std::array<index_t, 2> pair{solid_to_polygon_vertex.at(ends[0]),
                                        solid_to_polygon_vertex.at(ends[1])};
      for (const auto& polygon_edge : polygons_->polygons_from_edge_vertices(pair)) {
        builder->unset_polygon_adjacent(polygon_edge);
      }
    }
  }

  std::unique_ptr<TetrahedralSolid<3>> solid_;
  std::vector<index_t> corners_;
  std::vector<index_t> lines_;
  index_t inner_{NO_ID};
  std::unique_ptr<SurfaceMesh<3>> polygons_;
  absl::flat_hash_map<index_t, index_t> polygon_to_solid_;
  std::vector<index_t> keys_;
};

TEST_F(BRepFromBox, SurfacesFromBoundaryFacetsAndTheSplitOfTheInnerLine) {
  ASSERT_EQ(corners_.size(), 8);
  ASSERT_EQ(lines_.size(), 4 * 3 + 4 * 3 + 4 * 1 + 1);
  BRep brep;
  BRepTestBuilder builder{brep, *solid_};
  builder.add_corner_vertices(corners_);
  builder.add_line_edges(lines_);
  builder.build_corners_and_lines();
  EXPECT_EQ(brep.nb_corners(), 10);
  EXPECT_EQ(brep.nb_lines(), 13);

  BRepBuilder brep_builder{brep};
  BRepGeometricModifier modifier{brep, brep_builder};
  const auto splits = builder.build_surfaces(*polygons_, polygon_to_solid_, keys_, modifier);
  ASSERT_EQ(brep.nb_surfaces(), 6);
  const auto inner_line_id = builder.mappings().lines.in2out(inner_).front().component_id;
  for (const auto& surface : brep.surfaces()) {
    EXPECT_EQ(brep.nb_boundaries(surface), 4);
    const bool top = surface.mesh().point(0).value(2) == 1 && surface.mesh().polygon_normal(0) &&
                     surface.mesh().polygon_normal(0)->value(2) != 0;
    EXPECT_EQ(brep.nb_internal_lines(surface), top ? 1 : 0);
    EXPECT_EQ(brep.nb_internal_corners(surface), top ? 2 : 0);
  }
  // The vertical box edges are single-edge lines too, but on the border of two surfaces.
  ASSERT_EQ(splits.size(), 1);
  auto ends = splits.front().unique_vertices;
  std::sort(ends.begin(), ends.end());
  EXPECT_EQ(ends, (std::array<index_t, 2>{21, 22}));
  EXPECT_EQ(splits.front().point, (Point<3>{{1.5, 1., 1.}}));

  // Apply the split and the clean to a copy of the mapping, as a derived builder does.
  auto mapping = builder.mappings();
  internal::record_edge_split(mapping, inner_, splits.front().split_info, brep);
  internal::apply_clean(mapping, modifier.clean());
  const auto& halves = mapping.lines.in2out(inner_);
  ASSERT_EQ(halves.size(), 2);
  double length = 0;
  for (const auto& half : halves) {
    EXPECT_EQ(half.component_id, inner_line_id);
    length += brep.line(inner_line_id).mesh().edge_length(half.element);
  }
  EXPECT_DOUBLE_EQ(length, 1.);
  index_t nb_split_keys = 0;
  for (index_t polygon = 0; polygon < keys_.size(); ++polygon) {
    const auto& pieces = mapping.surfaces.in2out(keys_[polygon]);
    double area = 0;
    for (const auto& piece : pieces) {
      area += brep.surface(piece.component_id).mesh().polygon_area(piece.element);
    }
    EXPECT_NEAR(area, polygons_->polygon_area(polygon), 1e-12);
    if (pieces.size() == 2) ++nb_split_keys;
  }
  EXPECT_EQ(nb_split_keys, 2);
  index_t nb_polygons = 0;
  for (const auto& surface : brep.surfaces()) nb_polygons += surface.mesh().nb_polygons();
  EXPECT_EQ(mapping.surfaces.size_out(), nb_polygons);
  EXPECT_EQ(nb_polygons, keys_.size() + 2);
  test::expect_valid(brep);
}

}  // namespace
}  // namespace veyra
