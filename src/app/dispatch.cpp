// Command dispatch of the main window and the mode transitions that need no running loop.
#include <algorithm>
#include <cstdio>

#include "app/activities.h"
#include "app/control_states.h"
#include "app/devices_dialog.h"
#include "app/file_paths.h"
#include "app/measurements_window.h"
#include "app/window_state.h"
#include "display/display_state.h"
#include "display/sample_slots.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

bool OptionsOpen() { return Mode.OptionsDialogOpen != 0; }

bool RecordingMayStart() {
  return Mode.CaptureStarted && !Mode.StopRequested && !Mode.Frozen && !Mode.FileSource && !Mode.RecordStopRequested;
}

void PlaySample(int selection) {
  Mode.StopRequested = 1;
  SetCursorShape(CursorShape::Wait);
  if (Mode.CaptureStarted) StopCapture();
  if (selection == 0 && Companions.ComparisonMode == 2) FillFrame();
  Mode.PlayingSignals = 1;
  Mode.PlaySelection = selection;
  ShowPlaySignalsControls();
  SetButtonPressed(selection == 0 ? CMD_RUN : CMD_PLAY_FILE, true);
}

void Freeze() {
  // While recording the Freeze button is disabled; the Space key must not freeze either.
  if (OptionsOpen() || Mode.Recording) return;
  if (Mode.PlayingSignals) {
    ResetPlaybackDevice();
    return;
  }
  if (Mode.StopRequested == 1) {
    // With no loop running, unfreezing restarts the file: it must still open.
    std::FILE* f = FilePaths.OpenFileName.empty() ? nullptr : std::fopen(FilePaths.OpenFileName.c_str(), "rb");
    if (!f) return;
    std::fclose(f);
  }
  Mode.SignalPlaybackDone = 0;
  if (!Mode.Frozen && Mode.StopRequested == 0) {
    Mode.Frozen = 1;
    Mode.FreezePending = 1;
    Display.FullRedraw = 1;
    ShowFrozenControls();
  } else {
    Mode.Frozen = 0;
    Mode.PlaySelection = 0;
    if (Mode.FileSource) {
      ShowFileControls();
      Mode.StopRequested = 1;
      Activity.FileRestartRequested = 1;
      if (Mode.FileResumePending) {
        Samples.SampleStartMs = 0;
        Activity.FileFreezePositionCleared = 1;
        SendMainMessage(WM_COMMAND, CMD_PLAY_FILE, 1);
        return;
      }
    } else {
      ShowLiveControls();
      Activity.AnalysisStartMs = NowMs();
      Mode.SpectrogramColumn = Mode.SpectrogramLag = Mode.EnvelopeColumn = Mode.EnvelopeLag = 0;
      FillFrame();
      FillCanvas();
    }
  }
  SetMainFocus();
}

void Store() {
  if (Mode.PlayingSignals || OptionsOpen()) return;
  // A loop running unfrozen has no held sample to store; with nothing running (the S key) the
  // copy is made from whatever Sample A holds.
  if (!Mode.Frozen && !Mode.StopRequested) return;
  auto& s = Samples;
  s.SpectrumB = s.SpectrumA;
  s.SpectrumStored = s.SpectrumA;
  std::copy_n(s.TraceA1.begin(), kTraceLength / 2, s.TraceB1.begin());
  std::copy_n(s.TraceA2.begin(), kTraceLength / 2, s.TraceB2.begin());
  s.F0B = s.F0A;
  if (s.SampleB.size() != s.SampleA.size()) s.SampleB.resize(s.SampleA.size());
  std::copy(s.SampleA.begin(), s.SampleA.end(), s.SampleB.begin());
  if (Display.CanvasReady && Display.StoreCanvasReady) {
    canvas::DrawContext(&Display.StoreCanvasDC)
        .BitBlt(0, Display.PanelAreaHeight / 2, Display.PanelAreaWidth, Display.PanelAreaHeight / 2, Display.CanvasDC,
                0, 0);
  }
  s.FreezeElapsedB = s.FreezeElapsedA;
  s.CursorXB = s.CursorX;
  s.AudioDelayB = s.AudioDelayA;
  s.AudioDelayMsB = s.AudioDelayMsA;
  s.AudioDelayFramesB = s.AudioDelayFramesA;
  s.HeldBytesB = s.HeldBytesA;
  s.SampleStartMsB = s.SampleStartMs;
  s.StoredSecondsB = AnalysisSettings.StoredSeconds;
  Mode.SampleBStored = 1;
  // Idle stays idle: only a frozen view shows the frozen controls (Play B may come on).
  if (Mode.Frozen) {
    ShowFrozenControls();
    FillFrame();
  }
  SetMainFocus();
}

