// A playback stream to a sink of the server: plays the program's buffers in order, each `loops`
// times, reading each frame from the program's memory as it is handed to the server (the program
// refills a looping block while it plays). The stream runs from open to close and sounds silence
// when nothing is queued. It is always stereo, so each side keeps its own volume.
#include <algorithm>
#include <bit>
#include <cstring>
#include <deque>

#include "platform/messages.h"
#include "platform/pulse/pulse_internal.h"

static_assert(std::endian::native == std::endian::little, "16-bit frames are handed over as they come");

namespace pulse {
namespace {

constexpr int kStreamChannels = 2;
constexpr pa_usec_t kWatchUs = 5000;  // how often ends are announced and stalls looked for

struct OutputCore {
  OutputCore(const SoundFormat& f, std::shared_ptr<Connection> c)
      : format(f), frameBytes(static_cast<size_t>(f.BlockAlign())), connection(std::move(c)) {}

  struct Write {
    const uint8_t* data = nullptr;
    int64_t frames = 0;  // of one pass
    int64_t total = 0;   // of all passes
    int64_t played = 0;
  };

  const SoundFormat format;
  const size_t frameBytes;
  std::shared_ptr<Connection> connection;
  pa_stream* stream = nullptr;     // under the loop lock
  pa_time_event* watch = nullptr;  // under the loop lock

  std::mutex mutex;  // guards the fields below
  std::deque<Write> queued;
  std::deque<int64_t> endsAt;  // stream frames at which finished writes end, not yet announced
  int64_t streamFrames = 0;    // frames handed to the server since open
  int64_t position = 0;        // frames of writes played since open or Reset
  uint32_t left = 0xFFFF, right = 0xFFFF;
  bool failed = false;
  bool closed = false;
  int64_t lastRequestNs = 0;

  std::atomic<int> state{PA_STREAM_UNCONNECTED};

  static int16_t Sample(const uint8_t* at) {
    int16_t v;
    std::memcpy(&v, at, sizeof v);
    return v;
  }

  // Event thread: `frames` stereo frames for the server, from the queued writes (silence after).
  void Fill(int16_t* out, size_t frames) {
    std::lock_guard lock(mutex);
    lastRequestNs = MonotonicNs();
    size_t f = 0;
    while (f < frames && !queued.empty() && !failed) {
      Write& w = queued.front();
      const int64_t n = std::min<int64_t>(w.total - w.played, static_cast<int64_t>(frames - f));
      for (int64_t i = 0; i < n; ++i, ++f) {
        const uint8_t* frame = w.data + static_cast<size_t>((w.played + i) % w.frames) * frameBytes;
        const int16_t l = Sample(frame);
        const int16_t r = format.channels >= 2 ? Sample(frame + 2) : l;
        SideMix(l, r, left, right, &out[2 * f], &out[2 * f + 1]);
      }
      w.played += n;
      position += n;
      if (w.played >= w.total) {
        endsAt.push_back(streamFrames + static_cast<int64_t>(f));
        queued.pop_front();
      }
    }
    std::fill(out + 2 * f, out + 2 * frames, int16_t{0});
    streamFrames += static_cast<int64_t>(frames);
  }

  // Every write still queued ends now; each comes back as a finished one does. Under `mutex`.
  void ReturnQueuedLocked() {
    for (size_t i = 0; i < endsAt.size() + queued.size(); ++i) PostMainMessage(MM_WOM_DONE, 0, 0);
    endsAt.clear();
    queued.clear();
    position = 0;
  }

