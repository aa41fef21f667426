#pragma once
// Converts interleaved 16-bit frames between a device's own rate and the program's, for devices
// that cannot run at the program's rate. Made off the device thread; Push and Pull run on the
// device thread and allocate nothing beyond what Make reserved.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct soxr;

namespace pa {

class RateConverter {
 public:
  // Frames of the source one Pull asks for (at most `maxFrames` each time). Fills `frames` frames
  // at `out` (interleaved) and returns how many it filled; the rest is silence.
  using Source = size_t (*)(void* user, int16_t* out, size_t frames);

  // nullptr when the rates or channels are unusable. `maxFrames`: the most frames one Push takes
  // or one Pull gives.
  static std::unique_ptr<RateConverter> Make(double inRate, double outRate, int channels, size_t maxFrames);
  ~RateConverter();
  RateConverter(const RateConverter&) = delete;
  RateConverter& operator=(const RateConverter&) = delete;

  // Capture: converts `frames` input frames; returns the frames written to `out` (at most
  // OutCapacity()).
  size_t Push(const int16_t* in, size_t frames, int16_t* out);
  size_t OutCapacity() const { return outCapacity_; }

  // Playback: fills exactly `frames` output frames, taking what it needs from `source`.
  void Pull(int16_t* out, size_t frames, Source source, void* user);

 private:
  RateConverter() = default;
  static size_t Supply(void* self, const void** data, size_t requested);

  soxr* soxr_ = nullptr;
  int channels_ = 1;
  size_t outCapacity_ = 0;
  std::vector<int16_t> scratch_;  // input frames handed to the converter while pulling
  Source source_ = nullptr;
  void* user_ = nullptr;
};

}  // namespace pa
