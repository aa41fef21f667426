#include "display/spectrogram_panel.h"

#include <algorithm>
#include <cstdio>

#include "display/display_state.h"
#include "display/palette.h"
#include "display/panel_draw.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

constexpr int kMinColumnsPerFrame = 4;
constexpr int kMaxColumnTimePerFrameMs = 100;
constexpr int kColumnRows = 1024;  // a column paints at most this many rows

// Round half up for either sign: truncate, then add 1 when the dropped fraction is at least 0.5
// (a negative value's fraction never is).
int RoundColumns(double v) {
  const int t = static_cast<int>(v);
  return v - t >= 0.5 ? t + 1 : t;
}

canvas::Surface& ImageSurface(canvas::Surface& hdc, int target) {
  if (target == 1) return Display.CanvasDC;
  if (target == 2) return Display.StoreCanvasDC;
  if (Mode.Frozen && !Mode.PlayingSignals) return Display.CanvasDC;
  return hdc;
}

void DrawPanelFrame(canvas::DrawContext& dc, canvas::Pen pen, int x, int bottom, int width, int height) {
  const int top = bottom - height;
  dc.SelectPen(pen);
  dc.MoveTo(x, bottom);
  dc.LineTo(x, top);
  dc.LineTo(x + width, top);
  dc.LineTo(x + width, bottom);
  dc.LineTo(x, bottom);
  panel::Line(dc, pen, x, bottom - Display.TextHeight - 4, x + width, bottom - Display.TextHeight - 4);
}

void TitleText(char* text, size_t size, bool sampleB) {
  const unsigned kHz = static_cast<unsigned>(std::max(ShownFreqScaleHz(), 0) / 1000);
  if (sampleB) {
    std::snprintf(text, size, "Spectrogram (B)   %-1u kHz", kHz);
  } else {
    std::snprintf(text, size, "Spectrogram (A)   %-1u kHz", kHz);
  }
}

bool CursorLayout() {
  const int m = Companions.DisplayMode;
  return m == 0 || m == 1 || m == 2 || m == 4;
}

// The cross-hair cursor and its readout. Sample B (sampleB) reads CursorXB, CursorYB and the B
// start time, and leads with CursorTarget 0 or 4; Sample A with 0 or 2.
void DrawCrossHair(canvas::DrawContext& dc, int x, int bottom, int width, int height, bool sampleB) {
  const int th = Display.TextHeight;
  const int plotHeight = height - th - 4, top = bottom - height;
  const double range = ShownFreqScaleHz();
  const double scroll = PanelCursors.ScrollRange > 0 ? PanelCursors.ScrollRange : 1;
  const double fx = (sampleB ? Samples.CursorXB : Samples.CursorX) * static_cast<double>(width) / scroll;
  const int cx = static_cast<int>(fx);
  const double startMs = sampleB ? Samples.SampleStartMsB : Samples.SampleStartMs;
  const double timeMs = AnalysisSettings.StoredSeconds * fx * 1000 / width + startMs;
  PanelCursors.CursorTimeMs = static_cast<float>(timeMs);
  if (sampleB ? timeMs > 0 : timeMs >= 0) panel::TimeCursor(dc, x + cx, top + 1, bottom - th - 3);

  const int target = PanelCursors.CursorTarget;
  const bool leads = target == 0 || target == (sampleB ? 4 : 2);
  double f = sampleB ? PanelCursors.CursorFreqB : PanelCursors.CursorFreqA;
  if (leads) {
    const int row = sampleB ? PanelCursors.CursorYB : PanelCursors.CursorY;
    f = plotHeight > 0 ? (bottom - row - th - 4) * range / plotHeight : 0;
  }
  f = std::clamp(f, 0.0, range);
  if (leads) {
    (sampleB ? PanelCursors.CursorFreqB : PanelCursors.CursorFreqA) = static_cast<float>(f);
    (sampleB ? PanelCursors.SpectrumCursorB : PanelCursors.SpectrumCursorA) =
        static_cast<int>(Display.Panels.Spectrum.width * f / range);
  }
  const int y = RoundHalfUp(bottom - th - 4 - f / range * plotHeight);
  panel::Line(dc, Palette.CursorPen, x + cx - 10, y, x + cx + 10, y);
  for (int row : {y + 1, y - 1}) {
    panel::Line(dc, Palette.CursorEdgePen, x + cx - 10, row, x + cx - 1, row);
    panel::Line(dc, Palette.CursorEdgePen, x + cx + 1, row, x + cx + 10, row);
  }
  char text[64];
  std::snprintf(text, sizeof text, "Cursor  %-4u ms  %-4u Hz", panel::Unsigned(timeMs), panel::Unsigned(f));
  panel::RightAligned(dc, x, width, bottom - th, text);
}

}  // namespace

uint8_t SpectrogramColourIndex(int level, int bin) {
  int index = std::clamp(4 * level - 80, 5, 235);
  if (bin < 10 && index == 235) index = 5;
  return static_cast<uint8_t>(index);
}

