// A capture stream from a source of the server: fills the program's queued buffers in order and
// hands each back full (MM_WIM_DATA), from the event thread.
#include <algorithm>
#include <bit>
#include <cstring>
#include <deque>

#include "platform/messages.h"
#include "platform/pulse/pulse_internal.h"

static_assert(std::endian::native == std::endian::little, "16-bit frames are handed over as they come");

namespace pulse {
namespace {

// What the event thread and the program thread share; lives while either may use it.
struct InputCore {
  InputCore(const SoundFormat& f, std::shared_ptr<Connection> c)
      : format(f), frameBytes(static_cast<size_t>(f.BlockAlign())), connection(std::move(c)) {}

  struct Slot {
    int index = 0;
    uint8_t* data = nullptr;
    size_t bytes = 0;   // whole frames
    size_t filled = 0;  // bytes
  };

  const SoundFormat format;
  const size_t frameBytes;
  std::shared_ptr<Connection> connection;
  pa_stream* stream = nullptr;  // under the loop lock

  std::mutex mutex;  // guards the fields below (both threads, briefly)
  std::deque<Slot> queued;
  bool running = false;
  bool closed = false;
  int64_t bytesCaptured = 0;  // since Start (kept by Stop)

  std::atomic<int> state{PA_STREAM_UNCONNECTED};
  std::atomic<int64_t> lastDeliveryNs{0};

  // Event thread: copies captured bytes (silence for a hole) into the queued buffers.
  void Deliver(const uint8_t* src, size_t bytes) {
    std::lock_guard lock(mutex);
    if (!running || closed) return;
    lastDeliveryNs.store(MonotonicNs());
    bytesCaptured += static_cast<int64_t>(bytes);
    while (bytes > 0 && !queued.empty()) {
      Slot& s = queued.front();
      const size_t n = std::min(s.bytes - s.filled, bytes);
      CopyCaptured(s.data + s.filled, src, n);
      s.filled += n;
      bytes -= n;
      if (s.filled == s.bytes) {
        PostMainMessage(MM_WIM_DATA, static_cast<uintptr_t>(s.index), 0);
        queued.pop_front();
      }
    }
    // Frames that find no buffer queued are lost, as on any device.
  }
};

void StreamState(pa_stream* s, void* user) {
  auto* core = static_cast<InputCore*>(user);
  core->state.store(pa_stream_get_state(s));
  core->connection->Signal();
}

void StreamRead(pa_stream* s, size_t, void* user) {
  auto* core = static_cast<InputCore*>(user);
  while (pa_stream_readable_size(s) > 0) {
    const void* data = nullptr;
    size_t bytes = 0;
    if (pa_stream_peek(s, &data, &bytes) < 0 || bytes == 0) break;
    core->Deliver(static_cast<const uint8_t*>(data), bytes);
    pa_stream_drop(s);
  }
}

class PulseInput : public SoundInput {
 public:
  explicit PulseInput(std::shared_ptr<InputCore> core) : core_(std::move(core)) {}
  ~PulseInput() override { Shut(false); }

  bool AddBuffer(int index, uint8_t* data, size_t bytes) override {
    const size_t whole = bytes / core_->frameBytes * core_->frameBytes;
    if (data == nullptr || whole == 0) return false;
    std::lock_guard lock(core_->mutex);
    if (core_->closed || core_->queued.size() >= 8) return false;
    core_->queued.push_back({index, data, whole, 0});
    return true;
  }

  bool Start() override {
    {
      std::lock_guard lock(core_->mutex);
      if (core_->closed) return false;
      if (core_->running) return true;
      core_->running = true;
    }
    core_->lastDeliveryNs.store(MonotonicNs());
    if (!Streaming()) return false;
    Cork(false);
    return true;
  }

  void Stop() override {
    {
      std::lock_guard lock(core_->mutex);
      if (core_->closed || !core_->running) return;
      core_->running = false;
    }
    Cork(true);
  }

