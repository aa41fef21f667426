// The held-sample images: where the rebuild draws, which segment each column reads, and what the
// frozen display shows after a live freeze, a forced rebuild, a Store and the end of a played file.
#include "interaction/image_rebuild.h"

#include <cmath>
#include <cstring>

#include "audio/playback_fixture.h"
#include "display/display_state.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"
#include "signals/signals.h"

namespace {

constexpr int kRate = 22050;
constexpr int kBackground = 5;
constexpr int kLit = 120;  // a sine of 8000 peak reaches far above this palette index

// --- Geometry and segment placement ---------------------------------------------------------

TEST(RebuildRects, FollowTheLayoutOfEachDisplayAndComparisonMode) {
  const int w = 760, h = 500;
  // F2: the spectrogram over the lower two thirds, the envelope over the upper third.
  EXPECT_EQ(RebuildSpectrogramRect(1, 0, 1, w, h), (PanelRect{0, 500, 760, 4 * 500 / 6}));
  EXPECT_EQ(RebuildEnvelopeRect(1, 0, 1, w, h), (PanelRect{0, 500 / 3, 760, 500 / 3}));
  // F1 and F5 keep the left half; F3 has no envelope.
  EXPECT_EQ(RebuildSpectrogramRect(0, 0, 1, w, h), (PanelRect{0, 500, 380, 333}));
  EXPECT_EQ(RebuildSpectrogramRect(4, 0, 1, w, h), (PanelRect{0, 500, 380, 500}));
  EXPECT_FALSE(RebuildEnvelopeRect(2, 0, 1, w, h));
  // Above/Below: Sample A in the upper half, Sample B in the lower; no lower panel without it.
  EXPECT_EQ(RebuildSpectrogramRect(1, 1, 1, w, h), (PanelRect{0, 250, 760, 166}));
  EXPECT_EQ(RebuildSpectrogramRect(1, 1, 2, w, h), (PanelRect{0, 500, 760, 166}));
  EXPECT_EQ(RebuildEnvelopeRect(0, 1, 2, w, h), (PanelRect{0, 333, 380, 83}));
  EXPECT_FALSE(RebuildSpectrogramRect(1, 0, 2, w, h));
  // Layouts without a spectrogram, and the overlay, have nothing to rebuild.
  for (int mode : {3, 5, 6, 7}) EXPECT_FALSE(RebuildSpectrogramRect(mode, 0, 1, w, h)) << mode;
  EXPECT_FALSE(RebuildSpectrogramRect(3, 2, 1, w, h));
}

TEST(RebuildColumns, CentreTheirSegmentOnTheColumnTimeInsideTheSample) {
  const float ms = 8000.0f / 760;  // 8 s across 760 columns
  const int last = 8 * kRate - 2048 - 1;
  EXPECT_EQ(SpectrogramColumnStart(0, ms, kRate, last), 0);  // before the start: clamped
  const int c = 380;                                         // 4 s in
  const int centre = static_cast<int>(std::trunc(static_cast<double>(kRate) * ms * c / 1000.0));
  EXPECT_EQ(SpectrogramColumnStart(c, ms, kRate, last), (centre - 1024) & ~1);
  EXPECT_EQ(SpectrogramColumnStart(759, ms, kRate, last), last - 1);  // the last start, made even
  // The envelope counts 16-bit values: with two channels it starts on an Audio value.
  for (int col : {1, 77, 380, 759}) {
    const int v = EnvelopeColumnStart(col, ms, kRate, 2, last);
    EXPECT_EQ(v % 2, 0) << col;
    EXPECT_LE(v, 2 * last) << col;
    EXPECT_NEAR(v, std::clamp(2 * SpectrogramColumnStart(col, ms, kRate, last), 0, 2 * last), 4) << col;
  }
}

// --- Whole-program runs ----------------------------------------------------------------------

struct Plot {
  int x = 0, top = 0, width = 0, height = 0;  // the plot area of a panel (title strip excluded)
};

// The pixel row that shows FFT bin `bin` in a plot (the column painter's mapping).
int RowOfBin(const Plot& p, int bin) {
  return p.top + p.height - static_cast<int>(static_cast<double>(bin) * p.height / AnalysisSettings.SpectrogramBins);
}

int BinOf(double hz) { return RoundHalfUp(hz * 2048 / kRate); }

// The sine's row is lit in the columns that held sound and nothing is lit anywhere else; columns
// from `darkFrom` (a fraction of the width) on are empty.
void ExpectSineImage(const canvas::Surface& s, const Plot& p, double hz, double litTo, double darkFrom,
                     const char* what) {
  const int expectedY = RowOfBin(p, BinOf(hz));
  for (int c = p.width / 20; c < p.width * 9 / 10; c += 5) {
    int peakY = -1, peakIndex = 0, litAway = 0;  // litAway: lit more than 12 rows from the sine's row
    for (int y = p.top; y < p.top + p.height; ++y) {
      const int v = s.Row(y)[p.x + c];
      if (v > peakIndex) peakIndex = v, peakY = y;
      litAway += std::abs(y - expectedY) > 12 && v > kBackground;
    }
    if (c < p.width * litTo) {
      EXPECT_TRUE(peakIndex >= kLit && std::abs(peakY - expectedY) <= 2 && litAway == 0)
          << what << " column " << c << ": peak " << peakIndex << " at " << peakY << ", " << litAway << " lit away";
    } else if (c >= p.width * darkFrom) {
      EXPECT_EQ(peakIndex, kBackground) << what << " column " << c;
    }
  }
}

// The envelope of a steady sine: a line across the centre where sound was, nothing where not.
void ExpectEnvelope(const canvas::Surface& s, const Plot& p, double litTo, double darkFrom, const char* what) {
  const int centre = p.top + p.height / 2;
  for (int c = p.width / 20; c < static_cast<int>(p.width * litTo); c += 7) {  // far from full scale
    EXPECT_TRUE(s.Row(centre - 2)[p.x + c] != kBackground && s.Row(centre + 2)[p.x + c] != kBackground &&
                s.Row(p.top + 1)[p.x + c] == kBackground)
        << what << " column " << c;
  }
  for (int c = static_cast<int>(p.width * darkFrom); c < p.width * 9 / 10; c += 5)
    EXPECT_EQ(s.Row(centre - 2)[p.x + c], kBackground) << what << " column " << c;
}

bool SamePlot(const canvas::Surface& a, const canvas::Surface& b, const Plot& p) {
  for (int y = p.top; y < p.top + p.height; ++y)
    if (!std::equal(a.Row(y) + p.x, a.Row(y) + p.x + p.width, b.Row(y) + p.x)) return false;
  return true;
}

class ImageRebuildRun : public PlaybackTest {
 protected:
  // Runs `check` once, at the first frame presented after the freeze (marked first: a check may send
  // messages that present frames themselves).
  void AtFirstFrozenFrame(std::function<void()> check) {
    backend->onPresent = [this, check] {
      if (checked || !Mode.Frozen || Mode.FreezePending) return;
      checked = true;
      check();
    };
  }
  static Plot PlotOf(bool envelope, int side = 1) {
    const auto r = (envelope ? RebuildEnvelopeRect : RebuildSpectrogramRect)(
        Companions.DisplayMode, Companions.ComparisonMode, side, Display.PanelAreaWidth, Display.PanelAreaHeight);
    return {r->x, r->bottom - r->height, r->width, r->height - Display.TextHeight - 4};
  }
  bool checked = false;
};

// About 3 s of an 8-second sample hold sound: columns up to ~35% of the width.
constexpr double kLitTo = 0.30, kDarkFrom = 0.45;

// A sample slot holds 3 s of a sine of its own, silence after it.
void HoldSine(std::vector<uint8_t>& slot, double hz) {
  const std::vector<int16_t> sine = testsig::Sine(hz, 8000, kRate, 3 * kRate);
  std::fill(slot.begin(), slot.end(), 0);
  std::memcpy(slot.data(), sine.data(), sine.size() * 2);
}

TEST_F(ImageRebuildRun, F2TakesTheLiveImageOverAtTheFreezeAndComputesItFromTheSampleAfterAResizeOrAStore) {
  sound->source.sineHz = 440;
  Open(1);  // F2
  AtFirstFrozenFrame([&] {
    // Spectrogram and envelope copied from the window's picture, no column computed.
    EXPECT_EQ(std::pair(ImageRebuild.PanelsCopied, ImageRebuild.ColumnsRebuilt), std::pair(2LL, 0LL));
    const Plot sp = PlotOf(false), env = PlotOf(true);
    ExpectSineImage(Display.CanvasDC, sp, 440, kLitTo, kDarkFrom, "held spectrogram");
    ExpectSineImage(Display.FrameDC, sp, 440, kLitTo, kDarkFrom, "frozen frame");
    ExpectEnvelope(Display.CanvasDC, env, kLitTo, kDarkFrom, "held envelope");
    ExpectEnvelope(Display.FrameDC, env, kLitTo, kDarkFrom, "frozen envelope");

    // A resize computes both from Sample A: only a sound that is in it can come back.
    HoldSine(Samples.SampleA, 1000);
    SendMainMessage(WM_SIZE);
    EXPECT_TRUE(ImageRebuild.ColumnsRebuilt == sp.width + env.width && Display.ForceImageRebuild == 0);
    ExpectSineImage(Display.CanvasDC, sp, 1000, kLitTo, 0.4, "rebuilt spectrogram");
    ExpectEnvelope(Display.CanvasDC, env, kLitTo, 0.4, "rebuilt envelope");

    // Stored and shown Above/Below, Sample B (a sound of its own) goes into the lower half of the
    // store canvas; Sample A's canvas is left alone.
    SendMainMessage(WM_COMMAND, CMD_STORE, 0);
    ASSERT_EQ(Mode.SampleBStored, 1);
    HoldSine(Samples.SampleB, 1500);
    SetComparisonModeButton(ID_COMPARISON_ABOVE_BELOW);
    Display.ForceImageRebuild = 1;
    const long long before = ImageRebuild.ColumnsRebuilt;
    RebuildStoredImages(Display.MainDC, 1);
    Display.ForceImageRebuild = 0;
    const Plot spB = PlotOf(false, 2), envB = PlotOf(true, 2);
    EXPECT_EQ(spB.top, Display.PanelAreaHeight - Display.PanelAreaHeight * 2 / 6);
    EXPECT_EQ(ImageRebuild.ColumnsRebuilt - before, spB.width + envB.width);
    ExpectSineImage(Display.StoreCanvasDC, spB, 1500, kLitTo, kDarkFrom, "Sample B spectrogram");
    ExpectEnvelope(Display.StoreCanvasDC, envB, kLitTo, kDarkFrom, "Sample B envelope");
    ExpectSineImage(Display.CanvasDC, sp, 1000, kLitTo, kDarkFrom, "Sample A canvas");
  });
  Run("wait 3000\nclick 105\nwait 300\nkey Escape");
  EXPECT_TRUE(checked);
  EXPECT_EQ(Display.ImagesRebuilding, 0);
}

struct FileFreeze {
  const char* what;
  int layout, channels, seconds;
  const char* script;
  int hold, copied, rebuilt;  // SpectrogramHold, the panels copied at the freeze, the spectrogram rebuilt
  double litTo, darkFrom;
};
class FileFreezeRun : public ImageRebuildRun, public ::testing::WithParamInterface<FileFreeze> {};

// The freeze near a file's end holds the last frame: in F2 as the held image without a cursor, in
// F5 with the cursor drawn over it. A Freeze during the file copies the picture in F2 as a live one
// does, and computes the held image from the (two-channel) sample in F5.
TEST_P(FileFreezeRun, TheHeldImageShowsWhatWasPlayed) {
  const FileFreeze c = GetParam();
  Open(c.layout);
  const auto sine = testsig::Sine(440, 8000, kRate, c.seconds * kRate);
  const auto frames = c.channels == 1 ? sine : testsig::Interleave(sine, std::vector<int16_t>(sine.size(), 0));
  const std::string path = Recording("sine.wav", frames, c.channels);
  AtFirstFrozenFrame([&] {
    const Plot sp = PlotOf(false);
    EXPECT_EQ(std::tuple(PanelCursors.SpectrogramHold, ImageRebuild.PanelsCopied, ImageRebuild.ColumnsRebuilt),
              std::tuple(c.hold, c.copied, c.rebuilt ? sp.width : 0));
    ExpectSineImage(Display.CanvasDC, sp, 440, c.litTo, c.darkFrom, "held spectrogram");
    if (c.copied) return;
    EXPECT_EQ(SamePlot(Display.FrameDC, Display.CanvasDC, sp), c.hold == 1) << "a cursor over the held image";
    if (!c.hold) return;
    const Plot env = PlotOf(true);
    ExpectEnvelope(Display.CanvasDC, env, c.litTo, c.darkFrom, "held envelope");
    EXPECT_TRUE(SamePlot(Display.FrameDC, Display.CanvasDC, env));
    SendMainMessage(WM_SIZE);  // the next rebuild ends the hold
    EXPECT_TRUE(PanelCursors.SpectrogramHold == 0 && ImageRebuild.ColumnsRebuilt == sp.width + env.width);
  });
  PlayFile(path, c.script);
  EXPECT_TRUE(checked);
}

// About 2.6 s played of an 8-second time axis at the near-end freezes.
const char* kFreezeAt3s = "wait 3000\nclick 105\nwait 300\nkey Escape";
const FileFreeze kFileFreezes[] = {{"NearEndInF2", 1, 1, 3, "wait 4000\nkey Escape", 1, 0, 0, 0.27, 0.4},
                                   {"NearEndInF5", 0, 2, 3, "wait 4000\nkey Escape", 0, 0, 0, 0.27, 0.4},
                                   {"FreezeInF2", 1, 1, 6, kFreezeAt3s, 0, 2, 0, 0.25, 0.45},
                                   {"FreezeInF5", 0, 2, 6, kFreezeAt3s, 0, 0, 1, 0.25, 0.45}};
INSTANTIATE_TEST_SUITE_P(Files, FileFreezeRun, ::testing::ValuesIn(kFileFreezes),
                         [](const auto& info) { return std::string(info.param.what); });

}  // namespace
