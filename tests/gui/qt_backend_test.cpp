// The Qt backend against hand-filled UI models and stand-in window and dialog procedures that
// record what they get: the widgets mirror the model, user actions arrive as the right messages
// and only through the pump, and the blocking requests (boxes, file and print dialogs, modal and
// modeless dialogs, the document opener) keep posted messages flowing.
#include "platform/qt/qt_backend.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "gui_support.h"
#include "platform/canvas/canvas.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/ui_model.h"

namespace {

// The backend against a hand-filled UI model and a fake window procedure that records what it
// gets: the widgets mirror the model, and user actions arrive as the right messages.
struct Received {
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
  uint32_t modifiers;
};

std::vector<Received> Delivered;  // what the fake window procedure got

intptr_t FakeWindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  Delivered.push_back({message, wParam, lParam, CurrentBackend().KeyModifiers()});
  return 0;
}

std::vector<std::pair<uint32_t, uintptr_t>> DialogCalls;
intptr_t TestDialogProc(DialogModel& d, uint32_t message, uintptr_t wParam, intptr_t) {
  DialogCalls.emplace_back(message, wParam);
  if (message == WM_COMMAND && (wParam == 1001 || wParam == 1002)) {
    d.SetChecked(1001, wParam == 1001);
    d.SetChecked(1002, wParam == 1002);
    d.SetText(1006, wParam == 1001 ? "one" : "two");
  } else if (message == WM_HSCROLL && (wParam & 0xFFFF) == SB_LINERIGHT) {
    d.SetScrollPosition(1005, d.Control(1005)->position + 1);
  } else if (message == WM_COMMAND && (wParam == IDOK || wParam == IDCANCEL)) {
    d.End(static_cast<int>(wParam));
  } else if (message != WM_INITDIALOG) {
    return 0;
  }
  return 1;
}

DialogModel TestDialog(bool modal) {
  using K = DialogControlKind;
  DialogModel d{.resourceId = 113, .title = "Test Options", .modal = modal, .width = 260, .height = 140};
  d.procedure = TestDialogProc;
  d.controls = {
      {.id = -1, .kind = K::Group, .text = "Choice", .rect = {5, 5, 120, 60}},
      {.id = 1001, .kind = K::Radio, .text = "&One", .rect = {10, 20, 100, 18}, .checked = true},
      {.id = 1002, .kind = K::Radio, .text = "&Two", .rect = {10, 40, 100, 18}},
      {.id = 1005, .kind = K::ScrollBar, .rect = {130, 20, 120, 16}, .maximum = 100, .position = 10},
      {.id = 1006, .kind = K::Edit, .text = "one", .rect = {130, 40, 120, 20}},
      {.id = IDOK, .kind = K::DefaultButton, .text = "OK", .rect = {130, 100, 60, 24}}};
  return d;
}

class QtBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Delivered.clear();
    DialogCalls.clear();
    // A bare main window with the fake procedure.
    ResetUiModel();
    ResetMessageQueue();
    SetBackend(&backend_);
    SetMainWindowProcedure(FakeWindowProc);
    MainUi.caption = "Bare window";
    MainUi.windowCreated = true;
    MainUi.menu = {{"&Project", {{40011, "&Run Audio", true}, {0, "", true}, {40005, "&Exit", false}}},
                   {"&Help", {{40008, "&About Taldrinex", true}}}};
    MainUi.buttons = {
        {.id = 102, .caption = "&Run", .rect = {0, 380, 100, 20}, .pushLike = true},
        {.id = 105, .caption = "&Freeze", .rect = {100, 380, 100, 20}, .pushLike = true, .pressed = true},
        {.id = 107, .caption = "R&eset - Esc", .rect = {200, 380, 100, 20}, .enabled = false}};
    MainUi.scrollBar = {.rect = {0, 360, 300, 16}, .maximum = 8000, .position = 100};
    UiChanged();
    backend_.MoveMainWindow(100, 80, 320, 440);
    backend_.ShowMainWindow();
    backend_.ProcessUserInput();
    Delivered.clear();
  }
  void TearDown() override {
    backend_.DestroyMainWindow();
    SetMainWindowProcedure(nullptr);
    SetBackend(nullptr);
  }
  std::vector<uint32_t> MessagesOf(uint32_t message) {
    std::vector<uint32_t> w;
    for (const auto& m : Delivered)
      if (m.message == message) w.push_back(static_cast<uint32_t>(m.wParam));
    return w;
  }
  QPushButton* ButtonWidget(int id) { return FindInMainWindow<QPushButton>(QString("button%1").arg(id)); }
  // Runs `step` every 10 ms inside a blocking request until it returns true.
  void Script(std::function<bool()> step) {
    script_ = std::move(step);
    timer_.disconnect();
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (script_ && script_()) timer_.stop();
    });
    timer_.start(10);
  }

  QtBackend backend_;
  QTimer timer_;
  std::function<bool()> script_;
};

