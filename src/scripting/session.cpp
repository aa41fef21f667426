#include "scripting/session.h"

#include <iostream>

#include "app/program.h"
#include "files/recording_file.h"
#include "platform/headless/sim_sound.h"
#include "platform/messages.h"
#include "scripting/dump.h"
#include "settings/analysis_settings.h"

bool ProgramActions::Run(const ScriptLine& line, std::string* reason) {
  switch (line.op) {
    case ScriptOp::Set:
      if (SetSettingByName(line.name, line.value)) return true;
      *reason = "value out of range for " + line.name;
      return false;
    case ScriptOp::Dump:
      WriteDump(backend_, dumps_);
      return true;
    case ScriptOp::SaveFrame:
      return SaveLastPicture(backend_, line.path, reason);
    default:
      *reason = "not a program line";
      return false;
  }
}

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
  ProgramActions actions(backend, out);
  backend.SetProgramActions(&actions);
  backend.SetScript(std::move(parsed.lines));

  SetBackend(&backend);
  SetSoundSystem(options.realSound ? options.realSound : &sound);
  const int code = RunTaldrinex(options.variant, options.commandLine);
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
