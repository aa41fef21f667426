// The desktop backend's clock, input pump, window placement and presentation.
#include "platform/qt/qt_backend.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>
#include <chrono>
#include <cmath>
#include <thread>

#include "platform/messages.h"
#include "platform/preferences.h"
#include "platform/qt/qt_state.h"

namespace {

double SteadyMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

UiRect DeviceRect(double ratio, const QRect& r) {
  return {ToDevice(ratio, r.x()), ToDevice(ratio, r.y()), ToDevice(ratio, r.width()),
          ToDevice(ratio, r.height())};
}

// Takes the client size the window has now into the model; true when it changed.
bool SyncClientSize(QtBackend::State& s) {
  if (!s.window || !s.client) return false;
  const double r = PixelRatio(s);
  MainUi.windowRect = DeviceRect(r, s.window->frameGeometry());
  const int w = ToDevice(r, s.client->width()), h = ToDevice(r, s.client->height());
  if (w == MainUi.clientWidth && h == MainUi.clientHeight) return false;
  MainUi.clientWidth = w;
  MainUi.clientHeight = h;
  return true;
}

void EnsureWindow(QtBackend::State& s) {
  if (!s.window) CreateMainWindow(s);
}

// Each program file (variant) remembers its own window place.
std::string MainWindowPlaceKey() {
  return "MainWindow/" + QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
}

// Places the window's outer frame at `outer` (logical pixels; before the window manager framed the
// window the frame is unknown and counts as none) and gives the model the client size.
void PlaceMainWindow(QtBackend::State& s, const QRect& outer) {
  TxMainWindow& w = *s.window;
  const QRect frame = w.frameGeometry(), inner = w.geometry();
  const int frameW = frame.width() - inner.width(), frameH = frame.height() - inner.height();
  w.move(outer.topLeft());
  w.resize(std::max(1, outer.width() - frameW), std::max(1, outer.height() - frameH));
  if (QLayout* layout = w.layout()) layout->activate();
  int menuHeight = 0;
  if (w.menuBar() && !w.menuBar()->isHidden()) menuHeight = w.menuBar()->heightForWidth(w.width());
  if (menuHeight <= 0 && w.menuBar()) menuHeight = w.menuBar()->sizeHint().height();
  // The client area is what the layout gave the central widget, once it has run.
  const bool laidOut = s.client->width() == w.width();
  const double r = PixelRatio(s);
  MainUi.windowRect = DeviceRect(r, outer);
  MainUi.clientWidth = ToDevice(r, laidOut ? s.client->width() : w.width());
  MainUi.clientHeight = ToDevice(r, laidOut ? s.client->height() : std::max(0, w.height() - menuHeight));
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
    MainUi.windowRect.x = ToDevice(PixelRatio(s), frame.x());
    MainUi.windowRect.y = ToDevice(PixelRatio(s), frame.y());
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
    if (action.message == WM_DROPFILES) {
      SendMainMessage(WM_DROPFILES, reinterpret_cast<uintptr_t>(&action.path), 0);
    } else if (action.message != WM_SIZE) {
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
  double ratio = 1;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    ratio = screen->devicePixelRatio();
    info.width = ToDevice(ratio, screen->geometry().width());
    info.height = ToDevice(ratio, screen->geometry().height());
    // Logical: the panel font rule then gives the same size in inches, drawn with more pixels.
    info.dpiX = static_cast<int>(std::lround(screen->logicalDotsPerInchX()));
    info.dpiY = static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
    if (screen->refreshRate() > 0) info.refreshHz = screen->refreshRate();
  }
  info.pixelRatio = ratio;
  // The window picture is palette-indexed and presented through the palette.
  info.paletteSize = 256;
  info.systemTextHeight = ToDevice(ratio, QFontMetrics(QApplication::font()).height());
  return info;
}

void QtBackend::MoveMainWindow(int x, int y, int width, int height) {
  State& s = *state_;
  EnsureWindow(s);
  MirrorMainWindow(s, false);  // the menu bar's height counts
  PlaceMainWindow(s, LogicalRect(PixelRatio(s), UiRect{x, y, width, height}));
  MainUi.windowRect = {x, y, width, height};
  // The resize events this causes find the model in step and send no WM_SIZE.
}

void QtBackend::ShowMainWindow() {
  State& s = *state_;
  EnsureWindow(s);
  MirrorMainWindow(s, false);
  TxMainWindow& w = *s.window;
  // Where the user left it last time, when that still fits a screen; the program's WM_SIZE
  // that follows lays it out.
  if (const auto place = ReadWindowPlace(MainWindowPlaceKey()))
    PlaceMainWindow(s, QRect(place->x, place->y, place->width, place->height));
  // A window left maximized comes back maximized (its place above is where it returns to).
  const bool maximized = ReadPreference(MainWindowPlaceKey() + "/maximized") == "1";
  if (maximized)
    w.showMaximized();
  else
    w.show();
  if (QWindow* handle = w.windowHandle(); handle && !s.watchingScreen) {
    // On another screen the device size may change while the logical size stays.
    QObject::connect(handle, &QWindow::screenChanged, &w, [&s] { s.Queue({nullptr, WM_SIZE, 0, 0, 0}); });
    s.watchingScreen = true;
  }
  if (QGuiApplication::platformName() != "offscreen") w.raise();
  w.activateWindow();
  s.client->setFocus(Qt::ActiveWindowFocusReason);
  // Once shown, the frame may be known: keep the outer size the program asked for, and give the
  // model the client size that leaves.
  const QRect frame = w.frameGeometry(), inner = w.geometry();
  const double r = PixelRatio(s);
  const QRect want = LogicalRect(r, MainUi.windowRect);
  if (!maximized && frame.size() != want.size() && want.width() > 0 && want.height() > 0) {
    w.resize(std::max(1, want.width() - (frame.width() - inner.width())),
             std::max(1, want.height() - (frame.height() - inner.height())));
    w.move(want.topLeft());
    if (QLayout* layout = w.layout()) layout->activate();
    MainUi.clientWidth = ToDevice(r, s.client->width());
    MainUi.clientHeight = ToDevice(r, s.client->height());
  }
}

void QtBackend::DestroyMainWindow() {
  State& s = *state_;
  // Called from the program's close handling, never from inside Qt's dispatch: safe to delete.
  // A maximized (or full-screen) window keeps the place it had before, and comes back maximized.
  if (s.window && s.window->isVisible()) {
    const bool maximized = s.window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
    WritePreference(MainWindowPlaceKey() + "/maximized", maximized ? "1" : "0");
    if (!maximized) {
      const QRect frame = s.window->frameGeometry();
      WriteWindowPlace(MainWindowPlaceKey(), {frame.x(), frame.y(), frame.width(), frame.height()});
    }
  }
  s.watchingScreen = false;
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
  const double r = PixelRatio(s);
  if (s.picture.width() != picture.Width() || s.picture.height() != picture.Height() ||
      s.picture.devicePixelRatio() != r) {
    s.picture = QImage(picture.Width(), picture.Height(), QImage::Format_RGB32);
    // One picture pixel per device pixel.
    s.picture.setDevicePixelRatio(r);
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
  const int left = static_cast<int>(std::floor(region.left / r)),
            top = static_cast<int>(std::floor(region.top / r));
  s.client->update(QRect(left, top, static_cast<int>(std::ceil(region.right / r)) - left,
                         static_cast<int>(std::ceil(region.bottom / r)) - top));
}

void QtBackend::Beep() { QApplication::beep(); }

double PixelRatio(const QtBackend::State& s) {
  if (s.window) return s.window->devicePixelRatioF();
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->devicePixelRatio() : 1.0;
}

QRect LogicalRect(double ratio, const UiRect& r) {
  const int left = ToLogical(ratio, r.x), top = ToLogical(ratio, r.y);
  return QRect(left, top, std::max(0, ToLogical(ratio, r.x + r.width) - left),
               std::max(0, ToLogical(ratio, r.y + r.height) - top));
}
