// Panel rectangles of the display and comparison modes, and what the frame draws per case.
#include <gtest/gtest.h>

#include "display/display_frame.h"
#include "display/palette.h"
#include "display_fixture.h"

namespace {

using K = PanelKind;

PanelRect R(int x, int bottom, int width, int height) { return {x, bottom, width, height}; }

TEST(FramePanels, DisabledModesWithThirdsThatAreNotWhole) {
  // H = 500: H/3 = 166 and 2H/3 = 333, so the envelope (bottom 166) ends one row above the
  // spectrogram's top (500 - 333 = 167); that row stays background.
  auto p = FramePanels(0, 800, 500, false, 0, false);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0].kind, K::SpectrogramA);
  EXPECT_EQ(p[0].rect, R(0, 500, 400, 333));
  EXPECT_EQ(p[1].kind, K::EnvelopeA);
  EXPECT_EQ(p[1].rect, R(0, 166, 400, 166));
  EXPECT_EQ(p[2].kind, K::Spectrum);
  EXPECT_EQ(p[2].rect, R(400, 500, 400, 500));
  EXPECT_TRUE(p[2].eraser);
  EXPECT_EQ(p[0].rect.bottom - p[0].rect.height, p[1].rect.bottom + 1);

  // H = 498 divides by 3: no gap.
  p = FramePanels(1, 801, 498, false, 0, false);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].rect, R(0, 498, 801, 332));
  EXPECT_EQ(p[1].rect, R(0, 166, 801, 166));

  p = FramePanels(5, 801, 498, false, 0, false);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].kind, K::Spectrum);
  EXPECT_EQ(p[0].rect, R(0, 498, 400, 498));
  EXPECT_EQ(p[1].kind, K::Signals);
  EXPECT_EQ(p[1].rect, R(400, 498, 400, 498));
  p = FramePanels(7, 800, 500, false, 0, false);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].kind, K::SignalsSingle);
}

TEST(FramePanels, AboveBelowSixthsAndTheThreeCases) {
  // H = 500: H/2 = 250, H/6 = 83, 2H/6 = 166, 4H/6 = 333.
  auto p = FramePanels(8, 800, 500, false, 0, false);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0].rect, R(0, 250, 400, 166));
  EXPECT_EQ(p[1].rect, R(0, 83, 400, 83));
  EXPECT_EQ(p[2].rect, R(400, 250, 400, 250));
  for (const auto& q : p) EXPECT_EQ(q.sampleFlag, 0);

  // After a fill the stored Sample B panels follow in the lower half.
  p = FramePanels(8, 800, 500, false, 0, true);
  ASSERT_EQ(p.size(), 6u);
  EXPECT_EQ(p[3].kind, K::EnvelopeB);
  EXPECT_EQ(p[3].rect, R(0, 333, 400, 83));
  EXPECT_EQ(p[4].kind, K::SpectrogramB);
  EXPECT_EQ(p[4].rect, R(0, 500, 400, 166));
  EXPECT_EQ(p[5].kind, K::Spectrum);
  EXPECT_EQ(p[5].rect, R(400, 500, 400, 250));
  EXPECT_EQ(p[5].sampleFlag, 1);
  EXPECT_EQ(p[5].data, PanelData::SampleB);
  EXPECT_TRUE(p[5].eraser);
  // F6: the stored spectrum and signals are drawn without eraser.
  p = FramePanels(13, 800, 500, false, 0, true);
  ASSERT_EQ(p.size(), 4u);
  EXPECT_FALSE(p[2].eraser);
  EXPECT_FALSE(p[3].eraser);
  EXPECT_EQ(p[3].data, PanelData::SampleB);

  // Play A: only the upper half, even after a fill.
  p = FramePanels(9, 800, 500, true, 0, true);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].rect, R(0, 250, 800, 166));

  // Play B: the live drawers in the lower half, flag 1, fed with the played data.
  p = FramePanels(8, 800, 500, true, 1, true);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0].kind, K::SpectrogramA);
  EXPECT_EQ(p[0].rect, R(0, 500, 400, 166));
  EXPECT_EQ(p[1].kind, K::EnvelopeA);
  EXPECT_EQ(p[1].rect, R(0, 333, 400, 83));
  EXPECT_EQ(p[2].rect, R(400, 500, 400, 250));
  EXPECT_EQ(p[2].sampleFlag, 1);
  EXPECT_EQ(p[2].data, PanelData::SampleA);
}

