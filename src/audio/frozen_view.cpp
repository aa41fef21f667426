#include "audio/frozen_view.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/ring_segment.h"

LiveViewState LiveView;

void UnrollRing(const uint8_t* buffer1, const uint8_t* buffer2, int bufferBytes, int positionBytes,
                uint8_t fillingSecond, std::vector<uint8_t>& unrolled) {
  const size_t total = 2 * static_cast<size_t>(bufferBytes);
  if (unrolled.size() != total || !buffer1 || !buffer2) return;
  const int q = std::clamp(positionBytes, 0, bufferBytes);
  const uint8_t* filling = fillingSecond ? buffer2 : buffer1;
  const uint8_t* other = fillingSecond ? buffer1 : buffer2;
  uint8_t* out = unrolled.data();
  std::memcpy(out, filling + q, static_cast<size_t>(bufferBytes - q));
  out += bufferBytes - q;
  std::memcpy(out, other, static_cast<size_t>(bufferBytes));
  out += bufferBytes;
  std::memcpy(out, filling, static_cast<size_t>(q));
}

int CopyNewestIntoSample(const std::vector<uint8_t>& unrolled, double sinceStartMs, int sampleSeconds, int rate,
                         int blockAlign, std::vector<uint8_t>& sample) {
  std::fill(sample.begin(), sample.end(), 0);
  const auto sinceMs = static_cast<int64_t>(std::trunc(sinceStartMs));
  size_t bytes = 0, from = 0;
  if (sinceMs < static_cast<int64_t>(sampleSeconds) * 1000) {
    const int64_t frames = std::max<int64_t>(sinceMs, 0) * rate / 1000;
    bytes = static_cast<size_t>(frames * blockAlign) & ~static_cast<size_t>(3);
    bytes = std::min({bytes, unrolled.size(), sample.size()});
    from = unrolled.size() - bytes;
  } else {
    // The newest sampleSeconds of the 8 unrolled seconds; a sample longer than the ring gets all
    // of it (never more than both hold).
    bytes = std::min(sample.size(), unrolled.size());
    from = unrolled.size() - bytes;
  }
  if (bytes > 0) std::memcpy(sample.data(), unrolled.data() + from, bytes);
  return static_cast<int>(bytes);
}

int FreezeViewPosition(double sinceStartMs, int sampleSeconds) {
  if (sampleSeconds < 1) return 0;
  const double v = std::trunc((sinceStartMs - 186.0) * kViewRange / (sampleSeconds * 1000.0));
  return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(kLastViewPosition)));
}

FrozenSegment LocateFrozenSegment(int viewPosition, int sampleBytes, int blockAlign, int delayFrames,
                                  LiveViewState& flags) {
  flags.ViewClampedAtEnd = flags.ViewClampedAtStart = 0;
  flags.AudioClampedAtEnd = flags.AudioClampedAtStart = 0;
  FrozenSegment f;
  const int frames = blockAlign > 0 ? sampleBytes / blockAlign : 0;
  const int last = frames - kSegmentFrames;  // the last start whose 2048 frames fit
  if (last < 0) return f;
  f.fits = true;
  const auto byteOffset = static_cast<int64_t>(viewPosition) * sampleBytes / kViewRange;
  int start = static_cast<int>(byteOffset / blockAlign) - kSegmentFrames / 2;  // centred on the view
  if (start >= last) {
    start = last;
    flags.ViewClampedAtEnd = 1;
  }
  if (start <= 0) {
    start = 0;
    flags.ViewClampedAtStart = 1;
  }
  f.segmentStart = start;
  int audio = start + delayFrames;
  if (audio > last) {
    audio = last;
    flags.AudioClampedAtEnd = 1;
  }
  if (audio < 0) {
    audio = 0;
    flags.AudioClampedAtStart = 1;
  }
  f.audioStart = audio;
  return f;
}
