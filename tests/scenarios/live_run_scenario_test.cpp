// Whole-program scripted runs of live analysis: the dump's loop figures after a freeze, closing the
// window while the analysis runs. (Run with no capture device: tests/audio/live_run_test.cpp.)
#include <gtest/gtest.h>

#include "app/mode_state.h"
#include "scenarios/scenario_support.h"

namespace {

TEST(LiveScenario, FreezeShowsTheLoopFiguresAndClosingDuringARunFreezesThenResets) {
  ScenarioResult r = RunScenario(
      "set F0Measurement 1057\nclick 102\nwait 10000\nclick 105\nwait 200\ndump\n"
      "click 105\nwait 500\ndump\n",
      0);
  ASSERT_EQ(r.status, 0) << r.errors;
  ASSERT_EQ(r.dumps.size(), 2u);
  const auto& frozen = r.dumps[0];
  EXPECT_EQ(frozen["mode"]["Frozen"], 1);
  EXPECT_EQ(frozen["loop"]["ViewPosition"], 7800);
  EXPECT_EQ(frozen["loop"]["HeldBytesA"], 8 * 22050 * 4);
  EXPECT_GE(frozen["loop"]["FreezeElapsedA"].get<double>(), 10000);
  EXPECT_NEAR(frozen["loop"]["F0A"].get<int>(), 220, 22050.0 / 2048);  // the default input: 220 Hz
  EXPECT_GT(frozen["loop"]["AchievedUpdatePeriodMs"].get<int>(), 0);
  EXPECT_EQ(frozen["scrollbar"]["max"], 8000);
  EXPECT_EQ(frozen["scrollbar"]["position"], 7800);
  EXPECT_EQ(frozen["sound"]["opens"][0]["format"]["channels"], 2);
  EXPECT_EQ(frozen["mode"]["OpenBlockCount"], 3);
  // Unfrozen again: live, the device still running.
  const auto& live = r.dumps[1];
  EXPECT_EQ(live["mode"]["Frozen"], 0);
  EXPECT_EQ(live["mode"]["CaptureStarted"], 1);
  EXPECT_EQ(live["buttons"]["105"]["enabled"], true);
  // The script ended with the run going: the user's closes froze, reset and then ended the program
  // with every block released and no beep.
  EXPECT_EQ(Mode.OpenBlockCount, 0);
  EXPECT_EQ(Mode.StopRequested, 1);
}

}  // namespace
