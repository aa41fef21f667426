// The playback device: plays the program's buffers in order, each `loops` times, reading each
// frame from the program's memory as it is played (the program refills a looping block while it
// plays). The stream runs from open to close and sounds silence when nothing is queued, so Reset
// needs no call into PortAudio.
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

// Frames of one callback of a device that runs at its own rate.
constexpr size_t kConvertFrames = 1024;

class OutputCore : public Watched {
 public:
  OutputCore(const SoundFormat& f, int64_t stallNs)
      : format(f), frameBytes(static_cast<size_t>(f.BlockAlign())), stallNs_(stallNs) {}

  static constexpr uint32_t kSlots = 8;  // writes queued at once
  struct Slot {
    const uint8_t* data = nullptr;
    int64_t frames = 0;  // frames of one pass
    int64_t total = 0;   // frames of all passes
    int64_t played = 0;  // written by the device thread while the slot is queued
  };

  const SoundFormat format;
  const size_t frameBytes;
  int deviceChannels = 2;  // a mono sound is played on both sides, each with its own volume
  PaStream* stream = nullptr;
  CallbackGate gate;
  std::unique_ptr<RateConverter> converter;  // a device that runs at its own rate
  int64_t fillBaseNs = 0;                    // device thread: when the block being filled is heard

  std::array<Slot, kSlots> slots;
  std::atomic<uint32_t> head{0}, tail{0};
  std::atomic<uint32_t> finishedCount{0};  // writes handed to the device to their end (device thread)
  // When the last frame of each of those leaves the speaker (monotonic ns): MM_WOM_DONE waits
  // for it, so a device closed at the notification does not cut the end of the sound off.
  std::array<std::atomic<int64_t>, kSlots * 2> audibleEndNs{};
  uint32_t announcedCount = 0;  // of those, announced (under announceMutex)
  int64_t latencyNs = 0;        // the stream's output latency, for hosts that give no times
  std::mutex announceMutex;

  std::atomic<int64_t> position{0};  // frames of writes played since open or Reset
  std::atomic<uint32_t> volume{0xFFFFFFFFu};  // left in the low half, right in the high half
  std::atomic<int64_t> lastDeliveryNs{0};
  std::atomic<bool> failed{false};

  static int16_t Sample(const uint8_t* at) {
    int16_t v;
    std::memcpy(&v, at, sizeof v);
    return v;
  }

  // Device thread: writes up to `frames` frames of the queued writes (deviceChannels each) at
  // their volumes and returns how many; the caller sounds silence after them.
  size_t Fill(int16_t* out, size_t frames) {
    const uint32_t vol = volume.load(std::memory_order_relaxed);
    const uint32_t left = vol & 0xFFFF, right = vol >> 16;
    int64_t playedNow = 0;
    size_t f = 0;
    while (f < frames) {
      const uint32_t h = head.load(std::memory_order_relaxed);
      if (h == tail.load(std::memory_order_acquire)) break;
      Slot& s = slots[h % kSlots];
      const int64_t n = std::min<int64_t>(s.total - s.played, static_cast<int64_t>(frames - f));
      for (int64_t i = 0; i < n; ++i, ++f) {
        const uint8_t* frame = s.data + static_cast<size_t>((s.played + i) % s.frames) * frameBytes;
        const int16_t l = Sample(frame);
        const int16_t r = format.channels >= 2 ? Sample(frame + 2) : l;
        int16_t* o = out + f * static_cast<size_t>(deviceChannels);
        int16_t heardLeft, heardRight;
        SideMix(l, r, left, right, &heardLeft, &heardRight);
        o[0] = heardLeft;
        if (deviceChannels >= 2) o[1] = heardRight;
      }
      s.played += n;
      playedNow += n;
      if (s.played >= s.total) {
        const uint32_t done = finishedCount.load(std::memory_order_relaxed);
        audibleEndNs[done % audibleEndNs.size()].store(
            fillBaseNs + static_cast<int64_t>(f) * 1000000000 / format.sampleRate, std::memory_order_relaxed);
        head.store(h + 1, std::memory_order_release);
        finishedCount.store(done + 1, std::memory_order_release);
      }
    }
    position.fetch_add(playedNow, std::memory_order_release);
    return f;
  }

