// SPDX-License-Identifier: MIT
// veyra solid-to-brep MESH -o OUT.tq_brep [--attribute NAME] [--vtk OUT.vtm]: a solid mesh whose
// polyhedra carry a region value (Gmsh physical tags by default) becomes a BRep with one block
// per connected region, surfaces where regions meet and on the skin, and the lines and corners
// where surfaces meet. The model is written natively and, with --vtk, as a .vtm multiblock; a
// summary goes to stdout.
#include <model/common/library.h>
#include <model/element_meshes/brep_from_solid_elements_builder.h>
#include <model/element_meshes/surface_facets_from_attribute.h>
#include <ostrel/basic/logger.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/io/read_mesh.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/write_vtm.h>

#include <iostream>
#include <string>

#include "../command.h"
#include "../model_files.h"

namespace veyra::tools {
namespace {

class SolidToBRepCommand final : public Command {
 public:
  CLI::App* add_to(CLI::App& program) override {
    auto* command = program.add_subcommand(
        "solid-to-brep",
        "Build a BRep with block meshes from a solid mesh whose polyhedra carry region values: "
        "surfaces where the values change and on the skin, one block per connected region");
    command->add_option("mesh", input_, "Solid mesh file (msh, vtk, vtu)")
        ->required()
        ->check(CLI::ExistingFile);
    command->add_option("-o,--output", output_, "Model file to write (.tq_brep)")
        ->required()
        ->check([](const std::string& path) -> std::string {
          return model_file_kind(path) == ModelFileKind::brep ? ""
                                                              : "the output must end in .tq_brep";
        });
    command->add_option("--attribute", attribute_,
                        "Polyhedron attribute holding the regions (default gmsh_physical)");
    command->add_option("--vtk", vtk_output_, "Also write the model as a .vtm multiblock");
    return command;
  }

  void run() override {
    VeyraConversionModelLibrary::initialize();
    auto mesh = read_mesh(input_);
    if (mesh.kind() != MeshKind::solid) {
      throw OstrelMeshException{nullptr,     OstrelException::TYPE::input, input_,
                                " holds a ", mesh_kind_name(mesh.kind()),  ", not a solid"};
    }
    auto solid = mesh.release<SolidMesh<3>>();
    const auto nb_polyhedra = solid->nb_polyhedra();
    const auto facets = surface_facets_from_attribute(*solid, attribute_);
    const auto [brep, vertices, elements] =
        convert_solid_elements_into_brep(*solid, {}, {}, facets);
    save_brep(brep, output_);
    if (!vtk_output_.empty()) {
      const auto files = write_vtm(brep, vtk_output_);
      Logger::log_info("Wrote ", vtk_output_, " (", files.size(), " files)");
    }
    std::cout << "Read " << input_ << ": " << solid->nb_vertices() << " vertices, " << nb_polyhedra
              << " polyhedra\n";
    std::cout << "Surface facets from " << attribute_ << ": " << facets.size() << '\n';
    std::cout << "BRep: " << brep.nb_corners() << " corners, " << brep.nb_lines() << " lines, "
              << brep.nb_surfaces() << " surfaces, " << brep.nb_blocks() << " blocks, "
              << brep.nb_model_boundaries() << " model boundaries\n";
    std::cout << "Wrote " << output_ << '\n';
  }

 private:
  std::string input_;
  std::string output_;
  std::string attribute_{"gmsh_physical"};
  std::string vtk_output_;
};

}  // namespace
}  // namespace veyra::tools

VEYRA_REGISTER_COMMAND("solid-to-brep", veyra::tools::SolidToBRepCommand)
