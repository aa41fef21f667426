// Entry points of the activities. The capture, playback and recording loops are built on the
// audio engine; until a loop is present its command leaves the program in the state it was in.
#include "app/activities.h"

#include "display/display_state.h"
#include "settings/mode_state.h"

void StartLiveAnalysis(intptr_t) {}
void StartFilePlayback(intptr_t) {}
void ToggleRecording() {}
void StopCapture() { Mode.CaptureStarted = 0; }
void ResetPlaybackDevice() {}
void SaveSample(int) {}
void SaveBitmapCommand() {}
void PrintWindowCommand() {}
void OpenOptionsDialog(int) {}
void RepaintOptionsDialog() {}
void RebuildStoredImagesAfterResize() {}
intptr_t DispatchActivityMessage(uint32_t, uintptr_t, intptr_t) { return 0; }
void ReleaseActivityResources() { Mode.CaptureStarted = 0; }
