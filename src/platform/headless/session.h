#pragma once
// One scripted run of the whole program on the headless backend: what `taldrinex-cli run` does,
// and what scenario tests call in-process.
#include <iosfwd>
#include <string>

#include "platform/headless/headless_backend.h"

class SoundSystem;

struct SessionOptions {
  std::string script;                 // the script's text
  std::string scriptName = "script";  // named in error messages
  int variant = 1;                    // 0 full, 1 real-time, 2 signals
  HeadlessConfig config;              // screen, costs, resize after creation
  std::string inputFile;              // a recording the simulated input plays; empty: a sine
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