  static size_t FillConverted(void* self, int16_t* out, size_t frames) {
    auto* core = static_cast<OutputCore*>(self);
    const size_t n = core->Fill(out, frames);
    core->fillBaseNs += static_cast<int64_t>(frames) * 1000000000 / core->format.sampleRate;
    return n;
  }

  int Play(void* output, unsigned long frames, const PaStreamCallbackTimeInfo* time) {
    auto* out = static_cast<int16_t*>(output);
    const size_t outValues = static_cast<size_t>(frames) * static_cast<size_t>(deviceChannels);
    if (!gate.Enter()) {
      std::fill(out, out + outValues, int16_t{0});
      return paContinue;
    }
    const int64_t nowNs = MonotonicNs();
    lastDeliveryNs.store(nowNs, std::memory_order_relaxed);
    int64_t aheadNs = latencyNs;  // until the first frame of this block is heard
    if (time && time->outputBufferDacTime > time->currentTime)
      aheadNs = static_cast<int64_t>((time->outputBufferDacTime - time->currentTime) * 1e9);
    fillBaseNs = nowNs + aheadNs;
    if (converter) {
      converter->Pull(out, frames, &OutputCore::FillConverted, this);
    } else {
      const size_t f = Fill(out, frames);
      std::fill(out + f * static_cast<size_t>(deviceChannels), out + outValues, int16_t{0});
    }
    gate.Leave();
    return paContinue;
  }

  // Posts MM_WOM_DONE for every write played to its end (heard by `nowNs`; all of them when
  // `nowNs` is 0) and not yet announced.
  void AnnounceLocked(int64_t nowNs = 0) {
    const uint32_t n = finishedCount.load(std::memory_order_acquire);
    for (; announcedCount != n; ++announcedCount) {
      if (nowNs != 0 && audibleEndNs[announcedCount % audibleEndNs.size()].load() > nowNs) break;
      PostMainMessage(MM_WOM_DONE, 0, 0);
    }
  }

  // Ends every queued write now; each comes back as a finished one does.
  void ReturnQueuedLocked() {
    gate.CloseAndWait();
    AnnounceLocked();
    const uint32_t t = tail.load(std::memory_order_acquire);
    for (uint32_t h = head.load(std::memory_order_relaxed); h != t; ++h) PostMainMessage(MM_WOM_DONE, 0, 0);
    head.store(t, std::memory_order_release);
    position.store(0);
    if (!failed.load()) gate.Open();
  }

  void Watch(int64_t nowNs) override {
    std::lock_guard lock(announceMutex);
    AnnounceLocked(nowNs);
    // A device that stopped taking frames ends what it was playing, so nobody waits for the end
    // of a sound that will never be heard.
    const bool playing = head.load(std::memory_order_acquire) != tail.load(std::memory_order_acquire);
    if (playing && nowNs - lastDeliveryNs.load(std::memory_order_relaxed) >= stallNs_) {
      failed.store(true);
      ReturnQueuedLocked();
    }
  }

 private:
  const int64_t stallNs_;
};

int OutputCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* time,
                   PaStreamCallbackFlags, void* user) {
  return static_cast<OutputCore*>(user)->Play(output, frames, time);
}

void OutputFinished(void* user) {
  // The stream ends only by our close, or on its own when the device went away.
  static_cast<OutputCore*>(user)->lastDeliveryNs.store(0);
}

class PaSoundOutput : public SoundOutput {
 public:
  PaSoundOutput(std::shared_ptr<Engine> engine, std::shared_ptr<OutputCore> core)
      : engine_(std::move(engine)), core_(std::move(core)) {}
  ~PaSoundOutput() override { Close(); }

