// The desktop program's own choices: the remembered window place (and what is not remembered), a
// display drawn at the screen's device pixels, and a recording dropped on the window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QDropEvent>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/program.h"
#include "app/window_state.h"
#include "audio/sound_devices.h"
#include "files/recording_writer.h"
#include "gui_support.h"
#include "platform/messages.h"
#include "platform/preferences.h"
#include "platform/qt/qt_preferences.h"
#include "platform/sound.h"
#include "platform/ui_model.h"
#include "settings/mode_state.h"

namespace {

std::filesystem::path SettingsFile() {
  return std::filesystem::path(::testing::TempDir()) /
         (std::string("tx-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".conf");
}

// One run of the real-time variant with `file` as the store; `user` looks at the window, then
// the window is closed.
void RunWithStore(const std::filesystem::path& file, const std::function<void(QWidget&)>& user) {
  QtPreferenceStore store(file.string());
  SetPreferenceStore(&store);
  RunSteps(1, {[&user] {
             if (QWidget* window = MainWindowWidget()) user(*window);
             return true;
           }});
  SetPreferenceStore(nullptr);
}

TEST(RememberedChoices, TheWindowComesBackWhereTheUserLeftItAndOnlyOnAScreen) {
  const auto file = SettingsFile();
  std::filesystem::remove(file);
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  QRect left, back, started;
  bool inStep = false;
  RunWithStore(file, [&](QWidget& window) {
    window.move(screen.x() + 17, screen.y() + 23);
    window.resize(screen.width() * 3 / 4, screen.height() * 3 / 4);
    left = window.frameGeometry();
  });
  ASSERT_TRUE(std::filesystem::exists(file));
  RunWithStore(file, [&](QWidget& window) {
    back = window.frameGeometry();
    // The program laid itself out for the restored size.
    MirrorModelNow();
    inStep = ModelMismatches().empty() && Window.ClientWidth == MainUi.clientWidth;
  });
  EXPECT_EQ(back, left);
  EXPECT_TRUE(inStep);

  // A place on no current screen is not used: the program places the window itself.
  {
    QtPreferenceStore store(file.string());
    store.Write("MainWindow/test_gui", "5000 5000 400 300");
  }
  RunWithStore(file, [&](QWidget& window) { started = window.frameGeometry(); });
  EXPECT_TRUE(screen.contains(started)) << started.x() << "," << started.y();
  EXPECT_NE(started.topLeft(), QPoint(5000, 5000));
  std::filesystem::remove(file);
}

// Offers one named device each way and opens none.
class NamedDevices : public SoundSystem {
 public:
  std::unique_ptr<SoundInput> OpenInput(const SoundFormat&, const std::string&) override { return nullptr; }
  std::unique_ptr<SoundOutput> OpenOutput(const SoundFormat&, const std::string&) override { return nullptr; }
  std::vector<SoundDeviceInfo> ListDevices(bool input) override {
    return {input ? SoundDeviceInfo{"usb-in", "Lab interface in"} : SoundDeviceInfo{"usb-out", "Lab interface out"}};
  }
};

TEST(RememberedChoices, TheDevicesAndTheMeasurementsWindowComeBackInTheNextRun) {
  const auto file = SettingsFile();
  std::filesystem::remove(file);
  NamedDevices sound;
  SetSoundSystem(&sound);
  const QPoint moved = QGuiApplication::primaryScreen()->availableGeometry().topLeft() + QPoint(40, 50);
  auto measurements = [] { return MainWindowWidget()->findChild<QDialog*>("dialog120"); };
  RunWithStore(file, [&](QWidget& window) {
    // The user picks the second entry of both lists (the first is "System default") and presses OK.
    QTimer::singleShot(100, [&window] {
      for (int list : {1201, 1202})
        if (auto* box = window.findChild<QComboBox*>(QString("control%1").arg(list))) emit box->activated(1);
      if (auto* ok = window.findChild<QPushButton*>("control1")) ok->click();
    });
    SendMainMessage(WM_COMMAND, MENU_AUDIO_DEVICES, 0);
    SendMainMessage(WM_COMMAND, MENU_MEASUREMENTS, 0);
    if (QDialog* d = measurements()) d->move(moved);
    window.showMaximized();
  });  // the program ends with the window open
  QPoint reopened;
  bool maximized = false;
  std::string input, output;
  RunWithStore(file, [&](QWidget& window) {
    maximized = window.isMaximized();
    input = SoundDevices.InputName;
    output = SoundDevices.OutputDevice;
    SendMainMessage(WM_COMMAND, MENU_MEASUREMENTS, 0);
    if (QDialog* d = measurements()) reopened = d->frameGeometry().topLeft();
  });
  SetSoundSystem(nullptr);
  EXPECT_EQ(input, "Lab interface in");
  EXPECT_EQ(output, "usb-out");
  EXPECT_EQ(reopened, moved);
  EXPECT_TRUE(maximized);
  std::filesystem::remove(file);
}

TEST(RememberedChoices, AGarbageFileIsIgnoredWithANoteAndReplaced) {
  const auto file = SettingsFile();
  {
    std::ofstream out(file, std::ios::binary);
    out << "\x01\xff[MainWindow\ntest_gui=@Rect(1 2\n\xfe=\n[[[\n\"\\" << std::string(3, '\0') << "zz\n";
  }
  ::testing::internal::CaptureStderr();
  QRect started;
  RunWithStore(file, [&](QWidget& window) { started = window.frameGeometry(); });
  const std::string note = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(note.find("settings file"), std::string::npos) << note;
  EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(started));
  // The run's own choices replaced the garbage.
  QtPreferenceStore again(file.string());
  EXPECT_TRUE(again.Read("MainWindow/test_gui").has_value());
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
    double seenRatio = 0;
    QSize logical, image, model;
    std::vector<std::string> mismatches{"not inspected"};
    int lineRows = 0;
    bool backgroundWhite = false, separatorDrawn = false;
    std::string screenshot;
    const int exitCode = RunSteps(
        variant, {[&] {
          QWidget* client = FindInMainWindow<QWidget>("clientArea");
          if (!client || !client->isVisible()) return false;
          seenRatio = client->devicePixelRatioF();
          logical = client->size();
          model = QSize(MainUi.clientWidth, MainUi.clientHeight);
          MirrorModelNow();
          mismatches = ModelMismatches();
          const QImage shown = client->grab().toImage();
          image = shown.size();
          backgroundWhite = QColor(shown.pixel(5, 5)) == QColor(Qt::white);
          // The separator's 1-pixel shadow line: one row of the window's
          // image, not a blurred pair.
          const int y = Window.ClientHeight - Window.ScrollBarHeight - Window.ButtonHeight - 5 + 3;
          for (int row = y - 3; row <= y + 3; ++row) lineRows += shown.pixel(7, row) == shown.pixel(7, y);
          separatorDrawn = QColor(shown.pixel(7, y)) != QColor(Qt::white);
          screenshot = SaveScreenshot(MainWindowWidget(), "gui-variant-" + std::to_string(variant) + ".png");
          return true;
        }});
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(seenRatio, ratio);
    EXPECT_EQ(model, QSize(std::lround(logical.width() * ratio), std::lround(logical.height() * ratio)));
    EXPECT_EQ(image, model);
    EXPECT_EQ(mismatches, std::vector<std::string>{});
    EXPECT_EQ(lineRows, 1);
    EXPECT_TRUE(backgroundWhite && separatorDrawn);
    EXPECT_TRUE(!screenshot.empty() && std::filesystem::exists(screenshot));
    EXPECT_EQ(MainWindowWidget(), nullptr);
    EXPECT_FALSE(MainUi.windowCreated);
  }
  ResetProgramState();
}

// An output device that keeps what it is given, so the test hears a playback start.
class KeptOutput : public SoundOutput {
 public:
  explicit KeptOutput(std::vector<uint8_t>* heard) : heard_(heard) {}
  bool Write(const uint8_t* data, size_t bytes, int) override {
    heard_->insert(heard_->end(), data, data + bytes);
    return true;
  }
  int64_t PositionFrames() override { return 0; }
  void SetVolume(uint16_t, uint16_t) override {}
  void Reset() override { PostMainMessage(MM_WOM_DONE); }
  void Close() override {}

