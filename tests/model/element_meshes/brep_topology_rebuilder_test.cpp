// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <model/common/library.h>
#include <model/element_meshes/brep_from_solid_elements_builder.h>
#include <model/element_meshes/brep_topology_rebuilder.h>
#include <ostrel/basic/attribute.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <veyra_testing/model_generators.h>

#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "solid_elements_fixtures.h"
#include "support/expect_valid_model.h"

namespace veyra {
namespace {

using detail::BRepTopologyRebuilder;

// The linear function every test mesh carries as the vertex attribute "f": a linear function is
// reproduced exactly by the linear interpolation of split vertices.
double f(const Point<3>& point) {
  return point.value(0) + 2 * point.value(1) + 3 * point.value(2);
}

template <typename Mesh>
void add_vertex_function(const Mesh& mesh) {
  auto attribute =
      mesh.vertex_attribute_manager().template find_or_create_attribute<VariableAttribute, double>(
          "f", -1.);
  for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
    attribute->set_value(vertex, f(mesh.point(vertex)));
  }
}

// Every vertex of every component mesh holds f at its point; with `only_mapped`, only the
// vertices that have an old vertex in the mapping are looked at.
void expect_vertex_function(const BRep& brep,
                            const BRepMeshesVertexMapping* only_mapped = nullptr) {
  const auto check = [&](const auto& component, const GenericMapping<MeshVertex>& mapping) {
    const auto& mesh = component.mesh();
    for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
      if (only_mapped != nullptr && !mapping.has_mapping_output({component.id(), vertex})) {
        continue;
      }
      ASSERT_NE(mesh.vertex_attribute_manager().find_generic_attribute("f"), nullptr)
          << component.id().string();
      const auto values = mesh.vertex_attribute_manager().template find_attribute<double>("f");
      EXPECT_NEAR(values->value(vertex), f(mesh.point(vertex)), 1e-9)
          << component.id().string() << " vertex " << vertex;
    }
  };
  const BRepMeshesVertexMapping none;
  const auto& mapping = only_mapped != nullptr ? *only_mapped : none;
  for (const auto& corner : brep.corners()) check(corner, mapping.corners);
  for (const auto& line : brep.lines()) check(line, mapping.lines);
  for (const auto& surface : brep.surfaces()) check(surface, mapping.surfaces);
  for (const auto& block : brep.blocks()) check(block, mapping.blocks);
}

template <typename Mesh>
void add_element_index(const AttributeManager& manager, index_t nb_elements) {
  auto attribute =
      const_cast<AttributeManager&>(manager).find_or_create_attribute<VariableAttribute, int>(
          "index", -1);
  for (index_t element = 0; element < nb_elements; ++element) {
    attribute->set_value(element, static_cast<int>(element));
  }
}

// Each old element has exactly one new element, which holds the old element's index in the
// attribute "index", and every new element has exactly one old element.
template <typename Components, typename ManagerOf>
void expect_one_to_one_elements(const GenericMapping<MeshElement>& mapping,
                                const Components& new_components, index_t nb_old_elements,
                                const ManagerOf& manager_of) {
  EXPECT_EQ(mapping.size_in(), nb_old_elements);
  index_t nb_new_elements = 0;
  for (const auto& component : new_components) {
    const auto& manager = manager_of(component.mesh());
    const auto index = manager.template find_attribute<int>("index");
    for (index_t element = 0; element < manager.nb_elements(); ++element, ++nb_new_elements) {
      const auto& olds = mapping.out2in({component.id(), element});
      ASSERT_EQ(olds.size(), 1u);
      EXPECT_EQ(mapping.in2out(olds.front()).size(), 1u);
      EXPECT_EQ(index->value(element), static_cast<int>(olds.front().element));
    }
  }
  EXPECT_EQ(mapping.size_out(), nb_new_elements);
}

void expect_one_to_one(const GenericMapping<uuid>& mapping, index_t nb_components) {
  EXPECT_EQ(mapping.size_in(), nb_components);
  EXPECT_EQ(mapping.size_out(), nb_components);
  for (const auto& [old_id, new_ids] : mapping.in2out_map()) EXPECT_EQ(new_ids.size(), 1u);
}

const GenericMapping<uuid>& components_of(const BRepMappings& mappings, std::string_view type) {
  return mappings.component_mappings.at(ComponentType{std::string{type}});
}

