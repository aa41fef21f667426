#pragma once
// Where the newest analysis segment lies in the capture ring, and copying it out. The ring is two
// buffers of `bufferFrames` frames; the device fills one ("current") while the other ("previous")
// holds the four seconds before it. A segment that begins before the start of the current buffer
// takes its first frames from the end of the previous one.
#include <cstdint>

inline constexpr int kSegmentFrames = 2048;

struct RingSegment {
  int offset = 0;              // segment start relative to the current buffer's start, frames (may be < 0)
  uint8_t fillingSecond = 0;   // 1: the current buffer is buffer 2
  int previousCount = 0;       // frames taken from the end of the previous buffer
  int currentStart = 0;        // first frame taken from the current buffer
  bool usable = false;         // false: the segment would run past a buffer; the step is abandoned
};

// From the device position (frames since start), moved back by the input latency.
RingSegment LocateByPosition(int64_t positionFrames, int latencyMs, int rate, int bufferFrames);
// Without a position: from the time since the last buffer came back (ms); the buffer being filled
// is the one the last returned buffer named.
RingSegment LocateByClock(double sinceLastBufferMs, int latencyMs, int rate, int bufferFrames,
                          uint8_t fillingSecond);
// Splits a located segment between the two buffers and applies the guard.
void SplitRingSegment(RingSegment& segment, int bufferFrames);

// Copies the 2048 frames of a usable segment out of the ring (buffers of `blockAlign` bytes per
// frame, little-endian 16-bit values). The first value of each frame goes to audio[i] and to
// audioTrace[i - audioDelayFrames] when i >= audioDelayFrames; with two channels the second value
// goes to egg[i] and eggTrace[i]. With one channel egg and eggTrace are not touched.
void CopyRingSegment(const uint8_t* buffer1, const uint8_t* buffer2, const RingSegment& segment, int bufferFrames,
                     int channels, int audioDelayFrames, int16_t* audio, int16_t* audioTrace, int16_t* egg,
                     int16_t* eggTrace);