TEST(FramePanels, OverlayOnlyOverTheSpectrumAlone) {
  for (int index = 16; index < 24; ++index)
    if (index != 19) {
      EXPECT_TRUE(FramePanels(index, 800, 500, false, 0, true).empty()) << index;
    }
  auto p = FramePanels(19, 800, 500, false, 0, false);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].rect, R(0, 500, 800, 500));
  EXPECT_TRUE(p[0].eraser);
  EXPECT_FALSE(p[0].sampleBPen);
  EXPECT_TRUE(p[1].sampleBPen);
  EXPECT_EQ(p[1].data, PanelData::StoredSpectrum);
  EXPECT_FALSE(p[1].eraser);
  p = FramePanels(19, 800, 500, true, 1, false);
  EXPECT_EQ(p[1].data, PanelData::SampleB);
  EXPECT_TRUE(p[1].eraser);
  EXPECT_TRUE(FramePanels(24, 800, 500, false, 0, false).empty());
  EXPECT_TRUE(FramePanels(-1, 800, 500, false, 0, false).empty());
}

using DisplayFrameTest = DisplayTest;

TEST_F(DisplayFrameTest, NothingWhileImagesAreRebuilt) {
  Display.ImagesRebuilding = 1;
  Display.ClearFrameRequest = 1;
  Display.FrameTexts.push_back({0, 0, "old", 4});
  canvas::DrawContext(&Display.FrameDC).FillRect(0, 0, 800, 600, 7);
  DrawDisplayFrame(Display.FrameDC, 1000);
  EXPECT_EQ(Count(Display.FrameDC, 0, 0, 800, 600, 7), 800 * 600);
  EXPECT_TRUE(Display.FrameTexts.empty());
  EXPECT_EQ(Display.ClearFrameRequest, 1);
  EXPECT_EQ(Mode.SpectrogramColumn, 0);
}

TEST_F(DisplayFrameTest, OverlayWithoutSpectrumDrawsOnlyTheLegend) {
  Companions.DisplayMode = 0;
  Companions.ComparisonMode = 2;
  DrawDisplayFrame(Display.FrameDC, 1000);
  ASSERT_EQ(Display.FrameTexts.size(), 1u);
  EXPECT_EQ(Display.FrameTexts[0].text, "Legend");
  const int h = Display.PanelAreaHeight;
  EXPECT_EQ(Display.FrameTexts[0].y, h + 4);
  EXPECT_EQ(Display.FrameTexts[0].x, Display.CharWidth);
  // Panel area: only the line along the top of the client area.
  EXPECT_EQ(Count(Display.FrameDC, 0, 1, 800, h - 1, kBackgroundIndex), 800 * (h - 2));
  EXPECT_EQ(Count(Display.FrameDC, 0, 0, 800, 1, kFrameIndex), 800);
  EXPECT_EQ(Display.FullRedraw, 0);
}

TEST_F(DisplayFrameTest, RequestsAreHonouredOnceAndTextsLogged) {
  Companions.DisplayMode = 0;
  Companions.ComparisonMode = 0;
  canvas::DrawContext(&Display.FrameDC).FillRect(0, 0, 800, 600, 7);
  Display.ClearFrameRequest = 1;
  AnalysisSettings.FreqScaleHz = 8000;
  DrawDisplayFrame(Display.FrameDC, 0);
  EXPECT_EQ(Display.ClearFrameRequest, 0);
  EXPECT_EQ(Count(Display.FrameDC, 0, 0, 800, 600, 7), 0);
  EXPECT_EQ(AnalysisSettings.SpectrogramBins, 743);  // 8000 * 2048 / 22050 = 743.03
  EXPECT_TRUE(HasText("Spectrogram (A)   8 kHz"));
  EXPECT_TRUE(HasText("Waveform Envelope (A)"));
  EXPECT_TRUE(HasText("Spectrum (A)   8 kHz"));
  EXPECT_TRUE(HasText("Legend"));
  EXPECT_EQ(Display.Panels.Spectrum, (PanelRect{400, Display.PanelAreaHeight, 400, Display.PanelAreaHeight}));
  EXPECT_EQ(Display.Panels.Spectrogram.width, 400);
  EXPECT_EQ(Display.Panels.Envelope.bottom, Display.PanelAreaHeight / 3);

  canvas::DrawContext(&Display.FrameDC).FillRect(400, 0, 800, 600, 7);
  Display.ClearRightHalfRequest = 1;
  DrawDisplayFrame(Display.FrameDC, 0);
  EXPECT_EQ(Display.ClearRightHalfRequest, 0);
  EXPECT_EQ(Count(Display.FrameDC, 400, 0, 800, 600, 7), 0);
}

