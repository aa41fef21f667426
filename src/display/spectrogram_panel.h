#pragma once
// The spectrogram panels: time runs left to right over the time history (StoredSeconds across the
// panel), frequency bottom to top over the frequency range, each pixel's palette index the level.
// Live columns are drawn straight into the frame surface, which keeps them from frame to frame;
// the held Sample A image lives in CanvasDC, the stored Sample B image in StoreCanvasDC, at the
// same coordinates as in the frame.
#include <cstdint>
#include <optional>

#include "platform/canvas/canvas.h"

// Palette index of a level (whole dB above the bottom of the range) in FFT bin `bin`: four
// palette steps per dB from 20 dB (index 5, background) to 78.75 dB (235); saturation in the
// lowest ten bins is shown as background.
uint8_t SpectrogramColourIndex(int level, int bin);

// Columns due at displayTimeMs for a panel `width` pixels wide (time history from the settings):
// C = displayTimeMs / (StoredSeconds * 1000 / width) rounded half up; due = C - lag - column.
// More due columns than 100 ms hold (at least four): the excess is added to *lag, and those are
// due. May be negative (display time ran backwards); nothing is then drawn and the column index
// moves back.
int ScheduleColumns(int displayTimeMs, int width, int* column, int* lag);

// The display time (ms) of the moment column number `column` shows: (column + 1 + lag) column
// widths of time, never later than the frame's displayTimeMs.
double ColumnDisplayTime(int column, int lag, int width, int displayTimeMs);

// Pixel column where column number X is drawn in a panel at x, width pixels wide, and whether the
// plot must first scroll two pixels left: X <= width at x + X; then alternately at the last two
// pixel columns, with a scroll before every second one.
struct ColumnPlace {
  int pixelX = 0;
  bool scrollFirst = false;
};
ColumnPlace PlaceColumn(int columnNumber, int x, int width);

// Paints one column of `levels` (binCount bins across the plot) at pixel column px of the plot
// whose top is panelTop: at most 1024 rows from the bottom up, never stretched.
void PaintSpectrogramColumn(canvas::Surface& image, int px, int panelTop, int plotHeight, int binCount,
                            const int16_t* levels);

// target: 0 the frame surface hdc (the held image from CanvasDC when frozen and no stored signal
// plays); 1 one column into CanvasDC (rebuild of Sample A); 2 one column into StoreCanvasDC
// (rebuild of Sample B). framePen: frame and title, or none to skip them. levels: 1024 whole-dB
// values; binCount: the bins across the frequency range (SpectrogramBins).
void DrawSpectrogramA(canvas::Surface& hdc, std::optional<canvas::Pen> framePen, int displayTimeMs, int binCount,
                      const int16_t* levels, int x, int bottom, int width, int height, int target);
// The stored Sample B image from StoreCanvasDC, with frame, title and its own cursor.
void DrawSpectrogramB(canvas::Surface& hdc, int x, int bottom, int width, int height);
