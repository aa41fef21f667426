// Spectrogram columns: level colours, the row cap, scheduling, lag and scrolling; the extent of a
// waveform envelope column. (How envelope columns are painted and scrolled: the golden frames and the
// live runs.)
#include "display/envelope_panel.h"
#include "display/spectrogram_panel.h"
#include "display_fixture.h"

namespace {

TEST(SpectrogramColour, FourStepsPerDbBetween20And78Point75) {
  // Level, bin and the index: 21 dB would be index 4, below the level entries; 78.75 dB and up is
  // 235. Saturation in the lowest ten bins shows as the floor; anything below saturation there does not.
  const std::tuple<int, int, int> cases[] = {{-30, 50, 5},   {20, 50, 5},   {21, 50, 5},    {22, 50, 8},
                                             {50, 50, 120},  {51, 50, 124}, {78, 50, 232},  {79, 50, 235},
                                             {300, 10, 235}, {79, 0, 5},    {90, 9, 5},     {78, 9, 232}};
  for (auto [level, bin, index] : cases)
    EXPECT_EQ(SpectrogramColourIndex(level, bin), index) << level << " dB in bin " << bin;
}

TEST(SpectrogramColumn, TallPlotPaintsOnlyItsBottom1024Rows) {
  std::array<int16_t, 1024> levels;
  levels.fill(50);
  canvas::Surface s(4, 1600, 5);
  PaintSpectrogramColumn(s, 1, 10, 1500, 464, levels.data());
  // The rows above the plot bottom (10 + 1500) are painted one by one, never stretched: the
  // bottom 1024 rows hold the column (the bottom row itself is the separator), nothing above.
  for (int y = 0; y < 1600; ++y)
    ASSERT_TRUE(s.At(1, y) == (y > 1510 - 1024 && y < 1510 ? 120 : 5) && s.At(0, y) == 5) << y;

  // A short plot paints each of its rows, up to the row under the panel's top edge.
  canvas::Surface t(4, 400, 5);
  PaintSpectrogramColumn(t, 2, 50, 300, 464, levels.data());
  for (int y = 0; y < 400; ++y) ASSERT_EQ(t.At(2, y), y > 50 && y < 350 ? 120 : 5) << y;
  // A bin count beyond the 1024 entries (10 kHz at 11025 Hz) stays inside the array. (Which bin
  // each row shows: the golden frames.)
  PaintSpectrogramColumn(t, 3, 0, 300, 1858, levels.data());
}

TEST(SpectrogramSchedule, AtMost100MsOfColumnsAFrameTheRestIntoTheLag) {
  AnalysisSettings.StoredSeconds = 8;
  int column = 0, lag = 0;
  EXPECT_EQ(ScheduleColumns(300, 400, &column, &lag), 5);  // 20 ms a column: 15 due, 100 ms hold 5
  EXPECT_EQ(lag, 10);
  EXPECT_DOUBLE_EQ(ColumnDisplayTime(4, lag, 400, 300), 300);  // the last due column shows now
  EXPECT_DOUBLE_EQ(ColumnDisplayTime(0, lag, 400, 300), 220);
  column += 5;
  EXPECT_EQ(ScheduleColumns(320, 400, &column, &lag), 1);  // continues from the display time
  column += 1;
  EXPECT_EQ(ScheduleColumns(329, 400, &column, &lag), 0);
  EXPECT_EQ(ScheduleColumns(330, 400, &column, &lag), 1);  // 16.5 rounds up
  EXPECT_DOUBLE_EQ(ColumnDisplayTime(6, lag, 400, 330), 330);  // never later than the frame
  EXPECT_EQ(ScheduleColumns(-93, 400, &column, &lag), -4 - 10 - 6);  // truncated toward zero
  // A panel 3840 wide over 4 s: a 60 Hz frame's 16 columns are all drawn; never fewer than four.
  AnalysisSettings.StoredSeconds = 4;
  column = lag = 0;
  EXPECT_EQ(ScheduleColumns(1000, 3840, &column, &lag), 96);
  column = 960, lag = 0;
  EXPECT_EQ(ScheduleColumns(1017, 3840, &column, &lag), 16);
  EXPECT_EQ(lag, 0);
  column = lag = 0;
  EXPECT_EQ(ScheduleColumns(4000, 40, &column, &lag), 4);
  ResetSettingsState();
}

using SpectrogramPanelTest = DisplayTest;

// Column k shows level 30 + k % 40 in every bin (a distinct colour for each).
uint8_t ColourOf(int k) { return SpectrogramColourIndex(30 + k % 40, 50); }

// (Where the columns stand before the panel is full: the golden frames.)
TEST_F(SpectrogramPanelTest, ScrollsTwoPixelsEverySecondColumnOnceFull) {
  AnalysisSettings.StoredSeconds = 1;  // 10 ms a column across 100 pixels
  const int x = 20, bottom = 300, width = 100, height = 200;
  const int plotY = bottom - 15 - 4 - 50;  // a row inside the plot
  std::array<int16_t, 1024> levels{};
  for (int k = 0; k <= width + 4; ++k) {
    levels.fill(static_cast<int16_t>(30 + k % 40));
    DrawSpectrogramA(Display.FrameDC, std::nullopt, (k + 1) * 10, 464, levels.data(), x, bottom, width, height, 0);
  }
  EXPECT_EQ(std::pair(Mode.SpectrogramColumn, Mode.SpectrogramLag), std::pair(width + 5, 0));
  // Pixel offset from x and the column it shows: the four newest at the right edge, then column
  // width - 1 (column `width` was on the edge), four pixels scrolled out on the left, and the
  // pixel just outside the scrolled rectangle.
  const std::pair<int, int> shown[] = {{width - 1, width + 4}, {width - 2, width + 3}, {width - 3, width + 2},
                                       {width - 4, width + 1}, {width - 5, width - 1}, {10, 14}, {width, width}};
  for (auto [dx, k] : shown) EXPECT_EQ(Display.FrameDC.At(x + dx, plotY), ColourOf(k)) << dx;
  ResetSettingsState();
}

// (Rebuild columns into the held images: the image rebuild runs.)
TEST_F(SpectrogramPanelTest, ColumnsBeyond100MsOfAFrameGoIntoTheLag) {
  std::array<int16_t, 1024> levels{};
  levels.fill(60);
  DrawSpectrogramA(Display.FrameDC, Palette.FramePen, 200, 464, levels.data(), 0, 400, 400, 300, 0);
  EXPECT_EQ(std::pair(Mode.SpectrogramColumn, Mode.SpectrogramLag), std::pair(5, 5));  // 10 due, 100 ms drawn
  // Columns 0..4: column 0 lies under the left edge, 1..4 hold the level, 5 is still empty.
  for (int c = 0; c <= 5; ++c)
    EXPECT_EQ(Display.FrameDC.At(c, 300), c == 0 ? kFrameIndex : c < 5 ? 160 : kBackgroundIndex) << c;
  EXPECT_EQ(Display.Panels.Spectrogram, (PanelRect{0, 400, 400, 300}));
}

TEST_F(SpectrogramPanelTest, FrozenShowsTheHeldImageWithCrossHair) {
  Companions.DisplayMode = 2;
  Mode.Frozen = 1;
  const int bottom = 400, height = 300, width = 400;
  canvas::DrawContext(&Display.CanvasDC).FillRect(0, 0, 800, 600, 100);
  Samples.CursorX = 4000;  // the middle: 200 pixels, 4000 ms
  PanelCursors.CursorTarget = 2;
  PanelCursors.CursorY = bottom - 19 - 140;  // 140 of 281 plot rows up
  Display.Panels.Spectrum.width = 500;
  std::array<int16_t, 1024> levels{};
  DrawSpectrogramA(Display.FrameDC, Palette.FramePen, 99999, 464, levels.data(), 0, bottom, width, height, 0);
  EXPECT_EQ(Mode.SpectrogramColumn, 0);  // no columns while held
  EXPECT_EQ(Display.FrameDC.At(50, bottom - 100), 100);
  for (int x : {199, 200, 201})  // the time cursor, one pixel wide
    EXPECT_EQ(Display.FrameDC.At(x, bottom - 50), x == 200 ? kCursorIndex : kBackgroundIndex) << x;
  const float f = 140.0f * 5000 / 281;
  EXPECT_FLOAT_EQ(PanelCursors.CursorFreqA, f);
  EXPECT_EQ(PanelCursors.SpectrumCursorA, static_cast<int>(500 * f / 5000));
  EXPECT_EQ(Display.FrameDC.At(195, bottom - 19 - 140), kCursorIndex);
  EXPECT_EQ(Display.FrameDC.At(195, bottom - 19 - 141), kBackgroundIndex);
  EXPECT_TRUE(HasText("Cursor  4000 ms  2491 Hz"));

  // Sample B shows no time cursor at the far left with a start time of 0; Sample A does.
  Samples.CursorX = Samples.CursorXB = 0;
  Mode.SampleBStored = 1;
  Clear();
  DrawSpectrogramA(Display.FrameDC, Palette.FramePen, 0, 464, levels.data(), 0, bottom, width, height, 0);
  EXPECT_EQ(Display.FrameDC.At(0, bottom - 60), kCursorIndex);
  Clear();
  DrawSpectrogramB(Display.FrameDC, 0, bottom, width, height);
  EXPECT_EQ(Display.FrameDC.At(0, bottom - 60), kFrameIndex);  // the left edge only
  EXPECT_EQ(Display.FrameDC.At(1, bottom - 60), kBackgroundIndex);
}

// --- The waveform envelope ------------------------------------------------------------------------

TEST(EnvelopeExtent, FromTheMiddle512SamplesOnlyInStepsOf256) {
  struct Case {
    std::vector<std::pair<int, int16_t>> samples;  // index, value; the rest silent
    int top, low;
  };
  // A transient outside entries 256..767 does not count. Full scale: 127/256 of the plot above the
  // centre, the negative side capped at half the plot. Values under 256 in size count as nothing.
  const Case cases[] = {{{}, 0, 0},
                        {{{255, 32767}, {768, -32768}}, 0, 0},
                        {{{256, 32767}, {767, -32768}}, 127 * 200 / 256, -100},
                        {{{400, 255}, {401, -255}}, 0, 0}};
  for (const Case& c : cases) {
    std::vector<int16_t> block(2048, 0);
    for (auto [i, v] : c.samples) block[i] = v;
    const EnvelopeExtent e = ComputeEnvelopeExtent(block.data(), 200);
    EXPECT_EQ(e.top, c.top) << c.samples.size();
    EXPECT_EQ(e.low, c.low) << c.samples.size();
  }
}

}  // namespace
