// Text through FreeType: metrics of the panel font, exact colour indexes, opaque cells, clipping
// and the text log.
#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "platform/canvas/canvas.h"

namespace {

using canvas::BackgroundMode;
using canvas::DrawContext;
using canvas::Font;
using canvas::Surface;

TEST(CanvasText, MetricsOfThe13PixelFont) {
  auto font = Font::Create(-13);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->Height(), 15);
  EXPECT_EQ(font->Ascent(), 12);
  EXPECT_EQ(font->AverageCharWidth(), 6);
  DrawContext dc;
  dc.SelectFont(font);
  const auto metrics = dc.GetTextMetrics();
  EXPECT_EQ(metrics.height, 15);
  EXPECT_EQ(metrics.averageCharWidth, 6);
  const auto extent = dc.GetTextExtent("0 Hz");
  EXPECT_EQ(extent.height, 15);
  EXPECT_EQ(extent.width, font->TextWidth("0") + font->TextWidth(" ") + font->TextWidth("Hz"));
  EXPECT_GT(font->TextWidth("Spectrum"), font->TextWidth("Spect"));
  EXPECT_EQ(font->TextWidth(""), 0);

  // A positive height asks for the cell: 15 gives the same font back.
  auto cell = Font::Create(15);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->Height(), 15);
  EXPECT_EQ(cell->TextWidth("Waveform Envelope (A)"), font->TextWidth("Waveform Envelope (A)"));
  // Larger fonts grow.
  auto large = Font::Create(-26);
  ASSERT_NE(large, nullptr);
  EXPECT_GT(large->Height(), 28);
  EXPECT_GT(large->AverageCharWidth(), 10);
}

TEST(CanvasText, OpaqueTextUsesOnlyTheTextAndBackgroundIndexes) {
  auto font = Font::Create(-13);
  ASSERT_NE(font, nullptr);
  Surface s(220, 40, 9);
  DrawContext dc(&s);
  dc.SelectFont(font);
  dc.SetTextColour(4);
  dc.SetBackgroundColour(5);
  dc.SetBackgroundMode(BackgroundMode::Opaque);
  const std::string text = "Power Spectrum (dB) 1234 Hz, Qjy";
  dc.TextOut(10, 12, text);
  const auto extent = dc.GetTextExtent(text);
  int ink = 0, background = 0;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) {
      const bool inCell = x >= 10 && x < 10 + extent.width && y >= 12 && y < 12 + extent.height;
      const uint8_t p = s.At(x, y);
      if (!inCell) {
        EXPECT_EQ(p, 9) << "outside the cell at " << x << "," << y;
        continue;
      }
      ASSERT_TRUE(p == 4 || p == 5) << "index " << int(p) << " at " << x << "," << y;
      (p == 4 ? ink : background)++;
    }
  // Real glyphs: a fair share of the cell is ink, most of it is background.
  EXPECT_GT(ink, extent.width * 2);
  EXPECT_GT(background, ink);
}

TEST(CanvasText, TransparentTextLeavesTheBackgroundAndRepeatsExactly) {
  auto font = Font::Create(-13);
  ASSERT_NE(font, nullptr);
  Surface first(120, 20, 7), second(120, 20, 7);
  DrawContext dc(&first);
  dc.SelectFont(font);
  dc.SetTextColour(0);
  dc.SetBackgroundColour(5);
  dc.SetBackgroundMode(BackgroundMode::Transparent);
  dc.TextOut(2, 2, "F0 = 220 Hz");
  std::set<uint8_t> used(first.Pixels().begin(), first.Pixels().end());
  EXPECT_EQ(used, (std::set<uint8_t>{0, 7}));
  // The second drawing comes from the glyph cache and must be identical.
  dc.SetSurface(&second);
  dc.TextOut(2, 2, "F0 = 220 Hz");
  EXPECT_EQ(first.Pixels(), second.Pixels());
  // The same glyphs shifted by whole pixels.
  Surface shifted(120, 20, 7);
  dc.SetSurface(&shifted);
  dc.TextOut(5, 3, "F0 = 220 Hz");
  for (int y = 0; y + 1 < 20; ++y)
    for (int x = 0; x + 3 < 120; ++x) ASSERT_EQ(shifted.At(x + 3, y + 1), first.At(x, y));
}

TEST(CanvasText, TextIsClippedAndLogged) {
  auto font = Font::Create(-13);
  ASSERT_NE(font, nullptr);
  Surface s(60, 10, 5);
  std::vector<canvas::DrawnText> log;
  DrawContext dc(&s);
  dc.SelectFont(font);
  dc.SetTextLog(&log);
  dc.SetTextColour(4);
  dc.SetBackgroundColour(3);
  dc.TextOut(INT_MAX - 5, 0, "far right");
  dc.TextOut(INT_MIN, INT_MIN, "far away");
  dc.TextOut(0, INT_MAX, "below");
  for (uint8_t p : s.Pixels()) ASSERT_EQ(p, 5);
  // Partly visible: the cell is cut at the surface edge.
  dc.TextOut(-8, -6, "Time (s)");
  const int cellRight = font->TextWidth("Time (s)") - 8, cellBottom = 15 - 6;
  ASSERT_LT(cellRight, 60);
  int ink = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 60; ++x) {
      const uint8_t p = s.At(x, y);
      if (x < cellRight && y < cellBottom) {
        EXPECT_TRUE(p == 3 || p == 4) << x << "," << y;
        ink += p == 4;
      } else {
        EXPECT_EQ(p, 5) << x << "," << y;
      }
    }
  EXPECT_GT(ink, 0);
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[3].text, "Time (s)");
  EXPECT_EQ(log[3].x, -8);
  EXPECT_EQ(log[3].colour, 4);
  // Multi-byte and 8-bit characters draw something of their own width.
  EXPECT_GT(font->TextWidth("\xC2\xB5s"), font->TextWidth("s"));
  EXPECT_GT(font->TextWidth("\xB5s"), font->TextWidth("s"));
}

}  // namespace
