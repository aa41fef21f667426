#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>

#include "platform/portaudio/pa_internal.h"

namespace pa {

int64_t MonotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

QuietStderr::QuietStderr() {
  std::fflush(stderr);
  saved_ = dup(2);
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (saved_ >= 0 && null >= 0) dup2(null, 2);
  if (null >= 0) close(null);
}

QuietStderr::~QuietStderr() {
  if (saved_ < 0) return;
  std::fflush(stderr);
  dup2(saved_, 2);
  close(saved_);
}

PaDeviceIndex DefaultDevice(bool input) {
  // Prefer the ALSA host's default (Debian routes it to the sound server); otherwise whatever
  // PortAudio calls the default.
  const PaHostApiIndex alsa = Pa_HostApiTypeIdToHostApiIndex(paALSA);
  if (alsa >= 0) {
    if (const PaHostApiInfo* info = Pa_GetHostApiInfo(alsa)) {
      const PaDeviceIndex d = input ? info->defaultInputDevice : info->defaultOutputDevice;
      if (d != paNoDevice) return d;
    }
  }
  return input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
}

PaDeviceIndex FindDevice(bool input, const std::string& name) {
  if (name.empty()) return DefaultDevice(input);
  const PaDeviceIndex count = Pa_GetDeviceCount();
  for (PaDeviceIndex d = 0; d < count; ++d) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
    if (info && info->name == name && (input ? info->maxInputChannels : info->maxOutputChannels) > 0)
      return d;
  }
  return paNoDevice;
}

double DeviceRate(const Engine& engine, const PaStreamParameters* in, const PaStreamParameters* out,
                  int rate) {
  const PaStreamParameters* p = in ? in : out;
  const PaDeviceInfo* info = Pa_GetDeviceInfo(p->device);
  if (engine.options.deviceRate > 0) return engine.options.deviceRate;
  if (Pa_IsFormatSupported(in, out, rate) == paFormatIsSupported || !info) return rate;
  return info->defaultSampleRate;
}

Engine::Engine(const PortAudioOptions& opts) : options(opts) {
  control_ = std::thread([this] { ControlLoop(); });
  watcher_ = std::thread([this] { WatchLoop(); });
}

bool Engine::Shutdown() {
  {
    std::lock_guard lock(watchMutex_);
    watchEnding_ = true;
    watched_.clear();
  }
  watchWake_.notify_all();
  if (watcher_.joinable()) watcher_.join();

  // PortAudio is left as it is when a call never came back: terminating it would hang too.
  if (!Run([this] {
        if (initialized_) Pa_Terminate();
        initialized_ = false;
      }))
    return false;
  {
    std::lock_guard lock(controlMutex_);
    ending_ = true;
  }
  controlWake_.notify_all();
  if (control_.joinable()) control_.join();
  return true;
}

std::shared_ptr<Engine> Engine::Make(const PortAudioOptions& options) {
  // An engine whose control thread is stuck inside a PortAudio call is never freed: that call
  // may still come back and touch it.
  return std::shared_ptr<Engine>(new Engine(options), [](Engine* e) {
    if (e->Shutdown()) delete e;
  });
}

bool Engine::Run(std::function<void()> call) {
  if (stuck_.load()) return false;
  auto task = std::make_shared<std::packaged_task<void()>>(std::move(call));
  std::future<void> done = task->get_future();
  {
    std::lock_guard lock(controlMutex_);
    calls_.push_back([task] { (*task)(); });
  }
  controlWake_.notify_one();
  const auto limit = std::chrono::duration<double, std::milli>(options.callLimitMs);
  if (done.wait_for(limit) != std::future_status::ready) {
    stuck_.store(true);
    return false;
  }
  return true;
}

void Engine::ControlLoop() {
  for (;;) {
    std::function<void()> call;
    {
      std::unique_lock lock(controlMutex_);
      controlWake_.wait(lock, [this] { return ending_ || !calls_.empty(); });
      if (calls_.empty()) return;
      call = std::move(calls_.front());
      calls_.pop_front();
    }
    call();
  }
}

bool Engine::PrepareForOpen() {
  if (openStreams_ > 0) return initialized_;
  // A fresh start re-reads the device list and the sound library's configuration (which asks
  // whether a sound server is running when it is read).
  QuietStderr quiet;
  if (initialized_) Pa_Terminate();
  initialized_ = false;
  // An absent JACK server must not be started on our behalf.
  setenv("JACK_NO_START_SERVER", "1", 0);
  initialized_ = Pa_Initialize() == paNoError;
  return initialized_;
}

void Engine::AddWatched(std::shared_ptr<Watched> device) {
  std::lock_guard lock(watchMutex_);
  watched_.push_back(std::move(device));
}

void Engine::RemoveWatched(const Watched* device) {
  std::lock_guard lock(watchMutex_);
  std::erase_if(watched_, [device](const auto& w) { return w.get() == device; });
}

void Engine::WatchLoop() {
  // Notifications wait at most this long; the program's buffers last seconds.
  constexpr auto kPeriod = std::chrono::milliseconds(4);
  std::unique_lock lock(watchMutex_);
  while (!watchEnding_) {
    watchWake_.wait_for(lock, kPeriod, [this] { return watchEnding_; });
    if (watchEnding_) break;
    const int64_t now = MonotonicNs();
    // The list may change while a device is being watched: walk a copy (the copy also keeps
    // each device alive for the walk).
    auto devices = watched_;
    lock.unlock();
    for (auto& d : devices) d->Watch(now);
    devices.clear();
    lock.lock();
  }
}

namespace {

class PaSoundSystem : public SoundSystem {
 public:
  explicit PaSoundSystem(const PortAudioOptions& options) : engine_(Engine::Make(options)) {}
  std::unique_ptr<SoundInput> OpenInput(const SoundFormat& format, const std::string& device) override {
    return OpenPaInput(engine_, format, device);
  }
  std::unique_ptr<SoundOutput> OpenOutput(const SoundFormat& format, const std::string& device) override {
    return OpenPaOutput(engine_, format, device);
  }
  std::vector<SoundDeviceInfo> ListDevices(bool input) override {
    auto found = std::make_shared<std::vector<SoundDeviceInfo>>();
    Engine* e = engine_.get();
    if (!engine_->Run([e, found, input] {
          if (!e->PrepareForOpen()) return;
          const PaDeviceIndex count = Pa_GetDeviceCount();
          for (PaDeviceIndex d = 0; d < count; ++d) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
            if (info && info->name && (input ? info->maxInputChannels : info->maxOutputChannels) > 0)
              found->push_back({info->name, info->name});
          }
        }))
      return {};
    return *found;
  }

 private:
  std::shared_ptr<Engine> engine_;
};

}  // namespace
}  // namespace pa

std::unique_ptr<SoundSystem> MakePortAudioSoundSystem(const PortAudioOptions& options) {
  return std::make_unique<pa::PaSoundSystem>(options);
}
