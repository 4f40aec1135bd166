// SPDX-License-Identifier: MIT
// Every writer of model and mesh files, made to fail: in the middle of the write (a file size
// limit) and at the final rename (a directory where the file should go). The previous file must
// stay as it was and no temporary or truncated file may be left behind.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/mesh/io/write_mesh.h>
#include <ostrel/model/block.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>
#include <ostrel/model/io/write_vtm.h>
#include <ostrel/model/surface.h>

#include "../model_fixtures.h"

namespace veyra {
namespace {

namespace fs = std::filesystem;

/// Lowers the size any file of this process may grow to, and makes a write beyond it fail with
/// an error instead of the signal that would end the process. Both are restored on exit.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous_;
    limited.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previous_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  void (*previous_handler_)(int){nullptr};
};

struct Writer {
  std::string name;
  std::string file_name;
  std::function<void(const std::string&)> write;
};

std::vector<Writer> writers() {
  // Built once: the writers only read them.
  static const auto cube = test::make_cube();
  static const auto square = test::make_square();
  const auto& surface = cube.brep.surface(cube.surfaces[0]).mesh();
  const auto& solid = cube.brep.block(cube.block).mesh();
  std::vector<Writer> result{
      {"save_brep", "model.tq_brep", [](const std::string& path) { save_brep(cube.brep, path); }},
      {"save_section", "model.tq_sctn",
       [](const std::string& path) { save_section(square.section, path); }},
      {"write_vtm", "model.vtm", [](const std::string& path) { write_vtm(cube.brep, path); }},
      {"write_mesh solid vtu", "solid.vtu",
       [&solid](const std::string& path) { write_mesh(solid, path); }},
      {"write_mesh solid msh", "solid.msh",
       [&solid](const std::string& path) { write_mesh(solid, path); }},
  };
  for (const auto* extension : {"vtu", "vtp", "msh", "off", "obj"}) {
    result.push_back({str_cat("write_mesh surface ", extension), str_cat("surface.", extension),
                      [&surface](const std::string& path) { write_mesh(surface, path); }});
  }
  return result;
}

std::string content(const fs::path& file) {
  std::ifstream stream{file, std::ios::binary};
  return {std::istreambuf_iterator<char>{stream}, {}};
}

/// Every file under `folder`, with its size.
std::vector<std::pair<std::string, std::uintmax_t>> files_under(const fs::path& folder) {
  std::vector<std::pair<std::string, std::uintmax_t>> files;
  for (const auto& entry : fs::recursive_directory_iterator{folder}) {
    if (entry.is_regular_file()) {
      files.emplace_back(fs::relative(entry.path(), folder).string(), entry.file_size());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

void expect_input_failure(const Writer& writer, const fs::path& target) {
  try {
    writer.write(target.string());
    ADD_FAILURE() << writer.name << ": the write did not fail";
  } catch (const OstrelException& exception) {
    EXPECT_EQ(exception.type(), OstrelException::TYPE::input) << writer.name;
    // The message names the file, or for a model written as several files the one that failed.
    EXPECT_NE(std::string{exception.what()}.find(target.stem().string()), std::string::npos)
        << writer.name << ": " << exception.what();
  }
}

void expect_no_temporary(const fs::path& folder, const std::string& writer) {
  for (const auto& [file, size] : files_under(folder)) {
    EXPECT_EQ(file.find(".tmp"), std::string::npos) << writer << " left " << file;
  }
}

class SafeWrites : public ::testing::Test {
 protected:
  SafeWrites() : folder_(fs::path{::testing::TempDir()} / ("safe_write_" + uuid{}.string())) {
    fs::create_directories(folder_);
  }
  ~SafeWrites() override { fs::remove_all(folder_); }

  fs::path fresh_folder(const std::string& name) const {
    const auto folder = folder_ / name;
    fs::create_directories(folder);
    return folder;
  }

  fs::path folder_;
};

TEST_F(SafeWrites, AFailureInTheMiddleOfTheWriteKeepsThePreviousFile) {
  index_t index = 0;
  for (const auto& writer : writers()) {
    // A first write tells how large the files are; the limit then stops the largest one halfway.
    const auto measure = fresh_folder(str_cat("measure", index));
    writer.write((measure / writer.file_name).string());
    std::uintmax_t largest = 0;
    for (const auto& [file, size] : files_under(measure)) largest = std::max(largest, size);
    ASSERT_GE(largest, 16U) << writer.name;

    const auto folder = fresh_folder(str_cat("limited", index++));
    const auto target = folder / writer.file_name;
    const std::string previous = "the previous content of the file\n";
    std::ofstream{target, std::ios::binary} << previous;
    {
      const FileSizeLimit limit{largest / 2};
      expect_input_failure(writer, target);
    }
    EXPECT_EQ(content(target), previous) << writer.name;
    expect_no_temporary(folder, writer.name);
    for (const auto& [file, size] : files_under(folder)) {
      // Any component file of a model written before the failure is complete.
      if (file != writer.file_name) {
        EXPECT_EQ(content(folder / file), content(measure / file)) << writer.name << " " << file;
      }
    }
  }
}

TEST_F(SafeWrites, ADirectoryInTheWayIsLeftAsItWas) {
  index_t index = 0;
  for (const auto& writer : writers()) {
    const auto folder = fresh_folder(str_cat("directory", index++));
    const auto target = folder / writer.file_name;
    fs::create_directories(target);
    std::ofstream{target / "kept.txt"} << "kept";
    expect_input_failure(writer, target);
    ASSERT_TRUE(fs::is_directory(target)) << writer.name;
    EXPECT_EQ(content(target / "kept.txt"), "kept") << writer.name;
    expect_no_temporary(folder, writer.name);
  }
}

TEST_F(SafeWrites, AMissingFolderFailsWithoutCreatingAnything) {
  for (const auto& writer : writers()) {
    if (writer.name == "write_vtm") continue;  // creates the folders it writes into
    const auto target = folder_ / "missing" / writer.file_name;
    expect_input_failure(writer, target);
    EXPECT_FALSE(fs::exists(folder_ / "missing")) << writer.name;
  }
}

}  // namespace
}  // namespace veyra