TEST_F(QtBackendTest, WidgetsMirrorTheModelAndFollowItsChanges) {
  QWidget* window = MainWindowWidget();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ModelMismatches(), std::vector<std::string>{});
  EXPECT_FALSE(window->windowIcon().isNull());
  // Buttons never take the focus; only push-like ones can look pressed.
  EXPECT_TRUE(ButtonWidget(102)->focusPolicy() == Qt::NoFocus && !ButtonWidget(107)->isCheckable());
  auto* menuBar = FindInMainWindow<QMenuBar>("");
  ASSERT_TRUE(menuBar && menuBar->actions().size() == 2);
  EXPECT_EQ(menuBar->actions()[0]->text(), "&Project");
  EXPECT_TRUE(menuBar->actions()[0]->menu()->actions()[1]->isSeparator());

  // The program changes its model; the next pump shows it.
  SetButtonCaption(102, "Play &A");
  SetButtonPressed(105, false);
  EnableButton(107, true);
  EnableMenuItem(40005, true);
  SetWindowCaption("Changed");
  EXPECT_NE(ModelMismatches(), std::vector<std::string>{});
  backend_.ProcessUserInput();
  EXPECT_EQ(ModelMismatches(), std::vector<std::string>{});
  // The client area is below the menu bar, inside the window's outer size.
  EXPECT_EQ(std::tuple(MainUi.windowRect.width, MainUi.windowRect.height), std::tuple(320, 440));
  EXPECT_LT(MainUi.clientHeight, 440);

  // The close box asks the program, which alone ends the window; a resize sends WM_SIZE.
  window->close();
  window->resize(500, 460);
  backend_.ProcessUserInput();
  EXPECT_EQ(std::make_pair(MessagesOf(WM_CLOSE).size(), MessagesOf(WM_SIZE).size()),
            std::make_pair(1ul, 1ul));
  EXPECT_TRUE(window->isVisible() && MainUi.clientWidth == 500 && ModelMismatches().empty());
}

