#include "platform/headless/sim_sound.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "platform/messages.h"

int64_t FramesBetween(double startMs, double nowMs, int rate) {
  const double frames = (nowMs - startMs) * rate / 1000.0;
  if (!(frames > 0)) return 0;
  // The clock moves in steps like 0.5 ms that are exact in binary; the small allowance keeps
  // sums of other steps from landing a hair below a whole frame.
  return static_cast<int64_t>(std::floor(frames + 1e-6));
}

int16_t SimSignalSource::Value(int64_t frame, int channel, int rate) const {
  if (samples.empty() || channels < 1) {
    const double v =
        sineAmplitude * std::sin(2.0 * std::numbers::pi * sineHz * static_cast<double>(frame) / rate);
    return static_cast<int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
  }
  const int64_t frames = static_cast<int64_t>(samples.size()) / channels;
  if (frames == 0) return 0;
  const int64_t f = frame % frames;
  const int c = std::min(channel, channels - 1);
  return samples[static_cast<size_t>(f * channels + c)];
}

namespace {
void PutSample(uint8_t* at, int16_t v) {
  // Little-endian, as the program reads its buffers.
  const auto u = static_cast<uint16_t>(v);
  at[0] = static_cast<uint8_t>(u & 0xFF);
  at[1] = static_cast<uint8_t>(u >> 8);
}
int16_t GetSample(const uint8_t* at) {
  return static_cast<int16_t>(static_cast<uint16_t>(at[0] | (at[1] << 8)));
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Input

SimSoundInput::SimSoundInput(SimSoundSystem& system, SoundFormat format) : system_(system), format_(format) {
  system_.inputs_.push_back(this);
}

SimSoundInput::~SimSoundInput() {
  auto& v = system_.inputs_;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

bool SimSoundInput::AddBuffer(int index, uint8_t* data, size_t bytes) {
  if (closed_ || data == nullptr || bytes < static_cast<size_t>(format_.BlockAlign())) return false;
  queue_.push_back({index, data, bytes, 0});
  return true;
}

bool SimSoundInput::Start() {
  if (closed_) return false;
  if (!running_) {
    running_ = true;
    startMs_ = system_.NowMs();
  }
  return true;
}

int64_t SimSoundInput::PositionFrames() {
  if (!running_) return framesBeforeStart_;
  return framesBeforeStart_ + FramesBetween(startMs_, system_.NowMs(), format_.sampleRate);
}

void SimSoundInput::Stop() {
  if (!running_) return;
  Advance(system_.NowMs());
  framesBeforeStart_ = PositionFrames();
  running_ = false;
}

void SimSoundInput::Reset() {
  Stop();
  // Every queued buffer comes back, the partly filled one too.
  for (const auto& q : queue_) PostMainMessage(MM_WIM_DATA, static_cast<uintptr_t>(q.index), 0);
  queue_.clear();
  framesBeforeStart_ = 0;
  delivered_ = 0;
}

void SimSoundInput::Close() {
  if (closed_) return;
  Stop();
  // A buffer still queued is dropped, never written to again.
  queue_.clear();
  closed_ = true;
  PostMainMessage(MM_WIM_CLOSE, 0, 0);
}

void SimSoundInput::Advance(double nowMs) {
  if (!running_ || closed_) return;
  const int64_t target = framesBeforeStart_ + FramesBetween(startMs_, nowMs, format_.sampleRate);
  const size_t align = static_cast<size_t>(format_.BlockAlign());
  while (delivered_ < target) {
    if (queue_.empty()) {
      // No buffer to fill: these frames are lost, as with a real device that overruns.
      delivered_ = target;
      break;
    }
    Queued& q = queue_.front();
    const int64_t room = static_cast<int64_t>((q.bytes - q.filled) / align);
    const int64_t n = std::min(room, target - delivered_);
    for (int64_t i = 0; i < n; ++i) {
      uint8_t* frame = q.data + q.filled + static_cast<size_t>(i) * align;
      for (int c = 0; c < format_.channels; ++c)
        PutSample(frame + 2 * c, system_.source.Value(delivered_ + i, c, format_.sampleRate));
    }
    q.filled += static_cast<size_t>(n) * align;
    delivered_ += n;
    if (q.filled + align > q.bytes) {
      PostMainMessage(MM_WIM_DATA, static_cast<uintptr_t>(q.index), 0);
      queue_.pop_front();
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Output

SimSoundOutput::SimSoundOutput(SimSoundSystem& system, SoundFormat format)
    : system_(system), format_(format) {
  system_.outputs_.push_back(this);
}

SimSoundOutput::~SimSoundOutput() {
  auto& v = system_.outputs_;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

bool SimSoundOutput::Write(const uint8_t* data, size_t bytes, int loops) {
  const size_t align = static_cast<size_t>(format_.BlockAlign());
  if (closed_ || data == nullptr || bytes < align) return false;
  if (loops < 1) loops = 1;
  Advance(system_.NowMs());
  SimOutputWrite rec;
  rec.atMs = system_.NowMs();
  rec.format = format_;
  rec.data.assign(data, data + bytes);
  rec.loops = loops;
  rec.left = left_;
  rec.right = right_;
  system_.writes_.push_back(std::move(rec));
  const size_t frames = bytes / align;
  if (queue_.empty()) startMs_ = system_.NowMs();
  queue_.push_back({data, frames, static_cast<int64_t>(frames) * loops, system_.writes_.size() - 1, 0});
  return true;
}

int64_t SimSoundOutput::PositionFrames() {
  if (queue_.empty()) return playedBefore_;
  const int64_t played = FramesBetween(startMs_, system_.NowMs(), format_.sampleRate);
  return playedBefore_ + std::min(played, queue_.front().total);
}

void SimSoundOutput::SetVolume(uint16_t left, uint16_t right) {
  left_ = left;
  right_ = right;
}

void SimSoundOutput::Advance(double nowMs) {
  const size_t align = static_cast<size_t>(format_.BlockAlign());
  while (!queue_.empty() && !closed_) {
    Scheduled& s = queue_.front();
    const int64_t played = std::min(FramesBetween(startMs_, nowMs, format_.sampleRate), s.total);
    auto& heard = system_.writes_[s.record].heard;
    // Copy what was played since last time out of the program's buffer as it is now.
    for (int64_t f = s.heardSoFar; f < played; ++f) {
      const uint8_t* frame = s.data + static_cast<size_t>(f % static_cast<int64_t>(s.frames)) * align;
      for (int c = 0; c < format_.channels; ++c) heard.push_back(GetSample(frame + 2 * c));
    }
    s.heardSoFar = played;
    if (played < s.total) break;
    system_.writes_[s.record].completed = true;
    playedBefore_ += s.total;
    startMs_ += static_cast<double>(s.total) * 1000.0 / format_.sampleRate;
    queue_.pop_front();
    PostMainMessage(MM_WOM_DONE, 0, 0);
  }
}

void SimSoundOutput::Reset() {
  Advance(system_.NowMs());
  // Each unfinished buffer comes back, as a finished one does.
  for (size_t i = 0; i < queue_.size(); ++i) PostMainMessage(MM_WOM_DONE, 0, 0);
  queue_.clear();
  playedBefore_ = 0;
}

void SimSoundOutput::Close() {
  if (closed_) return;
  Advance(system_.NowMs());
  queue_.clear();
  closed_ = true;
}

// ---------------------------------------------------------------------------------------------
// The system

SimSoundSystem::SimSoundSystem(HeadlessBackend& backend) : backend_(backend) {
  backend_.AddTimeListener(this);
  backend_.AttachSound(this);
}

SimSoundSystem::~SimSoundSystem() {
  backend_.RemoveTimeListener(this);
  if (backend_.Sound() == this) backend_.AttachSound(nullptr);
}

namespace {
bool Usable(const SoundFormat& f) {
  return f.channels >= 1 && f.channels <= 2 && f.bitsPerSample == 16 && f.sampleRate > 0;
}
bool Listed(const std::vector<SoundDeviceInfo>& devices, const std::string& id) {
  return id.empty() || std::any_of(devices.begin(), devices.end(), [&](const auto& d) { return d.id == id; });
}
}  // namespace

std::unique_ptr<SoundInput> SimSoundSystem::OpenInput(const SoundFormat& format, const std::string& device) {
  const bool ok = !failInput && Usable(format) && Listed(inputDevices, device);
  opens_.push_back({true, device, format, ok, NowMs()});
  if (!ok) return nullptr;
  return std::make_unique<SimSoundInput>(*this, format);
}

std::unique_ptr<SoundOutput> SimSoundSystem::OpenOutput(const SoundFormat& format,
                                                        const std::string& device) {
  const bool ok = !failOutput && Usable(format) && Listed(outputDevices, device);
  opens_.push_back({false, device, format, ok, NowMs()});
  if (!ok) return nullptr;
  if (outputOpenMs > 0) backend_.SleepMs(outputOpenMs);
  return std::make_unique<SimSoundOutput>(*this, format);
}

void SimSoundSystem::AdvanceTo(double nowMs) {
  // Copies: a device never closes itself during an advance, but keep the walk independent.
  auto ins = inputs_;
  for (auto* in : ins) in->Advance(nowMs);
  auto outs = outputs_;
  for (auto* out : outs) out->Advance(nowMs);
}
