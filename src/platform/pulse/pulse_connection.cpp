// The connection to the sound server, and the system that lists and opens its devices.
#include <algorithm>
#include <vector>

#include "platform/pulse/pulse_internal.h"

namespace pulse {

int64_t MonotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool Usable(const SoundFormat& f) {
  return f.channels >= 1 && f.channels <= 2 && f.bitsPerSample == 16 && f.sampleRate > 0;
}

pa_sample_spec StreamFormatOf(const SoundFormat& format, int channels) {
  pa_sample_spec streamFormat{};
  streamFormat.format = PA_SAMPLE_S16LE;
  streamFormat.rate = static_cast<uint32_t>(format.sampleRate);
  streamFormat.channels = static_cast<uint8_t>(channels);
  return streamFormat;
}

pa_channel_map MapOf(int channels) {
  pa_channel_map map;
  pa_channel_map_init_extend(&map, static_cast<unsigned>(channels), PA_CHANNEL_MAP_DEFAULT);
  return map;
}

Connection::Connection(const PulseOptions& opts) : options(opts) {}

std::shared_ptr<Connection> Connection::Make(const PulseOptions& options) {
  std::shared_ptr<Connection> c(new Connection(options));
  c->loop_ = pa_threaded_mainloop_new();
  if (!c->loop_ || pa_threaded_mainloop_start(c->loop_) < 0) return nullptr;
  return c;
}

Connection::~Connection() {
  if (!loop_) return;
  {
    LoopLock lock(loop_);
    DropContext();
  }
  pa_threaded_mainloop_stop(loop_);
  pa_threaded_mainloop_free(loop_);
}

void Connection::DropContext() {
  if (!context_) return;
  pa_context_set_state_callback(context_, nullptr, nullptr);
  pa_context_disconnect(context_);
  pa_context_unref(context_);
  context_ = nullptr;
  state_.store(PA_CONTEXT_UNCONNECTED);
}

void Connection::ContextState(pa_context* c, void* self) {
  auto* conn = static_cast<Connection*>(self);
  conn->state_.store(pa_context_get_state(c));
  conn->Signal();
}

void Connection::Signal() {
  {
    std::lock_guard lock(waitMutex_);
    ++signals_;
  }
  waitWake_.notify_all();
}

bool Connection::WaitFor(const std::function<bool()>& done) {
  const auto limit =
      std::chrono::steady_clock::now() + std::chrono::duration<double, std::milli>(options.callLimitMs);
  std::unique_lock lock(waitMutex_);
  for (;;) {
    if (done()) return true;
    const uint64_t seen = signals_;
    // A callback between the check and the wait bumps the count: no wake-up is lost.
    if (!waitWake_.wait_until(lock, limit, [&] { return signals_ != seen; })) return done();
  }
}

bool Connection::Connect() {
  {
    LoopLock lock(loop_);
    if (context_ && state_.load() == PA_CONTEXT_READY) return true;
    DropContext();
    // A fresh context reads the client configuration again (a server started since is found).
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Taldrinex");
    if (!context_) return false;
    pa_context_set_state_callback(context_, &Connection::ContextState, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
      DropContext();
      return false;
    }
  }
  auto settled = [this] {
    const int s = state_.load();
    return s == PA_CONTEXT_READY || s == PA_CONTEXT_FAILED || s == PA_CONTEXT_TERMINATED;
  };
  const bool answered = WaitFor(settled) && state_.load() == PA_CONTEXT_READY;
  if (!answered) {
    LoopLock lock(loop_);
    DropContext();
  }
  return answered;
}

namespace {

// What a listing collects on the event thread; shared, so that a late answer finds it alive.
struct Listing {
  std::mutex mutex;
  std::vector<SoundDeviceInfo> devices;
  bool done = false;
  Connection* connection = nullptr;

  void Add(const char* name, const char* description) {
    if (!name) return;
    std::lock_guard lock(mutex);
    devices.push_back({name, description && *description ? description : name});
  }
  void Finish() {
    {
      std::lock_guard lock(mutex);
      done = true;
    }
    connection->Signal();
  }
};

void SourceListed(pa_context*, const pa_source_info* info, int eol, void* user) {
  auto* l = static_cast<std::shared_ptr<Listing>*>(user);
  if (eol) {
    (*l)->Finish();
    delete l;
    return;
  }
  // A sink's monitor is what that sink plays, not a device the user speaks into.
  if (info && info->monitor_of_sink == PA_INVALID_INDEX) (*l)->Add(info->name, info->description);
}

void SinkListed(pa_context*, const pa_sink_info* info, int eol, void* user) {
  auto* l = static_cast<std::shared_ptr<Listing>*>(user);
  if (eol) {
    (*l)->Finish();
    delete l;
    return;
  }
  if (info) (*l)->Add(info->name, info->description);
}

class PulseSystem : public PulseSoundSystem {
 public:
  explicit PulseSystem(std::shared_ptr<Connection> c) : connection_(std::move(c)) {}

  bool ServerAnswers() override { return connection_ && connection_->Connect(); }

  std::unique_ptr<SoundInput> OpenInput(const SoundFormat& format, const std::string& device) override {
    if (!Usable(format) || !ServerAnswers()) return nullptr;
    return OpenPulseInput(connection_, format, device);
  }
  std::unique_ptr<SoundOutput> OpenOutput(const SoundFormat& format, const std::string& device) override {
    if (!Usable(format) || !ServerAnswers()) return nullptr;
    return OpenPulseOutput(connection_, format, device);
  }

  std::vector<SoundDeviceInfo> ListDevices(bool input) override {
    if (!ServerAnswers()) return {};
    auto listing = std::make_shared<Listing>();
    listing->connection = connection_.get();
    {
      LoopLock lock(connection_->Loop());
      // The callback owns one reference until the end of the list (or the context's end).
      auto* user = new std::shared_ptr<Listing>(listing);
      pa_operation* op = input ? pa_context_get_source_info_list(connection_->Context(), SourceListed, user)
                               : pa_context_get_sink_info_list(connection_->Context(), SinkListed, user);
      if (!op) {
        delete user;
        return {};
      }
      pa_operation_unref(op);
    }
    if (!connection_->WaitFor([&] {
          std::lock_guard lock(listing->mutex);
          return listing->done;
        }))
      return {};
    std::lock_guard lock(listing->mutex);
    return listing->devices;
  }

 private:
  std::shared_ptr<Connection> connection_;
};

}  // namespace
}  // namespace pulse

std::unique_ptr<PulseSoundSystem> MakePulseSoundSystem(const PulseOptions& options) {
  return std::make_unique<pulse::PulseSystem>(pulse::Connection::Make(options));
}
