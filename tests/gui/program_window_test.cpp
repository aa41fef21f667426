// Each variant's real window, started with RunTaldrinex on the Qt backend: its widgets mirror the
// program's model, a screenshot is saved, and a close in the idle state ends the program.
#include <gtest/gtest.h>

#include <QImage>
#include <QTimer>
#include <filesystem>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/window_state.h"
#include "gui_support.h"
#include "platform/qt/qt_backend.h"
#include "platform/ui_model.h"

namespace {

// What the scripted user saw in the running window; checked after the program has ended.
struct Seen {
  bool windowShown = false;
  std::vector<std::string> mismatches{"not inspected"};
  size_t buttons = 0;
  bool clientMatchesLayout = false, backgroundWhite = false, separatorDrawn = false;
  std::string screenshot;
};

void Inspect(Seen& seen, int variant) {
  QWidget* window = MainWindowWidget();
  if (!window) return;
  seen.windowShown = window->isVisible();
  seen.mismatches = ModelMismatches();
  seen.buttons = MainUi.buttons.size();
  seen.clientMatchesLayout =
      MainUi.clientWidth == Window.ClientWidth && MainUi.clientHeight == Window.ClientHeight;
  if (QWidget* client = window->findChild<QWidget*>("clientArea")) {
    const QImage shown = client->grab().toImage();
    seen.backgroundWhite = QColor(shown.pixel(5, 5)) == QColor(Qt::white);
    // The separator's shadow line runs two pixels above the scroll bar.
    const int y = Window.ClientHeight - Window.ScrollBarHeight - Window.ButtonHeight - 5 + 3;
    seen.separatorDrawn = y > 0 && y < shown.height() && QColor(shown.pixel(5, y)) != QColor(Qt::white);
  }
  seen.screenshot = SaveScreenshot(window, "gui-variant-" + std::to_string(variant) + ".png");
}

class ProgramWindowTest : public ::testing::TestWithParam<int> {};

TEST_P(ProgramWindowTest, StartsMirrorsItsModelAndClosesFromIdle) {
  const int variant = GetParam();
  ResetProgramState();
  QtBackend backend;
  SetBackend(&backend);
  Seen seen;
  // The scripted user looks at the idle window once the widgets have caught up with the model (a
  // busy machine may take a while to mirror it), then presses the close box, as a user would.
  QTimer look;
  int looks = 0;
  QObject::connect(&look, &QTimer::timeout, [&] {
    if (++looks < 50 && !MainWindowWidget()) return;
    if (looks < 50 && !ModelMismatches().empty()) return;
    look.stop();
    Inspect(seen, variant);
    if (QWidget* window = MainWindowWidget()) window->close();
  });
  look.start(100);
  // Should the first close not end it, a later one does (the test must not hang).
  QTimer safety;
  QObject::connect(&safety, &QTimer::timeout, [] {
    if (QWidget* window = MainWindowWidget()) window->close();
  });
  safety.start(8000);
  const int exitCode = RunTaldrinex(variant, "");
  safety.stop();
  SetBackend(nullptr);

  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(seen.windowShown);
  EXPECT_EQ(seen.mismatches, std::vector<std::string>{});
  EXPECT_EQ(seen.buttons, variant == 2 ? 5u : 7u);
  EXPECT_TRUE(seen.clientMatchesLayout);
  EXPECT_TRUE(seen.backgroundWhite);
  EXPECT_TRUE(seen.separatorDrawn);
  ASSERT_FALSE(seen.screenshot.empty());
  EXPECT_TRUE(std::filesystem::exists(seen.screenshot));
  // The idle close tore the window down.
  EXPECT_EQ(MainWindowWidget(), nullptr);
  EXPECT_FALSE(MainUi.windowCreated);
  ResetProgramState();
}

INSTANTIATE_TEST_SUITE_P(Variants, ProgramWindowTest, ::testing::Values(0, 1, 2));

}  // namespace