// The box [0, nx] x [0, ny] x [0, nz] of make_box_brep with names, a surface collection, the
// vertex function on every mesh and the element index on every line, surface and block mesh.
testing::BoxBRep decorated_box(index_t nx, index_t ny, index_t nz) {
  auto box = testing::make_box_brep(nx, ny, nz, Point<3>{{0, 0, 0}},
                                    Point<3>{{double(nx), double(ny), double(nz)}});
  auto& brep = box.brep;
  BRepBuilder builder{brep};
  for (const auto& corner : brep.corners()) {
    builder.set_corner_name(corner.id(), str_cat("corner_", corner.mesh().point(0).string()));
    add_vertex_function(corner.mesh());
  }
  for (const auto& line : brep.lines()) {
    builder.set_line_name(line.id(), str_cat("line_", line.mesh().point(0).string(), "_",
                                             line.mesh().point(1).string()));
    add_vertex_function(line.mesh());
    add_element_index<EdgedCurve<3>>(line.mesh().edge_attribute_manager(), line.mesh().nb_edges());
  }
  for (index_t side = 0; side < 6; ++side) {
    const auto& surface = brep.surface(box.surfaces[side]);
    builder.set_surface_name(surface.id(), str_cat("side_", side));
    add_vertex_function(surface.mesh());
    add_element_index<SurfaceMesh<3>>(surface.mesh().polygon_attribute_manager(),
                                      surface.mesh().nb_polygons());
  }
  const auto& block = brep.block(box.block);
  builder.set_block_name(block.id(), "box");
  add_vertex_function(block.mesh());
  add_element_index<SolidMesh<3>>(block.mesh().polyhedron_attribute_manager(),
                                  block.mesh().nb_polyhedra());
  const auto collection = builder.add_surface_collection();
  builder.set_surface_collection_name(collection, "x_sides");
  for (const auto side : {0, 1}) {
    builder.add_surface_in_surface_collection(brep.surface(box.surfaces[side]),
                                              brep.surface_collection(collection));
  }
  return box;
}

class BRepTopologyRebuilderTest : public ::testing::Test {
 protected:
  void SetUp() override { VeyraConversionModelLibrary::initialize(); }
};

