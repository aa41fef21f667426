// Event handlers of the desktop widgets: each turns a user action into the message the program
// expects and queues it. Nothing here calls the program: the backend delivers the queue after
// Qt's own dispatch has returned, so Qt never runs nested inside a program command.
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <cmath>

#include "platform/messages.h"
#include "platform/qt/qt_state.h"

uint32_t ModifiersOf(Qt::KeyboardModifiers modifiers) {
  uint32_t m = 0;
  if (modifiers & Qt::ShiftModifier) m |= KEYMOD_SHIFT;
  if (modifiers & Qt::ControlModifier) m |= KEYMOD_CONTROL;
  return m;
}

namespace {

// The program's key code of a Qt key, or 0 for keys the program does not know.
uint32_t KeyCodeOf(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<uint32_t>(key);  // upper-case ASCII
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<uint32_t>(key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F8) return KEY_F1 + static_cast<uint32_t>(key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Escape:
      return KEY_ESCAPE;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return KEY_RETURN;
    case Qt::Key_Space:
      return KEY_SPACE;
    case Qt::Key_Backspace:
      return KEY_BACK;
    case Qt::Key_Left:
      return KEY_LEFT;
    case Qt::Key_Right:
      return KEY_RIGHT;
    case Qt::Key_Up:
      return KEY_UP;
    case Qt::Key_Down:
      return KEY_DOWN;
    default:
      return 0;
  }
}

// The program's mouse positions are device pixels, as its picture is.
intptr_t PointOf(const QtBackend::State& s, const QMouseEvent* event) {
  const double r = PixelRatio(s);
  const QPointF p = event->position();
  return MakePoint(static_cast<int>(std::floor(p.x() * r)), static_cast<int>(std::floor(p.y() * r)));
}

}  // namespace

void TxMainWindow::closeEvent(QCloseEvent* event) {
  // The program decides: a close during an activity only stops it. It calls DestroyMainWindow.
  event->ignore();
  state_->Queue({nullptr, WM_CLOSE, 0, 0, 0});
}

void TxMainWindow::keyPressEvent(QKeyEvent* event) {
  const uint32_t code = KeyCodeOf(event->key());
  if (code == 0) {
    QMainWindow::keyPressEvent(event);
    return;
  }
  state_->Queue({nullptr, WM_KEYDOWN, code, 0, ModifiersOf(event->modifiers())});
  event->accept();
}

namespace {
// The local file of a drag or drop: the first URL, when it names one.
QString DroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().isEmpty() || !data->urls().front().isLocalFile()) return {};
  return data->urls().front().toLocalFile();
}
}  // namespace

void TxMainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TxMainWindow::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  UserAction drop{nullptr, WM_DROPFILES, 0, 0, 0};
  drop.path = path.toStdString();
  state_->Queue(drop);
}

void TxMainWindow::moveEvent(QMoveEvent* event) {
  state_->windowMoved = true;
  QMainWindow::moveEvent(event);
}

ClientArea::ClientArea(QtBackend::State* state) : state_(state) {
  setObjectName("clientArea");
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ClientArea::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  // Outside the last picture the window shows its class background (white).
  painter.fillRect(area, Qt::white);
  // The picture carries the device pixel ratio: it lands one pixel on one device pixel (Qt clips
  // the drawing to the area being painted).
  if (!state_->picture.isNull()) painter.drawImage(QPointF(0, 0), state_->picture);
}

void ClientArea::mouseMoveEvent(QMouseEvent* event) {
  // Coalesce a burst of moves into the newest one, as a window gets them.
  auto& q = state_->pending;
  if (!q.empty() && q.back().dialog == nullptr && q.back().message == WM_MOUSEMOVE) q.pop_back();
  state_->Queue({nullptr, WM_MOUSEMOVE, 0, PointOf(*state_, event), ModifiersOf(event->modifiers())});
}

void ClientArea::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (event->button() == Qt::LeftButton) {
    state_->Queue({nullptr, WM_LBUTTONDOWN, 0, PointOf(*state_, event), ModifiersOf(event->modifiers())});
  } else if (event->button() == Qt::RightButton) {
    state_->Queue({nullptr, WM_RBUTTONDOWN, 0, PointOf(*state_, event), ModifiersOf(event->modifiers())});
  }
}

// The window has no double-click messages: the second click is a plain press.
void ClientArea::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void ClientArea::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    state_->Queue({nullptr, WM_LBUTTONUP, 0, PointOf(*state_, event), ModifiersOf(event->modifiers())});
}

void ClientArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // One WM_SIZE for a burst of resizes: the model takes the size at delivery.
  for (const auto& a : state_->pending)
    if (a.dialog == nullptr && a.message == WM_SIZE) return;
  state_->Queue({nullptr, WM_SIZE, 0, 0, 0});
}

TxDialog::TxDialog(QtBackend::State* state, DialogModel* model, QWidget* parent)
    : QDialog(parent), state_(state), model_(model) {}

void TxDialog::reject() { state_->Queue({model_, WM_COMMAND, IDCANCEL, 0, 0}); }

void TxDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  state_->Queue({model_, WM_CLOSE, 0, 0, 0});
}

void TxDialog::moveEvent(QMoveEvent* event) {
  // The program reads the dialog's place (it reopens the dialog where the user left it).
  if (isVisible()) {
    model_->x = frameGeometry().x();
    model_->y = frameGeometry().y();
  }
  QDialog::moveEvent(event);
}
