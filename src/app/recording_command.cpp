// The Record command: the button toggles between starting a recording and asking it to end at
// the next buffer boundary. The writing itself happens as capture buffers come back.
#include "app/activities.h"
#include "app/file_paths.h"
#include "audio/capture_device.h"
#include "audio/capture_recording.h"
#include "platform/backend.h"
#include "platform/messages.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

void ToggleRecording() {
  if (!Mode.RecordFileOpen) {
    if (!ChooseVariantRecordFile()) return;
    std::string error;
    if (!OpenRecordFile(FilePaths.RecordFileName, Capture.Channels, Capture.SampleRate, &error)) {
      CurrentBackend().ShowMessageBox(error.empty() ? "Cannot Open File" : error, "Taldrinex",
                                      MessageIcon::Exclamation);
      return;
    }
  }
  if (!Mode.RecordArmed) {
    SetButtonPressed(CMD_RECORD, true);
    EnableButton(CMD_FREEZE, false);
    EnableMenuItem(MENU_FREEZE, false);
    if (AnalysisSettings.ProductVariant != 2) EnableButton(CMD_STORE, false);
    EnableButton(CMD_RESET, false);
    Mode.Recording = 1;
    Mode.RecordArmed = 1;
    SetButtonCaption(CMD_RECORD, "Stop &Record");
  } else {
    SetButtonPressed(CMD_RECORD, false);
    EnableButton(CMD_RECORD, false);
    Mode.RecordArmed = 0;
    Mode.RecordStopRequested = 1;
    SetButtonCaption(CMD_RECORD, "&Record");
  }
}

void ReportRecordingFailure() {
  if (Recorder.FailureMessage.empty()) return;
  const std::string message = Recorder.FailureMessage;
  Recorder.FailureMessage.clear();
  // The run goes on; only the recording ended, so the controls it held come back.
  SetButtonPressed(CMD_RECORD, false);
  SetButtonCaption(CMD_RECORD, "&Record");
  EnableButton(CMD_RECORD, Mode.CaptureStarted != 0 && !Mode.Frozen);
  EnableButton(CMD_FREEZE, true);
  EnableMenuItem(MENU_FREEZE, true);
  CurrentBackend().ShowMessageBox(message, "Taldrinex", MessageIcon::Exclamation);
}