TEST_F(BRepTopologyRebuilderTest, NoChangeReproducesTheModelOneToOne) {
  const auto box = decorated_box(2, 2, 2);
  const auto& input = box.brep;
  auto [rebuilt, mappings] = BRepTopologyRebuilder{input}.rebuild();
  test::expect_valid(rebuilt);
  EXPECT_EQ(rebuilt.nb_corners(), 8u);
  EXPECT_EQ(rebuilt.nb_lines(), 12u);
  EXPECT_EQ(rebuilt.nb_surfaces(), 6u);
  EXPECT_EQ(rebuilt.nb_blocks(), 1u);
  EXPECT_EQ(rebuilt.nb_unique_vertices(), input.nb_unique_vertices());

  expect_one_to_one(components_of(mappings, "Corner"), 8);
  expect_one_to_one(components_of(mappings, "Line"), 12);
  expect_one_to_one(components_of(mappings, "Surface"), 6);
  expect_one_to_one(components_of(mappings, "Block"), 1);
  const auto new_id = [&](std::string_view type, const uuid& id) {
    return components_of(mappings, type).in2out(id).front();
  };
  for (const auto& corner : input.corners()) {
    EXPECT_EQ(rebuilt.corner(new_id("Corner", corner.id())).name(), corner.name());
  }
  for (const auto& line : input.lines()) {
    const auto& new_line = rebuilt.line(new_id("Line", line.id()));
    EXPECT_EQ(new_line.name(), line.name());
    EXPECT_EQ(new_line.mesh().nb_edges(), line.mesh().nb_edges());
  }
  for (const auto& surface : input.surfaces()) {
    const auto& new_surface = rebuilt.surface(new_id("Surface", surface.id()));
    EXPECT_EQ(new_surface.name(), surface.name());
    EXPECT_EQ(new_surface.mesh().type_name(), surface.mesh().type_name());
  }
  const auto& block = rebuilt.block(new_id("Block", box.block));
  EXPECT_EQ(block.name(), std::optional<std::string_view>{"box"});
  EXPECT_EQ(block.mesh().type_name(), input.block(box.block).mesh().type_name());

  ASSERT_EQ(rebuilt.nb_surface_collections(), 1u);
  const auto& collection = *rebuilt.surface_collections().begin();
  EXPECT_EQ(collection.name(), std::optional<std::string_view>{"x_sides"});
  std::vector<uuid> items;
  for (const auto& item : rebuilt.surface_collection_items(collection)) items.push_back(item.id());
  EXPECT_EQ(items, (std::vector<uuid>{new_id("Surface", box.surfaces[0]),
                                      new_id("Surface", box.surfaces[1])}));
  ASSERT_EQ(rebuilt.nb_model_boundaries(), 1u);
  EXPECT_EQ(rebuilt.nb_model_boundary_items(*rebuilt.model_boundaries().begin()), 6u);

  const auto& elements = mappings.mesh_elements;
  EXPECT_EQ(elements.corners.size_in(), 8u);
  EXPECT_EQ(elements.corners.size_out(), 8u);
  index_t nb_edges = 0;
  for (const auto& line : input.lines()) nb_edges += line.mesh().nb_edges();
  expect_one_to_one_elements(elements.lines, rebuilt.lines(), nb_edges,
                             [](const EdgedCurve<3>& mesh) -> const AttributeManager& {
                               return mesh.edge_attribute_manager();
                             });
  index_t nb_polygons = 0;
  for (const auto& surface : input.surfaces()) nb_polygons += surface.mesh().nb_polygons();
  expect_one_to_one_elements(elements.surfaces, rebuilt.surfaces(), nb_polygons,
                             [](const SurfaceMesh<3>& mesh) -> const AttributeManager& {
                               return mesh.polygon_attribute_manager();
                             });
  expect_one_to_one_elements(elements.blocks, rebuilt.blocks(),
                             input.block(box.block).mesh().nb_polyhedra(),
                             [](const SolidMesh<3>& mesh) -> const AttributeManager& {
                               return mesh.polyhedron_attribute_manager();
                             });

  // Every old vertex has one new vertex at its point, and the vertex attribute came along.
  const auto expect_vertices = [&](const GenericMapping<MeshVertex>& vertices,
                                   const auto& old_components, const auto& point_of) {
    index_t nb_old = 0;
    for (const auto& component : old_components) {
      for (index_t vertex = 0; vertex < component.mesh().nb_vertices(); ++vertex, ++nb_old) {
        const auto& news = vertices.in2out({component.id(), vertex});
        ASSERT_EQ(news.size(), 1u);
        EXPECT_EQ(point_of(news.front()), component.mesh().point(vertex));
      }
    }
    EXPECT_EQ(vertices.size_in(), nb_old);
    EXPECT_EQ(vertices.size_out(), nb_old);
  };
  const auto& vertices = mappings.mesh_vertices;
  expect_vertices(vertices.corners, input.corners(), [&](const MeshVertex& v) {
    return rebuilt.corner(v.component_id).mesh().point(v.vertex);
  });
  expect_vertices(vertices.lines, input.lines(), [&](const MeshVertex& v) {
    return rebuilt.line(v.component_id).mesh().point(v.vertex);
  });
  expect_vertices(vertices.surfaces, input.surfaces(), [&](const MeshVertex& v) {
    return rebuilt.surface(v.component_id).mesh().point(v.vertex);
  });
  expect_vertices(vertices.blocks, input.blocks(), [&](const MeshVertex& v) {
    return rebuilt.block(v.component_id).mesh().point(v.vertex);
  });
  expect_vertex_function(rebuilt);
}

// The polyhedron facets of the block mesh whose vertices all satisfy `inside` (both sides of an
// inner facet).
std::vector<PolyhedronFacet> block_facets_where(
    const SolidMesh<3>& mesh, const std::function<bool(const Point<3>&)>& inside) {
  std::vector<PolyhedronFacet> facets;
  for (index_t polyhedron = 0; polyhedron < mesh.nb_polyhedra(); ++polyhedron) {
    for (local_index_t facet = 0; facet < mesh.nb_polyhedron_facets(polyhedron); ++facet) {
      const auto vertices = mesh.polyhedron_facet_vertices({polyhedron, facet});
      if (std::all_of(vertices.begin(), vertices.end(),
                      [&](index_t v) { return inside(mesh.point(v)); })) {
        facets.emplace_back(polyhedron, facet);
      }
    }
  }
  return facets;
}

