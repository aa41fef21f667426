// Printing on the Qt backend: the print dialog answers with the chosen printer's page, and the
// page is painted with the picture through the palette (printed to a PDF file here).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>
#include <unistd.h>

#include <filesystem>

#include "gui_support.h"
#include "platform/canvas/canvas.h"
#include "platform/messages.h"
#include "platform/qt/qt_backend.h"
#include "platform/ui_model.h"

namespace {

intptr_t IgnoreMessages(uint32_t, uintptr_t, intptr_t) { return 0; }

TEST(QtPrinting, ThePrintDialogGivesThePageAndThePictureLandsInThePrintout) {
  ResetUiModel();
  ResetMessageQueue();
  QtBackend backend;
  SetBackend(&backend);
  SetMainWindowProcedure(IgnoreMessages);
  MainUi.caption = "Print";
  MainUi.windowCreated = true;
  UiChanged();
  backend.MoveMainWindow(50, 50, 400, 300);
  backend.ShowMainWindow();
  backend.ProcessUserInput();

  const auto pdf = std::filesystem::temp_directory_path() / ("tx-print-" + std::to_string(::getpid()) + ".pdf");
  std::filesystem::remove(pdf);
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
      // With no system printer the dialog offers printing to a file: the user types its name.
      dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
      for (auto* edit : dialog->findChildren<QLineEdit*>())
        if (edit->objectName() == "filename") edit->setText(QString::fromStdString(pdf.string()));
      dialog->printer()->setOutputFileName(QString::fromStdString(pdf.string()));
      dialog->accept();
      answer.stop();
    }
  });
  answer.start(20);
  const auto page = backend.ChoosePrinter();
  ASSERT_TRUE(page.has_value());
  EXPECT_GT(page->dpiX, 0);
  EXPECT_GT(page->widthPx, 0);
  EXPECT_GT(page->heightPx, 0);

  canvas::Surface picture(200, 100, 5);
  canvas::DrawContext(&picture).FillRect(20, 20, 180, 80, 4);
  std::array<canvas::PaletteEntry, 256> palette{};
  palette[4] = {255, 255, 200};
  EXPECT_TRUE(backend.PrintPage(picture, palette.data(), {page->widthPx / 4, page->heightPx / 4, page->widthPx / 2,
                                                        page->heightPx / 4},
                                "Taldrinex"));
  ASSERT_TRUE(std::filesystem::exists(pdf));
  EXPECT_GT(std::filesystem::file_size(pdf), 1000u);
  std::filesystem::remove(pdf);

  backend.DestroyMainWindow();
  SetMainWindowProcedure(nullptr);
  SetBackend(nullptr);
}

}  // namespace
