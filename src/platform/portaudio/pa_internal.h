#pragma once
// Inside the PortAudio sound system: the control thread that runs PortAudio calls under a time
// limit, the watcher thread that posts the devices' notifications, and the gate that keeps a
// device callback away from the program's buffers while the program changes them.
#include <portaudio.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/portaudio/portaudio_sound.h"

namespace pa {

// Nanoseconds of the monotonic clock; safe in a device callback (no lock, no allocation).
int64_t MonotonicNs();

// The device callback and the program thread take turns on the queued buffers. The callback
// enters for each block of frames and leaves before it returns; the program closes the gate and
// waits until the callback is out, then owns the buffers until it opens the gate again.
// Both sides use sequentially consistent atomics: whichever comes second sees the other.
class CallbackGate {
 public:
  // Device thread: false when the gate is closed (the callback must not touch any buffer).
  bool Enter() {
    inside_.store(true);
    if (closed_.load()) {
      inside_.store(false);
      return false;
    }
    return true;
  }
  void Leave() { inside_.store(false); }
  // Program side: after this returns, no callback touches the buffers until Open. The callback
  // never blocks, so the wait is short.
  void CloseAndWait() {
    closed_.store(true);
    while (inside_.load()) std::this_thread::yield();
  }
  void Open() { closed_.store(false); }

 private:
  std::atomic<bool> closed_{false};
  std::atomic<bool> inside_{false};
};

// A device the watcher looks at every few milliseconds (on the watcher thread).
class Watched {
 public:
  virtual ~Watched() = default;
  virtual void Watch(int64_t nowNs) = 0;
};

// What the system and its devices share; devices keep it alive.
class Engine {
 public:
  static std::shared_ptr<Engine> Make(const PortAudioOptions& options);
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Runs `call` on the control thread and waits for it at most callLimitMs. False when the
  // system is already stuck or the call did not finish in time (the system is then stuck).
  // A call that finishes late still runs to its end; whatever it touches must be kept alive by
  // the lambda itself (shared pointers).
  bool Run(std::function<void()> call);
  bool Stuck() const { return stuck_.load(); }

  // Control thread only: PortAudio is initialised afresh when no stream is open, so that a
  // sound server started after the program (or a device plugged in) is found.
  bool PrepareForOpen();
  void StreamOpened() { ++openStreams_; }
  void StreamClosed() { --openStreams_; }

  void AddWatched(std::shared_ptr<Watched> device);
  void RemoveWatched(const Watched* device);

  const PortAudioOptions options;
  int64_t StallNs() const { return static_cast<int64_t>(options.stallMs * 1e6); }

 private:
  explicit Engine(const PortAudioOptions& options);
  ~Engine() = default;
  // Stops both threads and PortAudio; false when a call is stuck (nothing may be freed then).
  bool Shutdown();
  void ControlLoop();
  void WatchLoop();

  std::atomic<bool> stuck_{false};
  bool initialized_ = false;  // control thread only
  int openStreams_ = 0;       // control thread only

  std::mutex controlMutex_;
  std::condition_variable controlWake_;
  std::deque<std::function<void()>> calls_;
  bool ending_ = false;
  std::thread control_;

  std::mutex watchMutex_;
  std::condition_variable watchWake_;
  std::vector<std::shared_ptr<Watched>> watched_;
  bool watchEnding_ = false;
  std::thread watcher_;
};

// Silences what the sound libraries print on stderr while it lives (their probing of absent
// servers and cards is noise to the user). Process-wide: keep it short.
class QuietStderr {
 public:
  QuietStderr();
  ~QuietStderr();
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_ = -1;
};

// The default capture or playback device, or paNoDevice.
PaDeviceIndex DefaultDevice(bool input);
// The capture or playback device of that name (the default for ""), or paNoDevice.
PaDeviceIndex FindDevice(bool input, const std::string& name);
// The rate to run `device` at for `parameters`: the program's `rate` when the device takes it
// (and options.deviceRate is 0), else the device's own. Control thread.
double DeviceRate(const Engine& engine, const PaStreamParameters* in, const PaStreamParameters* out,
                  int rate);

std::unique_ptr<SoundInput> OpenPaInput(const std::shared_ptr<Engine>& engine, const SoundFormat& format,
                                        const std::string& device);
std::unique_ptr<SoundOutput> OpenPaOutput(const std::shared_ptr<Engine>& engine, const SoundFormat& format,
                                          const std::string& device);

}  // namespace pa