TEST_F(BRepTopologyRebuilderTest, RegisteredFacetsCuttingABlockGiveTwoBlocks) {
  const auto box = decorated_box(2, 2, 2);
  const auto& input = box.brep;
  const auto& block = input.block(box.block);
  BRepTopologyRebuilder rebuilder{input};
  rebuilder.add_block_facets_to_topology(
      block, block_facets_where(block.mesh(), [](const Point<3>& p) { return p.value(0) == 1.; }));
  auto [rebuilt, mappings] = rebuilder.rebuild();
  test::expect_valid(rebuilt);
  EXPECT_EQ(rebuilt.nb_blocks(), 2u);
  EXPECT_EQ(rebuilt.nb_surfaces(), 11u);
  EXPECT_EQ(rebuilt.nb_lines(), 20u);
  EXPECT_EQ(rebuilt.nb_corners(), 12u);

  EXPECT_EQ(components_of(mappings, "Block").in2out(box.block).size(), 2u);
  for (index_t side = 0; side < 6; ++side) {
    EXPECT_EQ(components_of(mappings, "Surface").in2out(box.surfaces[side]).size(),
              side < 2 ? 1u : 2u)
        << "side " << side;
  }
  // Each old polyhedron is one new polyhedron, on the side of the cut where it was.
  const auto& polyhedra = mappings.mesh_elements.blocks;
  EXPECT_EQ(polyhedra.size_in(), block.mesh().nb_polyhedra());
  std::set<std::pair<uuid, bool>> block_sides;
  for (index_t polyhedron = 0; polyhedron < block.mesh().nb_polyhedra(); ++polyhedron) {
    const auto& news = polyhedra.in2out({box.block, polyhedron});
    ASSERT_EQ(news.size(), 1u);
    const auto& new_mesh = rebuilt.block(news.front().component_id).mesh();
    EXPECT_NEAR(new_mesh.polyhedron_volume(news.front().element),
                block.mesh().polyhedron_volume(polyhedron), 1e-12);
    const auto below = block.mesh().polyhedron_barycenter(polyhedron).value(0) < 1.;
    EXPECT_EQ(new_mesh.polyhedron_barycenter(news.front().element).value(0) < 1., below);
    block_sides.emplace(news.front().component_id, below);
  }
  EXPECT_EQ(block_sides.size(), 2u);
  EXPECT_EQ(polyhedra.size_out(), block.mesh().nb_polyhedra());
  // The new components along the cut have no old vertex; the others carry their values.
  expect_vertex_function(rebuilt, &mappings.mesh_vertices);
  const auto& new_blocks = components_of(mappings, "Block").in2out(box.block);
  for (const auto& id : new_blocks) {
    EXPECT_EQ(rebuilt.block(id).name(), std::optional<std::string_view>{"box"});
    const auto& mesh = rebuilt.block(id).mesh();
    for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
      EXPECT_TRUE(mappings.mesh_vertices.blocks.has_mapping_output({id, vertex}));
    }
  }
}

// Each old element of the mapping has exactly one new element, which holds the old element's
// index in the attribute "index".
template <typename NewMeshOf, typename ManagerOf>
void expect_index_carried(const GenericMapping<MeshElement>& mapping, index_t nb_old_elements,
                          const NewMeshOf& new_mesh_of, const ManagerOf& manager_of) {
  EXPECT_EQ(mapping.size_in(), nb_old_elements);
  for (const auto& [old, news] : mapping.in2out_map()) {
    ASSERT_EQ(news.size(), 1u);
    const auto& manager = manager_of(new_mesh_of(news.front().component_id));
    EXPECT_EQ(manager.template find_attribute<int>("index")->value(news.front().element),
              static_cast<int>(old.element))
        << news.front().component_id.string() << " element " << news.front().element;
  }
}

