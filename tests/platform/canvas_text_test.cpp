// Text through FreeType: metrics of the panel font, clipping and the text log. (The glyphs, their
// colour indexes and opaque cells are pinned pixel for pixel by the golden frames in tests/display.)
#include <climits>

#include "canvas_check.h"

namespace {

using canvas::DrawContext;
using canvas::Font;
using canvas::Surface;

// Every test draws with the 13-pixel panel font in text index 4 on background index 5.
struct CanvasText : ::testing::Test {
  void SetUp() override {
    ASSERT_NE(font_, nullptr);
    dc_.SelectFont(font_);
    dc_.SetTextColour(4);
    dc_.SetBackgroundColour(5);
  }
  std::shared_ptr<Font> font_ = Font::Create(-13);
  DrawContext dc_;
};

TEST_F(CanvasText, MetricsOfThe13PixelFont) {
  const auto extent = dc_.GetTextExtent("0 Hz");
  EXPECT_EQ(std::make_tuple(font_->Height(), font_->Ascent(), font_->AverageCharWidth(),
                            dc_.GetTextMetrics().averageCharWidth, extent.height, font_->TextWidth("")),
            std::make_tuple(15, 12, 6, 6, 15, 0));
  EXPECT_EQ(extent.width, font_->TextWidth("0") + font_->TextWidth(" ") + font_->TextWidth("Hz"));
  // Multi-byte and 8-bit characters draw something of their own width.
  EXPECT_GT(font_->TextWidth("\xC2\xB5s"), font_->TextWidth("s"));
  EXPECT_GT(font_->TextWidth("\xB5s"), font_->TextWidth("s"));

  // A positive height asks for the cell: 15 gives the same font back. Larger fonts grow.
  auto cell = Font::Create(15), large = Font::Create(-26);
  ASSERT_TRUE(cell && large);
  EXPECT_EQ(std::make_pair(cell->Height(), cell->TextWidth("Waveform Envelope (A)")),
            std::make_pair(15, font_->TextWidth("Waveform Envelope (A)")));
  EXPECT_TRUE(large->Height() > 28 && large->AverageCharWidth() > 10) << large->Height();
}

TEST_F(CanvasText, TextIsClippedAndLogged) {
  Surface s(60, 10, 7);
  std::vector<canvas::DrawnText> log;
  dc_.SetSurface(&s);
  dc_.SetTextLog(&log);
  dc_.TextOut(INT_MAX - 5, 0, "far right");
  dc_.TextOut(INT_MIN, INT_MIN, "far away");
  dc_.TextOut(0, INT_MAX, "below");
  EXPECT_EQ(canvas_check::CountIndex(s, 7), 600);
  // Partly visible: the cell is cut at the surface edge.
  dc_.TextOut(-8, -6, "Time (s)");
  const int cellRight = font_->TextWidth("Time (s)") - 8, cellBottom = 15 - 6;
  ASSERT_LT(cellRight, 60);
  EXPECT_GT(canvas_check::CountIndex(s, 4), 0);
  EXPECT_TRUE(canvas_check::PixelsAre(s, [&](int x, int y) {
    const uint8_t p = s.At(x, y);
    return x < cellRight && y < cellBottom ? (p == 4 ? 4 : 5) : 7;
  }));
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(std::make_tuple(log[3].text, log[3].x, log[3].colour), std::make_tuple("Time (s)", -8, 4));
}

}  // namespace
