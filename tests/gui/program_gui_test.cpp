// The whole program on the real toolkit: the remembered window place, each variant's window at the
// screen's device pixels, a recording dropped on the window, the Measurements window, and the
// options dialogs (read-only edits, the legend keeping the focus, labels shown whole).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

#include "app/measurements_window.h"
#include "app/options_dialog.h"
#include "app/program.h"
#include "app/small_dialogs.h"
#include "app/window_state.h"
#include "audio/sound_devices.h"
#include "files/recording_writer.h"
#include "gui_support.h"
#include "platform/messages.h"
#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_preferences.h"
#include "settings/mode_state.h"

namespace {

// The desktop program's own choices: the remembered window place (and what is not remembered), a
// display drawn at the screen's device pixels, and a recording dropped on the window.
std::filesystem::path SettingsFile() {
  return std::filesystem::path(::testing::TempDir()) /
         (std::string("tx-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".conf");
}

// One run of the real-time variant with `file` as the store; `user` looks at the window, then
// the window is closed.
void RunWithStore(const std::filesystem::path& file, const std::function<void(QWidget&)>& user) {
  QtPreferenceStore store(file.string());
  SetPreferenceStore(&store);
  RunSteps(1, {Do([&user] { user(*MainWindowWidget()); })});
  SetPreferenceStore(nullptr);
}

TEST(RememberedChoices, TheWindowComesBackWhereTheUserLeftItOnlyOnAScreenAndNotFromGarbage) {
  const auto file = SettingsFile();
  std::filesystem::remove(file);
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  QRect left;
  // Each check runs inside the run (RunWithStore always calls its user).
  RunWithStore(file, [&](QWidget& window) {
    window.move(screen.x() + 17, screen.y() + 23);
    window.resize(screen.width() * 3 / 4, screen.height() * 3 / 4);
    left = window.frameGeometry();
  });
  ASSERT_TRUE(std::filesystem::exists(file));
  RunWithStore(file, [&](QWidget& window) {
    EXPECT_EQ(window.frameGeometry(), left);
    // The program laid itself out for the restored size.
    MirrorModelNow();
    EXPECT_TRUE(ModelMismatches().empty() && Window.ClientWidth == MainUi.clientWidth);
  });

  // A place on no current screen is not used: the program places the window itself.
  QtPreferenceStore(file.string()).Write("MainWindow/test_gui", "5000 5000 400 300");
  auto onScreen = [&](QWidget& window) { EXPECT_TRUE(screen.contains(window.frameGeometry())); };
  RunWithStore(file, onScreen);

  // A garbage file is ignored with a note and replaced by the run's own choices.
  std::ofstream(file, std::ios::binary)
      << "\x01\xff[MainWindow\ntest_gui=@Rect(1 2\n\xfe=\n[[[\n\"\\" << std::string(3, '\0') << "zz\n";
  ::testing::internal::CaptureStderr();
  RunWithStore(file, onScreen);
  const std::string note = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(note.find("settings file"), std::string::npos) << note;
  EXPECT_TRUE(QtPreferenceStore(file.string()).Read("MainWindow/test_gui").has_value());
  std::filesystem::remove(file);
}

struct KeptOutput : SoundOutput {
  explicit KeptOutput(std::vector<uint8_t>& kept) : heard(kept) {}
  bool Write(const uint8_t* data, size_t bytes, int) override {
    heard.insert(heard.end(), data, data + bytes);
    return true;
  }
  int64_t PositionFrames() override { return 0; }
  void SetVolume(uint16_t, uint16_t) override {}
  void Reset() override { PostMainMessage(MM_WOM_DONE); }
  void Close() override {}
  std::vector<uint8_t>& heard;
};

// Offers one named device each way; its outputs keep what they are given, so a test hears a
// playback start.
class KeptSound : public SoundSystem {
 public:
  std::vector<SoundDeviceInfo> ListDevices(bool input) override {
    return {input ? SoundDeviceInfo{"usb-in", "Lab interface in"}
                  : SoundDeviceInfo{"usb-out", "Lab interface out"}};
  }
  std::unique_ptr<SoundInput> OpenInput(const SoundFormat&, const std::string&) override { return nullptr; }
  std::unique_ptr<SoundOutput> OpenOutput(const SoundFormat&, const std::string&) override {
    return std::make_unique<KeptOutput>(heard);
  }
  std::vector<uint8_t> heard;
};

// The labels of the Measurements window that do not hold the model's table, and the count of cells.
std::pair<std::vector<std::string>, int> TableMismatches(QDialog* dialog) {
  std::vector<std::string> wrong;
  int cells = 0;
  for (const auto& c : MeasurementsWindow.Dialog.controls) {
    if (c.kind != DialogControlKind::Label || c.id < 0) continue;
    auto* label = dialog->findChild<QLabel*>(QString("control%1").arg(c.id));
    if (!label || label->text().toStdString() != c.text)
      wrong.push_back(std::to_string(c.id) + ": " + c.text);
    cells += c.id >= kFirstCell;
  }
  auto* check = dialog->findChild<QCheckBox*>(QString("control%1").arg(kViewOnlyCheck));
  if (!check || check->isChecked() != MeasurementsWindow.ViewOnly) wrong.push_back("view only");
  return {wrong, cells};
}

TEST(RememberedChoices, TheDevicesAndTheMeasurementsWindowComeBackInTheNextRun) {
  const auto file = SettingsFile();
  std::filesystem::remove(file);
  KeptSound sound;
  SetSoundSystem(&sound);
  const QPoint moved = QGuiApplication::primaryScreen()->availableGeometry().topLeft() + QPoint(40, 50);
  auto measurements = [] { return MainWindowWidget()->findChildren<QDialog*>("dialog120"); };
  std::pair<std::vector<std::string>, int> table{{"not shown"}, 0};
  RunWithStore(file, [&](QWidget& window) {
    // The user picks the second entry of both lists (the first is "System default") and presses OK.
    QTimer::singleShot(100, [&window] {
      for (int list : {1201, 1202})
        if (auto* box = window.findChild<QComboBox*>(QString("control%1").arg(list))) emit box->activated(1);
      if (auto* ok = window.findChild<QPushButton*>("control1")) ok->click();
    });
    SendMainMessage(WM_COMMAND, MENU_AUDIO_DEVICES, 0);
    SendMainMessage(WM_COMMAND, MENU_MEASUREMENTS, 0);
    SendMainMessage(WM_KEYDOWN, 'M', 0);  // already open: nothing new
    MirrorModelNow();
    // The Measurements window's labels hold the model's table cell by cell.
    if (measurements().size() == 1 && measurements()[0]->isVisible()) {
      table = TableMismatches(measurements()[0]);
      measurements()[0]->move(moved);
    }
    window.showMaximized();
  });  // the program ends with the window open
  RunWithStore(file, [&](QWidget& window) {
    EXPECT_EQ(std::tuple(SoundDevices.InputName, SoundDevices.OutputDevice, window.isMaximized()),
              std::tuple("Lab interface in", "usb-out", true));
    SendMainMessage(WM_COMMAND, MENU_MEASUREMENTS, 0);
    ASSERT_EQ(measurements().size(), 1u);
    EXPECT_EQ(measurements()[0]->frameGeometry().topLeft(), moved);
  });
  SetSoundSystem(nullptr);
  EXPECT_EQ(table, (std::pair<std::vector<std::string>, int>{{}, 4 * 24}));
  std::filesystem::remove(file);
}

// Each variant's real window, started as the program starts: its widgets mirror the model, it is
// drawn at the screen's device pixels, a screenshot is saved, and a close in the idle state ends
// the program and tears the window down. Runs as it comes (ratio 1) and again under
// QT_SCALE_FACTOR=2 with TX_EXPECT_PIXEL_RATIO=2.
TEST(HighDpi, EachVariantsWindowMirrorsItsModelAtTheScreensDevicePixels) {
  const char* expected = std::getenv("TX_EXPECT_PIXEL_RATIO");
  const double ratio = expected && *expected ? std::atof(expected) : 1.0;
  for (int variant : {0, 1, 2}) {
    SCOPED_TRACE(variant);
    bool inspected = false;
    const int exitCode = RunSteps(
        variant, {[&] {
          QWidget* client = FindInMainWindow<QWidget>("clientArea");
          if (!client || !client->isVisible()) return false;
          EXPECT_EQ(client->devicePixelRatioF(), ratio);
          const QSize model(MainUi.clientWidth, MainUi.clientHeight);
          EXPECT_EQ(model,
                    QSize(std::lround(client->width() * ratio), std::lround(client->height() * ratio)));
          MirrorModelNow();
          EXPECT_EQ(ModelMismatches(), std::vector<std::string>{});
          const QImage shown = client->grab().toImage();
          EXPECT_EQ(shown.size(), model);
          // The separator's 1-pixel shadow line: one row of the image, not a
          // blurred pair; the background white.
          const int y = Window.ClientHeight - Window.ScrollBarHeight - Window.ButtonHeight - 5 + 3;
          int lineRows = 0;
          for (int row = y - 3; row <= y + 3; ++row) lineRows += shown.pixel(7, row) == shown.pixel(7, y);
          EXPECT_EQ(lineRows, 1);
          EXPECT_TRUE(QColor(shown.pixel(5, 5)) == QColor(Qt::white) &&
                      QColor(shown.pixel(7, y)) != QColor(Qt::white));
          const std::string screenshot =
              SaveScreenshot(MainWindowWidget(), "gui-variant-" + std::to_string(variant) + ".png");
          EXPECT_TRUE(!screenshot.empty() && std::filesystem::exists(screenshot));
          return inspected = true;
        }});
    // A close in the idle state ends the program and tears the window down.
    EXPECT_TRUE(inspected && exitCode == 0 && !MainWindowWidget() && !MainUi.windowCreated);
  }
  ResetProgramState();
}

void DropFile(QWidget* window, const std::filesystem::path& file) {
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
  QDragEnterEvent enter(QPoint(40, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &enter);
  QDropEvent drop(QPointF(40, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  if (enter.isAccepted()) QApplication::sendEvent(window, &drop);
}

TEST(DropOnTheWindow, ARecordingPlaysAndANonRecordingGetsTheReadersMessage) {
  const auto dir = std::filesystem::path(::testing::TempDir());
  const auto wav = dir / "tx-dropped.wav", eightBit = dir / "tx-dropped-8bit.wav";
  std::vector<int16_t> samples(3 * 22050);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>(static_cast<int>(i * 37 % 2000) - 1000);
  // A 16-bit recording, and the same data labelled 8-bit, which the reader refuses.
  std::string error;
  ASSERT_TRUE(SaveSampleFile(wav.string(), 1, 22050, 16, samples, &error)) << error;
  std::filesystem::copy_file(wav, eightBit, std::filesystem::copy_options::overwrite_existing);
  std::fstream patched(eightBit, std::ios::in | std::ios::out | std::ios::binary);
  patched.seekp(34).put(8);  // bits per sample
  patched.close();
  KeptSound sound;
  SetSoundSystem(&sound);
  bool played = false, idleAfterMessage = false;
  std::string message;
  RunSteps(1, {Do([&] { DropFile(MainWindowWidget(), wav); }),
               [&] {
                 if (Mode.IdleState != 0 || sound.heard.size() < 200) return false;
                 played = std::equal(sound.heard.begin(), sound.heard.begin() + 200,
                                     reinterpret_cast<const uint8_t*>(samples.data()));
                 QTest::keyClick(MainWindowWidget(), Qt::Key_Escape);  // Reset: back to idle
                 return true;
               },
               [&] {
                 if (Mode.IdleState != 1) return false;
                 DropFile(MainWindowWidget(), eightBit);
                 return true;
               },
               [&] {
                 // The reader's message box is modal: it is read and closed from inside its loop.
                 auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                 if (!box) return false;
                 message = box->text().toStdString();
                 box->accept();
                 return true;
               },
               [&] {
                 idleAfterMessage = Mode.IdleState == 1 && !QApplication::activeModalWidget();
                 return idleAfterMessage;
               }});
  SetSoundSystem(nullptr);
  EXPECT_EQ(std::tuple(played, message, idleAfterMessage), std::tuple(true, "16 bit sampling is required", true));
  for (const auto& f : {wav, eightBit}) std::filesystem::remove(f);
}

// The options dialog on the real desktop window: its read-only edits refuse typing, and the legend
// edit keeps the keyboard while the mouse wanders over the main window, so the letters typed for
// the legend never reach the main window as commands.
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
  std::vector<Step> steps{Do([] { QTest::keyClick(FindInMainWindow<QWidget>("clientArea"), Qt::Key_N); })};
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
    steps.push_back(Do([i] {
      QWidget* client = FindInMainWindow<QWidget>("clientArea");
      const QPointF at(100.0 + 10.0 * static_cast<double>(i), 120.0);
      QMouseEvent move(QEvent::MouseMove, at, client->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                       Qt::NoModifier);
      QApplication::sendEvent(client, &move);
    }));
    steps.push_back(Do([i, &legend] { QTest::keyClick(QApplication::focusWidget(), legend[i]); }));
  }
  steps.push_back([&] {  // waits for the dialog (a failure if it went away while typing)
    QWidget* dialog = TopLevel("dialog111");
    if (!dialog) return false;
    typed = edit->text().toStdString();
    storedWhileTyping = Mode.SampleBStored;
    dialog->findChild<QPushButton*>("control1")->click();
    return true;
  });
  steps.push_back(Do([&] { titleAfterOk = Companions.VariantTitle; }));
  EXPECT_EQ(RunSteps(0, steps), 0);
  EXPECT_EQ(std::tuple(readOnlyAsBuilt, typed, storedWhileTyping, titleAfterOk),
            std::tuple(true, legend, 0, legend));
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
      QWidget* d = TopLevel(name);
      cut[name] = d ? CutTexts(d) : std::vector<std::string>{"not shown"};
      return d;
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
    const std::pair<const char*, std::function<void()>> modal[] = {
        {"dialog110", [] { RunMagnificationDialog(); }}, {"dialog113", [] { RunStartingPointDialog(30); }}};
    for (const auto& [name, run] : modal) {
      QTimer::singleShot(150, [&look, name = name] {
        if (QWidget* d = look(name))
          if (auto* cancel = d->findChild<QPushButton*>(QString("control%1").arg(IDCANCEL))) cancel->click();
      });
      run();
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
