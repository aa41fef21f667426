#pragma once
// The audio and glottogram panels as the display frame calls them. DrawSignals is the two-trace
// panel (audio in the upper band, glottogram in the lower), DrawSignalsSingle the glottogram alone
// over the whole panel. audio and egg: trace buffers of kTraceLength samples (entries 0..4095 the
// newest block, 4096.. the block drawn last time, for the erase pass). eraserPen: EraserPen or
// none; curvePen and framePen: FramePen. sampleFlag 0 Sample A, 1 Sample B.
//
// Time base: a panel spans AudioSegmentMs across its width, which is AudioSegmentMs x SampleRate /
// 1000 samples of the trace. The sweep trigger, the auto-scaling scan and the cycle measures all
// use that same span, so at any sample rate the measures cover exactly what is drawn.
#include <cstdint>
#include <optional>

#include "display/egg_measures.h"
#include "platform/canvas/canvas.h"

// Samples of the newest block in a trace buffer; the previous block follows it.
constexpr int kTraceBlock = 4096;
// A rising zero crossing is looked for at indexes 0..510 of a block.
constexpr int kTriggerSearch = 511;
// Traces whose peak-to-peak is below this are drawn at a fixed gain and never measured.
constexpr int kSmallSignal = 512;

struct SignalPanelState {
  // Criterion offsets of Sample A and B: the criterion line's distance from the EGG band centre in
  // band heights, positive downward, -0.5..0.5. The Up and Down keys move them.
  float CqLevelA = 0, CqLevelB = 0;
  // Interval marks, window x coordinates set by dragging: A for the panel at the top of the
  // client area, B for the lower one.
  int IntervalStartA = 0, IntervalEndA = 0, IntervalStartB = 0, IntervalEndB = 0;
  // Written by the mouse code: the left button is held (DragActive) at window x DragX, over the
  // sample ViewedSample (0 A, 1 B). A held button left of the middle in F5 makes the frozen
  // signal panel trigger as it does live.
  uint8_t DragActive = 0;
  int DragX = 0;
  int ViewedSample = 0;
  // The last measurement made (complete or not), kept between frames.
  CycleCrossings LastCrossings;
};

extern SignalPanelState SignalPanels;

// Start values (program reset, tests).
void ResetSignalPanelState();

void DrawSignals(canvas::Surface& hdc, std::optional<canvas::Pen> eraserPen, canvas::Pen curvePen,
                 std::optional<canvas::Pen> framePen, const int16_t* audio, const int16_t* egg, int x,
                 int bottom, int width, int height, int sampleFlag);
void DrawSignalsSingle(canvas::Surface& hdc, std::optional<canvas::Pen> eraserPen, canvas::Pen curvePen,
                       std::optional<canvas::Pen> framePen, const int16_t* audio, const int16_t* egg, int x,
                       int bottom, int width, int height, int sampleFlag);

// The sweep start in one block: the first i in 0..510 with block[i] < 0 < block[i + 1], or 0 when
// there is none or when i + segmentSamples would run past the block.
int FindSweepStart(const int16_t* block, int segmentSamples);
