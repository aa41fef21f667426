#include "platform/backend.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "platform/sound.h"

namespace {
// Read from the sound devices' threads too (PostMainMessage wakes the backend).
std::atomic<Backend*> activeBackend{nullptr};
SoundSystem* activeSoundSystem = nullptr;

double SteadyNowMs() {
  using namespace std::chrono;
  static const auto start = steady_clock::now();
  return duration<double, std::milli>(steady_clock::now() - start).count();
}
}  // namespace

void SetBackend(Backend* backend) { activeBackend = backend; }
Backend& CurrentBackend() { return *activeBackend.load(); }
Backend* BackendOrNull() { return activeBackend.load(); }
bool HasBackend() { return activeBackend.load() != nullptr; }

void SetSoundSystem(SoundSystem* system) { activeSoundSystem = system; }
SoundSystem* CurrentSoundSystem() { return activeSoundSystem; }

double NowMs() {
  Backend* b = activeBackend.load();
  return b ? b->NowMs() : SteadyNowMs();
}

void SleepMs(double ms) {
  if (Backend* b = activeBackend.load()) {
    b->SleepMs(ms);
  } else if (ms > 0) {
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
  }
}

void NoteFrameDrawn() {
  if (Backend* b = activeBackend.load()) b->NoteFrameDrawn();
}
