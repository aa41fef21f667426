#pragma once
// Inside the desktop backend: the widgets, the queue of translated user actions, and what was last
// mirrored. Only the files of this folder include it.
#include <QAbstractEventDispatcher>
#include <QCheckBox>
#include <QDialog>
#include <QImage>
#include <QMainWindow>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <array>
#include <atomic>
#include <cmath>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas/canvas.h"
#include "platform/qt/qt_backend.h"

class QAction;

// One user action, translated into the message it becomes. `dialog` names the dialog whose
// procedure gets it; nullptr sends it to the main window.
struct UserAction {
  DialogModel* dialog = nullptr;
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  uint32_t modifiers = 0;  // KEYMOD_* held when the action happened
  std::string path;        // WM_DROPFILES: the dropped file
};

class TxMainWindow;
class ClientArea;
class TxDialog;

// A dialog on screen and the widgets of its controls, by control id.
struct DialogView {
  DialogModel* model = nullptr;
  std::unique_ptr<TxDialog> widget;
  std::map<int, QWidget*> controls;  // owned by `widget`
  uint64_t mirroredRevision = ~uint64_t{0};
};

struct QtBackend::State {
  QtBackend* backend = nullptr;
  std::unique_ptr<TxMainWindow> window;
  ClientArea* client = nullptr;  // owned by `window`
  QScrollBar* scrollBar = nullptr;
  std::map<int, QPushButton*> buttons;
  std::map<int, QAction*> menuItems;
  std::string menuSignature;  // the menu structure last built, to rebuild only when it changes
  uint64_t mirroredRevision = ~uint64_t{0};
  bool windowMoved = false;
  bool watchingScreen = false;  // the window's screen changes are connected

  std::vector<std::unique_ptr<DialogView>> dialogs;
  std::deque<UserAction> pending;
  uint64_t focusRequestsMirrored = 0;  // the last focus request of the program carried out
  int modalDepth = 0;  // >0 while a modal request blocks the program: main-window input waits

  // The action being delivered now: its modifier keys answer KeyModifiers().
  bool delivering = false;
  uint32_t deliveringModifiers = 0;

  // The window picture, converted to RGB through the palette last presented.
  QImage picture;
  canvas::RgbLookup lut{};
  bool lutValid = false;

  // The printer chosen in the last print dialog (kept for the page that follows it).
  std::unique_ptr<QPrinter> printer;

  std::atomic<QAbstractEventDispatcher*> dispatcher{nullptr};
  QTimer waitTimer;
  double clockStartMs = 0;

  void Queue(const UserAction& action) { pending.push_back(action); }
  DialogView* FindView(const DialogModel* model);
};

// Widgets (qt_widgets.cpp).
class TxMainWindow : public QMainWindow {
 public:
  explicit TxMainWindow(QtBackend::State* state) : state_(state) {}

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QtBackend::State* state_;
};

// The client area: shows the window picture and turns mouse input and resizes into messages.
class ClientArea : public QWidget {
 public:
  explicit ClientArea(QtBackend::State* state);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QtBackend::State* state_;
};

// A button whose check state only the program sets: a click never toggles it.
template <typename Base>
class ModelCheckedButton : public Base {
 public:
  using Base::Base;

 protected:
  void nextCheckState() override {}
};
using TxPushButton = ModelCheckedButton<QPushButton>;
using TxRadioButton = ModelCheckedButton<QRadioButton>;
using TxCheckBox = ModelCheckedButton<QCheckBox>;

class TxDialog : public QDialog {
 public:
  TxDialog(QtBackend::State* state, DialogModel* model, QWidget* parent);

 protected:
  void reject() override;  // Escape: IDCANCEL, as a dialog gets it; the procedure decides
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  QtBackend::State* state_;
  DialogModel* model_;
};

// High-DPI: the program draws and measures in device pixels (its client size is the device size,
// so the picture is crisp); Qt's widgets, menus and dialogs take logical pixels and scale
// themselves. `ratio` is device pixels per logical pixel.
double PixelRatio(const QtBackend::State& s);
inline int ToDevice(double ratio, double logical) { return static_cast<int>(std::lround(logical * ratio)); }
inline int ToLogical(double ratio, double device) { return static_cast<int>(std::lround(device / ratio)); }
// A rectangle of the program's (device) pixels in logical pixels; its edges are rounded, so
// neighbouring rectangles stay neighbours.
QRect LogicalRect(double ratio, const UiRect& r);

// Mirroring (qt_mirror.cpp).
void CreateMainWindow(QtBackend::State& s);
void MirrorMainWindow(QtBackend::State& s, bool force);
// How much a dialog template grows for `font`: pixel factors across and down, at least 1.
struct DialogScale {
  double x = 1, y = 1;
};
DialogScale DialogScaleOf(const QFont& font);
std::unique_ptr<DialogView> BuildDialogView(QtBackend::State& s, DialogModel& model);
void MirrorDialog(DialogView& view, bool force);

// Delivery (qt_backend.cpp): hands one queued action to the program or a dialog procedure, then
// mirrors the model again, since the action may have left a widget out of step with it.
void DeliverAction(QtBackend::State& s, const UserAction& action);
// Drops a dialog's widgets and its queued actions.
void CloseDialogView(QtBackend::State& s, const DialogModel* model);
uint32_t ModifiersOf(Qt::KeyboardModifiers modifiers);
