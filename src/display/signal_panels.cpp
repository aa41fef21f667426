// The signal panels as they stand today: frame and title strips only. The traces, the grid, the
// cycle measures and the interval marks are drawn here once the signal panels are written; the
// display frame already calls these two functions in every layout that holds them.
#include "display/signal_panels.h"

#include <cstdio>

#include "display/display_state.h"
#include "display/panel_draw.h"
#include "settings/analysis_settings.h"

namespace {

unsigned SegmentMs() { return panel::Unsigned(AnalysisSettings.AudioSegmentMs); }

// One band: edges, separator and title; the band spans top .. bottom.
void DrawBand(canvas::DrawContext& dc, canvas::Pen pen, int x, int bottom, int width, int top, const char* title) {
  panel::Line(dc, pen, x, top, x, bottom);
  panel::Line(dc, pen, x + width - 1, top, x + width - 1, bottom);
  panel::Line(dc, pen, x, top, x + width, top);
  panel::Line(dc, pen, x, bottom, x + width, bottom);
  panel::Line(dc, pen, x, bottom - Display.TextHeight - 4, x + width, bottom - Display.TextHeight - 4);
  panel::Title(dc, x, bottom, title);
}

void EggTitle(char* text, size_t size, int sampleFlag) {
  std::snprintf(text, size, sampleFlag ? "EGG (B) %-2u ms" : "EGG (A) %-2u ms", SegmentMs());
}

}  // namespace

void DrawSignals(canvas::Surface& hdc, std::optional<canvas::Pen>, canvas::Pen, std::optional<canvas::Pen> framePen,
                 const int16_t*, const int16_t*, int x, int bottom, int width, int height, int sampleFlag) {
  Display.Panels.Signals = {x, bottom, width, height};
  if (!framePen) return;
  canvas::DrawContext dc = panel::Context(hdc);
  char text[64];
  EggTitle(text, sizeof text, sampleFlag);
  DrawBand(dc, *framePen, x, bottom, width, bottom - height / 2, text);
  std::snprintf(text, sizeof text, sampleFlag ? "Audio (B) %-2u ms" : "Audio (A) %-2u ms", SegmentMs());
  DrawBand(dc, *framePen, x, bottom - height / 2, width, bottom - height, text);
}

void DrawSignalsSingle(canvas::Surface& hdc, std::optional<canvas::Pen>, canvas::Pen,
                       std::optional<canvas::Pen> framePen, const int16_t*, const int16_t*, int x, int bottom,
                       int width, int height, int sampleFlag) {
  Display.Panels.Signals = {x, bottom, width, height};
  if (!framePen) return;
  canvas::DrawContext dc = panel::Context(hdc);
  char text[64];
  EggTitle(text, sizeof text, sampleFlag);
  DrawBand(dc, *framePen, x, bottom, width, bottom - height, text);
}