TEST_F(BRepTopologyRebuilderTest, AttributesFollowACutAnywhereInTheBlock) {
  // The box [0, 5] x [0, 1] x [0, 1] cut at x = 1 or x = 4: the smaller new block and the
  // smaller halves of the sides take the first or the last elements of the old numbering.
  for (const double cut : {1., 4.}) {
    SCOPED_TRACE(str_cat("cut at x = ", cut));
    const auto box = decorated_box(5, 1, 1);
    const auto& input = box.brep;
    const auto& block = input.block(box.block);
    BRepTopologyRebuilder rebuilder{input};
    rebuilder.add_block_facets_to_topology(
        block,
        block_facets_where(block.mesh(), [cut](const Point<3>& p) { return p.value(0) == cut; }));
    auto [rebuilt, mappings] = rebuilder.rebuild();
    ASSERT_EQ(rebuilt.nb_blocks(), 2u);

    const auto& elements = mappings.mesh_elements;
    expect_index_carried(
        elements.blocks, block.mesh().nb_polyhedra(),
        [&](const uuid& id) -> const SolidMesh<3>& { return rebuilt.block(id).mesh(); },
        [](const SolidMesh<3>& mesh) -> const AttributeManager& {
          return mesh.polyhedron_attribute_manager();
        });
    index_t nb_polygons = 0;
    for (const auto& surface : input.surfaces()) nb_polygons += surface.mesh().nb_polygons();
    expect_index_carried(
        elements.surfaces, nb_polygons,
        [&](const uuid& id) -> const SurfaceMesh<3>& { return rebuilt.surface(id).mesh(); },
        [](const SurfaceMesh<3>& mesh) -> const AttributeManager& {
          return mesh.polygon_attribute_manager();
        });
    index_t nb_edges = 0;
    for (const auto& line : input.lines()) nb_edges += line.mesh().nb_edges();
    expect_index_carried(
        elements.lines, nb_edges,
        [&](const uuid& id) -> const EdgedCurve<3>& { return rebuilt.line(id).mesh(); },
        [](const EdgedCurve<3>& mesh) -> const AttributeManager& {
          return mesh.edge_attribute_manager();
        });
    expect_vertex_function(rebuilt, &mappings.mesh_vertices);
  }
}

// The box [0, 2]^3 as two blocks on either side of x = 1, from one solid whose facets in that
// plane are surface facets; its vertices carry the vertex function.
BRep two_block_box() {
  testing::LatticeBox lattice{2, 2, 2};
  add_vertex_function(lattice.solid());
  auto [brep, vertices, elements] = convert_solid_elements_into_brep(
      lattice.solid(), {}, {}, lattice.plane_facets(0, 1., {0., 2.}, {0., 2.}));
  return std::move(brep);
}

TEST_F(BRepTopologyRebuilderTest, NonConformalSurfaceSplitsTheVerticesAlongIt) {
  const auto input = two_block_box();
  ASSERT_EQ(input.nb_blocks(), 2u);
  const Surface<3>* shared = nullptr;
  for (const auto& surface : input.surfaces()) {
    if (input.nb_incidences(surface) == 2) shared = &surface;
  }
  ASSERT_NE(shared, nullptr);
  ASSERT_EQ(input.nb_lines(), 1u);
  const auto& loop = *input.lines().begin();

  BRepTopologyRebuilder rebuilder{input};
  rebuilder.remove_conformity_on_model_surface(*shared);
  rebuilder.remove_conformity_on_model_surface(*shared);
  auto [rebuilt, mappings] = rebuilder.rebuild();
  test::expect_valid(rebuilt);
  EXPECT_EQ(rebuilt.nb_blocks(), 2u);
  EXPECT_EQ(rebuilt.nb_surfaces(), 4u);
  // The 3 x 3 vertices of the plane x = 1 are duplicated, and the blocks share none.
  EXPECT_EQ(rebuilt.nb_unique_vertices(), input.nb_unique_vertices() + 9);
  for (index_t unique = 0; unique < rebuilt.nb_unique_vertices(); ++unique) {
    std::set<uuid> blocks;
    for (const auto tie : rebuilt.component_mesh_vertices(unique)) {
      if (tie.component_id.type() == Block<3>::component_type_static()) {
        blocks.insert(tie.component_id.id());
      }
    }
    EXPECT_LE(blocks.size(), 1u) << "unique vertex " << unique;
  }

  // Each side of the old surface is a surface of its own, bounding one block.
  const auto& sides = components_of(mappings, "Surface").in2out(shared->id());
  ASSERT_EQ(sides.size(), 2u);
  for (const auto& side : sides) {
    EXPECT_EQ(rebuilt.nb_incidences(rebuilt.surface(side)), 1u);
    EXPECT_EQ(rebuilt.surface(side).mesh().nb_polygons(), shared->mesh().nb_polygons());
  }
  for (index_t vertex = 0; vertex < shared->mesh().nb_vertices(); ++vertex) {
    const auto& news = mappings.mesh_vertices.surfaces.in2out({shared->id(), vertex});
    ASSERT_EQ(news.size(), 2u);
    EXPECT_NE(news[0].component_id, news[1].component_id);
    for (const auto& vertex_copy : news) {
      EXPECT_EQ(rebuilt.surface(vertex_copy.component_id).mesh().point(vertex_copy.vertex),
                shared->mesh().point(vertex));
    }
  }
  // The line around the cut, on the model boundary, stays through both of its images.
  const auto& loops = components_of(mappings, "Line").in2out(loop.id());
  ASSERT_EQ(loops.size(), 2u);
  for (const auto& image : loops) {
    EXPECT_EQ(rebuilt.line(image).mesh().nb_edges(), loop.mesh().nb_edges());
  }
  EXPECT_EQ(rebuilt.nb_lines(), 2u);
  for (const auto& block : rebuilt.blocks()) {
    const auto values = block.mesh().vertex_attribute_manager().find_attribute<double>("f");
    for (index_t vertex = 0; vertex < block.mesh().nb_vertices(); ++vertex) {
      EXPECT_NEAR(values->value(vertex), f(block.mesh().point(vertex)), 1e-9);
    }
  }
}