int ScheduleColumns(int displayTimeMs, int width, int* column, int* lag) {
  if (width <= 0 || AnalysisSettings.StoredSeconds <= 0) return 0;
  const double msPerColumn = AnalysisSettings.StoredSeconds * 1000.0 / width;
  const int c = RoundColumns(displayTimeMs / msPerColumn);
  int due = c - *lag - *column;
  // After a long stall the oldest columns are given up rather than drawn from sound long gone.
  const int most = std::max(kMinColumnsPerFrame, kMaxColumnTimePerFrameMs * width / (AnalysisSettings.StoredSeconds * 1000));
  if (due > most) {
    *lag += due - most;
    due = most;
  }
  return due;
}

double ColumnDisplayTime(int column, int lag, int width, int displayTimeMs) {
  if (width <= 0) return displayTimeMs;
  const double msPerColumn = AnalysisSettings.StoredSeconds * 1000.0 / width;
  return std::min(static_cast<double>(column + 1 + lag) * msPerColumn, static_cast<double>(displayTimeMs));
}

ColumnPlace PlaceColumn(int columnNumber, int x, int width) {
  if (columnNumber <= width) return {x + columnNumber, false};
  const int p = (columnNumber - width - 1) % 2;
  return {x + width - 2 + p, p == 0};
}

void PaintSpectrogramColumn(canvas::Surface& image, int px, int panelTop, int plotHeight, int binCount,
                            const int16_t* levels) {
  if (px < 0 || px >= image.Width()) return;
  const double rowScale = plotHeight / static_cast<double>(kColumnRows);
  int previous = 0;
  for (int r = 0; r < kColumnRows; ++r) {
    int row = static_cast<int>(r * rowScale);
    if (row <= plotHeight && row != previous) {
      if (row > previous + 1) row = previous + 1;  // at most 1024 rows: the image never stretches
      // The level arrays hold 1024 bins; a range beyond half the sample rate repeats the last.
      const int bin = std::min(RoundHalfUp(static_cast<double>(r) * binCount / kColumnRows), kSpectrumLength - 1);
      const int y = panelTop + plotHeight - row;
      if (y >= 0 && y < image.Height()) image.Row(y)[px] = SpectrogramColourIndex(levels[bin], bin);
    }
    previous = row;
  }
}

void DrawSpectrogramA(canvas::Surface& hdc, std::optional<canvas::Pen> framePen, int displayTimeMs, int binCount,
                      const int16_t* levels, int x, int bottom, int width, int height, int target) {
  canvas::Surface& image = ImageSurface(hdc, target);
  if (target == 1 || target == 2) {
    Mode.EnvelopeColumn = 0;
    Mode.EnvelopeLag = 0;
  }
  canvas::DrawContext dc = panel::Context(hdc);
  canvas::DrawContext idc = panel::Context(image);
  const int plotHeight = height - Display.TextHeight - 4, top = bottom - height;
  const bool held = target == 0 && Mode.Frozen && !Mode.PlayingSignals;
  if (target == 0) Display.Panels.Spectrogram = {x, bottom, width, height};

  if (held) {
    dc.BitBlt(x, top, width, plotHeight, Display.CanvasDC, x, top);
  } else {
    int due = 1;
    if (target == 0) {
      due = ScheduleColumns(displayTimeMs, width, &Mode.SpectrogramColumn, &Mode.SpectrogramLag);
    } else {
      Mode.SpectrogramLag = 0;
    }
    for (int k = 0; k < due; ++k) {
      const int column = Mode.SpectrogramColumn + k;
      if (column < 0) continue;  // never paint left of the panel
      const ColumnPlace place = PlaceColumn(column, x, width);
      if (place.scrollFirst) idc.ScrollRect(x, top, x + width, top + plotHeight, -2, 0);
      // A running loop gives each column the spectrum of its own moment.
      const int16_t* own = nullptr;
      if (target == 0 && DisplayInputs.ColumnSpectrumAt)
        own = DisplayInputs.ColumnSpectrumAt(ColumnDisplayTime(column, Mode.SpectrogramLag, width, displayTimeMs));
      PaintSpectrogramColumn(image, place.pixelX, top, plotHeight, binCount, own ? own : levels);
    }
    Mode.SpectrogramColumn += due;
  }

  if (framePen && !Display.ImagesRebuilding) {
    DrawPanelFrame(dc, *framePen, x, bottom, width, height);
    char text[64];
    const bool b = Companions.ComparisonMode != 0 && Mode.PlayingSignals && Mode.PlaySelection == 1;
    TitleText(text, sizeof text, b);
    panel::Title(dc, x, bottom, text);
  }
  if (CursorLayout() && held && !PanelCursors.SpectrogramHold) DrawCrossHair(dc, x, bottom, width, height, false);
}

void DrawSpectrogramB(canvas::Surface& hdc, int x, int bottom, int width, int height) {
  canvas::DrawContext dc = panel::Context(hdc);
  const int plotHeight = height - Display.TextHeight - 4, top = bottom - height;
  Display.Panels.Spectrogram = {x, bottom, width, height};
  if (Display.StoreCanvasReady) dc.BitBlt(x, top, width, plotHeight, Display.StoreCanvasDC, x, top);
  DrawPanelFrame(dc, Palette.FramePen, x, bottom, width, height);
  char text[64];
  TitleText(text, sizeof text, true);
  panel::Title(dc, x, bottom, text);
  if (CursorLayout() && !Mode.PlayingSignals && Mode.SampleBStored) DrawCrossHair(dc, x, bottom, width, height, true);
}
