// The desktop backend's clock, input pump, window placement and presentation.
#include "platform/qt/qt_backend.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <chrono>
#include <cmath>
#include <thread>

#include "platform/messages.h"
#include "platform/qt/qt_state.h"

namespace {

double SteadyMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// Takes the client size the window has now into the model; true when it changed.
bool SyncClientSize(QtBackend::State& s) {
  if (!s.window || !s.client) return false;
  const QRect frame = s.window->frameGeometry();
  MainUi.windowRect = {frame.x(), frame.y(), frame.width(), frame.height()};
  const int w = s.client->width(), h = s.client->height();
  if (w == MainUi.clientWidth && h == MainUi.clientHeight) return false;
  MainUi.clientWidth = w;
  MainUi.clientHeight = h;
  return true;
}

void EnsureWindow(QtBackend::State& s) {
  if (!s.window) CreateMainWindow(s);
}

}  // namespace

struct QtApplication::Parts {
  std::unique_ptr<QApplication> app;
};

QtApplication::QtApplication(int& argc, char** argv) : parts_(std::make_unique<Parts>()) {
  QApplication::setApplicationName("Taldrinex");
  QGuiApplication::setDesktopFileName("taldrinex");
  parts_->app = std::make_unique<QApplication>(argc, argv);
}

QtApplication::~QtApplication() = default;

QtBackend::QtBackend() : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.backend = this;
  s.clockStartMs = SteadyMs();
  s.dispatcher = QCoreApplication::eventDispatcher();
  s.waitTimer.setSingleShot(true);
  // The activity loops wait with it for their next step: a coarse timer would be late by 5 %.
  s.waitTimer.setTimerType(Qt::PreciseTimer);
}

QtBackend::~QtBackend() {
  state_->dispatcher = nullptr;
  state_->dialogs.clear();
  state_->window.reset();
}

double QtBackend::NowMs() { return SteadyMs() - state_->clockStartMs; }

void QtBackend::SleepMs(double ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
}

void QtBackend::MirrorNow() {
  State& s = *state_;
  MirrorMainWindow(s, false);
  for (auto& view : s.dialogs) MirrorDialog(*view, false);
}

void QtBackend::ProcessUserInput() {
  State& s = *state_;
  // Qt dispatches first and only queues; the program runs after Qt's dispatch has returned.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (s.windowMoved && s.window) {
    const QRect frame = s.window->frameGeometry();
    MainUi.windowRect.x = frame.x();
    MainUi.windowRect.y = frame.y();
    s.windowMoved = false;
  }
  MirrorNow();
  // While a modal request blocks the program, input for the main window waits for its end.
  if (s.modalDepth > 0) return;
  while (!s.pending.empty()) {
    const UserAction action = s.pending.front();
    s.pending.pop_front();
    DeliverAction(s, action);
  }
}

void DeliverAction(QtBackend::State& s, const UserAction& action) {
  const bool wasDelivering = s.delivering;
  const uint32_t wasModifiers = s.deliveringModifiers;
  s.delivering = true;
  s.deliveringModifiers = action.modifiers;
  if (action.dialog == nullptr) {
    if (action.message != WM_SIZE) {
      SendMainMessage(action.message, action.wParam, action.lParam);
    } else if (SyncClientSize(s)) {
      SendMainMessage(WM_SIZE, 0, MakePoint(MainUi.clientWidth, MainUi.clientHeight));
    }
  } else if (DialogModel* dialog = action.dialog; s.FindView(dialog) && dialog->procedure) {
    NoteUserAction();
    const intptr_t handled = dialog->procedure(*dialog, action.message, action.wParam, action.lParam);
    // A close box the procedure does not handle cancels, as a dialog's default handling does.
    if (action.message == WM_CLOSE && !handled && !dialog->ended && s.FindView(dialog))
      dialog->procedure(*dialog, WM_COMMAND, IDCANCEL, 0);
    if (dialog->ended && !dialog->modal) CloseDialogView(s, dialog);
  }
  s.delivering = wasDelivering;
  s.deliveringModifiers = wasModifiers;
  MirrorMainWindow(s, true);
  for (auto& view : s.dialogs) MirrorDialog(*view, true);
}

void QtBackend::WakeFromAnyThread() {
  if (QAbstractEventDispatcher* d = state_->dispatcher.load()) d->wakeUp();
}

void QtBackend::WaitForInput(double maxMs) {
  State& s = *state_;
  MirrorNow();
  if (!s.pending.empty()) return;
  s.waitTimer.start(static_cast<int>(std::ceil(std::max(0.0, maxMs))));
  // Returns after Qt handled something: input, the timer, or a wake from a device thread.
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  s.waitTimer.stop();
  MirrorNow();
}