TEST_F(QtBackendTest, UserActionsArriveOnlyThroughThePumpAsTheirMessages) {
  QTest::mouseClick(ButtonWidget(102), Qt::LeftButton);
  QTest::mouseClick(ButtonWidget(105), Qt::LeftButton);
  QTest::mouseClick(ButtonWidget(107), Qt::LeftButton);  // disabled: sends nothing
  FindInMainWindow<QAction>("menu40011")->trigger();
  QWidget* client = FindInMainWindow<QWidget>("clientArea");
  for (auto [key, modifier] : {std::pair{Qt::Key_R, Qt::NoModifier},
                               {Qt::Key_F2, Qt::ShiftModifier},
                               {Qt::Key_F3, Qt::ControlModifier},
                               {Qt::Key_Escape, Qt::NoModifier},
                               {Qt::Key_Left, Qt::NoModifier},
                               {Qt::Key_Return, Qt::NoModifier}})
    QTest::keyClick(client, key, modifier);
  QTest::mousePress(client, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
  QTest::mouseRelease(client, Qt::LeftButton, Qt::NoModifier, QPoint(35, 41));
  QTest::mouseClick(client, Qt::RightButton, Qt::NoModifier, QPoint(7, 9));
  auto* bar = FindInMainWindow<QScrollBar>("positionScrollBar");
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  // Nothing reaches the program inside Qt's dispatch: only the pump delivers.
  EXPECT_TRUE(Delivered.empty());
  backend_.ProcessUserInput();
  // Commands; keys with their modifiers; clicks with their client coordinates; scroll actions.
  using K = std::tuple<uint32_t, uintptr_t, uint32_t, int, int>;
  std::vector<K> got;
  for (const auto& m : Delivered)
    if (m.message == WM_COMMAND || m.message == WM_KEYDOWN || m.message == WM_HSCROLL)
      got.emplace_back(m.message, m.wParam, m.modifiers, 0, 0);
    else if (m.message == WM_LBUTTONDOWN || m.message == WM_LBUTTONUP || m.message == WM_RBUTTONDOWN)
      got.emplace_back(m.message, 0, m.modifiers, PointX(m.lParam), PointY(m.lParam));
  EXPECT_EQ(
      got, (std::vector<K>{{WM_COMMAND, 102, 0, 0, 0},
                           {WM_COMMAND, 105, 0, 0, 0},
                           {WM_COMMAND, 40011, 0, 0, 0},
                           {WM_KEYDOWN, 'R', 0, 0, 0},
                           {WM_KEYDOWN, KEY_F1 + 1, KEYMOD_SHIFT, 0, 0},
                           {WM_KEYDOWN, KEY_F1 + 2, KEYMOD_CONTROL, 0, 0},
                           {WM_KEYDOWN, KEY_ESCAPE, 0, 0, 0},
                           {WM_KEYDOWN, KEY_LEFT, 0, 0, 0},
                           {WM_KEYDOWN, KEY_RETURN, 0, 0, 0},
                           {WM_LBUTTONDOWN, 0, 0, 30, 40},
                           {WM_LBUTTONUP, 0, 0, 35, 41},
                           {WM_RBUTTONDOWN, 0, 0, 7, 9},
                           {WM_HSCROLL, SB_LINERIGHT | (101u << 16), 0, 0, 0},
                           {WM_HSCROLL, SB_PAGELEFT | (91u << 16), 0, 0, 0}}));  // a page of 10 back from 101
  // A click never toggles the pressed look, and the program did not move the thumb: the model rules.
  EXPECT_TRUE(ButtonWidget(105)->isChecked() && !ButtonWidget(102)->isChecked());
  EXPECT_EQ(bar->value(), 100);
  MainUi.scrollBar.position = 4000;
  UiChanged();
  backend_.ProcessUserInput();
  EXPECT_EQ(bar->value(), 4000);
}

TEST_F(QtBackendTest, PostedMessageFromAnotherThreadEndsTheWait) {
  std::thread poster([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    PostMainMessage(MM_WIM_DATA, 1, 0);
  });
  const double start = NowMs();
  backend_.WaitForInput(10000);
  const double waited = NowMs() - start;
  poster.join();
  EXPECT_LT(waited, 5000.0);  // woken, not timed out
  PumpMessages();
  EXPECT_EQ(MessagesOf(MM_WIM_DATA), std::vector<uint32_t>{1u});
}

TEST_F(QtBackendTest, PictureIsShownThroughThePalette) {
  canvas::Surface picture(MainUi.clientWidth, MainUi.clientHeight, 5);
  canvas::DrawContext(&picture).FillRect(10, 10, 60, 30, 7);
  std::vector<canvas::PaletteEntry> palette(256, canvas::PaletteEntry{255, 255, 255});
  palette[5] = {0, 0, 0};
  palette[7] = {255, 0, 0};
  backend_.PresentWindow(picture, palette.data(), {0, 0, picture.Width(), picture.Height()});
  backend_.ProcessUserInput();
  QWidget* client = FindInMainWindow<QWidget>("clientArea");
  const QImage shown = client->grab().toImage();
  EXPECT_EQ(QColor(shown.pixel(20, 20)), QColor(255, 0, 0));
  EXPECT_EQ(QColor(shown.pixel(5, 5)), QColor(0, 0, 0));
  // A palette switch recolours without a new picture.
  palette[7] = {0, 0, 255};
  backend_.PresentWindow(picture, palette.data(), {0, 0, 0, 0});
  EXPECT_EQ(QColor(client->grab().toImage().pixel(20, 20)), QColor(0, 0, 255));
}

// Blocking requests on the Qt backend: message boxes and file dialogs keep posted messages
// flowing, a modal dialog built from its model talks to its procedure, a modeless one too; the
// desktop's document opener; the print dialog and the printout (to a PDF file here).

TEST_F(QtBackendTest, MessageBoxShowsTextAndIconWhilePostedMessagesFlow) {
  std::thread([] { PostMainMessage(MM_WOM_DONE, 0, 0); }).join();
  Script([&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    // Answer only once the posted message has been delivered under the open box.
    if (!box || Delivered.empty()) return false;
    EXPECT_EQ(std::tuple(box->text(), box->windowTitle(), box->icon()),
              std::tuple("Cannot open the file", "Taldrinex", QMessageBox::Warning));
    box->button(QMessageBox::Ok)->click();
    return true;
  });
  EXPECT_EQ(backend_.ShowMessageBox("Cannot open the file", "Taldrinex", MessageIcon::Exclamation), IDOK);
  EXPECT_EQ(std::pair(Delivered.size(), MessagesOf(MM_WOM_DONE)),
            std::pair(1ul, std::vector<uint32_t>{0}));
}

TEST_F(QtBackendTest, SaveDialogOffersTheFiltersAndAppendsTheDefaultExtension) {
  FileDialogRequest request{.save = true,
                            .title = "Save Bitmap",
                            .filters = {{"PNG image (*.png)", {"*.png"}},
                                        {"Bitmap (*.bmp)", {"*.bmp"}},
                                        {"Recordings", {"*.tdx;*.wav"}}},
                            .defaultExtension = "png"};
  Script([&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return false;
    EXPECT_EQ(dialog->nameFilters(),
              (QStringList{"PNG image (*.png)", "Bitmap (*.bmp)", "Recordings (*.tdx *.wav)"}));
    EXPECT_EQ(dialog->windowTitle(), "Save Bitmap");
    // The chosen type gives a name typed without an extension its extension.
    auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    if (!types || !name) return false;
    types->setCurrentIndex(1);
    emit types->activated(1);  // as the user chooses it
    emit types->textActivated(types->currentText());
    // Typed into the name field (selectFile leaves a focused field as it is).
    name->setText("gui-test-picture");
    QMetaObject::invokeMethod(dialog, "accept");
    return true;
  });
  const auto chosen = backend_.ChooseFile(request);  // a name only if the step above ran
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(std::filesystem::path(*chosen).filename(), "gui-test-picture.bmp");

  // Cancel answers nothing.
  Script([] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return false;
    dialog->reject();
    return true;
  });
  EXPECT_FALSE(backend_.ChooseFile(request).has_value());
}

