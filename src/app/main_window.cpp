// The main window: creation of every long-lived object, the idle-state teardown, and the entry
// that runs the program.
#include <cmath>
#include <cstring>
#include <filesystem>

#include "app/control_states.h"
#include "app/file_paths.h"
#include "app/measurements_window.h"
#include "app/program.h"
#include "app/activities.h"
#include "app/window_state.h"
#include "audio/sound_devices.h"
#include "display/display_state.h"
#include "display/palette.h"
#include "display/sample_slots.h"
#include "platform/backend.h"
#include "platform/messages.h"
#include "platform/ui_model.h"
#include "resources/resources.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

WindowState Window;

namespace {

constexpr int kLargeScreenWidth = 801;  // screens at least this wide get the large window

struct ButtonSpec {
  int id;
  const char* caption;
  bool pushLike;
  const char* tooltip;  // the keys that do the same
};

void CreateButtons(int variant) {
  MainUi.buttons.clear();
  const ButtonSpec all[] = {
      {CMD_ANALYSIS, "A&nalysis", true, "Analysis options (N)"},
      {CMD_RECORD, "&Record", true, "Record to a file while running (R)"},
      {CMD_RUN, "&Run", true, "Run live analysis (R)"},
      {CMD_PLAY_FILE, "&Play File", true, "Play a recording (P; or drop the file on the window)"},
      {CMD_FREEZE, "&Freeze", true, "Freeze or go on (F or Space)"},
      {CMD_STORE, "&Store", false, "Store the frozen spectrum (S)"},
      {CMD_RESET, "R&eset - Esc", false, "Reset (Esc or E)"}};
  for (const auto& button : all) {
    if (variant == 2 && (button.id == CMD_ANALYSIS || button.id == CMD_STORE)) continue;
    ButtonModel b;
    b.id = button.id;
    const bool stop = variant == 2 && button.id == CMD_RESET;
    b.caption = stop ? "Stop - Esc" : button.caption;
    b.tooltip = stop ? "Stop (Esc)" : button.tooltip;
    b.pushLike = button.pushLike;
    MainUi.buttons.push_back(b);
  }
  UiChanged();
}

void CentreWindow(int width, int height) {
  int left = (Window.ScreenWidth - width) / 2;
  int top = (Window.ScreenHeight - height) / 2;
  CurrentBackend().MoveMainWindow(left, top, width, height);
  Window.WindowWidth = MainUi.windowRect.width;
  Window.WindowHeight = MainUi.windowRect.height;
  Window.ClientWidth = MainUi.clientWidth;
  Window.ClientHeight = MainUi.clientHeight;
}

}  // namespace

void OnCreate() {
  const int variant = AnalysisSettings.ProductVariant;
  Companions.VariantTitle = VariantTitleText(variant);
  Window.WaveHeaderSize = 46;
  InitFileDialogParams();

  const ScreenInfo screen = CurrentBackend().Screen();
  Window.NoPaletteDevice = screen.paletteSize < 1 ? 1 : 0;
  Window.DpiY = screen.dpiY > 0 ? screen.dpiY : 96;
  Window.SystemTextHeight = screen.systemTextHeight;
  Display.TextHeight = screen.systemTextHeight;
  Display.CharWidth = screen.systemTextHeight * 2 / 5;

  Window.ScreenWidth = screen.width;
  Window.ScreenHeight = screen.height;
  // Sizes in device pixels: on a scaled screen the window keeps its size on the desk and gets
  // more pixels.
  const double ratio = screen.pixelRatio > 0 ? screen.pixelRatio : 1.0;
  const bool small = Window.ScreenWidth / ratio < kLargeScreenWidth;
  CentreWindow(static_cast<int>(std::lround((small ? 736 : 796) * ratio)),
               static_cast<int>(std::lround((small ? 552 : 596) * ratio)));
  SetWindowCaption(VariantWindowCaption(variant));

  const int divisions = variant == 2 ? 5 : 7;
  Window.ButtonWidth = Window.ClientWidth / divisions;
  Window.ButtonMargin = (Window.ClientWidth % divisions) / 2;
  Window.ButtonHeight = Window.SystemTextHeight + 4;
  Window.ScrollBarHeight = Window.SystemTextHeight;
  CentreWindow(Window.WindowWidth, Window.WindowHeight);
  CreateButtons(variant);

  ApplyVariantStartValues(variant);
  if (variant == 0) Mode.AdvancedOptionsActive = 1;
  if (variant == 1) Mode.AdvancedOptionsActive = 0;

  MainUi.scrollBar = ScrollBarModel{};
  MainUi.scrollBar.rect = {0, Window.ClientHeight - Window.ButtonHeight - Window.ScrollBarHeight - 1,
                           Window.ClientWidth, Window.ScrollBarHeight};
  UiChanged();

  BuildPalette();

  Samples.SpectrumA.fill(0);
  Samples.SpectrumB.fill(0);
  for (auto* t : {&Samples.TraceA1, &Samples.TraceA2, &Samples.TraceB1, &Samples.TraceB2})
    std::fill(t->begin(), t->begin() + kTraceLength / 2, 0);

  AllocateHistoryBuffers(AnalysisSettings.SpectrumPoints);
  AllocateSamples(AnalysisSettings.SampleRate, AnalysisSettings.StoredSeconds, AnalysisSettings.Channels);

  Display.ScreenWidth = Window.ScreenWidth;
  Display.ScreenHeight = Window.ScreenHeight;
  Display.CanvasDC = canvas::Surface(Display.ScreenWidth, Display.ScreenHeight, 5);
  Display.CanvasReady = 1;
  Display.StoreCanvasDC = canvas::Surface(Display.ScreenWidth, Display.ScreenHeight, 5);
  Display.StoreCanvasReady = 1;

  DeriveModesFromSettings();
  Window.WindowExists = true;
}

