// Entry points of the activities. The capture, playback and recording loops are built on the
// audio engine; until a loop is present its command leaves the program in the state it was in.
#include "app/activities.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/control_states.h"
#include "app/file_paths.h"
#include "app/measurements_window.h"
#include "app/options_dialog.h"
#include "app/small_dialogs.h"
#include "app/window_state.h"
#include "analysis/fft_tables.h"
#include "audio/capture_device.h"
#include "audio/capture_recording.h"
#include "audio/frozen_view.h"
#include "audio/file_playback.h"
#include "audio/live_loop.h"
#include "audio/output_device.h"
#include "audio/signal_playback.h"
#include "display/display_state.h"
#include "display/sample_slots.h"
#include "files/recording_reader.h"
#include "interaction/print_window.h"
#include "interaction/save_bitmap.h"
#include "files/recording_writer.h"
#include "interaction/image_rebuild.h"
#include "interaction/mouse_input.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

// --- Live analysis: what the loop needs from the window -------------------------------------

void PresentLiveFrame(int width, int height) {
  canvas::DrawContext(&Display.MainDC).BitBlt(0, 0, width, height, Display.FrameDC, 0, 0);
  PresentMainWindow(0, 0, width, height);
  // After the frame is shown, so that the live figures (twice a second) never delay it.
  RefreshMeasurementsWindow();
}

void SetViewScrollBar(int range, int position) {
  MainUi.scrollBar.minimum = 0;
  MainUi.scrollBar.maximum = range;
  MainUi.scrollBar.position = position;
  UiChanged();
}

void FocusMainWindow() { SetMainFocus(); }

void AfterFreezeCopy() {
  // The held image first, so that the automatic Store below takes it into Sample B too.
  RebuildStoredImages(Display.MainDC, 0);
  // The signals variant has no Store button: every frozen sample goes to Sample B at once.
  if (AnalysisSettings.ProductVariant == 2) SendMainMessage(WM_COMMAND, CMD_STORE, 0);
  FillFrame();
}

// Cleared when a run starts, after the buffers are queued and before the device starts.
void ResetRunFlags() {
  Mode.StopRequested = 0;
  Mode.Recording = 0;
  Mode.RecordStopRequested = 0;
  Mode.FileSource = 0;
  Mode.FileResumePending = 0;
  Mode.CaptureStarted = 1;
  Mode.SpectrogramColumn = Mode.SpectrogramLag = Mode.EnvelopeColumn = Mode.EnvelopeLag = 0;
}

// A run that could not start leaves nothing running: the user sees the idle controls and can
// press Run again.
void BackToIdle() {
  Mode.StopRequested = 1;
  Mode.CaptureStarted = 0;
  ShowIdleControls();
}

void DropIncompatibleSamples(int channels, int rate) {
  if (Samples.SamplesAllocated && Samples.SampleChannels == channels && Samples.SampleRateMade == rate) return;
  FreeSamples();
  if (Mode.SampleBStored) {
    CurrentBackend().ShowMessageBox("Delete Incompatible Stored Sample", "Taldrinex", MessageIcon::Exclamation);
    FillStoreCanvas();
    std::fill(Samples.TraceB1.begin() + 1, Samples.TraceB1.end(), 0);
    std::fill(Samples.TraceB2.begin() + 1, Samples.TraceB2.end(), 0);
    Mode.SampleBStored = 0;
    SetComparisonModeButton(ID_COMPARISON_DISABLED);
  }
  AllocateSamples(rate, AnalysisSettings.StoredSeconds, channels);
  // The samples now have the length the Time History bar asked for: a later OK has nothing to redo
  // (and must not drop a Sample B stored in the meantime).
  OptionsDialogs.StoredSecondsChanged = 0;
  Samples.SampleStartMs = Samples.SampleStartMsB = 0;
}

// --- Playback: file and held samples ---------------------------------------------------------

void AfterFileFreeze() {
  // Near the end of the file the loop has copied the last frame into the canvas already.
  if (!FilePlay.NearEndFrozen) RebuildStoredImages(Display.MainDC, 0);
  if (AnalysisSettings.ProductVariant == 2) SendMainMessage(WM_COMMAND, CMD_STORE, 0);
}