  bool Write(const uint8_t* data, size_t bytes, int loops) override {
    auto& c = *core_;
    if (closed_ || c.failed.load() || data == nullptr || bytes < c.frameBytes) return false;
    const uint32_t t = c.tail.load(std::memory_order_relaxed);
    if (t - c.head.load(std::memory_order_acquire) >= OutputCore::kSlots) return false;
    const int64_t frames = static_cast<int64_t>(bytes / c.frameBytes);
    c.slots[t % OutputCore::kSlots] = {data, frames, frames * std::max(loops, 1), 0};
    c.tail.store(t + 1, std::memory_order_release);
    return true;
  }

  int64_t PositionFrames() override { return core_->position.load(std::memory_order_acquire); }

  void SetVolume(uint16_t left, uint16_t right) override {
    core_->volume.store(static_cast<uint32_t>(left) | (static_cast<uint32_t>(right) << 16));
  }

  void Reset() override {
    if (closed_) return;
    std::lock_guard lock(core_->announceMutex);
    core_->ReturnQueuedLocked();
  }

  void Close() override {
    if (closed_) return;
    closed_ = true;
    engine_->RemoveWatched(core_.get());
    {
      // Writes still queued are dropped without a notification; finished ones were announced.
      std::lock_guard lock(core_->announceMutex);
      core_->AnnounceLocked();
      core_->failed.store(true);
      core_->gate.CloseAndWait();
    }
    auto core = core_;
    Engine* engine = engine_.get();
    engine_->Run([core, engine] {
      Pa_AbortStream(core->stream);
      Pa_CloseStream(core->stream);
      engine->StreamClosed();
    });
  }

 private:
  std::shared_ptr<Engine> engine_;
  std::shared_ptr<OutputCore> core_;
  bool closed_ = false;
};

bool Usable(const SoundFormat& f) {
  return f.channels >= 1 && f.channels <= 2 && f.bitsPerSample == 16 && f.sampleRate > 0;
}

}  // namespace

std::unique_ptr<SoundOutput> OpenPaOutput(const std::shared_ptr<Engine>& engine, const SoundFormat& format,
                                          const std::string& name) {
  if (!Usable(format)) return nullptr;
  auto core = std::make_shared<OutputCore>(format, engine->StallNs());
  auto opened = std::make_shared<std::atomic<bool>>(false);
  Engine* e = engine.get();
  const bool answered = engine->Run([e, core, opened, name] {
    if (!e->PrepareForOpen()) return;
    const PaDeviceIndex device = FindDevice(false, name);
    if (device == paNoDevice) return;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    if (!info || info->maxOutputChannels < 1) return;
    core->deviceChannels = std::min(info->maxOutputChannels, 2);
    PaStreamParameters out{};
    out.device = device;
    out.channelCount = core->deviceChannels;
    out.sampleFormat = paInt16;
    // The program hands over seconds of sound at a time: a roomy device buffer costs nothing and
    // rides out a busy machine without gaps.
    out.suggestedLatency = std::max(info->defaultHighOutputLatency, 0.1);
    QuietStderr quiet;
    const double rate = DeviceRate(*e, nullptr, &out, core->format.sampleRate);
    unsigned long perCallback = paFramesPerBufferUnspecified;
    if (rate != core->format.sampleRate) {
      core->converter =
          RateConverter::Make(core->format.sampleRate, rate, core->deviceChannels, kConvertFrames);
      if (!core->converter) return;
      perCallback = kConvertFrames;
    }
    PaStream* stream = nullptr;
    if (Pa_OpenStream(&stream, nullptr, &out, rate, perCallback, paClipOff | paDitherOff, OutputCallback,
                      core.get()) != paNoError)
      return;
    Pa_SetStreamFinishedCallback(stream, OutputFinished);
    if (const PaStreamInfo* si = Pa_GetStreamInfo(stream))
      core->latencyNs = static_cast<int64_t>(si->outputLatency * 1e9);
    core->lastDeliveryNs.store(MonotonicNs());
    if (Pa_StartStream(stream) != paNoError) {
      Pa_CloseStream(stream);
      return;
    }
    core->stream = stream;
    e->StreamOpened();
    opened->store(true);
  });
  if (!answered || !opened->load()) return nullptr;
  engine->AddWatched(core);
  return std::make_unique<PaSoundOutput>(engine, core);
}

}  // namespace pa
