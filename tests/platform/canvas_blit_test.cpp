// Block copies, in-place scrolling, stretching and the conversion to RGB for presentation.
#include <climits>

#include "canvas_check.h"

namespace {

using canvas::DrawContext;
using canvas::Rect;
using canvas::Surface;
using canvas_check::PixelsAre;

// A surface whose pixel (x, y) is (x + 16 * y) mod 200 + 6: every pixel tells where it came from.
Surface Numbered(int w, int h) {
  Surface s(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.Row(y)[x] = static_cast<uint8_t>((x + 16 * y) % 200 + 6);
  return s;
}

TEST(CanvasBlit, CopyClipsToBothSurfaces) {
  const Surface source = Numbered(8, 8);
  Surface dest(6, 6, 0);
  DrawContext dc(&dest);
  dc.BitBlt(-2, 3, 8, 8, source, 1, 0);  // destination column -2 is source column 1
  EXPECT_TRUE(PixelsAre(dest, [&](int x, int y) { return y < 3 ? 0 : source.At(x + 3, y - 3); }));

  Surface untouched(6, 6, 0);
  dc.SetSurface(&untouched);
  dc.BitBlt(0, 0, 6, 6, source, INT_MAX, INT_MIN);
  dc.BitBlt(INT_MIN, INT_MAX, INT_MAX, INT_MAX, source, 0, 0);
  dc.BitBlt(0, 0, INT_MAX, INT_MAX, source, -INT_MAX, 0);
  EXPECT_EQ(canvas_check::CountIndex(untouched, 0), 36);
}

// Scrolling copies within one surface in every direction, so it also pins the overlapping copy.
TEST(CanvasBlit, ScrollMovesPixelsInsideTheRectangleOnly) {
  const Surface before = Numbered(16, 10);
  Surface s = before;
  DrawContext dc(&s);
  // Two pixels left inside [2, 12) x [1, 9), as the scrolling panels do; columns 10, 11 keep theirs.
  dc.ScrollRect(2, 1, 12, 9, -2, 0);
  EXPECT_TRUE(PixelsAre(s, [&](int x, int y) {
    return (y >= 1 && y < 9 && x >= 2 && x < 10) ? before.At(x + 2, y) : before.At(x, y);
  }));
  s = before;
  dc.ScrollRect(0, 0, 16, 10, 3, 2);  // right and down
  EXPECT_TRUE(PixelsAre(
      s, [&](int x, int y) { return (x >= 3 && y >= 2) ? before.At(x - 3, y - 2) : before.At(x, y); }));

  // A rectangle reaching outside is clipped first; huge moves leave everything as it was.
  s = before;
  dc.ScrollRect(-100, -100, 100, 100, INT_MAX, 0);
  dc.ScrollRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, INT_MIN);
  EXPECT_EQ(s.Pixels(), before.Pixels());
  dc.ScrollRect(-100, 0, 100, 10, 0, -1);
  EXPECT_TRUE(PixelsAre(s, [&](int x, int y) { return before.At(x, y < 9 ? y + 1 : y); }));
}

TEST(CanvasBlit, StretchTakesTheNearestPixel) {
  Surface source(2, 2);
  source.Row(0)[0] = 10, source.Row(0)[1] = 11, source.Row(1)[0] = 12, source.Row(1)[1] = 13;
  Surface dest(7, 7, 0);
  DrawContext dc(&dest);
  dc.StretchBlt(1, 1, 4, 6, source, 0, 0, 2, 2);  // each source pixel becomes 2 x 3
  EXPECT_TRUE(PixelsAre(dest, [](int x, int y) {
    return (x >= 1 && x < 5 && y >= 1) ? 10 + (x - 1) / 2 + 2 * ((y - 1) / 3) : 0;
  }));
  // Shrinking picks every other pixel; a stretch onto itself reads the old picture.
  const Surface original = Numbered(8, 8);
  Surface big = original;
  dc.SetSurface(&big);
  dc.StretchBlt(0, 0, 4, 4, big, 0, 0, 8, 8);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(big.At(x, y), original.At(2 * x + 1, 2 * y + 1));
  dc.StretchBlt(INT_MIN, INT_MIN, INT_MAX, INT_MAX, original, 0, 0, INT_MAX, 1);  // clipped, no overflow
}

TEST(CanvasBlit, CropAndRgbConversion) {
  const Surface source = Numbered(5, 4);
  const Surface crop = canvas::CropSurface(source, 3, 2, 4, 3, 9);  // 4 x 3 from (3, 2), 9 outside the source
  EXPECT_TRUE(PixelsAre(crop, [&](int x, int y) { return x < 2 && y < 2 ? source.At(x + 3, y + 2) : 9; }));

  canvas::PaletteTable palette{};
  for (int i = 0; i < canvas::kPaletteSize; ++i)
    palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2)};
  Surface s(3, 2, 7);
  s.Row(1)[2] = 240;  // outside the 236 entries: black
  const auto rgb = canvas::SurfaceToRgb(s, palette, Rect{1, 0, 10, 2});
  ASSERT_EQ(rgb.size(), 4u);  // columns 1..2 of both rows
  EXPECT_EQ(std::make_pair(rgb[0], rgb[3]), std::make_pair(0xFF07F803u, 0xFF000000u));
  EXPECT_TRUE(canvas::SurfaceToRgb(s, palette, Rect{5, 5, 9, 9}).empty());

  // Into a window-sized image: only the changed rectangle is written, at its own coordinates.
  canvas::PresentationPalette window{};
  window[7] = {1, 2, 3};
  std::vector<uint32_t> frame(3 * 2, 0x12345678u);
  canvas::SurfaceToRgb(s, canvas::MakeRgbLookup(window.data(), 256), Rect{1, 1, 2, 2}, frame.data(), 3);
  EXPECT_EQ(frame, (std::vector<uint32_t>{0x12345678u, 0x12345678u, 0x12345678u, 0x12345678u, 0xFF010203u,
                                          0x12345678u}));
}

}  // namespace