uint32_t QtBackend::KeyModifiers() {
  const State& s = *state_;
  // Like the key state of a message: what was held when the action being handled happened.
  if (s.delivering) return s.deliveringModifiers;
  return ModifiersOf(QGuiApplication::keyboardModifiers());
}

ScreenInfo QtBackend::Screen() {
  ScreenInfo info;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    info.width = screen->geometry().width();
    info.height = screen->geometry().height();
    info.dpiX = static_cast<int>(std::lround(screen->logicalDotsPerInchX()));
    info.dpiY = static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
    if (screen->refreshRate() > 0) info.refreshHz = screen->refreshRate();
  }
  // The window picture is palette-indexed and presented through the palette.
  info.paletteSize = 256;
  info.systemTextHeight = QFontMetrics(QApplication::font()).height();
  return info;
}

void QtBackend::MoveMainWindow(int x, int y, int width, int height) {
  State& s = *state_;
  EnsureWindow(s);
  MirrorMainWindow(s, false);  // the menu bar's height counts
  TxMainWindow& w = *s.window;
  // The outer size includes the frame; before the window manager framed the window the frame
  // is unknown and counts as none.
  const QRect frame = w.frameGeometry(), inner = w.geometry();
  const int frameW = frame.width() - inner.width(), frameH = frame.height() - inner.height();
  w.move(x, y);
  w.resize(std::max(1, width - frameW), std::max(1, height - frameH));
  if (QLayout* layout = w.layout()) layout->activate();
  MainUi.windowRect = {x, y, width, height};
  int menuHeight = 0;
  if (w.menuBar() && !w.menuBar()->isHidden()) menuHeight = w.menuBar()->heightForWidth(w.width());
  if (menuHeight <= 0 && w.menuBar()) menuHeight = w.menuBar()->sizeHint().height();
  // The client area is what the layout gave the central widget, once it has run.
  const bool laidOut = s.client->width() == w.width();
  MainUi.clientWidth = laidOut ? s.client->width() : w.width();
  MainUi.clientHeight = laidOut ? s.client->height() : std::max(0, w.height() - menuHeight);
  // The resize events this causes find the model in step and send no WM_SIZE.
}

void QtBackend::ShowMainWindow() {
  State& s = *state_;
  EnsureWindow(s);
  MirrorMainWindow(s, false);
  TxMainWindow& w = *s.window;
  w.show();
  if (QGuiApplication::platformName() != "offscreen") w.raise();
  w.activateWindow();
  s.client->setFocus(Qt::ActiveWindowFocusReason);
  // Once shown, the frame may be known: keep the outer size the program asked for, and give the
  // model the client size that leaves.
  const QRect frame = w.frameGeometry(), inner = w.geometry();
  const UiRect want = MainUi.windowRect;
  if (frame.size() != QSize(want.width, want.height) && want.width > 0 && want.height > 0) {
    w.resize(std::max(1, want.width - (frame.width() - inner.width())),
             std::max(1, want.height - (frame.height() - inner.height())));
    w.move(want.x, want.y);
    if (QLayout* layout = w.layout()) layout->activate();
    MainUi.clientWidth = s.client->width();
    MainUi.clientHeight = s.client->height();
  }
}

void QtBackend::DestroyMainWindow() {
  State& s = *state_;
  // Called from the program's close handling, never from inside Qt's dispatch: safe to delete.
  s.dialogs.clear();
  s.window.reset();
  s.client = nullptr;
  s.scrollBar = nullptr;
  s.buttons.clear();
  s.menuItems.clear();
  s.menuSignature.clear();
  s.picture = QImage();
  s.lutValid = false;
  s.pending.clear();
}

void QtBackend::PresentWindow(const canvas::Surface& picture, const canvas::PaletteEntry* palette,
                              UiRect changed) {
  State& s = *state_;
  if (!s.window || picture.Empty()) return;
  bool whole = false;
  if (s.picture.width() != picture.Width() || s.picture.height() != picture.Height()) {
    s.picture = QImage(picture.Width(), picture.Height(), QImage::Format_RGB32);
    whole = true;
  }
  canvas::RgbLookup lut{};
  if (palette) lut = canvas::MakeRgbLookup(palette, 256);
  // A palette switch recolours the whole picture without a redraw.
  if (!s.lutValid || lut != s.lut) {
    s.lut = lut;
    s.lutValid = true;
    whole = true;
  }
  canvas::Rect region{changed.x, changed.y, changed.x + changed.width, changed.y + changed.height};
  if (whole) region = {0, 0, picture.Width(), picture.Height()};
  auto* frame = reinterpret_cast<uint32_t*>(s.picture.bits());
  canvas::SurfaceToRgb(picture, s.lut, region, frame, static_cast<size_t>(s.picture.bytesPerLine()) / 4);
  s.client->update(QRect(region.left, region.top, region.right - region.left, region.bottom - region.top));
}

void QtBackend::Beep() { QApplication::beep(); }
