// Blocking requests on the Qt backend: message boxes and file dialogs keep posted messages
// flowing, a modal dialog built from its model talks to its procedure, a modeless one too; the
// desktop's document opener; the print dialog and the printout (to a PDF file here).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

#include "gui_support.h"
#include "platform/canvas/canvas.h"
#include "platform/messages.h"
#include "platform/qt/qt_backend.h"
#include "platform/ui_model.h"

namespace {

std::vector<uint32_t> MainMessages;
intptr_t RecordingProc(uint32_t message, uintptr_t, intptr_t) {
  MainMessages.push_back(message);
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

class RequestsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MainMessages.clear();
    DialogCalls.clear();
    ShowBareWindow(backend_, RecordingProc);
    backend_.MoveMainWindow(50, 50, 400, 300);
    backend_.ShowMainWindow();
    backend_.ProcessUserInput();
  }
  void TearDown() override { RemoveBareWindow(backend_); }
  // Runs `step` every 10 ms inside the blocking request until it returns true.
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

TEST_F(RequestsTest, MessageBoxShowsTextAndIconWhilePostedMessagesFlow) {
  std::thread poster([] { PostMainMessage(MM_WOM_DONE, 0, 0); });
  poster.join();
  QString text, title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  Script([&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    // Answer only once the posted message has been delivered under the open box.
    if (!box || MainMessages.empty()) return false;
    text = box->text();
    title = box->windowTitle();
    icon = box->icon();
    box->button(QMessageBox::Ok)->click();
    return true;
  });
  EXPECT_EQ(backend_.ShowMessageBox("Cannot open the file", "Taldrinex", MessageIcon::Exclamation), IDOK);
  EXPECT_EQ(MainMessages, std::vector<uint32_t>{MM_WOM_DONE});
  EXPECT_EQ(text, "Cannot open the file");
  EXPECT_EQ(title, "Taldrinex");
  EXPECT_EQ(icon, QMessageBox::Warning);
}

TEST_F(RequestsTest, SaveDialogOffersTheFiltersAndAppendsTheDefaultExtension) {
  FileDialogRequest request{.save = true,
                            .title = "Save Bitmap",
                            .filters = {{"PNG image (*.png)", {"*.png"}},
                                        {"Bitmap (*.bmp)", {"*.bmp"}},
                                        {"Recordings", {"*.tdx;*.wav"}}},
                            .defaultExtension = "png"};
  QStringList filters;
  QString title;
  Script([&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return false;
    filters = dialog->nameFilters();
    title = dialog->windowTitle();
    // The chosen type gives a name typed without an extension its extension.
    auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
    if (!types) return false;
    types->setCurrentIndex(1);
    emit types->activated(1);  // as the user chooses it
    emit types->textActivated(types->currentText());
    dialog->selectFile("gui-test-picture");
    QMetaObject::invokeMethod(dialog, "accept");
    return true;
  });
  const auto chosen = backend_.ChooseFile(request);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(std::filesystem::path(*chosen).filename(), "gui-test-picture.bmp");
  EXPECT_EQ(title, "Save Bitmap");
  EXPECT_EQ(filters, (QStringList{"PNG image (*.png)", "Bitmap (*.bmp)", "Recordings (*.tdx *.wav)"}));

  // Cancel answers nothing.
  Script([] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return false;
    dialog->reject();
    return true;
  });
  EXPECT_FALSE(backend_.ChooseFile(request).has_value());
}

TEST_F(RequestsTest, ModalDialogTalksToItsProcedureAndMirrorsItsModel) {
  DialogModel model = TestDialog(true);
  bool radioFollowed = false, editFollowed = false, scrollFollowed = false;
  int step = 0;
  Script([&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return false;
    auto* two = dialog->findChild<QRadioButton*>("control1002");
    auto* one = dialog->findChild<QRadioButton*>("control1001");
    auto* bar = dialog->findChild<QScrollBar*>("control1005");
    auto* edit = dialog->findChild<QLineEdit*>("control1006");
    if (!two || !one || !bar || !edit) return false;
    switch (step++) {
      case 0:
        QTest::mouseClick(two, Qt::LeftButton, Qt::NoModifier, QPoint(6, 9));
        return false;
      case 1:
        radioFollowed = two->isChecked() && !one->isChecked();
        editFollowed = edit->text() == "two";
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return false;
      case 2:
        scrollFollowed = bar->value() == 11;
        QTest::keyClick(dialog, Qt::Key_Return);  // the default button
        return true;
    }
    return true;
  });
  EXPECT_EQ(backend_.RunModalDialog(model), IDOK);
  ASSERT_FALSE(DialogCalls.empty());
  EXPECT_EQ(DialogCalls.front().first, uint32_t{WM_INITDIALOG});
  EXPECT_TRUE(radioFollowed);
  EXPECT_TRUE(editFollowed);
  EXPECT_TRUE(scrollFollowed);
  EXPECT_EQ(model.Control(1005)->position, 11);
  EXPECT_TRUE(model.Control(1002)->checked);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(RequestsTest, ModelessDialogActionsArriveThroughThePumpAndItsCloseBoxCancels) {
  DialogModel model = TestDialog(false);
  backend_.ShowModelessDialog(model);
  backend_.ProcessUserInput();
  auto* dialog = MainWindowWidget()->findChild<QDialog*>("dialog113");
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->windowTitle(), "Test Options");
  QTest::mouseClick(dialog->findChild<QRadioButton*>("control1002"), Qt::LeftButton, Qt::NoModifier,
                    QPoint(6, 9));
  EXPECT_TRUE(DialogCalls.empty());  // nothing runs inside Qt's dispatch
  backend_.ProcessUserInput();
  ASSERT_EQ(DialogCalls.size(), 1u);
  EXPECT_EQ(DialogCalls[0], (std::pair<uint32_t, uintptr_t>{WM_COMMAND, 1002}));
  EXPECT_TRUE(dialog->findChild<QRadioButton*>("control1002")->isChecked());

  // The close box: WM_CLOSE, which this procedure leaves alone, so it becomes Cancel and ends it.
  dialog->close();
  backend_.ProcessUserInput();
  ASSERT_EQ(DialogCalls.size(), 3u);
  EXPECT_EQ(DialogCalls[1].first, uint32_t{WM_CLOSE});
  EXPECT_EQ(DialogCalls[2], (std::pair<uint32_t, uintptr_t>{WM_COMMAND, IDCANCEL}));
  EXPECT_TRUE(model.ended);
  EXPECT_EQ(MainWindowWidget()->findChild<QDialog*>("dialog113"), nullptr);
  backend_.CloseModelessDialog(model);  // harmless once gone
}

TEST_F(RequestsTest, OpenDocumentRefusesAMissingFileAndSaysWhenNoViewerShowsIt) {
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

TEST_F(RequestsTest, ThePrintDialogGivesThePageAndThePictureLandsInThePrintout) {
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
