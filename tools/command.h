// SPDX-License-Identifier: MIT
// Command: one subcommand of the veyra program. Each command lives in its own file under
// commands/ and registers itself with VEYRA_REGISTER_COMMAND; main lists them by name.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

namespace veyra::tools {

class Command {
 public:
  virtual ~Command() = default;
  /// Adds the subcommand, its description and its options to the program.
  virtual CLI::App* add_to(CLI::App& program) = 0;
  /// Runs the command once the command line is parsed. Failures are thrown: an
  /// OstrelException of TYPE input for bad input, anything else for internal failures.
  virtual void run() = 0;
  /// The program's exit code after run() returned: 0 unless the command found something to
  /// report through it (validate: 3 when the model has problems).
  virtual int exit_code() const { return 0; }
};

using CommandFactory = std::unique_ptr<Command> (*)();

/// Adds a command to the program's list; called at static initialization.
bool register_command(std::string_view name, CommandFactory factory);
/// The registered commands, sorted by name.
std::vector<std::pair<std::string, CommandFactory>> registered_commands();

}  // namespace veyra::tools

/// Registers `CommandClass` (default-constructible) as the subcommand `name`.
#define VEYRA_REGISTER_COMMAND(name, CommandClass)                                            \
  namespace {                                                                                 \
  [[maybe_unused]] const bool command_registered = ::veyra::tools::register_command(          \
      name, []() -> std::unique_ptr<::veyra::tools::Command> {                                \
        return std::make_unique<CommandClass>();                                              \
      });                                                                                     \
  }