  void Reset() override {
    Stop();
    std::lock_guard lock(core_->mutex);
    if (core_->closed) return;
    for (const auto& s : core_->queued) PostMainMessage(MM_WIM_DATA, static_cast<uintptr_t>(s.index), 0);
    core_->queued.clear();
    core_->bytesCaptured = 0;
  }

  void Close() override { Shut(true); }

  int64_t PositionFrames() override {
    std::lock_guard lock(core_->mutex);
    return core_->bytesCaptured / static_cast<int64_t>(core_->frameBytes);
  }

  bool Healthy() override {
    if (!Streaming()) return false;
    std::lock_guard lock(core_->mutex);
    if (!core_->running) return true;
    return MonotonicNs() - core_->lastDeliveryNs.load() < core_->connection->StallNs();
  }

 private:
  bool Streaming() const { return core_->state.load() == PA_STREAM_READY; }

  // Fire and forget: the answer is not waited for (a dead server never gives it).
  void Cork(bool cork) {
    LoopLock lock(core_->connection->Loop());
    if (core_->stream && pa_stream_get_state(core_->stream) == PA_STREAM_READY) {
      if (pa_operation* op = pa_stream_cork(core_->stream, cork ? 1 : 0, nullptr, nullptr))
        pa_operation_unref(op);
      if (cork)
        if (pa_operation* op = pa_stream_flush(core_->stream, nullptr, nullptr)) pa_operation_unref(op);
    }
  }

  void Shut(bool notify) {
    {
      std::lock_guard lock(core_->mutex);
      if (core_->closed) return;
      core_->running = false;
      core_->closed = true;
      // A buffer still queued is dropped, never written to again.
      core_->queued.clear();
    }
    {
      LoopLock lock(core_->connection->Loop());
      if (core_->stream) {
        pa_stream_set_state_callback(core_->stream, nullptr, nullptr);
        pa_stream_set_read_callback(core_->stream, nullptr, nullptr);
        pa_stream_disconnect(core_->stream);
        pa_stream_unref(core_->stream);
        core_->stream = nullptr;
      }
    }
    if (notify) PostMainMessage(MM_WIM_CLOSE, 0, 0);
  }

  std::shared_ptr<InputCore> core_;
};

}  // namespace

std::unique_ptr<SoundInput> OpenPulseInput(const std::shared_ptr<Connection>& connection,
                                           const SoundFormat& format, const std::string& device) {
  auto core = std::make_shared<InputCore>(format, connection);
  {
    LoopLock lock(connection->Loop());
    const pa_sample_spec streamFormat = StreamFormatOf(format, format.channels);
    const pa_channel_map map = MapOf(format.channels);
    core->stream = pa_stream_new(connection->Context(), "Taldrinex capture", &streamFormat, &map);
    if (!core->stream) return nullptr;
    pa_stream_set_state_callback(core->stream, StreamState, core.get());
    pa_stream_set_read_callback(core->stream, StreamRead, core.get());
    // Small fragments: the program's buffers fill evenly and a stall shows at once.
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(20000, &streamFormat));
    attr.tlength = attr.prebuf = attr.minreq = static_cast<uint32_t>(-1);
    // A chosen source that goes away ends the stream instead of moving it to another source.
    auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED |
                                                (device.empty() ? 0 : PA_STREAM_DONT_MOVE));
    if (pa_stream_connect_record(core->stream, device.empty() ? nullptr : device.c_str(), &attr, flags) < 0) {
      pa_stream_unref(core->stream);
      core->stream = nullptr;
      return nullptr;
    }
  }
  auto input = std::make_unique<PulseInput>(core);
  const bool ready = connection->WaitFor([&] {
    const int s = core->state.load();
    return s == PA_STREAM_READY || s == PA_STREAM_FAILED || s == PA_STREAM_TERMINATED;
  });
  if (!ready || core->state.load() != PA_STREAM_READY) return nullptr;  // the destructor disconnects
  return input;
}

}  // namespace pulse
