#pragma once
// Sound devices. The device runs on its own thread (or, headless, on the virtual clock): it only
// copies frames between the device and the buffers the program handed over, advances an atomic
// frame position, and posts MM_WIM_DATA / MM_WIM_CLOSE / MM_WOM_DONE to the main window.
#include <cstddef>
#include <cstdint>
#include <memory>

// Interleaved signed 16-bit little-endian frames; channel 0 Audio, channel 1 EGG.
struct SoundFormat {
  int channels = 1;
  int sampleRate = 22050;  // frames per second
  int bitsPerSample = 16;
  int BlockAlign() const { return channels * bitsPerSample / 8; }
};

class SoundInput {
 public:
  virtual ~SoundInput() = default;
  // Queues a buffer to be filled; `index` (0 or 1) comes back as MM_WIM_DATA's wParam when full.
  // The memory stays the program's and must live until it comes back or the device is closed.
  virtual bool AddBuffer(int index, uint8_t* data, size_t bytes) = 0;
  virtual bool Start() = 0;
  // Stops delivering; the buffer being filled stays queued.
  virtual void Stop() = 0;
  // Stops and hands every queued buffer back (each posts MM_WIM_DATA); position returns to 0.
  virtual void Reset() = 0;
  // Closes the device; posts MM_WIM_CLOSE. Buffers must have been handed back (Reset) first.
  virtual void Close() = 0;
  // Frames captured since Start. Safe to call from the program thread at any time.
  virtual int64_t PositionFrames() = 0;
  // True while the device delivers; false after it vanished or stopped delivering on its own.
  virtual bool Healthy() { return true; }
};

class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  // Plays one buffer `loops` times (1 = once). Posts MM_WOM_DONE at the end or after Reset.
  virtual bool Write(const uint8_t* data, size_t bytes, int loops) = 0;
  // Frames played since the write began.
  virtual int64_t PositionFrames() = 0;
  // Left and right volume, 0..0xFFFF each.
  virtual void SetVolume(uint16_t left, uint16_t right) = 0;
  virtual void Reset() = 0;
  virtual void Close() = 0;
};

class SoundSystem {
 public:
  virtual ~SoundSystem() = default;
  // nullptr when no device can be opened with that format.
  virtual std::unique_ptr<SoundInput> OpenInput(const SoundFormat& format) = 0;
  virtual std::unique_ptr<SoundOutput> OpenOutput(const SoundFormat& format) = 0;
};

void SetSoundSystem(SoundSystem* system);
SoundSystem* CurrentSoundSystem();  // nullptr when none is installed
