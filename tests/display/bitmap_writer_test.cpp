// 8-bit bitmap files: header fields, row order and padding, round trip, and failures; the two
// palette tables they are written with, the switch between them and the pens.
#include "display/bitmap_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "display/palette.h"
#include "display/png_writer.h"
#include "files/wave_header.h"
#include "settings/analysis_settings.h"

namespace {

std::filesystem::path TempPath(const std::string& name) {
  return std::filesystem::temp_directory_path() /
         (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" + name);
}

canvas::Surface Pattern(int w, int h) {
  canvas::Surface s(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.Row(y)[x] = static_cast<uint8_t>((x * 7 + y * 13) % 236);
  return s;
}

TEST(BitmapWriter, HeaderFieldsPaddingAndRowOrder) {
  const auto palette = ComputeColorScaleEntries();
  const canvas::Surface s = Pattern(5, 3);  // 5 pixels: rows padded to 8 bytes
  const auto bytes = EncodeBitmap8(s, palette, canvas::Rect{0, 0, 5, 3});
  ASSERT_EQ(bytes.size(), 1078u + 8 * 3);
  EXPECT_EQ(bytes[0] | bytes[1] << 8, 'B' | 'M' << 8);
  // Little-endian fields: file size, data offset, info size, width, height, planes and depth (one
  // 32-bit word), compression, image size, colours used and important.
  const std::pair<size_t, uint32_t> fields[] = {{2, static_cast<uint32_t>(bytes.size())}, {10, 1078}, {14, 40}, {18, 5},
                                                {22, 3}, {26, 1 | 8 << 16}, {30, 0}, {34, 24}, {46, 256}, {50, 256}};
  for (auto [at, value] : fields) EXPECT_EQ(ReadLe32(&bytes[at]), value) << "offset " << at;
  // Colour table: blue, green, red, 0; entry 2 is (255, 255, 200); 236..255 are zero.
  EXPECT_EQ(ReadLe32(&bytes[54 + 8]), 200u | 255u << 8 | 255u << 16);
  for (size_t i = 54 + 236 * 4; i < 1078; ++i) EXPECT_EQ(bytes[i], 0) << i;
  // First stored row is the bottom row; padding bytes are zero.
  for (int x = 0; x < 8; ++x) EXPECT_EQ(bytes[1078 + x], x < 5 ? s.At(x, 2) : 0) << x;
  for (int x = 0; x < 5; ++x) EXPECT_EQ(bytes[1078 + 16 + x], s.At(x, 0));
}

// (A whole frame written and read back: the Save Bitmap run.)
TEST(BitmapWriter, ARegionIsClippedToTheSurface) {
  const auto palette = ComputeGrayScaleEntries();
  const canvas::Surface s = Pattern(40, 30);
  const auto decoded = DecodeBitmap8(EncodeBitmap8(s, palette, canvas::Rect{3, 4, 100, 21}));
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(std::pair(decoded->width, decoded->height), std::pair(37, 17));
  EXPECT_EQ(decoded->colours[7], palette[7]);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 37; ++x) ASSERT_EQ(decoded->pixels.At(x, y), s.At(x + 3, y + 4)) << x << "," << y;
}

TEST(BitmapWriter, FailuresAreReportedNotThrown) {
  const auto palette = ComputeGrayScaleEntries();
  const canvas::Surface s = Pattern(8, 8);
  EXPECT_FALSE(WriteBitmap8("/nonexistent-folder/x.bmp", s, palette));
  EXPECT_FALSE(WriteBitmap8(TempPath("empty.bmp").string(), s, palette, canvas::Rect{10, 10, 20, 20}));
  EXPECT_FALSE(std::filesystem::exists(TempPath("empty.bmp")));
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_FALSE(WriteBitmap8("/dev/full", s, palette));  // the write fails on flush
    EXPECT_FALSE(WritePng8("/dev/full", s, palette));
  }
  EXPECT_FALSE(WritePng8("/nonexistent-folder/x.png", s, palette));
  EXPECT_FALSE(WritePng8(TempPath("empty.png").string(), s, palette, canvas::Rect{10, 10, 20, 20}));
  EXPECT_TRUE(EncodePng8(s, palette, canvas::Rect{-5, -5, 0, 8}).empty());
  EXPECT_FALSE(EncodePng8(s, palette, canvas::Rect{0, 0, 8, 8}).empty());

  // The reader refuses what it cannot read fully.
  auto bytes = EncodeBitmap8(s, palette, canvas::Rect{0, 0, 8, 8});
  ASSERT_TRUE(DecodeBitmap8(bytes).has_value());
  EXPECT_FALSE(DecodeBitmap8({bytes.begin(), bytes.end() - 1}).has_value());  // truncated
  auto wrongDepth = bytes;
  wrongDepth[28] = 24;
  EXPECT_FALSE(DecodeBitmap8(wrongDepth).has_value());
  EXPECT_FALSE(DecodeBitmap8({'B', 'M'}).has_value());
  EXPECT_FALSE(ReadBitmap8("/nonexistent-folder/x.bmp").has_value());
}

// --- The two palette tables, the switch between them and the pens ---------------------------------

using canvas::PaletteEntry;

TEST(PaletteTest, ColourScaleCheckValues) {
  const auto table = ComputeColorScaleEntries();
  const std::pair<int, PaletteEntry> checks[] = {
      {0, {0, 255, 0}},      {1, {0, 255, 255}},    {2, {255, 255, 200}},  {3, {255, 140, 0}},
      {4, {255, 255, 200}},  {5, {0, 0, 0}},        {6, {0, 3, 252}},      {77, {0, 252, 252}},
      {78, {4, 252, 252}},   {100, {19, 252, 204}}, {113, {63, 252, 143}}, {155, {235, 252, 0}},
      {156, {252, 252, 0}},  {200, {252, 97, 0}},   {233, {252, 0, 0}},    {234, {252, 0, 0}},
      {235, {252, 0, 0}}};
  for (const auto& [index, colour] : checks) EXPECT_EQ(table[index], colour) << "entry " << index;
  // Within each band one component runs monotonically: no wrap-around from a bad truncation.
  for (int i = 7; i <= 77; ++i) EXPECT_GE(table[i].green, table[i - 1].green) << i;
  for (int i = 79; i <= 155; ++i) EXPECT_LE(table[i].blue, table[i - 1].blue) << i;
  for (int i = 157; i <= 233; ++i) EXPECT_LE(table[i].green, table[i - 1].green) << i;
}

TEST(PaletteTest, GrayScaleCheckValues) {
  const auto table = ComputeGrayScaleEntries();
  const std::pair<int, PaletteEntry> checks[] = {
      {0, {0, 120, 0}},   {1, {0, 0, 0}},       {2, {80, 80, 80}}, {3, {180, 60, 0}},
      {4, {0, 0, 0}},     {5, {255, 255, 255}}, {6, {214, 214, 214}}, {7, {213, 213, 213}},
      {219, {1, 1, 1}},   {220, {0, 0, 0}},     {235, {0, 0, 0}}};
  for (const auto& [index, colour] : checks) EXPECT_EQ(table[index], colour) << "entry " << index;
}

TEST(PaletteTest, BuildShowsColourAndASwitchChangesTheEntriesAndThePensButNotTheChoice) {
  AnalysisSettings.PaletteChoice = ID_GRAY_SCALE;  // the palette starts in colour whatever the choice
  BuildPalette();
  AnalysisSettings = AnalysisSettingsRecord{};
  EXPECT_EQ(Palette.DisplayPalette, ComputeColorScaleEntries());
  EXPECT_EQ(PenColour(Palette.FramePen), (PaletteEntry{255, 255, 200}));
  SwitchPalette(ID_GRAY_SCALE);
  EXPECT_EQ(Palette.DisplayPalette, Palette.GrayScaleEntries);
  EXPECT_EQ(AnalysisSettings.PaletteChoice, ID_COLOR_SCALE);  // the recorded choice is the caller's
  EXPECT_EQ(PenColour(Palette.FramePen), (PaletteEntry{80, 80, 80}));
  EXPECT_EQ(PenColour(Palette.EraserPen), (PaletteEntry{255, 255, 255}));
  EXPECT_EQ(PenColour(Palette.ButtonShadowPen), kButtonShadowColour);  // system colours do not switch
  // What the window shows: the display entries, then the two window colours, then white.
  const auto entries = PresentationEntries();
  for (int i = 0; i < canvas::kPaletteSize; ++i) EXPECT_EQ(entries[i], Palette.GrayScaleEntries[i]) << i;
  EXPECT_TRUE(entries[236] == kButtonFaceColour && entries[237] == kButtonShadowColour);
  for (int i = 238; i < 256; ++i) EXPECT_EQ(entries[i], (PaletteEntry{255, 255, 255})) << i;
  SwitchPalette(ID_COLOR_SCALE);
  EXPECT_EQ(PenColour(Palette.EraserPen), (PaletteEntry{0, 0, 0}));
  ResetPaletteState();
}

}  // namespace
