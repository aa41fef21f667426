#include "app/program.h"

#include "app/activities.h"
#include "app/devices_dialog.h"
#include "app/file_paths.h"
#include "app/measurements_window.h"
#include "app/options_dialog.h"
#include "app/window_state.h"
#include "audio/capture_device.h"
#include "audio/capture_recording.h"
#include "audio/file_playback.h"
#include "audio/frozen_view.h"
#include "audio/live_loop.h"
#include "audio/output_device.h"
#include "audio/signal_playback.h"
#include "audio/sound_devices.h"
#include "display/display_state.h"
#include "display/palette.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "display/signal_panels.h"
#include "interaction/image_rebuild.h"
#include "interaction/mouse_input.h"
#include "platform/messages.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

void ResetProgramState() {
  // A device left open by a test is closed before its state is forgotten.
  ReleaseCapture();
  ClosePlaybackOutput();
  ReleaseFileStream();
  ResetSettingsState();
  Mode = ModeState{};
  Window = WindowState{};
  Display = DisplayState{};
  Samples = SampleSlots{};
  FilePaths = FilePathState{};
  Activity = ActivityRequests{};
  ResetPaletteState();
  ResetPanelState();
  Capture = CaptureState{};
  LiveLoop = LiveLoopState{};
  LiveView = LiveViewState{};
  Recorder = RecordingState{};
  FilePlay = FilePlaybackState{};
  Output = OutputDeviceState{};
  SoundDevices = SoundDeviceChoice{};
  DevicesDialog = DevicesDialogState{};
  SignalPlay = SignalPlaybackState{};
  ResetSignalPanelState();
  ResetImageRebuildState();
  ResetMouseInputState();
  ResetOptionsDialogState();
  ResetMeasurementsWindowState();
  ResetUiModel();
  ResetMessageQueue();
}

const std::vector<canvas::DrawnText>& LastFrameTexts() { return Display.FrameTexts; }
