// Entry points of the activities. The capture, playback and recording loops are built on the
// audio engine; until a loop is present its command leaves the program in the state it was in.
#include "app/activities.h"

#include "app/control_states.h"
#include "app/file_paths.h"
#include "app/small_dialogs.h"
#include "display/display_state.h"
#include "display/sample_slots.h"
#include "files/recording_reader.h"
#include "files/recording_writer.h"
#include "platform/backend.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

void StartLiveAnalysis(intptr_t) {}
void StartFilePlayback(intptr_t lParam) {
  if (lParam == 0 && !ChooseOpenFile()) return;
  // Opening steps of Play File: the reader checks the file and, for a long one, asks where to
  // start. The playback loop that follows is built on the audio engine.
  RecordingPlayback playback = OpenRecordingForPlay(FilePaths.OpenFileName, lParam == 1 ? Activity.PlayStartOffset : 0);
  if (!playback.ok) {
    CurrentBackend().ShowMessageBox(playback.message, "Taldrinex", MessageIcon::Exclamation);
    ShowIdleControls();
    return;
  }
  if (playback.needsStartDialog && lParam != 1) {
    if (RunStartingPointDialog(playback.playLengthSeconds) == 0) return;
    SetPlayStartSecond(playback, SmallDialogs.StartSeconds);
  }
  Activity.PlayStartOffset = playback.playStartOffset;
}
void ToggleRecording() {}
void StopCapture() { Mode.CaptureStarted = 0; }
void ResetPlaybackDevice() {}
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
void SaveBitmapCommand() {}
void PrintWindowCommand() {}
void OpenOptionsDialog(int) {}
void RepaintOptionsDialog() {}
void RebuildStoredImagesAfterResize() {}
intptr_t DispatchActivityMessage(uint32_t, uintptr_t, intptr_t) { return 0; }
void ReleaseActivityResources() { Mode.CaptureStarted = 0; }
