#pragma once
// Real sound devices through a sound server: its sources (inputs) and sinks (outputs), listed by
// their descriptions and opened by name, at the program's format (the server converts).
//
// Install it with SetSoundSystem(system.get()) after the backend and remove it before the system
// is destroyed; close every device it opened before that.
//
// Threads: the sound library runs one event thread for the system. Its callbacks copy frames
// between the server and the program's buffers and post MM_WIM_DATA / MM_WOM_DONE themselves.
// The program thread never waits for the server longer than the call limit: a server that does
// not answer (or has died) makes the call fail, never hang.
#include <memory>

#include "platform/sound.h"

struct PulseOptions {
  // A started device that delivers no frames for this long counts as gone (milliseconds): an
  // input reports Healthy() false; an output ends what it was playing with MM_WOM_DONE.
  double stallMs = 500.0;
  // Longest wait of the program thread for the server in one call (connect, open, list), ms.
  double callLimitMs = 4000.0;
};

class PulseSoundSystem : public SoundSystem {
 public:
  // True when a sound server answers now (connecting again when the last connection was lost).
  virtual bool ServerAnswers() = 0;
};

std::unique_ptr<PulseSoundSystem> MakePulseSoundSystem(const PulseOptions& options = {});
