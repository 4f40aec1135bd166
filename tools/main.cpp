// SPDX-License-Identifier: MIT
// veyra: the command-line front end of the library.
#include <iostream>

#include <CLI/CLI.hpp>

#include "veyra_version.h"

int main(int argc, char** argv) {
  CLI::App app{"veyra " VEYRA_VERSION ": turns meshes into topological models"};
  app.set_version_flag("--version", VEYRA_VERSION);
  app.require_subcommand(0, 1);
  CLI11_PARSE(app, argc, argv);
  if (app.get_subcommands().empty()) {
    std::cout << app.help();
  }
  return 0;
}
