#pragma once
// Sub-commands of taldrinex-cli; each adds itself to the app and writes its exit status.
namespace CLI {
class App;
}
void AddSpectrumCommand(CLI::App& app, int& status);  // cli_spectrum.cpp
void AddRunCommand(CLI::App& app, int& status);       // cli_run.cpp
void AddRenderCommand(CLI::App& app, int& status);    // cli_render.cpp
void AddMeasureCommand(CLI::App& app, int& status);   // cli_measure.cpp
