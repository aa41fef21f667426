// Layout of the main window (panel area, separator, position bar, button row) and its painting.
#include <algorithm>

#include "app/activities.h"
#include "app/window_state.h"
#include "display/display_state.h"
#include "display/palette.h"
#include "platform/backend.h"
#include "platform/messages.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

constexpr uint8_t kClassBackgroundIndex = kWindowBackgroundIndex;  // white, before any frame exists

// Integer multiply-then-divide with rounding to nearest, as the classic font-height rule does.
int MultiplyDivide(int a, int b, int c) {
  long long p = static_cast<long long>(a) * b;
  long long q = p >= 0 ? (p + c / 2) / c : (p - c / 2) / c;
  return static_cast<int>(q);
}

void PlaceButtons() {
  const int variant = AnalysisSettings.ProductVariant;
  const int bw = Window.ButtonWidth, bm = Window.ButtonMargin, bh = Window.ButtonHeight;
  const int top = Window.ClientHeight - bh;
  auto place = [&](int id, int x, int width) { MoveButton(id, {x, top, width, bh}); };
  if (variant == 2) {
    place(CMD_RUN, 0, bw);
    place(CMD_PLAY_FILE, bm + 1 * bw, bw);
    place(CMD_RECORD, bm + 2 * bw, bw);
    place(CMD_FREEZE, bm + 3 * bw, bw);
    int x = bm + 4 * bw;
    place(CMD_RESET, x, Window.ClientWidth - x);
  } else {
    place(CMD_ANALYSIS, 0, bw + bm);
    place(CMD_RECORD, bm + 1 * bw, bw);
    place(CMD_RUN, bm + 2 * bw, bw);
    place(CMD_PLAY_FILE, bm + 3 * bw, bw);
    place(CMD_FREEZE, bm + 4 * bw, bw);
    place(CMD_STORE, bm + 5 * bw, bw);
    int x = bm + 6 * bw;
    place(CMD_RESET, x, Window.ClientWidth - x);
  }
  MainUi.scrollBar.rect = {0, Window.ClientHeight - bh - Window.ScrollBarHeight - 1, Window.ClientWidth,
                           Window.ScrollBarHeight};
  UiChanged();
}

}  // namespace

int PanelFontHeight(int clientWidth, int dpiY) { return -MultiplyDivide(clientWidth / 76, dpiY, 72); }

int ComputePanelAreaHeight(int clientHeight, int buttonHeight, int textHeight, int scrollBarHeight) {
  int h0 = clientHeight - (buttonHeight + textHeight + 3) - scrollBarHeight - 8;
  return h0 - h0 % 2;  // a negative odd value moves up to the even number above it
}

void LayoutMainWindow() {
  Window.WindowWidth = MainUi.windowRect.width;
  Window.WindowHeight = MainUi.windowRect.height;
  Window.ClientWidth = MainUi.clientWidth;
  Window.ClientHeight = MainUi.clientHeight;
  Display.ClientWidth = Window.ClientWidth;
  Display.ClientHeight = Window.ClientHeight;

  Display.PanelFont = canvas::Font::Create(PanelFontHeight(Window.ClientWidth, Window.DpiY));
  if (Display.PanelFont) {
    Display.TextHeight = Display.PanelFont->Height();
    Display.CharWidth = Display.PanelFont->AverageCharWidth();
  }

  const int divisions = AnalysisSettings.ProductVariant == 2 ? 5 : 7;
  Window.ButtonWidth = Window.ClientWidth / divisions;
  Window.ButtonMargin = (Window.ClientWidth - divisions * Window.ButtonWidth) / 2;
  Window.ButtonHeight = Window.SystemTextHeight + 4;
  Display.PanelAreaWidth = Window.ClientWidth;
  Display.PanelAreaHeight =
      ComputePanelAreaHeight(Window.ClientHeight, Window.ButtonHeight, Display.TextHeight, Window.ScrollBarHeight);
  PlaceButtons();

  // The window picture follows the client size; what no frame covers shows the class background.
  Display.MainDC.Resize(std::max(Window.ClientWidth, 0), std::max(Window.ClientHeight, 0), kClassBackgroundIndex);

  FillSampleArea();
  FillCanvas();
  FillFrame();
  Display.LegendStripDirty = 1;
}

void OnSize() {
  if (!Window.WindowExists) return;
  LayoutMainWindow();
  canvas::DrawContext(&Display.MainDC).FillRect(0, 0, Window.ScreenWidth, Window.ScreenHeight, 5);
  if (Display.CanvasReady) canvas::DrawContext(&Display.CanvasDC).FillRect(0, 0, Window.ScreenWidth, Window.ScreenHeight, 5);
  if (Display.StoreCanvasReady)
    canvas::DrawContext(&Display.StoreCanvasDC).FillRect(0, 0, Window.ScreenWidth, Window.ScreenHeight, 5);
  Display.ForceImageRebuild = 1;
  RebuildStoredImagesAfterResize();
  Display.ClearFrameRequest = 1;
  Display.FullRedraw = 1;
  Display.ForceImageRebuild = 0;
  // The invalidated window is erased with the class background before it is painted.
  canvas::DrawContext(&Display.MainDC).FillRect(0, 0, Window.ClientWidth, Window.ClientHeight, kClassBackgroundIndex);
  OnPaint();
}

void OnPaint() {
  if (!Window.WindowExists || Display.MainDC.Empty()) return;
  canvas::DrawContext dc(&Display.MainDC);
  const int y = Window.ClientHeight - Window.ScrollBarHeight - Window.ButtonHeight - 5;
  // The 4-pixel button-face line along y + 1 covers y - 1 .. y + 2.
  dc.SelectPen(Palette.ButtonFacePen);
  dc.MoveTo(0, y + 1);
  dc.LineTo(Window.ClientWidth, y + 1);
  dc.SelectPen(Palette.ButtonShadowPen);
  dc.MoveTo(0, y + 3);
  dc.LineTo(Window.ClientWidth, y + 3);
  if (Mode.FrameReady) {
    dc.BitBlt(0, 0, Display.PanelAreaWidth, Display.PanelAreaHeight + 5 + Display.TextHeight, Display.FrameDC, 0, 0);
  }
  PresentMainWindow(0, 0, Window.ClientWidth, Window.ClientHeight);
}

void PresentMainWindow(int x, int y, int width, int height) {
  const auto table = PresentationEntries();
  CurrentBackend().PresentWindow(Display.MainDC, table.data(), {x, y, width, height});
}
