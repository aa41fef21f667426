#pragma once
// The waveform-envelope panels: on the spectrogram's time axis, one vertical line per column from
// the smallest to the largest of the middle 512 samples (entries 256..767) of the newest analysis
// block. Same column scheduling, scrolling and targets as the spectrogram; time cursor only.
#include <cstdint>
#include <optional>

#include "platform/canvas/canvas.h"

// Extent of one column in pixels above the plot centre: top from the largest sample, low from the
// smallest (each sample taken as s / 256, truncated toward zero, times plotHeight / 256); top at
// most plotHeight / 2, low at least -plotHeight / 2. block: at least 768 samples.
struct EnvelopeExtent {
  int top = 0, low = 0;
};
EnvelopeExtent ComputeEnvelopeExtent(const int16_t* block, int plotHeight);

// block: the current signal block (TraceA1: at least 768 samples). Targets as DrawSpectrogramA.
void DrawEnvelopeA(canvas::Surface& hdc, std::optional<canvas::Pen> framePen, int displayTimeMs,
                   const int16_t* block, int x, int bottom, int width, int height, int target);
// The stored Sample B envelope from StoreCanvasDC, with frame (no bottom edge), title and cursor.
void DrawEnvelopeB(canvas::Surface& hdc, int x, int bottom, int width, int height);