TEST_F(QtBackendTest, ModalDialogTalksToItsProcedureAndMirrorsItsModel) {
  DialogModel model = TestDialog(true);
  int step = 0;
  // One action per tick, so that the procedure has answered the one before; OK comes only from the last.
  Script([&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return false;
    auto* two = dialog->findChild<QRadioButton*>("control1002");
    auto* bar = dialog->findChild<QScrollBar*>("control1005");
    if (step == 0) QTest::mouseClick(two, Qt::LeftButton, Qt::NoModifier, QPoint(6, 9));
    if (step == 1) {
      EXPECT_TRUE(two->isChecked() && !dialog->findChild<QRadioButton*>("control1001")->isChecked() &&
                  dialog->findChild<QLineEdit*>("control1006")->text() == "two");
      bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
    EXPECT_TRUE(step != 2 || bar->value() == 11);
    if (step++ == 2) QTest::keyClick(dialog, Qt::Key_Return);  // the default button
    return step == 3;
  });
  EXPECT_EQ(backend_.RunModalDialog(model), IDOK);
  ASSERT_FALSE(DialogCalls.empty());
  EXPECT_EQ(DialogCalls.front().first, uint32_t{WM_INITDIALOG});
  EXPECT_TRUE(model.Control(1005)->position == 11 && model.Control(1002)->checked);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(QtBackendTest, ModelessDialogActionsArriveThroughThePumpAndItsCloseBoxCancels) {
  DialogModel model = TestDialog(false);
  backend_.ShowModelessDialog(model);
  backend_.ProcessUserInput();
  auto* dialog = MainWindowWidget()->findChild<QDialog*>("dialog113");
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible() && dialog->windowTitle() == "Test Options");
  auto* two = dialog->findChild<QRadioButton*>("control1002");
  QTest::mouseClick(two, Qt::LeftButton, Qt::NoModifier, QPoint(6, 9));
  EXPECT_TRUE(DialogCalls.empty());  // nothing runs inside Qt's dispatch
  backend_.ProcessUserInput();
  EXPECT_TRUE(two->isChecked());
  // The close box: WM_CLOSE, which this procedure leaves alone, so it becomes Cancel and ends it.
  dialog->close();
  backend_.ProcessUserInput();
  EXPECT_EQ(DialogCalls, (std::vector<std::pair<uint32_t, uintptr_t>>{
                             {WM_COMMAND, 1002}, {WM_CLOSE, 0}, {WM_COMMAND, IDCANCEL}}));
  EXPECT_TRUE(model.ended);
  EXPECT_EQ(MainWindowWidget()->findChild<QDialog*>("dialog113"), nullptr);
  backend_.CloseModelessDialog(model);  // harmless once gone
}

TEST_F(QtBackendTest, OpenDocumentRefusesAMissingFileAndSaysWhenNoViewerShowsIt) {
  EXPECT_FALSE(backend_.OpenDocument("/nonexistent/help/index.html"));
  // A stand-in opener first on PATH: it fails as the desktop's does with no browser installed,
  // then succeeds.
  const auto dir = std::filesystem::temp_directory_path() / ("tx-opener-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto page = dir / "help.html";
  std::ofstream(page) << "<html></html>";
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (dir.string() + ":" + oldPath).c_str(), 1);
  for (int code : {3, 0}) {
    std::ofstream(dir / "xdg-open") << "#!/bin/sh\nexit " << code << "\n";
    std::filesystem::permissions(dir / "xdg-open", std::filesystem::perms::owner_all);
    EXPECT_EQ(backend_.OpenDocument(page.string()), code == 0) << code;
  }
  setenv("PATH", oldPath.c_str(), 1);
  std::filesystem::remove_all(dir);
}

TEST_F(QtBackendTest, ThePrintDialogGivesThePageAndThePictureLandsInThePrintout) {
  const auto pdf =
      std::filesystem::temp_directory_path() / ("tx-print-" + std::to_string(::getpid()) + ".pdf");
  std::filesystem::remove(pdf);
  Script([&] {
    auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    if (!dialog) return false;
    // With no system printer the dialog offers printing to a file: the user types its name.
    dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
    for (auto* edit : dialog->findChildren<QLineEdit*>())
      if (edit->objectName() == "filename") edit->setText(QString::fromStdString(pdf.string()));
    dialog->printer()->setOutputFileName(QString::fromStdString(pdf.string()));
    dialog->accept();
    return true;
  });
  const auto page = backend_.ChoosePrinter();
  ASSERT_TRUE(page.has_value());
  EXPECT_GT(std::min({page->dpiX, page->widthPx, page->heightPx}), 0);
  canvas::Surface picture(200, 100, 5);
  canvas::DrawContext(&picture).FillRect(20, 20, 180, 80, 4);
  std::array<canvas::PaletteEntry, 256> palette{};
  palette[4] = {255, 255, 200};
  const UiRect place{page->widthPx / 4, page->heightPx / 4, page->widthPx / 2, page->heightPx / 4};
  EXPECT_TRUE(backend_.PrintPage(picture, palette.data(), place, "Taldrinex"));
  ASSERT_TRUE(std::filesystem::exists(pdf));
  EXPECT_GT(std::filesystem::file_size(pdf), 1000u);
  std::filesystem::remove(pdf);
}

}  // namespace