TEST_F(BRepTopologyRebuilderTest, ComponentsOfAnotherModelAreRefusedAtOnce) {
  const auto box = testing::make_box_brep(1, 1, 1, Point<3>{{0, 0, 0}}, Point<3>{{1, 1, 1}});
  const auto other = testing::make_box_brep(1, 1, 1, Point<3>{{5, 0, 0}}, Point<3>{{6, 1, 1}});
  BRepTopologyRebuilder rebuilder{box.brep};
  const auto& foreign_surface = other.brep.surface(other.surfaces[3]);
  try {
    rebuilder.remove_conformity_on_model_surface(foreign_surface);
    FAIL() << "no exception";
  } catch (const VeyraConversionModelException& error) {
    EXPECT_EQ(error.type(), OstrelException::TYPE::internal);
    EXPECT_STREQ(error.what(),
                 "[BRepTopologyRebuilder::remove_conformity_on_model_surface] Cannot remove "
                 "conformity: Surface is not part of initial BRep.");
    EXPECT_EQ(std::any_cast<Point<3>>(error.data()), foreign_surface.mesh().point(0));
  }

  struct Case {
    std::string name;
    const Block<3>* block;
    PolyhedronFacet facet;
    std::string message;
  };
  const auto& block = box.brep.block(box.block);
  for (const auto& test_case :
       {Case{"foreign block",
             &other.brep.block(other.block),
             {0, 0},
             str_cat("[BRepTopologyRebuilder::add_block_facets_to_topology] Block ",
                     other.block.string(), " is not part of initial BRep.")},
        Case{"polyhedron out of range",
             &block,
             {6, 0},
             str_cat("[BRepTopologyRebuilder::add_block_facets_to_topology] Facet 6 0 is not a "
                     "polyhedron facet of the mesh of Block ",
                     box.block.string(), ".")},
        Case{"facet out of range",
             &block,
             {5, 4},
             str_cat("[BRepTopologyRebuilder::add_block_facets_to_topology] Facet 5 4 is not a "
                     "polyhedron facet of the mesh of Block ",
                     box.block.string(), ".")}}) {
    SCOPED_TRACE(test_case.name);
    try {
      rebuilder.add_block_facets_to_topology(*test_case.block, {test_case.facet});
      ADD_FAILURE() << "no exception";
    } catch (const VeyraConversionModelException& error) {
      EXPECT_EQ(error.type(), OstrelException::TYPE::input);
      EXPECT_EQ(std::string{error.what()}, test_case.message);
    }
  }
  // Nothing was registered: the box comes back as it was.
  const auto [rebuilt, mappings] = rebuilder.rebuild();
  EXPECT_EQ(rebuilt.nb_surfaces(), 6u);
  EXPECT_EQ(rebuilt.nb_blocks(), 1u);
}

// Adds a corner at unique vertex `unique` of the box (a block vertex) and returns it.
uuid add_corner_at(BRep& brep, BRepBuilder& builder, const uuid& block, index_t unique) {
  const auto id = builder.add_corner();
  builder.corner_mesh_builder(id)->create_point(brep.block(block).mesh().point(unique));
  builder.set_unique_vertex({brep.corner(id).component_id(), 0}, unique);
  return id;
}

