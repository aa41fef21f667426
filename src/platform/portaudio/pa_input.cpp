// The capture device: fills the program's queued buffers in order and hands each back full.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "platform/messages.h"
#include "platform/portaudio/pa_internal.h"
#include "platform/portaudio/rate_converter.h"

static_assert(std::endian::native == std::endian::little, "16-bit frames are handed over as they come");

namespace pa {
namespace {

// Frames of one callback of a device that runs at its own rate (fixed, so that the conversion's
// room is known before the stream starts).
constexpr size_t kConvertFrames = 1024;

// What the device thread, the watcher and the program thread share. Lives as long as any of
// them may use it (a late PortAudio call included).
class InputCore : public Watched {
 public:
  InputCore(const SoundFormat& f, int64_t stallNs)
      : format(f), frameBytes(static_cast<size_t>(f.BlockAlign())), stallNs_(stallNs) {}

  static constexpr uint32_t kSlots = 8;   // buffers the program may have queued at once
  static constexpr uint32_t kDone = 64;   // full buffers not yet announced
  struct Slot {
    int index = 0;
    uint8_t* data = nullptr;
    size_t bytes = 0;
    size_t filled = 0;  // written by the device thread while the slot is queued
  };

  const SoundFormat format;
  const size_t frameBytes;
  PaStream* stream = nullptr;
  CallbackGate gate;
  // A device that runs at its own rate: its frames are converted into `converted` first.
  std::unique_ptr<RateConverter> converter;
  std::vector<int16_t> converted;

  // Queued buffers are slots [head, tail): the program adds at tail, the device fills at head.
  std::array<Slot, kSlots> slots;
  std::atomic<uint32_t> head{0}, tail{0};
  // Full buffers to announce: the device adds at doneTail, the announcer takes at doneHead.
  std::array<int, kDone> done{};
  std::atomic<uint32_t> doneHead{0}, doneTail{0};
  // Serialises announcing and the program's takeover of the queue (watcher vs program thread).
  std::mutex announceMutex;

  std::atomic<int64_t> position{0};  // frames captured since Start (kept by Stop)
  std::atomic<int64_t> lastDeliveryNs{0};
  std::atomic<bool> running{false};
  std::atomic<bool> endedOnItsOwn{false};
  std::atomic<bool> failed{false};

  int Deliver(const void* input, unsigned long frames) {
    if (!gate.Enter()) return paContinue;
    lastDeliveryNs.store(MonotonicNs(), std::memory_order_relaxed);
    const auto* src = static_cast<const uint8_t*>(input);
    size_t remaining = static_cast<size_t>(frames) * frameBytes;
    while (remaining > 0) {
      const uint32_t h = head.load(std::memory_order_relaxed);
      if (h == tail.load(std::memory_order_acquire)) break;  // no buffer queued: frames are lost
      if (doneTail.load(std::memory_order_relaxed) - doneHead.load(std::memory_order_acquire) >= kDone) break;
      Slot& s = slots[h % kSlots];
      const size_t room = (s.bytes - s.filled) / frameBytes * frameBytes;
      const size_t n = std::min(room, remaining);
      // The device may report an underflow with no data: that stretch is silence.
      CopyCaptured(s.data + s.filled, src, n);
      s.filled += n;
      remaining -= n;
      if (s.filled + frameBytes > s.bytes) {
        const uint32_t d = doneTail.load(std::memory_order_relaxed);
        done[d % kDone] = s.index;
        doneTail.store(d + 1, std::memory_order_release);
        head.store(h + 1, std::memory_order_release);
      }
    }
    position.fetch_add(static_cast<int64_t>(frames), std::memory_order_release);
    gate.Leave();
    return paContinue;
  }

  // Posts MM_WIM_DATA for every full buffer not yet announced. Caller holds announceMutex.
  void AnnounceLocked() {
    uint32_t h = doneHead.load(std::memory_order_relaxed);
    while (h != doneTail.load(std::memory_order_acquire)) {
      PostMainMessage(MM_WIM_DATA, static_cast<uintptr_t>(done[h % kDone]), 0);
      doneHead.store(++h, std::memory_order_release);
    }
  }

  // Program side: hands every queued buffer back (after the full ones, in queue order).
  void ReturnQueuedLocked() {
    gate.CloseAndWait();
    AnnounceLocked();
    const uint32_t t = tail.load(std::memory_order_acquire);
    for (uint32_t h = head.load(std::memory_order_relaxed); h != t; ++h)
      PostMainMessage(MM_WIM_DATA, static_cast<uintptr_t>(slots[h % kSlots].index), 0);
    head.store(t, std::memory_order_release);
    if (!failed.load()) gate.Open();
  }

  void Watch(int64_t) override {
    std::lock_guard lock(announceMutex);
    AnnounceLocked();
  }

  bool Healthy(int64_t nowNs) const {
    if (failed.load()) return false;
    if (!running.load()) return true;
    if (endedOnItsOwn.load()) return false;
    return nowNs - lastDeliveryNs.load(std::memory_order_relaxed) < stallNs_;
  }

 private:
  const int64_t stallNs_;
};

int InputCallback(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
                  PaStreamCallbackFlags, void* user) {
  auto* core = static_cast<InputCore*>(user);
  if (!core->converter) return core->Deliver(input, frames);
  // Frames lost by the device are converted as silence, so the stream keeps its pace.
  const auto* in = static_cast<const int16_t*>(input);
  if (!in) {
    std::fill(core->converted.begin(), core->converted.end(), int16_t{0});
    in = core->converted.data();
    frames = std::min<unsigned long>(frames, static_cast<unsigned long>(kConvertFrames));
  }
  const size_t made = core->converter->Push(in, frames, core->converted.data());
  return core->Deliver(core->converted.data(), static_cast<unsigned long>(made));
}

void InputFinished(void* user) {
  auto* core = static_cast<InputCore*>(user);
  // Our own stop clears `running` first; a stream that ends while running ended on its own.
  if (core->running.load()) core->endedOnItsOwn.store(true);
}

class PaSoundInput : public SoundInput {
 public:
  PaSoundInput(std::shared_ptr<Engine> engine, std::shared_ptr<InputCore> core)
      : engine_(std::move(engine)), core_(std::move(core)) {}
  ~PaSoundInput() override { Shut(false); }

