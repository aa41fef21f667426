#include "audio/ring_segment.h"

#include <cmath>

namespace {
int16_t ValueAt(const uint8_t* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))); }
}  // namespace

RingSegment LocateByPosition(int64_t positionFrames, int latencyMs, int rate, int bufferFrames) {
  RingSegment s;
  const int64_t p = positionFrames - static_cast<int64_t>(latencyMs) * rate / 1000;
  // Truncating quotient and remainder, as the ring has always been addressed: a position still
  // inside the latency (negative) reads the end of buffer 2, which is silence at the start.
  s.fillingSecond = static_cast<uint8_t>(((p / bufferFrames) % 2 + 2) % 2);
  s.offset = static_cast<int>(p % bufferFrames) - kSegmentFrames;
  SplitRingSegment(s, bufferFrames);
  return s;
}

RingSegment LocateByClock(double sinceLastBufferMs, int latencyMs, int rate, int bufferFrames,
                          uint8_t fillingSecond) {
  RingSegment s;
  s.fillingSecond = fillingSecond;
  const int64_t ms = static_cast<int64_t>(std::trunc(sinceLastBufferMs)) - latencyMs;
  const int64_t off = ms * rate / 1000 - kSegmentFrames;
  // Far beyond the buffer (a device that stopped returning buffers): clamp so the guard sees it.
  s.offset = static_cast<int>(off > bufferFrames ? bufferFrames : off < -bufferFrames ? -bufferFrames : off);
  SplitRingSegment(s, bufferFrames);
  return s;
}

void SplitRingSegment(RingSegment& s, int bufferFrames) {
  if (s.offset <= -kSegmentFrames) {
    s.previousCount = kSegmentFrames;
    s.currentStart = 0;
  } else if (s.offset < 0) {
    s.previousCount = -s.offset;
    s.currentStart = 0;
  } else {
    s.previousCount = 0;
    s.currentStart = s.offset;
  }
  // The guard counts frames: a stereo segment needs 2048 frames, not 2048 values, inside the
  // current buffer. The previous part must lie inside the previous buffer as well.
  const bool currentFits = s.currentStart + kSegmentFrames < bufferFrames;
  const bool previousFits = s.previousCount == 0 || bufferFrames + s.offset >= 0;
  s.usable = currentFits && previousFits;
}

void CopyRingSegment(const uint8_t* buffer1, const uint8_t* buffer2, const RingSegment& s, int bufferFrames,
                     int channels, int audioDelayFrames, int16_t* audio, int16_t* audioTrace, int16_t* egg,
                     int16_t* eggTrace) {
  if (!s.usable) return;
  const uint8_t* current = s.fillingSecond ? buffer2 : buffer1;
  const uint8_t* previous = s.fillingSecond ? buffer1 : buffer2;
  const int align = 2 * channels;
  const int previousStart = bufferFrames + s.offset;
  // Two contiguous runs: the end of the previous buffer, then the current buffer.
  auto copyRun = [&](const uint8_t* from, int first, int count) {
    for (int i = first; i < first + count; ++i) {
      const uint8_t* frame = from + static_cast<size_t>(i - first) * align;
      const int16_t a = ValueAt(frame);
      audio[i] = a;
      // The audio trace runs ahead by the delay so that it lines up with the glottogram.
      const int t = i - audioDelayFrames;
      if (t >= 0 && t < kSegmentFrames) audioTrace[t] = a;
      if (channels == 2) {
        const int16_t e = ValueAt(frame + 2);
        egg[i] = e;
        eggTrace[i] = e;
      }
    }
  };
  copyRun(previous + static_cast<size_t>(previousStart) * align, 0, s.previousCount);
  copyRun(current + static_cast<size_t>(s.currentStart) * align, s.previousCount, kSegmentFrames - s.previousCount);
}
