// Requests that block the program until the user answers: message boxes, file dialogs and modal
// dialogs, plus the modeless dialogs and opening the help. While a request blocks, Qt keeps
// running and the sound devices' posted messages keep flowing; the main window waits.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <functional>

#include "platform/messages.h"
#include "platform/preferences.h"
#include "platform/qt/qt_state.h"

namespace {

// Runs Qt until `done` holds, delivering posted messages (and, for a modal dialog, the actions on
// it) from outside Qt's dispatch at least every 20 ms.
void ModalLoop(QtBackend::State& s, const std::function<bool()>& done, DialogModel* dialog) {
  ++s.modalDepth;
  QTimer tick;
  tick.start(20);
  while (!done()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    DeliverPostedMessages();
    if (dialog) {
      // Actions on the modal dialog go to its procedure now; all other input waits.
      while (!dialog->ended) {
        auto it = std::find_if(s.pending.begin(), s.pending.end(),
                               [dialog](const UserAction& a) { return a.dialog == dialog; });
        if (it == s.pending.end()) break;
        const UserAction action = *it;
        s.pending.erase(it);
        DeliverAction(s, action);
      }
    }
    s.backend->MirrorNow();
  }
  --s.modalDepth;
}

// Shows a Qt dialog application-modal and runs our loop until the user closes it.
void RunUntilFinished(QtBackend::State& s, QDialog& dialog) {
  dialog.setWindowModality(Qt::ApplicationModal);
  bool finished = false;
  QObject::connect(&dialog, &QDialog::finished, &dialog, [&finished] { finished = true; });
  dialog.show();
  ModalLoop(
      s, [&finished] { return finished; }, nullptr);
}

QMessageBox::Icon IconOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case MessageIcon::Stop:
      return QMessageBox::Critical;
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// "Bitmap Files (*.bmp)" with {"*.bmp"} becomes Qt's "Bitmap Files (*.bmp)"; patterns may also
// come as one "*.tdx;*.wav" entry.
QString QtFilter(const FileFilter& filter) {
  QString description = QString::fromStdString(filter.description).trimmed();
  if (description.endsWith(')')) {
    const qsizetype open = description.lastIndexOf('(');
    if (open > 0) description = description.left(open).trimmed();
  }
  QStringList patterns;
  for (const auto& p : filter.patterns)
    for (const QString& part : QString::fromStdString(p).split(';', Qt::SkipEmptyParts))
      patterns << part.trimmed();
  if (patterns.isEmpty()) patterns << "*";
  return QString("%1 (%2)").arg(description.isEmpty() ? patterns.join(' ') : description, patterns.join(' '));
}

}  // namespace

void CloseDialogView(QtBackend::State& s, const DialogModel* model) {
  auto& views = s.dialogs;
  views.erase(
      std::remove_if(views.begin(), views.end(), [model](const auto& v) { return v->model == model; }),
      views.end());
  auto& q = s.pending;
  q.erase(std::remove_if(q.begin(), q.end(), [model](const UserAction& a) { return a.dialog == model; }),
          q.end());
}

int QtBackend::ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
  State& s = *state_;
  QMessageBox box(IconOf(icon), QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Ok, s.window.get());
  box.setObjectName("messageBox");
  RunUntilFinished(s, box);
  return IDOK;  // the box has only OK; closing it answers the same
}

int QtBackend::AskOkCancel(const std::string& text, const std::string& caption) {
  State& s = *state_;
  QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Ok | QMessageBox::Cancel, s.window.get());
  box.setObjectName("messageBox");
  box.setDefaultButton(QMessageBox::Cancel);
  RunUntilFinished(s, box);
  return box.clickedButton() == box.button(QMessageBox::Ok) ? IDOK : IDCANCEL;
}

std::optional<std::string> QtBackend::ChooseFile(const FileDialogRequest& request) {
  State& s = *state_;
  // Each dialog (by its title) opens in the folder of its last answer, remembered between runs.
  const std::string folderKey = "Folders/" + request.title;
  QString folder = QDir::currentPath();
  if (const auto remembered = ReadPreference(folderKey);
      remembered && QFileInfo(QString::fromStdString(*remembered)).isDir())
    folder = QString::fromStdString(*remembered);
  QFileDialog dialog(s.window.get(), QString::fromStdString(request.title), folder);
  dialog.setObjectName("fileDialog");
  // Qt's own dialog: it runs inside our loop like every other request.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save || request.createPrompt ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (request.folder) {
    // A folder is chosen (or made with the dialog's New Folder button) rather than typed as a file.
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
  }
  QStringList filters;
  for (const auto& f : request.filters) filters << QtFilter(f);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  QString extension = QString::fromStdString(request.defaultExtension);
  while (extension.startsWith('.')) extension.remove(0, 1);
  if (!extension.isEmpty()) {
    dialog.setDefaultSuffix(extension);
    // The default extension follows the chosen type, so the type decides a name typed without one.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
      const QRegularExpressionMatch m = QRegularExpression(R"(\(\*\.(\w+)\)$)").match(filter);
      if (m.hasMatch()) dialog.setDefaultSuffix(m.captured(1));
    });
  }
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !(request.save && request.confirmOverwrite));
  RunUntilFinished(s, dialog);
  if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  QString path = QDir::toNativeSeparators(dialog.selectedFiles().front());
  // A name typed without an extension gets the default one (Qt's dialog does so too).
  extension = dialog.defaultSuffix();
  if (!extension.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += '.' + extension;
  WritePreference(folderKey, QFileInfo(path).absolutePath().toStdString());
  return path.toStdString();
}

