#pragma once
// Freezing and the frozen view. The freeze copy unrolls the capture ring into time order and
// keeps its newest seconds in Sample A; the frozen view then reads 2048 frames of Sample A (or B)
// centred on the view position, which the scroll bar, the arrow keys and the mouse move.
#include <cstdint>
#include <vector>

inline constexpr int kViewRange = 8000;      // view positions run 0..8000 over the sample
inline constexpr int kLastViewPosition = 7800;

// The frozen-view state shared with the mouse, key and scroll code and with the signal panels.
struct LiveViewState {
  int ViewPosition = 0;  // scroll position, 0..8000 (1/8000 of the sample length)
  int ViewedSample = 0;  // 0 Sample A, 1 Sample B
  // Set by each frozen step: the view segment was clamped at the end or the start of the sample,
  // the audio pointer (moved by the delay) was clamped at the end or the start.
  uint8_t ViewClampedAtEnd = 0, ViewClampedAtStart = 0;
  uint8_t AudioClampedAtEnd = 0, AudioClampedAtStart = 0;
  // Set by the options dialog when it closes: the next step gives the main window the focus.
  uint8_t FocusReturnRequested = 0;
};

extern LiveViewState LiveView;

// Writes the ring (buffers of `bufferBytes`) into `unrolled` oldest first, ending at byte
// `positionBytes` of the buffer being filled (`fillingSecond`): that buffer from the position to
// its end, the whole other buffer, then the filled buffer up to the position.
void UnrollRing(const uint8_t* buffer1, const uint8_t* buffer2, int bufferBytes, int positionBytes,
                uint8_t fillingSecond, std::vector<uint8_t>& unrolled);

// Sample A from the unrolled ring (2 x 4 s, newest last). Shorter than the sample since the start
// of the analysis (`sinceStartMs`): only that many newest frames, at the start of the sample, the
// rest zero. Otherwise the newest `sampleSeconds` seconds. Returns the bytes of sound copied.
int CopyNewestIntoSample(const std::vector<uint8_t>& unrolled, double sinceStartMs, int sampleSeconds, int rate,
                         int blockAlign, std::vector<uint8_t>& sample);

// The view position of a fresh freeze: where the last 186 ms before it lie, clamped to 0..7800.
int FreezeViewPosition(double sinceStartMs, int sampleSeconds);

// Where a frozen step reads: the 2048-frame segment centred on the view position and the audio
// segment moved later by the delay, both in frames from the start of the sample and clamped so
// that all 2048 frames lie inside it. Sets the four edge flags.
struct FrozenSegment {
  int segmentStart = 0;  // glottogram (and undelayed) segment
  int audioStart = 0;    // audio segment
  bool fits = false;     // the sample holds at least one segment
};
FrozenSegment LocateFrozenSegment(int viewPosition, int sampleBytes, int blockAlign, int delayFrames,
                                  LiveViewState& flags);
