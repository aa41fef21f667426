// The options dialog on the real desktop window: its read-only edits refuse typing, and the legend
// edit keeps the keyboard while the mouse wanders over the main window, so the letters typed for
// the legend never reach the main window as commands.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/options_dialog.h"
#include "app/program.h"
#include "app/small_dialogs.h"
#include "gui_support.h"
#include "platform/messages.h"
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

TEST(OptionsDialogGui, TheLegendKeepsTheFocusWhileTheMouseMovesAndOtherEditsAreReadOnly) {
  const std::string legend = "Miss S";  // S alone in the main window would be Store
  bool readOnlyAsBuilt = false;
  std::string typed, titleAfterOk;
  int storedWhileTyping = -1;
  QLineEdit* edit = nullptr;
  std::vector<Step> steps;
  steps.push_back([] {
    QTest::keyClick(FindInMainWindow<QWidget>("clientArea"), Qt::Key_N);
    return true;
  });
  steps.push_back([&] {
    QWidget* dialog = TopLevel("dialog111");
    if (!dialog) return false;
    edit = dialog->findChild<QLineEdit*>("control1036");
    auto* average = dialog->findChild<QLineEdit*>("control1003");
    if (!edit || !average) return false;
    const QString shown = average->text();
    QTest::keyClicks(average, "99");  // refused: the count only follows its bar
    readOnlyAsBuilt = !edit->isReadOnly() && average->isReadOnly() && average->text() == shown;
    dialog->activateWindow();
    QTest::mouseClick(edit, Qt::LeftButton);
    edit->selectAll();  // the first letter typed replaces the old legend
    return true;
  });
  for (size_t i = 0; i < legend.size(); ++i) {
    steps.push_back([i] {
      QWidget* client = FindInMainWindow<QWidget>("clientArea");
      const QPointF at(100.0 + 10.0 * static_cast<double>(i), 120.0);
      QMouseEvent move(QEvent::MouseMove, at, client->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                       Qt::NoModifier);
      QApplication::sendEvent(client, &move);
      return true;
    });
    steps.push_back([i, &legend] {
      if (QWidget* target = QApplication::focusWidget()) QTest::keyClick(target, legend[i]);
      return true;
    });
  }
  steps.push_back([&] {
    typed = edit ? edit->text().toStdString() : "";
    storedWhileTyping = Mode.SampleBStored;
    if (QWidget* dialog = TopLevel("dialog111"))
      if (auto* ok = dialog->findChild<QPushButton*>("control1")) ok->click();
    return true;
  });
  steps.push_back([&] {
    titleAfterOk = Companions.VariantTitle;
    return true;
  });
  EXPECT_EQ(RunSteps(0, steps), 0);
  EXPECT_TRUE(readOnlyAsBuilt);
  EXPECT_EQ(typed, legend);
  EXPECT_EQ(storedWhileTyping, 0);
  EXPECT_EQ(titleAfterOk, legend);
  ResetProgramState();
}

// The texts of `dialog` that its controls cannot show whole: for each, "text: needs N of M".
std::vector<std::string> CutTexts(QWidget* dialog) {
  std::vector<std::string> cut;
  const QFontMetrics title(dialog->font());
  // The title bar also holds the icon and the close box.
  if (title.horizontalAdvance(dialog->windowTitle()) + 80 > dialog->width())
    cut.push_back("title " + dialog->windowTitle().toStdString());
  for (QWidget* w : dialog->findChildren<QWidget*>()) {
    const QStyle* style = w->style();
    QString text;
    int room = w->width();
    bool checkHeight = true;
    if (auto* l = qobject_cast<QLabel*>(w)) {
      text = l->text();
    } else if (auto* r = qobject_cast<QRadioButton*>(w)) {
      text = r->text();
      room -= style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, w) +
              style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, w);
    } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
      text = c->text();
      room -= style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
              style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
    } else if (auto* b = qobject_cast<QPushButton*>(w)) {
      text = b->text();
      room -= style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w) +
              2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
      text = g->title();
      room -= 16;
      checkHeight = false;
    } else {
      continue;
    }
    text.remove('&');
    const QFontMetrics metrics(w->font());
    const int needs = metrics.horizontalAdvance(text);
    if (needs > room || (checkHeight && metrics.height() > w->height()))
      cut.push_back(text.toStdString() + ": needs " + std::to_string(needs) + " of " + std::to_string(room));
  }
  return cut;
}

// Each dialog of the program, as the desktop shows it, at the default font and at a larger one.
TEST(OptionsDialogGui, EveryLabelIsWholeAtTheDefaultAndALargerFont) {
  const QFont original = QApplication::font();
  QFont larger = original;
  larger.setPointSizeF(original.pointSizeF() > 0 ? original.pointSizeF() * 1.6 : 16);
  for (const QFont& font : {original, larger}) {
    QApplication::setFont(font);
    SCOPED_TRACE(font.toString().toStdString());
    ResetProgramState();
    QtBackend backend;
    SetBackend(&backend);
    CreateMainWindow(1);
    std::map<std::string, std::vector<std::string>> cut;
    auto look = [&](const char* name) {
      if (QWidget* d = TopLevel(name)) {
        cut[name] = CutTexts(d);
      } else {
        cut[name] = {"not shown"};
      }
    };
    OpenSimpleOptionsDialog();
    look("dialog114");
    CloseOptionsDialog(OptionsDialogs.Simple);
    for (int id : {kAdvancedOptionsDialog, kFullOptionsDialog}) {
      OpenFullOptionsDialog(id);
      look(id == kFullOptionsDialog ? "dialog111" : "dialog112");
      CloseOptionsDialog(OptionsDialogs.Full);
    }
    // The modal ones are looked at while they wait for the user, then cancelled.
    for (const char* name : {"dialog110", "dialog113"}) {
      QTimer::singleShot(150, [&, name] {
        look(name);
        if (QWidget* d = TopLevel(name))
          if (auto* cancel = d->findChild<QPushButton*>(QString("control%1").arg(IDCANCEL))) cancel->click();
      });
      if (std::string(name) == "dialog110") {
        RunMagnificationDialog();
      } else {
        RunStartingPointDialog(30);
      }
    }
    SendMainMessage(WM_CLOSE);
    SetBackend(nullptr);
    for (const auto& [name, texts] : cut) EXPECT_EQ(texts, std::vector<std::string>{}) << name;
    EXPECT_EQ(cut.size(), 5u);
  }
  QApplication::setFont(original);
  ResetProgramState();
}

}  // namespace
