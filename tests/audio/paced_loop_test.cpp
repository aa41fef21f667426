// The pace of the live loop on the virtual clock: steps on a fixed grid whatever a frame costs,
// spectrogram columns each from their own moment, and input handled at once while the loop waits.
#include <cmath>
#include <map>

#include "audio/live_fixture.h"
#include "display/display_state.h"
#include "platform/clock.h"
#include "support/spectrum_signals.h"

namespace {

class PacedLoopTest : public LiveRunTest {
 protected:
  // A fresh program on a backend charging `frameMs` per frame, hearing a sweep from 200 Hz up by
  // 1200 Hz a second, 5 s long (no two moments sound alike).
  void Restart(double frameMs, int clientWidth = 0) {
    TearDown();
    HeadlessConfig config;
    config.frameCostMs = frameMs;
    config.screen = {1920, 1080};
    config.resizeClientWidth = clientWidth;  // 0: no resize
    config.resizeClientHeight = clientWidth > 0 ? 700 : 0;
    Start(config);
    Hear(testsig::Chirp(200, 6200, 12000, kRate, 5 * kRate), 1);
    Open(1);
    // The user resizes the window before Run (and stays: a finished script closes the window).
    backend->SetScript(ParseScript("wait 100").lines);
    PumpMessages();
  }
};

TEST_F(PacedLoopTest, StepsKeepTheirGridWhateverAFrameCosts) {
  // Averaged spectra by the loop time of the newest step, seen at every frame.
  std::map<double, std::array<int16_t, kSpectrumLength>> seen[2];
  long long steps[2] = {0, 0};
  const double frameCosts[2] = {1, 30};
  for (int run = 0; run < 2; ++run) {
    Restart(frameCosts[run]);
    AnalysisSettings.SpectrumAverageCount = 10;
    backend->onPresent = [&] { seen[run][LiveLoop.NewestStepMs] = Samples.SpectrumA; };
    Run("wait 2000\nkey Escape");
    steps[run] = LiveLoop.StepsTaken;
    EXPECT_EQ(std::make_tuple(LiveLoop.AchievedUpdatePeriodMs, Companions.AchievedUpdatePeriodMs),
              std::make_tuple(10, 10))
        << "frame cost " << frameCosts[run];
    for (const auto& [t, spectrum] : seen[run])
      EXPECT_EQ(std::fmod(t, 10.0), 0.0) << "a step off the grid at " << t;
  }
  // The same number of steps in the same time; fewer frames when a frame costs more.
  EXPECT_NEAR(steps[0], 200, 2);
  EXPECT_NEAR(steps[1], 200, 4);
  EXPECT_GT(seen[0].size(), seen[1].size());
  int common = 0;
  for (const auto& [t, spectrum] : seen[1]) {
    auto other = seen[0].find(t);
    if (other == seen[0].end()) continue;
    ++common;
    EXPECT_EQ(other->second, spectrum) << "the average after the step at " << t << " ms";
  }
  EXPECT_GT(common, 20);
}

TEST_F(PacedLoopTest, TheAverageIsTheMeanOfTheLastNStepsSpectra) {
  // In F4 a step comes every 20 ms and each one is drawn: every step's own spectrum is seen.
  Restart(1);
  Companions.DisplayMode = 3;
  AnalysisSettings.SpectrumAverageCount = 5;
  struct Seen {
    double t;
    std::vector<int16_t> latest;
    std::array<int16_t, kSpectrumLength> averaged;
  };
  std::vector<Seen> seen;
  backend->onPresent = [&] {
    seen.push_back({LiveLoop.NewestStepMs, LiveLoop.LatestSpectrum, Samples.SpectrumA});
  };
  Run("wait 1000\nkey Escape");
  ASSERT_GT(seen.size(), 40u);
  int checked = 0;
  for (size_t k = 10; k < seen.size(); ++k) {
    // Five consecutive grid steps, each drawn once.
    if (seen[k].t - seen[k - 4].t != 80) continue;
    ++checked;
    for (int bin = 4; bin < 1024; bin += 37) {
      double sum = 0;
      for (size_t j = k - 4; j <= k; ++j) sum += seen[j].latest[bin];
      EXPECT_NEAR(seen[k].averaged[bin], std::max(sum / 5, 0.0), 1.0)
          << "bin " << bin << " after the step at " << seen[k].t;
    }
  }
  EXPECT_GT(checked, 30);
}

TEST_F(PacedLoopTest, AWideSpectrogramShowsNoTwoAlikeAdjacentColumns) {
  Restart(4, 1830);
  Companions.DisplayMode = 2;  // F3: the spectrogram across the window
  AnalysisSettings.StoredSeconds = 4;
  Run("wait 3000\nkey Escape");
  const PanelRect r = Display.Panels.Spectrogram;
  ASSERT_GE(r.width, 1800);
  const int columns = Mode.SpectrogramColumn - 1;  // painted, left to right
  ASSERT_GT(columns, 1200);
  ASSERT_LT(columns, r.width);
  const canvas::Surface& frame = Display.FrameDC;
  const int top = r.bottom - r.height + 2, bottom = r.bottom - Display.TextHeight - 6;
  // The first 200 ms of columns read the silence before the microphone started.
  int alike = 0;
  for (int x = r.x + static_cast<int>(200 / (4000.0 / r.width)); x < r.x + columns; ++x) {
    bool same = true;
    for (int y = top; y < bottom && same; ++y) same = frame.Row(y)[x] == frame.Row(y)[x + 1];
    alike += same;
  }
  EXPECT_EQ(alike, 0) << "of " << columns << " columns";
}

TEST_F(PacedLoopTest, StopFreezeAndCloseAreHandledAtOnceWhileTheLoopWaits) {
  struct Case {
    const char* script;
    double lastLineMs;  // when the line that ends the run is due, after Run
    double freezeMs;    // when Freeze is pressed (-1: never)
  };
  const Case cases[] = {
      {"wait 1003\nkey Escape", 1003, -1},
      {"wait 997\nkey F\nwait 1501\nkey Escape", 2498, 997},  // frozen, the loop waits the longest
      {"wait 1207\nclose", 1207, -1},
  };
  for (const Case& c : cases) {
    Restart(1);
    const double start = NowMs();
    double frozenShown = -1;
    backend->onPresent = [&] {
      if (Mode.Frozen && frozenShown < 0) frozenShown = NowMs() - start;
    };
    Run(c.script);
    // Each reaction comes within a pump and a frame of the line's time.
    const double late = NowMs() - start - c.lastLineMs;
    EXPECT_TRUE(late >= 0 && late < 2.5) << c.script << ": " << late;
    EXPECT_EQ(Mode.StopRequested, 1) << c.script;
    // The frozen view is shown at once.
    EXPECT_NEAR(frozenShown, c.freezeMs < 0 ? -1 : c.freezeMs + 1, 1.5) << c.script;
  }
}

}  // namespace
