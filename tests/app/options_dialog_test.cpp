// The modeless analysis options dialogs, driven as a backend drives them: commands through the
// main window, clicks and scroll actions straight into the open dialog's procedure.
#include <algorithm>

#include "app/activities.h"
#include "app/options_dialog.h"
#include "app/shell_fixture.h"
#include "display/display_state.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

class OptionsDialogTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    ResetOptionsDialogState();
  }
  DialogModel* Open() { return OpenOptionsDialogModel(); }
  int OpenCount() const {
    return static_cast<int>(std::count_if(MainUi.openDialogs.begin(), MainUi.openDialogs.end(),
                                          [](const DialogModel* d) { return !d->modal; }));
  }
  void Press(int control) {
    DialogModel* d = Open();
    ASSERT_NE(d, nullptr);
    d->procedure(*d, WM_COMMAND, static_cast<uintptr_t>(control), 0);
  }
  bool Checked(int control) { return Open()->Control(control)->checked; }
  bool Enabled(int control) { return Open()->Control(control)->enabled; }
};

TEST_F(OptionsDialogTest, SimpleDialogOpensOnceNearTheScreenCentre) {
  Start(1, 1280, 1024);
  Click(MENU_ANALYSIS_OPTIONS);
  DialogModel* d = Open();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->resourceId, kSimpleOptionsDialog);
  EXPECT_EQ(d->title, "Simple Analysis Options");
  EXPECT_FALSE(d->modal);
  EXPECT_EQ(d->x, (1280 - d->width) / 2);
  EXPECT_EQ(d->y, (1024 - d->height) / 2 - 30);
  EXPECT_EQ(Mode.OptionsDialogOpen, 1);
  EXPECT_EQ(Mode.AdvancedOptionsActive, 0);
  // The real-time variant starts in F2 with no comparison; F2 cannot overlay.
  EXPECT_TRUE(Checked(ID_DISPLAY_F2));
  EXPECT_FALSE(Checked(ID_DISPLAY_F1));
  EXPECT_TRUE(Checked(ID_COMPARISON_DISABLED));
  EXPECT_FALSE(Enabled(ID_COMPARISON_OVERLAY));
  EXPECT_EQ(d->Control(ID_DISPLAY_F5), nullptr);

  Click(MENU_ANALYSIS_OPTIONS);
  EXPECT_EQ(OpenCount(), 1);

  // A small screen never pushes the dialog above or left of the screen.
  Press(IDOK);
  Window.ScreenWidth = 100;
  Window.ScreenHeight = 80;
  Click(MENU_ANALYSIS_OPTIONS);
  EXPECT_EQ(Open()->x, 0);
  EXPECT_EQ(Open()->y, 0);
}

TEST_F(OptionsDialogTest, SimpleDialogWritesLayoutAndComparisonLive) {
  Start(1);
  Click(MENU_ANALYSIS_OPTIONS);
  Display.ClearFrameRequest = 0;
  Press(ID_DISPLAY_F4);
  EXPECT_EQ(AnalysisSettings.DisplayModeButton, ID_DISPLAY_F4);
  EXPECT_EQ(Companions.DisplayMode, 3);
  EXPECT_EQ(Display.ClearFrameRequest, 1);
  EXPECT_TRUE(Checked(ID_DISPLAY_F4));
  EXPECT_FALSE(Checked(ID_DISPLAY_F2));
  EXPECT_TRUE(Enabled(ID_COMPARISON_OVERLAY));

  Press(ID_COMPARISON_OVERLAY);
  EXPECT_EQ(AnalysisSettings.ComparisonModeButton, ID_COMPARISON_OVERLAY);
  EXPECT_EQ(Companions.ComparisonMode, 2);
  EXPECT_TRUE(Checked(ID_COMPARISON_OVERLAY));

  // Leaving F4 turns Overlay into Above/Below and locks the radio.
  Press(ID_DISPLAY_F1);
  EXPECT_EQ(AnalysisSettings.ComparisonModeButton, ID_COMPARISON_ABOVE_BELOW);
  EXPECT_EQ(Companions.ComparisonMode, 1);
  EXPECT_TRUE(Checked(ID_COMPARISON_ABOVE_BELOW));
  EXPECT_FALSE(Checked(ID_COMPARISON_OVERLAY));
  EXPECT_FALSE(Enabled(ID_COMPARISON_OVERLAY));

  // A forwarded Ctrl+F3 meets the disabled radio and changes nothing.
  Press(ID_COMPARISON_OVERLAY);
  EXPECT_EQ(Companions.ComparisonMode, 1);

  // Cancel keeps every live change: there is nothing to undo.
  Press(IDCANCEL);
  EXPECT_EQ(Open(), nullptr);
  EXPECT_EQ(OpenCount(), 0);
  EXPECT_EQ(Mode.OptionsDialogOpen, 0);
  EXPECT_EQ(AnalysisSettings.DisplayModeButton, ID_DISPLAY_F1);
}

TEST_F(OptionsDialogTest, SimpleDialogClosesByOkAndCloseBoxAndRepaintsFromTheRecord) {
  Start(1);
  Click(MENU_ANALYSIS_OPTIONS);
  Press(IDOK);
  EXPECT_EQ(OpenCount(), 0);
  EXPECT_EQ(Mode.OptionsDialogOpen, 0);

  Click(MENU_ANALYSIS_OPTIONS);
  Press(ID_DISPLAY_F4);
  Press(ID_COMPARISON_OVERLAY);
  // The keys change the layout behind the dialog's back; its next paint follows the record.
  SetDisplayModeButton(ID_DISPLAY_F3);
  RepaintOptionsDialog();
  EXPECT_FALSE(Enabled(ID_COMPARISON_OVERLAY));
  EXPECT_TRUE(Checked(ID_COMPARISON_ABOVE_BELOW));

  DialogModel* d = Open();
  d->procedure(*d, WM_CLOSE, 0, 0);
  EXPECT_EQ(OpenCount(), 0);
  EXPECT_EQ(Mode.OptionsDialogOpen, 0);
  RepaintOptionsDialog();  // nothing open: nothing to do
  EXPECT_EQ(OpenCount(), 0);
}

TEST_F(OptionsDialogTest, ComparisonWhileFrozenSetsThePlayButtons) {
  Start(1);
  Click(MENU_ANALYSIS_OPTIONS);
  Mode.Frozen = 1;
  Mode.SampleBStored = 1;
  Press(ID_COMPARISON_ABOVE_BELOW);
  ASSERT_NE(FindButton(CMD_PLAY_FILE), nullptr);
  EXPECT_EQ(FindButton(CMD_RUN)->caption, "Play &A");
  EXPECT_TRUE(FindButton(CMD_RUN)->enabled);
  EXPECT_EQ(FindButton(CMD_PLAY_FILE)->caption, "Play &B");
  EXPECT_TRUE(FindButton(CMD_PLAY_FILE)->enabled);
  Press(ID_COMPARISON_DISABLED);
  EXPECT_EQ(Companions.ComparisonMode, 0);
  EXPECT_FALSE(FindButton(CMD_PLAY_FILE)->enabled);
}

}  // namespace
