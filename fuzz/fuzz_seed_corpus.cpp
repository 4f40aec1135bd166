// SPDX-License-Identifier: MIT
// fuzz_seed_corpus FOLDER: writes the seed corpus of every fuzz target into FOLDER/<target>/:
// small meshes of each kind written by the project's writers in each format they write, the
// sample files of examples/data in the target's format, and small models saved by save_brep and
// save_section (as payloads, the form the model targets mutate, and one whole file each).
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <iostream>
#include <memory>

#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/mesh/io/mesh_format.h>
#include <ostrel/mesh/io/write_mesh.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>
#include <ostrel/model/section_builder.h>
#include <veyra_testing/model_generators.h>

#include "fuzz_model_target.h"

namespace {

namespace fs = std::filesystem;
using veyra::index_t;

void add_attributes(veyra::AttributeManager& manager) {
  auto real = manager.find_or_create_attribute<veyra::VariableAttribute, double>("real", 0.);
  auto vector = manager.find_or_create_attribute<veyra::VariableAttribute, std::array<float, 3>>(
      "vector", {});
  auto entity = manager.find_or_create_attribute<veyra::VariableAttribute, int>("gmsh_entity", 1);
  for (index_t e = 0; e < manager.nb_elements(); ++e) {
    real->set_value(e, e * 0.5);
    vector->set_value(e, {1.f * e, 2.f, 3.f});
    entity->set_value(e, static_cast<int>(e % 2 + 1));
  }
}

template <typename Builder>
void add_points(Builder& builder, index_t nb) {
  for (index_t v = 0; v < nb; ++v) {
    builder.create_point(veyra::Point<3>{{1. * (v % 2), 1. * ((v / 2) % 2), 1. * (v / 4)}});
  }
}

std::unique_ptr<veyra::PointSet<3>> point_set() {
  auto mesh = veyra::PointSet<3>::create();
  add_points(*veyra::PointSetBuilder<3>::create(*mesh), 4);
  add_attributes(mesh->vertex_attribute_manager());
  return mesh;
}

std::unique_ptr<veyra::EdgedCurve<3>> curve() {
  auto mesh = veyra::EdgedCurve<3>::create();
  auto builder = veyra::EdgedCurveBuilder<3>::create(*mesh);
  add_points(*builder, 4);
  builder->create_edge(0, 1);
  builder->create_edge(1, 3);
  builder->create_edge(3, 2);
  add_attributes(mesh->edge_attribute_manager());
  return mesh;
}

std::unique_ptr<veyra::SurfaceMesh<3>> surface() {
  auto mesh = veyra::PolygonalSurface<3>::create();
  auto builder = veyra::SurfaceMeshBuilder<3>::create(*mesh);
  add_points(*builder, 8);
  builder->create_polygon(std::vector<index_t>{0, 1, 3, 2});
  builder->create_polygon(std::vector<index_t>{4, 5, 7});
  builder->create_polygon(std::vector<index_t>{4, 7, 6});
  builder->compute_polygon_adjacencies();
  add_attributes(mesh->polygon_attribute_manager());
  add_attributes(mesh->vertex_attribute_manager());
  return mesh;
}

std::unique_ptr<veyra::SolidMesh<3>> solid(bool tetrahedra_only) {
  std::unique_ptr<veyra::SolidMesh<3>> mesh;
  if (tetrahedra_only) {
    mesh = veyra::TetrahedralSolid<3>::create();
  } else {
    mesh = veyra::PolyhedralSolid<3>::create();
  }
  auto builder = veyra::SolidMeshBuilder<3>::create(*mesh);
  add_points(*builder, 8);
  builder->create_point(veyra::Point<3>{{0.5, 0.5, 2.}});
  const std::vector<std::vector<veyra::local_index_t>> tetrahedron{
      {1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}};
  builder->create_polyhedron(std::vector<index_t>{0, 1, 2, 4}, tetrahedron);
  builder->create_polyhedron(std::vector<index_t>{1, 3, 2, 7}, tetrahedron);
  if (!tetrahedra_only) {
    builder->create_polyhedron(std::vector<index_t>{4, 5, 7, 6, 8},
                               {{0, 3, 2, 1}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}});
  }
  builder->compute_polyhedron_adjacencies();
  add_attributes(mesh->polyhedron_attribute_manager());
  return mesh;
}

template <typename Mesh>
void write(const Mesh& mesh, const fs::path& folder, std::string_view name,
           std::string_view extension, bool binary = true) {
  veyra::MeshWriteOptions options;
  options.binary = binary;
  veyra::write_mesh(mesh, (folder / veyra::str_cat(name, ".", extension)).string(), options);
}

