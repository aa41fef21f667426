#pragma once
// Inside the sound-server system: the connection (event thread, context, bounded waits) that the
// system and its devices share.
#include <pulse/pulseaudio.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/pulse/pulse_sound.h"

namespace pulse {

int64_t MonotonicNs();

// Holds the event thread's lock while it lives. Never taken inside a callback (they run with it).
class LoopLock {
 public:
  explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
  ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
  LoopLock(const LoopLock&) = delete;
  LoopLock& operator=(const LoopLock&) = delete;

 private:
  pa_threaded_mainloop* loop_;
};

class Connection {
 public:
  static std::shared_ptr<Connection> Make(const PulseOptions& options);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Program thread: connects (again, after a lost connection); false when no server answers
  // within the call limit.
  bool Connect();
  // Program thread, without the loop lock: waits until `done` holds (checked whenever a callback
  // calls Signal) or the call limit passes. True when it holds.
  bool WaitFor(const std::function<bool()>& done);
  // Event thread: something a waiter may be waiting for happened.
  void Signal();

  pa_threaded_mainloop* Loop() const { return loop_; }
  pa_context* Context() const { return context_; }  // under the loop lock
  const PulseOptions options;
  int64_t StallNs() const { return static_cast<int64_t>(options.stallMs * 1e6); }

 private:
  explicit Connection(const PulseOptions& options);
  static void ContextState(pa_context* c, void* self);
  void DropContext();  // under the loop lock

  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  std::atomic<int> state_{PA_CONTEXT_UNCONNECTED};
  std::mutex waitMutex_;
  std::condition_variable waitWake_;
  uint64_t signals_ = 0;  // under waitMutex_
};

// The server's stream format for the program's format (16-bit little-endian frames).
pa_sample_spec StreamFormatOf(const SoundFormat& format, int channels);
pa_channel_map MapOf(int channels);
bool Usable(const SoundFormat& format);

std::unique_ptr<SoundInput> OpenPulseInput(const std::shared_ptr<Connection>& connection,
                                           const SoundFormat& format, const std::string& device);
std::unique_ptr<SoundOutput> OpenPulseOutput(const std::shared_ptr<Connection>& connection,
                                             const SoundFormat& format, const std::string& device);

}  // namespace pulse