FilePlaybackHooks FileHooks() {
  FilePlaybackHooks h;
  h.presentFrame = PresentLiveFrame;
  h.setViewScrollBar = SetViewScrollBar;
  h.afterFreezeCopy = AfterFileFreeze;
  h.showFrozenControls = ShowFrozenControls;
  h.focusMainWindow = FocusMainWindow;
  h.resumeMarker = &Activity.FileRestartRequested;
  h.playStartOffset = &Activity.PlayStartOffset;
  return h;
}

// Plays the sample chosen by Play A / Play B after the running loop ended. Returns whether the
// program goes back to the frozen view (false when Reset cancelled the playback).
bool PlayHeldSample() {
  Mode.SpectrogramColumn = Mode.SpectrogramLag = Mode.EnvelopeColumn = Mode.EnvelopeLag = 0;
  Mode.SignalPlaybackDone = 0;
  FillSampleArea();
  if (OpenSignalPlaybackDevice()) {
    SetCursorShape(CursorShape::Arrow);
    SignalPlaybackHooks hooks;
    hooks.presentFrame = PresentLiveFrame;
    hooks.focusMainWindow = FocusMainWindow;
    RunSignalPlaybackLoop(hooks);
  } else {
    CurrentBackend().ShowMessageBox("Cannot Open Audio Device", "Taldrinex", MessageIcon::Stop);
    // No device, so no end notice will come: the playback is over now, as after a completed one.
    Mode.SignalPlaybackDone = 1;
  }
  SetCursorShape(CursorShape::Arrow);
  SetButtonPressed(CMD_RUN, false);
  SetButtonPressed(CMD_PLAY_FILE, false);
  if (!Mode.PlayingSignals) return false;
  // Back to the frozen view the playback came from.
  LiveView.ViewPosition = Samples.CursorX;
  LiveView.ViewedSample = 0;
  Display.FullRedraw = 1;
  Mode.PlaySelection = 0;
  Mode.PlayingSignals = 0;
  Mode.Frozen = 1;
  Mode.StopRequested = 0;
  FillFrame();
  ShowFrozenControls();
  return true;
}

// Command 103 up to the start of the loop (lParam 0 dialog, 1 resume, 2 command line). Returns
// whether the file plays.
bool OpenFileForPlay(intptr_t lParam) {
  auto& st = AnalysisSettings;
  if (st.ProductVariant == 2 || Companions.ComparisonMode == 2) Display.ClearFrameRequest = 1;
  if (lParam == 0) {
    Mode.SpectrogramColumn = Mode.SpectrogramLag = Mode.EnvelopeColumn = Mode.EnvelopeLag = 0;
    Activity.PlayStartOffset = 0;
    Samples.SampleStartMs = 0;
    // No pump here: a close arriving before the playback starts would free the window under it.
    if (!ChooseOpenFile()) return false;
    DeleteFrame();
    MakeFrame();
    Mode.FileResumePending = 0;
  } else if (lParam == 1) {
    FillCanvas();
  } else if (lParam == 2 || !Mode.FrameReady) {
    // The command-line start has no frame yet.
    DeleteFrame();
    MakeFrame();
  }
  RecordingPlayback playback = OpenRecordingForPlay(FilePaths.OpenFileName, lParam == 0 ? 0 : Activity.PlayStartOffset);
  FillFrame();
  if (lParam == 0 || Activity.FileFreezePositionCleared) FillCanvas();
  Activity.FileFreezePositionCleared = 0;
  if (!playback.ok) {
    CurrentBackend().ShowMessageBox(playback.message, "Taldrinex", MessageIcon::Exclamation);
    ShowIdleControls();
    return false;
  }
  if (playback.needsStartDialog && lParam == 0) {
    if (RunStartingPointDialog(playback.playLengthSeconds) == 0) {
      ShowIdleControls();
      return false;
    }
    SetPlayStartSecond(playback, SmallDialogs.StartSeconds);
  }
  Activity.PlayStartOffset = playback.playStartOffset;
  ApplyRecordingFormat(playback.info, st);
  LimitFrequencyScaleToRate(st.SampleRate);
  // A new file (and the command-line start, whose samples were made for the live format) needs
  // samples in the file's format, or the freeze copy would not fit them.
  if (lParam == 0 || lParam == 2) DropIncompatibleSamples(st.Channels, st.SampleRate);
  if (!EnsureFftTables()) {
    CurrentBackend().ShowMessageBox(kFftSetupFailedText, "Taldrinex", MessageIcon::Exclamation);
    ShowIdleControls();
    return false;
  }
  MainUi.caption = FilePaths.FileTitle;
  UiChanged();
  Mode.StopRequested = 0;
  switch (BeginFilePlayback(std::move(playback))) {
    case FilePlaybackStart::Started:
      break;
    case FilePlaybackStart::NoMemory:
      CurrentBackend().ShowMessageBox("Not enough memory", "Taldrinex", MessageIcon::Exclamation);
      ShowIdleControls();
      return false;
    case FilePlaybackStart::CannotOpenDevice:
      CurrentBackend().ShowMessageBox("Cannot Open Audio Device", "Taldrinex", MessageIcon::Stop);
      Mode.StopRequested = 1;
      ShowIdleControls();
      return false;
  }
  Mode.FileSource = 1;
  Mode.CaptureStarted = 0;
  Mode.SpectrogramColumn = Mode.SpectrogramLag = Mode.EnvelopeColumn = Mode.EnvelopeLag = 0;
  Mode.Frozen = 0;
  Mode.FreezePending = 0;
  ShowFileControls();
  return true;
}