void write_bytes(const fs::path& file, std::string_view bytes) {
  std::ofstream stream{file, std::ios::binary | std::ios::trunc};
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_bytes(const fs::path& file) {
  std::ifstream stream{file, std::ios::binary};
  return {std::istreambuf_iterator<char>{stream}, {}};
}

/// Saves the model and writes its payload and, for the first one, the whole file.
template <typename Model, typename Save>
void write_model(const Model& model, Save save, const fs::path& folder, std::string_view name,
                 std::string_view extension, bool whole) {
  const auto file = folder / veyra::str_cat(name, extension);
  save(model, file.string());
  const auto bytes = read_bytes(file);
  if (!whole) fs::remove(file);
  write_bytes(folder / veyra::str_cat(name, ".payload"), veyra::fuzz::model_payload(bytes));
}

/// The generated box with what the file format carries beyond it: names, flags, attributes,
/// edge and facet tables, a collection and an internal relation.
veyra::BRep rich_box() {
  auto box = veyra::testing::make_box_brep(1, 1, 1, veyra::Point<3>{{0, 0, 0}},
                                           veyra::Point<3>{{1, 1, 1}});
  auto& brep = box.brep;
  veyra::BRepBuilder builder{brep};
  builder.set_name("box");
  builder.set_corner_name(box.corners[0], "origin");
  builder.set_line_active(box.lines[1], false);
  const auto& surface = brep.surface(box.surfaces[0]).mesh();
  surface.polygon_attribute_manager()
      .find_or_create_attribute<veyra::VariableAttribute, double>("height", 0.5)
      ->set_value(0, -2.);
  surface.vertex_attribute_manager()
      .find_or_create_attribute<veyra::SparseAttribute, std::array<double, 3>>("normal", {})
      ->set_value(1, {0., 0., 1.});
  const_cast<veyra::SurfaceMesh<3>&>(surface).enable_edges();
  auto& block = const_cast<veyra::SolidMesh<3>&>(brep.block(box.block).mesh());
  block.enable_edges();
  block.enable_facets();
  block.polyhedron_attribute_manager()
      .find_or_create_attribute<veyra::VariableAttribute, int>("region", 1)
      ->set_value(0, 2);
  const auto collection = builder.add_line_collection();
  builder.set_line_collection_name(collection, "edges");
  builder.add_line_in_line_collection(brep.line(box.lines[0]), brep.line_collection(collection));
  builder.add_internal_relation(brep.corner(box.corners[7]).component_id(),
                                brep.block(box.block).component_id());
  return std::move(brep);
}

void write_models(const fs::path& root) {
  const auto breps = root / "fuzz_load_brep";
  fs::create_directories(breps);
  const auto save_brep = [](const veyra::BRep& brep, const std::string& path) {
    veyra::save_brep(brep, path);
  };
  write_model(rich_box(), save_brep, breps, "rich_box", ".tq_brep", true);
  const auto box = veyra::testing::make_box_brep(2, 1, 1, veyra::Point<3>{{0, 0, 0}},
                                                 veyra::Point<3>{{2, 1, 1}});
  write_model(box.brep, save_brep, breps, "box", ".tq_brep", false);
  write_model(veyra::BRep{}, save_brep, breps, "empty", ".tq_brep", false);

  const auto sections = root / "fuzz_load_section";
  fs::create_directories(sections);
  const auto save_section = [](const veyra::Section& section, const std::string& path) {
    veyra::save_section(section, path);
  };
  auto squares = veyra::testing::make_two_squares_section(1);
  {
    veyra::SectionBuilder builder{squares.section};
    builder.set_surface_name(squares.surfaces[1], "right");
    const auto& mesh = squares.section.surface(squares.surfaces[0]).mesh();
    const_cast<veyra::SurfaceMesh<2>&>(mesh).enable_edges();
    mesh.vertex_attribute_manager()
        .find_or_create_attribute<veyra::VariableAttribute, float>("weight", 1.f)
        ->set_value(0, 3.f);
  }
  write_model(squares.section, save_section, sections, "two_squares", ".tq_sctn", true);
  write_model(veyra::testing::make_two_squares_section(2).section, save_section, sections,
              "two_squares_2", ".tq_sctn", false);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_seed_corpus FOLDER\n";
    return 1;
  }
  const fs::path root{argv[1]};
  const std::array<std::pair<std::string_view, std::string_view>, 7> targets{{
      {"fuzz_msh", "msh"},
      {"fuzz_off", "off"},
      {"fuzz_obj", "obj"},
      {"fuzz_stl", "stl"},
      {"fuzz_vtk_legacy", "vtk"},
      {"fuzz_vtk_xml", "vtu"},
      {"fuzz_vtk_xml", "vtp"},
  }};
  for (const auto& [target, extension] : targets) {
    const auto folder = root / target;
    fs::create_directories(folder);
    for (const auto& entry : fs::recursive_directory_iterator{VEYRA_EXAMPLE_DATA_DIR}) {
      if (entry.path().extension() == veyra::str_cat(".", extension)) {
        fs::copy_file(entry.path(), folder / entry.path().filename(),
                      fs::copy_options::overwrite_existing);
      }
    }
    if (extension == "stl" || extension == "vtk") continue;
    write(*point_set(), folder, "point_set", extension);
    write(*curve(), folder, "curve", extension);
    write(*surface(), folder, "surface", extension);
    if (extension == "msh" || extension == "vtu") {
      write(*solid(true), folder, "tetrahedra", extension);
      write(*solid(false), folder, "mixed", extension);
    }
    if (extension == "vtu" || extension == "vtp") {
      write(*surface(), folder, "surface_ascii", extension, false);
    }
  }
  write_models(root);
  return 0;
}
