// The power-spectrum panel: curve limits, grid, titles, F0 and the frequency cursor. (The overlay
// title with its (B) in the curve colour is pinned by the golden frame frame_f4_overlay.)
#include "display/spectrum_panel.h"
#include "display_fixture.h"

namespace {

constexpr int kX = 100, kBottom = 500, kWidth = 500, kHeight = 400;
constexpr int kPlotBottom = kBottom - 15 - 4, kTop = kBottom - kHeight;
constexpr double kPixelsPerDb = 381 / 80.0;  // plot height over the 80 dB range

using Levels = std::array<int16_t, 1024>;

class SpectrumPanelTest : public DisplayTest {
 protected:
  Levels levels{};
  // The panel at (kX, kBottom) with frame, grid and titles in FramePen unless told otherwise.
  void Draw(std::optional<canvas::Pen> framePen = Palette.FramePen, canvas::Pen curvePen = Palette.FramePen,
            std::optional<canvas::Pen> eraser = std::nullopt, const int16_t* erase = nullptr, int x = kX) {
    DrawSpectrum(Display.FrameDC, eraser, curvePen, framePen, levels.data(), erase, x, kBottom, kWidth, kHeight, 0);
  }
};

TEST_F(SpectrumPanelTest, CurveStaysInThePlotAndTheEraserRemovesTheLastOne) {
  for (int i = 0; i < 1024; ++i) levels[i] = i % 2 ? 500 : -500;  // far above and below the range
  Draw(std::nullopt, Palette.SampleBPen);
  int curve = 0;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) {
      if (Display.FrameDC.At(x, y) != kSampleBIndex) continue;
      ++curve;
      // Only the first segment, from the bottom-left corner, runs along the left edge below the plot.
      ASSERT_TRUE(y >= kTop && (y <= kPlotBottom || x == kX) && x < kX + kWidth) << x << "," << y;
    }
  EXPECT_GT(curve, kWidth);
  EXPECT_EQ(Display.FrameDC.At(kX + 250, kTop), kSampleBIndex);
  EXPECT_TRUE(Display.FrameTexts.empty());  // no frame pen: no title

  levels.fill(40);
  Clear();
  Draw(std::nullopt);
  const int y40 = static_cast<int>(kPlotBottom - 40 * kPixelsPerDb);
  EXPECT_EQ(Display.FrameDC.At(kX + 250, y40), kFrameIndex);
  const Levels previous = levels;
  levels.fill(10);
  Draw(std::nullopt, Palette.FramePen, Palette.EraserPen, previous.data());
  EXPECT_EQ(Display.FrameDC.At(kX + 250, y40), kBackgroundIndex);
  EXPECT_EQ(Display.FrameDC.At(kX + 250, static_cast<int>(kPlotBottom - 10 * kPixelsPerDb)), kFrameIndex);
}

// (The grid, one-row dots every 10 dB and kHz: the golden frames.)
TEST_F(SpectrumPanelTest, FrequencyCursorAndF0Readouts) {
  Mode.Frozen = 1;
  // At 0 Hz there is no cursor.
  Draw();
  EXPECT_EQ(Count(Display.FrameDC, 0, 0, 800, 600, kCursorIndex), 0);
  EXPECT_FALSE(Text("Cursor"));

  PanelCursors.SpectrumCursorA = 100;  // 1000 Hz: bin 92
  levels[92] = 30;
  Draw();
  EXPECT_TRUE(HasText("Cursor  -50 dB   1000 Hz  "));
  EXPECT_EQ(Display.FrameDC.At(kX + 100, kTop + 1), kCursorIndex);
  EXPECT_EQ(Display.FrameDC.At(kX + 100, kPlotBottom), kCursorIndex);
  EXPECT_EQ(Display.FrameDC.At(kX + 100, kTop), kFrameIndex);
  EXPECT_EQ(Display.FrameTexts.back().y, kBottom - 15);  // on the title line
  // The level is never positive nor below -AmplitudeScale; past the array it reads the last bin.
  levels[92] = 500;
  EXPECT_EQ(SpectrumCursorLevel(levels.data(), 1000), 0);
  levels[92] = -20;
  EXPECT_EQ(SpectrumCursorLevel(levels.data(), 1000), -80);
  EXPECT_EQ(SpectrumCursorLevel(levels.data(), 1e9), -80);

  // The spectrogram leads: the cursor follows its frequency; the spectrum leads: it publishes its own.
  levels.fill(0);
  Companions.DisplayMode = 0;
  PanelCursors.CursorTarget = 2;
  PanelCursors.CursorFreqA = 2500;
  PanelCursors.SpectrumCursorA = 3;
  Draw();
  EXPECT_EQ(Display.FrameDC.At(kX + 250, kTop + 10), kCursorIndex);
  EXPECT_TRUE(HasText("Cursor  -80 dB   2500 Hz  "));
  PanelCursors.CursorTarget = 1;
  Draw();
  EXPECT_FLOAT_EQ(PanelCursors.CursorFreqA, 30);

  // Live, the F0 readout is on the second line of its own panel.
  Mode.Frozen = 0;
  AnalysisSettings.F0Measurement = ID_F0_ON;
  Samples.F0A = 123;
  const int bottom = 560, height = 280;  // a lower-half panel
  DrawSpectrum(Display.FrameDC, std::nullopt, Palette.FramePen, Palette.FramePen, levels.data(), nullptr, 0, bottom,
               400, height, 0);
  ASSERT_TRUE(HasText("F0:  123  Hz  "));
  EXPECT_EQ(Display.FrameTexts.back().y, bottom - height + 15);
}

}  // namespace