// One live run (lParam 1: the restart after a stored-signal playback, frozen, keeping the
// controls and the frame). Returns whether capture is to start again after Play A or Play B.
bool RunLiveOnce(intptr_t lParam) {
  auto& st = AnalysisSettings;
  const int channels = st.ProductVariant == 1 ? 1 : 2;
  st.Channels = channels;
  st.BitsPerSample = 16;
  st.BytesPerSample = 2;
  st.SampleRate = 22050;
  if (lParam != 1) {
    ShowLiveControls();
    DeleteFrame();
    MakeFrame();
    DropIncompatibleSamples(channels, st.SampleRate);
    FillFrame();
    FillCanvas();
  }
  // Without the analysis tables the loop cannot run: say so before the device is opened.
  if (!EnsureFftTables()) {
    CurrentBackend().ShowMessageBox(kFftSetupFailedText, "Taldrinex", MessageIcon::Exclamation);
    BackToIdle();
    return false;
  }
  switch (StartCapture(channels, st.SampleRate, ResetRunFlags)) {
    case CaptureStartResult::Started:
      break;
    case CaptureStartResult::NoMemoryForStreamBlock:
    case CaptureStartResult::NoMemoryForUnrolled:
      CurrentBackend().ShowMessageBox("Not enough memory", "Taldrinex", MessageIcon::Exclamation);
      BackToIdle();
      return false;
    case CaptureStartResult::CannotOpenDevice:
      CurrentBackend().ShowMessageBox("Cannot Open Audio Device", "Taldrinex", MessageIcon::Stop);
      DeleteFrame();
      BackToIdle();
      return false;
    case CaptureStartResult::QueueFailed:
      DeleteFrame();
      BackToIdle();
      return false;
  }

  LiveLoopHooks hooks;
  hooks.presentFrame = PresentLiveFrame;
  hooks.setViewScrollBar = SetViewScrollBar;
  hooks.focusMainWindow = FocusMainWindow;
  hooks.afterFreezeCopy = AfterFreezeCopy;
  hooks.loopStartTime = &Activity.AnalysisStartMs;
  const LiveLoopEnd end = RunLiveLoop(hooks);

  // The device is closed by the run's end (a stopped device returns no more buffers to do it);
  // its notifications are delivered now, so the blocks are free before anything else starts.
  CloseCaptureDevice();
  DeliverPostedMessages();
  Mode.CaptureStarted = 0;
  if (end == LiveLoopEnd::DeviceFailed) {
    Mode.StopRequested = 1;
    Mode.Frozen = 0;
    Mode.FreezePending = 0;
    Mode.PlayingSignals = 0;
    CurrentBackend().ShowMessageBox("The audio device stopped delivering sound.", "Taldrinex", MessageIcon::Stop);
    ShowIdleControls();
    return false;
  }
  if (end == LiveLoopEnd::NoFftTables) {
    CurrentBackend().ShowMessageBox(kFftSetupFailedText, "Taldrinex", MessageIcon::Exclamation);
    BackToIdle();
    return false;
  }
  if (!Mode.PlayingSignals) return false;
  Mode.SpectrogramColumn = Mode.SpectrogramLag = Mode.EnvelopeColumn = Mode.EnvelopeLag = 0;
  Mode.SignalPlaybackDone = 0;
  return PlayHeldSample();
}

}  // namespace

