#include "display/panel_draw.h"

#include "display/display_state.h"
#include "display/palette.h"
#include "display/panel_state.h"

PanelCursorState PanelCursors;
DisplayInputState DisplayInputs;

void ResetPanelState() {
  PanelCursors = PanelCursorState{};
  DisplayInputs = DisplayInputState{};
}

namespace panel {

canvas::DrawContext Context(canvas::Surface& surface) {
  canvas::DrawContext dc(&surface);
  if (Display.PanelFont) {
    dc.SelectFont(Display.PanelFont);
    const canvas::TextMetrics m = dc.GetTextMetrics();
    Display.TextHeight = m.height;
    Display.CharWidth = m.averageCharWidth;
  }
  dc.SetTextColour(kTextIndex);
  dc.SetBackgroundColour(kBackgroundIndex);
  dc.SetBackgroundMode(canvas::BackgroundMode::Opaque);
  dc.SetTextLog(&Display.FrameTexts);
  return dc;
}

void Line(canvas::DrawContext& dc, canvas::Pen pen, int ax, int ay, int bx, int by) {
  dc.SelectPen(pen);
  dc.MoveTo(ax, ay);
  dc.LineTo(bx, by);
}

int PlotHeight(int height) { return height - Display.TextHeight - 4; }

void Title(canvas::DrawContext& dc, int x, int bottom, std::string_view text) {
  dc.TextOut(x + Display.CharWidth, bottom - Display.TextHeight, text);
}

void RightAligned(canvas::DrawContext& dc, int x, int width, int y, std::string_view text) {
  const int extent = dc.GetTextExtent(text).width;
  dc.TextOut(x + width - extent - Display.CharWidth, y, text);
}

void TimeCursor(canvas::DrawContext& dc, int cx, int y0, int y1) {
  Line(dc, Palette.CursorPen, cx, y0, cx, y1);
  Line(dc, Palette.CursorEdgePen, cx - 1, y0, cx - 1, y1);
  Line(dc, Palette.CursorEdgePen, cx + 1, y0, cx + 1, y1);
}

unsigned Unsigned(double value) { return value > 0 ? static_cast<unsigned>(value) : 0u; }

}  // namespace panel
