// taldrinex-cli: the program without a window, for users' scripts and for tests.
#include <CLI/CLI.hpp>

#include "main/cli_commands.h"

int main(int argc, char** argv) {
  CLI::App app{"Taldrinex command-line tool: spectra, scripted runs, rendering, voice measures"};
  app.require_subcommand(1);
  int status = 0;
  AddSpectrumCommand(app, status);
  AddRunCommand(app, status);
  AddRenderCommand(app, status);
  AddMeasureCommand(app, status);
  CLI11_PARSE(app, argc, argv);
  return status;
}
