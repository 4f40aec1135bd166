// SPDX-License-Identifier: MIT
// veyra meshes-to-brep FILE... -o OUT.tq_brep and veyra meshes-to-section FILE... -o OUT.tq_sctn:
// the library's main job. Each file's points, segments and polygons become point sets, curves
// and surface meshes (an MSH file gives one mesh per elementary entity and dimension), the
// meshes become one model tied where they touch, and the model is written natively and, with
// --vtk, as a .vtm multiblock for ParaView. A summary of the model goes to stdout.
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <absl/strings/ascii.h>

#include <ostrel/basic/logger.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/io/mesh_format.h>
#include <ostrel/mesh/io/read_mesh.h>
#include <ostrel/mesh/io/read_msh_entities.h>
#include <ostrel/mesh/io/write_mesh.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>
#include <ostrel/model/io/write_vtm.h>

#include <model/common/convert_meshes.h>
#include <model/common/library.h>

#include "../command.h"
#include "../model_files.h"

namespace veyra::tools {
namespace {

// The meshes read from all input files, sorted by kind, in file order.
template <index_t D>
struct MeshCollection {
  std::vector<std::unique_ptr<PointSet<D>>> point_sets;
  std::vector<std::unique_ptr<EdgedCurve<D>>> curves;
  std::vector<std::unique_ptr<SurfaceMesh<D>>> surfaces;

  void add(LoadedMesh mesh, std::string_view file) {
    switch (mesh.kind()) {
      case MeshKind::point_set:
        point_sets.push_back(mesh.release<PointSet<D>>());
        return;
      case MeshKind::edged_curve:
        curves.push_back(mesh.release<EdgedCurve<D>>());
        return;
      case MeshKind::surface:
        surfaces.push_back(mesh.release<SurfaceMesh<D>>());
        return;
      case MeshKind::solid:
        throw OstrelMeshException{nullptr, OstrelException::TYPE::input, file,
                                  ": volume elements cannot become corners, lines or surfaces"};
    }
  }

  template <typename Mesh>
  static std::vector<std::reference_wrapper<const Mesh>> references(
      const std::vector<std::unique_ptr<Mesh>>& meshes) {
    std::vector<std::reference_wrapper<const Mesh>> result;
    result.reserve(meshes.size());
    for (const auto& mesh : meshes) result.emplace_back(*mesh);
    return result;
  }
};

bool is_msh(std::string_view path) { return mesh_format_from_path(path) == MeshFormat::msh; }

template <index_t D>
MeshCollection<D> read_meshes(const std::vector<std::string>& files) {
  MeshReadOptions options;
  options.dimension = D;
  MeshCollection<D> meshes;
  for (const auto& file : files) {
    if (!is_msh(file)) {
      meshes.add(read_mesh(file, options), file);
      continue;
    }
    for (auto& entity : read_msh_entities(file, options)) {
      // Volume entities of a Gmsh file sit beside their boundary surfaces: only the latter
      // describe the model.
      if (entity.dimension == 3) {
        Logger::log_warn("Skipped volume entity ", entity.entity, " of ", file);
        continue;
      }
      meshes.add(std::move(entity.mesh), file);
    }
  }
  return meshes;
}

template <typename Mappings>
index_t count(const Mappings& lists, std::string_view type) {
  const ComponentType key{std::string{type}};
  return lists.has_mapping_type(key) ? static_cast<index_t>(lists.at(key).size()) : 0;
}

template <typename Mappings>
void print_changes(std::ostream& out, std::string_view title, const Mappings& lists,
                   bool with_blocks) {
  out << title << ":";
  for (const auto* type : {"Corner", "Line", "Surface", "Block", "ModelBoundary"}) {
    if (!with_blocks && std::string_view{type} == "Block") continue;
    out << ' ' << count(lists, type) << ' ' << type;
  }
  out << '\n';
}

template <typename Model>
void print_summary(std::ostream& out, const Model& model, const ModelMappings<Model>& mappings,
                   index_t nb_meshes, std::string_view output) {
  constexpr bool brep = Model::dim == 3;
  out << "Read " << nb_meshes << " meshes\n";
  out << (brep ? "BRep" : "Section") << ": " << model.nb_corners() << " corners, "
      << model.nb_lines() << " lines, " << model.nb_surfaces() << " surfaces";
  if constexpr (brep) out << ", " << model.nb_blocks() << " blocks";
  out << ", " << model.nb_model_boundaries() << " model boundaries\n";
  print_changes(out, "Created", mappings.created_components, brep);
  print_changes(out, "Removed", mappings.removed_components, brep);
  out << "Wrote " << output << '\n';
}

template <typename Model>
class MeshesToModelCommand final : public Command {
  static constexpr index_t D = Model::dim;
  static constexpr bool brep = D == 3;

