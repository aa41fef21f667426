#include <CLI/CLI.hpp>

#include "main/cli_commands.h"

void AddRunCommand(CLI::App& app, int& status) {
  auto* cmd = app.add_subcommand("run", "Run a script of user actions against the program, headless");
  cmd->callback([&status] { status = 2; });
}