void StartLiveAnalysis(intptr_t lParam) {
  // Play A or Play B of the frozen view ends this run; afterwards capture starts again, frozen,
  // round this loop rather than through a nested command, so the stack stays flat however often.
  while (RunLiveOnce(lParam)) lParam = 1;
}
void StartFilePlayback(intptr_t lParam) {
  // Unfreezing restarts the file from the start of the held part; that comes round this loop
  // rather than through a nested command, so the stack stays flat however often it happens.
  for (;;) {
    int resumeFrozen = 0;
    if (lParam == 3) {
      Mode.StopRequested = 0;
      LiveView.ViewedSample = 0;
      Mode.Frozen = 1;
      resumeFrozen = 1;
    } else if (!OpenFileForPlay(lParam)) {
      Activity.FileRestartRequested = 0;
      return;
    }
    for (;;) {
      RunFilePlaybackLoop(FileHooks(), resumeFrozen);
      if (!Mode.PlayingSignals) break;
      // Play A or Play B of the frozen file view, then the frozen file view again.
      if (!PlayHeldSample()) break;
      resumeFrozen = 1;
    }
    if (Activity.FileRestartRequested && FilePlay.EndedFrozen && !Mode.Frozen && Mode.IdleState == 0) {
      lParam = 1;
      continue;
    }
    Activity.FileRestartRequested = 0;
    if (!Mode.Frozen) ShowIdleControls();
    return;
  }
}
void StopCapture() {
  StopCaptureDevice();
  Mode.CaptureStarted = 0;
}
void ResetPlaybackDevice() { ResetPlaybackOutput(); }
void SaveSample(int which) {
  if (!ChooseVariantRecordFile()) return;
  // The header describes the format the sample was made in, which is the stream's format; a
  // record file still open for the run is not touched (the sample writer has its own handle).
  const auto& buffer = which == 0 ? Samples.SampleA : Samples.SampleB;
  const int channels = Samples.SampleChannels > 0 ? Samples.SampleChannels : AnalysisSettings.Channels;
  const int rate = Samples.SampleRateMade > 0 ? Samples.SampleRateMade : AnalysisSettings.SampleRate;
  std::string error;
  if (!SaveSampleFile(FilePaths.RecordFileName, channels, rate, AnalysisSettings.BitsPerSample, buffer.data(),
                      buffer.size(), &error)) {
    CurrentBackend().ShowMessageBox(error.empty() ? "Cannot Open File" : error, "Taldrinex", MessageIcon::Exclamation);
  }
}
void SaveBitmapCommand() {
  if (!ChooseBitmapFile()) return;
  // The file is created first, so a name that cannot be written is told before the dialog.
  std::FILE* file = std::fopen(FilePaths.BitmapFileName.c_str(), "wb");
  if (!file) {
    CurrentBackend().ShowMessageBox("Cannot Open File", "Taldrinex", MessageIcon::Exclamation);
    return;
  }
  std::fclose(file);
  // The factor is used whatever the dialog returns: it changes live while the bar moves.
  RunMagnificationDialog();
  std::string message;
  if (!WriteDisplayBitmap(FilePaths.BitmapFileName, Window.ClientWidth, Window.ClientHeight, Window.ScrollBarHeight,
                          Window.ButtonHeight, &message))
    CurrentBackend().ShowMessageBox(message, "Taldrinex", MessageIcon::Stop);
}
void PrintWindowCommand() {
  const ScreenInfo screen = CurrentBackend().Screen();
  // The picture is in device pixels: on a scaled screen it has more of them per inch.
  const int dpiX = static_cast<int>(std::lround(screen.dpiX * screen.pixelRatio));
  const int dpiY = static_cast<int>(std::lround(screen.dpiY * screen.pixelRatio));
  PrintDisplayWindow(Window.ClientWidth, Window.ClientHeight, dpiX, dpiY);
}
void OpenOptionsDialog(int command) {
  const int variant = AnalysisSettings.ProductVariant;
  if (variant == 0 && command == MENU_ANALYSIS_OPTIONS) OpenFullOptionsDialog(kFullOptionsDialog);
  // The real-time variant has two dialogs; each command first closes the other one with OK.
  if (variant == 1 && (command == MENU_ANALYSIS_OPTIONS || command == MENU_ADVANCED_OPTIONS)) {
    const bool advanced = command == MENU_ADVANCED_OPTIONS;
    DialogModel* open = OpenOptionsDialogModel();
    if (open && (Mode.AdvancedOptionsActive != 0) != advanced && open->procedure)
      open->procedure(*open, WM_COMMAND, IDOK, 0);
    if (advanced)
      OpenFullOptionsDialog(kAdvancedOptionsDialog);
    else
      OpenSimpleOptionsDialog();
    Mode.AdvancedOptionsActive = advanced ? 1 : 0;
  }
  SetMainFocus();
}
void RepaintOptionsDialog() {
  DialogModel* open = OpenOptionsDialogModel();
  if (open && open->procedure) {
    open->procedure(*open, WM_PAINT, 0, 0);
    UiChanged();
  }
}
void RebuildStoredImagesAfterResize() { RebuildStoredImages(Display.MainDC, 2); }
intptr_t DispatchActivityMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case WM_HSCROLL:
      // The position bar, the main window's only scroll bar (the Left and Right keys send its
      // line steps too).
      OnPositionScroll(static_cast<unsigned>(wParam & 0xFFFF), static_cast<int>((wParam >> 16) & 0xFFFF));
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(PointX(lParam), PointY(lParam));
      return 0;
    case WM_LBUTTONDOWN:
      OnLeftButtonDown(PointX(lParam), PointY(lParam));
      return 0;
    case WM_LBUTTONUP:
      OnLeftButtonUp();
      return 0;
    case WM_RBUTTONDOWN:
      OnRightButtonDown();
      return 0;
    case MM_WIM_DATA: {
      const uint8_t* completed = OnCaptureBufferReturned(static_cast<int>(wParam), Mode.StopRequested != 0);
      if (completed && Mode.Recording) {
        if (Mode.RecordStopRequested) {
          // The last buffer of this recording: Record and Freeze are free again.
          Mode.Recording = 0;
          Mode.RecordStopRequested = 0;
          EnableButton(CMD_RECORD, true);
          EnableButton(CMD_FREEZE, true);
          EnableMenuItem(MENU_FREEZE, true);
          SetMainFocus();
        }
        if (!AppendCapturedBuffer(completed, static_cast<size_t>(Capture.CaptureBufferBytes))) ReportRecordingFailure();
      }
      return 0;
    }
    case MM_WIM_CLOSE:
      if (Capture.DeviceClosing && !FinishRecordFileAtCaptureClose()) ReportRecordingFailure();
      OnCaptureClosed();
      SetCursorShape(CursorShape::Arrow);
      return 0;
    case MM_WOM_DONE:
      // A notice left from a device closed earlier must not end the playback running now.
      if (!PlaybackDoneIsCurrent()) return 0;
      if (Output.Owner == PlaybackOwner::Signals) {
        OnSignalPlaybackDone();
      } else {
        OnFilePlaybackDone(FileHooks());
      }
      return 0;
    default:
      return 0;
  }
}
void ReleaseActivityResources() {
  ReleaseCapture();
  ClosePlaybackOutput();
  ReleaseFileStream();
  Mode.CaptureStarted = 0;
}
