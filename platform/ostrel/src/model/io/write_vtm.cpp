// SPDX-License-Identifier: MIT
#include <ostrel/model/io/write_vtm.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <absl/strings/ascii.h>

#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/model/block.h>
#include <ostrel/model/corner.h>
#include <ostrel/model/line.h>
#include <ostrel/model/surface.h>

namespace veyra {
namespace {

namespace fs = std::filesystem;

std::string xml_escape(std::string_view text) {
  std::string escaped;
  for (const auto c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped.push_back(c);
    }
  }
  return escaped;
}

template <typename... Args>
[[noreturn]] void fail(const Args&... pieces) {
  throw OstrelModelException(nullptr, OstrelException::TYPE::input, "[write_vtm] ", pieces...);
}

template <typename Model>
class VtmWriter {
 public:
  VtmWriter(const Model& model, std::string_view filename, const MeshWriteOptions& options)
      : model_(model), filename_(filename), options_(options) {
    const auto extension = absl::AsciiStrToLower(filename_.extension().string());
    if (extension != ".vtm") fail(filename, ": the file name must end with .vtm");
    folder_name_ = filename_.stem().string();
    folder_ = filename_.parent_path() / folder_name_;
  }

  std::vector<std::string> write() {
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error) fail(filename_.string(), ": cannot create the folder ", folder_.string());
    write_group("Corners", model_.corners(), "vtp");
    write_group("Lines", model_.lines(), "vtp");
    write_group("Surfaces", model_.surfaces(), "vtu");
    if constexpr (std::is_same_v<Model, BRep>) write_group("Blocks", model_.blocks(), "vtu");
    write_multiblock();
    files_.push_back(filename_.string());
    return files_;
  }

 private:
  struct DataSet {
    std::string name;
    std::string file;
  };
  struct Group {
    std::string name;
    std::vector<DataSet> data_sets;
  };

  template <typename Range>
  void write_group(std::string_view group_name, const Range& components,
                   std::string_view extension) {
    Group group{std::string{group_name}, {}};
    index_t index = 0;
    for (const auto& component : components) {
      const auto type = component.component_type().get();
      const auto file_name = str_cat(type, "_", index++, ".", extension);
      const auto path = (folder_ / file_name).string();
      auto options = options_;
      const auto id = component.id().string();
      const auto name = component.name();
      options.vtk_field_texts = {{"component_type", type},
                                 {"component_id", id},
                                 {"component_name", std::string{name.value_or("")}},
                                 {"active", component.is_active() ? "true" : "false"}};
      try {
        write_mesh(component.mesh(), path, options);
      } catch (const OstrelMeshException& exception) {
        fail(exception.what());
      }
      files_.push_back(path);
      group.data_sets.push_back(
          {name ? std::string{*name} : str_cat(type, " ", id), str_cat(folder_name_, "/", file_name)});
    }
    groups_.push_back(std::move(group));
  }

  void write_multiblock() const {
    const auto temporary = filename_.parent_path() /
                           str_cat(".", filename_.filename().string(), ".tmp-", ::getpid());
    {
      std::ofstream out{temporary, std::ios::binary | std::ios::trunc};
      if (!out) fail(filename_.string(), ": cannot write the file");
      out << "<?xml version=\"1.0\"?>\n<VTKFile type=\"vtkMultiBlockDataSet\" version=\"1.0\" "
             "byte_order=\"LittleEndian\" header_type=\"UInt64\">\n  <vtkMultiBlockDataSet>\n";
      for (std::size_t g = 0; g < groups_.size(); ++g) {
        out << "    <Block index=\"" << g << "\" name=\"" << groups_[g].name << "\">\n";
        const auto& data_sets = groups_[g].data_sets;
        for (std::size_t d = 0; d < data_sets.size(); ++d) {
          out << "      <DataSet index=\"" << d << "\" name=\"" << xml_escape(data_sets[d].name)
              << "\" file=\"" << xml_escape(data_sets[d].file) << "\"/>\n";
        }
        out << "    </Block>\n";
      }
      out << "  </vtkMultiBlockDataSet>\n</VTKFile>\n";
      out.flush();
      if (!out) {
        out.close();
        fs::remove(temporary);
        fail(filename_.string(), ": write error");
      }
    }
    std::error_code error;
    fs::rename(temporary, filename_, error);
    if (error) {
      fs::remove(temporary, error);
      fail(filename_.string(), ": cannot write the file");
    }
  }

  const Model& model_;
  fs::path filename_;
  const MeshWriteOptions& options_;
  std::string folder_name_;
  fs::path folder_;
  std::vector<Group> groups_;
  std::vector<std::string> files_;
};

}  // namespace

std::vector<std::string> write_vtm(const BRep& brep, std::string_view filename,
                                   const MeshWriteOptions& options) {
  return VtmWriter<BRep>{brep, filename, options}.write();
}

std::vector<std::string> write_vtm(const Section& section, std::string_view filename,
                                   const MeshWriteOptions& options) {
  return VtmWriter<Section>{section, filename, options}.write();
}

}  // namespace veyra
