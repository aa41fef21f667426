#pragma once
// Real sound devices through PortAudio, listed and opened by the sound library's device names. A
// device that cannot run at the program's rate runs at its own, and the frames are converted in
// the device thread.
//
// Install it with SetSoundSystem(system.get()) after the backend and remove it (SetSoundSystem
// (nullptr)) before the system is destroyed; close every device it opened before that.
//
// Threads: PortAudio runs each device on its own thread; its callback only copies frames between
// the device and the program's buffers, advances an atomic frame position and counts finished
// buffers. A watcher thread of this system turns those counts into posted messages (MM_WIM_DATA,
// MM_WOM_DONE) every few milliseconds, and every PortAudio call that might block (initialise,
// open, start, stop, close) runs on a control thread of its own with a time limit, so the program
// thread never waits on a device for longer than that limit.
#include <memory>

#include "platform/sound.h"

struct PortAudioOptions {
  // A started device that delivers no frames for this long counts as gone: an input reports
  // Healthy() false; an output ends what it was playing with MM_WOM_DONE. Milliseconds.
  double stallMs = 500.0;
  // Longest wait of the program thread for one PortAudio call (open, start, stop, close).
  // Milliseconds. A call that takes longer leaves the system unusable: later opens fail.
  double callLimitMs = 4000.0;
  // Runs every device at this rate (frames per second) and converts, as for a device that lacks
  // the program's rate; 0: the program's rate wherever the device takes it.
  double deviceRate = 0;
};

// Opening fails (nullptr) quickly when there is no sound server or device.
std::unique_ptr<SoundSystem> MakePortAudioSoundSystem(const PortAudioOptions& options = {});
