// SPDX-License-Identifier: MIT
// veyra: the command-line front end of the library. Global options set the log level, the
// thread count and the id seed; each subcommand is a Command registered in commands/.
// Exit codes: 0 success, 1 bad input (malformed or missing files, command-line misuse),
// 2 internal failure, 3 a model with problems (validate). Errors go to stderr as one line,
// without a stack dump.
#include <cstdint>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>

#include <CLI/CLI.hpp>
#include <tbb/global_control.h>

#include <ostrel/basic/logger.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/basic/uuid.h>

#include "command.h"
#include "veyra_version.h"

namespace {

constexpr int exit_success = 0;
constexpr int exit_bad_input = 1;
constexpr int exit_internal = 2;

struct GlobalOptions {
  int verbosity{0};
  bool quiet{false};
  std::optional<unsigned> threads;
  std::optional<std::uint64_t> seed;
};

void apply_global_options(const GlobalOptions& options, std::unique_ptr<tbb::global_control>& thread_limit) {
  using Level = veyra::Logger::LEVEL;
  if (options.quiet) {
    veyra::Logger::set_level(Level::err);
  } else if (options.verbosity >= 2) {
    veyra::Logger::set_level(Level::trace);
  } else if (options.verbosity == 1) {
    veyra::Logger::set_level(Level::debug);
  }
  if (options.threads) {
    thread_limit = std::make_unique<tbb::global_control>(
        tbb::global_control::max_allowed_parallelism, *options.threads);
  }
  if (options.seed) veyra::uuid::seed(*options.seed);
}

int run(int argc, char** argv) {
  CLI::App program{"veyra " VEYRA_VERSION ": turns meshes into topological models", "veyra"};
  program.set_version_flag("--version", VEYRA_VERSION);
  program.require_subcommand(0, 1);
  GlobalOptions options;
  program.add_flag("-v,--verbose", options.verbosity,
                   "More log lines: -v for debug lines, -vv for trace lines");
  auto* quiet = program.add_flag("-q,--quiet", options.quiet, "Only log errors");
  quiet->excludes("--verbose");
  program.add_option("--threads", options.threads, "Number of threads of the task pool")
      ->check(CLI::PositiveNumber);
  program.add_option("--seed", options.seed,
                     "Seed of the id generator, for reproducible component ids");

  std::vector<std::pair<CLI::App*, std::unique_ptr<veyra::tools::Command>>> commands;
  for (const auto& [name, factory] : veyra::tools::registered_commands()) {
    auto command = factory();
    auto* subcommand = command->add_to(program);
    commands.emplace_back(subcommand, std::move(command));
  }
  try {
    program.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const auto code = program.exit(error);
    return code == 0 ? exit_success : exit_bad_input;
  }
  std::unique_ptr<tbb::global_control> thread_limit;
  apply_global_options(options, thread_limit);
  for (auto& [subcommand, command] : commands) {
    if (subcommand->parsed()) {
      command->run();
      return command->exit_code();
    }
  }
  std::cout << program.help();
  return exit_success;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const veyra::OstrelException& exception) {
    std::cerr << "veyra: error: " << exception.what() << '\n';
    return exception.type() == veyra::OstrelException::TYPE::input ? exit_bad_input
                                                                    : exit_internal;
  } catch (const std::exception& exception) {
    std::cerr << "veyra: internal error: " << exception.what() << '\n';
    return exit_internal;
  } catch (...) {
    std::cerr << "veyra: internal error\n";
    return exit_internal;
  }
}
