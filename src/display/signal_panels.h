#pragma once
// The audio and glottogram panels as the display frame calls them. DrawSignals is the two-trace
// panel (audio in the upper band, glottogram in the lower), DrawSignalsSingle the glottogram alone
// over the whole panel. audio and egg: trace buffers of kTraceLength samples (entries 0..4095 the
// newest block, 4096.. the block drawn last time, for the erase pass). eraserPen: EraserPen or
// none; curvePen and framePen: FramePen. sampleFlag 0 Sample A, 1 Sample B.
#include <cstdint>
#include <optional>

#include "platform/canvas/canvas.h"

void DrawSignals(canvas::Surface& hdc, std::optional<canvas::Pen> eraserPen, canvas::Pen curvePen,
                 std::optional<canvas::Pen> framePen, const int16_t* audio, const int16_t* egg, int x, int bottom,
                 int width, int height, int sampleFlag);
void DrawSignalsSingle(canvas::Surface& hdc, std::optional<canvas::Pen> eraserPen, canvas::Pen curvePen,
                       std::optional<canvas::Pen> framePen, const int16_t* audio, const int16_t* egg, int x,
                       int bottom, int width, int height, int sampleFlag);
