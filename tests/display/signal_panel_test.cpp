// The audio and glottogram panels drawn as the frame draws them: cycle measures on held pictures,
// trigger, small signals, polarity, grid, titles and interval marks; then the criterion-level
// measures on their own (the arming rule, strict crossings, F0).
#include <cstdio>

#include "display/display_frame.h"
#include "display/egg_measures.h"
#include "display/signal_panels.h"
#include "display_fixture.h"
#include "signals/egg_signals.h"
#include "signals/signals.h"

namespace {

using Trace = std::array<int16_t, kTraceLength>;

class SignalPanelTest : public DisplayTest {
 protected:
  // As the loop leaves the traces on a held picture: the block, and the same block as the one
  // drawn last time.
  static void Fill(Trace& t, const std::vector<int16_t>& v) {
    for (size_t i = 0; i < kTraceBlock; ++i) t[i] = t[i + kTraceBlock] = i < v.size() ? v[i] : 0;
  }

  // A frame of the layout, after a fill when asked (the stored panels are drawn after one).
  static void Frame(int displayMode, int comparison = 0, bool fill = false) {
    Companions.DisplayMode = displayMode, Companions.ComparisonMode = comparison;
    if (fill) FillFrame();
    DrawDisplayFrame(Display.FrameDC, 0);
  }

  // The two-trace panel over Sample A's traces, across the whole panel area by default.
  static void Draw(canvas::Pen curve = Palette.SampleBPen, std::optional<canvas::Pen> frame = std::nullopt,
                   int x = 0, int width = 800) {
    const int h = Display.PanelAreaHeight;
    DrawSignals(Display.FrameDC, std::nullopt, curve, frame, Samples.TraceA1.data(), Samples.TraceA2.data(),
                x, h, width, h, 0);
  }

