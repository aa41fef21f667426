// Save Bitmap: the frame drawn again at the panel area's size, magnified, as a palette-indexed
// PNG or an 8-bit bitmap file.
#include "interaction/save_bitmap.h"

#include <png.h>

#include "app/window_state.h"
#include "audio/playback_fixture.h"
#include "display/bitmap_writer.h"
#include "display/palette.h"
#include "settings/analysis_settings.h"

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
  DecodedBitmap result;
  result.width = static_cast<int>(image.width);
  result.height = static_cast<int>(image.height);
  result.pixels = canvas::Surface(result.width, result.height);
  std::vector<uint8_t> colormap(256 * 3);
  if (image.colormap_entries > 256 ||
      !png_image_finish_read(&image, nullptr, result.pixels.Pixels().data(), 0, colormap.data()))
    return std::nullopt;
  for (int i = 0; i < 256; ++i)
    result.colours[i] = {colormap[3 * i], colormap[3 * i + 1], colormap[3 * i + 2]};
  return result;
}

TEST(SaveBitmapSize, BaseAndMagnifiedSizes) {
  const BitmapSize base = BaseBitmapSize(797, 600, 16, 20);
  EXPECT_EQ(base.width, 800);  // 796 + 4
  EXPECT_EQ(base.height, 600 - 16 - 20 - 5);
  EXPECT_EQ(MagnifiedBitmapSize(base, 150).width, 1200);
  const BitmapSize b = MagnifiedBitmapSize({800, 500}, 250);
  EXPECT_EQ(b.width, 2000);
  EXPECT_EQ(b.height, 1250);
  const BitmapSize c = MagnifiedBitmapSize({800, 500}, 101);
  EXPECT_EQ(c.width, 808);
  EXPECT_EQ(c.height, 505);
  EXPECT_EQ(MagnifiedBitmapSize({804, 500}, 133).width % 4, 0);
}

class SaveBitmapRun : public PlaybackTest {};

TEST_F(SaveBitmapRun, TheFrozenFrameIsSavedMagnifiedThroughTheDisplayPalette) {
  Open(0);
  const std::string path = (dir / "frame").string();  // the dialog adds ".png"
  // The same frame twice: as PNG, then with ".bmp" typed (the factor dialog answered by OK).
  Run("wait 2000\nclick 105\nwait 300\nanswer file " + path +
      "\nanswer scroll 1040 pageright\nanswer dialog cancel\nmenu 40003\nwait 100\nanswer file " + path +
      ".BMP\nmenu 40003\nwait 100\nkey Escape");
  // Cancel still saves, with the factor the bar showed.
  EXPECT_EQ(AnalysisSettings.BitmapMagnification, 200);
  auto bitmap = ReadBitmap8(path + ".BMP");
  ASSERT_TRUE(bitmap.has_value());
  const BitmapSize base = BaseBitmapSize(Window.ClientWidth, Window.ClientHeight, Window.ScrollBarHeight,
                                         Window.ButtonHeight);
  const BitmapSize saved = MagnifiedBitmapSize(base, 200);
  EXPECT_EQ(bitmap->width, saved.width);
  EXPECT_EQ(bitmap->height, saved.height);
  for (int i = 0; i < canvas::kPaletteSize; ++i) EXPECT_EQ(bitmap->colours[i], Palette.DisplayPalette[i]) << i;
  // Doubled: each pixel of the drawn frame stands twice in both directions; the frame line of the
  // panels (palette index 2) is there, and the legend text (index 4).
  int frameLines = 0, text = 0;
  for (int y = 0; y < bitmap->height; ++y)
    for (int x = 0; x < bitmap->width; ++x) {
      frameLines += bitmap->pixels.At(x, y) == 2;
      text += bitmap->pixels.At(x, y) == 4;
    }
  EXPECT_GT(frameLines, 1000);
  EXPECT_GT(text, 100);
  EXPECT_TRUE(backend->MessageBoxes().empty());
  EXPECT_FALSE(ReadPalettePng(path + ".BMP").has_value());

  // The PNG holds the same palette and the same indexes.
  const auto png = ReadPalettePng(path + ".png");
  ASSERT_TRUE(png.has_value());
  EXPECT_EQ(png->colours, bitmap->colours);
  ASSERT_EQ(png->width, bitmap->width);
  ASSERT_EQ(png->height, bitmap->height);
  EXPECT_EQ(png->pixels.Pixels(), bitmap->pixels.Pixels());
}

TEST_F(SaveBitmapRun, AFileThatCannotBeCreatedIsToldAndNothingIsWritten) {
  Open(1);
  Run("wait 1500\nclick 105\nwait 300\nanswer file /nonexistent-folder/x.bmp\nmenu 40003\nwait 100\nkey Escape");
  ASSERT_FALSE(backend->MessageBoxes().empty());
  EXPECT_EQ(backend->MessageBoxes().back().text, "Cannot Open File");
  EXPECT_TRUE(backend->ModalDialogs().empty());  // no magnification dialog
}

}  // namespace