TEST_F(BRepTopologyRebuilderTest, LineVertexInsertedBySplitIsInterpolatedLinearly) {
  // The box [0, 3]^3 with, inside its side z = 0, a single-edge line from (1, 1, 0) to
  // (2, 1, 0) between two corners. Rebuilding splits that line at its middle (a single-edge
  // line inside a surface cannot cut it), and the blocks and the surface with it.
  auto box = testing::make_box_brep(3, 3, 3, Point<3>{{0, 0, 0}}, Point<3>{{3, 3, 3}});
  auto& input = box.brep;
  uuid line_id;
  {
    BRepBuilder builder{input};
    const auto first = add_corner_at(input, builder, box.block, 5);
    const auto second = add_corner_at(input, builder, box.block, 6);
    line_id = builder.add_line();
    {
      auto mesh = builder.line_mesh_builder(line_id);
      mesh->create_point(Point<3>{{1, 1, 0}});
      mesh->create_point(Point<3>{{2, 1, 0}});
      mesh->create_edge(0, 1);
    }
    const auto& line = input.line(line_id);
    builder.set_unique_vertex({line.component_id(), 0}, 5);
    builder.set_unique_vertex({line.component_id(), 1}, 6);
    const auto& bottom = input.surface(box.surfaces[4]);
    builder.add_corner_line_boundary_relationship(input.corner(first), line);
    builder.add_corner_line_boundary_relationship(input.corner(second), line);
    builder.add_line_surface_internal_relationship(line, bottom);
    builder.add_corner_surface_internal_relationship(input.corner(first), bottom);
    builder.add_corner_surface_internal_relationship(input.corner(second), bottom);
  }
  test::expect_valid(input);
  const auto& line = input.line(line_id);
  auto values =
      line.mesh().vertex_attribute_manager().find_or_create_attribute<VariableAttribute, double>(
          "g", 0.);
  values->set_value(0, 2.);
  values->set_value(1, 6.);
  line.mesh()
      .edge_attribute_manager()
      .find_or_create_attribute<VariableAttribute, int>("kind", 0)
      ->set_value(0, 7);
  for (const auto& surface : input.surfaces()) add_vertex_function(surface.mesh());
  add_vertex_function(input.block(box.block).mesh());

  auto [rebuilt, mappings] = BRepTopologyRebuilder{input}.rebuild();
  test::expect_valid(rebuilt);
  const auto& images = components_of(mappings, "Line").in2out(line_id);
  ASSERT_EQ(images.size(), 1u);
  const auto& new_mesh = rebuilt.line(images.front()).mesh();
  ASSERT_EQ(new_mesh.nb_vertices(), 3u);
  ASSERT_EQ(new_mesh.nb_edges(), 2u);
  EXPECT_EQ(mappings.mesh_elements.lines.in2out({line_id, 0}).size(), 2u);
  // Both halves of the old edge keep its value.
  const auto kind = new_mesh.edge_attribute_manager().find_attribute<int>("kind");
  for (index_t edge = 0; edge < 2; ++edge) EXPECT_EQ(kind->value(edge), 7) << "edge " << edge;
  const auto new_values = new_mesh.vertex_attribute_manager().find_attribute<double>("g");
  index_t nb_inserted = 0;
  for (index_t vertex = 0; vertex < 3; ++vertex) {
    const auto& point = new_mesh.point(vertex);
    if (mappings.mesh_vertices.lines.has_mapping_output({images.front(), vertex})) {
      EXPECT_DOUBLE_EQ(new_values->value(vertex), point.value(0) == 1. ? 2. : 6.);
      continue;
    }
    ++nb_inserted;
    EXPECT_EQ(point, (Point<3>{{1.5, 1, 0}}));
    EXPECT_DOUBLE_EQ(new_values->value(vertex), 4.);
  }
  EXPECT_EQ(nb_inserted, 1u);
  // The split went through the surface and the block meshes, whose new vertex is interpolated
  // as well.
  for (const auto& surface : rebuilt.surfaces()) {
    const auto values_f = surface.mesh().vertex_attribute_manager().find_attribute<double>("f");
    for (index_t vertex = 0; vertex < surface.mesh().nb_vertices(); ++vertex) {
      EXPECT_NEAR(values_f->value(vertex), f(surface.mesh().point(vertex)), 1e-9);
    }
  }
  ASSERT_EQ(rebuilt.nb_blocks(), 1u);
  const auto& new_block = *rebuilt.blocks().begin();
  EXPECT_GT(new_block.mesh().nb_polyhedra(), input.block(box.block).mesh().nb_polyhedra());
  const auto block_f = new_block.mesh().vertex_attribute_manager().find_attribute<double>("f");
  for (index_t vertex = 0; vertex < new_block.mesh().nb_vertices(); ++vertex) {
    EXPECT_NEAR(block_f->value(vertex), f(new_block.mesh().point(vertex)), 1e-9);
  }
}