  // The bands: audio above, glottogram below, each with its title line under it.
  static int H() { return Display.PanelAreaHeight; }
  static int Band() { return H() / 2 - Display.TextHeight - 4; }
  static int EggTop() { return H() - H() / 2; }
  static int EggCentre() { return H() - Display.TextHeight - 4 - Band() / 2; }
  static int AudioCentre() { return EggCentre() - H() / 2; }
  static int Marks(uint8_t index) { return Count(Display.FrameDC, 0, 0, Display.PanelAreaWidth, H(), index); }
};

struct Measured {
  double cq = -1, cl = -1, period = -1;
  unsigned f0 = 0;
};

Measured Readouts(const std::vector<canvas::DrawnText>& texts) {
  Measured m;
  for (const auto& t : texts) {
    std::sscanf(t.text.c_str(), "CQ %lf, CL %lf", &m.cq, &m.cl);
    std::sscanf(t.text.c_str(), "Period %lf ms, F0 %u Hz", &m.period, &m.f0);
  }
  return m;
}

struct MeasureCase {
  double periodMs, cq;
  int rate;
  int displayMode;  // 4 F5 (400 columns), 6 F7 (800 columns), 7 F8 (glottogram alone)
  bool minus;       // glottogram polarity Minus with the signal inverted
};

class SignalMeasureTest : public SignalPanelTest, public ::testing::WithParamInterface<MeasureCase> {};

TEST_P(SignalMeasureTest, HeldPictureReadsTheGeneratorsQuotientPeriodAndF0) {
  const MeasureCase c = GetParam();
  testsig::EggShape shape;
  shape.periodMs = c.periodMs;
  shape.closedQuotient = c.cq;
  auto egg = testsig::EggCycles(shape, c.rate, kTraceBlock);
  if (c.minus) {
    for (auto& v : egg) v = static_cast<int16_t>(-v);
    AnalysisSettings.GlottogramPolarity = ID_GLOTTOGRAM_MINUS;
  }
  AnalysisSettings.SampleRate = c.rate;
  Fill(Samples.TraceA1, testsig::SungVowel(shape, 12000, c.rate, kTraceBlock));
  Fill(Samples.TraceA2, egg);
  Mode.Frozen = 1;
  Frame(c.displayMode);

  const int width = c.displayMode == 4 ? Display.PanelAreaWidth / 2 : Display.PanelAreaWidth;
  const double columnMs = 20.0 / width;
  const Measured m = Readouts(Display.FrameTexts);
  EXPECT_NEAR(m.cq, c.cq, columnMs / c.periodMs + 0.005) << "one column of CQ, plus the two decimals";
  EXPECT_DOUBLE_EQ(m.cl, 0.5);
  if (c.displayMode == 7) {
    EXPECT_FALSE(Text("Period")) << "the glottogram-only panel has no period readout";
  } else {
    EXPECT_NEAR(m.period, c.periodMs, columnMs + 0.005);
    // F0 is the shown period's reciprocal rounded half up, so it lies within what one column of
    // period either way gives.
    EXPECT_EQ(m.f0, static_cast<unsigned>(1000.0 / m.period + 0.5));
    EXPECT_GE(m.f0, static_cast<unsigned>(1000.0 / (c.periodMs + columnMs) + 0.5));
    EXPECT_LE(m.f0, static_cast<unsigned>(1000.0 / (c.periodMs - columnMs) + 0.5));
  }
}

// The last two at other rates: the measures cover what is drawn.
const MeasureCase kMeasureCases[] = {{8, 0.45, 22050, 6, false}, {8, 0.45, 22050, 4, false}, {8, 0.45, 22050, 7, false},
                                     {5, 0.6, 22050, 6, false},  {10, 0.3, 22050, 6, true},  {8, 0.45, 44100, 6, false},
                                     {8, 0.45, 11025, 6, false}};
INSTANTIATE_TEST_SUITE_P(Cases, SignalMeasureTest, ::testing::ValuesIn(kMeasureCases));

// Held pictures are measured only with the criterion inside the band, a whole cycle after column
// 16, and neither in overlay nor during stored-signal playback; live pictures never.
TEST_F(SignalPanelTest, MeasuresOnlyWhereAWholeCycleCrossesTheCriterionOfAHeldPicture) {
  Fill(Samples.TraceA2, testsig::EggCycles(testsig::EggShape{}, 22050, kTraceBlock));
  auto expectNone = [&](const char* why, bool lineChecked = true) {
    EXPECT_FALSE(Text("CQ") || Text("Period")) << why;
    EXPECT_TRUE(!lineChecked || Marks(kCursorIndex) == 0) << why;
  };
  Frame(6);
  expectNone("live");
  Mode.Frozen = 1;
  Frame(6, 0, true);
  ASSERT_TRUE(Text("CQ 0.4"));
  // The line where it lies at the default level: the band centre.
  EXPECT_EQ(Display.FrameDC.At(Display.PanelAreaWidth / 2 + 10, EggCentre()), kCursorIndex);

  // No panel of the frame shows two traces in overlay or while Play A runs: drawn directly.
  Display.FrameTexts.clear();
  Companions.ComparisonMode = 2;
  Draw(Palette.FramePen, Palette.FramePen);
  expectNone("overlay", false);
  Companions.ComparisonMode = 0;
  Mode.PlayingSignals = 1;
  Draw(Palette.FramePen, Palette.FramePen);
  expectNone("playing", false);
  Mode.PlayingSignals = 0;

  // CL at 1.00 or 0.00: the line on the band's top or bottom is never crossed.
  for (float offset : {-0.5f, 0.5f}) {
    SignalPanels.CqLevelA = offset;
    Frame(6, 0, true);
    expectNone(offset < 0 ? "CL 1.00" : "CL 0.00");
  }
  // 5 ms across the panel: column 16 is at 0.1 ms, and no whole 8 ms cycle follows it.
  SignalPanels.CqLevelA = 0;
  AnalysisSettings.AudioSegmentMs = 5;
  Frame(6, 0, true);
  expectNone("5 ms");

  // A moved level is shown, and each sample has its own.
  AnalysisSettings.AudioSegmentMs = 20;
  Samples.TraceB2 = Samples.TraceA2;
  Mode.SampleBStored = 1;
  SignalPanels.CqLevelB = 0.2f;
  Frame(6, 1, true);
  std::vector<std::string> cl;
  for (const auto& t : Display.FrameTexts)
    if (t.text.rfind("CQ", 0) == 0) cl.push_back(t.text.substr(t.text.find("CL")));
  EXPECT_EQ(cl, (std::vector<std::string>{"CL 0.50", "CL 0.30"}));
  EXPECT_EQ(Readouts(Display.FrameTexts).f0, 125u);
}

TEST_F(SignalPanelTest, SmallSignalIsDrawnAtFixedGainAroundTheBandCentreAndNotMeasuredAndAudioMinusFlips) {
  Fill(Samples.TraceA2, testsig::Sine(125, 200, 22050, kTraceBlock));  // 400 peak to peak
  Fill(Samples.TraceA1, testsig::Sine(125, 100, 22050, kTraceBlock));
  Mode.Frozen = 1;
  Draw();
  const int eggCentre = EggCentre(), audioCentre = AudioCentre();
  // 200 x band / 2048 rows either side of the centre, not the band's full height.
  const int eggReach = 200 * Band() / 2048 + 1, audioReach = 100 * Band() / 2048 + 1;
  // Nothing of the glottogram outside its reach (the audio band above it holds the audio).
  EXPECT_EQ(Count(Display.FrameDC, 0, audioCentre + audioReach + 1, 800, eggCentre - eggReach, kSampleBIndex), 0);
  EXPECT_EQ(Count(Display.FrameDC, 0, eggCentre + eggReach + 1, 800, H(), kSampleBIndex), 0);
  EXPECT_EQ(Count(Display.FrameDC, 0, 0, 800, audioCentre - audioReach, kSampleBIndex), 0);
  EXPECT_GT(Count(Display.FrameDC, 0, eggCentre - eggReach, 800, eggCentre - eggReach / 2, kSampleBIndex), 0);
  EXPECT_FALSE(Text("CQ"));

  // Audio polarity: large values in the left half of the panel, small ones in the right half. (The
  // glottogram's Minus: the measure case of an inverted signal.)
  std::vector<int16_t> step(kTraceBlock, -8000);
  std::fill(step.begin(), step.begin() + 220, 8000);
  Fill(Samples.TraceA1, step);
  for (int minus : {0, 1}) {  // Plus: larger values higher; Minus the other way.
    AnalysisSettings.AudioPolarity = minus ? ID_AUDIO_MINUS : ID_AUDIO_PLUS;
    Clear();
    Draw();
    const int largeAbove = Count(Display.FrameDC, 100, 0, 300, AudioCentre(), kSampleBIndex),
              smallAbove = Count(Display.FrameDC, 500, 0, 700, AudioCentre(), kSampleBIndex);
    EXPECT_TRUE((largeAbove > 0) == !minus && (smallAbove > 0) == (minus == 1)) << minus;
  }
}

TEST_F(SignalPanelTest, GridColumnsFollowTheSegmentLength) {
  const int x = 100, width = 400;
  // Segment length and grid step in ms: a two-pixel grid column at each step, and the frame's right edge.
  for (auto [segmentMs, stepMs] : {std::pair{20, 5}, {40, 10}, {12, 2}, {7, 1}}) {
    AnalysisSettings.AudioSegmentMs = segmentMs;
    Clear();
    Draw(Palette.SampleBPen, Palette.FramePen, x, width);
    const int row = H() - Display.TextHeight - 4 - Band() / 6;  // the second dot row of the glottogram band
    std::vector<int> expected, found;
    for (int ms = 0; ms <= segmentMs; ms += stepMs)
      for (int dx : {0, 1}) expected.push_back(x + width * ms / segmentMs + dx);
    expected.insert(expected.end() - 2, x + width - 1);
    for (int gx = x; gx < x + width + 10; ++gx)
      if (Display.FrameDC.At(gx, row) == kFrameIndex) found.push_back(gx);
    EXPECT_EQ(found, expected) << segmentMs << " ms";
  }
}

// (The live frames of the golden pictures are drawn from the sweep start.)
TEST(SweepStart, TheFirstRisingZeroCrossingWithinTheSearch) {
  // Silence; a crossing at 510, the last one looked at; at 511, past the search; at 300, with a
  // segment that fits the block or one sample too long.
  for (auto [rise, segment, start] : {std::tuple{-1, 441, 0}, {511, 441, 510}, {512, 441, 0}, {301, 3795, 300},
                                      {301, 3797, 0}}) {
    std::vector<int16_t> block(kTraceBlock, rise < 0 ? 0 : -100);
    if (rise >= 0) block[rise] = 100;
    EXPECT_EQ(FindSweepStart(block.data(), segment), start) << rise << " " << segment;
  }
}

TEST_F(SignalPanelTest, TitlesNameSampleSegmentCursorTimeAndDelayAndIntervalMarksTheirLength) {
  auto expectTexts = [](std::initializer_list<const char*> texts) {
    for (const char* t : texts) EXPECT_TRUE(HasText(t)) << t;
  };
  Samples.AudioDelayMsA = 1.25f;
  Frame(6);
  expectTexts({"EGG (A) 20 ms", "Audio (A) 20 ms, Delay 1.25 ms"});
  Mode.Frozen = 1;
  Samples.CursorX = 4000;  // half of the 8-second sample
  Frame(6);
  expectTexts({"EGG (A) 20 ms, Time 4000 ms"});
  Frame(7);
  expectTexts({"EGG 20 ms, Time 4000 ms"});
  EXPECT_FALSE(Text("Audio"));
  Mode.SampleBStored = 1;
  Samples.CursorXB = 2000, Samples.AudioDelayMsB = 0.5f;
  Frame(6, 1, true);
  expectTexts({"EGG (B) 20 ms, Time 2000 ms", "Audio (B) 20 ms, Delay 0.50 ms"});
  Mode.SampleBStored = 0;
  Frame(6, 1, true);
  expectTexts({"EGG (B) 20 ms", "Audio (B) 20 ms"});

  // Interval marks show their length and reciprocal, unless empty.
  Mode.Frozen = 1;
  SignalPanels.IntervalStartA = 300;
  SignalPanels.IntervalEndA = 100;
  Frame(6);
  EXPECT_TRUE(HasText("Interval 5.00 ms") && HasText("Reciprocal 200 Hz"));
  for (int cx : {100, 300})
    for (int y : {EggTop() + 10, 10}) EXPECT_EQ(Display.FrameDC.At(cx, y), kMarkerIndex) << cx << "," << y;
  SignalPanels.IntervalEndA = 300;
  Frame(6, 0, true);
  EXPECT_TRUE(!Text("Interval") && Marks(kMarkerIndex) == 0);
  // Live pictures carry no marks.
  SignalPanels.IntervalEndA = 100;
  Mode.Frozen = 0;
  Frame(6);
  EXPECT_FALSE(Text("Interval"));
}

// --- The criterion-level measures on their own ----------------------------------------------------

// Rows as they are: sample value = screen row.
constexpr TraceMapping kIdentity{0, 1, 0, 1.0};

// A square wave of rows: `high` rows (above the line on screen) for `up` columns, then `low` rows.
std::vector<int16_t> Rows(int count, int firstUp, int up, int period, int16_t high = 10, int16_t low = 90) {
  std::vector<int16_t> v(count);
  for (int i = 0; i < count; ++i) {
    const int t = ((i - firstUp) % period + period) % period;
    v[i] = t < up ? high : low;
  }
  return v;
}

TEST(EggMeasures, CrossingsOfAWholeCycleAfterTheArmingColumn) {
  struct Case {
    const char* what;
    int count, firstUp, lineRow;
    double segmentMs;
    int column1, column3;  // -1: incomplete
  };
  // Rows above the line (10) for 40 of every 100 columns, below it (90) for the rest.
  const Case cases[] = {
      {"rise at 30", 400, 30, 50, 40.0, 30, 130},
      // The rise at 5 is left of column 16 and the trace starts above the line: T1 is the rise at 105.
      {"rise at 5", 400, 5, 50, 40.0, 105, 205},
      {"next rise past the segment", 120, 30, 50, 12.0, -1, -1},
      // The line on either plateau is touched, never crossed.
      {"line on the upper plateau", 400, 30, 10, 40.0, -1, -1},
      {"line on the lower plateau", 400, 30, 90, 40.0, -1, -1},
  };
  for (const Case& c : cases) {
    const auto rows = Rows(c.count, c.firstUp, 40, 100);
    const CycleCrossings x =
        FindCycleCrossings(rows.data(), 0, 1.0, c.count, c.count - 1, kIdentity, c.lineRow, c.segmentMs);
    ASSERT_EQ(x.complete, c.column1 >= 0) << c.what;
    if (x.complete) {
      EXPECT_EQ(std::tuple(x.column1, x.column2, x.column3), std::tuple(c.column1, c.column1 + 40, c.column3))
          << c.what;
    }
  }
  const auto rows = Rows(400, 30, 40, 100);
  const CycleCrossings c = FindCycleCrossings(rows.data(), 0, 1.0, 400, 399, kIdentity, 50, 40.0);
  EXPECT_DOUBLE_EQ(ClosedQuotient(c), 0.4);
  EXPECT_EQ(FormatClosedQuotient(ClosedQuotient(c), 0.5f), "CQ 0.40, CL 0.50");
  EXPECT_EQ(FormatPeriod(c), "Period 10.00 ms, F0 100 Hz");
}

TEST(EggMeasures, ColumnsStepBySamplesPerPixelAndNeverReadPastTheLastIndex) {
  // Two samples per column: a rise at sample 122 is found at column 61.
  std::vector<int16_t> rows(400, 90);
  for (int i = 0; i < 400; ++i) rows[i] = (i >= 122 && i < 180) || i >= 322 ? 10 : 90;
  const CycleCrossings c = FindCycleCrossings(rows.data(), 0, 2.0, 200, 399, kIdentity, 50, 20.0);
  EXPECT_EQ(std::tuple(c.complete, c.column1, c.column2, c.column3), std::tuple(true, 61, 90, 161));
  // Half a sample per column over a block of two samples: the columns past its end read the last
  // sample (under the sanitizers a read past it would fail).
  const std::vector<int16_t> two = {0, 100};
  EXPECT_FALSE(FindCycleCrossings(two.data(), 0, 0.5, 40, 1, kIdentity, 50, 1.0).complete);
}

TEST(EggMeasures, F0IsRoundedHalfUp) {
  const std::vector<unsigned> f0 = {F0FromPeriod(8.0), F0FromPeriod(1000.0 / 124.5), F0FromPeriod(1000.0 / 124.49),
                                    F0FromPeriod(0.0)};
  EXPECT_EQ(f0, std::vector<unsigned>({125, 125, 124, 0}));
}

}  // namespace
