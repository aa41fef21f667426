#pragma once
// Drawing conventions every panel follows: the panel font with its metrics, titles at the left of
// the title strip, readouts right-aligned in it, text colour 4 on opaque background 5, lines from
// a to b that leave b unpainted, and the text log of the frame.
#include <optional>
#include <string_view>

#include "platform/canvas/canvas.h"

namespace panel {

// A context on `surface` with the panel font selected (refreshing Display.TextHeight and
// CharWidth from it), text colour 4 on background 5, opaque, logging every text into
// Display.FrameTexts.
canvas::DrawContext Context(canvas::Surface& surface);

// Move to a, line to b in `pen` (b itself is not painted).
void Line(canvas::DrawContext& dc, canvas::Pen pen, int ax, int ay, int bx, int by);

// Plot height of a panel: its height less the title strip (TextHeight + 4).
int PlotHeight(int height);

// The title at (x + CharWidth, bottom - TextHeight).
void Title(canvas::DrawContext& dc, int x, int bottom, std::string_view text);
// Text that ends one CharWidth before the panel's right edge, at row y.
void RightAligned(canvas::DrawContext& dc, int x, int width, int y, std::string_view text);

// A time cursor: CursorPen at column cx, the background-coloured edge pen at cx - 1 and cx + 1,
// each from y0 to y1 (y1 not painted).
void TimeCursor(canvas::DrawContext& dc, int cx, int y0, int y1);

// Non-negative value for an unsigned readout (%u of a negative number would print garbage).
unsigned Unsigned(double value);

}  // namespace panel
