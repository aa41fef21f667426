// The waveform envelope: the extent of a column and what it paints.
#include <gtest/gtest.h>

#include <vector>

#include "display/envelope_panel.h"
#include "display/palette.h"
#include "display_fixture.h"

namespace {

TEST(EnvelopeExtent, FromTheMiddle512SamplesOnly) {
  std::vector<int16_t> block(2048, 0);
  EnvelopeExtent e = ComputeEnvelopeExtent(block.data(), 200);
  EXPECT_EQ(e.top, 0);
  EXPECT_EQ(e.low, 0);
  // A transient outside entries 256..767 does not count.
  block[255] = 32767;
  block[768] = -32768;
  e = ComputeEnvelopeExtent(block.data(), 200);
  EXPECT_EQ(e.top, 0);
  EXPECT_EQ(e.low, 0);
  // Full scale: 127/256 of the plot above the centre, the negative side capped at half the plot.
  block[256] = 32767;
  block[767] = -32768;
  e = ComputeEnvelopeExtent(block.data(), 200);
  EXPECT_EQ(e.top, 127 * 200 / 256);
  EXPECT_EQ(e.low, -100);
  // Values are taken in steps of 256, truncated toward zero.
  std::fill(block.begin(), block.end(), 0);
  block[400] = 255;
  block[401] = -255;
  e = ComputeEnvelopeExtent(block.data(), 200);
  EXPECT_EQ(e.top, 0);
  EXPECT_EQ(e.low, 0);
}

using EnvelopePanelTest = DisplayTest;

TEST_F(EnvelopePanelTest, SilentColumnsStayBackgroundFullScaleSpansThePlot) {
  const int x = 0, bottom = 200, width = 400, height = 200;
  const int plot = height - 19, top = bottom - height, centre = top + plot / 2;
  std::vector<int16_t> block(2048, 0);
  DrawEnvelopeA(Display.FrameDC, std::nullopt, 60, block.data(), x, bottom, width, height, 0);  // columns 0..2
  EXPECT_EQ(Mode.EnvelopeColumn, 3);
  EXPECT_EQ(Count(Display.FrameDC, 0, 0, 10, bottom, kFrameIndex), 0);

  block[300] = 32767;
  block[700] = -32768;
  DrawEnvelopeA(Display.FrameDC, std::nullopt, 80, block.data(), x, bottom, width, height, 0);  // column 3
  const int topY = centre - 127 * plot / 256;
  for (int y = 0; y < 600; ++y) {
    const bool on = y > topY && y <= centre + plot / 2;
    EXPECT_EQ(Display.FrameDC.At(3, y), on ? kFrameIndex : kBackgroundIndex) << y;
  }
}

TEST_F(EnvelopePanelTest, ScrollErasesTheNewColumnOverThePanelHeight) {
  AnalysisSettings.StoredSeconds = 1;  // 10 ms a column across 100 pixels
  const int x = 50, bottom = 300, width = 100, height = 100;
  std::vector<int16_t> loud(2048, 20000), silent(2048, 0);
  for (size_t i = 0; i < loud.size(); i += 2) loud[i] = -20000;
  for (int k = 0; k <= width; ++k)
    DrawEnvelopeA(Display.FrameDC, Palette.FramePen, (k + 1) * 10, loud.data(), x, bottom, width, height, 0);
  EXPECT_EQ(Display.FrameDC.At(x + width - 2, bottom - 60), kFrameIndex);  // the centre row
  // Column width + 1: scroll, erase its pixel column, draw nothing (silence).
  DrawEnvelopeA(Display.FrameDC, std::nullopt, (width + 2) * 10, silent.data(), x, bottom, width, height, 0);
  for (int y = bottom - height; y < bottom; ++y) EXPECT_EQ(Display.FrameDC.At(x + width - 2, y), kBackgroundIndex);
  EXPECT_TRUE(HasText("Waveform Envelope (A)") || Display.FrameTexts.empty());
  ResetSettingsState();
}

TEST_F(EnvelopePanelTest, FrameHasNoBottomEdge) {
  std::vector<int16_t> block(2048, 0);
  const int bottom = 200, height = 100;
  DrawEnvelopeA(Display.FrameDC, Palette.FramePen, 0, block.data(), 0, bottom, 400, height, 0);
  EXPECT_EQ(Display.FrameDC.At(200, bottom - height), kFrameIndex);
  EXPECT_EQ(Display.FrameDC.At(200, bottom - 19), kFrameIndex);
  EXPECT_EQ(Display.FrameDC.At(0, bottom - 50), kFrameIndex);
  EXPECT_EQ(Display.FrameDC.At(400, bottom - 50), kFrameIndex);
  EXPECT_EQ(Display.FrameDC.At(200, bottom), kBackgroundIndex);
  EXPECT_TRUE(HasText("Waveform Envelope (A)"));
}

}  // namespace
