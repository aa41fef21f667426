#include "platform/headless/session.h"

#include <iostream>

#include "app/program.h"
#include "files/recording_file.h"
#include "platform/headless/sim_sound.h"
#include "platform/messages.h"

int RunHeadlessSession(const SessionOptions& options) {
  std::ostream& out = options.out ? *options.out : std::cout;
  std::ostream& err = options.err ? *options.err : std::cerr;

  ParsedScript parsed = ParseScript(options.script);
  if (!parsed.error.empty()) {
    err << options.scriptName << ": " << parsed.error << '\n';
    return 2;
  }

  ResetProgramState();
  HeadlessConfig config = options.config;
  if (options.realSound) config.realClock = true;
  HeadlessBackend backend(config);
  SimSoundSystem sound(backend);
  if (!options.inputFile.empty()) {
    std::string why;
    auto recording = LoadRecording(options.inputFile, &why);
    if (!recording) {
      err << options.inputFile << ": " << why << '\n';
      return 2;
    }
    sound.source.samples = std::move(recording->samples);
    sound.source.channels = recording->channels;
  }
  backend.SetDumpStream(&out);
  backend.SetScript(std::move(parsed.lines));

  SetBackend(&backend);
  SetSoundSystem(options.realSound ? options.realSound : &sound);
  const int code = RunTaldrinex(options.variant, "");
  SetSoundSystem(nullptr);
  SetBackend(nullptr);
  ResetMessageQueue();
  backend.NoteProgramEnded();

  if (!backend.ScriptError().empty()) {
    err << options.scriptName << ": " << backend.ScriptError() << '\n';
    return 1;
  }
  return code;
}
