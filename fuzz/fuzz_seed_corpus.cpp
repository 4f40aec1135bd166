// SPDX-License-Identifier: MIT
// fuzz_seed_corpus FOLDER: writes the seed corpus of every fuzz target into FOLDER/<target>/:
// small meshes of each kind written by the project's writers in each format they write, and the
// sample files of examples/data in the target's format.
#include <array>
#include <filesystem>
#include <iostream>
#include <memory>

#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/io/mesh_format.h>
#include <ostrel/mesh/io/write_mesh.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>

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
  return 0;
}