void Reset() {
  if (Mode.IdleState == 1) {
    SendMainMessage(WM_COMMAND, MENU_EXIT, 0);
    return;
  }
  Mode.StopRequested = 1;
  Mode.Frozen = 0;
  Mode.PlayingSignals = 0;
  Mode.FreezePending = 0;
  Activity.FileFreezeOffsetMs = 0;
  ZeroHistoryBuffers();
  if (Mode.CaptureStarted) {
    SetCursorShape(CursorShape::Wait);
    StopCapture();
  }
  if (Mode.FileSource) {
    Mode.FileResumePending = 1;
    Activity.PlayStartOffset = 0;
  }
  RepaintOptionsDialog();
  ShowIdleControls();
  SetMainFocus();
}

}  // namespace

ActivityRequests Activity;

void OnCommand(int id, intptr_t lParam) {
  const int variant = AnalysisSettings.ProductVariant;
  switch (id) {
    case CMD_ANALYSIS:
      if (variant == 0) SendMainMessage(WM_COMMAND, MENU_ANALYSIS_OPTIONS, 0);
      if (variant == 1)
        SendMainMessage(WM_COMMAND, Mode.AdvancedOptionsActive ? MENU_ADVANCED_OPTIONS : MENU_ANALYSIS_OPTIONS, 0);
      break;
    case CMD_RUN:
      // Run starts from the idle state only; Play A plays a still frozen view. Anything else
      // (a key during a run or a playback) would nest a second activity in the running one.
      if (OptionsOpen()) break;
      if (Mode.Frozen && !Mode.PlayingSignals) {
        PlaySample(0);
      } else if (Mode.IdleState == 1 && !Mode.Frozen && !Mode.PlayingSignals) {
        StartLiveAnalysis(0);
      }
      break;
    case CMD_PLAY_FILE:
      if (Mode.PlayingSignals || OptionsOpen()) break;
      if (lParam != 3 && Mode.Frozen && Mode.SampleBStored) {
        PlaySample(1);
      } else if (lParam != 0 || (Mode.IdleState == 1 && !Mode.Frozen)) {
        // The program's own restarts carry a code; the button, menu and P key start a file only
        // from the idle state, never inside a running loop.
        StartFilePlayback(lParam);
      }
      break;
    case CMD_RECORD:
      if (Mode.PlayingSignals || OptionsOpen()) break;
      // A recording starts only over running, unfrozen live capture; Stop Record always works.
      if (!Mode.RecordArmed && !RecordingMayStart()) break;
      ToggleRecording();
      break;
    case CMD_FREEZE:
      Freeze();
      break;
    case CMD_STORE:
      Store();
      break;
    case CMD_RESET:
      Reset();
      break;
    case MENU_SAVE_BITMAP:
      if (Mode.FrameReady) SaveBitmapCommand();
      break;
    case MENU_PRINT_WINDOW:
      if (Mode.FrameReady) PrintWindowCommand();
      break;
    case MENU_EXIT:
      if (Mode.IdleState == 0) {
        SendMainMessage(WM_COMMAND, CMD_RESET, 0);
      } else {
        SendMainMessage(WM_CLOSE);
      }
      break;
    case MENU_ANALYSIS_OPTIONS:
    case MENU_ADVANCED_OPTIONS:
      OpenOptionsDialog(id);
      SetMainFocus();
      break;
    case MENU_ABOUT:
      ShowAbout();
      break;
    case MENU_VOLUME_CONTROL:
      StartVolumeControl();
      break;
    case MENU_AUDIO_DEVICES:
      RunDevicesDialog();
      SetMainFocus();
      break;
    case MENU_HELP_TOPICS:
      ShowHelp();
      break;
    case MENU_RUN_AUDIO:
      SendMainMessage(WM_COMMAND, CMD_RUN, 0);
      break;
    case MENU_PLAY_FILE:
      SendMainMessage(WM_COMMAND, CMD_PLAY_FILE, 0);
      break;
    case MENU_RECORD:
      SendMainMessage(WM_COMMAND, CMD_RECORD, 0);
      break;
    case MENU_FREEZE:
      SendMainMessage(WM_COMMAND, CMD_FREEZE, 0);
      break;
    case MENU_STORE:
      SendMainMessage(WM_COMMAND, CMD_STORE, 0);
      break;
    case MENU_SAVE_SAMPLE_A:
      SaveSample(0);
      break;
    case MENU_SAVE_SAMPLE_B:
      SaveSample(1);
      break;
    case MENU_MEASUREMENTS:
      OpenMeasurementsWindow();
      break;
    case MENU_EXPORT_MEASUREMENTS:
      ExportMeasurementsCommand();
      break;
    case MENU_SAVE_SAMPLE_BUNDLE:
      SaveSampleBundleCommand();
      break;
    default:
      ForwardMeasurementsCommand(id);
      break;
  }
}