 private:
  std::vector<uint8_t>* heard_;
};

class KeptSound : public SoundSystem {
 public:
  std::unique_ptr<SoundInput> OpenInput(const SoundFormat&, const std::string&) override { return nullptr; }
  std::unique_ptr<SoundOutput> OpenOutput(const SoundFormat&, const std::string&) override {
    return std::make_unique<KeptOutput>(&heard);
  }
  std::vector<uint8_t> heard;
};

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
  std::fstream(eightBit, std::ios::in | std::ios::out | std::ios::binary)
      .seekp(34)
      .put(8);  // bits per sample
  KeptSound sound;
  SetSoundSystem(&sound);
  bool played = false, idleAfterMessage = false;
  std::string message, playTooltip;
  RunSteps(1, {[&] {
                 if (auto* play = FindInMainWindow<QWidget>("button103"))
                   playTooltip = play->toolTip().toStdString();
                 DropFile(MainWindowWidget(), wav);
                 return true;
               },
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
  EXPECT_TRUE(played);
  EXPECT_EQ(message, "16 bit sampling is required");
  EXPECT_TRUE(idleAfterMessage);
  EXPECT_EQ(playTooltip, "Play a recording (P; or drop the file on the window)");
  std::filesystem::remove(wav);
  std::filesystem::remove(eightBit);
}

}  // namespace
