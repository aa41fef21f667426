// The real window's menu follows the program's mode, and the About box appears and closes.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/control_states.h"
#include "app/program.h"
#include "gui_support.h"
#include "platform/qt/qt_backend.h"

namespace {

bool MenuEnabled(int id) {
  QWidget* window = MainWindowWidget();
  auto* a = window ? window->findChild<QAction*>(QString("menu%1").arg(id)) : nullptr;
  return a && a->isEnabled();
}

TEST(ProgramMenus, FollowTheModeAndTheAboutBoxOpensAndCloses) {
  ResetProgramState();
  QtBackend backend;
  SetBackend(&backend);
  QString aboutTitle;
  bool idleRun = false, idleRecord = true, liveRun = true, liveRecord = false, liveFreeze = false;
  int step = 0;
  QTimer script;
  QObject::connect(&script, &QTimer::timeout, [&] {
    QWidget* window = MainWindowWidget();
    if (!window) return;
    switch (step) {
      case 0:  // idle: pick Help > About from the menu
        idleRun = MenuEnabled(40011);
        idleRecord = MenuEnabled(40013);
        if (auto* about = window->findChild<QAction*>("menu40008")) about->trigger();
        ++step;
        break;
      case 1:
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          aboutTitle = box->windowTitle();
          box->button(QMessageBox::Ok)->click();
          ++step;
        }
        break;
      case 2:  // the program enters the live state's controls
        if (QApplication::activeModalWidget()) break;
        ShowLiveControls();
        ++step;
        break;
      case 3:
        liveRun = MenuEnabled(40011);
        liveRecord = MenuEnabled(40013);
        liveFreeze = MenuEnabled(40014);
        ShowIdleControls();
        ++step;
        break;
      default:
        window->close();
        break;
    }
  });
  script.start(100);
  const int exitCode = RunTaldrinex(1, "");
  script.stop();
  SetBackend(nullptr);
  ResetProgramState();

  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(aboutTitle.toStdString(), "TX-RadaDuza 2.5");
  EXPECT_TRUE(idleRun);
  EXPECT_FALSE(idleRecord);
  EXPECT_FALSE(liveRun);
  EXPECT_TRUE(liveRecord);
  EXPECT_TRUE(liveFreeze);
}

}  // namespace
