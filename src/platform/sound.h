#pragma once
// Sound devices. The device runs on its own thread (or, headless, on the virtual clock): it only
// copies frames between the device and the buffers the program handed over, advances an atomic
// frame position, and posts MM_WIM_DATA / MM_WIM_CLOSE / MM_WOM_DONE to the main window.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

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
  // Left and right volume, 0..0xFFFF each. A side at 0 silences its channel, and the channel
  // still heard then sounds on both sides (see SideMix), so one channel is never heard in one ear.
  virtual void SetVolume(uint16_t left, uint16_t right) = 0;
  virtual void Reset() = 0;
  virtual void Close() = 0;
};

// What a stereo frame sounds like on the two sides at volumes `left` and `right` (0..0xFFFF).
// Where one side is turned down to 0, the other side's channel is played on both sides at its
// volume (headphone users would otherwise hear it in one ear only); a mono frame has l == r.
inline void SideMix(int16_t l, int16_t r, uint32_t left, uint32_t right, int16_t* outLeft,
                    int16_t* outRight) {
  auto scale = [](int16_t v, uint32_t level) {
    if (level >= 0xFFFF) return v;
    return static_cast<int16_t>(static_cast<int32_t>(v) * static_cast<int32_t>(level) / 0xFFFF);
  };
  if (right == 0 && left != 0)
    r = l, right = left;
  else if (left == 0 && right != 0)
    l = r, left = right;
  *outLeft = scale(l, left);
  *outRight = scale(r, right);
}

// A device a sound system offers. `id` opens it (the sound server's or the sound library's own
// name); `name` is what the user reads.
// Copies `n` captured bytes to `dst` and moves `src` past them; a null `src` (a stretch the device
// reported without data) is silence.
inline void CopyCaptured(uint8_t* dst, const uint8_t*& src, size_t n) {
  if (src) {
    std::memcpy(dst, src, n);
    src += n;
  } else {
    std::memset(dst, 0, n);
  }
}

struct SoundDeviceInfo {
  std::string id;
  std::string name;
};

class SoundSystem {
 public:
  virtual ~SoundSystem() = default;
  // `device` is an id from ListDevices; empty for the system's default device. nullptr when the
  // device cannot be opened with that format or does not exist (now).
  virtual std::unique_ptr<SoundInput> OpenInput(const SoundFormat& format,
                                                const std::string& device = {}) = 0;
  virtual std::unique_ptr<SoundOutput> OpenOutput(const SoundFormat& format,
                                                  const std::string& device = {}) = 0;
  // The capture (input true) or playback devices there are now, in the order to offer them; the
  // system default is not among them. May wait for the sound server, at most a few seconds.
  virtual std::vector<SoundDeviceInfo> ListDevices(bool input) {
    (void)input;
    return {};
  }
};

void SetSoundSystem(SoundSystem* system);
SoundSystem* CurrentSoundSystem();  // nullptr when none is installed