  bool AddBuffer(int index, uint8_t* data, size_t bytes) override {
    if (closed_ || data == nullptr || bytes < core_->frameBytes) return false;
    auto& c = *core_;
    const uint32_t t = c.tail.load(std::memory_order_relaxed);
    if (t - c.head.load(std::memory_order_acquire) >= InputCore::kSlots) return false;
    c.slots[t % InputCore::kSlots] = {index, data, bytes, 0};
    c.tail.store(t + 1, std::memory_order_release);
    return true;
  }

  bool Start() override {
    if (closed_ || core_->failed.load()) return false;
    if (core_->running.load()) return true;
    core_->endedOnItsOwn.store(false);
    core_->lastDeliveryNs.store(MonotonicNs());
    core_->running.store(true);
    // The answer is shared with the call: it may come back after we stopped waiting.
    auto result = std::make_shared<std::atomic<int>>(paInternalError);
    auto core = core_;
    if (!engine_->Run([core, result] { result->store(Pa_StartStream(core->stream)); }) ||
        result->load() != paNoError) {
      core_->running.store(false);
      if (engine_->Stuck()) Fail();
      return false;
    }
    return true;
  }

  void Stop() override {
    if (closed_ || !core_->running.load()) return;
    core_->running.store(false);
    // Abort, not stop: stopping waits for frames that may never come again.
    auto core = core_;
    if (!engine_->Run([core] { Pa_AbortStream(core->stream); })) Fail();
  }

  void Reset() override {
    if (closed_) return;
    Stop();
    {
      std::lock_guard lock(core_->announceMutex);
      core_->ReturnQueuedLocked();
    }
    core_->position.store(0);
  }

  void Close() override { Shut(true); }

  int64_t PositionFrames() override { return core_->position.load(std::memory_order_acquire); }

  bool Healthy() override { return !engine_->Stuck() && core_->Healthy(MonotonicNs()); }

 private:
  // A call that never came back: the callback may still run, so it must keep out of the
  // program's buffers from now on.
  void Fail() {
    core_->failed.store(true);
    core_->gate.CloseAndWait();
  }

  void Shut(bool notify) {
    if (closed_) return;
    Stop();
    closed_ = true;
    engine_->RemoveWatched(core_.get());
    {
      // Full buffers still come back; one still queued is dropped, never written to again.
      std::lock_guard lock(core_->announceMutex);
      core_->gate.CloseAndWait();
      if (notify) core_->AnnounceLocked();
    }
    auto core = core_;
    Engine* engine = engine_.get();
    engine_->Run([core, engine] {
      Pa_CloseStream(core->stream);
      engine->StreamClosed();
    });
    if (notify) PostMainMessage(MM_WIM_CLOSE, 0, 0);
  }

  std::shared_ptr<Engine> engine_;
  std::shared_ptr<InputCore> core_;
  bool closed_ = false;
};

bool Usable(const SoundFormat& f) {
  return f.channels >= 1 && f.channels <= 2 && f.bitsPerSample == 16 && f.sampleRate > 0;
}

}  // namespace

std::unique_ptr<SoundInput> OpenPaInput(const std::shared_ptr<Engine>& engine, const SoundFormat& format,
                                        const std::string& name) {
  if (!Usable(format)) return nullptr;
  auto core = std::make_shared<InputCore>(format, engine->StallNs());
  auto opened = std::make_shared<std::atomic<bool>>(false);
  Engine* e = engine.get();
  const bool answered = engine->Run([e, core, opened, name] {
    if (!e->PrepareForOpen()) return;
    const PaDeviceIndex device = FindDevice(true, name);
    if (device == paNoDevice) return;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    if (!info || info->maxInputChannels < core->format.channels) return;
    PaStreamParameters in{};
    in.device = device;
    in.channelCount = core->format.channels;
    in.sampleFormat = paInt16;
    in.suggestedLatency = std::max(info->defaultHighInputLatency, 0.05);
    QuietStderr quiet;  // a missing server is reported by the result, not by library chatter
    const double rate = DeviceRate(*e, &in, nullptr, core->format.sampleRate);
    unsigned long perCallback = paFramesPerBufferUnspecified;
    if (rate != core->format.sampleRate) {
      core->converter =
          RateConverter::Make(rate, core->format.sampleRate, core->format.channels, kConvertFrames);
      if (!core->converter) return;
      core->converted.assign(std::max(core->converter->OutCapacity(), kConvertFrames) *
                                 static_cast<size_t>(core->format.channels),
                             0);
      perCallback = kConvertFrames;
    }
    PaStream* stream = nullptr;
    if (Pa_OpenStream(&stream, &in, nullptr, rate, perCallback, paClipOff | paDitherOff, InputCallback,
                      core.get()) != paNoError)
      return;
    Pa_SetStreamFinishedCallback(stream, InputFinished);
    core->stream = stream;
    e->StreamOpened();
    opened->store(true);
  });
  // A late answer leaves the engine stuck; the stream (if it ever opens) is abandoned with it.
  if (!answered || !opened->load()) return nullptr;
  engine->AddWatched(core);
  return std::make_unique<PaSoundInput>(engine, core);
}

}  // namespace pa
