// SPDX-License-Identifier: MIT
// The base of the tests that run the built veyra program as users run it: each test gets a fresh
// folder of its own, and run() gives back the exit code and both output streams.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include <ostrel/basic/str_cat.h>

namespace veyra::test {

struct ProgramRun {
  int exit_code{-1};
  std::string out;
  std::string err;
};

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The process id keeps apart test programs that run at the same time with equal test names.
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::temp_directory_path() /
              str_cat("veyra_program_", ::getpid(), "_", test->test_suite_name(), "_",
                      test->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string file(std::string_view name) const { return (folder_ / name).string(); }

  /// Runs the program with the arguments (given to a shell), capturing both streams.
  ProgramRun run(std::string_view arguments) const {
    const auto err_path = file("stderr.txt");
    const auto command = str_cat("\"", VEYRA_BINARY, "\" ", arguments, " 2>\"", err_path, "\"");
    ProgramRun result;
    auto* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> buffer;
    while (const auto nb = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
      result.out.append(buffer.data(), nb);
    }
    const auto status = ::pclose(pipe);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = content(err_path);
    return result;
  }

  static std::string content(const std::string& path) {
    std::ifstream stream{path, std::ios::binary};
    return {std::istreambuf_iterator<char>{stream}, std::istreambuf_iterator<char>{}};
  }

  std::filesystem::path folder_;
};

}  // namespace veyra::test