TEST_F(BRepTopologyRebuilderTest, SurfaceOutsideTheBlocksHasNoCounterpart) {
  // The unit box and, away from it, a closed tetrahedron skin as one surface without line:
  // its unique vertices are used by no block.
  auto box = testing::make_box_brep(1, 1, 1, Point<3>{{0, 0, 0}}, Point<3>{{1, 1, 1}});
  auto& input = box.brep;
  uuid outside;
  {
    BRepBuilder builder{input};
    outside = builder.add_surface(MeshImpl{"OstrelTriangulatedSurface3D"});
    {
      auto mesh = builder.surface_mesh_builder(outside);
      for (const auto& point :
           {Point<3>{{5, 0, 0}}, Point<3>{{6, 0, 0}}, Point<3>{{5, 1, 0}}, Point<3>{{5, 0, 1}}}) {
        mesh->create_point(point);
      }
      for (const auto& triangle :
           {std::array<index_t, 3>{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {0, 3, 2}}) {
        mesh->create_polygon(triangle);
      }
      mesh->compute_polygon_adjacencies();
    }
    const auto first = builder.create_unique_vertices(4);
    for (index_t vertex = 0; vertex < 4; ++vertex) {
      builder.set_unique_vertex({input.surface(outside).component_id(), vertex}, first + vertex);
    }
  }
  test::expect_valid(input);
  add_vertex_function(input.surface(outside).mesh());

  auto [rebuilt, mappings] = BRepTopologyRebuilder{input}.rebuild();
  test::expect_valid(rebuilt);
  EXPECT_EQ(rebuilt.nb_surfaces(), 6u);
  EXPECT_EQ(rebuilt.nb_blocks(), 1u);
  EXPECT_EQ(rebuilt.nb_unique_vertices(), 8u);
  EXPECT_FALSE(components_of(mappings, "Surface").has_mapping_input(outside));
  EXPECT_EQ(components_of(mappings, "Surface").size_in(), 6u);
  for (index_t vertex = 0; vertex < 4; ++vertex) {
    EXPECT_FALSE(mappings.mesh_vertices.surfaces.has_mapping_input({outside, vertex}));
  }
}

TEST_F(BRepTopologyRebuilderTest, LineOutsideTheBlocksCannotBeRebuilt) {
  auto box = testing::make_box_brep(1, 1, 1, Point<3>{{0, 0, 0}}, Point<3>{{1, 1, 1}});
  auto& input = box.brep;
  {
    BRepBuilder builder{input};
    const auto first = builder.create_unique_vertices(2);
    std::array<uuid, 2> corners;
    for (index_t end = 0; end < 2; ++end) {
      corners[end] = builder.add_corner();
      builder.corner_mesh_builder(corners[end])->create_point(Point<3>{{5. + end, 0, 0}});
      builder.set_unique_vertex({input.corner(corners[end]).component_id(), 0}, first + end);
    }
    const auto line = builder.add_line();
    auto mesh = builder.line_mesh_builder(line);
    mesh->create_point(Point<3>{{5, 0, 0}});
    mesh->create_point(Point<3>{{6, 0, 0}});
    mesh->create_edge(0, 1);
    for (index_t end = 0; end < 2; ++end) {
      builder.set_unique_vertex({input.line(line).component_id(), end}, first + end);
      builder.add_corner_line_boundary_relationship(input.corner(corners[end]), input.line(line));
    }
  }
  BRepTopologyRebuilder rebuilder{input};
  try {
    rebuilder.rebuild();
    FAIL() << "no exception";
  } catch (const VeyraConversionModelException& error) {
    EXPECT_EQ(error.type(), OstrelException::TYPE::internal);
    EXPECT_STREQ(error.what(),
                 "[BRepTopologyRebuilder::Impl::line_edges] Should have found an edge in the "
                 "solid corresponding to the line edge.");
    EXPECT_EQ(std::any_cast<Point<3>>(error.data()), (Point<3>{{5, 0, 0}}));
  }
}

}  // namespace
}  // namespace veyra
