#include "audio/capture_recording.h"

#include "settings/mode_state.h"

RecordingState Recorder;

bool OpenRecordFile(const std::string& path, int channels, int sampleRate, std::string* error) {
  Recorder.FailureMessage.clear();
  if (!CreateRecordFile(Recorder.Writer, path, channels, sampleRate, 16, error)) return false;
  Mode.RecordFileOpen = 1;
  return true;
}

bool AppendCapturedBuffer(const uint8_t* buffer, size_t bytes) {
  if (!Mode.RecordFileOpen) return true;
  std::string error;
  if (AppendRecordData(Recorder.Writer, buffer, bytes, &error)) return true;
  // A write that fails ends the recording: what is in the file stays a valid recording.
  Recorder.FailureMessage = error;
  Mode.Recording = 0;
  Mode.RecordArmed = 0;
  Mode.RecordStopRequested = 0;
  return false;
}

bool FinishRecordFileAtCaptureClose() {
  if (!Mode.RecordFileOpen) return true;
  std::string error;
  const bool ok = CloseRecordFile(Recorder.Writer, &error);
  Mode.RecordFileOpen = 0;
  Mode.Recording = 0;
  Mode.RecordArmed = 0;
  Mode.RecordStopRequested = 0;
  if (!ok) Recorder.FailureMessage = error;
  return ok;
}
