// The Measurements window on the real toolkit: opened from the menu on a running program, its
// labels hold the model's table cell by cell, and it opens again where it was closed.
#include "app/measurements_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QLabel>

#include "app/program.h"
#include "gui_support.h"
#include "platform/messages.h"

namespace {

struct Seen {
  bool shown = false;
  int cells = 0;
  std::vector<std::string> mismatches;
  std::string screenshot;
  bool reopenedInPlace = false;
};

QDialog* MeasurementsDialog() {
  QWidget* main = MainWindowWidget();
  return main ? main->findChild<QDialog*>("dialog120") : nullptr;
}

void Inspect(Seen& seen) {
  QDialog* dialog = MeasurementsDialog();
  if (!dialog) return;
  seen.shown = dialog->isVisible();
  for (const auto& c : MeasurementsWindow.Dialog.controls) {
    if (c.kind != DialogControlKind::Label || c.id < 0) continue;
    auto* label = dialog->findChild<QLabel*>(QString("control%1").arg(c.id));
    if (!label || label->text().toStdString() != c.text)
      seen.mismatches.push_back(std::to_string(c.id) + ": " + c.text);
    if (c.id >= kFirstCell) ++seen.cells;
  }
  auto* check = dialog->findChild<QCheckBox*>(QString("control%1").arg(kViewOnlyCheck));
  if (!check || check->isChecked() != MeasurementsWindow.ViewOnly) seen.mismatches.push_back("view only");
  seen.screenshot = SaveScreenshot(dialog, "gui-measurements.png");
}

TEST(MeasurementsWindowGui, TheWindowShowsTheModelsTableAndReopensWhereItWasClosed) {
  Seen seen;
  const int exitCode = RunSteps(0, {[] {
                                      SendMainMessage(WM_COMMAND, MENU_MEASUREMENTS, 0);
                                      return true;
                                    },
                                    [&seen] {
                                      if (!MeasurementsDialog() || !MeasurementsDialog()->isVisible())
                                        return false;
                                      Inspect(seen);
                                      MeasurementsDialog()->move(40, 50);
                                      // Already open: nothing new.
                                      SendMainMessage(WM_KEYDOWN, 'M', 0);
                                      return true;
                                    },
                                    [] {
                                      MeasurementsDialog()->close();
                                      return true;
                                    },
                                    [] {
                                      SendMainMessage(WM_COMMAND, MENU_MEASUREMENTS, 0);
                                      return true;
                                    },
                                    [&seen] {
                                      const QDialog* d = MeasurementsDialog();
                                      seen.reopenedInPlace = d && d->isVisible() &&
                                                             d->frameGeometry().topLeft() == QPoint(40, 50);
                                      return seen.reopenedInPlace;
                                    }});
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(seen.shown);
  EXPECT_EQ(seen.cells, 4 * 24);
  EXPECT_EQ(seen.mismatches, std::vector<std::string>{});
  EXPECT_FALSE(seen.screenshot.empty());
  EXPECT_TRUE(seen.reopenedInPlace);
  ResetProgramState();
}

}  // namespace
