// SPDX-License-Identifier: MIT
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <absl/container/flat_hash_map.h>

#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/section_builder.h>

#include "model/io/binary_stream.h"
#include "model_fixtures.h"

namespace veyra {
namespace {

namespace fs = std::filesystem;

class ModelFiles : public ::testing::Test {
 protected:
  ModelFiles() : folder_(fs::path{::testing::TempDir()} / ("model_io_" + uuid{}.string())) {
    fs::create_directories(folder_);
  }
  ~ModelFiles() override { fs::remove_all(folder_); }

  std::string path(const std::string& name) const { return (folder_ / name).string(); }

  static std::string bytes(const std::string& file) {
    std::ifstream stream{file, std::ios::binary};
    return {std::istreambuf_iterator<char>{stream}, {}};
  }
  static void write(const std::string& file, const std::string& content) {
    std::ofstream{file, std::ios::binary} << content;
  }
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator{folder_}) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path folder_;
};

/// The cube with everything a file must carry: attributes of several types and storages,
/// names, flags, an edge table numbered out of first-appearance order, a curve whose edge ends
/// were attached out of edge order, a collection and a removed component.
BRep rich_cube() {
  auto cube = test::make_cube();
  auto& brep = cube.brep;
  BRepBuilder builder{brep};
  const auto& surface = brep.surface(cube.surfaces[0]);
  auto& polygons = surface.mesh().polygon_attribute_manager();
  polygons.find_or_create_attribute<VariableAttribute, double>("height", 0.5)->set_value(0, -2);
  polygons.find_or_create_attribute<SparseAttribute, uuid>("owner", uuid{})->set_value(0, uuid{});
  auto& vertices = surface.mesh().vertex_attribute_manager();
  vertices.find_or_create_attribute<VariableAttribute, std::array<double, 3>>("normal", {})
      ->set_value(2, {1, 0, 0});
  vertices
      .find_or_create_attribute<VariableAttribute, bool>("fixed", false,
                                                         AttributeProperties{false, false, true})
      ->set_value(1, true);
  absl::flat_hash_map<uuid, index_t> map;
  for (index_t i = 0; i < 4; ++i) map.emplace(uuid{}, i);
  vertices.find_or_create_attribute<SparseAttribute, absl::flat_hash_map<uuid, index_t>>("map", {})
      ->set_value(3, map);

  // A second polygon and a deleted first one leave isolated entries in the edge table.
  {
    auto mesh = builder.surface_mesh_builder(cube.surfaces[1]);
    const auto extra = mesh->create_point(Point<3>{{5, 5, 5}});
    const_cast<SurfaceMesh<3>&>(brep.surface(cube.surfaces[1]).mesh()).enable_edges();
    mesh->create_polygon(std::vector<index_t>{1, extra, 2});
    mesh->set_polygon_adjacent({2, 2}, 0);
    mesh->delete_polygons({true, false, false});
  }
  brep.surface(cube.surfaces[1])
      .mesh()
      .edges()
      .edge_attribute_manager()
      .find_or_create_attribute<VariableAttribute, index_t>("rank", NO_ID)
      ->set_value(1, 4);
  {
    auto mesh = builder.line_mesh_builder(cube.lines[3]);
    mesh->create_point(Point<3>{{2, 2, 2}});
    const auto edge = mesh->create_edge(1, 2);
    mesh->set_edge_vertex({0, 1}, 2);  // edge 0 now ends at vertex 2, attached after edge 1
    mesh->create_edge();               // both ends unset
    brep.line(cube.lines[3])
        .mesh()
        .edge_attribute_manager()
        .find_or_create_attribute<VariableAttribute, float>("weight", 1.f)
        ->set_value(edge, 2.5f);
  }
  // A polyhedral block (a prism and a tetrahedron) with both tables enabled, in a block
  // collection.
  {
    const auto prism = builder.add_block();
    auto mesh = builder.block_mesh_builder(prism);
    for (index_t v = 0; v < 7; ++v) mesh->create_point(Point<3>{{double(v), 0, double(v % 2)}});
    auto& solid = const_cast<SolidMesh<3>&>(brep.block(prism).mesh());
    solid.enable_facets();
    mesh->create_polyhedron(std::vector<index_t>{0, 1, 2, 3, 4, 5},
                            std::vector<std::vector<local_index_t>>{
                                {0, 1, 2}, {3, 5, 4}, {0, 3, 4, 1}, {1, 4, 5, 2}, {0, 2, 5, 3}});
    mesh->create_polyhedron(
        std::vector<index_t>{3, 4, 5, 6},
        std::vector<std::vector<local_index_t>>{{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {2, 3, 0}});
    solid.enable_edges();
    mesh->compute_polyhedron_adjacencies();
    // A deleted tetrahedron leaves isolated entries in both tables.
    mesh->create_polyhedron(
        std::vector<index_t>{0, 1, 2, 6},
        std::vector<std::vector<local_index_t>>{{1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}});
    mesh->delete_polyhedra({false, false, true});
    brep.block(prism)
        .mesh()
        .polyhedron_attribute_manager()
        .find_or_create_attribute<VariableAttribute, int>("region", -1)
        ->set_value(1, 3);
    const auto collection = builder.add_block_collection();
    builder.set_block_collection_name(collection, "solids");
    builder.add_block_in_block_collection(brep.block(prism), brep.block_collection(collection));
    builder.set_block_active(prism, false);
    builder.set_unique_vertex({brep.block(prism).component_id(), 6}, 7);
  }
  builder.set_line_active(cube.lines[5], false);
  builder.set_corner_name(cube.corners[2], "");
  builder.remove_line(brep.line(cube.lines[11]));
  builder.add_internal_relation(brep.corner(cube.corners[1]).component_id(),
                                brep.surface(cube.surfaces[3]).component_id());
  builder.add_surface_collection();
  builder.create_unique_vertices(2);  // isolated unique vertices are kept
  return std::move(brep);
}

TEST_F(ModelFiles, SaveLoadSaveGivesTheSameBytes) {
  const auto brep = rich_cube();
  const auto first = path("cube.tq_brep");
  EXPECT_EQ(save_brep(brep, first), std::vector<std::string>{first});
  const auto loaded = load_brep(first);
  const auto second = path("again.tq_brep");
  save_brep(loaded, second);
  EXPECT_EQ(bytes(first), bytes(second));
  EXPECT_EQ(files(), (std::vector<std::string>{"again.tq_brep", "cube.tq_brep"}));

  EXPECT_EQ(loaded.id(), brep.id());
  EXPECT_EQ(loaded.relations(), brep.relations());
  EXPECT_EQ(loaded.nb_unique_vertices(), brep.nb_unique_vertices());
  for (index_t unique_vertex = 0; unique_vertex < brep.nb_unique_vertices(); ++unique_vertex) {
    EXPECT_EQ(std::vector<ComponentMeshVertex>(loaded.component_mesh_vertices(unique_vertex)),
              std::vector<ComponentMeshVertex>(brep.component_mesh_vertices(unique_vertex)));
  }
  std::vector<uuid> lines;
  for (const auto& line : brep.lines()) {
    const auto& copy = loaded.line(line.id());
    EXPECT_EQ(copy.is_active(), line.is_active());
    EXPECT_EQ(copy.mesh().id(), line.mesh().id());
    for (index_t v = 0; v < line.mesh().nb_vertices(); ++v) {
      EXPECT_EQ(copy.mesh().edges_around_vertex(v), line.mesh().edges_around_vertex(v));
    }
    lines.push_back(line.id());
  }
  std::vector<uuid> loaded_lines;
  for (const auto& line : loaded.lines()) loaded_lines.push_back(line.id());
  EXPECT_EQ(loaded_lines, lines);
  for (const auto& surface : brep.surfaces()) {
    const auto& original = surface.mesh();
    const auto& copy = loaded.surface(surface.id()).mesh();
    ASSERT_EQ(copy.are_edges_enabled(), original.are_edges_enabled());
    if (!original.are_edges_enabled()) continue;
    ASSERT_EQ(copy.edges().nb_edges(), original.edges().nb_edges());
    for (index_t e = 0; e < original.edges().nb_edges(); ++e) {
      EXPECT_EQ(copy.edges().edge_vertices(e), original.edges().edge_vertices(e));
    }
  }

  for (const auto& block : brep.blocks()) {
    const auto& original = block.mesh();
    const auto& copy = loaded.block(block.id()).mesh();
    EXPECT_EQ(copy.impl_name(), original.impl_name());
    ASSERT_EQ(copy.nb_polyhedra(), original.nb_polyhedra());
    for (index_t p = 0; p < original.nb_polyhedra(); ++p) {
      EXPECT_EQ(copy.polyhedron_vertices(p), original.polyhedron_vertices(p));
      for (local_index_t f = 0; f < original.nb_polyhedron_facets(p); ++f) {
        EXPECT_EQ(copy.polyhedron_facet_vertices({p, f}),
                  original.polyhedron_facet_vertices({p, f}));
        EXPECT_EQ(copy.polyhedron_adjacent({p, f}), original.polyhedron_adjacent({p, f}));
      }
    }
    ASSERT_EQ(copy.are_facets_enabled(), original.are_facets_enabled());
    if (original.are_facets_enabled()) {
      ASSERT_EQ(copy.facets().nb_facets(), original.facets().nb_facets());
      // The last entry came from the deleted tetrahedron.
      EXPECT_TRUE(copy.facets().is_facet_isolated(copy.facets().nb_facets() - 1));
      for (index_t f = 0; f < original.facets().nb_facets(); ++f) {
        EXPECT_EQ(copy.facets().facet_vertices(f), original.facets().facet_vertices(f));
      }
    }
  }

  const auto square = test::make_square();
  const auto section_file = path("square.tq_sctn");
  save_section(square.section, section_file);
  const auto section = load_section(section_file);
  save_section(section, path("square2.tq_sctn"));
  EXPECT_EQ(bytes(section_file), bytes(path("square2.tq_sctn")));
  EXPECT_EQ(section.nb_surfaces(), 2);
}

TEST_F(ModelFiles, DamagedOrForeignFilesThrow) {
  const auto file = path("cube.tq_brep");
  save_brep(rich_cube(), file);
  const auto content = bytes(file);
  const auto damaged = path("damaged.tq_brep");
  for (std::size_t size = 0; size < content.size(); size += 7) {
    write(damaged, content.substr(0, size));
    EXPECT_THROW((void)load_brep(damaged), OstrelModelException) << "cut at " << size;
  }
  std::mt19937 random{7};
  for (int trial = 0; trial < 200; ++trial) {
    auto flipped = content;
    const int nb_flips = 1 + trial % 3;
    for (int f = 0; f < nb_flips; ++f) {
      const auto position =
          std::uniform_int_distribution<std::size_t>{0, content.size() - 1}(random);
      flipped[position] = static_cast<char>(flipped[position] ^ (1 + random() % 255));
    }
    write(damaged, flipped);
    EXPECT_THROW((void)load_brep(damaged), OstrelModelException) << "trial " << trial;
  }

  const auto message = [](const std::function<void()>& call) -> std::string {
    try {
      call();
    } catch (const OstrelModelException& exception) {
      EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
      return exception.what();
    }
    return "no exception";
  };
  write(damaged, content.substr(0, content.size() - 1));
  EXPECT_EQ(message([&] { (void)load_brep(damaged); }),
            "[load_brep] File " + damaged + " is truncated: " + std::to_string(content.size() - 1) +
                " bytes, " + std::to_string(content.size()) + " expected");
  auto corrupted = content;
  corrupted[content.size() / 2] ^= 1;
  write(damaged, corrupted);
  EXPECT_EQ(message([&] { (void)load_brep(damaged); }),
            "[load_brep] File " + damaged + " is corrupted: checksum mismatch");
  write(damaged, "solid cube\nendsolid cube\n");
  EXPECT_EQ(message([&] { (void)load_brep(damaged); }),
            "[load_brep] File " + damaged + " is not a native model file");
  const auto section = path("square.tq_sctn");
  save_section(test::make_square().section, section);
  EXPECT_EQ(message([&] { (void)load_brep(section); }),
            "[load_brep] File " + section + " holds a Section, not a BRep");
  EXPECT_EQ(message([&] { save_brep(BRep{}, path("cube.vtu")); }),
            "[save_brep] The file name must end with .tq_brep: " + path("cube.vtu"));
  EXPECT_EQ(message([&] { (void)load_section(path("missing.tq_sctn")); }),
            "[load_section] File " + path("missing.tq_sctn") + " cannot be opened");
}

// The parser on its own, behind a checksum that matches: damaged content gives an exception or a
// model, never a crash, and a shortened payload always gives an exception.
TEST_F(ModelFiles, ParserChecksContentEvenWhenTheChecksumMatches) {
  const auto file = path("cube.tq_brep");
  save_brep(rich_cube(), file);
  const auto content = bytes(file);
  constexpr std::size_t header_size = 21;
  const auto payload = content.substr(header_size, content.size() - header_size - 8);
  const auto rebuild = [&](const std::string& new_payload) {
    auto result = content.substr(0, header_size - 8);
    const std::uint64_t size = new_payload.size();
    result.append(reinterpret_cast<const char*>(&size), 8);
    result += new_payload;
    const auto sum = internal::checksum(new_payload);
    result.append(reinterpret_cast<const char*>(&sum), 8);
    return result;
  };
  const auto damaged = path("damaged.tq_brep");
  write(damaged, rebuild(payload));
  EXPECT_NO_THROW((void)load_brep(damaged));
  for (std::size_t size = 0; size < payload.size(); size += 11) {
    write(damaged, rebuild(payload.substr(0, size)));
    EXPECT_THROW((void)load_brep(damaged), OstrelModelException) << "payload cut at " << size;
  }
  std::mt19937 random{11};
  for (int trial = 0; trial < 300; ++trial) {
    auto flipped = payload;
    const auto position = std::uniform_int_distribution<std::size_t>{0, payload.size() - 1}(random);
    flipped[position] = static_cast<char>(random() % 256);
    write(damaged, rebuild(flipped));
    try {
      (void)load_brep(damaged);
    } catch (const OstrelModelException& exception) {
      EXPECT_EQ(exception.type(), OstrelException::TYPE::input);
    }
  }
}

}  // namespace
}  // namespace veyra
