// SPDX-License-Identifier: MIT
#include <model/topology/model_builder_from_unique_vertices.h>

#include <algorithm>
#include <any>
#include <memory>
#include <string>
#include <vector>

#include <absl/strings/str_cat.h>
#include <gtest/gtest.h>

#include <ostrel/basic/str_cat.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/tetrahedral_solid_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section_builder.h>
#include <support/expect_valid_model.h>
#include <veyra_testing/brep_from_points.h>
#include <veyra_testing/log_capture.h>

#include <model/common/library.h>

namespace veyra {
namespace {

using detail::ModelBuilderFromUniqueVertices;
using testing::BRepFromPoints;
using testing::LogCapture;
using Ids = std::vector<uuid>;

const auto corner_type = Corner<2>::component_type_static();
const auto line_type = Line<2>::component_type_static();
const auto surface_type = Surface<2>::component_type_static();

class ModelBuilderFromUniqueVerticesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { VeyraConversionModelLibrary::initialize(); }
};

// A Section over a list of points: mesh vertices standing on point i are tied to unique vertex
// i, unless a component is given explicit points.
class SectionFromPoints {
 public:
  SectionFromPoints(Section& model, std::vector<Point<2>> points)
      : model_(model), builder_(model), points_(std::move(points)) {
    builder_.create_unique_vertices(static_cast<index_t>(points_.size()));
  }

  SectionBuilder& builder() { return builder_; }

  uuid add_corner(absl::Span<const index_t> points) {
    const auto id = builder_.add_corner();
    auto mesh = builder_.corner_mesh_builder(id);
    for (const auto p : points) mesh->create_point(points_[p]);
    tie(ComponentID{corner_type, id}, points);
    return id;
  }

  // Edges between the given vertices of the chain; `vertices` are point indices.
  uuid add_line(absl::Span<const index_t> vertices,
                absl::Span<const std::array<index_t, 2>> edges) {
    const auto id = builder_.add_line();
    auto mesh = builder_.line_mesh_builder(id);
    for (const auto p : vertices) mesh->create_point(points_[p]);
    for (const auto& edge : edges) mesh->create_edge(edge[0], edge[1]);
    tie(ComponentID{line_type, id}, vertices);
    return id;
  }

  // A chain of points as a line.
  uuid add_chain(absl::Span<const index_t> chain) {
    std::vector<std::array<index_t, 2>> edges;
    for (index_t e = 0; e + 1 < chain.size(); ++e) edges.push_back({e, e + 1});
    return add_line(chain, edges);
  }

  // Triangles over point indices; vertices in order of first use.
  uuid add_surface(absl::Span<const std::array<index_t, 3>> triangles) {
    const auto id = builder_.add_surface();
    auto mesh = builder_.surface_mesh_builder(id);
    std::vector<index_t> vertex_of(points_.size(), NO_ID);
    std::vector<index_t> used;
    for (const auto& triangle : triangles) {
      std::array<index_t, 3> vertices;
      for (int k = 0; k < 3; ++k) {
        auto& vertex = vertex_of[triangle[k]];
        if (vertex == NO_ID) {
          vertex = mesh->create_point(points_[triangle[k]]);
          used.push_back(triangle[k]);
        }
        vertices[k] = vertex;
      }
      mesh->create_polygon(vertices);
    }
    mesh->compute_polygon_adjacencies();
    tie(ComponentID{surface_type, id}, used);
    return id;
  }

 private:
  void tie(const ComponentID& component, absl::Span<const index_t> points) {
    for (index_t v = 0; v < points.size(); ++v) builder_.set_unique_vertex({component, v}, points[v]);
  }