TEST_F(DisplayFrameTest, PlayBLeavesTheUpperHalfAlone) {
  Companions.DisplayMode = 0;
  Companions.ComparisonMode = 1;
  Mode.Frozen = 1;
  Mode.PlayingSignals = 1;
  Mode.PlaySelection = 1;
  const int h = Display.PanelAreaHeight;
  canvas::DrawContext(&Display.FrameDC).FillRect(0, 0, 800, h / 2, 7);
  Samples.SpectrumA.fill(40);
  DrawDisplayFrame(Display.FrameDC, 2000);
  EXPECT_EQ(Count(Display.FrameDC, 0, 0, 800, h / 2, 7), 800 * (h / 2) - 800);  // but the top line
  EXPECT_TRUE(HasText("Spectrogram (B)   5 kHz"));
  EXPECT_TRUE(HasText("Waveform Envelope (B)"));
  EXPECT_TRUE(HasText("Spectrum (B)   5 kHz"));
  EXPECT_GT(Count(Display.FrameDC, 0, h / 2 + 1, 800, h, kFrameIndex), 0);
}

TEST_F(DisplayFrameTest, StoredPanelsOnlyAfterAFill) {
  Companions.DisplayMode = 2;
  Companions.ComparisonMode = 1;
  Mode.SampleBStored = 1;
  Display.FullRedraw = 1;
  DrawDisplayFrame(Display.FrameDC, 0);
  EXPECT_TRUE(HasText("Spectrogram (B)   5 kHz"));
  EXPECT_EQ(Display.FullRedraw, 0);
  DrawDisplayFrame(Display.FrameDC, 0);
  EXPECT_FALSE(HasText("Spectrogram (B)   5 kHz"));
  EXPECT_TRUE(HasText("Spectrogram (A)   5 kHz"));
  FillFrame();
  EXPECT_EQ(Display.FullRedraw, 1);
}

TEST_F(DisplayFrameTest, BackgroundFills) {
  const int w = Display.PanelAreaWidth, h = Display.PanelAreaHeight;
  auto paint = [] {
    for (auto* s : {&Display.FrameDC, &Display.MainDC, &Display.CanvasDC, &Display.StoreCanvasDC})
      canvas::DrawContext(s).FillRect(0, 0, 800, 600, 7);
    Display.FullRedraw = 0;
  };
  paint();
  Companions.ComparisonMode = 1;
  Mode.PlaySelection = 1;
  FillSampleArea();
  EXPECT_EQ(Count(Display.FrameDC, 0, 0, w, h, 7), w * (h / 2));
  EXPECT_EQ(Count(Display.MainDC, 0, h / 2, w, h, kBackgroundIndex), w * (h - h / 2));
  EXPECT_EQ(Display.FullRedraw, 1);
  paint();
  Mode.PlaySelection = 0;
  FillSampleArea();
  EXPECT_EQ(Count(Display.FrameDC, 0, 0, w, h / 2, kBackgroundIndex), w * (h / 2));
  EXPECT_EQ(Count(Display.FrameDC, 0, h / 2, w, h, 7), w * (h - h / 2));
  paint();
  FillCanvas();
  EXPECT_EQ(Count(Display.CanvasDC, 0, 0, 800, 600, kBackgroundIndex), 800 * 600);
  EXPECT_EQ(Display.FullRedraw, 0);
  FillStoreCanvas();
  EXPECT_EQ(Count(Display.StoreCanvasDC, 0, 0, 800, 600, kBackgroundIndex), 800 * 600);
  EXPECT_EQ(Display.FullRedraw, 1);
}

}  // namespace
