#include "display/envelope_panel.h"

#include <algorithm>

#include "display/display_state.h"
#include "display/palette.h"
#include "display/panel_draw.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "display/spectrogram_panel.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

constexpr int kFirstEntry = 256, kLastEntry = 767;

// Left, top and right edges and the separator; the panel below provides the bottom edge.
void DrawPanelFrame(canvas::DrawContext& dc, canvas::Pen pen, int x, int bottom, int width, int height) {
  const int top = bottom - height;
  panel::Line(dc, pen, x, bottom, x, top);
  panel::Line(dc, pen, x + width, top, x + width, bottom);
  panel::Line(dc, pen, x, bottom - Display.TextHeight - 4, x + width, bottom - Display.TextHeight - 4);
  panel::Line(dc, pen, x, top, x + width, top);
}

int CursorColumn(int cursor, int width) {
  const int scroll = PanelCursors.ScrollRange > 0 ? PanelCursors.ScrollRange : 1;
  return static_cast<int>(static_cast<long long>(cursor) * width / scroll);
}

}  // namespace

EnvelopeExtent ComputeEnvelopeExtent(const int16_t* block, int plotHeight) {
  int maxV = block[kFirstEntry] / 256, minV = maxV;
  for (int i = kFirstEntry + 1; i <= kLastEntry; ++i) {
    const int v = block[i] / 256;
    maxV = std::max(maxV, v);
    minV = std::min(minV, v);
  }
  EnvelopeExtent e;
  e.top = std::min(maxV * plotHeight / 256, plotHeight / 2);
  e.low = std::max(minV * plotHeight / 256, -(plotHeight / 2));
  return e;
}

void DrawEnvelopeA(canvas::Surface& hdc, std::optional<canvas::Pen> framePen, int displayTimeMs,
                   const int16_t* block, int x, int bottom, int width, int height, int target) {
  canvas::Surface& image = target == 1                                  ? Display.CanvasDC
                           : target == 2                                ? Display.StoreCanvasDC
                           : (Mode.Frozen && !Mode.PlayingSignals) ? Display.CanvasDC
                                                                        : hdc;
  canvas::DrawContext dc = panel::Context(hdc);
  canvas::DrawContext idc = panel::Context(image);
  const int th = Display.TextHeight;
  const int plotHeight = height - th - 4, top = bottom - height, centre = top + plotHeight / 2;
  const bool held = target == 0 && Mode.Frozen && !Mode.PlayingSignals;
  if (target == 0) Display.Panels.Envelope = {x, bottom, width, height};
  const EnvelopeExtent e = ComputeEnvelopeExtent(block, plotHeight);

  if (held) {
    dc.BitBlt(x, top, width, plotHeight, Display.CanvasDC, x, top);
  } else {
    int due = 1;
    if (target == 0) {
      due = ScheduleColumns(displayTimeMs, width, &Mode.EnvelopeColumn, &Mode.EnvelopeLag);
    } else {
      Mode.EnvelopeLag = 0;
    }
    for (int k = 0; k < due; ++k) {
      const int column = Mode.EnvelopeColumn + k;
      if (column < 0) continue;  // never paint left of the panel
      const ColumnPlace place = PlaceColumn(column, x, width);
      if (column > width) {
        if (place.scrollFirst) idc.ScrollRect(x, top, x + width, top + plotHeight, -2, 0);
        // The old column goes over the whole panel height; the frame is drawn again below.
        panel::Line(idc, Palette.EraserPen, place.pixelX, top, place.pixelX, bottom);
      }
      // A running loop gives each column the sound of its own moment.
      const int16_t* own = nullptr;
      if (target == 0 && DisplayInputs.ColumnTraceAt)
        own = DisplayInputs.ColumnTraceAt(ColumnDisplayTime(column, Mode.EnvelopeLag, width, displayTimeMs));
      const EnvelopeExtent ce = own ? ComputeEnvelopeExtent(own, plotHeight) : e;
      panel::Line(idc, Palette.FramePen, place.pixelX, centre - ce.low, place.pixelX, centre - ce.top);
    }
    Mode.EnvelopeColumn += due;
  }

  const int mode = Companions.DisplayMode;
  if ((mode == 0 || mode == 1) && held && !PanelCursors.SpectrogramHold)
    panel::TimeCursor(dc, x + CursorColumn(Samples.CursorX, width), top + 1, bottom - th - 3);

  if (framePen && !Display.ImagesRebuilding) {
    const bool b = Companions.ComparisonMode != 0 && Mode.PlayingSignals && Mode.PlaySelection == 1;
    panel::Title(dc, x, bottom, b ? "Waveform Envelope (B)" : "Waveform Envelope (A)");
    DrawPanelFrame(dc, *framePen, x, bottom, width, height);
  }
}

void DrawEnvelopeB(canvas::Surface& hdc, int x, int bottom, int width, int height) {
  canvas::DrawContext dc = panel::Context(hdc);
  const int th = Display.TextHeight;
  const int plotHeight = height - th - 4, top = bottom - height;
  Display.Panels.Envelope = {x, bottom, width, height};
  if (Display.StoreCanvasReady) dc.BitBlt(x, top, width, plotHeight, Display.StoreCanvasDC, x, top);
  DrawPanelFrame(dc, Palette.FramePen, x, bottom, width, height);
  panel::Title(dc, x, bottom, "Waveform Envelope (B)");
  if (Mode.SampleBStored) panel::TimeCursor(dc, x + CursorColumn(Samples.CursorXB, width), top + 1, bottom - th - 3);
}
