// Save Bitmap and Print Window: the frame drawn again at the panel area's size, magnified, as a
// palette-indexed PNG or an 8-bit bitmap file; and printed on a white page, stretched by the ratio
// of the resolutions, centred.
#include <png.h>

#include "audio/playback_fixture.h"
#include "display/bitmap_writer.h"
#include "display/display_state.h"
#include "display/palette.h"
#include "interaction/print_window.h"
#include "interaction/save_bitmap.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

// A PNG file decoded by libpng into its palette and indexes; nothing unless palette-indexed.
std::optional<DecodedBitmap> ReadPalettePng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return std::nullopt;
  if (!(image.format & PNG_FORMAT_FLAG_COLORMAP)) {
    png_image_free(&image);
    return std::nullopt;
  }
  image.format = PNG_FORMAT_RGB_COLORMAP;
  DecodedBitmap result{static_cast<int>(image.width), static_cast<int>(image.height)};
  result.pixels = canvas::Surface(result.width, result.height);
  std::vector<uint8_t> colormap(256 * 3);
  if (image.colormap_entries > 256 ||
      !png_image_finish_read(&image, nullptr, result.pixels.Pixels().data(), 0, colormap.data()))
    return std::nullopt;
  for (int i = 0; i < 256; ++i)
    result.colours[i] = {colormap[3 * i], colormap[3 * i + 1], colormap[3 * i + 2]};
  return result;
}

long CountOf(const canvas::Surface& s, uint8_t index) {
  return std::count(s.Pixels().begin(), s.Pixels().end(), index);
}

TEST(FrameOutput, SavedSizesAndPrintedPlacement) {
  const BitmapSize base = BaseBitmapSize(797, 600, 16, 20);
  EXPECT_EQ(std::pair(base.width, base.height), std::pair(800, 600 - 16 - 20 - 5));  // 796 + 4
  for (auto [size, percent, w, h] : {std::tuple{base, 150, 1200, 838}, {BitmapSize{800, 500}, 250, 2000, 1250},
                                     {BitmapSize{800, 500}, 101, 808, 505}}) {
    const BitmapSize m = MagnifiedBitmapSize(size, percent);
    EXPECT_EQ(std::pair(m.width, m.height), std::pair(w, h)) << percent;
  }
  EXPECT_EQ(MagnifiedBitmapSize({804, 500}, 133).width % 4, 0);

  const PrintImageSize image = PrintImageSizeOf(797, 550);
  EXPECT_EQ(std::pair(image.width, image.height), std::pair(800, 550));
  // 96-dpi screen, 600-dpi printer: 600 / 96 x 0.9 = 5.625, centred.
  const UiRect r = PrintDestination(image, 96, 96, PrinterPage{600, 600, 4960, 7016});
  const int h = static_cast<int>(550 * 5.625f);
  EXPECT_EQ(std::tuple(r.x, r.y, r.width, r.height), std::tuple(4960 / 2 - 4500 / 2, 7016 / 2 - h / 2, 4500, h));
  // A printer coarser than the screen enlarges by the inverse ratio (never below 0.9).
  const UiRect low = PrintDestination(image, 96, 96, PrinterPage{72, 72, 595, 842});
  EXPECT_EQ(low.width, static_cast<int>(800 * (96.0f / 72.0f * 0.9f)));
  EXPECT_EQ(PrintDestination(image, 96, 96, PrinterPage{96, 96, 1000, 1000}).width, 720);
}

using FrameOutputRun = PlaybackTest;

// One frozen frame saved twice (as PNG, then with ".bmp" typed, the factor dialog answered by OK)
// and printed on a printer with wider pixels across than down.
TEST_F(FrameOutputRun, TheFrozenFrameIsSavedMagnifiedThroughTheDisplayPaletteAndPrintedOnOnePage) {
  backend->SetScreen(ScreenInfo{.dpiX = 120});  // each direction scales by its own resolution
  Open(0);
  const std::string path = (dir / "frame").string();  // the dialog adds ".png"
  Run("wait 2000\nclick 105\nwait 300\nanswer file " + path +
      "\nanswer scroll 1040 pageright\nanswer dialog cancel\nmenu 40003\nwait 100\nanswer file " + path +
      ".BMP\nmenu 40003\nwait 100\nmenu 40004\nwait 100\nkey Escape");
  // Cancel still saves, with the factor the bar showed.
  EXPECT_EQ(AnalysisSettings.BitmapMagnification, 200);
  auto bitmap = ReadBitmap8(path + ".BMP");
  ASSERT_TRUE(bitmap.has_value());
  const BitmapSize saved = MagnifiedBitmapSize(
      BaseBitmapSize(Window.ClientWidth, Window.ClientHeight, Window.ScrollBarHeight, Window.ButtonHeight), 200);
  EXPECT_EQ(std::pair(bitmap->width, bitmap->height), std::pair(saved.width, saved.height));
  for (int i = 0; i < canvas::kPaletteSize; ++i) EXPECT_EQ(bitmap->colours[i], Palette.DisplayPalette[i]) << i;
  // Doubled: each pixel of the drawn frame stands twice in both directions; the frame line of the
  // panels (palette index 2) is there, and the legend text (index 4).
  EXPECT_GT(CountOf(bitmap->pixels, 2), 1000);
  EXPECT_GT(CountOf(bitmap->pixels, 4), 100);
  EXPECT_TRUE(backend->MessageBoxes().empty());
  EXPECT_FALSE(ReadPalettePng(path + ".BMP").has_value());
  // The PNG holds the same palette and the same indexes.
  const auto png = ReadPalettePng(path + ".png");
  ASSERT_TRUE(png.has_value());
  EXPECT_EQ(png->colours, bitmap->colours);
  ASSERT_EQ(std::pair(png->width, png->height), std::pair(bitmap->width, bitmap->height));
  EXPECT_EQ(png->pixels.Pixels(), bitmap->pixels.Pixels());

  ASSERT_EQ(backend->PrintedPages().size(), 1u);
  const auto& page = backend->PrintedPages()[0];
  EXPECT_EQ(page.document, "Taldrinex");
  EXPECT_EQ(std::pair(page.picture.Width(), page.picture.Height()),
            std::pair(Window.ClientWidth / 4 * 4 + 4, Window.ClientHeight));
  EXPECT_EQ(page.destination.width, static_cast<int>(page.picture.Width() * (600.0f / 120.0f * 0.9f)));
  EXPECT_EQ(page.destination.height, static_cast<int>(page.picture.Height() * (600.0f / 96.0f * 0.9f)));
  // The panels are on the page, white below them where the display draws nothing.
  EXPECT_GT(CountOf(page.picture, kFrameIndex), 1000);
  EXPECT_GT(CountOf(page.picture, kWindowBackgroundIndex), page.picture.Width() * 10);
  // The screen's frame went back to the display background.
  EXPECT_EQ(Display.FrameDC.At(Display.ScreenWidth - 1, Display.ScreenHeight - 1), kBackgroundIndex);
  EXPECT_EQ(Mode.OpenBlockCount, 0);
}

TEST_F(FrameOutputRun, AFileThatCannotBeCreatedIsToldAndNothingIsWritten) {
  Open(1);
  Run("wait 1500\nclick 105\nwait 300\nanswer file /nonexistent-folder/x.bmp\nmenu 40003\nwait 100\nkey Escape");
  ASSERT_FALSE(backend->MessageBoxes().empty());
  EXPECT_EQ(backend->MessageBoxes().back().text, "Cannot Open File");
  EXPECT_TRUE(backend->ModalDialogs().empty());  // no magnification dialog
}

}  // namespace