 public:
  CLI::App* add_to(CLI::App& program) override {
    auto* command = program.add_subcommand(
        brep ? "meshes-to-brep" : "meshes-to-section",
        brep ? "Build a BRep from surface, curve and point meshes tied where they touch: "
               "corners, lines, surfaces, blocks and model boundaries"
             : "Build a Section from 2D surface, curve and point meshes tied where they touch");
    command
        ->add_option("files", inputs_,
                     "Mesh files (msh, off, obj, stl, vtk, vtu, vtp); an MSH file gives one mesh "
                     "per elementary entity and dimension")
        ->required()
        ->check(CLI::ExistingFile);
    command
        ->add_option("-o,--output", output_,
                     brep ? "Model file to write (.tq_brep)" : "Model file to write (.tq_sctn)")
        ->required()
        ->check([](const std::string& path) -> std::string {
          const auto kind = model_file_kind(path);
          const auto expected = brep ? ModelFileKind::brep : ModelFileKind::section;
          if (kind == expected) return {};
          return brep ? "the output must end in .tq_brep" : "the output must end in .tq_sctn";
        });
    command->add_option("--vtk", vtk_output_, "Also write the model as a .vtm multiblock");
    return command;
  }

  void run() override {
    VeyraConversionModelLibrary::initialize();
    const auto meshes = read_meshes<D>(inputs_);
    const auto point_sets = MeshCollection<D>::references(meshes.point_sets);
    const auto curves = MeshCollection<D>::references(meshes.curves);
    const auto surfaces = MeshCollection<D>::references(meshes.surfaces);
    const auto nb_meshes =
        static_cast<index_t>(point_sets.size() + curves.size() + surfaces.size());
    if constexpr (brep) {
      auto [model, mappings] = convert_meshes_into_brep(point_sets, curves, surfaces);
      save_brep(model, output_);
      write_views(model);
      print_summary(std::cout, model, mappings, nb_meshes, output_);
    } else {
      auto [model, mappings] = convert_meshes_into_section(point_sets, curves, surfaces);
      save_section(model, output_);
      write_views(model);
      print_summary(std::cout, model, mappings, nb_meshes, output_);
    }
  }

 private:
  void write_views(const Model& model) const {
    if (vtk_output_.empty()) return;
    const auto files = write_vtm(model, vtk_output_);
    Logger::log_info("Wrote ", vtk_output_, " (", files.size(), " files)");
  }

  std::vector<std::string> inputs_;
  std::string output_;
  std::string vtk_output_;
};

// Two commands from one class template: registered by hand, since the registration macro
// makes one registration per file.
[[maybe_unused]] const bool brep_command_registered =
    register_command("meshes-to-brep", []() -> std::unique_ptr<Command> {
      return std::make_unique<MeshesToModelCommand<BRep>>();
    });
[[maybe_unused]] const bool section_command_registered =
    register_command("meshes-to-section", []() -> std::unique_ptr<Command> {
      return std::make_unique<MeshesToModelCommand<Section>>();
    });

}  // namespace
}  // namespace veyra::tools
