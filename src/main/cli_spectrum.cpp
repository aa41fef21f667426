#include <CLI/CLI.hpp>

#include "main/cli_commands.h"

void AddSpectrumCommand(CLI::App& app, int& status) {
  auto* cmd = app.add_subcommand("spectrum", "Print the 1024 dB values of one power spectrum of a recording");
  cmd->callback([&status] { status = 2; });
}
