// The keys in whole-program runs on the headless backend: a user freezes live sound and works the
// frozen view from the keyboard (what each arrow key does: keyboard_commands_test.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/live_fixture.h"
#include "display/display_state.h"
#include "display/sample_slots.h"
#include "interaction/image_rebuild.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

class KeyRun : public LiveRunTest {
 protected:
  void SetUp() override {
    LiveRunTest::SetUp();
    ResetImageRebuildState();
  }
  void TearDown() override {
    LiveRunTest::TearDown();
    ResetImageRebuildState();
  }
};

TEST_F(KeyRun, LayoutAndComparisonKeysWaitForTheFreezeThenRebuildAndStore) {
  sound->source.sineHz = 440;
  Open(1);  // F2
  bool playBOffBeforeStore = false;
  int checks = 0;
  backend->onPresent = [&] {
    // Above/Below with nothing stored yet: Play B has nothing to play.
    if (Mode.Frozen && Companions.ComparisonMode == 1 && !Mode.SampleBStored && checks++ == 0) {
      const ButtonModel* b = FindButton(CMD_PLAY_FILE);
      playBOffBeforeStore = b && !b->enabled && b->caption == "Play &B";
    }
  };
  Run("wait 2000\nkey F4\nkey ctrl+F2\nwait 100\nkey Space\nwait 300\nkey F3\nwait 100\nkey ctrl+F2\n"
      "wait 100\nkey S\nwait 100\nkey Escape");
  EXPECT_EQ(Companions.DisplayMode, 2);  // F4 and Ctrl+F2 did nothing live
  EXPECT_EQ(Companions.ComparisonMode, 1);
  EXPECT_EQ(Mode.SampleBStored, 1);
  EXPECT_TRUE(playBOffBeforeStore);
  // F3 computed the held spectrogram rather than copying the F2 picture, and let the flag go.
  EXPECT_GE(ImageRebuild.ColumnsRebuilt, Display.PanelAreaWidth);
  EXPECT_EQ(Display.ForceImageRebuild, 0);
  EXPECT_EQ(Mode.IdleState, 1);
}

TEST_F(KeyRun, LeftAndRightStepTheViewAsTheScrollBarDoesAndBeepAtTheStart) {
  sound->source.sineHz = 220;
  Open(0);
  AnalysisSettings.LeftRightAssignment = ID_LR_AUDIO_EGG_SCROLL;
  std::vector<int> seen;  // the view position of each frozen frame, when it changed
  std::vector<int> comparison;  // the comparison mode at each change
  int thumb = -1;
  backend->onPresent = [&] {
    if (!Mode.Frozen || Mode.FreezePending) return;
    if (seen.empty() || seen.back() != LiveView.ViewPosition) {
      seen.push_back(LiveView.ViewPosition);
      comparison.push_back(Companions.ComparisonMode);
    }
    thumb = MainUi.scrollBar.position;
  };
  // Shift+Right is a page (+4), Left a line (-1); Right in the Overlay comparison (F4, Ctrl+F3),
  // where the bar is ignored, still moves the view; then far enough left to stand at the start,
  // where the next Left beeps and stays.
  std::string script = "wait 1500\nkey Space\nwait 200\nkey shift+Right\nkey Left\nkey Left\nwait 200\n"
                       "key F4\nkey ctrl+F3\nwait 200\nkey Right\nwait 200\n";
  for (int i = 0; i < 400; ++i) script += "key shift+Left\n";
  Run(script + "wait 200\nkey Left\nwait 200\nkey Escape");
  ASSERT_GE(seen.size(), 4u);
  EXPECT_GT(seen[0], 100);
  EXPECT_EQ(seen[1], seen[0] + 2);
  EXPECT_EQ(seen[2], seen[1] + 1);
  EXPECT_EQ(comparison[2], 2);
  EXPECT_EQ(seen.back(), 0);
  EXPECT_EQ(thumb, 0);
  EXPECT_GE(backend->Beeps(), 1);
}

}  // namespace
