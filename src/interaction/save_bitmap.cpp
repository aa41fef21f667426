#include "interaction/save_bitmap.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

#include "display/bitmap_writer.h"
#include "display/display_frame.h"
#include "display/display_state.h"
#include "display/palette.h"
#include "display/png_writer.h"
#include "settings/analysis_settings.h"

namespace {
constexpr uint8_t kBackground = 5;
// Larger pictures than this are refused rather than risking the memory of the machine.
constexpr long long kMaxBitmapPixels = 200LL * 1000 * 1000;
}  // namespace

BitmapSize BaseBitmapSize(int clientWidth, int clientHeight, int scrollBarHeight, int buttonHeight) {
  return {clientWidth / 4 * 4 + 4, clientHeight - scrollBarHeight - buttonHeight - 5};
}

BitmapSize MagnifiedBitmapSize(BitmapSize base, int magnificationPercent) {
  return {base.width * magnificationPercent / 100 / 4 * 4, base.height * magnificationPercent / 100};
}

bool IsBitmapFileName(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".bmp";
}

bool WriteDisplayBitmap(const std::string& path, int clientWidth, int clientHeight, int scrollBarHeight,
                        int buttonHeight, std::string* message) {
  const BitmapSize base = BaseBitmapSize(clientWidth, clientHeight, scrollBarHeight, buttonHeight);
  const int magnification = AnalysisSettings.BitmapMagnification;
  const BitmapSize saved = magnification > 100 ? MagnifiedBitmapSize(base, magnification) : base;
  if (base.width <= 0 || base.height <= 0 || saved.width <= 0 || saved.height <= 0 ||
      static_cast<long long>(saved.width) * saved.height > kMaxBitmapPixels) {
    *message = "Not Enough Memory For Bitmap";
    return false;
  }
  // The frame is drawn again, not copied from the screen: the panels without the controls.
  canvas::Surface picture(base.width, base.height, kBackground);
  Display.FullRedraw = 1;
  DrawDisplayFrame(picture, 0);
  if (magnification > 100) {
    canvas::Surface magnified(saved.width, saved.height, kBackground);
    canvas::DrawContext(&magnified).StretchBlt(0, 0, saved.width, saved.height, picture, 0, 0, base.width, base.height);
    picture = std::move(magnified);
  }
  const bool written = IsBitmapFileName(path) ? WriteBitmap8(path, picture, Palette.DisplayPalette)
                                              : WritePng8(path, picture, Palette.DisplayPalette);
  if (!written) {
    *message = "Error Writing File";
    return false;
  }
  return true;
}
