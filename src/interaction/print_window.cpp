#include "interaction/print_window.h"

#include <algorithm>

#include "display/display_frame.h"
#include "display/display_state.h"
#include "display/palette.h"
#include "settings/mode_state.h"

namespace {
constexpr long long kMaxPrintPixels = 100LL * 1000 * 1000;

float Factor(int screenDpi, int printerDpi) {
  const float hi = static_cast<float>(std::max(screenDpi, printerDpi));
  const float lo = static_cast<float>(std::max(1, std::min(screenDpi, printerDpi)));
  return hi / lo * 0.9f;
}
}  // namespace

PrintImageSize PrintImageSizeOf(int clientWidth, int clientHeight) { return {clientWidth / 4 * 4 + 4, clientHeight}; }

UiRect PrintDestination(PrintImageSize image, int screenDpiX, int screenDpiY, const PrinterPage& page) {
  const int width = static_cast<int>(static_cast<float>(image.width) * Factor(screenDpiX, page.dpiX));
  const int height = static_cast<int>(static_cast<float>(image.height) * Factor(screenDpiY, page.dpiY));
  return {page.widthPx / 2 - width / 2, page.heightPx / 2 - height / 2, width, height};
}

void PrintDisplayWindow(int clientWidth, int clientHeight, int screenDpiX, int screenDpiY) {
  Backend& backend = CurrentBackend();
  const auto page = backend.ChoosePrinter();
  if (!page) return;  // cancelled: nothing printed, nothing said
  const PrintImageSize size = PrintImageSizeOf(clientWidth, clientHeight);
  if (size.width <= 0 || size.height <= 0 || static_cast<long long>(size.width) * size.height > kMaxPrintPixels) {
    backend.ShowMessageBox("Not Enough Memory For Bitmap", "Taldrinex", MessageIcon::Stop);
    return;
  }
  ++Mode.OpenBlockCount;  // the page's picture block, held while printing
  // The page has a white background where the display draws nothing.
  canvas::Surface picture(size.width, size.height, kWindowBackgroundIndex);
  if (Mode.FrameReady) canvas::DrawContext(&Display.FrameDC).FillRect(0, 0, Display.ScreenWidth, Display.ScreenHeight, kWindowBackgroundIndex);
  Display.FullRedraw = 1;
  DrawDisplayFrame(Mode.FrameReady ? Display.FrameDC : picture, 0);
  if (Mode.FrameReady) canvas::DrawContext(&picture).BitBlt(0, 0, size.width, size.height, Display.FrameDC, 0, 0);
  // The screen shows its usual background at the next update, not the page's white.
  FillFrame();
  const auto palette = PresentationEntries();
  const UiRect destination = PrintDestination(size, screenDpiX, screenDpiY, *page);
  if (!backend.PrintPage(picture, palette.data(), destination, "Taldrinex"))
    backend.ShowMessageBox("Incompatible Printer", "Taldrinex", MessageIcon::Exclamation);
  --Mode.OpenBlockCount;
}
