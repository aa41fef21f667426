// Bitmap Magnification and Starting Point dialogs.
#include "app/shell_fixture.h"
#include "app/small_dialogs.h"
#include "settings/analysis_settings.h"

namespace {

TEST_F(ShellTest, MagnificationPagesInHundredsUpToFive) {
  Start(1, 1280, 1024);
  backend.dialogScrolls = {{kMagnificationBar, SB_PAGERIGHT, 0}, {kMagnificationBar, SB_PAGERIGHT, 0}};
  EXPECT_EQ(RunMagnificationDialog(), 1);
  EXPECT_EQ(AnalysisSettings.BitmapMagnification, 300);
  const DialogModel& d = backend.dialogsSeen.back();
  EXPECT_EQ(d.title, "Bitmap Magnification");
  EXPECT_EQ(d.Control(kMagnificationEdit)->text, "3.00");
  EXPECT_EQ(d.x, (1280 - d.width) / 2);
  EXPECT_EQ(d.y, (1024 - d.height) / 2 - 30);

  backend.dialogScrolls.assign(5, {kMagnificationBar, SB_PAGERIGHT, 0});
  RunMagnificationDialog();
  EXPECT_EQ(AnalysisSettings.BitmapMagnification, 500);
  EXPECT_EQ(backend.dialogsSeen.back().Control(kMagnificationEdit)->text, "5.00");

  // The factor follows the bar live, so Cancel keeps what the bar shows.
  backend.dialogScrolls = {{kMagnificationBar, SB_THUMBPOSITION, 200}, {kMagnificationBar, SB_LINELEFT, 0}};
  backend.dialogButton = IDCANCEL;
  EXPECT_EQ(RunMagnificationDialog(), 0);
  EXPECT_EQ(AnalysisSettings.BitmapMagnification, 190);
  backend.dialogScrolls = {{kMagnificationBar, SB_PAGELEFT, 0}, {kMagnificationBar, SB_PAGELEFT, 0}};
  RunMagnificationDialog();
  EXPECT_EQ(AnalysisSettings.BitmapMagnification, 100);
}

TEST_F(ShellTest, StartingPointRangeFollowsThePlayingLength) {
  Start(1, 300, 100);
  backend.dialogScrolls = {{kStartBar, SB_PAGERIGHT, 0}, {kStartBar, SB_PAGERIGHT, 0}, {kStartBar, SB_PAGERIGHT, 0}};
  EXPECT_EQ(RunStartingPointDialog(20), 1);
  EXPECT_EQ(SmallDialogs.StartSeconds, 20);
  const DialogModel& d = backend.dialogsSeen.back();
  EXPECT_EQ(d.title, "Starting Point");
  EXPECT_EQ(d.Control(kStartBar)->maximum, 20);
  EXPECT_EQ(d.Control(kStartEdit)->text, "20");
  // Placed not above or left of the screen's corner.
  EXPECT_EQ(d.x, 30);
  EXPECT_EQ(d.y, 0);
  backend.dialogScrolls = {{kStartBar, SB_LINERIGHT, 0}, {kStartBar, SB_LINELEFT, 0}, {kStartBar, SB_LINELEFT, 0}};
  backend.dialogButton = IDCANCEL;
  EXPECT_EQ(RunStartingPointDialog(9), 0);
  EXPECT_EQ(SmallDialogs.StartSeconds, 0);
}

}  // namespace