int QtBackend::RunModalDialog(DialogModel& dialog) {
  State& s = *state_;
  dialog.ended = false;
  dialog.result = 0;
  if (dialog.procedure) dialog.procedure(dialog, WM_INITDIALOG, 0, 0);
  if (!dialog.procedure) dialog.End(IDCANCEL);  // nothing could ever end it
  if (!dialog.ended) {
    s.dialogs.push_back(BuildDialogView(s, dialog));
    TxDialog* widget = s.dialogs.back()->widget.get();
    widget->setWindowModality(Qt::ApplicationModal);
    widget->show();
    ModalLoop(
        s, [&dialog] { return dialog.ended; }, &dialog);
    CloseDialogView(s, &dialog);
  }
  MirrorNow();
  return dialog.result;
}

void QtBackend::ShowModelessDialog(DialogModel& dialog) {
  State& s = *state_;
  if (s.FindView(&dialog)) return;
  // The program initialises a modeless dialog itself and keeps MainUi.openDialogs.
  dialog.ended = false;
  s.dialogs.push_back(BuildDialogView(s, dialog));
  TxDialog* widget = s.dialogs.back()->widget.get();
  widget->setModal(false);
  widget->show();
}

void QtBackend::CloseModelessDialog(DialogModel& dialog) { CloseDialogView(*state_, &dialog); }

bool QtBackend::OpenDocument(const std::string& path) {
  const QFileInfo file(QString::fromStdString(path));
  if (!file.isFile()) return false;
  // Qt starts the desktop's opener and reports success even when that finds no browser. The
  // opener says so at once with its exit code; a viewer that comes up keeps it running or lets it
  // return 0. It is left to run on its own past the wait.
  const QString opener = QStandardPaths::findExecutable("xdg-open");
  if (opener.isEmpty()) return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
  auto* process = new QProcess(QCoreApplication::instance());
  QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
  process->start(opener, {file.absoluteFilePath()});
  if (!process->waitForStarted(2000)) {
    process->deleteLater();
    return false;
  }
  if (!process->waitForFinished(2000)) return true;
  return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

std::optional<PrinterPage> QtBackend::ChoosePrinter() {
  State& s = *state_;
  s.printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  s.printer->setCopyCount(1);
  s.printer->setFromTo(1, 1);
  QPrintDialog dialog(s.printer.get(), s.window.get());
  dialog.setObjectName("printDialog");
  RunUntilFinished(s, dialog);
  if (dialog.result() != QDialog::Accepted) {
    s.printer.reset();
    return std::nullopt;
  }
  const QRect page = s.printer->pageLayout().paintRectPixels(s.printer->resolution());
  return PrinterPage{s.printer->logicalDpiX(), s.printer->logicalDpiY(), page.width(), page.height()};
}

bool QtBackend::PrintPage(const canvas::Surface& picture, const canvas::PaletteEntry* palette, UiRect destination,
                          const std::string& documentName) {
  State& s = *state_;
  if (!s.printer || picture.Empty()) return false;
  s.printer->setDocName(QString::fromStdString(documentName));
  QImage image(picture.Width(), picture.Height(), QImage::Format_Indexed8);
  QList<QRgb> table(256);
  for (int i = 0; i < 256; ++i) table[i] = qRgb(palette[i].red, palette[i].green, palette[i].blue);
  image.setColorTable(table);
  for (int y = 0; y < picture.Height(); ++y)
    std::copy_n(picture.Row(y), picture.Width(), image.scanLine(y));
  QPainter painter;
  if (!painter.begin(s.printer.get())) return false;
  // Lossless: a PDF printer would otherwise store the picture as JPEG.
  painter.setRenderHint(QPainter::LosslessImageRendering, true);
  painter.drawImage(QRect(destination.x, destination.y, destination.width, destination.height), image);
  painter.end();
  return true;
}

