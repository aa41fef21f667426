#include "display/display_state.h"

#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

DisplayState Display;

namespace {
constexpr uint8_t kBackground = 5;

void Fill(canvas::Surface& s, int left, int top, int right, int bottom) {
  canvas::DrawContext dc(&s);
  dc.FillRect(left, top, right, bottom, kBackground);
}
}  // namespace

void MakeFrame() {
  Display.FrameDC = canvas::Surface(Display.ScreenWidth, Display.ScreenHeight, kBackground);
  Mode.FrameReady = 1;
}

void DeleteFrame() {
  Display.FrameDC = canvas::Surface();
  Mode.FrameReady = 0;
}

void FillFrame() {
  if (!Mode.FrameReady) return;
  Fill(Display.FrameDC, 0, 0, Display.ScreenWidth, Display.ScreenHeight);
  Display.FullRedraw = 1;
}

void FillStoreCanvas() {
  if (!Display.StoreCanvasReady) return;
  Fill(Display.StoreCanvasDC, 0, 0, Display.ScreenWidth, Display.ScreenHeight);
  Display.FullRedraw = 1;
}

void FillRightHalf() {
  if (!Mode.FrameReady) return;
  Fill(Display.FrameDC, Display.ClientWidth / 2, 0, Display.ClientWidth, Display.ClientHeight);
  Display.FullRedraw = 1;
}

void FillSampleArea() {
  if (!Mode.FrameReady) return;
  const int w = Display.PanelAreaWidth, h = Display.PanelAreaHeight;
  int top = 0, bottom = h;
  if (Companions.ComparisonMode != 2) {
    if (Mode.PlaySelection == 1) {
      top = h / 2;
    } else if (Companions.ComparisonMode == 1) {
      bottom = h / 2;
    }
  }
  Fill(Display.FrameDC, 0, top, w, bottom);
  Fill(Display.MainDC, 0, top, w, bottom);
  Display.FullRedraw = 1;
}

void FillCanvas() {
  if (!Display.CanvasReady) return;
  Fill(Display.CanvasDC, 0, 0, Display.ScreenWidth, Display.ScreenHeight);
}
