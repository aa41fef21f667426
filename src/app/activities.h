#pragma once
// Entry points of the activities that the command dispatch starts and stops. Each activity's
// loop runs inside the command that started it and pumps messages itself.
#include <cstdint>

// Command 102 when not frozen (lParam 1: restart after stored-signal playback).
void StartLiveAnalysis(intptr_t lParam);
// Command 103 playing a file (lParam 0 dialog, 1 resume, 2 command line, 3 back to frozen file).
void StartFilePlayback(intptr_t lParam);
// Command 104: starts or stops recording.
void ToggleRecording();
// Tells the user that a record-file write failed and frees the controls the recording held.
void ReportRecordingFailure();
// Stops the input device if it runs (clears CaptureStarted).
void StopCapture();
// Resets the output device if a playback runs (ends a stored-signal playback early).
void ResetPlaybackDevice();
// Save Sample A / B (40018, 40021).
void SaveSample(int which);
// Save Bitmap (40003) and Print Window (40004) once a frame exists.
void SaveBitmapCommand();
void PrintWindowCommand();
// Options dialogs (40007, 40017).
void OpenOptionsDialog(int command);
// Rebuilds the held-sample images after a resize (which = 2: both samples).
void RebuildStoredImagesAfterResize();
// The device notifications and the frozen-view messages (scroll bar, mouse).
intptr_t DispatchActivityMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
// Frees whatever an activity left (capture, unrolled copy, work arrays) at the final close.
void ReleaseActivityResources();

// Requests and positions shared between the dispatch and the activity loops.
struct ActivityRequests {
  uint8_t FileRestartRequested = 0;       // the file loop sends 103 with lParam 1 when it ends
  uint8_t FileFreezePositionCleared = 0;  // Play File then also clears the Sample A canvas
  float FileFreezeOffsetMs = 0;           // freeze-time offset of the file loop
  long long PlayStartOffset = 0;          // bytes into the file's data where playing starts
  double AnalysisStartMs = 0;             // system time the live analysis (re)started
};
extern ActivityRequests Activity;

// Sends WM_PAINT to an open options dialog (Reset does, so it shows the idle values).
void RepaintOptionsDialog();
