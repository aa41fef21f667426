#pragma once
// Simulated sound devices on the virtual clock. The input "hears" a recording (looped) or a
// generated sine and fills the buffers the program queued, exactly as fast as virtual time passes:
// a buffer of N frames comes back (MM_WIM_DATA) N / rate seconds after it started filling. The
// output keeps what it was given and what it played, frame by frame, so tests can check what a
// user would have heard.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/headless_backend.h"
#include "platform/sound.h"

// What the simulated microphone (and EGG) pick up.
struct SimSignalSource {
  // Interleaved 16-bit frames of a recording; empty: a generated sine on every channel.
  std::vector<int16_t> samples;
  int channels = 1;
  double sineHz = 220.0;
  double sineAmplitude = 8000.0;  // peak, in sample units
  // Value of `channel` (of `wantChannels`) at absolute frame `frame` at `rate`. A recording
  // loops; a mono source feeds both channels; a stereo source asked for one channel gives Audio.
  // The recording's own rate is not converted: its frames are delivered at the rate asked for.
  int16_t Value(int64_t frame, int channel, int rate) const;
};

struct SimOutputWrite {
  double atMs = 0;  // virtual time of the Write
  SoundFormat format;
  std::vector<uint8_t> data;  // the buffer as it was when written
  int loops = 1;
  uint16_t left = 0xFFFF, right = 0xFFFF;  // volume when written
  // Frames actually played, read from the program's buffer as each one was played (the program
  // refills a looping block while it plays). Interleaved, format.channels per frame.
  std::vector<int16_t> heard;
  bool completed = false;  // played to its end (false: cut short by Reset or Close)
};

struct SimDeviceOpen {
  bool input = true;
  std::string device;  // the id asked for; empty for the default device
  SoundFormat format;
  bool opened = false;
  double atMs = 0;
};

class SimSoundSystem;

class SimSoundInput : public SoundInput {
 public:
  SimSoundInput(SimSoundSystem& system, SoundFormat format);
  ~SimSoundInput() override;
  bool AddBuffer(int index, uint8_t* data, size_t bytes) override;
  bool Start() override;
  void Stop() override;
  void Reset() override;
  void Close() override;
  int64_t PositionFrames() override;

  void Advance(double nowMs);
  const SoundFormat& Format() const { return format_; }
  bool Running() const { return running_; }
  bool Closed() const { return closed_; }
  size_t QueuedBuffers() const { return queue_.size(); }

 private:
  struct Queued {
    int index;
    uint8_t* data;
    size_t bytes;
    size_t filled;
  };
  SimSoundSystem& system_;
  SoundFormat format_;
  std::deque<Queued> queue_;
  bool running_ = false, closed_ = false;
  double startMs_ = 0;
  int64_t framesBeforeStart_ = 0;  // position reached by earlier runs (Stop keeps it)
  int64_t delivered_ = 0;          // frames written into buffers (or lost with none queued)
};

class SimSoundOutput : public SoundOutput {
 public:
  SimSoundOutput(SimSoundSystem& system, SoundFormat format);
  ~SimSoundOutput() override;
  bool Write(const uint8_t* data, size_t bytes, int loops) override;
  int64_t PositionFrames() override;
  void SetVolume(uint16_t left, uint16_t right) override;
  void Reset() override;
  void Close() override;

  void Advance(double nowMs);
  const SoundFormat& Format() const { return format_; }
  bool Playing() const { return !queue_.empty(); }
  bool Closed() const { return closed_; }
  uint16_t Left() const { return left_; }
  uint16_t Right() const { return right_; }

 private:
  struct Scheduled {
    const uint8_t* data;
    size_t frames;       // frames of one pass
    int64_t total;       // frames of all passes
    size_t record;       // index into the system's write records
    int64_t heardSoFar;  // frames of it already copied into the record
  };
  SimSoundSystem& system_;
  SoundFormat format_;
  std::deque<Scheduled> queue_;
  bool closed_ = false;
  double startMs_ = 0;        // when the write at the queue's head began to play
  int64_t playedBefore_ = 0;  // frames of finished writes since open or Reset
  uint16_t left_ = 0xFFFF, right_ = 0xFFFF;
};

class SimSoundSystem : public SoundSystem, public VirtualTimeListener {
 public:
  explicit SimSoundSystem(HeadlessBackend& backend);
  ~SimSoundSystem() override;
  std::unique_ptr<SoundInput> OpenInput(const SoundFormat& format, const std::string& device = {}) override;
  std::unique_ptr<SoundOutput> OpenOutput(const SoundFormat& format, const std::string& device = {}) override;
  std::vector<SoundDeviceInfo> ListDevices(bool input) override {
    return input ? inputDevices : outputDevices;
  }
  void AdvanceTo(double nowMs) override;

  double NowMs() const { return backend_.NowMs(); }

  SimSignalSource source;
  bool failInput = false;   // opening an input fails (no capture device)
  bool failOutput = false;  // opening an output fails
  double outputOpenMs = 0;  // virtual time opening an output takes (a desktop's sound server takes a while)
  // The devices offered besides the default (a script adds and removes them); one that is not
  // listed does not open. The id is the name.
  std::vector<SoundDeviceInfo> inputDevices, outputDevices;

  const std::vector<SimDeviceOpen>& Opens() const { return opens_; }
  const std::vector<SimOutputWrite>& Writes() const { return writes_; }
  std::vector<SimOutputWrite>& MutableWrites() { return writes_; }
  // The devices open now (nullptr when none); the newest when there are several.
  SimSoundInput* ActiveInput() const { return inputs_.empty() ? nullptr : inputs_.back(); }
  SimSoundOutput* ActiveOutput() const { return outputs_.empty() ? nullptr : outputs_.back(); }

 private:
  friend class SimSoundInput;
  friend class SimSoundOutput;
  HeadlessBackend& backend_;
  std::vector<SimSoundInput*> inputs_;
  std::vector<SimSoundOutput*> outputs_;
  std::vector<SimDeviceOpen> opens_;
  std::vector<SimOutputWrite> writes_;
};

// Whole frames at `rate` in the virtual interval [startMs, nowMs] (0 when negative).
int64_t FramesBetween(double startMs, double nowMs, int rate);