  Section& model_;
  SectionBuilder builder_;
  std::vector<Point<2>> points_;
};

template <typename Function>
void expect_model_exception(Function&& function, std::string_view message,
                            OstrelException::TYPE type) {
  try {
    function();
    ADD_FAILURE() << "no exception, expected: " << message;
  } catch (const VeyraConversionModelException& exception) {
    EXPECT_EQ(exception.what(), message);
    EXPECT_EQ(exception.type(), type);
  }
}

template <typename Range>
Ids ids_of(const Range& range) {
  Ids ids;
  for (const auto& component : range) ids.push_back(component.id());
  return ids;
}

template <typename Values>
Ids as_ids(const Values& values) {
  return Ids(values.begin(), values.end());
}

TEST_F(ModelBuilderFromUniqueVerticesTest, ConstructionChecksTheUniqueVertices) {
  const ModelBuildTopologyParameters parameters;
  {
    BRep empty;
    expect_model_exception(
        [&] { ModelBuilderFromUniqueVertices<BRep>{empty, parameters}; },
        "[ModelBuilderFromUniqueVertices::check_unique_vertices] No unique vertices in input "
        "model",
        OstrelException::TYPE::input);
  }
  // The line's second vertex is tied to nothing.
  Section model;
  SectionFromPoints maker{model, {Point<2>{{0., 0.}}, Point<2>{{1., 0.}}}};
  const auto line = maker.builder().add_line();
  auto mesh = maker.builder().line_mesh_builder(line);
  mesh->create_point(Point<2>{{0., 0.}});
  mesh->create_point(Point<2>{{1., 2.}});
  mesh->create_edge(0, 1);
  maker.builder().set_unique_vertex({model.line(line).component_id(), 0}, 0);
  try {
    ModelBuilderFromUniqueVertices<Section> engine{model, parameters};
    ADD_FAILURE() << "an untied line vertex was accepted";
  } catch (const VeyraConversionModelException& exception) {
    EXPECT_STREQ(exception.what(),
                 "[ModelBuilderFromUniqueVertices::check_unique_vertices] Missing unique vertex "
                 "for line");
    EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
    const auto* point = std::any_cast<Point<2>>(&exception.data());
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(*point, (Point<2>{{1., 2.}}));
  }
}

// Four triangles closing the tetrahedron of points 0..3, and a block whose tetrahedron stands on
// those points; the block mesh has one more vertex, tied to nothing.
TEST_F(ModelBuilderFromUniqueVerticesTest, UntiedBlockVertexIsAccepted) {
  BRep model;
  BRepFromPoints maker{model,
                       {Point<3>{{0., 0., 0.}}, Point<3>{{1., 0., 0.}}, Point<3>{{0., 1., 0.}},
                        Point<3>{{0., 0., 1.}}}};
  const std::vector<testing::PointChain> facets{{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
  Ids surfaces;
  for (const auto& facet : facets) surfaces.push_back(maker.add_surface({{facet}}));
  auto solid = TetrahedralSolid<3>::create();
  auto solid_builder = TetrahedralSolidBuilder<3>::create(*solid);
  for (const auto& point : maker.points()) solid_builder->create_point(point);
  solid_builder->create_tetrahedron({0, 1, 2, 3});
  const auto block = maker.add_block(*solid);
  maker.builder().block_mesh_builder(block)->create_point(Point<3>{{0.1, 0.1, 0.1}});
  for (const auto& surface : surfaces) {
    maker.builder().add_surface_block_boundary_relationship(model.surface(surface),
                                                            model.block(block));
  }
  const ModelBuildTopologyParameters parameters;
  EXPECT_NO_THROW((ModelBuilderFromUniqueVertices<BRep>{model, parameters}));
}

TEST_F(ModelBuilderFromUniqueVerticesTest, VerticesOfAUniqueVertexMoveToTheFirstOne) {
  Section model;
  SectionBuilder builder{model};
  builder.create_unique_vertices(3);
  // Unique vertex 0: a line vertex first (the reference), then a surface vertex within the
  // tolerance, a corner vertex beyond it and a surface vertex exactly on it.
  const Point<2> reference{{0., 0.}};
  const Point<2> close{{1e-7, 0.}};
  const Point<2> far{{1e-3, 0.}};
  const auto line = builder.add_line();
  {
    auto mesh = builder.line_mesh_builder(line);
    mesh->create_point(reference);
    mesh->create_point(Point<2>{{1., 0.}});
    mesh->create_edge(0, 1);
  }
  const auto surface = builder.add_surface();
  {
    auto mesh = builder.surface_mesh_builder(surface);
    mesh->create_point(close);
    mesh->create_point(Point<2>{{1., 0.}});
    mesh->create_point(Point<2>{{0., 1.}});
    mesh->create_polygon(std::vector<index_t>{0, 1, 2});
    mesh->compute_polygon_adjacencies();
  }
  const auto corner = builder.add_corner();
  builder.corner_mesh_builder(corner)->create_point(far);
  const ComponentID line_id{line_type, line};
  const ComponentID surface_id{surface_type, surface};
  const ComponentID corner_id{corner_type, corner};
  builder.set_unique_vertex({line_id, 0}, 0);
  builder.set_unique_vertex({surface_id, 0}, 0);
  builder.set_unique_vertex({corner_id, 0}, 0);
  builder.set_unique_vertex({line_id, 1}, 1);
  builder.set_unique_vertex({surface_id, 1}, 1);
  builder.set_unique_vertex({surface_id, 2}, 2);

  LogCapture log;
  const ModelBuildTopologyParameters parameters;
  ModelBuilderFromUniqueVertices<Section> engine{model, parameters};
  EXPECT_EQ(model.line(line).mesh().point(0), reference);
  EXPECT_EQ(model.surface(surface).mesh().point(0), reference);
  EXPECT_EQ(model.corner(corner).mesh().point(0), reference);
  std::vector<std::string> warnings;
  for (const auto& line : log.lines()) {
    if (line.level == Logger::LEVEL::warn) warnings.push_back(line.text);
  }
  EXPECT_EQ(warnings,
            std::vector<std::string>{str_cat(
                "[[ModelBuilderFromUniqueVertices::set_model_unique_vertex_point] Unique vertex 0 "
                "has cmv Corner ",
                corner.string(),
                " 0 at location 0.001 0] which is different from reference [0 0], they will be "
                "colocalized on reference.")});
}

TEST_F(ModelBuilderFromUniqueVerticesTest, CornerWithThreePointsBecomesThreeCorners) {
  Section model;
  SectionFromPoints maker{model,
                          {Point<2>{{0., 0.}}, Point<2>{{1., 0.}}, Point<2>{{2., 0.}}}};
  const auto corner = maker.add_corner({{0, 1, 2}});
  maker.builder().set_corner_name(corner, "tip");
  const auto collection = maker.builder().add_corner_collection();
  maker.builder().add_corner_in_corner_collection(model.corner(corner),
                                                  model.corner_collection(collection));
  const ModelBuildTopologyParameters parameters;
  ModelBuilderFromUniqueVertices<Section> engine{model, parameters};
  const auto mappings = engine.update_model();

  EXPECT_FALSE(model.has_corner(corner));
  ASSERT_EQ(model.nb_corners(), 3);
  const auto& corner_mapping = mappings.component_mappings.at(corner_type);
  const auto corners = ids_of(model.corners());
  EXPECT_EQ(as_ids(corner_mapping.in2out(corner)), corners);
  EXPECT_TRUE(mappings.created_components.at(corner_type).empty());
  for (index_t i = 0; i < 3; ++i) {
    const auto& split = model.corner(corners[i]);
    EXPECT_EQ(split.name(), "tip");
    EXPECT_TRUE(model.is_item(split.id(), collection));
    EXPECT_EQ(split.mesh().point(0), (Point<2>{{static_cast<double>(i), 0.}}));
    EXPECT_EQ(model.unique_vertex({split.component_id(), 0}), i);
    EXPECT_EQ(mappings.mesh_vertices.corners.in2out({corner, i}).front(),
              (MeshVertex{split.id(), 0}));
    EXPECT_EQ(mappings.mesh_elements.corners.in2out({corner, i}).front(),
              (MeshElement{split.id(), 0}));
  }
}

TEST_F(ModelBuilderFromUniqueVerticesTest, DegenerateAndRepeatedLineEdgesAreDeleted) {
  Section model;
  SectionFromPoints maker{model,
                          {Point<2>{{0., 0.}}, Point<2>{{1., 0.}}, Point<2>{{2., 0.}}}};
  const auto line = maker.add_line({{0, 1, 2}}, {{{0, 1}, {1, 1}, {1, 0}, {1, 2}, {2, 1}}});
  const ModelBuildTopologyParameters parameters;
  ModelBuilderFromUniqueVertices<Section> engine{model, parameters};
  const auto& mesh = model.line(line).mesh();
  ASSERT_EQ(mesh.nb_edges(), 2);
  EXPECT_EQ(mesh.edge_vertices(0), (std::array<index_t, 2>{0, 1}));
  EXPECT_EQ(mesh.edge_vertices(1), (std::array<index_t, 2>{1, 2}));
}

TEST_F(ModelBuilderFromUniqueVerticesTest, BlockRelationsAreChecked) {
  enum struct Fault { no_boundary, two_embeddings, three_incidences };
  const std::vector<std::pair<Fault, std::string>> cases{
      {Fault::no_boundary,
       "[ModelBuilderFromUniqueVertices] A block must have at least one boundary surface."},
      {Fault::two_embeddings,
       "[ModelBuilderFromUniqueVertices] A surface cannot have several embedding blocks."},
      {Fault::three_incidences,
       "[ModelBuilderFromUniqueVertices] A surface cannot have more than two incident blocks."}};
  for (const auto& [fault, message] : cases) {
    SCOPED_TRACE(message);
    BRep model;
    BRepFromPoints maker{model,
                         {Point<3>{{0., 0., 0.}}, Point<3>{{1., 0., 0.}}, Point<3>{{0., 1., 0.}}}};
    auto& builder = maker.builder();
    const auto& outer = model.surface(maker.add_surface({{0, 1, 2}}));
    const auto& inner = model.surface(maker.add_surface({{0, 2, 1}}));
    // One block bounded by nothing, two blocks around a surface internal to both, or three
    // blocks bounded by one surface.
    const int nb_blocks = fault == Fault::no_boundary ? 1 : fault == Fault::two_embeddings ? 2 : 3;
    for (int b = 0; b < nb_blocks; ++b) {
      const auto& block = model.block(builder.add_block());
      if (fault == Fault::no_boundary) continue;
      builder.add_surface_block_boundary_relationship(outer, block);
      if (fault == Fault::two_embeddings) {
        builder.add_surface_block_internal_relationship(inner, block);
      }
    }
    const ModelBuildTopologyParameters parameters;
    expect_model_exception([&] { ModelBuilderFromUniqueVertices<BRep>{model, parameters}; },
                           message, OstrelException::TYPE::input);
  }
}

// Two fans in the planes z = 0 and x = 1 sharing only their centre (1, 0, 0): the centre is
// inside both surfaces and on no line.
TEST_F(ModelBuilderFromUniqueVerticesTest, SurfacesMeetingAtOneVertexGetACornerThere) {
  BRep model;
  BRepFromPoints maker{model,
                       {Point<3>{{1., 0., 0.}}, Point<3>{{0., -1., 0.}}, Point<3>{{2., -1., 0.}},
                        Point<3>{{2., 1., 0.}}, Point<3>{{0., 1., 0.}}, Point<3>{{1., -1., -1.}},
                        Point<3>{{1., 1., -1.}}, Point<3>{{1., 1., 1.}}, Point<3>{{1., -1., 1.}}}};
  const auto flat = maker.add_surface({{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 1}});
  const auto upright = maker.add_surface({{0, 5, 6}, {0, 6, 7}, {0, 7, 8}, {0, 8, 5}});
  const ModelBuildTopologyParameters parameters;
  ModelBuilderFromUniqueVertices<BRep> engine{model, parameters};
  const auto mappings = engine.update_model();

  std::vector<uuid> at_centre;
  for (const auto& corner : model.corners()) {
    if (model.unique_vertex({corner.component_id(), 0}) == 0) at_centre.push_back(corner.id());
  }
  ASSERT_EQ(at_centre.size(), 1);
  const auto& corner = model.corner(at_centre.front());
  EXPECT_EQ(corner.mesh().point(0), (Point<3>{{1., 0., 0.}}));
  EXPECT_EQ(ids_of(model.embedding_surfaces(corner)), (Ids{flat, upright}));
  const auto& created = mappings.created_components.at(Corner<3>::component_type_static());
  EXPECT_NE(std::find(created.begin(), created.end(), corner.id()), created.end());
}

// The same centre on the border of the flat surface (a half fan): the border line bounds only
// the flat surface, so the centre still gets a corner inside the upright one and the line is
// cut there.
TEST_F(ModelBuilderFromUniqueVerticesTest, CornerOnALineBoundingOneOfTwoSurfacesSplitsIt) {
  BRep model;
  BRepFromPoints maker{model,
                       {Point<3>{{1., 0., 0.}}, Point<3>{{0., 0., 0.}}, Point<3>{{0., 1., 0.}},
                        Point<3>{{2., 1., 0.}}, Point<3>{{2., 0., 0.}}, Point<3>{{1., -1., -1.}},
                        Point<3>{{1., 1., -1.}}, Point<3>{{1., 1., 1.}}, Point<3>{{1., -1., 1.}}}};
  const auto flat = maker.add_surface({{0, 2, 1}, {0, 3, 2}, {0, 4, 3}});
  const auto upright = maker.add_surface({{0, 5, 6}, {0, 6, 7}, {0, 7, 8}, {0, 8, 5}});
  // The border of the flat surface as one closed line without corner.
  const auto border = maker.add_line({0, 1, 2, 3, 4, 0});
  maker.builder().add_line_surface_boundary_relationship(model.line(border), model.surface(flat));
  const ModelBuildTopologyParameters parameters;
  ModelBuilderFromUniqueVertices<BRep> engine{model, parameters};
  const auto mappings = engine.update_model();

  std::vector<uuid> at_centre;
  for (const auto& corner : model.corners()) {
    if (model.unique_vertex({corner.component_id(), 0}) == 0) at_centre.push_back(corner.id());
  }
  ASSERT_EQ(at_centre.size(), 1);
  const auto& corner = model.corner(at_centre.front());
  EXPECT_TRUE(model.is_internal(corner.id(), upright));
  EXPECT_FALSE(model.is_internal(corner.id(), flat));
  // Every line through the centre now ends there.
  for (const auto& cmv : model.component_mesh_vertices(0)) {
    if (cmv.component_id.type() != Line<3>::component_type_static()) continue;
    EXPECT_TRUE(model.is_boundary(corner.id(), cmv.component_id.id()));
  }
  // The closed border is opened at the corner: it keeps its id and ends there twice.
  const auto& border_mesh = model.line(border).mesh();
  EXPECT_EQ(border_mesh.nb_vertices(), border_mesh.nb_edges() + 1);
  EXPECT_EQ(model.component_mesh_vertices(0, border).size(), 2);
  test::expect_valid(model);
}

// A line a - b - c, and a line b - c made before it whose only edge the longer line claims in
// the wireframe: at b the wireframe goes on straight, so b gets no corner, yet two lines end or
// pass there.
TEST_F(ModelBuilderFromUniqueVerticesTest, LinesMeetingWithoutCornerStopTheUpdate) {
  Section model;
  SectionFromPoints maker{model, {Point<2>{{0., 0.}}, Point<2>{{1., 0.}}, Point<2>{{2., 0.}}}};
  const auto other = maker.add_chain({{1, 2}});
  const auto straight = maker.add_chain({{0, 1, 2}});
  const ModelBuildTopologyParameters parameters;
  ModelBuilderFromUniqueVertices<Section> engine{model, parameters};
  try {
    engine.update_model();
    ADD_FAILURE() << "lines meeting without corner were accepted";

  } catch (const VeyraConversionModelException& exception) {
    EXPECT_EQ(exception.type(), OstrelException::TYPE::internal);
    const auto* point = std::any_cast<Point<2>>(&exception.data());
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(*point, (Point<2>{{1., 0.}}));
    EXPECT_EQ(exception.what(),
              str_cat("[ModelBuilderFromUniqueVertices::create_missing_corners] Missing corner on "
                      "intersection with multiple lines on unique vertex 1 at position [1 0], "
                      "with 2 line cmvs around: , Line ",
                      other.string(), " 0, Line ", straight.string(), " 1"));
  }
}

// a - b - c as one line, c - d as another, an old corner at b: the lines are merged at c, then
// the merged line is split at b.
TEST_F(ModelBuilderFromUniqueVerticesTest, MappingsLeadFromOldToFinalComponents) {
  Section model;
  SectionFromPoints maker{model,
                          {Point<2>{{0., 0.}}, Point<2>{{1., 0.}}, Point<2>{{2., 0.}},
                           Point<2>{{3., 0.}}}};
  const auto first = maker.add_chain({{0, 1, 2}});
  const auto second = maker.add_chain({{2, 3}});
  const auto corner = maker.add_corner({{1}});
  const ModelBuildTopologyParameters parameters;
  ModelBuilderFromUniqueVertices<Section> engine{model, parameters};
  const auto mappings = engine.update_model();

  ASSERT_EQ(model.nb_lines(), 2);
  const auto lines = ids_of(model.lines());
  const auto& line_mapping = mappings.component_mappings.at(line_type);
  EXPECT_EQ(as_ids(line_mapping.in2out(first)), lines);
  EXPECT_EQ(as_ids(line_mapping.in2out(second)), lines);
  EXPECT_EQ(line_mapping.size_in(), 2);
  for (const auto& line : lines) EXPECT_EQ(as_ids(line_mapping.out2in(line)), (Ids{first, second}));
  EXPECT_TRUE(mappings.created_components.at(line_type).empty());
  EXPECT_EQ(mappings.unchanged_components.at(corner_type), (Ids{corner}));
  EXPECT_EQ(mappings.created_components.at(corner_type).size(), 2);
  // Old line vertices reach the final lines.
  for (index_t v = 0; v < 3; ++v) {
    for (const auto& target : mappings.mesh_vertices.lines.in2out({first, v})) {
      EXPECT_TRUE(model.has_line(target.component_id));
    }
  }
  test::expect_valid(model);
}

TEST_F(ModelBuilderFromUniqueVerticesTest, NewComponentsOfAnInactiveSurfaceAreInactive) {
  Section model;
  SectionFromPoints maker{model,
                          {Point<2>{{0., 0.}}, Point<2>{{1., 0.}}, Point<2>{{0., 1.}},
                           Point<2>{{1., 1.}}, Point<2>{{2., 0.}}}};
  const auto off = maker.add_surface({{{0, 1, 2}}});
  const auto on = maker.add_surface({{{1, 4, 3}}});
  maker.builder().set_surface_active(off, false);
  const ModelBuildTopologyParameters parameters{false};
  ModelBuilderFromUniqueVertices<Section> engine{model, parameters};
  const auto mappings = engine.update_model();

  for (const auto& line : model.lines()) {
    const auto bounds_off = model.is_boundary(line.id(), off);
    EXPECT_EQ(line.is_active(), !bounds_off);
  }
  for (const auto& corner : model.corners()) {
    bool on_inactive_line = false;
    for (const auto& line : model.incidences(corner)) on_inactive_line |= !line.is_active();
    EXPECT_EQ(corner.is_active(), !on_inactive_line);
  }
  EXPECT_TRUE(model.surface(on).is_active());
  EXPECT_EQ(mappings.created_components.at(line_type).size(), model.nb_lines());
}

}  // namespace
}  // namespace veyra
