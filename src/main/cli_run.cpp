#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <sstream>

#include "main/cli_commands.h"
#include "main/sound_backend.h"
#include "platform/sound.h"
#include "scripting/session.h"

namespace {

struct RunArguments {
  std::string script;
  int variant = 1;
  std::string size;    // WxH of the client area after creation
  std::string screen;  // WxH of the screen
  std::string input;
  double pumpMs = 0.5, frameMs = 4.0;
  bool realSound = false;
};

// "780x545" -> 780, 545.
bool ParseSize(const std::string& text, int* w, int* h) {
  char x = 0;
  std::istringstream in(text);
  if (!(in >> *w >> x >> *h) || (x != 'x' && x != 'X') || *w <= 0 || *h <= 0) return false;
  return in.peek() == std::char_traits<char>::eof();
}

int Run(const RunArguments& a) {
  SessionOptions options;
  options.variant = a.variant;
  options.scriptName = a.script;
  options.inputFile = a.input;
  options.config.pumpCostMs = a.pumpMs;
  options.config.frameCostMs = a.frameMs;
  if (!a.size.empty() &&
      !ParseSize(a.size, &options.config.resizeClientWidth, &options.config.resizeClientHeight)) {
    std::cerr << "--size: expected WxH, got '" << a.size << "'\n";
    return 2;
  }
  if (!a.screen.empty() &&
      !ParseSize(a.screen, &options.config.screen.width, &options.config.screen.height)) {
    std::cerr << "--screen: expected WxH, got '" << a.screen << "'\n";
    return 2;
  }
  std::unique_ptr<SoundSystem> sound;
  if (a.realSound) {
    sound = MakeRealSoundSystem();
    options.realSound = sound.get();
  }
  std::ifstream file(a.script, std::ios::binary);
  if (!file) {
    std::cerr << a.script << ": cannot read the script\n";
    return 2;
  }
  std::ostringstream text;
  text << file.rdbuf();
  options.script = text.str();
  return RunHeadlessSession(options);
}

}  // namespace

void AddRunCommand(CLI::App& app, int& status) {
  auto* cmd = app.add_subcommand("run", "Run a script of user actions against the program, headless");
  auto args = std::make_shared<RunArguments>();
  cmd->add_option("SCRIPT", args->script, "The script (see docs/scripting.md)")->required();
  cmd->add_option("--variant", args->variant, "0 full, 1 real-time (default), 2 signals")
      ->check(CLI::Range(0, 2));
  cmd->add_option("--size", args->size, "Resize the window's client area to WxH after creation");
  cmd->add_option("--screen", args->screen, "Screen size WxH (default 1024x768)");
  cmd->add_option("--input", args->input,
                  "Recording the simulated sound input plays (default: a 220 Hz sine)");
  cmd->add_option("--pump-ms", args->pumpMs, "Virtual milliseconds charged per message pump")
      ->check(CLI::NonNegativeNumber);
  cmd->add_option("--frame-ms", args->frameMs, "Virtual milliseconds charged per display frame")
      ->check(CLI::NonNegativeNumber);
  cmd->add_flag("--real-sound", args->realSound,
               "Use the real sound devices (the default input and output) on the real clock");
  cmd->callback([&status, args] { status = Run(*args); });
}
