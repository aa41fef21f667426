#pragma once
// One scripted run of the whole program on the headless backend: what `taldrinex-cli run` does,
// and what scenario tests call in-process.
#include <iosfwd>
#include <string>

#include "platform/headless/headless_backend.h"
#include "scripting/script.h"

class SoundSystem;

// Runs the script lines that reach the program: `set` changes a setting, `dump` writes the state
// as a user sees it, `save-frame` writes the last picture.
class ProgramActions : public ProgramScriptActions {
 public:
  ProgramActions(const HeadlessBackend& backend, std::ostream& dumps) : backend_(backend), dumps_(dumps) {}
  bool Run(const ScriptLine& line, std::string* reason) override;

 private:
  const HeadlessBackend& backend_;
  std::ostream& dumps_;
};

struct SessionOptions {
  std::string script;                 // the script's text
  std::string scriptName = "script";  // named in error messages
  int variant = 1;                    // 0 full, 1 real-time, 2 signals
  HeadlessConfig config;              // screen, costs, resize after creation
  std::string inputFile;              // a recording the simulated input plays; empty: a sine
  std::string commandLine;            // the program's command line: a recording it plays at start
  // Real sound devices to use instead of the simulated ones (the run then follows the real
  // clock); not owned. Null: simulated devices on the virtual clock.
  SoundSystem* realSound = nullptr;
  std::ostream* out = nullptr;        // dumps (standard output when null)
  std::ostream* err = nullptr;        // errors (standard error when null)
};

// Exit status of a run: 2 when the script or the input file cannot be used (nothing ran), 1 when
// a line failed while running (the program was then closed as a user would), else the program's
// own exit code.
int RunHeadlessSession(const SessionOptions& options);