void OnClose() {
  if (Mode.ActivityActive == 1) {
    // A close while an activity runs only stops it; each test sees the flags the previous
    // command left.
    if (!Mode.Frozen && !Mode.Recording) SendMainMessage(WM_COMMAND, CMD_FREEZE, 0);
    if (!Mode.Frozen && Mode.Recording) SendMainMessage(WM_COMMAND, CMD_RECORD, 0);
    if (Mode.Frozen && Mode.PlayingSignals) SendMainMessage(WM_COMMAND, CMD_FREEZE, 0);
    if (Mode.Frozen && !Mode.PlayingSignals) SendMainMessage(WM_COMMAND, CMD_RESET, 0);
    return;
  }
  Mode.StopRequested = 1;
  ReleaseActivityResources();
  DeleteFrame();
  FreeSamples();
  if (Display.CanvasReady) {
    Display.CanvasDC = canvas::Surface();
    Display.CanvasReady = 0;
  }
  if (Display.StoreCanvasReady) {
    Display.StoreCanvasDC = canvas::Surface();
    Display.StoreCanvasReady = 0;
  }
  if (Samples.HistoryBuffersAllocated) FreeHistoryBuffers();
  Display.PanelFont.reset();
  if (Mode.OpenBlockCount != 0) CurrentBackend().Beep();
  Window.WindowExists = false;
  CloseMeasurementsWindow();  // keeps its place for the next run
  CurrentBackend().DestroyMainWindow();
  MainUi.windowCreated = false;
  UiChanged();
  SendMainMessage(WM_DESTROY);
}

intptr_t MainWindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_SIZE:
      OnSize();
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_COMMAND:
      OnCommand(static_cast<int>(wParam & 0xFFFF), lParam);
      RefreshMeasurementsWindow();
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(static_cast<uint32_t>(wParam));
      RefreshMeasurementsWindow();
      return 0;
    case WM_DROPFILES:
      if (wParam) PlayDroppedFile(*reinterpret_cast<const std::string*>(wParam));
      return 0;
    default: {
      const intptr_t result = DispatchActivityMessage(message, wParam, lParam);
      // Scrolling and clicks move the view that "View only" measures.
      if (message == WM_HSCROLL || message == WM_LBUTTONDOWN || message == WM_LBUTTONUP)
        RefreshMeasurementsWindow();
      return result;
    }
  }
}

void CreateMainWindow(int variant) {
  AnalysisSettings.ProductVariant = variant < 0 || variant > 2 ? 1 : variant;
  ResetMessageQueue();
  SetMainWindowProcedure(MainWindowProc);
  MainUi.className = "Taldrinex";
  MainUi.caption = "Taldrinex";
  MainUi.menu = VariantMenu(AnalysisSettings.ProductVariant);
  MainUi.windowCreated = true;
  UiChanged();
  CurrentBackend().MoveMainWindow(0, 0, 796, 596);
  SendMainMessage(WM_CREATE);
  CurrentBackend().ShowMainWindow();
  MainUi.windowVisible = true;
  SendMainMessage(WM_SIZE);
  ShowIdleControls();
}

int RunTaldrinex(int variant, const std::string& commandLine) {
  SoundDevices = RememberedSoundDevices();
  CreateMainWindow(variant);
  if (!commandLine.empty()) {
    // The file's folder becomes the current directory before the file is opened, so a relative
    // path is made absolute first (in its quotes, when it came in quotes).
    std::string path = commandLine;
    const bool quoted = path.size() >= 2 && path.front() == '"' && path.back() == '"';
    if (quoted) path = path.substr(1, path.size() - 2);
    std::error_code ec;
    if (!path.empty() && path.front() != '/') {
      const auto absolute = std::filesystem::absolute(path, ec);
      if (!ec) path = absolute.string();
    }
    OpenCommandLineFile(quoted ? '"' + path + '"' : path);
  }
  return RunMessageLoop();
}
