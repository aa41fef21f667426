#include "platform/backend.h"

#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "platform/sound.h"

namespace {
Backend* activeBackend = nullptr;
SoundSystem* activeSoundSystem = nullptr;

double SteadyNowMs() {
  using namespace std::chrono;
  static const auto start = steady_clock::now();
  return duration<double, std::milli>(steady_clock::now() - start).count();
}
}  // namespace

void SetBackend(Backend* backend) { activeBackend = backend; }
Backend& CurrentBackend() { return *activeBackend; }
bool HasBackend() { return activeBackend != nullptr; }

void SetSoundSystem(SoundSystem* system) { activeSoundSystem = system; }
SoundSystem* CurrentSoundSystem() { return activeSoundSystem; }

double NowMs() { return activeBackend ? activeBackend->NowMs() : SteadyNowMs(); }

void SleepMs(double ms) {
  if (activeBackend) {
    activeBackend->SleepMs(ms);
  } else if (ms > 0) {
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
  }
}

void NoteFrameDrawn() {
  if (activeBackend) activeBackend->NoteFrameDrawn();
}
