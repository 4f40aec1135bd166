// SPDX-License-Identifier: MIT
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/mesh_factory.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/model/ostrel_model_library.h>
#include <ostrel/model/section_builder.h>

#include "model_fixtures.h"

namespace veyra {
namespace {

template <typename Range>
std::vector<uuid> ids(const Range& range) {
  std::vector<uuid> result;
  for (const auto& component : range) result.push_back(component.id());
  return result;
}

std::vector<ComponentMeshVertex> ties(const VertexIdentifier& identifier, index_t unique_vertex) {
  return identifier.component_mesh_vertices(unique_vertex);
}

void expect_input_error(const std::function<void()>& call, const std::string& message) {
  try {
    call();
    ADD_FAILURE() << "no exception, expected: " << message;
  } catch (const OstrelModelException& exception) {
    EXPECT_EQ(exception.what(), message);
    EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
  }
}

TEST(BRep, ComponentsAndTypedRelationsFollowTheOrderOfAddition) {
  const auto cube = test::make_cube();
  const auto& brep = cube.brep;
  EXPECT_EQ(brep.nb_corners(), 8);
  EXPECT_EQ(brep.nb_lines(), 12);
  EXPECT_EQ(brep.nb_surfaces(), 6);
  EXPECT_EQ(ids(brep.corners()), (std::vector<uuid>{cube.corners.begin(), cube.corners.end()}));
  EXPECT_EQ(ids(brep.surfaces()), (std::vector<uuid>{cube.surfaces.begin(), cube.surfaces.end()}));
  const auto lines = brep.lines();
  EXPECT_EQ(ids(lines), ids(lines));  // re-iterable

  // Line 0 joins cube vertices 0 and 1; corner 0 bounds lines 0, 1 and 2.
  const auto& line = brep.line(cube.lines[0]);
  EXPECT_EQ(ids(brep.boundaries(line)), (std::vector<uuid>{cube.corners[0], cube.corners[1]}));
  EXPECT_EQ(brep.nb_boundaries(line), 2);
  const auto& corner = brep.corner(cube.corners[0]);
  EXPECT_EQ(ids(brep.incidences(corner)),
            (std::vector<uuid>{cube.lines[0], cube.lines[1], cube.lines[2]}));
  // Faces holding the edge (0, 1), in the order the surfaces were added.
  std::vector<uuid> faces;
  for (index_t f = 0; f < 6; ++f) {
    const auto& vertices = cube.face_vertices[f];
    if (std::count(vertices.begin(), vertices.end(), 0) &&
        std::count(vertices.begin(), vertices.end(), 1)) {
      faces.push_back(cube.surfaces[f]);
    }
  }
  EXPECT_EQ(ids(brep.incidences(line)), faces);
  EXPECT_EQ(brep.nb_incidences(line), 2);
  const auto& surface = brep.surface(cube.surfaces[2]);
  EXPECT_EQ(brep.nb_boundaries(surface), 4);
  EXPECT_TRUE(brep.is_boundary(corner, line));
  EXPECT_FALSE(brep.is_boundary(brep.corner(cube.corners[7]), line));
  EXPECT_TRUE(brep.is_boundary(line, brep.surface(faces[0])));

  const auto& boundary = brep.model_boundary(cube.boundary);
  EXPECT_EQ(*boundary.name(), "outside");
  EXPECT_EQ(ids(brep.model_boundary_items(boundary)), ids(brep.surfaces()));
  EXPECT_EQ(brep.nb_items(cube.boundary), 6);
  ASSERT_EQ(brep.nb_collections(surface.id()), 1);
  EXPECT_EQ(*brep.collections(surface.id()).begin(), boundary.component_id());
  EXPECT_EQ(ids(brep.line_collection_items(brep.line_collection(cube.line_collection))),
            (std::vector<uuid>{cube.lines[0], cube.lines[1]}));

  const auto& block = brep.block(cube.block);
  EXPECT_EQ(brep.nb_blocks(), 1);
  EXPECT_EQ(ids(brep.boundaries(block)), ids(brep.surfaces()));
  EXPECT_EQ(ids(brep.incidences(surface)), (std::vector<uuid>{cube.block}));
  EXPECT_TRUE(brep.is_boundary(surface, block));
  EXPECT_EQ(brep.nb_embedding_blocks(surface), 0);

  // Ties were made corners first, then lines, surfaces and the block.
  const auto first = ties(brep, 0);
  ASSERT_EQ(first.size(), 1 + 3 + 3 + 1);
  EXPECT_EQ(first[0], (ComponentMeshVertex{corner.component_id(), 0}));
  EXPECT_EQ(first[1], (ComponentMeshVertex{line.component_id(), 0}));
  EXPECT_EQ(first[4].component_id.type(), Surface<3>::component_type_static());
  EXPECT_EQ(first[7], (ComponentMeshVertex{block.component_id(), 0}));
  EXPECT_EQ(*brep.name(), "cube");
}

TEST(BRep, RemovingComponentsTakesTheirRelationsAndTiesButKeepsUniqueVertices) {
  auto cube = test::make_cube();
  auto& brep = cube.brep;
  BRepBuilder builder{brep};
  const auto& line = brep.line(cube.lines[0]);
  const auto incident = ids(brep.incidences(line));
  builder.remove_surface(brep.surface(incident.front()));
  EXPECT_EQ(brep.nb_surfaces(), 5);
  EXPECT_FALSE(brep.has_surface(incident.front()));
  EXPECT_EQ(ids(brep.incidences(line)), (std::vector<uuid>{incident.back()}));
  EXPECT_EQ(brep.nb_items(cube.boundary), 5);
  for (index_t unique_vertex = 0; unique_vertex < 8; ++unique_vertex) {
    for (const auto& tie : ties(brep, unique_vertex)) {
      EXPECT_NE(tie.component_id.id(), incident.front());
    }
  }

  // Everything on cube vertex 7 goes: its unique vertex is left without ties.
  std::vector<uuid> on_seven;
  for (const auto& tie : ties(brep, 7)) on_seven.push_back(tie.component_id.id());
  for (const auto& id : on_seven) {
    if (brep.has_corner(id)) builder.remove_corner(brep.corner(id));
    if (brep.has_line(id)) builder.remove_line(brep.line(id));
    if (brep.has_surface(id)) builder.remove_surface(brep.surface(id));
    if (brep.has_block(id)) builder.remove_block(brep.block(id));
  }
  EXPECT_EQ(brep.nb_unique_vertices(), 8);
  EXPECT_TRUE(ties(brep, 7).empty());
  EXPECT_EQ(brep.nb_relations(cube.corners[7]), 0);
  EXPECT_EQ(builder.delete_isolated_vertices(), (std::vector<index_t>{0, 1, 2, 3, 4, 5, 6, NO_ID}));
  EXPECT_EQ(brep.nb_unique_vertices(), 7);
  EXPECT_EQ(brep.unique_vertex({brep.corner(cube.corners[6]).component_id(), 0}), 6);

  // The block went with its relations and ties.
  EXPECT_EQ(brep.nb_blocks(), 0);
  EXPECT_EQ(brep.nb_incidences(cube.surfaces[1]), 0);
  EXPECT_EQ(ties(brep, 0).back().component_id.type(), Surface<3>::component_type_static());

  // The collection goes, its items stay.
  builder.remove_line_collection(brep.line_collection(cube.line_collection));
  EXPECT_TRUE(brep.has_line(cube.lines[0]));
  EXPECT_EQ(brep.nb_collections(cube.lines[0]), 0);
}

TEST(BRep, TiesFollowAMeshRenumbering) {
  auto cube = test::make_cube();
  auto& brep = cube.brep;
  BRepBuilder builder{brep};
  // Dropping triangle (0, 2, 3) of surface 0 leaves its vertex 3 alone; the mesh removes it.
  const auto& surface = brep.surface(cube.surfaces[0]);
  const auto& face = cube.face_vertices[0];
  const auto before = ties(brep, face[2]);
  auto mesh = builder.surface_mesh_builder(surface.id());
  mesh->delete_polygons({false, true});
  const auto old2new = mesh->delete_isolated_vertices();
  EXPECT_EQ(old2new, (std::vector<index_t>{0, 1, 2, NO_ID}));
  builder.update_unique_vertices(surface.component_id(), old2new);
  EXPECT_EQ(brep.unique_vertex({surface.component_id(), 3}), NO_ID);
  EXPECT_TRUE(brep.component_mesh_vertices(face[3], surface.id()).empty());
  EXPECT_EQ(ties(brep, face[2]), before);  // untouched ties keep their place
  EXPECT_EQ(builder.delete_isolated_vertices(), (std::vector<index_t>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(BRep, MeshBuildersOfDifferentComponentsWorkInParallel) {
  OstrelModelLibrary::initialize();
  EXPECT_TRUE(MeshFactory::has_impl(MeshImpl{"OstrelTetrahedralSolid3D"}));
  auto cube = test::make_cube();
  BRepBuilder builder{cube.brep};
  std::vector<std::thread> threads;
  for (const auto& id : cube.surfaces) {
    threads.emplace_back([&builder, id] {
      auto mesh = builder.surface_mesh_builder(id);
      for (int i = 0; i < 1000; ++i) mesh->create_point(Point<3>{{1. * i, 0, 0}});
    });
  }
  for (auto& thread : threads) thread.join();
  for (const auto& surface : cube.brep.surfaces()) {
    EXPECT_EQ(surface.mesh().nb_vertices(), 1004);
  }
}

TEST(BRep, MeshesKeysAndReplacement) {
  auto cube = test::make_cube();
  auto& brep = cube.brep;
  BRepBuilder builder{brep};
  EXPECT_EQ(brep.corner(cube.corners[0]).mesh_type().get(), "OstrelPointSet3D");
  EXPECT_EQ(brep.line(cube.lines[0]).get_mesh().nb_edges(), 1);
  EXPECT_EQ(brep.line(cube.lines[0]).mesh_type().get(), "OstrelEdgedCurve3D");
  const auto& surface = brep.surface(cube.surfaces[0]);
  EXPECT_EQ(surface.mesh_type().get(), "OstrelPolygonalSurface3D");
  EXPECT_EQ(surface.mesh().nb_polygons(), 2);
  EXPECT_THROW((void)surface.mesh<TriangulatedSurface<3>>(), OstrelModelException);

  EXPECT_EQ(brep.block(cube.block).mesh_type().get(), "OstrelTetrahedralSolid3D");
  EXPECT_EQ(brep.block(cube.block).mesh<TetrahedralSolid<3>>().nb_polyhedra(), 6);
  EXPECT_EQ(brep.block(builder.add_block()).mesh_type().get(), "OstrelPolyhedralSolid3D");
  const auto triangulated = builder.add_surface(MeshImpl{"OstrelTriangulatedSurface3D"});
  EXPECT_EQ(brep.surface(triangulated).mesh().type_name().get(), "TriangulatedSurface3D");
  EXPECT_EQ(brep.surface(triangulated).mesh<TriangulatedSurface<3>>().nb_polygons(), 0);

  // A new mesh drops every tie of the surface.
  const auto component = surface.component_id();
  builder.update_surface_mesh(surface, TriangulatedSurface<3>::create());
  EXPECT_EQ(surface.mesh_type().get(), "OstrelTriangulatedSurface3D");
  EXPECT_EQ(brep.unique_vertex({component, 0}), NO_ID);
  EXPECT_TRUE(brep.component_mesh_vertices(0, component.id()).empty());

  EXPECT_TRUE(surface.is_active());
  builder.set_surface_active(surface.id(), false);
  EXPECT_FALSE(surface.is_active());
  builder.set_surface_name(surface.id(), "top");
  EXPECT_EQ(*surface.name(), "top");
}

TEST(BRep, BadInputThrowsWithTheReason) {
  auto cube = test::make_cube();
  auto& brep = cube.brep;
  BRepBuilder builder{brep};
  auto square = test::make_square();
  SectionBuilder section_builder{square.section};
  const uuid stranger;
  const auto& corner = brep.corner(cube.corners[0]);
  const auto used = [](const std::string& function, const uuid& id) {
    return "[" + function + "] Component id already used: " + id.string();
  };
  expect_input_error([&] { builder.add_corner(cube.surfaces[0]); },
                     used("BRepBuilder::add_corner", cube.surfaces[0]));
  expect_input_error([&] { builder.add_line(cube.boundary, MeshImpl{"OstrelEdgedCurve3D"}); },
                     used("BRepBuilder::add_line", cube.boundary));
  expect_input_error([&] { builder.add_surface_collection(cube.corners[3]); },
                     used("BRepBuilder::add_surface_collection", cube.corners[3]));
  expect_input_error([&] { builder.add_model_boundary(cube.line_collection); },
                     used("BRepBuilder::add_model_boundary", cube.line_collection));
  expect_input_error([&] { section_builder.add_surface(square.lines[0]); },
                     used("SectionBuilder::add_surface", square.lines[0]));
  expect_input_error([&] { (void)brep.corner(stranger); },
                     "[Corners::corner] Unknown corner: " + stranger.string());
  expect_input_error([&] { builder.set_line_name(stranger, "x"); },
                     "[BRepBuilder::set_line_name] Unknown line: " + stranger.string());
  expect_input_error(
      [&] {
        builder.set_unique_vertex({corner.component_id(), 1}, 0);
      },
      "[BRepBuilder::set_unique_vertex] Vertex 1 out of range in " +
          corner.component_id().string() + " (1 vertices)");
  expect_input_error(
      [&] {
        builder.set_unique_vertex({corner.component_id(), 0}, 8);
      },
      "[BRepBuilder::set_unique_vertex] Unique vertex 8 out of range (8 unique "
      "vertices)");
  const ComponentID ghost{ComponentType{"Line"}, stranger};
  expect_input_error(
      [&] {
        (void)brep.unique_vertex({ghost, 0});
      },
      "[VertexIdentifier::unique_vertex] Unknown component: " + stranger.string());
  expect_input_error([&] { builder.add_boundary_relation(corner.component_id(), ghost); },
                     "[BRepBuilder::add_boundary_relation] Unknown component: " + ghost.string());
  // A corner of another model.
  const auto other = test::make_cube();
  expect_input_error([&] { builder.remove_corner(other.brep.corner(other.corners[0])); },
                     "[BRepBuilder::remove_corner] Unknown corner: " + other.corners[0].string());
  EXPECT_EQ(brep.nb_corners(), 8);
}

}  // namespace
}  // namespace veyra
