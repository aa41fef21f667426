// Panel rectangles of the display and comparison modes, and what the frame draws per case.
#include "display/display_frame.h"
#include "display_fixture.h"

namespace {

using K = PanelKind;
using Layout = std::vector<std::pair<K, PanelRect>>;

PanelRect R(int x, int bottom, int width, int height) { return {x, bottom, width, height}; }

Layout Of(const std::vector<PanelPlacement>& panels) {
  Layout l;
  for (const auto& p : panels) l.push_back({p.kind, p.rect});
  return l;
}

TEST(FramePanels, RectanglesWithThirdsAndSixthsThatAreNotWhole) {
  struct Case {
    int index, w, h;
    bool playing;
    int selection;
    bool fullRedraw;
    Layout panels;
  };
  const Case cases[] = {
      // H = 500: H/3 = 166 and 2H/3 = 333, so the envelope (bottom 166) ends one row above the
      // spectrogram's top (167); that row stays background.
      {0, 800, 500, false, 0, false,
       {{K::SpectrogramA, R(0, 500, 400, 333)}, {K::EnvelopeA, R(0, 166, 400, 166)}, {K::Spectrum, R(400, 500, 400, 500)}}},
      // H = 498 divides by 3: no gap.
      {1, 801, 498, false, 0, false, {{K::SpectrogramA, R(0, 498, 801, 332)}, {K::EnvelopeA, R(0, 166, 801, 166)}}},
      {5, 801, 498, false, 0, false, {{K::Spectrum, R(0, 498, 400, 498)}, {K::Signals, R(400, 498, 400, 498)}}},
      // Above/Below, H = 500: H/2 = 250, H/6 = 83, 2H/6 = 166, 4H/6 = 333.
      {8, 800, 500, false, 0, false,
       {{K::SpectrogramA, R(0, 250, 400, 166)}, {K::EnvelopeA, R(0, 83, 400, 83)}, {K::Spectrum, R(400, 250, 400, 250)}}},
      // After a fill the stored Sample B panels follow in the lower half.
      {8, 800, 500, false, 0, true,
       {{K::SpectrogramA, R(0, 250, 400, 166)}, {K::EnvelopeA, R(0, 83, 400, 83)}, {K::Spectrum, R(400, 250, 400, 250)},
        {K::EnvelopeB, R(0, 333, 400, 83)}, {K::SpectrogramB, R(0, 500, 400, 166)}, {K::Spectrum, R(400, 500, 400, 250)}}},
      // Play A: only the upper half, even after a fill.
      {9, 800, 500, true, 0, true, {{K::SpectrogramA, R(0, 250, 800, 166)}, {K::EnvelopeA, R(0, 83, 800, 83)}}},
      // Play B: the live drawers in the lower half.
      {8, 800, 500, true, 1, true,
       {{K::SpectrogramA, R(0, 500, 400, 166)}, {K::EnvelopeA, R(0, 333, 400, 83)}, {K::Spectrum, R(400, 500, 400, 250)}}},
      // Overlay: only over the spectrum alone (F4), both curves over the whole area.
      {19, 800, 500, false, 0, false, {{K::Spectrum, R(0, 500, 800, 500)}, {K::Spectrum, R(0, 500, 800, 500)}}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Of(FramePanels(c.index, c.w, c.h, c.playing, c.selection, c.fullRedraw)), c.panels)
        << "index " << c.index << " playing " << c.playing << " fill " << c.fullRedraw;
  for (int index : {-1, 16, 17, 18, 20, 21, 22, 23, 24})
    EXPECT_TRUE(FramePanels(index, 800, 500, false, 0, true).empty()) << index;
}

using DisplayFrameTest = DisplayTest;

void Paint(canvas::Surface& s, int left = 0, int top = 0, int right = 800, int bottom = 600) {
  canvas::DrawContext(&s).FillRect(left, top, right, bottom, 7);
}

TEST_F(DisplayFrameTest, NothingWhileImagesAreRebuiltAndOnlyTheLegendInAnOverlayWithoutSpectrum) {
  Display.ImagesRebuilding = Display.ClearFrameRequest = 1;
  Display.FrameTexts.push_back({0, 0, "old", 4});
  Paint(Display.FrameDC);
  DrawDisplayFrame(Display.FrameDC, 1000);
  EXPECT_EQ(Count(Display.FrameDC, 0, 0, 800, 600, 7), 800 * 600);
  EXPECT_TRUE(Display.FrameTexts.empty() && Display.ClearFrameRequest == 1 && Mode.SpectrogramColumn == 0);
  Display.ImagesRebuilding = 0;
  Companions.DisplayMode = 0;
  Companions.ComparisonMode = 2;
  DrawDisplayFrame(Display.FrameDC, 1000);
  const int h = Display.PanelAreaHeight;
  ASSERT_EQ(Display.FrameTexts.size(), 1u);
  EXPECT_EQ(Display.FrameTexts[0].text, "Legend");  // (where it stands: the golden frames)
  // Panel area: only the line along the top of the client area.
  EXPECT_EQ(Count(Display.FrameDC, 0, 1, 800, h - 1, kBackgroundIndex), 800 * (h - 2));
  EXPECT_EQ(Count(Display.FrameDC, 0, 0, 800, 1, kFrameIndex), 800);
  EXPECT_EQ(Display.FullRedraw, 0);
}

TEST_F(DisplayFrameTest, RequestsAreHonouredOnceAndTextsLogged) {
  Companions.DisplayMode = 0;
  Paint(Display.FrameDC);
  Display.ClearFrameRequest = 1;
  AnalysisSettings.FreqScaleHz = 8000;
  DrawDisplayFrame(Display.FrameDC, 0);
  EXPECT_TRUE(Display.ClearFrameRequest == 0 && Count(Display.FrameDC, 0, 0, 800, 600, 7) == 0);
  EXPECT_EQ(AnalysisSettings.SpectrogramBins, 743);  // 8000 * 2048 / 22050 = 743.03
  for (const char* t : {"Spectrogram (A)   8 kHz", "Waveform Envelope (A)", "Spectrum (A)   8 kHz", "Legend"})
    EXPECT_TRUE(HasText(t)) << t;

  Paint(Display.FrameDC, 400);
  Display.ClearRightHalfRequest = 1;
  DrawDisplayFrame(Display.FrameDC, 0);
  EXPECT_TRUE(Display.ClearRightHalfRequest == 0 && Count(Display.FrameDC, 400, 0, 800, 600, 7) == 0);
}

TEST_F(DisplayFrameTest, PlayBLeavesTheUpperHalfAloneAndStoredPanelsComeOnlyAfterAFill) {
  Companions.DisplayMode = 0;
  Companions.ComparisonMode = 1;
  Mode.Frozen = Mode.PlayingSignals = Mode.PlaySelection = 1;
  const int h = Display.PanelAreaHeight;
  Paint(Display.FrameDC, 0, 0, 800, h / 2);
  Samples.SpectrumA.fill(40);
  DrawDisplayFrame(Display.FrameDC, 2000);
  EXPECT_EQ(Count(Display.FrameDC, 0, 0, 800, h / 2, 7), 800 * (h / 2) - 800);  // but the top line
  for (const char* t : {"Spectrogram (B)   5 kHz", "Waveform Envelope (B)", "Spectrum (B)   5 kHz"})
    EXPECT_TRUE(HasText(t)) << t;
  EXPECT_GT(Count(Display.FrameDC, 0, h / 2 + 1, 800, h, kFrameIndex), 0);

  Mode.Frozen = Mode.PlayingSignals = Mode.PlaySelection = 0;
  Companions.DisplayMode = 2;
  Mode.SampleBStored = 1;
  Display.FullRedraw = 1;
  DrawDisplayFrame(Display.FrameDC, 0);
  EXPECT_TRUE(HasText("Spectrogram (B)   5 kHz") && Display.FullRedraw == 0);
  DrawDisplayFrame(Display.FrameDC, 0);
  EXPECT_TRUE(!HasText("Spectrogram (B)   5 kHz") && HasText("Spectrogram (A)   5 kHz"));
  FillFrame();
  EXPECT_EQ(Display.FullRedraw, 1);
}

}  // namespace
