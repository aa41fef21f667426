// The options dialog on the real desktop window: its read-only edits refuse typing, and the legend
// edit keeps the keyboard while the mouse wanders over the main window, so the letters typed for
// the legend never reach the main window as commands.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "app/program.h"
#include "gui_support.h"
#include "platform/qt/qt_backend.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

QWidget* TopLevel(const QString& name) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == name && w->isVisible()) return w;
  return nullptr;
}

// Runs the program of `variant` with `steps` carried out one per tick of the Qt loop, so that the
// program delivers what each step queued before the next one; the window is closed after them.
void RunSteps(int variant, std::vector<std::function<void()>> steps) {
  ResetProgramState();
  QtBackend backend;
  SetBackend(&backend);
  size_t next = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    if (next < steps.size()) {
      steps[next++]();
    } else if (QWidget* window = MainWindowWidget()) {
      window->close();
    }
  });
  tick.start(80);
  EXPECT_EQ(RunTaldrinex(variant, ""), 0);
  tick.stop();
  SetBackend(nullptr);
}

TEST(OptionsDialogGui, TheLegendKeepsTheFocusWhileTheMouseMovesAndOtherEditsAreReadOnly) {
  const std::string legend = "Miss S";  // S alone in the main window would be Store
  bool readOnlyAsBuilt = false;
  std::string typed, titleAfterOk;
  int storedWhileTyping = -1;
  QLineEdit* edit = nullptr;
  std::vector<std::function<void()>> steps;
  steps.push_back([] { QTest::keyClick(FindInMainWindow<QWidget>("clientArea"), Qt::Key_N); });
  steps.push_back([&] {
    QWidget* dialog = TopLevel("dialog111");
    if (!dialog) return;
    edit = dialog->findChild<QLineEdit*>("control1036");
    auto* average = dialog->findChild<QLineEdit*>("control1003");
    if (!edit || !average) return;
    const QString shown = average->text();
    QTest::keyClicks(average, "99");  // refused: the count only follows its bar
    readOnlyAsBuilt = !edit->isReadOnly() && average->isReadOnly() && average->text() == shown;
    dialog->activateWindow();
    QTest::mouseClick(edit, Qt::LeftButton);
    edit->selectAll();  // the first letter typed replaces the old legend
  });
  for (size_t i = 0; i < legend.size(); ++i) {
    steps.push_back([i] {
      QWidget* client = FindInMainWindow<QWidget>("clientArea");
      const QPointF at(100.0 + 10.0 * static_cast<double>(i), 120.0);
      QMouseEvent move(QEvent::MouseMove, at, client->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(client, &move);
    });
    steps.push_back([i, &legend] {
      if (QWidget* target = QApplication::focusWidget()) QTest::keyClick(target, legend[i]);
    });
  }
  steps.push_back([&] {
    typed = edit ? edit->text().toStdString() : "";
    storedWhileTyping = Mode.SampleBStored;
    if (QWidget* dialog = TopLevel("dialog111"))
      if (auto* ok = dialog->findChild<QPushButton*>("control1")) ok->click();
  });
  steps.push_back([&] { titleAfterOk = Companions.VariantTitle; });
  RunSteps(0, steps);
  EXPECT_TRUE(readOnlyAsBuilt);
  EXPECT_EQ(typed, legend);
  EXPECT_EQ(storedWhileTyping, 0);
  EXPECT_EQ(titleAfterOk, legend);
  ResetProgramState();
}

}  // namespace
