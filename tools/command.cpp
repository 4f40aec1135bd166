// SPDX-License-Identifier: MIT
#include "command.h"

#include <algorithm>

namespace veyra::tools {
namespace {

std::vector<std::pair<std::string, CommandFactory>>& registry() {
  static std::vector<std::pair<std::string, CommandFactory>> commands;
  return commands;
}

}  // namespace

bool register_command(std::string_view name, CommandFactory factory) {
  registry().emplace_back(std::string{name}, factory);
  return true;
}

std::vector<std::pair<std::string, CommandFactory>> registered_commands() {
  auto commands = registry();
  std::sort(commands.begin(), commands.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  return commands;
}

}  // namespace veyra::tools