  // Event thread: announces the writes heard to their end; a stream that failed, or stopped
  // asking for frames while something plays, ends what it was playing.
  void Watch(pa_stream* s) {
    pa_usec_t heardUs = 0;
    const bool timed = s && pa_stream_get_time(s, &heardUs) >= 0;
    const int64_t heard =
        timed ? static_cast<int64_t>(heardUs * static_cast<uint64_t>(format.sampleRate) / 1000000) : 0;
    std::lock_guard lock(mutex);
    if (closed) return;
    while (timed && !endsAt.empty() && endsAt.front() <= heard) {
      PostMainMessage(MM_WOM_DONE, 0, 0);
      endsAt.pop_front();
    }
    const bool playing = !queued.empty() || !endsAt.empty();
    const bool dead =
        state.load() != PA_STREAM_READY || MonotonicNs() - lastRequestNs >= connection->StallNs();
    if (playing && dead) {
      failed = true;
      ReturnQueuedLocked();
    }
  }
};

void StreamState(pa_stream* s, void* user) {
  auto* core = static_cast<OutputCore*>(user);
  core->state.store(pa_stream_get_state(s));
  core->connection->Signal();
  const int st = core->state.load();
  if (st == PA_STREAM_FAILED || st == PA_STREAM_TERMINATED) core->Watch(nullptr);
}

void StreamWrite(pa_stream* s, size_t bytes, void* user) {
  auto* core = static_cast<OutputCore*>(user);
  while (bytes >= 2 * sizeof(int16_t)) {
    void* buffer = nullptr;
    size_t n = bytes;
    if (pa_stream_begin_write(s, &buffer, &n) < 0 || !buffer) return;
    n = std::min(n, bytes) / (2 * sizeof(int16_t)) * (2 * sizeof(int16_t));
    if (n == 0) {
      pa_stream_cancel_write(s);
      return;
    }
    core->Fill(static_cast<int16_t*>(buffer), n / (2 * sizeof(int16_t)));
    if (pa_stream_write(s, buffer, n, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
    bytes -= n;
  }
}

struct timeval Soon() {
  struct timeval tv;
  pa_gettimeofday(&tv);
  pa_timeval_add(&tv, kWatchUs);
  return tv;
}

void WatchTimer(pa_mainloop_api* api, pa_time_event* e, const struct timeval*, void* user) {
  auto* core = static_cast<OutputCore*>(user);
  core->Watch(core->stream);
  const struct timeval next = Soon();
  api->time_restart(e, &next);
}

class PulseOutput : public SoundOutput {
 public:
  explicit PulseOutput(std::shared_ptr<OutputCore> core) : core_(std::move(core)) {}
  ~PulseOutput() override { Close(); }

  bool Write(const uint8_t* data, size_t bytes, int loops) override {
    auto& c = *core_;
    if (data == nullptr || bytes < c.frameBytes) return false;
    std::lock_guard lock(c.mutex);
    if (c.closed || c.failed || c.state.load() != PA_STREAM_READY || c.queued.size() >= 8) return false;
    const int64_t frames = static_cast<int64_t>(bytes / c.frameBytes);
    if (c.queued.empty()) c.lastRequestNs = MonotonicNs();
    c.queued.push_back({data, frames, frames * std::max(loops, 1), 0});
    return true;
  }

  int64_t PositionFrames() override {
    std::lock_guard lock(core_->mutex);
    return core_->position;
  }

  void SetVolume(uint16_t left, uint16_t right) override {
    std::lock_guard lock(core_->mutex);
    core_->left = left;
    core_->right = right;
  }

  void Reset() override {
    std::lock_guard lock(core_->mutex);
    if (core_->closed) return;
    core_->ReturnQueuedLocked();
  }

  void Close() override {
    {
      std::lock_guard lock(core_->mutex);
      if (core_->closed) return;
      // Writes still queued are dropped without a notification.
      core_->closed = true;
      core_->queued.clear();
      core_->endsAt.clear();
    }
    LoopLock lock(core_->connection->Loop());
    Disconnect(*core_);
  }

  static void Disconnect(OutputCore& c) {  // under the loop lock
    if (c.watch) {
      pa_mainloop_api* api = pa_threaded_mainloop_get_api(c.connection->Loop());
      api->time_free(c.watch);
      c.watch = nullptr;
    }
    if (c.stream) {
      pa_stream_set_state_callback(c.stream, nullptr, nullptr);
      pa_stream_set_write_callback(c.stream, nullptr, nullptr);
      pa_stream_disconnect(c.stream);
      pa_stream_unref(c.stream);
      c.stream = nullptr;
    }
  }

 private:
  std::shared_ptr<OutputCore> core_;
};

}  // namespace

std::unique_ptr<SoundOutput> OpenPulseOutput(const std::shared_ptr<Connection>& connection,
                                             const SoundFormat& format, const std::string& device) {
  auto core = std::make_shared<OutputCore>(format, connection);
  auto output = std::make_unique<PulseOutput>(core);
  {
    LoopLock lock(connection->Loop());
    const pa_sample_spec streamFormat = StreamFormatOf(format, kStreamChannels);
    const pa_channel_map map = MapOf(kStreamChannels);
    core->stream = pa_stream_new(connection->Context(), "Taldrinex playback", &streamFormat, &map);
    if (!core->stream) return nullptr;
    pa_stream_set_state_callback(core->stream, StreamState, core.get());
    pa_stream_set_write_callback(core->stream, StreamWrite, core.get());
    // A short server buffer: a Reset is heard soon, and the position stays close to what is heard.
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(100000, &streamFormat));
    attr.prebuf = attr.minreq = attr.fragsize = static_cast<uint32_t>(-1);
    auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                                PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_NOT_MONOTONIC |
                                                (device.empty() ? 0 : PA_STREAM_DONT_MOVE));
    if (pa_stream_connect_playback(core->stream, device.empty() ? nullptr : device.c_str(), &attr, flags,
                                   nullptr, nullptr) < 0)
      return nullptr;
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(connection->Loop());
    const struct timeval first = Soon();
    core->watch = api->time_new(api, &first, WatchTimer, core.get());
  }
  const bool ready = connection->WaitFor([&] {
    const int s = core->state.load();
    return s == PA_STREAM_READY || s == PA_STREAM_FAILED || s == PA_STREAM_TERMINATED;
  });
  if (!ready || core->state.load() != PA_STREAM_READY) return nullptr;
  return output;
}

}  // namespace pulse
